// Runs the real program on a copy of the program folder with a little history in it (statistics,
// result counters, backups, a keep list, alerts, a scan log and the last findings) and brings up
// one page of the main window, for scripts/screenshot.
//   main_demo.exe <page> [seconds]
// Pages: home (the home panel, as the program starts), movie-home, scannow, customselect, custom,
// options, results, summary, summary-log, backups, keeplist, sysguards, alerts, alerts-panel, removelist (the
// movie's page; the list itself is the results window's picture),
// about, about-panel. The program folder is copied from this executable's folder, or from
// CORVANE_PROGRAM_FOLDER, into the temporary folder; the settings are those of the prefix.
#include <windows.h>

#include <cstdlib>
#include <functional>
#include <map>
#include <string>

#include "app/Links.h"
#include "base/ErrorLog.h"
#include "base/ProgramFolder.h"
#include "base/TextFile.h"
#include "core/Globals.h"
#include "core/SettingsStore.h"
#include "core/modMain.h"
#include "definitions/StringCipher.h"
#include "monitors/AlertStore.h"
#include "results/FindingList.h"
#include "results/KeepList.h"
#include "results/ScanResults.h"
#include "shell/frmMain.h"
#include "shell/frmMenu.h"
#include "shell/frmResults.h"
#include "shell/frmScanNow.h"
#include "ui/MessageLoop.h"

namespace {

void CopyTree(const std::string& from, const std::string& to) {
    CreateDirectoryA(to.c_str(), nullptr);
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((from + "\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return;
    do {
        const std::string name = fd.cFileName;
        if (name == "." || name == "..") continue;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            CopyTree(from + "\\" + name, to + "\\" + name);
        else
            CopyFileA((from + "\\" + name).c_str(), (to + "\\" + name).c_str(), FALSE);
    } while (FindNextFileA(h, &fd));
    FindClose(h);
}

// The history a user of a few weeks has: what the pages show (written over the copy of the
// last run, so each run shows the same).
void SeedHistory(const std::string& folder) {
    settings::SaveSetting("Statistics", "NUMBER OF SCANS", "14");
    settings::SaveSetting("Statistics", "NUMBER OF OBJECTS", "37");
    settings::SaveSetting("Statistics", "LAST SCAN DATE", "12/10/2026 09:41:12");
    for (auto [key, value] : {std::pair{"gb_totalSpyFilesRemoved", "3"},
                              {"gb_totalSpyFoldersRemoved", "1"},
                              {"gb_totalSpyRegistryKeysRemoved", "6"},
                              {"gb_totalSpyCookiesRemoved", "4"},
                              {"gb_totalSpyMemProcessRemoved", "1"},
                              {"gb_totalSpywareFound", "15"}})
        settings::SaveSetting("Results", key, value);
    settings::SaveSetting("Path", "BackupPath", folder + "\\BackUp");
    CreateDirectoryA((folder + "\\BackUp").c_str(), nullptr);
    for (const char* n : {"before-removal", "12-7-2026_10-43-15-PM"})
        CreateDirectoryA((folder + "\\BackUp\\" + n).c_str(), nullptr);
    results::RewriteKeepList(folder + "\\ignorelist.ign",
                             {{"Malware File", "C:\\Program Files\\Tool\\helper.exe", "Hotbar"},
                              {"Tracking Cookie", "C:\\users\\me\\Cookies\\me@atdmt[2].txt", "atdmt"},
                              {"Malware RegKey", "Software\\Classes\\CLSID\\{00000000-1111}", "Xupiter"}});
    monitors::AppendAlert({monitors::kStartupRegistryGuard, "Updater", "C:\\Users\\Public\\updater.exe",
                           "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run"});
    monitors::AppendAlert({monitors::kHijackGuard, "Start Page", "http://search.example/",
                           "HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer\\Main"});
    CreateDirectoryA((folder + "\\logs").c_str(), nullptr);
    const std::string log = folder + "\\logs\\ScanLog10-12-26_1.log";
    base::WriteText(log,
                    "Corvane scan log\r\nScan started: 12/10/2026 09:38:02\r\n\r\nMalware Process: "
                    "C:\\windows\\system32\\cwsbho.exe\r\nMalware RegKey: Software\\Xupiter\r\nTracking Cookie: "
                    "me@doubleclick[1].txt\r\n\r\nScan ended: 12/10/2026 09:41:12\r\n");
    results::Finding f;
    f.kind = results::FindingKind::RegKey;
    f.SpyType = "Xupiter";
    f.spyItem = "Software\\Xupiter";
    f.ItemToolTip = "HKEY_LOCAL_MACHINE\\Software\\Xupiter";
    f.Checked = true;
    results::Findings().Add(f);
    f.kind = results::FindingKind::Cookie;
    f.SpyType = "doubleclick";
    f.spyItem = "C:\\users\\me\\Cookies\\me@doubleclick[1].txt";
    f.ItemToolTip.clear();
    results::Findings().Add(f);
    // In the results file only, as an earlier session leaves them.
    results::ProgramResults().Save();
    results::ProgramResults().Release();
}

std::string g_page;

void CALLBACK Quit(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    ExitProcess(0);  // the picture is taken; no shut-down questions
}

void Open() {
    auto& m = frmMain;
    const std::map<std::string, std::function<void()>> pages = {
        {"home", [] {}},
        {"movie-home", [&] { m.flash_FSCommand("IDC_FS_SCANNOW", ""); }},
        {"scannow", [] { frmMenu.cmdScan_Click(); }},
        {"customselect",
         [] {
             frmMenu.cmdScan_Click();
             frmScanNow.lblCustomSelection_Click();
         }},
        {"custom", [&] { m.flash_FSCommand("IDC_FS_SCANMODE", "CUSTOMSCAN"); }},
        {"options", [&] { m.flash_FSCommand("IDC_FS_OPTIONS", ""); }},
        {"results", [&] { m.flash_FSCommand("IDC_FS_RESULTS", ""); }},
        {"summary", [&] { m.cmdResults_Click(); }},
        {"summary-log",
         [&] {
             m.cmdResults_Click();
             frmResults.tabResults_Click(2);
         }},
        {"backups", [&] { m.cmdBackup_Click(); }},
        {"keeplist", [&] { m.cmdIgnorList_Click(); }},
        {"sysguards", [&] { m.flash_FSCommand("IDC_FS_SYSGUARD", ""); }},
        {"alerts", [&] { m.flash_FSCommand("IDC_FS_ALERT", ""); }},
        {"alerts-panel", [&] { m.cmdAlerts_Click(); }},
        {"removelist", [&] { m.flash.GotoFrame(frmMain::RemoveList); }},
        {"about", [&] { m.flash_FSCommand("IDC_FS_ABOUT", ""); }},
        {"about-panel", [&] { m.cmdAbout_Click(); }},
    };
    auto it = pages.find(g_page);
    if (it != pages.end()) it->second();
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    g_page = __argc > 1 ? __argv[1] : "home";
    const int seconds = __argc > 2 ? std::atoi(__argv[2]) : 6;
    base::InstallErrorLog();
    char tmp[MAX_PATH];
    GetTempPathA(MAX_PATH, tmp);
    const std::string folder = std::string(tmp) + "corvane-main-demo";
    CopyTree(base::ProgramFolder(), folder);
    base::SetProgramFolderOverride(folder);
    app::InstallLinks();
    modEncryption::LoadEncryption();  // the keep list is written enciphered
    SeedHistory(folder);
    SetTimer(nullptr, 0, static_cast<UINT>(seconds) * 1000, &Quit);
    frmMain.RunsProgram = true;
    frmMain.Load();
    ui::PumpFor(1500);  // the window stands, as after a start
    // As after a scan of this session: the summary shows its log.
    gb_logFileName = base::ProgramFilePath("logs\\ScanLog10-12-26_1.log");
    Open();
    ui::RunMessageLoop();
    return 0;
}
