#include "shell/modMainWindows.h"

#include "base/Trap.h"
#include "shell/frmMain.h"
#include "ui/Form.h"

namespace modMainWindows {
namespace {
ShellExecuteExFn& ShellExecuteExHook() {
    static ShellExecuteExFn fn;
    return fn;
}
}  // namespace

void SetFormSize(ui::Form& form, bool fill) {
    base::Trap("SetFormSize", [&] {
        if (!form.Loaded()) form.Load();
        // A child of the frame (not a pop-up owned by it): it moves, clips and hides with the
        // main window, and never takes the activation from it.
        if (HWND frame = frmMain.FrameMain.hWnd()) {
            const LONG_PTR style = GetWindowLongPtrA(form.hWnd(), GWL_STYLE);
            SetWindowLongPtrA(form.hWnd(), GWL_STYLE, (style & ~static_cast<LONG_PTR>(WS_POPUP)) | WS_CHILD);
            SetParent(form.hWnd(), frame);
        }
        if (fill) {
            form.SetTop(0);
            form.SetLeft(0);
            form.SetWidth(9000);
            form.SetHeight(6000);
        } else {
            form.SetTop(static_cast<long>(frmMain.FrameMain.Height()) * 15 / 2 - form.Height() / 2);
            form.SetLeft(static_cast<long>(frmMain.FrameMain.Width()) * 15 / 2 - form.Width() / 2);
        }
    });
}

bool DisplayFileProperties(const std::string& path) {
    return base::Trap("DisplayFileProperties", true, [&] {
        SHELLEXECUTEINFOA info{};
        info.cbSize = sizeof info;  // 60 bytes in the 32-bit build
        info.fMask = SEE_MASK_INVOKEIDLIST;
        info.hwnd = nullptr;
        info.lpVerb = "properties";
        info.lpFile = path.c_str();
        info.lpParameters = nullptr;
        info.lpDirectory = nullptr;
        info.nShow = SW_SHOW;
        return (ShellExecuteExHook() ? ShellExecuteExHook()(&info) : ShellExecuteExA(&info)) != FALSE;
    });
}

void SetShellExecuteExForTest(ShellExecuteExFn fn) { ShellExecuteExHook() = std::move(fn); }

}  // namespace modMainWindows
