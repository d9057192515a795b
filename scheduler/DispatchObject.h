#pragma once
// Common base of the library's objects: reference counting that the module count follows,
// ISupportErrorInfo, and IDispatch served from the embedded type library, so that a script
// reaches every member by name.
#include <oaidl.h>
#include <windows.h>

#include "base/ComPtr.h"
#include "scheduler/Errors.h"
#include "scheduler/Module.h"

namespace vornak {

// The vtable type information (TKIND_INTERFACE) of one of the library's dual interfaces,
// read from the type library inside this module; `dispatchView` gives the TKIND_DISPATCH one.
HRESULT LoadLibraryTypeInfo(const IID& iid, bool dispatchView, ITypeInfo** out);

template <class Iface>
class DispatchObject : public Iface, public ISupportErrorInfo {
public:
    DispatchObject(const DispatchObject&) = delete;
    DispatchObject& operator=(const DispatchObject&) = delete;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == __uuidof(Iface)) {
            *out = static_cast<Iface*>(this);
        } else if (riid == IID_ISupportErrorInfo) {
            *out = static_cast<ISupportErrorInfo*>(this);
        } else {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
    ULONG STDMETHODCALLTYPE Release() override {
        LONG left = InterlockedDecrement(&refs_);
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }

    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (index != 0) return DISP_E_BADINDEX;
        return LoadLibraryTypeInfo(__uuidof(Iface), true, out);
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
        HRESULT hr = EnsureTypeInfo();
        if (FAILED(hr)) return hr;
        return DispGetIDsOfNames(typeInfo_.get(), names, count, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO* exception, UINT* argError) override {
        if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
        HRESULT hr = EnsureTypeInfo();
        if (FAILED(hr)) return hr;
        hr = DispInvoke(static_cast<Iface*>(this), typeInfo_.get(), id, flags, params, result, exception, argError);
        // An argument too wide for its 16-bit parameter is the runtime's Overflow, as it is for the
        // members that narrow a 32-bit value themselves.
        if (hr == DISP_E_OVERFLOW) return ReportArgumentOverflow(__uuidof(Iface), source_, exception);
        return hr;
    }

    // ISupportErrorInfo
    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID riid) override {
        return riid == __uuidof(Iface) ? S_OK : S_FALSE;
    }

    // This object as its interface, with a reference for the caller.
    Iface* NewReference() {
        AddRef();
        return static_cast<Iface*>(this);
    }

protected:
    // `source`: the class's name in the errors it raises.
    explicit DispatchObject(const wchar_t* source) : source_(source) { ObjectCreated(); }
    virtual ~DispatchObject() { ObjectDestroyed(); }

    // Runs a member's body behind the error fence.
    template <class Body>
    HRESULT Member(Body&& body) {
        return Fence(__uuidof(Iface), source_, body);
    }

private:
    HRESULT EnsureTypeInfo() {
        if (typeInfo_) return S_OK;
        return LoadLibraryTypeInfo(__uuidof(Iface), false, typeInfo_.put());
    }

    const wchar_t* source_;
    LONG refs_ = 1;
    base::ComPtr<ITypeInfo> typeInfo_;  // loaded on the first late-bound call only
};

// A fresh object of one of the classes, owned by the returned reference.
template <class T>
base::ComPtr<T> MakeObject() {
    return base::ComPtr<T>::Adopt(new T());
}

}  // namespace vornak
