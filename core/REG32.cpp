#include "core/REG32.h"

#include <vector>

#include "base/Text.h"
#include "core/CRegister.h"
#include "core/RegistryView.h"

namespace REG32 {
namespace {

std::string BeforeNul(const char* data, size_t size) {
    std::string text(data, size);
    size_t nul = text.find('\0');
    return nul == std::string::npos ? text : text.substr(0, nul);
}

// The string data of a value, grown to its real size; nothing for other types or failures.
std::optional<std::string> ReadString(HKEY key, const char* valueName) {
    for (int tries = 0; tries < 4; ++tries) {
        DWORD type = 0, size = 0;
        if (RegQueryValueExA(key, valueName, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return std::nullopt;
        if (type != REG_SZ && type != REG_EXPAND_SZ) return std::nullopt;
        std::vector<char> data(size + 1, '\0');
        DWORD got = size;
        LONG rc = RegQueryValueExA(key, valueName, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &got);
        if (rc == ERROR_MORE_DATA) continue;
        if (rc != ERROR_SUCCESS) return std::nullopt;
        return BeforeNul(data.data(), got);
    }
    return std::nullopt;
}
}  // namespace

std::optional<std::string> RegGetString(HKEY hive, const std::string& keyPath, const std::string& valueName) {
    base::RegKey key;
    if (RegOpenKeyExA(hive, keyPath.c_str(), 0, MAXIMUM_ALLOWED | regview::Native(), key.put()) != ERROR_SUCCESS)
        return std::nullopt;
    return ReadString(key.get(), valueName.c_str());
}

bool RegSetString(HKEY hive, const std::string& keyPath, const std::string& valueName, const std::string& text) {
    base::RegKey key;
    if (RegCreateKeyExA(hive, keyPath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, MAXIMUM_ALLOWED | regview::Native(),
                        nullptr, key.put(), nullptr) != ERROR_SUCCESS)
        return false;
    return RegSetValueExA(key.get(), valueName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>(text.size() + 1)) == ERROR_SUCCESS;
}

void RegEnumSubKeys(HKEY hive, const std::string& keyPath) {
    base::RegKey key;
    if (RegOpenKeyExA(hive, keyPath.c_str(), 0, MAXIMUM_ALLOWED | regview::Native(), key.put()) != ERROR_SUCCESS)
        return;
    for (DWORD index = 0;; ++index) {
        char name[256] = {};
        DWORD len = 255;
        if (RegEnumKeyExA(key.get(), index, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        gb_uninstallKeys.push_back(std::string(name, len));
    }
}

base::RegKey RegOpenKeyQuery(HKEY hive, const std::string& keyPath) {
    base::RegKey key;
    if (RegOpenKeyExA(hive, keyPath.c_str(), 0, KEY_QUERY_VALUE | regview::Native(), key.put()) != ERROR_SUCCESS)
        key.reset();
    return key;
}

long RegQueryCount(HKEY key, long kind) {
    if (kind != 0 && kind != 1) return 0;
    DWORD subKeys = 0, values = 0;
    if (RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                         nullptr) != ERROR_SUCCESS)
        return 0;
    return static_cast<long>(kind == 1 ? subKeys : values);
}

std::string RegEnumValueName(HKEY key, DWORD index) {
    // Only the name is wanted: asking for no data keeps a large value from failing the call.
    std::vector<char> name(16384 + 1, '\0');
    DWORD len = 16384;
    if (RegEnumValueA(key, index, name.data(), &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) return {};
    return base::Trim(BeforeNul(name.data(), len));
}

std::string RegGetValueData(HKEY key, const std::string& valueName) {
    return base::Trim(ReadString(key, valueName.c_str()).value_or(std::string()));
}

bool SaveRegValue(HKEY hive, const std::string& keyPath, const std::string& valueName, const std::string& value) {
    CRegister reg;
    return reg.REGSaveSetting(hive, keyPath, valueName, value);
}

}  // namespace REG32
