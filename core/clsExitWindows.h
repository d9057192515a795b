#pragma once
// Log off, shut down, restart or power off, forced.
#include <windows.h>

#include <functional>

#undef ExitWindows  // winuser.h's macro; ours is a member

class clsExitWindows {
public:
    // 0 log off, 1 shut down, 2 restart, 8 power off (all forced); any other option does nothing.
    void ExitWindows(long option);

    // What the class asks of the system; tests replace both so the machine stays up.
    struct System {
        std::function<void()> enableShutdownPrivilege;
        std::function<BOOL(UINT flags, DWORD reason)> exitWindowsEx;
    };
    static System RealSystem();
    static void SetSystem(const System& system);  // RealSystem() puts the real one back

private:
    void EnableShutdownPrivilege();
};
