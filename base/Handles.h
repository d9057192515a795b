#pragma once
// One owning type per Win32 handle kind: non-copyable, movable, closed once.
#include <windows.h>

#include <utility>

namespace base {

template <class Traits>
class UniqueHandle {
public:
    using handle_type = typename Traits::handle_type;

    UniqueHandle() noexcept = default;
    explicit UniqueHandle(handle_type h) noexcept : h_(h) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& o) noexcept : h_(o.release()) {}
    UniqueHandle& operator=(UniqueHandle&& o) noexcept {
        if (this != &o) reset(o.release());
        return *this;
    }
    ~UniqueHandle() { reset(); }

    handle_type get() const noexcept { return h_; }
    bool valid() const noexcept { return Traits::valid(h_); }
    explicit operator bool() const noexcept { return valid(); }

    handle_type release() noexcept { return std::exchange(h_, Traits::invalid()); }
    void reset(handle_type h = Traits::invalid()) noexcept {
        handle_type old = std::exchange(h_, h);
        if (Traits::valid(old)) Traits::close(old);
    }
    // For out-parameters of the API: closes what is held and hands out the slot.
    handle_type* put() noexcept {
        reset();
        return &h_;
    }

private:
    handle_type h_ = Traits::invalid();
};

struct KernelHandleTraits {  // processes, threads, events, snapshots: NULL when absent
    using handle_type = HANDLE;
    static HANDLE invalid() noexcept { return nullptr; }
    static bool valid(HANDLE h) noexcept { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void close(HANDLE h) noexcept { ::CloseHandle(h); }
};
struct FileHandleTraits {  // CreateFile and snapshots: INVALID_HANDLE_VALUE when absent
    using handle_type = HANDLE;
    static HANDLE invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static bool valid(HANDLE h) noexcept { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void close(HANDLE h) noexcept { ::CloseHandle(h); }
};
struct FindHandleTraits {
    using handle_type = HANDLE;
    static HANDLE invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static bool valid(HANDLE h) noexcept { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void close(HANDLE h) noexcept { ::FindClose(h); }
};
struct ChangeNotificationTraits {
    using handle_type = HANDLE;
    static HANDLE invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static bool valid(HANDLE h) noexcept { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void close(HANDLE h) noexcept { ::FindCloseChangeNotification(h); }
};
struct RegKeyTraits {
    using handle_type = HKEY;
    static HKEY invalid() noexcept { return nullptr; }
    static bool valid(HKEY h) noexcept { return h != nullptr; }
    static void close(HKEY h) noexcept { ::RegCloseKey(h); }
};
struct ModuleTraits {
    using handle_type = HMODULE;
    static HMODULE invalid() noexcept { return nullptr; }
    static bool valid(HMODULE h) noexcept { return h != nullptr; }
    static void close(HMODULE h) noexcept { ::FreeLibrary(h); }
};

using Handle = UniqueHandle<KernelHandleTraits>;
using FileHandle = UniqueHandle<FileHandleTraits>;
using FindHandle = UniqueHandle<FindHandleTraits>;
using ChangeNotificationHandle = UniqueHandle<ChangeNotificationTraits>;
using RegKey = UniqueHandle<RegKeyTraits>;
using Module = UniqueHandle<ModuleTraits>;

}  // namespace base
