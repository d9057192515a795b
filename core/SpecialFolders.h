#pragma once
// Special folders: where Windows keeps its folders, with the fall-backs the program relies on,
// and the globals that start-up fills once. No folder text ends in a backslash.
#include <windows.h>

#include <functional>
#include <string>

// Filled once at start-up by FillSpecialFolderGlobals, in this order (later fall-backs read
// earlier globals), and only read afterwards.
inline std::string gb_osName;  // "Windows 95" ... "Windows XP", or empty
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
inline std::string gb_recentFolder;
inline std::string gb_sendToFolder;
inline std::string gb_startMenuFolder;
inline std::string gb_desktopDirFolder;
inline std::string gb_netHoodFolder;
inline std::string gb_fontsFolder;
inline std::string gb_templatesFolder;
inline std::string gb_commonStartMenuFolder;
inline std::string gb_commonProgramsFolder;
inline std::string gb_commonStartupFolder;
inline std::string gb_commonDesktopDirFolder;
inline std::string gb_csidlAppDataFolder;
inline std::string gb_printHoodFolder;
inline std::string gb_commonFavoritesFolder;
inline std::string gb_internetCacheFolder;
inline std::string gb_csidlCookiesFolder;
inline std::string gb_historyFolder;

namespace modMain {

std::string CheckFolderID(long csidl);                      // SHGetFolderPathA (creating the folder); "" on any failure
std::string getFolderIDLocation(long csidl);                // CheckFolderID without a trailing backslash
std::string GetWinDir();                                    // the Windows folder
std::string WindowsVer();                                   // "Windows 95/98" or "Windows NT"
std::string ReturnTemporaryFolder();                        // temporary folder without its trailing backslash
std::string getShortNameOfString(const std::string& path);  // 8.3 form; "" when the path does not exist
std::string getWindowsFolder();                             // fall-back "C:\WINNT" for "Windows NT", else "C:\WINDOWS"
std::string getSystemFolder();                              // fall-back from gb_windowsFolder and gb_osName
std::string getAppDataFolder();
std::string getProgramFilesFolder();
std::string getCommonFilesFolder();
std::string getRestoreFolder();  // getSystemFolder() + "\Restore"

// The main window's start-up step: gb_osName from the platform name, then every folder global.
void FillSpecialFolderGlobals(const std::string& platformName);

// Where the folder functions get their answers; tests replace single sources to make them fail.
struct FolderSources {
    std::function<UINT(char* buffer, UINT size)> windowsDirectory;  // GetWindowsDirectoryA
    std::function<UINT(char* buffer, UINT size)> systemDirectory;   // GetSystemDirectoryA
    std::function<DWORD(DWORD size, char* buffer)> tempPath;        // GetTempPathA
    std::function<HRESULT(int csidl, char* buffer)> folderPath;     // SHGetFolderPathA(NULL, csidl, NULL, 0, buffer)
    // CRegister::REGGetSetting(hive, section, key, default)
    std::function<std::string(HKEY, const std::string&, const std::string&, const std::string&)> registryText;
};
FolderSources SystemFolderSources();
void SetFolderSources(const FolderSources& sources);  // tests; SystemFolderSources() puts the system back

}  // namespace modMain
