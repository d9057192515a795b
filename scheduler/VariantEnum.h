#pragma once
// The enumerator that NewEnum hands out: a for-each walk over a snapshot of a collection.
#include <oaidl.h>
#include <windows.h>

#include <vector>

#include "base/ComPtr.h"

namespace vornak {

class VariantEnum final : public IEnumVARIANT {
public:
    explicit VariantEnum(std::vector<base::ComPtr<IDispatch>> items);
    VariantEnum(const VariantEnum&) = delete;
    VariantEnum& operator=(const VariantEnum&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE Next(ULONG count, VARIANT* items, ULONG* fetched) override;
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override;
    HRESULT STDMETHODCALLTYPE Reset() override;
    HRESULT STDMETHODCALLTYPE Clone(IEnumVARIANT** out) override;

private:
    ~VariantEnum();

    LONG refs_ = 1;
    std::vector<base::ComPtr<IDispatch>> items_;
    size_t position_ = 0;
};

// Wraps the items in a new enumerator and returns it as IUnknown (what NewEnum gives).
template <class Item>
IUnknown* NewEnumerator(const std::vector<base::ComPtr<Item>>& list) {
    std::vector<base::ComPtr<IDispatch>> items;
    items.reserve(list.size());
    for (const base::ComPtr<Item>& item : list) items.emplace_back(static_cast<IDispatch*>(item.get()));
    return new VariantEnum(std::move(items));
}

}  // namespace vornak
