#include "core/RegistryView.h"

namespace regview {
namespace {
bool RunsUnderWow64() {
#if defined(_WIN64)
    return false;
#else
    using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    auto fn = kernel ? reinterpret_cast<IsWow64ProcessFn>(GetProcAddress(kernel, "IsWow64Process")) : nullptr;
    BOOL wow = FALSE;
    return fn && fn(GetCurrentProcess(), &wow) && wow;
#endif
}
}  // namespace

REGSAM Native() {
    static const REGSAM view = RunsUnderWow64() ? KEY_WOW64_64KEY : 0;
    return view;
}

LONG DeleteKey(HKEY parent, const char* subKey) {
    if (Native() != 0) {
        using RegDeleteKeyExAFn = LONG(WINAPI*)(HKEY, LPCSTR, REGSAM, DWORD);
        HMODULE advapi = GetModuleHandleA("advapi32.dll");
        auto fn = advapi ? reinterpret_cast<RegDeleteKeyExAFn>(GetProcAddress(advapi, "RegDeleteKeyExA")) : nullptr;
        if (fn) return fn(parent, subKey, Native(), 0);
    }
    return RegDeleteKeyA(parent, subKey);
}

}  // namespace regview
