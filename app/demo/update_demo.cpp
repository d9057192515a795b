// Shows the download window fetching a file from a slow local server for a few seconds, then
// closes. Used by scripts/screenshot update to take a picture of the window mid-transfer.
//   update_demo.exe [seconds]
// The program folder is this executable's folder, or CORVANE_PROGRAM_FOLDER.
#include <windows.h>

#include <cstdlib>
#include <string>

#include "downloader/tests/TestServer.h"
#include "shell/frmMain.h"
#include "shell/frmUpdate.h"
#include "ui/MessageLoop.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    const int seconds = __argc > 1 ? std::atoi(__argv[1]) : 8;
    testing_support::TestServer server;
    testing_support::Route slow;
    slow.body = testing_support::PatternBytes(3 * 1024 * 1024 + 123456);
    slow.trickleBytes = 16 * 1024;
    slow.trickleDelayMs = 25;
    server.Set("/updates/defs.dat", slow);
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    frmMain.Load();
    frmUpdate.OpenUpdateWindow();
    frmUpdate.ExecuteDownload(server.Url("/updates/defs.dat"), std::string(temp) + "corvane-demo-defs.dat");
    ui::PumpFor(static_cast<DWORD>(seconds) * 1000);
    frmUpdate.StopDown();
    frmUpdate.Unload();
    frmMain.Unload();
    DeleteFileA((std::string(temp) + "corvane-demo-defs.dat").c_str());
    return 0;
}
