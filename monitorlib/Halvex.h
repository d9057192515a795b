#pragma once
// Halvex.dll, the change monitor: watches folders and registry keys on worker threads and reports each
// change to a window as the text "<path> changes" (WM_SETTEXT). Callers load it by name; both exports
// are cdecl. The thread that calls the exports must run a message loop: the texts reach the window
// through that thread's queue.
#include <windows.h>

namespace halvex {

// kind: 0 = registry key below root; 1 = folder, one watch per path; any other value = folder without
// the duplicate test. What the caller sees:
// - 0: nothing was started and no text will come (path NULL or longer than 251 characters, or the
//   system could not start a worker).
// - A duplicate (kind 1: the path is watched; kind 0: the path is watched under root, or under any
//   root when root is 0): err15 / err14 was sent to window during the call, and the result is the
//   window's answer to that WM_SETTEXT. A text box answers 1, the same as a first watch's count.
// - Otherwise the watch was started and the result is the new number of watches of its sort (folder
//   or key), even when the watch cannot work: an empty or missing folder, a key that cannot be
//   opened (missing, or a NULL, bogus or missing root key). Such a watch ends at once; its err12 /
//   err10 reaches window only after StartMonitor has returned, once this thread pumps messages, and
//   by then the watch is no longer listed (not counted, no duplicate of a new start).
// So a result other than 0 does not tell that the place is watched; the texts do.
using StartMonitorProc = int(__cdecl*)(const char* path, HWND window, int kind, HKEY root);
// kind other than 0 stops the latest folder watch of path; kind 0 the latest key watch of path under
// root (root 0: under any root). No text of the stopped watch arrives after it returns.
using StopMonitorProc = void(__cdecl*)(const char* path, int kind, HKEY root);

inline constexpr char kDllName[] = "Halvex.dll";
inline constexpr WORD kStartMonitorOrdinal = 1;
inline constexpr WORD kStopMonitorOrdinal = 2;

}  // namespace halvex
