#pragma once
// Test support for the core services: private registry keys, the settings root, the helper
// program, the error log.
#include <windows.h>

#include <string>

#include "base/Handles.h"

namespace core_test {

// HKCU\Software\CorvaneTests\<unique>, deleted with everything in it when the object goes.
class ScratchKey {
public:
    ScratchKey();
    ~ScratchKey();
    ScratchKey(const ScratchKey&) = delete;
    ScratchKey& operator=(const ScratchKey&) = delete;
    const std::string& path() const { return path_; }  // relative to HKEY_CURRENT_USER
    std::string operator/(const std::string& sub) const { return path_ + "\\" + sub; }

private:
    std::string path_;
};

// The settings store moved to a scratch key for the life of the object.
class ScopedSettingsRoot {
public:
    ScopedSettingsRoot();
    ~ScopedSettingsRoot();
    const std::string& root() const { return key_.path(); }

private:
    ScratchKey key_;
};

void DeleteTree(HKEY hive, const std::string& path);
bool KeyExists(HKEY hive, const std::string& path);
void SetString(HKEY hive, const std::string& path, const std::string& name, const std::string& value,
               DWORD type = REG_SZ, bool withNul = true);
void SetDword(HKEY hive, const std::string& path, const std::string& name, DWORD value);

// The helper program built beside the tests.
std::string HelperExe();
// A started copy of the helper under `path`; ended (if still running) and waited for on destruction.
class RunningHelper {
public:
    explicit RunningHelper(const std::string& path, const std::string& arguments = {});
    ~RunningHelper();
    DWORD pid() const { return pid_; }
    HANDLE handle() const { return process_.get(); }
    bool WaitEnded(DWORD ms);

private:
    base::Handle process_;
    DWORD pid_ = 0;
};
bool WaitForFile(const std::string& path, DWORD ms);

// The error log of the current program folder ("" when missing).
std::string ErrorLogText();
int CountOccurrences(const std::string& text, const std::string& what);

// Sets an environment variable for the life of the object, then restores it.
class ScopedEnv {
public:
    ScopedEnv(const std::string& name, const std::string& value);
    ~ScopedEnv();

private:
    std::string name_, old_;
    bool had_ = false;
};

}  // namespace core_test
