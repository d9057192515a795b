#include "scheduler/DispatchObject.h"

#include <string>

namespace vornak {

namespace {

HRESULT LoadTypeInfo(const IID& iid, bool dispatchView, ITypeInfo** out) {
    std::wstring path = ModulePathW();
    if (path.empty()) return HRESULT_FROM_WIN32(GetLastError() ? GetLastError() : ERROR_MOD_NOT_FOUND);
    base::ComPtr<ITypeLib> library;
    HRESULT hr = LoadTypeLibEx(path.c_str(), REGKIND_NONE, library.put());
    if (FAILED(hr)) return hr;
    base::ComPtr<ITypeInfo> info;
    hr = library->GetTypeInfoOfGuid(iid, info.put());
    if (FAILED(hr)) return hr;
    if (!dispatchView) {
        // A dual interface comes as its dispatch view; the calls go through the vtable one.
        TYPEATTR* attr = nullptr;
        hr = info->GetTypeAttr(&attr);
        if (FAILED(hr)) return hr;
        bool dualDispatch = attr->typekind == TKIND_DISPATCH && (attr->wTypeFlags & TYPEFLAG_FDUAL);
        info->ReleaseTypeAttr(attr);
        if (dualDispatch) {
            HREFTYPE vtableRef = 0;
            hr = info->GetRefTypeOfImplType(static_cast<UINT>(-1), &vtableRef);
            if (FAILED(hr)) return hr;
            base::ComPtr<ITypeInfo> vtableInfo;
            hr = info->GetRefTypeInfo(vtableRef, vtableInfo.put());
            if (FAILED(hr)) return hr;
            info = vtableInfo;
        }
    }
    *out = info.detach();
    return S_OK;
}

}  // namespace

HRESULT LoadLibraryTypeInfo(const IID& iid, bool dispatchView, ITypeInfo** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    try {
        return LoadTypeInfo(iid, dispatchView, out);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

}  // namespace vornak
