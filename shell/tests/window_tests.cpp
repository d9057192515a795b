#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "base/Modal.h"
#include "base/testing/Testing.h"
#include "components/flash/ShockwaveFlash.h"
#include "shell/CursorPosition.h"
#include "shell/Module2.h"
#include "shell/frmMain.h"
#include "shell/modMainWindows.h"
#include "ui/Form.h"
#include "ui/MessageLoop.h"

namespace {

// ---- SetFormSize and DisplayFileProperties

class frmPanel : public ui::Form {
public:
    frmPanel() : ui::Form("frmPanel") { Move(0, 0, 6000, 3000); }
    int loads = 0;

protected:
    void Form_Load() override { ++loads; }
};

class SetFormSizeTest : public ::testing::Test {
protected:
    void SetUp() override {
        frmMain.Load();
        frmMain.FrameMain.Move(16, 40, 600, 400);
    }
    void TearDown() override {
        panel.Unload();
        frmMain.Unload();
    }
    testing_support::ScopedProgramFolder folder;
    frmPanel panel;
};

TEST_F(SetFormSizeTest, CentresThePanelInTheFrame) {
    modMainWindows::SetFormSize(panel, false);  // loads it on the way
    EXPECT_EQ(panel.loads, 1);
    EXPECT_EQ(GetAncestor(panel.hWnd(), GA_PARENT), frmMain.FrameMain.hWnd());
    EXPECT_EQ(panel.Left(), 1500);
    EXPECT_EQ(panel.Top(), 1500);
    EXPECT_EQ(panel.Width(), 6000);
    EXPECT_EQ(panel.Height(), 3000);
}

TEST_F(SetFormSizeTest, FillsTheFrame) {
    panel.Load();
    modMainWindows::SetFormSize(panel, true);
    EXPECT_EQ(panel.loads, 1);
    EXPECT_EQ(GetAncestor(panel.hWnd(), GA_PARENT), frmMain.FrameMain.hWnd());
    EXPECT_EQ(panel.Left(), 0);
    EXPECT_EQ(panel.Top(), 0);
    EXPECT_EQ(panel.Width(), 9000);
    EXPECT_EQ(panel.Height(), 6000);
}

TEST(DisplayFileProperties, AsksTheShellForThePropertySheet) {
    SHELLEXECUTEINFOA seen{};
    std::string verb, file;
    modMainWindows::SetShellExecuteExForTest([&](SHELLEXECUTEINFOA* info) {
        seen = *info;
        verb = info->lpVerb;
        file = info->lpFile;
        return TRUE;
    });
    modMainWindows::DisplayFileProperties("C:\\Windows\\notepad.exe");
    modMainWindows::SetShellExecuteExForTest(nullptr);
    EXPECT_EQ(seen.cbSize, sizeof(SHELLEXECUTEINFOA));
    EXPECT_EQ(seen.fMask, 0x0Cu);
    EXPECT_EQ(seen.hwnd, nullptr);
    EXPECT_EQ(verb, "properties");
    EXPECT_EQ(file, "C:\\Windows\\notepad.exe");
    EXPECT_EQ(seen.lpParameters, nullptr);
    EXPECT_EQ(seen.lpDirectory, nullptr);
    EXPECT_EQ(seen.nShow, SW_SHOW);
}

// ---- the menu hooks

std::vector<std::pair<UINT, WPARAM>> g_seen;

LRESULT CALLBACK Recorder(HWND h, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NULL || msg == WM_RBUTTONDOWN || msg == WM_RBUTTONUP || msg == WM_KEYDOWN || msg == WM_CONTEXTMENU ||
        msg == WM_MOUSEMOVE)
        g_seen.emplace_back(msg, wParam);
    return DefWindowProcA(h, msg, wParam, lParam);
}

struct RecorderWindow {
    HWND h;
    RecorderWindow() {
        static const bool registered = [] {
            WNDCLASSA wc{};
            wc.lpfnWndProc = &Recorder;
            wc.hInstance = GetModuleHandleA(nullptr);
            wc.lpszClassName = "CorvaneTestMacromediaFlashPlayerRecorder";
            return RegisterClassA(&wc) != 0;
        }();
        (void)registered;
        h = CreateWindowExA(0, "CorvaneTestMacromediaFlashPlayerRecorder", "", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr,
                            GetModuleHandleA(nullptr), nullptr);
    }
    ~RecorderWindow() {
        if (IsWindow(h)) DestroyWindow(h);
    }
    LONG_PTR Proc() const { return GetWindowLongPtrA(h, GWLP_WNDPROC); }
};

TEST(FlashMenuHooks, OnlyTheRightPressAndTheMenuKeyAreHidden) {
    RecorderWindow w;
    CursorPosition::HookFlashMenu7(w.h, true);
    ASSERT_TRUE(CursorPosition::IsHooked(w.h));
    struct Case {
        UINT msg;
        WPARAM wParam;
        UINT arrives;
    };
    const Case cases[] = {
        {WM_RBUTTONDOWN, MK_RBUTTON, WM_NULL}, {WM_KEYDOWN, VK_APPS, WM_NULL},   {WM_RBUTTONUP, 0, WM_RBUTTONUP},
        {WM_KEYDOWN, VK_RETURN, WM_KEYDOWN},   {WM_KEYDOWN, VK_F10, WM_KEYDOWN}, {WM_CONTEXTMENU, 0, WM_CONTEXTMENU},
        {WM_MOUSEMOVE, 0, WM_MOUSEMOVE},
    };
    for (const Case& c : cases) {
        g_seen.clear();
        SendMessageA(w.h, c.msg, c.wParam, MAKELPARAM(5, 5));
        ASSERT_FALSE(g_seen.empty()) << c.msg;
        EXPECT_EQ(g_seen.front().first, c.arrives) << "message " << c.msg;
        EXPECT_EQ(g_seen.front().second, c.wParam) << "message " << c.msg;  // wParam kept
    }
    CursorPosition::HookFlashMenu7(w.h, false);
}

TEST(FlashMenuHooks, RemovingRestoresTheExactPreviousProcedure) {
    RecorderWindow a, b;
    const LONG_PTR originalA = a.Proc(), originalB = b.Proc();
    CursorPosition::HookFlashMenu7(a.h, false);  // never installed: nothing happens
    EXPECT_EQ(a.Proc(), originalA);

    CursorPosition::HookFlashMenu7(a.h, true);
    CursorPosition::HookFlashMenu7(a.h, true);   // a second install is refused
    CursorPosition::HookFlashMenu10(b.h, true);  // another window, another slot
    EXPECT_EQ(CursorPosition::HookedSlot(a.h), 7);
    EXPECT_EQ(CursorPosition::HookedSlot(b.h), 10);
    g_seen.clear();
    SendMessageA(a.h, WM_RBUTTONDOWN, MK_RBUTTON, 0);  // no endless self-call after a double install
    ASSERT_EQ(g_seen.size(), 1u);
    EXPECT_EQ(g_seen[0].first, static_cast<UINT>(WM_NULL));

    CursorPosition::HookFlashMenu7(a.h, false);
    EXPECT_EQ(a.Proc(), originalA);
    EXPECT_EQ(b.Proc(), reinterpret_cast<LONG_PTR>(&CursorPosition::FlashNoMenuProc));
    CursorPosition::HookFlashMenu10(b.h, false);
    EXPECT_EQ(b.Proc(), originalB);
    CursorPosition::HookFlashMenu10(b.h, false);
    EXPECT_EQ(b.Proc(), originalB);
}

TEST(FlashMenuHooks, ADestroyedWindowLeavesNoHookBehind) {
    HWND gone;
    {
        RecorderWindow w;
        gone = w.h;
        CursorPosition::HookFlashMenu7(w.h, true);
    }
    EXPECT_FALSE(CursorPosition::IsHooked(gone));
}

class frmPlayer : public ui::Form {
public:
    frmPlayer() : ui::Form("frmPlayer") { flash.Move(0, 0, 200, 100); }
    ui::Label lblNotThePlayer{*this, "lblNotThePlayer"};
    movie::ShockwaveFlash flash{*this, "flash"};
};

TEST(FlashMenuHooks, AHookedPlayerOpensNoMenuWhileReleasesAndKeysStillArrive) {
    frmPlayer form;
    form.Show();
    HWND player = CursorPosition::FindFlashPlayerWindow(form.hWnd());
    ASSERT_EQ(player, form.flash.hWnd());  // found past the label before it
    CursorPosition::HookFlashMenu1(player, true);

    SendMessageA(player, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(10, 10));
    SendMessageA(player, WM_RBUTTONUP, 0, MAKELPARAM(10, 10));
    SendMessageA(player, WM_KEYDOWN, VK_APPS, 0);
    SendMessageA(player, WM_KEYUP, VK_APPS, 0);
    SendMessageA(player, WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_EQ(form.flash.MenusOpened(), 0);  // an unscripted menu would also fail the test
    EXPECT_EQ(form.flash.RightButtonReleases(), 1);
    EXPECT_EQ(form.flash.KeysDown(), std::vector<WPARAM>{VK_RETURN});

    CursorPosition::HookFlashMenu1(player, false);
    base::modal::Expect("FlashPlayerMenu", 0);
    SendMessageA(player, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(10, 10));
    EXPECT_EQ(form.flash.MenusOpened(), 1);
    form.Unload();
}

TEST(FlashMenuHooks, NoPlayerWindowMeansNoneFound) {
    ui::Form form("frmEmpty");
    ui::Label label(form, "lblOnly");
    form.Load();
    EXPECT_EQ(CursorPosition::FindFlashPlayerWindow(form.hWnd()), nullptr);
    form.Unload();
}

// ---- the folder browser

struct FakeDialog {
    static inline std::vector<std::string> selections;
    HWND h;
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        if (msg == BFFM_SETSELECTIONA) selections.push_back(wParam ? reinterpret_cast<const char*>(lParam) : "<pidl>");
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
    FakeDialog() {
        static const bool registered = [] {
            WNDCLASSA wc{};
            wc.lpfnWndProc = &Proc;
            wc.hInstance = GetModuleHandleA(nullptr);
            wc.lpszClassName = "CorvaneTestBrowseDialog";
            return RegisterClassA(&wc) != 0;
        }();
        (void)registered;
        h = CreateWindowExA(0, "CorvaneTestBrowseDialog", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                            GetModuleHandleA(nullptr), nullptr);
        selections.clear();
    }
    ~FakeDialog() { DestroyWindow(h); }
};

// Presses a button of the thread's browse dialog once it stands.
UINT g_pressButton = IDOK;
BOOL CALLBACK FindShownDialog(HWND h, LPARAM out) {
    char cls[16] = {};
    GetClassNameA(h, cls, sizeof cls);
    if (lstrcmpA(cls, "#32770") == 0 && IsWindowVisible(h)) {
        *reinterpret_cast<HWND*>(out) = h;
        return FALSE;
    }
    return TRUE;
}
void CALLBACK PressBrowseButton(HWND, UINT, UINT_PTR id, DWORD) {
    HWND dialog = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), &FindShownDialog, reinterpret_cast<LPARAM>(&dialog));
    if (!dialog) return;
    KillTimer(nullptr, id);
    PostMessageA(dialog, WM_COMMAND, g_pressButton, 0);
}

TEST(BrowseForFolder, TheDialogOpensAtTheStartFolderAndReturnsTheChoice) {
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, MAX_PATH);
    for (const std::string& start : {std::string(windows), std::string(windows) + "\\system32"}) {
        g_pressButton = IDOK;  // OK at once: the choice is the folder the dialog opened with
        const UINT_PTR timer = SetTimer(nullptr, 0, 50, &PressBrowseButton);
        const std::string chosen = Module2::ShowBrowseDialog(start, nullptr, "Choose directory ...");
        KillTimer(nullptr, timer);
        EXPECT_EQ(lstrcmpiA(chosen.c_str(), start.c_str()), 0) << chosen;
    }
    g_pressButton = IDCANCEL;
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, &PressBrowseButton);
    EXPECT_EQ(Module2::ShowBrowseDialog(windows, nullptr, ""), "");
    KillTimer(nullptr, timer);
}

TEST(BrowseForFolder, TheCallbackSelectsOnlyANonEmptyStartFolder) {
    FakeDialog dialog;
    testing_support::TempFolder start;
    g_pressButton = IDCANCEL;
    UINT_PTR timer = SetTimer(nullptr, 0, 50, &PressBrowseButton);
    Module2::ShowBrowseDialog("C:\\Start Here", nullptr, "");  // keeps the start folder for the callback
    KillTimer(nullptr, timer);
    EXPECT_EQ(Module2::BrowseCallbackProc(dialog.h, BFFM_INITIALIZED, 0, 0), 0);
    EXPECT_EQ(FakeDialog::selections, std::vector<std::string>{"C:\\Start Here"});
    EXPECT_EQ(Module2::BrowseCallbackProc(dialog.h, BFFM_SELCHANGED, 0, 0), 0);
    EXPECT_EQ(FakeDialog::selections.size(), 1u);

    timer = SetTimer(nullptr, 0, 50, &PressBrowseButton);
    Module2::ShowBrowseDialog("", nullptr, "");  // an empty start folder: the desktop, no selection
    KillTimer(nullptr, timer);
    FakeDialog::selections.clear();
    Module2::BrowseCallbackProc(dialog.h, BFFM_INITIALIZED, 0, 0);
    EXPECT_TRUE(FakeDialog::selections.empty());
}

TEST(BrowseForFolder, GoesThroughTheModalSeam) {
    base::modal::Expect("BrowseForFolder", [](const base::modal::Step& step) -> long {
        EXPECT_EQ(step.title, "Choose directory ...");
        EXPECT_EQ(step.text, "C:\\Logs");
        return 1;
    });
    EXPECT_EQ(Module2::BrowseForFolder("C:\\Logs", nullptr, "Choose directory ..."), "C:\\Logs");
    base::modal::Expect("BrowseForFolder", 0);
    EXPECT_EQ(Module2::BrowseForFolder("C:\\Logs", nullptr, ""), "");
}

}  // namespace
