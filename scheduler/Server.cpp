// The in-process server's entry points and the class factory of Schedule, the one creatable
// class.
#include <olectl.h>
#include <windows.h>

#include <new>

#include "TaskScheduler.h"
#include "base/ComPtr.h"
#include "scheduler/Module.h"
#include "scheduler/Registration.h"
#include "scheduler/Schedule.h"

namespace vornak {
namespace {

class ScheduleFactory : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IClassFactory) {
            *out = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    // The factory is a static object: its references keep nothing alive, LockServer does.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        auto schedule = base::ComPtr<Schedule>::Adopt(new (std::nothrow) Schedule());
        if (!schedule) return E_OUTOFMEMORY;
        HRESULT hr = schedule->Initialize();
        if (SUCCEEDED(hr)) hr = schedule->QueryInterface(riid, out);
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        LockModule(lock != FALSE);
        return S_OK;
    }
};

ScheduleFactory g_factory;

}  // namespace
}  // namespace vornak

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        vornak::g_module = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID riid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (clsid != CLSID_Schedule) return CLASS_E_CLASSNOTAVAILABLE;
    return vornak::g_factory.QueryInterface(riid, out);
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() { return vornak::CanUnload() ? S_OK : S_FALSE; }

// Registration builds its key names in strings: nothing it throws may leave the export.
extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
    try {
        return vornak::RegisterServer();
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() {
    try {
        return vornak::UnregisterServer();
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}
