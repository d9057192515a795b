#pragma once
// The connection-report window: never shown, found by the outside connection monitor by its caption
// "CORVANE_GET_MESSAGE_WINDOW". Its replacement window procedure takes each report (WM_SETTEXT) and
// its trigger (WM_COPYDATA) and answers through the bad-site check; a blocked site is told to the user.
#include "monitors/BadSite.h"
#include "ui/Form.h"

class frmMessage : public ui::Form {
public:
    frmMessage();
    monitors::badsite::ConnectionReports reports;
};

inline class frmMessage frmMessage;

namespace CursorPosition {
// install: the window's procedure is replaced by MessageWindowProc and the old one kept; otherwise
// the kept one is put back, when there is one.
void HookMessageWindow(HWND hWnd, bool install);
LRESULT CALLBACK MessageWindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
}  // namespace CursorPosition
