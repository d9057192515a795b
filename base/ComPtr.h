#pragma once
// Owning reference to a COM interface: one AddRef in, one Release out. Header-only, so the
// stand-alone libraries can take it too.
#include <unknwn.h>

#include <utility>

namespace base {

template <class T>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(T* p) : p_(p) {  // shares: takes its own reference
        if (p_) p_->AddRef();
    }
    ComPtr(const ComPtr& other) : ComPtr(other.p_) {}
    ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    ComPtr& operator=(ComPtr other) noexcept {
        std::swap(p_, other.p_);
        return *this;
    }
    ~ComPtr() { reset(); }

    // Takes over a reference the caller already owns (a fresh object, an out-parameter).
    static ComPtr Adopt(T* p) {
        ComPtr r;
        r.p_ = p;
        return r;
    }

    void reset() {
        if (T* p = std::exchange(p_, nullptr)) p->Release();
    }
    // For out-parameters: drops what is held and hands out the slot.
    T** put() {
        reset();
        return &p_;
    }
    template <class U>
    U** putAs() {
        reset();
        return reinterpret_cast<U**>(&p_);
    }
    // Hands the reference to the caller (an [out, retval] of a COM method).
    T* detach() { return std::exchange(p_, nullptr); }

    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

private:
    T* p_ = nullptr;
};

}  // namespace base
