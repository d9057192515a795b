// SEAM bodies: stand-ins for core helpers until the core lands on this branch (see CoreSeam.h).
#include "scanner/CoreSeam.h"

#include <shlobj.h>

#include "base/Handles.h"

namespace coreseam {

std::string CheckFolderID(long csidl) {
    char buffer[MAX_PATH + 1] = {};
    if (SHGetFolderPathA(nullptr, static_cast<int>(csidl) | CSIDL_FLAG_CREATE, nullptr, 0, buffer) != S_OK) return {};
    return buffer;
}

std::string getShortNameOfString(const std::string& path) {
    char buffer[256] = {};
    if (GetShortPathNameA(path.c_str(), buffer, sizeof buffer) == 0) return {};
    std::string s(buffer);
    const size_t b = s.find_first_not_of(' ');
    if (b == std::string::npos) return {};
    return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

std::string WindowsVer() {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    GetVersionExA(&info);
#pragma GCC diagnostic pop
    return info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS ? "Windows 95/98" : "Windows NT";
}

std::string GetWinDir() {
    char buffer[MAX_PATH + 1] = {};
    const UINT n = GetWindowsDirectoryA(buffer, sizeof buffer);
    return std::string(buffer, n < sizeof buffer ? n : 0);
}

std::string GetPrivateStringValue(const std::string& section, const std::string& key, const std::string& file) {
    char buffer[128] = {};
    const DWORD n = GetPrivateProfileStringA(section.c_str(), key.c_str(), "", buffer, sizeof buffer, file.c_str());
    if (n < 2) return {};
    return std::string(buffer, n);
}

void SetPrivateStringValue(const std::string& section, const std::string& key, const std::string& file,
                           const std::string& value) {
    WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), file.c_str());
}

std::string QueryRegString(HKEY hive, const std::string& keyPath, const std::string& valueName) {
    HKEY raw = nullptr;
    if (RegOpenKeyExA(hive, keyPath.c_str(), 0, KEY_QUERY_VALUE, &raw) != ERROR_SUCCESS) return {};
    base::RegKey key(raw);
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(key.get(), valueName.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return {};
    std::string data(size, '\0');
    if (size && RegQueryValueExA(key.get(), valueName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                                 &size) != ERROR_SUCCESS)
        return {};
    data.resize(size);
    if (type == REG_SZ || type == REG_EXPAND_SZ) {
        const size_t nul = data.find('\0');
        return nul == std::string::npos ? data : data.substr(0, nul);
    }
    DWORD number = 0;
    memcpy(&number, data.data(), data.size() < sizeof number ? data.size() : sizeof number);
    return std::to_string(static_cast<long>(number));
}

// The process table arrives with the core's process helpers; until then nothing is found running.
DWORD GetProcessID(const std::string&, bool) { return 0; }

}  // namespace coreseam
