// cm.dll's exports: the class object, the unload test and the registration of the extension for
// folders and drives.
#include <olectl.h>
#include <windows.h>

#include <new>
#include <string>

#include "base/ComPtr.h"
#include "contextmenu/ContextMenu.h"
#include "contextmenu/Registration.h"

namespace {
HMODULE g_module = nullptr;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

extern "C" HRESULT WINAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualCLSID(clsid, cm::kClsid)) return CLASS_E_CLASSNOTAVAILABLE;
    const auto factory = base::ComPtr<cm::Factory>::Adopt(new (std::nothrow) cm::Factory);
    if (!factory) return E_OUTOFMEMORY;
    return factory->QueryInterface(riid, ppv);
}

extern "C" HRESULT WINAPI DllCanUnloadNow() { return cm::InUse() ? S_FALSE : S_OK; }

extern "C" HRESULT WINAPI DllRegisterServer() {
    try {
        char path[MAX_PATH * 2] = {};
        const DWORD n = GetModuleFileNameA(g_module, path, sizeof path);
        if (n == 0 || n >= sizeof path) return SELFREG_E_CLASS;
        return cm::Register(path) ? S_OK : SELFREG_E_CLASS;
    } catch (...) {
        return SELFREG_E_CLASS;
    }
}

extern "C" HRESULT WINAPI DllUnregisterServer() {
    try {
        return cm::Unregister() ? S_OK : SELFREG_E_CLASS;
    } catch (...) {
        return SELFREG_E_CLASS;
    }
}
