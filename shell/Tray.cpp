#include "shell/Tray.h"

#include <shellapi.h>

#include <cstring>

#include "base/Trap.h"

namespace {
constexpr char kClass[] = "CorvaneTrayWindow";
constexpr DWORD kGuardMs = 15;

// Copies text into a fixed field, cut so that it fits with its terminating NUL.
template <size_t N>
void Put(char (&field)[N], const std::string& text) {
    size_t n = text.size() < N - 1 ? text.size() : N - 1;
    std::memcpy(field, text.data(), n);
    field[n] = '\0';
}
}  // namespace

Tray::Tray() = default;

Tray::~Tray() {
    if (wnd_ == nullptr) return;
    if (visible_) Show(false);
    DestroyWindow(wnd_);
}

HWND Tray::hwnd() {
    if (wnd_ != nullptr) return wnd_;
    static bool registered = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = &Tray::WndProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = kClass;
        return RegisterClassA(&wc) != 0;
    }();
    (void)registered;
    taskbarCreated_ = RegisterWindowMessageA("TaskbarCreated");
    // A hidden top-level window: a message-only one would never hear the shell's broadcast.
    wnd_ = CreateWindowExA(WS_EX_TOOLWINDOW, kClass, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                           GetModuleHandleA(nullptr), this);
    return wnd_;
}

void Tray::Fill(NOTIFYICONDATAA& nid, UINT flags) const {
    std::memset(&nid, 0, sizeof nid);
    nid.cbSize = sizeof nid;
    nid.hWnd = wnd_;
    nid.uID = 1;
    nid.uFlags = flags;
    nid.uCallbackMessage = kCallbackMessage;
    nid.hIcon = icon_;
    if (!tip_.empty()) Put(nid.szTip, " " + tip_ + " ");
}

void Tray::Show(bool UpDateData) {
    NOTIFYICONDATAA nid;
    if (UpDateData) {
        hwnd();
        Fill(nid, NIF_MESSAGE | NIF_ICON | NIF_TIP);
        if (visible_) {
            Shell_NotifyIconA(NIM_MODIFY, &nid);
        } else {
            Shell_NotifyIconA(NIM_ADD, &nid);
            visible_ = true;
        }
    } else if (visible_) {
        Fill(nid, NIF_MESSAGE | NIF_ICON | NIF_TIP);
        Shell_NotifyIconA(NIM_DELETE, &nid);
        visible_ = false;
    }
}

void Tray::showBalloonoolTip(bool UpDateData) {
    if (!UpDateData) return;
    hwnd();
    NOTIFYICONDATAA nid;
    Fill(nid, NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_INFO);
    Put(nid.szInfo, balloon_);
    Put(nid.szInfoTitle, tip_);
    nid.uTimeout = 1;
    nid.dwInfoFlags = NIIF_INFO;
    Shell_NotifyIconA(NIM_MODIFY, &nid);
}

void Tray::MouseMessage(UINT mouse) {
    // Set while the handler runs: a press that reaches us from its own menu or modal window.
    if (clickGuard_) return;
    long button = mouse == WM_LBUTTONDOWN ? 1 : mouse == WM_RBUTTONDOWN ? 2 : 0;
    if (button == 0) return;
    // Presses are dropped until 15 ms after the handler returned, by the clock: a timer message
    // comes only when nothing else is queued, so a busy window (repainting after a restore) would
    // drop a press made long after.
    if (handled_ && GetTickCount() - returnedAt_ < kGuardMs) return;
    clickGuard_ = true;
    base::Trap("Tray_MouseMove", [&] {
        if (eventMode_ == 1) {
            if (MouseClick) MouseClick(button);
        } else if (button == 1) {
            if (LeftClick) LeftClick();
        } else if (RightClick) {
            RightClick();
        }
    });
    clickGuard_ = false;
    handled_ = true;
    returnedAt_ = GetTickCount();
}

LRESULT Tray::Handle(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == kCallbackMessage) {
        MouseMessage(static_cast<UINT>(LOWORD(lParam)));
        return 0;
    }
    if (taskbarCreated_ != 0 && msg == taskbarCreated_) {
        // The shell restarted and forgot every icon: add ours again.
        if (visible_) {
            visible_ = false;
            Show(true);
            ++reAdds_;
        }
        return 0;
    }
    return DefWindowProcA(wnd_, msg, wParam, lParam);
}

LRESULT CALLBACK Tray::WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    auto* self = reinterpret_cast<Tray*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (self == nullptr || self->wnd_ != hwnd) return DefWindowProcA(hwnd, msg, wParam, lParam);
    return base::Trap("Tray_WndProc", LRESULT{0}, [&] { return self->Handle(msg, wParam, lParam); });
}
