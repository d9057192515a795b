#pragma once
// The system's folder-browse dialog, opened at a start folder.
#include <windows.h>
// (after windows.h)
#include <shlobj.h>

#include <string>

namespace Module2 {

// The chosen folder's full path, or "" when the user cancels. A modal step
// ("BrowseForFolder": title, and the start folder as its text); a scripted answer of 0 is
// Cancel, any other answer chooses the start folder.
std::string BrowseForFolder(const std::string& startFolder, HWND ownerWindow, const std::string& title);
// The dialog itself, without the modal seam.
std::string ShowBrowseDialog(const std::string& startFolder, HWND ownerWindow, const std::string& title);

// The dialog's callback: selects the start folder once the dialog stands. Returns 0.
int CALLBACK BrowseCallbackProc(HWND window, UINT message, LPARAM lParam, LPARAM data);
// A procedure's address as a value that fits the browse record.
LPARAM PassProcAddress(BFFCALLBACK address);

}  // namespace Module2
