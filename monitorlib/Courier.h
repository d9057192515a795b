#pragma once
// The courier: a message-only window on the thread that calls the exports. Workers post to it and it
// hands their texts to the receiving window on that thread, so a worker never blocks on the receiver and
// a stop on that thread never has to wait for the receiver. A text whose watch was stopped before the
// courier got to it is dropped there.
#include <windows.h>

namespace halvex {

// wParam: the watch's id; lParam: 0 for a change, else the number of the error that ended the watch.
inline constexpr UINT kCourierMessage = WM_APP + 0x4A1;

enum WatchError : int {
    kCantOpenKey = 10,
    kKeyRequestFailed = 11,
    kFolderHandleFailed = 12,
    kFolderRequestFailed = 13,
};

void SetThisModule(HMODULE module);
HMODULE ThisModule();

// The courier of the calling thread, created on first use; nullptr when it cannot be made.
HWND AcquireCourier();
// Destroys the courier (and its class) once no watch needs it.
void ReleaseCourier();

// Called on the courier's thread for each message a worker posted.
void OnCourierMessage(unsigned id, int error);

}  // namespace halvex
