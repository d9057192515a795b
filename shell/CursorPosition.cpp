#include "shell/CursorPosition.h"

#include <map>
#include <string>

namespace CursorPosition {
namespace {

struct Hook {
    int slot;
    WNDPROC kept;
};

// Keyed by window: each hooked window keeps its own previous procedure.
std::map<HWND, Hook>& Hooks() {
    static std::map<HWND, Hook> hooks;
    return hooks;
}

}  // namespace

void HookFlashMenu(int slot, HWND window, bool install) {
    if (!window || !IsWindow(window)) return;
    auto& hooks = Hooks();
    auto it = hooks.find(window);
    if (install) {
        if (it != hooks.end()) return;
        const LONG_PTR previous = SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&FlashNoMenuProc));
        if (previous) hooks[window] = {slot, reinterpret_cast<WNDPROC>(previous)};
        return;
    }
    if (it == hooks.end() || !it->second.kept) return;
    SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(it->second.kept));
    hooks.erase(it);
}

LRESULT CALLBACK FlashNoMenuProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto& hooks = Hooks();
    auto it = hooks.find(window);
    if (it == hooks.end()) return DefWindowProcA(window, message, wParam, lParam);
    const WNDPROC kept = it->second.kept;
    if (message == WM_RBUTTONDOWN || (message == WM_KEYDOWN && wParam == VK_APPS)) message = WM_NULL;
    if (message == WM_NCDESTROY) hooks.erase(it);  // a destroyed window's handle may come back
    return CallWindowProcA(kept, window, message, wParam, lParam);
}

bool IsHooked(HWND window) { return Hooks().count(window) != 0; }

int HookedSlot(HWND window) {
    auto it = Hooks().find(window);
    return it == Hooks().end() ? 0 : it->second.slot;
}

HWND FindFlashPlayerWindow(HWND parent) {
    for (HWND w = GetWindow(parent, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) {
        char cls[250] = {};
        GetClassNameA(w, cls, sizeof cls);
        CharLowerA(cls);
        if (std::string(cls).find("macromediaflashplayer") != std::string::npos) return w;
    }
    return nullptr;
}

}  // namespace CursorPosition
