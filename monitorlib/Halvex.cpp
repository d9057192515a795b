// Halvex.dll: the two exports and the entry point.
#include <windows.h>

#include "monitorlib/Courier.h"
#include "monitorlib/Monitors.h"
#include "monitorlib/OsVersion.h"

extern "C" int __cdecl StartMonitor(const char* path, HWND window, int kind, HKEY root) {
    try {
        return halvex::StartMonitorOn(path, window, kind, root);
    } catch (...) {
        return 0;
    }
}

extern "C" void __cdecl StopMonitor(const char* path, int kind, HKEY root) {
    try {
        halvex::StopMonitorOn(path, kind, root);
    } catch (...) {
        // Nothing may cross the library's C export, and it has no result to carry a failure.
    }
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) halvex::SetThisModule(instance);
    if (reason == DLL_PROCESS_ATTACH || reason == DLL_THREAD_ATTACH) halvex::NoteAttach();
    return TRUE;
}
