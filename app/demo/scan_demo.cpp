// Shows the scanning window for a few seconds, for scripts/screenshot to take its picture.
//   scan_demo.exe <mid|end> [seconds]
// "mid" shows it as a full scan's file walk leaves it; "end" runs a folder scan of an empty
// temporary folder and shows the finished window.
#include <windows.h>

#include <cstdlib>
#include <string>

#include "app/Links.h"
#include "base/ErrorLog.h"
#include "definitions/StringCipher.h"
#include "shell/frmScanSpy.h"
#include "ui/MessageLoop.h"

namespace {
void CALLBACK Quit(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    PostQuitMessage(0);
}
}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    const std::string which = __argc > 1 ? __argv[1] : "mid";
    const int seconds = __argc > 2 ? std::atoi(__argv[2]) : 6;
    base::InstallErrorLog();
    app::InstallLinks();
    modEncryption::LoadEncryption();
    SetTimer(nullptr, 0, static_cast<UINT>(seconds) * 1000, &Quit);
    frmScanSpy.Show(ui::vbModeless);
    if (which == "mid") {
        const std::pair<const char*, const char*> shown[] = {
            {"_root.ScanTitle", "Scanning Files N' Folders"},
            {"_root.ScanningMovie_ScanResult", "C:\\windows\\system32\\drivers\\etc"},
            {"_root.ScanMovie_ProcessesRunning", "14"},
            {"_root.ScanMovie_IMProcesses", "2"},
            {"_root.ScanMovie_IRItems", "8"},
            {"_root.ScanMovie_IFolders", "3"},
            {"_root.ScanMovie_IFiles", "6"},
            {"_root.ScanMovie_MFound", "19"},
            {"_root.ScanMovie_MIgnorList", "1"},
            {"_root.ScanMovie_MNIgnorList", "18"},
            {"_root.ScanMovie_SFolders", "1204"},
            {"_root.ScanMovie_SFiles", "9877"},
            {"_root.ScanMovie_SRItems", "48213"},
            {"_root.ScanMovie_SMProcesses", "3472"},
        };
        for (const auto& [name, value] : shown) frmScanSpy.flash.SetVariable(name, value);
    } else {
        char tmp[MAX_PATH];
        GetTempPathA(MAX_PATH, tmp);
        const std::string empty = std::string(tmp) + "corvane-scan-demo";
        CreateDirectoryA(empty.c_str(), nullptr);
        frmScanSpy.ScanSelectedFolder(empty);
    }
    ui::RunMessageLoop();
    return 0;
}
