// The tray icon under a real shell: Wine's own system tray with its x11 driver on a virtual display
// (this test runs under Xvfb, in a Wine prefix of its own). The shell keeps the icon the control
// adds, takes its balloon and its removal, and when the shell announces a restart
// ("TaskbarCreated", broadcast to the top-level windows) the control puts its icon back.
#include <gtest/gtest.h>
#include <windows.h>
// windows.h first
#include <shellapi.h>

#include "shell/Tray.h"
#include "ui/MessageLoop.h"

namespace {

// True when the shell holds an icon for the window: only a known icon can be modified.
bool ShellHolds(HWND owner) {
    NOTIFYICONDATAA probe{};
    probe.cbSize = sizeof probe;
    probe.hWnd = owner;
    probe.uID = 1;
    return Shell_NotifyIconA(NIM_MODIFY, &probe) != FALSE;
}

void Forget(HWND owner) {
    NOTIFYICONDATAA gone{};
    gone.cbSize = sizeof gone;
    gone.hWnd = owner;
    gone.uID = 1;
    Shell_NotifyIconA(NIM_DELETE, &gone);
}

TEST(TrayShellTest, TheShellKeepsTheIconAndGetsItBackAfterARestart) {
    GetDesktopWindow();  // brings up the desktop, whose shell holds the tray
    Tray t;
    HWND shell = nullptr;
    for (int i = 0; i < 250 && shell == nullptr; ++i) {
        shell = FindWindowA("Shell_TrayWnd", nullptr);
        if (shell == nullptr) ui::PumpFor(20);
    }
    ASSERT_NE(shell, nullptr) << "no system tray on this display";
    t.SetTrayToolTip("Corvane");
    t.SetTrayImage(LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION)));
    EXPECT_FALSE(ShellHolds(t.hwnd()));
    t.Show(true);
    EXPECT_TRUE(ShellHolds(t.hwnd()));
    t.Show(true);  // a second show modifies the one icon
    EXPECT_TRUE(ShellHolds(t.hwnd()));
    t.SetTrayBalloonToolTip("The Program Still Running Here");
    t.showBalloonoolTip(true);
    EXPECT_TRUE(ShellHolds(t.hwnd()));

    // The shell restarts: its icons are gone until it announces itself to every top-level window.
    Forget(t.hwnd());
    ASSERT_FALSE(ShellHolds(t.hwnd()));
    const UINT taskbarCreated = RegisterWindowMessageA("TaskbarCreated");
    PostMessageA(HWND_BROADCAST, taskbarCreated, 0, 0);
    for (int i = 0; i < 100 && t.ReAdds() == 0; ++i) ui::PumpFor(20);
    EXPECT_EQ(t.ReAdds(), 1);
    EXPECT_TRUE(ShellHolds(t.hwnd()));

    t.Show(false);
    EXPECT_FALSE(ShellHolds(t.hwnd()));
    // A removed icon is not brought back by a restart.
    PostMessageA(HWND_BROADCAST, taskbarCreated, 0, 0);
    ui::PumpFor(200);
    EXPECT_FALSE(ShellHolds(t.hwnd()));
    EXPECT_EQ(t.ReAdds(), 1);
}

}  // namespace
