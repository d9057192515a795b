#pragma once
// The worker threads, one per watch. Each takes its MonitorEntry, which outlives it: the entry is freed
// only after the thread has ended. A worker ends when the entry's stop event is set or after an error.
#include <windows.h>

namespace halvex {

DWORD WINAPI FolderWatchThread(void* entry);
DWORD WINAPI RegistryWatchThread(void* entry);

}  // namespace halvex
