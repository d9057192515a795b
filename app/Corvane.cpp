// Corvane.exe: wires the program and loads its main window, whose load brings everything up.
#include <windows.h>

#include "app/Links.h"
#include "base/EntryFence.h"
#include "base/ErrorLog.h"
#include "shell/frmMain.h"
#include "ui/MessageLoop.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR cmdLine, int) {
    base::InstallErrorLog();
    return base::FenceEntry("WinMain", "Corvane", [&] {
        app::InstallLinks();
        app::InstallGuards();
        frmMain.RunsProgram = true;
        frmMain.CommandLine = cmdLine != nullptr ? cmdLine : "";
        frmMain.Load();
        return ui::RunMessageLoop();
    });
}
