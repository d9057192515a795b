// Tessiv.exe: the delayed start-up of Corvane at log-on. No window; what goes wrong goes to the
// program's error log.
#include <windows.h>

#include "base/ErrorLog.h"
#include "launcher/Launcher.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR cmdLine, int) {
    base::InstallErrorLog();
    try {
        return launcher::Run(cmdLine != nullptr ? cmdLine : "");
    } catch (...) {
        base::LogErrorLine("0", "the launcher failed", "Method: WinMain");
        return 1;
    }
}
