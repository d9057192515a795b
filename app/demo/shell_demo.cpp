// Shows one window of the shell for a few seconds, for scripts/screenshot to take its picture.
//   shell_demo.exe <options|newpassword|enterpassword|about|menu|scannow|customselect|info|splash> [arg] [seconds]
// For "options" the argument is the tab (1 to 6). The program folder is this executable's
// folder, or CORVANE_PROGRAM_FOLDER.
#include <windows.h>

#include <cstdlib>
#include <string>

#include "app/Links.h"
#include "base/ErrorLog.h"
#include "core/Globals.h"
#include "core/SettingsStore.h"
#include "core/modMain.h"
#include "definitions/StringCipher.h"
#include "shell/AppVersion.h"
#include "shell/frmAbout.h"
#include "shell/frmCustomSelect.h"
#include "shell/frmEnterPassword.h"
#include "shell/frmMain.h"
#include "shell/frmMenu.h"
#include "shell/frmOptions.h"
#include "shell/frmScanNow.h"
#include "shell/frminfo.h"
#include "ui/MessageLoop.h"

namespace {

void CALLBACK Quit(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    PostQuitMessage(0);
}

// The options as a first start leaves them.
void DefaultOptions() {
    gb_deleteAfterReboot = gb_markChecked = gb_showPopup = gb_playSounds = true;
    gb_spywareAdware = gb_keyLoggers = gb_scanBHO = gb_trojans = gb_dialers = gb_allCookies = true;
    gb_scanRestoreFolder = gb_scanAllUserAccounts = gb_useSplash = true;
    gb_numberDays = 10;
    gb_scanLogFile = modMain::FullPath_With_Filename("logs\\ScanLog10-12-26_1.log");
    gb_backupPath = modMain::FullPath_With_Filename("BackUp");
    gb_definitionsPath = modMain::FullPath_With_Filename("defs.dat");
    gb_proxPort = "8080";
    gb_proxServer = "proxy.example";
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    const std::string which = __argc > 1 ? __argv[1] : "menu";
    const std::string arg = __argc > 2 ? __argv[2] : "";
    const int seconds = __argc > 3 ? std::atoi(__argv[3]) : 6;
    base::InstallErrorLog();
    app::InstallLinks();
    modEncryption::LoadEncryption();
    DefaultOptions();
    gb_languageFile = "English.ini";
    SetTimer(nullptr, 0, static_cast<UINT>(seconds) * 1000, &Quit);

    if (which == "newpassword" || which == "enterpassword") {
        frmEnterPassword.Load();
        frmEnterPassword.flash.GotoFrame(which == "newpassword" ? 3 : 4);
        frmEnterPassword.Show(ui::vbModeless);
    } else if (which == "splash") {
        frmMain.Splash.SetVersion("Version " + std::to_string(appVersion::kMajor) + "." +
                                  std::to_string(appVersion::kMinor));
        frmMain.Splash.LoadFile(modMain::FullPath_With_Filename("Corvane.spl"));
        frmMain.Splash.ShowSplash(0);
    } else if (which == "info") {
        frmMain.Skin.LoadSkin(modMain::FullPath_With_Filename("\\Skin\\Corvane.skn"));
        frminfo.Load();
        frminfo.lblprogname.SetCaption("Example Photo Studio");
        frminfo.lblpub.SetCaption("Example Software Ltd.");
        frminfo.lblprogver.SetCaption("4.2.1 (build 77)");
        frminfo.flash.SetVariable("_root.progname", frminfo.lblprogname.Caption());
        frminfo.flash.SetVariable("_root.publisher", frminfo.lblpub.Caption());
        frminfo.flash.SetVariable("_root.version", frminfo.lblprogver.Caption());
        frminfo.Show(ui::vbModeless);
    } else {
        frmMain.Load();
        frmMain.Show(ui::vbModeless);
        if (which == "options") {
            frmOptions.launcher = [](const std::string&) {};  // no regsvr32 for a picture
            frmOptions.ConfigTab = arg.empty() ? 1 : std::atoi(arg.c_str());
            frmOptions.Load();
            frmOptions.Show(ui::vbModeless);
        } else if (which == "about") {
            frmAbout.Load();
            frmAbout.Show(ui::vbModeless);
        } else if (which == "scannow") {
            frmScanNow.Load();
            frmScanNow.ShowHint("1005");
            frmScanNow.Show(ui::vbModeless);
        } else if (which == "customselect") {
            frmCustomSelect.Load();
            frmCustomSelect.runMe();
            frmCustomSelect.Show(ui::vbModeless);
        } else {
            settings::SaveSetting("Statistics", "NUMBER OF SCANS", "4");
            settings::SaveSetting("Statistics", "NUMBER OF OBJECTS", "17");
            settings::SaveSetting("Statistics", "LAST SCAN DATE", "Dec 09, 2026 @ 21:14:03");
            frmMenu.Load();
            frmMenu.runMe();
            frmMenu.Show(ui::vbModeless);
        }
    }
    ui::RunMessageLoop();
    return 0;
}
