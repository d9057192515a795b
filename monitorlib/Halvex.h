#pragma once
// Halvex.dll, the change monitor: watches folders and registry keys on worker threads and reports each
// change to a window as the text "<path> changes" (WM_SETTEXT). Callers load it by name; both exports
// are cdecl. The thread that calls the exports must run a message loop: the texts reach the window
// through that thread's queue.
#include <windows.h>

namespace halvex {

// kind: 0 = registry key below root; 1 = folder, one watch per path; any other value = folder without
// the duplicate test. Returns the new number of watches of that sort, the result of the send that
// delivered the duplicate error, or 0 when no watch was started.
using StartMonitorProc = int(__cdecl*)(const char* path, HWND window, int kind, HKEY root);
// kind other than 0 stops the latest folder watch of path; kind 0 the latest key watch of path under
// root (root 0: under any root). No text of the stopped watch arrives after it returns.
using StopMonitorProc = void(__cdecl*)(const char* path, int kind, HKEY root);

inline constexpr char kDllName[] = "Halvex.dll";
inline constexpr WORD kStartMonitorOrdinal = 1;
inline constexpr WORD kStopMonitorOrdinal = 2;

}  // namespace halvex
