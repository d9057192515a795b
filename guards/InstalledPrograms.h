#pragma once
// Installed programs: the Uninstall key's programs with a display name, their publisher and
// version, and starting a program's own uninstaller.
#include <windows.h>

#include <string>
#include <vector>

namespace guards {

inline const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

struct InstalledProgram {
    std::string displayName;
    std::string key;  // the subkey's name
};
// Subkeys whose "DisplayName" is a non-empty string, in registry order; an Uninstall key that
// cannot be opened gives none.
std::vector<InstalledProgram> LoadInstalledPrograms(HKEY hive = HKEY_LOCAL_MACHINE,
                                                    const std::string& uninstallKey = kUninstallKey);

struct ProgramInfo {
    std::string name, publisher, version;  // a missing field reads as message 1061 "NOT FOUND"
};
ProgramInfo GetProgramInfo(const InstalledProgram& program, HKEY hive = HKEY_LOCAL_MACHINE,
                           const std::string& uninstallKey = kUninstallKey);

// The "UninstallString", with environment references expanded when it is stored as REG_EXPAND_SZ.
std::string UninstallCommand(const std::string& key, HKEY hive = HKEY_LOCAL_MACHINE,
                             const std::string& uninstallKey = kUninstallKey);

struct UninstallStart {
    bool started = false;
    std::string error;  // why nothing started
};
// Starts the uninstaller (WinExec, shown normally); it runs on its own, not awaited.
UninstallStart StartUninstall(const std::string& key, HKEY hive = HKEY_LOCAL_MACHINE,
                              const std::string& uninstallKey = kUninstallKey);

}  // namespace guards
