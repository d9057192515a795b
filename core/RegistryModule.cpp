#include "core/RegistryModule.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "base/Handles.h"
#include "base/RuntimeError.h"
#include "base/Trap.h"
#include "core/RegistryView.h"
#include "core/Wiring.h"

namespace RegistryModule {
namespace {
constexpr REGSAM kAccess = 0x3F;  // query, set, create subkey, enumerate, notify, create link

long DeleteKeyTree(HKEY hive, const std::string& keyPath) {
    LONG rc = regview::DeleteKey(hive, keyPath.c_str());
    if (rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND) return rc;
    if (rc != ERROR_ACCESS_DENIED) {
        // Logged like a trapped error 505, and reported to the caller as the failure it is.
        base::ReportTrapped(505, "Erroor code " + std::to_string(rc), "DeleteKey");
        return rc;
    }

    // The NT family refuses to delete a key that still has subkeys: empty it first.
    base::RegKey key;
    LONG open = RegOpenKeyExA(hive, keyPath.c_str(), 0, kAccess | regview::Native(), key.put());
    if (open == ERROR_ACCESS_DENIED) {
        wiring::MsgBoxOK(wiring::GetMessage("1000", "Access denied to delete registry key."),
                         wiring::GetMessage("1001", "Access Denied"));
        return ERROR_ACCESS_DENIED;
    }
    if (open != ERROR_SUCCESS) return open;

    long first = ERROR_SUCCESS;
    KeyInfo info;
    GetSubKeyCount(key.get(), info);
    // From the last index down, so the indexes not visited yet stay put while subkeys go.
    for (DWORD i = info.subKeys; i-- > 0;) {
        std::string name(500, ' ');
        if (EnumSubKeyName(key.get(), i, name) != ERROR_SUCCESS) continue;
        long sub = DeleteKeyTree(key.get(), name);
        if (sub != ERROR_SUCCESS && first == ERROR_SUCCESS) first = sub;
    }
    // The emptied key itself, through its own handle; a subkey that survived makes this fail
    // again, and the first failure is what the caller hears.
    LONG self = regview::DeleteKey(key.get(), "");
    if (first != ERROR_SUCCESS) return first;
    return self;
}
}  // namespace

long DeleteKey(HKEY hive, const std::string& keyPath) {
    return base::Trap("DeleteKey", static_cast<long>(ERROR_INVALID_FUNCTION),
                      [&] { return DeleteKeyTree(hive, keyPath); });
}

bool DeleteValue(HKEY hive, const std::string& keyPath, const std::string& valueName) {
    if (valueName.empty()) return false;
    base::RegKey key;
    if (RegOpenKeyExA(hive, keyPath.c_str(), 0, kAccess | regview::Native(), key.put()) != ERROR_SUCCESS) return false;
    return RegDeleteValueA(key.get(), valueName.c_str()) == ERROR_SUCCESS;
}

long GetSubKeyCount(HKEY key, KeyInfo& info) {
    KeyInfo got;
    LONG rc = RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &got.subKeys, &got.maxSubKeyLen, nullptr, &got.values,
                               &got.maxValueNameLen, &got.maxValueLen, nullptr, nullptr);
    if (rc == ERROR_SUCCESS) info = got;
    return rc;
}

long EnumSubKeyName(HKEY key, DWORD index, std::string& name) {
    std::vector<char> buf(name.size() + 1, '\0');
    DWORD len = static_cast<DWORD>(name.size());
    LONG rc = RegEnumKeyExA(key, index, buf.data(), &len, nullptr, nullptr, nullptr, nullptr);
    name = rc == ERROR_SUCCESS ? std::string(buf.data(), len) : std::string();
    return rc;
}

std::string QueryRegString(HKEY hive, const std::string& keyPath, const std::string& valueName) {
    try {
        base::RegKey key;
        LONG rc = RegOpenKeyExA(hive, keyPath.c_str(), 0, kAccess | regview::Native(), key.put());
        // A reader needs no write access: a user who may only read still gets the value.
        if (rc == ERROR_ACCESS_DENIED)
            rc = RegOpenKeyExA(hive, keyPath.c_str(), 0, KEY_QUERY_VALUE | regview::Native(), key.put());
        if (rc != ERROR_SUCCESS) return {};
        for (int tries = 0; tries < 4; ++tries) {
            DWORD type = 0, size = 0;
            if (RegQueryValueExA(key.get(), valueName.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
                return {};
            std::vector<BYTE> data(size + 1, 0);
            DWORD got = size;
            rc = RegQueryValueExA(key.get(), valueName.c_str(), nullptr, &type, data.data(), &got);
            if (rc == ERROR_MORE_DATA) continue;
            if (rc != ERROR_SUCCESS) return {};
            if (type == REG_SZ || type == REG_EXPAND_SZ) {
                std::string text(reinterpret_cast<const char*>(data.data()), got);
                size_t nul = text.find('\0');
                return nul == std::string::npos ? text : text.substr(0, nul);
            }
            // Anything else reads as a 32-bit integer from its first four bytes.
            DWORD number = 0;
            std::memcpy(&number, data.data(), std::min<size_t>(got, sizeof number));
            return std::to_string(static_cast<long>(static_cast<int32_t>(number)));
        }
    } catch (...) {
    }
    return {};
}

}  // namespace RegistryModule
