#pragma once
// Late-bound automation calls (IDispatch by member name), as a scripting client makes them.
// A failing call raises base::RuntimeError with the object's HRESULT as its number and the
// object's own error text when it gave one.
#include <windows.h>
// (after windows.h)
#include <oleauto.h>

#include <string>
#include <vector>

#include "base/ComPtr.h"

namespace lateBound {

// A variant owned by the caller.
class Variant {
public:
    Variant() { VariantInit(&v); }
    Variant(const Variant& other) {
        VariantInit(&v);
        VariantCopy(&v, const_cast<VARIANT*>(&other.v));
    }
    Variant& operator=(const Variant&) = delete;
    ~Variant() { VariantClear(&v); }
    static Variant Long(long n);
    static Variant Short(short n);
    static Variant Date(DATE d);
    static Variant Text(const std::string& text);
    VARIANT v;
};

// One IDispatch reference.
class Object {
public:
    Object() = default;
    explicit Object(IDispatch* d) : d_(base::ComPtr<IDispatch>::Adopt(d)) {}  // takes the reference
    explicit operator bool() const { return static_cast<bool>(d_); }

    // New object of a registered ProgID; raises when it cannot be made.
    static Object Create(const std::string& progId);

    Variant Get(const std::string& member, const std::vector<Variant>& args = {}) const;
    void Put(const std::string& member, const Variant& value) const;
    Variant Call(const std::string& member, const std::vector<Variant>& args = {}) const;
    Object GetObject(const std::string& member, const std::vector<Variant>& args = {}) const;
    std::string GetText(const std::string& member) const;
    long GetLong(const std::string& member) const;
    // The members of a collection, through its enumerator (DISPID_NEWENUM).
    std::vector<Object> Items() const;

private:
    Variant Invoke(const std::string& member, WORD flags, const std::vector<Variant>& args) const;
    base::ComPtr<IDispatch> d_;
};

}  // namespace lateBound
