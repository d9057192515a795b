#include "core/CRegister.h"

#include <vector>

#include "base/Handles.h"
#include "core/RegistryView.h"

namespace {
const char* ValueName(const std::string& sKey) { return sKey == "*" ? "" : sKey.c_str(); }
}  // namespace

std::string CRegister::TrimKeyPath(const std::string& path) {
    std::string p = path;
    if (!p.empty() && p.front() == '\\') p.erase(0, 1);
    if (!p.empty() && p.back() == '\\') p.pop_back();
    return p;
}

std::string CRegister::REGGetSetting(HKEY regHKEY, const std::string& sSection, const std::string& sKey,
                                     const std::string& sdefault) {
    const std::string path = TrimKeyPath(sSection);
    base::RegKey key;
    LONG rc = RegOpenKeyExA(regHKEY, path.c_str(), 0, KEY_ALL_ACCESS | regview::Native(), key.put());
    if (rc == ERROR_ACCESS_DENIED)
        rc = RegOpenKeyExA(regHKEY, path.c_str(), 0, KEY_READ | regview::Native(), key.put());
    if (rc != ERROR_SUCCESS) return sdefault;

    // The value may change size between the two calls; a few tries settle it.
    for (int tries = 0; tries < 4; ++tries) {
        DWORD type = 0, size = 0;
        if (RegQueryValueExA(key.get(), ValueName(sKey), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) break;
        if (type != REG_SZ && type != REG_EXPAND_SZ) break;
        // An empty string value is there: it reads as "", like the same value stored with its NUL.
        std::vector<char> data(size + 1, '\0');
        DWORD got = size;
        rc = RegQueryValueExA(key.get(), ValueName(sKey), nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &got);
        if (rc == ERROR_MORE_DATA) continue;
        if (rc != ERROR_SUCCESS) break;
        // Registry strings need not end in a NUL: take what is there up to the first one.
        std::string text(data.data(), got);
        size_t nul = text.find('\0');
        return nul == std::string::npos ? text : text.substr(0, nul);
    }
    return sdefault;
}

bool CRegister::REGSaveSetting(HKEY regHKEY, const std::string& sSection, const std::string& sKey,
                               const std::string& sValue) {
    const std::string path = TrimKeyPath(sSection);
    base::RegKey key;
    DWORD disposition = 0;
    if (RegCreateKeyExA(regHKEY, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS | regview::Native(),
                        nullptr, key.put(), &disposition) != ERROR_SUCCESS)
        return false;
    return RegSetValueExA(key.get(), ValueName(sKey), 0, REG_SZ, reinterpret_cast<const BYTE*>(sValue.c_str()),
                          static_cast<DWORD>(sValue.size() + 1)) == ERROR_SUCCESS;
}

bool CRegister::REGDeleteSetting(HKEY regHKEY, const std::string& sSection, const std::string& sKey) {
    const std::string path = TrimKeyPath(sSection);
    if (sKey.empty()) return regview::DeleteKey(regHKEY, path.c_str()) == ERROR_SUCCESS;
    base::RegKey key;
    if (RegOpenKeyExA(regHKEY, path.c_str(), 0, KEY_ALL_ACCESS | regview::Native(), key.put()) != ERROR_SUCCESS)
        return false;
    return RegDeleteValueA(key.get(), ValueName(sKey)) == ERROR_SUCCESS;
}
