#include <gtest/gtest.h>
#include <windows.h>

#include <functional>

#include "base/Modal.h"
#include "base/RuntimeError.h"
#include "base/testing/Testing.h"
#include "core/Globals.h"
#include "shell/CursorPosition.h"
#include "shell/frmMain.h"
#include "shell/frmMsgBox.h"
#include "ui/MessageLoop.h"

namespace {

using base::modal::Step;

// A program folder with the box's movie and the main skin, the main window loaded.
class MsgBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        CreateDirectoryA((folder / "Skin").c_str(), nullptr);
        const std::string from = testing_support::ProgramDir();
        ASSERT_TRUE(CopyFileA((from + "\\alerts.scw").c_str(), (folder / "alerts.scw").c_str(), FALSE));
        ASSERT_TRUE(CopyFileA((from + "\\Skin\\Corvane.skn").c_str(), (folder / "Skin\\Corvane.skn").c_str(), FALSE));
        frmMain.Load();
    }
    void TearDown() override {
        frmMsgBox.Unload();
        frmMain.Unload();
        gb_scanAborted = false;
        gb_snapWinBorder = false;
    }
    // Answers the next box by running `inside` while it is shown.
    static void Answer(std::function<void()> inside) {
        base::modal::Expect("frmMsgBox", [inside](const Step&) -> long {
            inside();
            return 0;
        });
    }
    testing_support::ScopedProgramFolder folder;
};

TEST_F(MsgBoxTest, TheMoviesCommandsGiveTheResult) {
    struct Case {
        bool okOnly;
        std::function<void()> press;
        long want;
    };
    const Case cases[] = {
        {false, [] { ASSERT_TRUE(frmMsgBox.flash.ClickButton("IDC_FS_OK")); }, 1},
        {false, [] { ASSERT_TRUE(frmMsgBox.flash.ClickButton("IDC_FS_CANCEL")); }, 2},
        {false, [] { frmMsgBox.flash.InjectCommand("idc_fs_cancel"); }, 2},  // compared upper-cased
        {false, [] { frmMsgBox.flash.InjectCommand("Idc_Fs_Ok", "ignored"); }, 1},
        {true, [] { ASSERT_TRUE(frmMsgBox.flash.ClickButton("IDC_FS_OK")); }, 1},
        {true, [] { frmMsgBox.flash.InjectCommand("IDC_FS_CANCEL"); }, 2},  // one handler for both frames
    };
    for (const Case& c : cases) {
        Answer(c.press);
        const long got = c.okOnly ? frmMsgBox.msgboxOK("Text", "Title") : frmMsgBox.msgbox("Text", "Title");
        EXPECT_EQ(got, c.want);
        EXPECT_FALSE(frmMsgBox.Visible());
        EXPECT_TRUE(frmMsgBox.Loaded());  // hidden between calls, not unloaded
    }
}

TEST_F(MsgBoxTest, ScriptedNumbersPressTheButtons) {
    base::modal::Expect("frmMsgBox", 2);
    EXPECT_EQ(frmMsgBox.msgbox("Are you sure, you want to close the program ?", "Corvane"), 2);
    base::modal::Expect("frmMsgBox", 1);
    EXPECT_EQ(frmMsgBox.msgbox("Remove?", "Corvane"), 1);
}

TEST_F(MsgBoxTest, TheBoxShowsTitleTextAndTheFramesButtons) {
    Answer([] {
        EXPECT_TRUE(frmMsgBox.Visible());
        EXPECT_EQ(frmMsgBox.flash.CurrentFrame(), 0);
        EXPECT_EQ(frmMsgBox.flash.ShownText("_root.Title"), "First title");
        EXPECT_EQ(frmMsgBox.flash.ShownText("_root.Message"), "First text");
        EXPECT_TRUE(frmMsgBox.flash.HasButton("IDC_FS_OK"));
        EXPECT_TRUE(frmMsgBox.flash.HasButton("IDC_FS_CANCEL"));
        EXPECT_EQ(GetWindow(frmMsgBox.hWnd(), GW_OWNER), frmMain.hWnd());
        EXPECT_FALSE(frmMain.Enabled());  // the other windows take no input meanwhile
        frmMsgBox.flash.InjectCommand("IDC_FS_OK");
    });
    base::modal::Expect("frmMsgBox", [](const Step& step) -> long {
        EXPECT_EQ(step.title, "Second title");
        EXPECT_EQ(step.text, "Second text");
        EXPECT_EQ(step.flags, MB_OK);
        EXPECT_EQ(frmMsgBox.flash.CurrentFrame(), 1);
        EXPECT_EQ(frmMsgBox.flash.ShownText("_root.Title"), "Second title");  // nothing of the first call
        EXPECT_EQ(frmMsgBox.flash.ShownText("_root.Message"), "Second text");
        EXPECT_FALSE(frmMsgBox.flash.HasButton("IDC_FS_CANCEL"));
        return 1;
    });
    frmMsgBox.msgbox("First text", "First title");
    EXPECT_TRUE(frmMain.Enabled());
    EXPECT_EQ(frmMsgBox.msgboxOK("Second text", "Second title"), 1);
}

TEST_F(MsgBoxTest, AnotherCommandLeavesTheBoxOpenAndTheResultAlone) {
    Answer([] {
        frmMsgBox.flash.InjectCommand("IDC_FS_HELP");
        EXPECT_TRUE(frmMsgBox.Visible());
        frmMsgBox.flash.InjectCommand("IDC_FS_CANCEL");
    });
    EXPECT_EQ(frmMsgBox.msgbox("Text", "Title"), 2);
}

TEST_F(MsgBoxTest, ABoxThatGoesAwayWithoutAnAnswerIsNotAnOk) {
    Answer([] { frmMsgBox.Hide(); });  // hidden by something other than its buttons
    EXPECT_EQ(frmMsgBox.msgbox("Remove the selected components from your system?", "Corvane"), 2);
    Answer([] { SendMessageA(frmMsgBox.hWnd(), WM_CLOSE, 0, 0); });  // closed by the system
    EXPECT_EQ(frmMsgBox.msgbox("Close?", "Corvane"), 2);
    EXPECT_FALSE(frmMsgBox.Loaded());
    Answer([] { frmMsgBox.Hide(); });
    EXPECT_EQ(frmMsgBox.msgboxOK("Notice", "Corvane"), 1);
}

TEST_F(MsgBoxTest, WhileClosingTheBoxIsModelessAndAQuestionIsNotTakenAsOk) {
    gb_scanAborted = true;
    EXPECT_EQ(frmMsgBox.msgbox("Remove the selected components from your system?", "Corvane"), 2);
    EXPECT_TRUE(frmMsgBox.Visible());  // stays up until a button hides it
    EXPECT_TRUE(base::modal::Seen().empty());
    EXPECT_EQ(GetWindow(frmMsgBox.hWnd(), GW_OWNER), frmMain.hWnd());
    frmMsgBox.flash.ClickButton("IDC_FS_OK");
    EXPECT_FALSE(frmMsgBox.Visible());

    EXPECT_EQ(frmMsgBox.msgboxOK("Notice", "Corvane"), 1);
    // A modal call while the modeless box is still up fails to the caller.
    gb_scanAborted = false;
    try {
        frmMsgBox.msgbox("Another", "Corvane");
        ADD_FAILURE() << "no error";
    } catch (const base::RuntimeError& e) {
        EXPECT_EQ(e.number(), 400);
    }
}

TEST_F(MsgBoxTest, TheBoxHasTheSkinsShapeAndAHookedPlayer) {
    Answer([] {
        HRGN r = CreateRectRgn(0, 0, 0, 0);
        ASSERT_NE(GetWindowRgn(frmMsgBox.hWnd(), r), ERROR);
        EXPECT_FALSE(PtInRegion(r, 0, 0));
        EXPECT_TRUE(PtInRegion(r, 200, 85));
        DeleteObject(r);

        EXPECT_EQ(frmMsgBox.flashWindow, frmMsgBox.flash.hWnd());
        EXPECT_EQ(CursorPosition::HookedSlot(frmMsgBox.flashWindow), 7);
        RECT client, movie;
        GetClientRect(frmMsgBox.hWnd(), &client);
        GetWindowRect(frmMsgBox.flash.hWnd(), &movie);
        EXPECT_EQ(movie.right - movie.left, client.right);  // the movie covers the box
        EXPECT_EQ(movie.bottom - movie.top, client.bottom);

        // A right click opens no player menu (an unscripted menu would fail the test).
        SendMessageA(frmMsgBox.flashWindow, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(30, 60));
        SendMessageA(frmMsgBox.flashWindow, WM_RBUTTONUP, 0, MAKELPARAM(30, 60));
        EXPECT_EQ(frmMsgBox.flash.RightButtonReleases(), 1);
        frmMsgBox.flash.InjectCommand("IDC_FS_OK");
    });
    frmMsgBox.msgbox("Text", "Title");
    HWND player = frmMsgBox.flashWindow;
    frmMsgBox.Unload();
    EXPECT_FALSE(CursorPosition::IsHooked(player));
    EXPECT_EQ(frmMsgBox.flashWindow, nullptr);
}

TEST_F(MsgBoxTest, DraggingSnapsBackOntoTheScreen) {
    const long screen = ui::ScreenWidthTwips();
    struct Case {
        bool snap;
        int toX;  // pixels
        std::function<long(long width)> wantLeft;
    };
    const int screenPx = GetSystemMetrics(SM_CXSCREEN);
    const Case cases[] = {
        {true, -200, [](long) { return 0L; }},
        {true, screenPx - 100, [screen](long width) { return screen - width; }},
        {false, -200, [](long) { return -200L * ui::TwipsPerPixelX(); }},
    };
    for (const Case& c : cases) {
        gb_snapWinBorder = c.snap;
        Answer([&] {
            frmMsgBox.flash.InjectCommand("IDC_FS_DRAG");
            EXPECT_EQ(frmMsgBox.Left(), c.wantLeft(frmMsgBox.Width())) << "to " << c.toX << " snap " << c.snap;
            EXPECT_TRUE(frmMsgBox.Visible());
            frmMsgBox.flash.InjectCommand("IDC_FS_OK");
        });
        base::modal::Expect("DragWindow", [&](const Step&) -> long {
            // The user moves the box with the mouse.
            SetWindowPos(frmMsgBox.hWnd(), nullptr, c.toX, 50, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            return 0;
        });
        EXPECT_EQ(frmMsgBox.msgbox("Text", "Title"), 1);
    }
}

TEST_F(MsgBoxTest, WorksWithoutTheMainWindowAndWithoutItsMovie) {
    frmMain.Unload();
    DeleteFileA((folder / "alerts.scw").c_str());
    base::modal::Expect("frmMsgBox", 2);
    EXPECT_EQ(frmMsgBox.msgbox("Text", "Title"), 2);
    HRGN r = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(GetWindowRgn(frmMsgBox.hWnd(), r), ERROR);  // no skin loaded: left rectangular
    DeleteObject(r);
}

}  // namespace
