#include "shell/ProgressBar.h"

#include <commctrl.h>

void ProgressBar::SetValue(long v) {
    value_ = v < 0 ? 0 : v > max_ ? max_ : v;
    if (hWnd()) SendMessageA(hWnd(), PBM_SETPOS, static_cast<WPARAM>(value_), 0);
}

HWND ProgressBar::CreateWindowFor(HWND parent) {
    static const bool ready = [] {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_PROGRESS_CLASS};
        return InitCommonControlsEx(&icc) != FALSE;
    }();
    (void)ready;
    return MakeWindow(PROGRESS_CLASSA, PBS_SMOOTH, 0, parent, "");
}

void ProgressBar::AfterCreate() {
    if (!hWnd()) return;
    SendMessageA(hWnd(), PBM_SETRANGE32, 0, max_);
    SendMessageA(hWnd(), PBM_SETPOS, static_cast<WPARAM>(value_), 0);
}

void ProgressBar::ResetToDesign() {
    ui::Control::ResetToDesign();
    value_ = 0;
}
