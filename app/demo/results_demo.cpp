// Shows one of the results windows with sample content for a few seconds, for
// scripts/screenshot to take its picture.
//   results_demo.exe <results|results-sorted|backupname|ignore|ignore-german|backups|summary> [seconds]
// "results-sorted" shows the list sorted by its second column;
// "ignore-german" shows the keep list under a German language pack written for the picture.
// The program folder is this executable's folder, or CORVANE_PROGRAM_FOLDER; the keep list and
// the backups of the panels go to a temporary folder.
#include <windows.h>

#include <cstdlib>
#include <string>

#include "app/Links.h"
#include "base/ErrorLog.h"
#include "core/Globals.h"
#include "core/Statistics.h"
#include "core/modMain.h"
#include "definitions/StringCipher.h"
#include "results/FindingList.h"
#include "results/KeepList.h"
#include "shell/frmBackup.h"
#include "shell/frmBackupName.h"
#include "shell/frmIgnore.h"
#include "shell/frmMain.h"
#include "shell/frmResultBackup.h"
#include "shell/frmResults.h"
#include "ui/MessageLoop.h"

namespace {

void CALLBACK Quit(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    PostQuitMessage(0);
}

// The keep list's texts in German (8-bit, Western European).
constexpr char kGermanPack[] =
    "[frmIgnore]\r\n"
    "1000=Ausnahmeliste\r\n"
    "1001=Auswahl entfernen\r\n"
    "1002=Alle markieren\r\n"
    "1003=Keine markieren\r\n"
    "1004=Art\r\n"
    "1005=Sch\xe4"
    "dling\r\n"
    "1006=Fundort\r\n";

void AddSample(results::FindingKind kind, const std::string& spy, const std::string& item, const std::string& tip,
               bool checked, const std::string& replace = {}) {
    results::Finding f;
    f.kind = kind;
    f.SpyType = spy;
    f.spyItem = item;
    f.ItemToolTip = tip;
    f.ItemReplace = replace;
    f.Checked = checked;
    results::Findings().Add(f);
}

void SampleFindings() {
    using K = results::FindingKind;
    AddSample(K::Process, "CoolWebSearch", "C:\\windows\\system32\\cwsbho.exe", "1234", true);
    AddSample(K::File, "CoolWebSearch", "C:\\windows\\system32\\cwsbho.exe", "C:\\windows\\system32\\cwsbho.exe", true);
    AddSample(K::Folder, "Gator", "C:\\Program Files\\Gator", "C:\\Program Files\\Gator", true);
    AddSample(K::RegKey, "Xupiter", "Software\\Xupiter", "HKEY_LOCAL_MACHINE\\Software\\Xupiter", true);
    AddSample(K::RegValue, "Claria", "cmesys", "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run",
              true);
    AddSample(K::RegData, "CoolWebSearch", "Start Page",
              "HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer\\Main", false, "about:blank");
    AddSample(K::Cookie, "doubleclick", "C:\\users\\me\\Cookies\\me@doubleclick[1].txt", "", true);
    AddSample(K::HostsEntry, "127.0.0.1", "www.example-search.com", "", false);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    const std::string which = __argc > 1 ? __argv[1] : "results";
    const int seconds = __argc > 2 ? std::atoi(__argv[2]) : 6;
    base::InstallErrorLog();
    app::InstallLinks();
    modEncryption::LoadEncryption();
    char tmp[MAX_PATH];
    GetTempPathA(MAX_PATH, tmp);
    const std::string scratch = std::string(tmp) + "corvane-results-demo";
    CreateDirectoryA(scratch.c_str(), nullptr);
    gb_backupPath = scratch + "\\BackUp";
    CreateDirectoryA(gb_backupPath.c_str(), nullptr);
    SetTimer(nullptr, 0, static_cast<UINT>(seconds) * 1000, &Quit);

    if (which == "results" || which == "results-sorted") {
        frmResultBackup.Load();
        SampleFindings();
        frmResultBackup.SpyListView.Refresh();
        frmResultBackup.SpyListView.Select(2);
        frmResultBackup.SpyListView_Click();
        frmResultBackup.Show(ui::vbModeless);
        if (which == "results-sorted") {
            frmResultBackup.SpyListView_ColumnClick(2);  // descending by the spy name
            frmResultBackup.SpyListView_ColumnClick(2);  // and back: ascending
        }
    } else if (which == "backupname") {
        frmBackupName.Load();
        frmBackupName.flash.SetVariable("_root.backup_txt.text", "before removal");
        frmBackupName.Show(ui::vbModeless);
    } else {
        frmMain.Load();
        frmMain.Show(ui::vbModeless);
        if (which == "ignore" || which == "ignore-german") {
            if (which == "ignore-german") {
                CreateDirectoryA(modMain::FullPath_With_Filename("Language").c_str(), nullptr);
                const std::string pack = modMain::FullPath_With_Filename("Language\\DemoGerman.ini");
                HANDLE f = CreateFileA(pack.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
                DWORD written = 0;
                WriteFile(f, kGermanPack, sizeof kGermanPack - 1, &written, nullptr);
                CloseHandle(f);
                gb_languageFile = "DemoGerman.ini";
            }
            results::RewriteKeepList(scratch + "\\ignorelist.ign",
                                     {{"Malware File", "C:\\Program Files\\Tool\\helper.exe", "Hotbar"},
                                      {"Tracking Cookie", "C:\\users\\me\\Cookies\\me@atdmt[2].txt", "atdmt"},
                                      {"Malware RegKey", "Software\\Classes\\CLSID\\{00000000-1111}", "Xupiter"}});
            CopyFileA((scratch + "\\ignorelist.ign").c_str(), modMain::FullPath_With_Filename("ignorelist.ign").c_str(),
                      FALSE);
            frmIgnore.Load();
            frmIgnore.Show(ui::vbModeless);
        } else if (which == "backups") {
            for (const char* n : {"before-removal", "12-7-2026_10-43-15-PM"})
                CreateDirectoryA((gb_backupPath + "\\" + n).c_str(), nullptr);
            frmBackup.Load();
            frmBackup.FillBackupList();
            frmBackup.Show(ui::vbModeless);
        } else {
            gb_totalSpyFilesRemoved = 3, gb_totalSpyFoldersRemoved = 1, gb_totalSpyRegistryKeysRemoved = 2;
            gb_totalSpyCookiesRemoved = 0, gb_totalSpyMemProcessRemoved = 4, gb_totalSpywareFound = 12;
            frmResults.Load();
            frmResults.Show(ui::vbModeless);
        }
    }
    ui::RunMessageLoop();
    DeleteFileA(modMain::FullPath_With_Filename("ignorelist.ign").c_str());
    DeleteFileA(modMain::FullPath_With_Filename("Language\\DemoGerman.ini").c_str());
    return 0;
}
