#include "base/HostPath.h"

#include <windows.h>

namespace base {
namespace {
template <typename Fn>
Fn WineExport(const char* name) {
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    return kernel ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(kernel, name))) : nullptr;
}
}  // namespace

std::string WindowsPathOfHost(const std::string& path) {
    if (path.empty() || path[0] != '/') return path;
    using Fn = WCHAR*(__cdecl*)(const char*);
    if (const Fn toDos = WineExport<Fn>("wine_get_dos_file_name")) {
        WCHAR* wide = toDos(path.c_str());
        if (!wide) return {};
        std::string out;
        const int n = WideCharToMultiByte(CP_ACP, 0, wide, -1, nullptr, 0, nullptr, nullptr);
        if (n > 0) {
            out.resize(static_cast<size_t>(n));
            WideCharToMultiByte(CP_ACP, 0, wide, -1, out.data(), n, nullptr, nullptr);
            out.pop_back();
        }
        HeapFree(GetProcessHeap(), 0, wide);
        return out;
    }
    std::string out = path;
    for (char& c : out)
        if (c == '/') c = '\\';
    return out;
}

std::string HostPathOf(const std::string& windowsPath) {
    using Fn = char*(__cdecl*)(const WCHAR*);
    const Fn toUnix = WineExport<Fn>("wine_get_unix_file_name");
    if (!toUnix) return {};
    const int n = MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, nullptr, 0);
    if (n <= 0) return {};
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, wide.data(), n);
    char* p = toUnix(wide.c_str());
    if (!p) return {};
    std::string out = p;
    HeapFree(GetProcessHeap(), 0, p);
    return out;
}

}  // namespace base
