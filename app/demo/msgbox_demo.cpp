// Shows the skinned message box with a title and a text for a few seconds, then presses OK.
// Used by scripts/screenshot msgbox to take a picture of the box.
//   msgbox_demo.exe "<title>" "<text>" [seconds] [ok]
// The program folder is this executable's folder, or CORVANE_PROGRAM_FOLDER.
#include <windows.h>

#include <cstdlib>
#include <string>

#include "app/Links.h"
#include "base/ErrorLog.h"
#include "shell/frmMain.h"
#include "shell/frmMsgBox.h"

namespace {
void CALLBACK PressOk(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    frmMsgBox.flash.InjectCommand("IDC_FS_OK");
}
}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    const std::string title = __argc > 1 ? __argv[1] : "Corvane";
    const std::string text = __argc > 2 ? __argv[2] : "Remove the selected components from your system?";
    const int seconds = __argc > 3 ? std::atoi(__argv[3]) : 6;
    const bool okOnly = __argc > 4 && std::string(__argv[4]) == "ok";
    base::InstallErrorLog();
    app::InstallLinks();
    frmMain.Load();
    SetTimer(nullptr, 0, static_cast<UINT>(seconds) * 1000, &PressOk);
    const long result = okOnly ? frmMsgBox.msgboxOK(text, title) : frmMsgBox.msgbox(text, title);
    frmMsgBox.Unload();
    frmMain.Unload();
    return static_cast<int>(result);
}
