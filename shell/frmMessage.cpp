#include "shell/frmMessage.h"

#include "base/Trap.h"
#include "shell/frmMsgBox.h"

namespace {
WNDPROC gb_oldMessageWindowProc = nullptr;
}

frmMessage::frmMessage() : ui::Form("frmMessage") {
    SetCaption(monitors::badsite::kMessageWindowCaption);
    Move(0, 0, 4800, 1800);
}

namespace CursorPosition {

void HookMessageWindow(HWND hWnd, bool install) {
    if (install) {
        if (gb_oldMessageWindowProc != nullptr || hWnd == nullptr) return;  // never hooked twice
        gb_oldMessageWindowProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&MessageWindowProc)));
        return;
    }
    if (gb_oldMessageWindowProc == nullptr) return;
    SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(gb_oldMessageWindowProc));
    gb_oldMessageWindowProc = nullptr;
}

LRESULT CALLBACK MessageWindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        if (message == WM_SETTEXT) {
            frmMessage.reports.OnSetText(reinterpret_cast<const char*>(lParam), static_cast<size_t>(wParam));
        } else if (message == WM_COPYDATA) {
            const std::string shown = frmMessage.reports.OnTrigger();
            if (!shown.empty()) frmMsgBox.msgboxOK(shown, "Corvane");
            SetWindowTextA(hWnd, monitors::badsite::kMessageWindowCaption);
        }
    } catch (...) {
        // Nothing may leave a window procedure: logged, and the message goes on to the old one.
        base::ReportCurrentException("MessageWindowProc");
    }
    WNDPROC old = gb_oldMessageWindowProc;
    return old != nullptr ? CallWindowProcA(old, hWnd, message, wParam, lParam)
                          : DefWindowProcA(hWnd, message, wParam, lParam);
}

}  // namespace CursorPosition
