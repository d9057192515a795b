#pragma once
// The program's own Run value ("CORVANE" under the user's Run key), which the options window
// rewrites on every load: read, and put back as it was, by the tests that load that window.
#include <windows.h>

#include <optional>
#include <string>

namespace shelltest {

inline constexpr char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

inline std::optional<std::string> RunValue() {
    char data[1024] = {};
    DWORD size = sizeof data - 1;
    if (RegGetValueA(HKEY_CURRENT_USER, kRunKey, "CORVANE", RRF_RT_REG_SZ, nullptr, data, &size) != ERROR_SUCCESS)
        return std::nullopt;
    return std::string(data);
}

// Writes the value, or deletes it for nullopt.
inline void SetRunValue(const std::optional<std::string>& value) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kRunKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    if (value) {
        RegSetValueExA(key, "CORVANE", 0, REG_SZ, reinterpret_cast<const BYTE*>(value->c_str()),
                       static_cast<DWORD>(value->size() + 1));
    } else {
        RegDeleteValueA(key, "CORVANE");
    }
    RegCloseKey(key);
}

}  // namespace shelltest
