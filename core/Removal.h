#pragma once
// Removal of found files, cookies and folders (now, or at the next restart when they resist),
// the shell-open routine and Corvane's own autostart value.
//
// The platform family comes from gb_osName: "Windows NT", "Windows 2000" and "Windows XP" are
// the NT family (delayed moves); every other name takes the Windows 95 family's WinInit.ini.
#include <functional>
#include <string>

namespace modMain {

// True when the folder is gone after the attempt; false when it survives (also when it was
// scheduled for deletion at restart, which gb_deleteAfterReboot allows).
bool deleteSpyFolder(const std::string& folder);
// True when the file is gone at the end. A library (.dll, .ocx) is unregistered first; a
// running program started from this very file is ended; a file that resists is scheduled for
// deletion at restart.
bool deleteSpyCFType(const std::string& file);
// Appends "NUL=<short path>" (or "DIRNUL=" for a folder) to %WinDir%\WinInit.ini, creating it
// with a "[Rename]" line when missing.
void DestroyOnReboot(const std::string& path);
// Asks the shell to open a document, program or web address.
void OpenIt(const std::string& target);
// Writes / deletes the value "CORVANE" of HKCU\Software\Microsoft\Windows\CurrentVersion\Run.
void DoStartUpSpyware(const std::string& command);
void DoNotStartUpSpyware();

inline constexpr const char* kRunKey = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr const char* kRunValue = "CORVANE";

// Starts a command line without waiting longer than the helper allows; tests record it instead.
using Launcher = std::function<void(const std::string& commandLine)>;
void SetUnregisterLauncher(Launcher launcher);  // empty: the real regsvr32 run

}  // namespace modMain
