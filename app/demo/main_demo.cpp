// Shows the main window on one page of its movie with sample figures, for scripts/screenshot.
//   main_demo.exe <frame> [seconds]
// The program folder is this executable's folder, or CORVANE_PROGRAM_FOLDER.
#include <windows.h>

#include <cstdlib>
#include <string>

#include "app/Links.h"
#include "base/ErrorLog.h"
#include "core/modMain.h"
#include "shell/frmMain.h"
#include "ui/MessageLoop.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    const long frame = __argc > 1 ? std::atol(__argv[1]) : 0;
    const int seconds = __argc > 2 ? std::atoi(__argv[2]) : 6;
    base::InstallErrorLog();
    app::InstallLinks();
    frmMain.Load();
    frmMain.flash.Move(0, -2, 633, 452);
    frmMain.flash.LoadMovie(0, modMain::FullPath_With_Filename("corvane.scw"));
    frmMain.FrameMain.SetVisible(false);
    frmMain.flash.ZOrder(0);
    auto& f = frmMain.flash;
    f.SetVariable("_root.LastSystemScan", "12/10/2026 09:41");
    f.SetVariable("_root.NumberOfScans", "14");
    f.SetVariable("_root.NumberOfObjectsRemoved", "37");
    f.SetVariable("_root.LastUpdateOn", "12/09/2026");
    frmMain.setDrivesToFlash();
    for (const char* v : {"_root.Options_GO_SA", "_root.Options_GO_SP", "_root.Options_SO_SB", "_root.Options_SO_SC",
                          "_root.Options_IO_SWDB"})
        f.SetVariable(v, "1");
    for (auto [v, n] : {std::pair{"_root.MMPKS", "1"},
                        {"_root.MRKRS", "6"},
                        {"_root.MCRS", "4"},
                        {"_root.MFRS", "3"},
                        {"_root.RMFRS", "1"},
                        {"_root.TMF", "15"}})
        f.SetVariable(v, n);
    f.SetVariable("_root.NumberOfBackup", "2");
    f.SetVariable("_root.BackupString", "Backup 12-10-2026|12/10/2026|Before removal|11/28/2026|");
    f.SetVariable("_root.BackupListener", "1");
    f.SetVariable("_root.NumberOfIgnoreList", "1");
    f.SetVariable("_root.IgnoreListString", "Tracking Cookie|cookie:user@ads.example|AdTracker|");
    f.SetVariable("_root.IgnoreListListener", "1");
    f.SetVariable("_root.NumberOfAlert", "2");
    f.SetVariable("_root.AlertString",
                  "Startup Guard|HKCU Run: Updater|12/10/2026|New|IE Hijack Guard|Start Page|12/10/2026|Changed|");
    f.SetVariable("_root.AlertListener", "1");
    frmMain.flash_FSCommand("IDC_FS_ABOUT", "");  // the version line, as the program sets it
    f.GotoFrame(frame);
    frmMain.Show();
    ui::PumpFor(static_cast<DWORD>(seconds) * 1000);
    frmMain.Unload();
    return 0;
}
