#include "scheduler/Module.h"

namespace vornak {

HINSTANCE g_module = nullptr;

namespace {
LONG g_objects = 0;
LONG g_locks = 0;
}  // namespace

void ObjectCreated() { InterlockedIncrement(&g_objects); }
void ObjectDestroyed() { InterlockedDecrement(&g_objects); }

void LockModule(bool lock) {
    if (lock)
        InterlockedIncrement(&g_locks);
    else
        InterlockedDecrement(&g_locks);
}

bool CanUnload() {
    return InterlockedCompareExchange(&g_objects, 0, 0) == 0 && InterlockedCompareExchange(&g_locks, 0, 0) == 0;
}

std::string ModulePath() {
    std::string path(MAX_PATH, '\0');
    for (int tries = 0; tries < 4; ++tries) {
        DWORD n = GetModuleFileNameA(g_module, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return {};
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);
    }
    return {};
}

std::wstring ModulePathW() {
    std::string a = ModulePath();
    if (a.empty()) return {};
    int n = MultiByteToWideChar(CP_ACP, 0, a.data(), static_cast<int>(a.size()), nullptr, 0);
    std::wstring w(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, a.data(), static_cast<int>(a.size()), w.data(), n);
    return w;
}

}  // namespace vornak
