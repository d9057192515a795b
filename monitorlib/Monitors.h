#pragma once
// What the two exports do. Both run on the caller's thread (the program's user-interface thread), as do
// the deliveries the courier makes; the lists are touched nowhere else.
#include <windows.h>

namespace halvex {

int StartMonitorOn(const char* path, HWND window, int kind, HKEY root);
void StopMonitorOn(const char* path, int kind, HKEY root);

}  // namespace halvex
