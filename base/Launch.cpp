#include "base/Launch.h"

#include "base/Handles.h"

namespace base {

Launched Launch(const std::string& commandLine, DWORD waitMs, WORD show) {
    Launched result;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    if (show != SW_SHOWDEFAULT) {
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = show;
    }
    PROCESS_INFORMATION pi{};
    std::string line = commandLine;  // CreateProcessA may write into it
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &pi)) {
        result.error = GetLastError();
        return result;
    }
    result.started = true;
    Handle process(pi.hProcess), thread(pi.hThread);
    if (waitMs != 0 && WaitForSingleObject(process.get(), waitMs) == WAIT_OBJECT_0) {
        result.finished = true;
        GetExitCodeProcess(process.get(), &result.exitCode);
    }
    return result;
}

int RunAndWait(const std::string& commandLine, DWORD waitMs) {
    const Launched run = Launch(commandLine, waitMs);
    return run.finished ? static_cast<int>(run.exitCode) : -1;
}

}  // namespace base
