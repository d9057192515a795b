#pragma once
// The server's module state: its instance handle and the count that DllCanUnloadNow reads.
#include <windows.h>

#include <string>

namespace vornak {

extern HINSTANCE g_module;

void ObjectCreated();  // every live object of the library counts
void ObjectDestroyed();
void LockModule(bool lock);  // IClassFactory::LockServer
bool CanUnload();

std::string ModulePath();    // full path of Vornak.dll
std::wstring ModulePathW();  // the same, for the OLE functions that take wide text

}  // namespace vornak
