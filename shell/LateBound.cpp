#include "shell/LateBound.h"

#include <algorithm>

#include "base/RuntimeError.h"

namespace lateBound {

namespace {

std::wstring Wide(const std::string& text) {
    const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring w(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), w.data(), n);
    return w;
}

std::string Narrow(const wchar_t* text, UINT length) {
    const int n = WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    std::string a(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(length), a.data(), n, nullptr, nullptr);
    return a;
}

[[noreturn]] void Fail(HRESULT hr, const std::string& what, const EXCEPINFO* info = nullptr) {
    std::string description = what;
    if (info && info->bstrDescription) description = Narrow(info->bstrDescription, SysStringLen(info->bstrDescription));
    throw base::RuntimeError(static_cast<long>(hr), description);
}

}  // namespace

Variant Variant::Long(long n) {
    Variant r;
    r.v.vt = VT_I4;
    r.v.lVal = n;
    return r;
}

Variant Variant::Short(short n) {
    Variant r;
    r.v.vt = VT_I2;
    r.v.iVal = n;
    return r;
}

Variant Variant::Date(DATE d) {
    Variant r;
    r.v.vt = VT_DATE;
    r.v.date = d;
    return r;
}

Variant Variant::Text(const std::string& text) {
    Variant r;
    const std::wstring w = Wide(text);
    r.v.vt = VT_BSTR;
    r.v.bstrVal = SysAllocStringLen(w.data(), static_cast<UINT>(w.size()));
    return r;
}

Object Object::Create(const std::string& progId) {
    CLSID clsid{};
    const std::wstring w = Wide(progId);
    HRESULT hr = CLSIDFromProgID(w.c_str(), &clsid);
    if (FAILED(hr)) Fail(hr, "ActiveX component can't create object: " + progId);
    IDispatch* d = nullptr;
    hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, reinterpret_cast<void**>(&d));
    if (FAILED(hr) || !d) Fail(FAILED(hr) ? hr : E_NOINTERFACE, "ActiveX component can't create object: " + progId);
    return Object(d);
}

Variant Object::Invoke(const std::string& member, WORD flags, const std::vector<Variant>& args) const {
    if (!d_) throw base::RuntimeError(91);  // object variable not set
    std::wstring name = Wide(member);
    LPOLESTR names[] = {name.data()};
    DISPID id = 0;
    HRESULT hr = d_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr)) Fail(hr, "Object doesn't support this property or method: " + member);
    // Automation takes the arguments last to first.
    std::vector<VARIANT> reversed;
    for (auto it = args.rbegin(); it != args.rend(); ++it) reversed.push_back(it->v);
    DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    DISPID putId = DISPID_PROPERTYPUT;
    if (flags & DISPATCH_PROPERTYPUT) {
        params.rgdispidNamedArgs = &putId;
        params.cNamedArgs = 1;
    }
    Variant result;
    EXCEPINFO info{};
    UINT badArg = 0;
    hr = d_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                    (flags & DISPATCH_PROPERTYPUT) ? nullptr : &result.v, &info, &badArg);
    if (FAILED(hr)) {
        const HRESULT code = (hr == DISP_E_EXCEPTION && FAILED(info.scode)) ? info.scode : hr;
        std::string fallback = member + " failed";
        try {
            Fail(code, fallback, &info);
        } catch (...) {
            SysFreeString(info.bstrSource);
            SysFreeString(info.bstrDescription);
            SysFreeString(info.bstrHelpFile);
            throw;
        }
    }
    return result;
}

Variant Object::Get(const std::string& member, const std::vector<Variant>& args) const {
    return Invoke(member, DISPATCH_PROPERTYGET | DISPATCH_METHOD, args);
}

void Object::Put(const std::string& member, const Variant& value) const {
    Invoke(member, DISPATCH_PROPERTYPUT, {value});
}

Variant Object::Call(const std::string& member, const std::vector<Variant>& args) const {
    return Invoke(member, DISPATCH_METHOD | DISPATCH_PROPERTYGET, args);
}

Object Object::GetObject(const std::string& member, const std::vector<Variant>& args) const {
    Variant r = Get(member, args);
    if (r.v.vt != VT_DISPATCH || !r.v.pdispVal) throw base::RuntimeError(91);
    r.v.pdispVal->AddRef();
    return Object(r.v.pdispVal);
}

std::string Object::GetText(const std::string& member) const {
    Variant r = Get(member);
    if (FAILED(VariantChangeType(&r.v, &r.v, 0, VT_BSTR))) throw base::RuntimeError(13);
    return r.v.bstrVal ? Narrow(r.v.bstrVal, SysStringLen(r.v.bstrVal)) : std::string();
}

long Object::GetLong(const std::string& member) const {
    Variant r = Get(member);
    if (FAILED(VariantChangeType(&r.v, &r.v, 0, VT_I4))) throw base::RuntimeError(13);
    return r.v.lVal;
}

std::vector<Object> Object::Items() const {
    if (!d_) throw base::RuntimeError(91);
    DISPPARAMS none{};
    Variant result;
    HRESULT hr = d_->Invoke(DISPID_NEWENUM, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD | DISPATCH_PROPERTYGET,
                            &none, &result.v, nullptr, nullptr);
    if (FAILED(hr)) Fail(hr, "Object doesn't support this property or method: NewEnum");
    if (result.v.vt != VT_UNKNOWN && result.v.vt != VT_DISPATCH) throw base::RuntimeError(13);
    base::ComPtr<IEnumVARIANT> e;
    hr = result.v.punkVal->QueryInterface(IID_IEnumVARIANT, e.putAs<void>());
    if (FAILED(hr) || !e) Fail(FAILED(hr) ? hr : E_NOINTERFACE, "NewEnum");
    std::vector<Object> items;
    for (;;) {
        Variant item;
        ULONG fetched = 0;
        if (e->Next(1, &item.v, &fetched) != S_OK || fetched == 0) break;
        if (item.v.vt == VT_DISPATCH && item.v.pdispVal) {
            item.v.pdispVal->AddRef();
            items.emplace_back(item.v.pdispVal);
        }
    }
    return items;
}

}  // namespace lateBound
