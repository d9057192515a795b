#pragma once
// Self-registration: the creatable class with its ProgID and threading model, the type
// library and, through it, the interfaces.
#include <windows.h>

namespace vornak {

HRESULT RegisterServer();
HRESULT UnregisterServer();

}  // namespace vornak
