#pragma once
// The platform facts the watchers need: whether this is Windows 95, 98 or Me.
#include <windows.h>

#include <atomic>

namespace halvex {

class OsVersion {
public:
    OsVersion();
    virtual ~OsVersion() = default;
    bool IsWindows95() const { return IsWin9xFamily() && info_.dwMinorVersion == 0; }
    bool IsWindows98() const { return IsWin9xFamily() && info_.dwMinorVersion == 10; }
    bool IsWindowsMe() const { return IsWin9xFamily() && info_.dwMinorVersion == 90; }

private:
    bool IsWin9xFamily() const { return info_.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS; }
    OSVERSIONINFOA info_{};
};

// Set when the library attaches on Windows 95, 98 or Me; never cleared. Workers read it while new
// threads attach.
extern std::atomic<bool> Win9xFlag;
void NoteAttach();

}  // namespace halvex
