#include "monitors/HalvexClient.h"

#include "base/ProgramFolder.h"
#include "base/RuntimeError.h"

namespace monitors::halvex_client {

namespace {

using StartProc = int(__cdecl*)(const char*, HWND, int, HKEY);
using StopProc = void(__cdecl*)(const char*, int, HKEY);

struct Bound {
    HMODULE module = nullptr;
    StartProc start = nullptr;
    StopProc stop = nullptr;
};
Bound bound;

void Bind() {
    if (bound.start != nullptr && bound.stop != nullptr) return;
    // Only the program folder's copy: no search of the current folder or the path.
    const std::string path = base::ProgramFilePath(kHalvexDll);
    HMODULE module = LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (module == nullptr) base::Raise(base::errFileNotFound, std::string("File not found: ") + kHalvexDll);
    auto start = reinterpret_cast<StartProc>(GetProcAddress(module, "StartMonitor"));
    auto stop = reinterpret_cast<StopProc>(GetProcAddress(module, "StopMonitor"));
    if (start == nullptr || stop == nullptr) {
        FreeLibrary(module);
        base::Raise(453, std::string("Can't find DLL entry point in ") + kHalvexDll);
    }
    bound = {module, start, stop};
}

}  // namespace

int StartMonitor(const std::string& path, HWND window, int kind, HKEY root) {
    Bind();
    return bound.start(path.c_str(), window, kind, root);
}

void StopMonitor(const std::string& path, int kind, HKEY root) {
    Bind();
    bound.stop(path.c_str(), kind, root);
}

void Release() {
    if (bound.module != nullptr) FreeLibrary(bound.module);
    bound = {};
}

}  // namespace monitors::halvex_client
