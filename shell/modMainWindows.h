#pragma once
// The window routines of modMain: placing a panel form into the main window's frame, and a
// file's property sheet.
#include <windows.h>
// (after windows.h)
#include <shellapi.h>

#include <functional>
#include <string>

namespace ui {
class Form;
}

namespace modMainWindows {

// Puts `form` into frmMain.FrameMain: filling it (Left = Top = 0, 9000 x 6000 twips) when
// `fill` is true, else centred in it (the frame measured in pixels, the form in twips, at 15
// twips a pixel). Loads the form when it is not loaded. Errors go to the error log.
void SetFormSize(ui::Form& form, bool fill);

// Shows the shell's property sheet of a file (ShellExecuteEx, verb "properties"). False when the
// shell refused (GetLastError tells why); other errors go to the error log.
bool DisplayFileProperties(const std::string& path);

// Tests: replaces ShellExecuteExA ("" restores the real call).
using ShellExecuteExFn = std::function<BOOL(SHELLEXECUTEINFOA*)>;
void SetShellExecuteExForTest(ShellExecuteExFn fn);

}  // namespace modMainWindows
