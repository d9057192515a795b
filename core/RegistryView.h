#pragma once
// The registry view that reaches the machine's own keys: a 32-bit build running on 64-bit
// Windows asks for the 64-bit view; everywhere else no flag is added (Windows 95 to 2000 do
// not know it).
#include <windows.h>

namespace regview {

REGSAM Native();
// RegDeleteKeyA in the native view (RegDeleteKeyExA under WoW64).
LONG DeleteKey(HKEY parent, const char* subKey);

}  // namespace regview
