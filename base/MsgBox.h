#pragma once
// The runtime's plain message box, through the modal seam. Returns IDOK, IDCANCEL, ...
#include <windows.h>

#include <string>

namespace base {

long MsgBox(const std::string& prompt, long buttons = MB_OK, const std::string& title = {});

}  // namespace base
