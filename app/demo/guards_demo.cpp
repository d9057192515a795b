// Shows one of the guards' windows for a few seconds, then closes. Used by scripts/screenshot.
//   guards_demo.exe popup|alerts|message [seconds]
// The program folder is this executable's folder, or CORVANE_PROGRAM_FOLDER; the alerts panel reads a
// sample alert store from a temporary program folder of its own, so the real one is never touched.
#include <windows.h>

#include <cstdlib>
#include <string>

#include "base/ProgramFolder.h"
#include "base/TextFile.h"
#include "monitors/AlertStore.h"
#include "monitors/QuotedRecords.h"
#include "shell/frmAlerts.h"
#include "shell/frmMain.h"
#include "shell/frmMessage.h"
#include "shell/frmPopup.h"
#include "ui/MessageLoop.h"

namespace {

// A program folder in %TEMP% with the files the windows read, and a sample alert store.
std::string SampleFolder() {
    const std::string from = base::ProgramFolder();
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string folder = std::string(temp) + "corvane-guards-demo";
    CreateDirectoryA(folder.c_str(), nullptr);
    CreateDirectoryA((folder + "\\Skin").c_str(), nullptr);
    CreateDirectoryA((folder + "\\Language").c_str(), nullptr);
    for (const char* f : {"Popupwin.scw", "alerts.scw", "Skin\\Corvane.skn", "Language\\English.ini"})
        CopyFileA((from + "\\" + f).c_str(), (folder + "\\" + f).c_str(), FALSE);
    std::string store;
    for (const monitors::Fields& f : std::initializer_list<monitors::Fields>{
             {"Startup Registry Guard", "SysHelper", "C:\\WINDOWS\\system32\\syshlp.exe /s",
              "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\Currentversion\\Run"},
             {"Startup File Guard", "Updater.lnk", "C:\\Program Files\\Free Updater\\upd.exe",
              "C:\\users\\demo\\Start Menu\\Programs\\Startup\\Updater.lnk"},
             {"IE Favorites Guard", "Cheap Pills.url", "http://pills.example/",
              "C:\\users\\demo\\Favorites\\Cheap Pills.url"},
             {"IE Hijack Guard", "Start Page", "http://search-hijack.example/",
              "Software\\Microsoft\\Internet Explorer\\Main"},
             {"IE BHO Guard", "BHO Key", "{6E0C1A37-4C8D-4E1B-9F42-3A1D5B7C9E01}",
              "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Browser Helper Objects"}})
        store += monitors::QuotedRecord(f);
    base::WriteText(folder + "\\" + monitors::kAlertStoreFile, store);
    return folder;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    const std::string which = __argc > 1 ? __argv[1] : "popup";
    const int seconds = __argc > 2 ? std::atoi(__argv[2]) : 6;
    base::SetProgramFolderOverride(SampleFolder());
    if (which == "alerts") {
        frmAlerts.SetBorderStyle(ui::BorderStyle::Fixed);
        frmAlerts.Load();
        frmAlerts.lstAlerts.ListItems(1).Checked = true;
        frmAlerts.lstAlerts.ListItems(4).Checked = true;
        frmAlerts.lstAlerts.Select(4);
        frmAlerts.lstAlerts_Click();
        frmAlerts.Show();
    } else if (which == "message") {
        frmMessage.SetBorderStyle(ui::BorderStyle::Fixed);
        frmMessage.Show();
    } else {
        frmPopup.Load();
        frmPopup.DisplayAlert("Startup Registry Guard Alert", seconds * 1000, nullptr);
    }
    ui::PumpFor(static_cast<DWORD>(seconds) * 1000);
    frmPopup.Unload();
    frmAlerts.Unload();
    frmMessage.Unload();
    return 0;
}
