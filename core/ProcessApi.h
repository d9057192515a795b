#pragma once
// The two routes to the process list, bound by name at first use: psapi.dll is missing on
// Windows 95, 98 and Me, and the tool-help functions on NT 4.0. A function the system lacks is
// null.
// clang-format off
#include <windows.h>
#include <tlhelp32.h>
// clang-format on

namespace processApi {

struct Psapi {
    BOOL(WINAPI* enumProcesses)(DWORD*, DWORD, DWORD*) = nullptr;
    BOOL(WINAPI* enumProcessModules)(HANDLE, HMODULE*, DWORD, DWORD*) = nullptr;
    DWORD(WINAPI* getModuleBaseName)(HANDLE, HMODULE, LPSTR, DWORD) = nullptr;
    DWORD(WINAPI* getModuleFileNameEx)(HANDLE, HMODULE, LPSTR, DWORD) = nullptr;
};
const Psapi& PsapiFunctions();

struct ToolHelp {
    HANDLE(WINAPI* createSnapshot)(DWORD, DWORD) = nullptr;
    BOOL(WINAPI* first)(HANDLE, PROCESSENTRY32*) = nullptr;
    BOOL(WINAPI* next)(HANDLE, PROCESSENTRY32*) = nullptr;
    BOOL(WINAPI* queryImageName)(HANDLE, DWORD, LPSTR, PDWORD) = nullptr;
};
const ToolHelp& ToolHelpFunctions();

}  // namespace processApi
