#include "core/SpecialFolders.h"

#include <shlobj.h>

#include <vector>

#include "base/OsVersion.h"
#include "base/RuntimeError.h"
#include "base/Text.h"
#include "base/Trap.h"
#include "core/CRegister.h"
#include "core/modMainText.h"

namespace modMain {
namespace {

HRESULT SystemFolderPath(int csidl, char* buffer) {
    // Bound by name: shfolder.dll serves the older systems, shell32 the newer ones.
    using Fn = HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, LPSTR);
    static Fn fn = [] {
        Fn found = nullptr;
        for (const char* dll : {"shfolder.dll", "shell32.dll"}) {
            HMODULE m = LoadLibraryA(dll);
            if (m && (found = reinterpret_cast<Fn>(GetProcAddress(m, "SHGetFolderPathA")))) break;
        }
        return found;
    }();
    if (!fn) return E_NOTIMPL;
    return fn(nullptr, csidl, nullptr, 0, buffer);
}

FolderSources& Sources() {
    static FolderSources s = SystemFolderSources();
    return s;
}

std::string WithoutTrailingBackslash(const std::string& text) {
    std::string t = base::Trim(text);
    if (!t.empty() && t.back() == '\\') t.pop_back();
    return t;
}

}  // namespace

FolderSources SystemFolderSources() {
    FolderSources s;
    s.windowsDirectory = [](char* b, UINT n) { return GetWindowsDirectoryA(b, n); };
    s.systemDirectory = [](char* b, UINT n) { return GetSystemDirectoryA(b, n); };
    s.tempPath = [](DWORD n, char* b) { return GetTempPathA(n, b); };
    s.folderPath = &SystemFolderPath;
    s.registryText = [](HKEY hive, const std::string& section, const std::string& key, const std::string& def) {
        CRegister reg;
        return reg.REGGetSetting(hive, section, key, def);
    };
    return s;
}

void SetFolderSources(const FolderSources& sources) { Sources() = sources; }

std::string CheckFolderID(long csidl) {
    return base::Trap("CheckFolderID", std::string(), [&] {
        std::string buf(260, '\0');
        HRESULT hr = Sources().folderPath(static_cast<int>(csidl | CSIDL_FLAG_CREATE), buf.data());
        if (hr != S_OK) return std::string();
        return TrimNull(buf);
    });
}

std::string getFolderIDLocation(long csidl) {
    return base::Trap("getFolderIDLocation", std::string(),
                      [&] { return WithoutTrailingBackslash(CheckFolderID(csidl)); });
}

std::string GetWinDir() {
    return base::Trap("GetWinDir", std::string(), [&] {
        std::string buf(MAX_PATH + 1, '\0');
        UINT n = Sources().windowsDirectory(buf.data(), MAX_PATH);
        if (n == 0 || n > MAX_PATH) base::Raise(base::errPathNotFound);
        return WithoutTrailingBackslash(TrimNull(buf));
    });
}

std::string WindowsVer() {
    return base::Trap("WindowsVer", std::string(), [&] {
        return std::string(osversion::CurrentFamily() == osversion::Family::Win9x ? "Windows 95/98" : "Windows NT");
    });
}

std::string ReturnTemporaryFolder() {
    return base::Trap("ReturnTemporaryFolder", std::string(), [&] {
        std::string buf(513, '\0');
        DWORD n = Sources().tempPath(512, buf.data());
        if (n == 0 || n > 512) return std::string();
        return buf.substr(0, n - 1);
    });
}

std::string getShortNameOfString(const std::string& path) {
    return base::Trap("getShortNameOfString", std::string(), [&] {
        std::string buf(256, '\0');
        DWORD n = GetShortPathNameA(path.c_str(), buf.data(), 256);
        if (n == 0 || n >= 256) return std::string();
        return base::Trim(ftnStripNullChar(buf));
    });
}

std::string getWindowsFolder() {
    return base::Trap("getWindowsFolder", std::string(), [&] {
        std::string buf(257, '\0');
        UINT n = Sources().windowsDirectory(buf.data(), 256);
        std::string folder = n > 0 && n < 256 ? base::Trim(ftnStripNullChar(buf)) : std::string();
        if (folder.empty()) folder = gb_osName == "Windows NT" ? "C:\\WINNT" : "C:\\WINDOWS";
        return folder;
    });
}

std::string getSystemFolder() {
    return base::Trap("getSystemFolder", std::string(), [&] {
        std::string buf(257, '\0');
        UINT n = Sources().systemDirectory(buf.data(), 256);
        std::string folder = n > 0 && n < 256 ? base::Trim(ftnStripNullChar(buf)) : std::string();
        if (folder.empty()) {
            if (osversion::IsWin9xFamilyName(gb_osName))
                folder = gb_windowsFolder + "\\system";
            else if (osversion::IsNtFamilyName(gb_osName))
                folder = gb_windowsFolder + "\\system32";
        }
        return WithoutTrailingBackslash(folder);
    });
}

std::string getAppDataFolder() {
    return base::Trap("getAppDataFolder", std::string(), [&] {
        return WithoutTrailingBackslash(Sources().registryText(
            HKEY_CURRENT_USER, "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", "AppData",
            ""));
    });
}

std::string getProgramFilesFolder() {
    return base::Trap("getProgramFilesFolder", std::string(), [&] {
        return WithoutTrailingBackslash(Sources().registryText(
            HKEY_LOCAL_MACHINE, "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir", ""));
    });
}

std::string getCommonFilesFolder() {
    return base::Trap("getCommonFilesFolder", std::string(), [&] {
        return WithoutTrailingBackslash(Sources().registryText(
            HKEY_LOCAL_MACHINE, "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "CommonFilesDir", ""));
    });
}

std::string getRestoreFolder() { return getSystemFolder() + "\\Restore"; }

void FillSpecialFolderGlobals(const std::string& platformName) {
    gb_osName = platformName;
    gb_windowsFolder = getWindowsFolder();
    gb_systemFolder = getSystemFolder();
    gb_appDataFolder = getAppDataFolder();
    gb_tempFolder = ReturnTemporaryFolder();
    gb_programFilesFolder = getProgramFilesFolder();
    gb_commonFilesFolder = getCommonFilesFolder();
    gb_restoreFolder = getRestoreFolder();
    struct Slot {
        std::string* global;
        long csidl;
    };
    const Slot slots[] = {
        {&gb_desktopFolder, 0},          {&gb_programsFolder, 2},
        {&gb_personalFolder, 5},         {&gb_favoritesFolder, 6},
        {&gb_startupFolder, 7},          {&gb_recentFolder, 8},
        {&gb_sendToFolder, 9},           {&gb_startMenuFolder, 11},
        {&gb_desktopDirFolder, 16},      {&gb_netHoodFolder, 19},
        {&gb_fontsFolder, 20},           {&gb_templatesFolder, 21},
        {&gb_commonStartMenuFolder, 22}, {&gb_commonProgramsFolder, 23},
        {&gb_commonStartupFolder, 24},   {&gb_commonDesktopDirFolder, 25},
        {&gb_csidlAppDataFolder, 26},    {&gb_printHoodFolder, 27},
        {&gb_commonFavoritesFolder, 31}, {&gb_internetCacheFolder, 32},
        {&gb_csidlCookiesFolder, 33},    {&gb_historyFolder, 34},
    };
    for (const Slot& s : slots) *s.global = getFolderIDLocation(s.csidl);
}

}  // namespace modMain
