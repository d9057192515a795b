#include "core/tests/CoreTestSupport.h"

#include <vector>

#include "base/TextFile.h"
#include "base/testing/Testing.h"
#include "core/SettingsStore.h"
#include "core/modMain.h"

namespace core_test {

ScratchKey::ScratchKey() : path_("Software\\CorvaneTests\\" + testing_support::UniqueName("k")) {
    HKEY k = nullptr;
    RegCreateKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr);
    if (k) RegCloseKey(k);
}

ScratchKey::~ScratchKey() { DeleteTree(HKEY_CURRENT_USER, path_); }

ScopedSettingsRoot::ScopedSettingsRoot() { settings::SetRootOverride(key_.path()); }
ScopedSettingsRoot::~ScopedSettingsRoot() { settings::SetRootOverride(""); }

void DeleteTree(HKEY hive, const std::string& path) {
    RegDeleteTreeA(hive, path.c_str());
    RegDeleteKeyA(hive, path.c_str());
}

bool KeyExists(HKEY hive, const std::string& path) {
    base::RegKey k;
    return RegOpenKeyExA(hive, path.c_str(), 0, KEY_READ, k.put()) == ERROR_SUCCESS;
}

void SetString(HKEY hive, const std::string& path, const std::string& name, const std::string& value, DWORD type,
               bool withNul) {
    base::RegKey k;
    RegCreateKeyExA(hive, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, k.put(), nullptr);
    RegSetValueExA(k.get(), name.c_str(), 0, type, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + (withNul ? 1 : 0)));
}

void SetDword(HKEY hive, const std::string& path, const std::string& name, DWORD value) {
    base::RegKey k;
    RegCreateKeyExA(hive, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, k.put(), nullptr);
    RegSetValueExA(k.get(), name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

std::string HelperExe() {
    char exe[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string path = exe;
    return path.substr(0, path.find_last_of('\\') + 1) + "core_test_helper.exe";
}

RunningHelper::RunningHelper(const std::string& path, const std::string& arguments) {
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::string cmd = "\"" + path + "\"" + (arguments.empty() ? "" : " " + arguments);
    std::vector<char> line(cmd.begin(), cmd.end());
    line.push_back('\0');
    if (CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        process_.reset(pi.hProcess);
        CloseHandle(pi.hThread);
        pid_ = pi.dwProcessId;
        WaitForFile(path + ".args", 10000);
    }
}

RunningHelper::~RunningHelper() {
    if (process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_.get(), 3);
        WaitForSingleObject(process_.get(), 5000);
    }
}

bool RunningHelper::WaitEnded(DWORD ms) { return process_ && WaitForSingleObject(process_.get(), ms) == WAIT_OBJECT_0; }

bool WaitForFile(const std::string& path, DWORD ms) {
    for (DWORD waited = 0; waited <= ms; waited += 20) {
        if (base::FileExists(path)) return true;
        Sleep(20);
    }
    return false;
}

std::string ErrorLogText() {
    try {
        return base::ReadWhole(modMain::ErrorLogPath());
    } catch (...) {
        return {};
    }
}

int CountOccurrences(const std::string& text, const std::string& what) {
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
    return n;
}

ScopedEnv::ScopedEnv(const std::string& name, const std::string& value) : name_(name) {
    char buf[4096];
    DWORD n = GetEnvironmentVariableA(name.c_str(), buf, sizeof buf);
    had_ = n > 0 && n < sizeof buf;
    if (had_) old_.assign(buf, n);
    SetEnvironmentVariableA(name.c_str(), value.c_str());
}

ScopedEnv::~ScopedEnv() { SetEnvironmentVariableA(name_.c_str(), had_ ? old_.c_str() : nullptr); }

}  // namespace core_test
