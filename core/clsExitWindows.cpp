#include "core/clsExitWindows.h"

#include "base/Handles.h"

namespace {
clsExitWindows::System& Current() {
    static clsExitWindows::System s = clsExitWindows::RealSystem();
    return s;
}

void RealEnableShutdownPrivilege() {
    base::Handle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.put())) return;
    TOKEN_PRIVILEGES tp{};
    tp.PrivilegeCount = 1;
    if (!LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &tp.Privileges[0].Luid)) return;
    tp.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    AdjustTokenPrivileges(token.get(), FALSE, &tp, sizeof tp, nullptr, nullptr);
}
}  // namespace

clsExitWindows::System clsExitWindows::RealSystem() {
    System s;
    s.enableShutdownPrivilege = &RealEnableShutdownPrivilege;
    s.exitWindowsEx = [](UINT flags, DWORD reason) { return ExitWindowsEx(flags, reason); };
    return s;
}

void clsExitWindows::SetSystem(const System& system) { Current() = system; }

void clsExitWindows::EnableShutdownPrivilege() { Current().enableShutdownPrivilege(); }

void clsExitWindows::ExitWindows(long option) {
    EnableShutdownPrivilege();
    UINT flags = 0;
    switch (option) {
        case 0:
            flags = EWX_LOGOFF | EWX_FORCE;
            break;  // 4
        case 1:
            flags = EWX_SHUTDOWN | EWX_FORCE;
            break;  // 5
        case 2:
            flags = EWX_REBOOT | EWX_SHUTDOWN | EWX_FORCE;
            break;  // 7
        case 8:
            flags = EWX_POWEROFF | EWX_FORCE;
            break;  // 12
        default:
            return;
    }
    Current().exitWindowsEx(flags, 0xFFFFFFFF);
}
