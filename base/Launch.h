#pragma once
// Starting another program: one CreateProcessA road for the program's own launches (regsvr32,
// the registry editor, the scheduler's service) and the tests'.
#include <windows.h>

#include <string>

namespace base {

struct Launched {
    bool started = false;   // the program could be started
    bool finished = false;  // it ended within the wait
    DWORD exitCode = static_cast<DWORD>(-1);
    DWORD error = 0;  // the system's error when it could not be started
};

// Starts commandLine (no handles inherited; its window shown as show, SW_SHOWDEFAULT leaving it to
// the program) and waits up to waitMs for it to end; 0 does not wait.
Launched Launch(const std::string& commandLine, DWORD waitMs, WORD show = SW_SHOWDEFAULT);

// Launch that waits, as an exit code: -1 when the program could not start or did not end in time.
int RunAndWait(const std::string& commandLine, DWORD waitMs = 60000);

}  // namespace base
