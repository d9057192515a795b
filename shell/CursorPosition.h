#pragma once
// Keeps the Flash player's own context menu away: each window that shows a movie replaces the
// window procedure of its player window with one that turns a right button press and the
// context-menu key into WM_NULL before the player sees them. Everything else, the right
// button's release and WM_CONTEXTMENU included, reaches the player unchanged.
//
// Each window has its numbered slot (1 frmMain, 2 frmAddTask, 3 frmBackupName,
// 4 frmEnterPassword, 5 frminfo, 6 frmLoad, 7 frmMsgBox, 8 frmPopup, 9 frmSave, 10 frmScanSpy,
// 11 frmUpdate). What is kept is kept per hooked window, so a removal always puts back that
// window's own previous procedure.
#include <windows.h>

namespace CursorPosition {

// install true: hooks `window` (a second install on a hooked window is refused, it would
// make the procedure call itself). install false: puts back the procedure the window had
// before; nothing happens for a window that is not hooked or not valid.
void HookFlashMenu(int slot, HWND window, bool install);

inline void HookFlashMenu1(HWND w, bool install) { HookFlashMenu(1, w, install); }
inline void HookFlashMenu2(HWND w, bool install) { HookFlashMenu(2, w, install); }
inline void HookFlashMenu3(HWND w, bool install) { HookFlashMenu(3, w, install); }
inline void HookFlashMenu4(HWND w, bool install) { HookFlashMenu(4, w, install); }
inline void HookFlashMenu5(HWND w, bool install) { HookFlashMenu(5, w, install); }
inline void HookFlashMenu6(HWND w, bool install) { HookFlashMenu(6, w, install); }
inline void HookFlashMenu7(HWND w, bool install) { HookFlashMenu(7, w, install); }
inline void HookFlashMenu8(HWND w, bool install) { HookFlashMenu(8, w, install); }
inline void HookFlashMenu9(HWND w, bool install) { HookFlashMenu(9, w, install); }
inline void HookFlashMenu10(HWND w, bool install) { HookFlashMenu(10, w, install); }
inline void HookFlashMenu11(HWND w, bool install) { HookFlashMenu(11, w, install); }

// The replacement procedure shared by every slot.
LRESULT CALLBACK FlashNoMenuProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

bool IsHooked(HWND window);
int HookedSlot(HWND window);  // 0 when not hooked

// The first child of `parent` whose class name, lower-cased, contains "macromediaflashplayer";
// nullptr when the chain of children ends without one.
HWND FindFlashPlayerWindow(HWND parent);

}  // namespace CursorPosition
