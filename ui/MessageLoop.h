#pragma once
// The message pump: the program's main loop, DoEvents inside long loops, and the small waits
// that tests and tools use.
#include <windows.h>

#include <functional>
#include <string>

namespace ui {

// Dispatches every message waiting for this thread, then returns (the runtime's DoEvents).
// A WM_QUIT taken on the way is posted again so the main loop still sees it.
void DoEvents();
// Runs the message loop until WM_QUIT; returns its exit code.
int RunMessageLoop();
// Pumps messages until `done` is true or `timeoutMs` ran out; returns `done()`.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs);
void PumpFor(DWORD ms);

// Screen facts in twips, as the program measures forms.
int TwipsPerPixelX();
int TwipsPerPixelY();
long ScreenWidthTwips();
long ScreenHeightTwips();

// Starts the system's move loop for a borderless window, as if its caption were pressed
// (the loop runs until the mouse button is released). It is a modal step ("DragWindow").
void DragWindow(HWND hwnd);

// Runs `body` behind the fence of a window procedure: an exception becomes one error-log
// entry naming `where` and the message gets `fallback`.
LRESULT Fenced(const char* where, LRESULT fallback, const std::function<LRESULT()>& body) noexcept;

}  // namespace ui
