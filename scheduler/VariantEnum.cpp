#include "scheduler/VariantEnum.h"

#include "scheduler/Module.h"

namespace vornak {

VariantEnum::VariantEnum(std::vector<base::ComPtr<IDispatch>> items) : items_(std::move(items)) { ObjectCreated(); }

VariantEnum::~VariantEnum() { ObjectDestroyed(); }

HRESULT STDMETHODCALLTYPE VariantEnum::QueryInterface(REFIID riid, void** out) {
    if (!out) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IEnumVARIANT) {
        *out = static_cast<IEnumVARIANT*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE VariantEnum::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }

ULONG STDMETHODCALLTYPE VariantEnum::Release() {
    LONG left = InterlockedDecrement(&refs_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
}

HRESULT STDMETHODCALLTYPE VariantEnum::Next(ULONG count, VARIANT* items, ULONG* fetched) {
    if (fetched) *fetched = 0;
    if (count == 0) return S_OK;
    if (!items || (count > 1 && !fetched)) return E_POINTER;
    ULONG done = 0;
    while (done < count && position_ < items_.size()) {
        VariantInit(&items[done]);
        V_VT(&items[done]) = VT_DISPATCH;
        V_DISPATCH(&items[done]) = items_[position_].get();
        V_DISPATCH(&items[done])->AddRef();
        ++done;
        ++position_;
    }
    if (fetched) *fetched = done;
    return done == count ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE VariantEnum::Skip(ULONG count) {
    size_t left = items_.size() - position_;
    if (count > left) {
        position_ = items_.size();
        return S_FALSE;
    }
    position_ += count;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE VariantEnum::Reset() {
    position_ = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE VariantEnum::Clone(IEnumVARIANT** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    try {
        auto* copy = new VariantEnum(items_);
        copy->position_ = position_;
        *out = copy;
        return S_OK;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

}  // namespace vornak
