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

// The text of a value as its type reads: strings up to their first NUL, the strings of a
// multi-string joined by one blank (a blank, unlike a line break or a NUL, survives every place
// callers put the text: INI snapshots, list rows, movie strings), numbers as signed decimal.
std::string ValueText(DWORD type, const BYTE* data, size_t size) {
    const char* text = reinterpret_cast<const char*>(data);
    switch (type) {
        case REG_SZ:
        case REG_EXPAND_SZ:
            return std::string(text, std::find(text, text + size, '\0'));
        case REG_MULTI_SZ: {
            // The list ends at its empty string (or with the data).
            std::string joined;
            for (const char* p = text; p < text + size && *p != '\0';) {
                const char* end = std::find(p, text + size, '\0');
                if (!joined.empty()) joined += ' ';
                joined.append(p, end);
                p = end + 1;
            }
            return joined;
        }
        case REG_DWORD_BIG_ENDIAN: {
            std::uint32_t number = 0;
            for (size_t i = 0; i < std::min<size_t>(size, 4); ++i) number = (number << 8) | data[i];
            return std::to_string(static_cast<std::int32_t>(number));
        }
        case REG_QWORD: {
            std::uint64_t number = 0;
            std::memcpy(&number, data, std::min<size_t>(size, sizeof number));
            return std::to_string(static_cast<std::int64_t>(number));
        }
        default: {
            // REG_DWORD, and any other data, reads as a 32-bit integer from its first four bytes.
            std::uint32_t number = 0;
            std::memcpy(&number, data, std::min<size_t>(size, sizeof number));
            return std::to_string(static_cast<std::int32_t>(number));
        }
    }
}

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
            return ValueText(type, data.data(), got);
        }
    } catch (...) {
        base::ReportCurrentExceptionAt(base::MethodTail("QueryRegString", keyPath + "\\" + valueName));
    }
    return {};
}

}  // namespace RegistryModule
