#pragma once
// SEAM: the core services this folder uses that are not on this branch yet (special folders,
// registry and INI helpers, the platform test). They carry the names and contracts of the core's
// own helpers; when the core lands this header includes its headers, the namespace below names
// the core's functions, and CoreSeam.cpp goes.
#include <windows.h>

#include <string>

// The special-folder globals that start-up fills (no folder text ends in a backslash).
inline std::string gb_osName;
inline std::string gb_windowsFolder;
inline std::string gb_systemFolder;
inline std::string gb_appDataFolder;
inline std::string gb_tempFolder;
inline std::string gb_programFilesFolder;
inline std::string gb_commonFilesFolder;
inline std::string gb_restoreFolder;
inline std::string gb_desktopFolder;
inline std::string gb_programsFolder;
inline std::string gb_personalFolder;
inline std::string gb_favoritesFolder;
inline std::string gb_startupFolder;
inline std::string gb_startMenuFolder;
inline std::string gb_desktopDirFolder;
inline std::string gb_commonStartMenuFolder;
inline std::string gb_commonProgramsFolder;
inline std::string gb_commonStartupFolder;
inline std::string gb_commonDesktopDirFolder;
inline std::string gb_commonFavoritesFolder;

// The helpers, under the seam's own namespace so that they never clash with the core's.
namespace coreseam {
std::string CheckFolderID(long csidl);                      // SHGetFolderPathA; "" on any failure
std::string getShortNameOfString(const std::string& path);  // 8.3 form; "" when the path does not exist
std::string WindowsVer();                                   // "Windows 95/98" or "Windows NT"
std::string GetWinDir();                                    // the Windows folder
std::string GetPrivateStringValue(const std::string& section, const std::string& key, const std::string& file);
void SetPrivateStringValue(const std::string& section, const std::string& key, const std::string& file,
                           const std::string& value);
// The value as text ("" when the key or the value is missing).
std::string QueryRegString(HKEY hive, const std::string& keyPath, const std::string& valueName);
// Id of the first running process whose name equals `name` (both upper-cased); 0 when none.
DWORD GetProcessID(const std::string& name, bool usePsapi);
}  // namespace coreseam
