#pragma once
// A running Corvane seen from another process, as a person at its screen sees it: whether one
// runs from a program folder, the main window it published, the message box it shows, and its
// own shut-down (the window closed, its question answered OK). Used by the scripts' helper
// (tools/corvanectl) and by the tests that start the real program.
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace remote {

// True when a Corvane holds the single-instance lock of the program folder `folder`.
bool InstanceRuns(const std::string& folder);

// A window handle the running program published in its settings (section, key), once it did;
// nullptr when none is published within waitMs.
HWND PublishedWindow(const char* section, const char* key, DWORD waitMs);
// The published main window; nullptr also when the published one is gone.
HWND PublishedMainWindow(DWORD waitMs);

// The texts of a window's descendants.
using ChildTextList = std::vector<std::pair<HWND, std::string>>;
ChildTextList ChildTexts(HWND parent);

// A message box of process `pid` on screen: its prompt and its OK and Cancel buttons.
struct ShownBox {
    HWND window = nullptr;
    std::string prompt;
    ChildTextList buttons;
};
ShownBox FindMessageBox(DWORD pid);
// Presses a button of the box as a click would: the button tells its parent.
bool Press(const ShownBox& box, const std::string& caption);

// Closes the program that owns `mainWindow` through its own shut-down: the window is closed,
// the question whether to close is answered OK, any other box is answered Cancel (each once),
// and the process is awaited. True when it ended within timeoutMs; `exitCode` then holds its
// code. The texts of the boxes answered go to `prompts` when given.
bool CloseProgram(HWND mainWindow, DWORD timeoutMs, DWORD& exitCode, std::vector<std::string>* prompts = nullptr);

}  // namespace remote
