#pragma once
// Halvex.dll as the guards use it: loaded by name from the program folder at the first call and kept
// loaded until the last guard stops (its workers hold their own references while they end).
#include <windows.h>

#include <string>

namespace monitors::halvex_client {

inline constexpr char kHalvexDll[] = "Halvex.dll";

// Throw base::RuntimeError 53 ("File not found: Halvex.dll") when the library is missing, and 453
// ("Can't find DLL entry point ...") when an export is.
int StartMonitor(const std::string& path, HWND window, int kind, HKEY root);
void StopMonitor(const std::string& path, int kind, HKEY root);

// Drops the program's reference to the library; the next call loads it again.
void Release();

}  // namespace monitors::halvex_client
