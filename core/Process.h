#pragma once
// Running processes: list them by either route, name one, find one by name, end one.
#include <windows.h>

#include <string>
#include <vector>

namespace Process {

// Fills the two parallel lists (element i of both is one process) and returns their length, or
// -1 when the listing failed (both lists are then empty). A non-empty `filter` keeps only names
// that contain it (case-sensitive). usePsapi: true = the process-status functions (names are
// module base names), false = the tool-help snapshot (names as the snapshot gives them: full
// paths on Windows 95, 98 and Me, file names on the NT family).
long GetProcessList(std::vector<std::string>& names, std::vector<DWORD>& ids, const std::string& filter, bool usePsapi);
// Base name of the process's first module; "System Idle Process" for 0 and "System" for 2;
// "unknown" when the modules are listed but the name cannot be read; "" when the process
// cannot be opened or its modules cannot be listed.
std::string GetProcessName(DWORD processId);
// The first listed process whose name equals `name` (compared upper-cased); 0 when none.
DWORD GetProcessID(const std::string& name, bool usePsapi);
// Ends the process with exit code 1. True when it was ended.
bool EndProcess(DWORD processId);

// Full path of the process's executable; "" when it cannot be read.
std::string GetProcessImagePath(DWORD processId);

}  // namespace Process

namespace mdlProcess {

// Ends the process; every failing step writes one error-log entry (method "Err_Dll").
void Kill_Process(DWORD processId);
// One error-log entry: description `message`, number `errorCode`, method "Err_Dll".
void Err_Dll(unsigned long errorCode, const std::string& message, const std::string& moduleName,
             const std::string& procedureName);

}  // namespace mdlProcess
