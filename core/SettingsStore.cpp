#include "core/SettingsStore.h"

#include <windows.h>

#include <vector>

#include "base/Handles.h"
#include "base/ProgramFolder.h"
#include "base/RuntimeError.h"

namespace settings {
namespace {
std::string g_root;

std::string Root() {
    if (!g_root.empty()) return g_root;
    char env[1024];
    DWORD n = GetEnvironmentVariableA(kRootEnv, env, sizeof env);
    if (n > 0 && n < sizeof env) return std::string(env, n);
    return "Software";
}

std::string SectionPath(const std::string& section) { return ApplicationKeyPath() + "\\" + section; }
}  // namespace

std::string ApplicationKeyPath() { return Root() + "\\" + base::AppTitle(); }

void SetRootOverride(const std::string& root) { g_root = root; }

std::string GetSetting(const std::string& section, const std::string& key, const std::string& fallback) {
    base::RegKey k;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, SectionPath(section).c_str(), 0, KEY_QUERY_VALUE, k.put()) != ERROR_SUCCESS)
        return fallback;
    for (int tries = 0; tries < 4; ++tries) {
        DWORD type = 0, size = 0;
        if (RegQueryValueExA(k.get(), key.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return fallback;
        if (type != REG_SZ && type != REG_EXPAND_SZ) return fallback;
        std::vector<char> data(size + 1, '\0');
        DWORD got = size;
        LONG rc = RegQueryValueExA(k.get(), key.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &got);
        if (rc == ERROR_MORE_DATA) continue;
        if (rc != ERROR_SUCCESS) return fallback;
        std::string text(data.data(), got);
        size_t nul = text.find('\0');
        return nul == std::string::npos ? text : text.substr(0, nul);
    }
    return fallback;
}

void SaveSetting(const std::string& section, const std::string& key, const std::string& value) {
    base::RegKey k;
    LONG rc = RegCreateKeyExA(HKEY_CURRENT_USER, SectionPath(section).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_SET_VALUE, nullptr, k.put(), nullptr);
    if (rc == ERROR_SUCCESS)
        rc = RegSetValueExA(k.get(), key.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>(value.size() + 1));
    if (rc != ERROR_SUCCESS) base::Raise(base::errInvalidProcedureCall);
}

void DeleteSetting(const std::string& section, const std::string& key) {
    if (key.empty()) {
        // A section holds values only, so the key goes in one call.
        RegDeleteKeyA(HKEY_CURRENT_USER, SectionPath(section).c_str());
        return;
    }
    base::RegKey k;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, SectionPath(section).c_str(), 0, KEY_SET_VALUE, k.put()) == ERROR_SUCCESS)
        RegDeleteValueA(k.get(), key.c_str());
}

}  // namespace settings
