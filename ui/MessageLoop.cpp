#include "ui/MessageLoop.h"

#include "base/Modal.h"
#include "base/Trap.h"

namespace ui {

void DoEvents() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

int RunMessageLoop() {
    MSG msg;
    BOOL r;
    while ((r = GetMessageA(&msg, nullptr, 0, 0)) != 0) {
        if (r == -1) return -1;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        DoEvents();
        if (done()) return true;
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= timeoutMs) return done();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, timeoutMs - elapsed < 10 ? timeoutMs - elapsed : 10, QS_ALLINPUT);
    }
}

void PumpFor(DWORD ms) {
    PumpUntil([] { return false; }, ms);
}

namespace {
int PixelsPerInch(int index) {
    HDC dc = GetDC(nullptr);
    const int dpi = dc ? GetDeviceCaps(dc, index) : 0;
    if (dc) ReleaseDC(nullptr, dc);
    return dpi > 0 ? dpi : 96;
}
}  // namespace

int TwipsPerPixelX() { return 1440 / PixelsPerInch(LOGPIXELSX); }
int TwipsPerPixelY() { return 1440 / PixelsPerInch(LOGPIXELSY); }
long ScreenWidthTwips() { return static_cast<long>(GetSystemMetrics(SM_CXSCREEN)) * TwipsPerPixelX(); }
long ScreenHeightTwips() { return static_cast<long>(GetSystemMetrics(SM_CYSCREEN)) * TwipsPerPixelY(); }

void DragWindow(HWND hwnd) {
    ReleaseCapture();
    base::modal::Run({"DragWindow", {}, {}, 0}, [hwnd]() -> long {
        SendMessageA(hwnd, WM_NCLBUTTONDOWN, HTCAPTION, 0);
        return 0;
    });
}

LRESULT Fenced(const char* where, LRESULT fallback, const std::function<LRESULT()>& body) noexcept {
    return base::Trap(where, fallback, body);
}

}  // namespace ui
