#include <gtest/gtest.h>
#include <windows.h>

#include "base/Modal.h"
#include "base/TextFile.h"
#include "base/testing/Testing.h"
#include "components/flash/Movie.h"
#include "components/flash/ShockwaveFlash.h"
#include "ui/Form.h"
#include "ui/MessageLoop.h"

namespace {

using movie::ItemKind;

TEST(MovieFormat, ReadsEveryKindOfLine) {
    const movie::Movie m = movie::ParseMovie(
        "# a comment\r\n"
        "movie 400 200\r\n"
        "background #102030\n"
        "color #FFFFFF\n"
        "var _root.Title \"Hello \"\"world\"\"\"\n"
        "clip _root.endOFTheProgress set _root.Progress \"0\"\n"
        "clip _root.rewind goto 0\n"
        "frame *\n"
        "  box 0 0 400 30 #203040\n"
        "  text 10 5 380 20 _root.Title font=title align=center\n"
        "  drag 0 0 400 30\n"
        "frame 1\n"
        "  button 10 150 80 24 \"OK\" IDC_FS_OK args=\"a b\"\n"
        "  button 100 150 80 24 _root.ButtonCaption IDC_FS_NEXT\n"
        "  input 10 40 100 20 _root.Password password\n"
        "  check 10 70 100 20 \"Remember\" _root.Remember\n"
        "  list 10 100 380 40 SpyList IDC_FS_SELECT\n"
        "  text 10 130 100 20 \"literal = text\" color=#FF0000 back=#000000\n"
        "  check 10 160 100 20 \"\" _root.drive0 label=_root.driveName0\n");
    EXPECT_TRUE(m.errors.empty()) << m.errors.front();
    EXPECT_EQ(m.width, 400);
    EXPECT_EQ(m.background, RGB(0x10, 0x20, 0x30));
    ASSERT_EQ(m.vars.size(), 1u);
    EXPECT_EQ(m.vars[0].second, "Hello \"world\"");
    ASSERT_EQ(m.clips.count("_ROOT.ENDOFTHEPROGRESS"), 1u);  // clip names ignore case
    ASSERT_EQ(m.items.size(), 10u);
    EXPECT_EQ(m.items[0].kind, ItemKind::Box);
    EXPECT_EQ(m.items[0].frame, -1);
    EXPECT_EQ(m.items[1].var, "_root.Title");
    EXPECT_EQ(m.items[1].font, "title");
    EXPECT_EQ(m.items[1].align, 'c');
    EXPECT_EQ(m.items[2].command, "IDC_FS_DRAG");
    EXPECT_EQ(m.items[3].text, "OK");
    EXPECT_EQ(m.items[3].args, "a b");
    EXPECT_EQ(m.items[3].frame, 1);
    EXPECT_EQ(m.items[4].var, "_root.ButtonCaption");
    EXPECT_TRUE(m.items[5].password);
    EXPECT_EQ(m.items[6].var, "_root.Remember");
    EXPECT_EQ(m.items[7].var, "SpyList");
    EXPECT_EQ(m.items[7].command, "IDC_FS_SELECT");
    EXPECT_EQ(m.items[8].text, "literal = text");
    EXPECT_EQ(m.items[8].color, RGB(255, 0, 0));
    EXPECT_EQ(m.items[9].var, "_root.drive0");
    EXPECT_EQ(m.items[9].label, "_root.driveName0");
}

TEST(MovieFormat, BadLinesAreNamedAndSkipped) {
    struct Case {
        const char* line;
        const char* error;
    };
    const Case cases[] = {
        {"movie 400", "movie wants"},
        {"background blue", "colour"},
        {"frame x", "frame wants"},
        {"sprite 0 0 1 1", "unknown keyword"},
        {"text 0 0 10", "x y width height"},
        {"text 0 0 10 -1 _root.A", "x y width height"},
        {"text 0 0 10 10 \"open", "unclosed quote"},
        {"text 0 0 10 10 _root.A font=huge", "bad option"},
        {"button 0 0 10 10 \"OK\"", "wrong fields"},
        {"check 0 0 10 10 _root.A _root.B", "wrong fields"},
        {"button 0 0 10 10 \"OK\" IDC_FS_OK label=_root.A", "bad option"},  // captions of check boxes only
        {"check 0 0 10 10 \"\" _root.A label=", "bad option"},
        {"clip x play", "clip wants"},
    };
    for (const Case& c : cases) {
        const movie::Movie m = movie::ParseMovie(std::string("movie 10 10\n") + c.line + "\ntext 0 0 1 1 _root.Ok\n");
        ASSERT_EQ(m.errors.size(), 1u) << c.line;
        EXPECT_EQ(m.errors[0].rfind("line 2: ", 0), 0u) << m.errors[0];
        EXPECT_NE(m.errors[0].find(c.error), std::string::npos) << m.errors[0];
        ASSERT_FALSE(m.items.empty()) << c.line;  // the good line after it still counts
        EXPECT_EQ(m.items.back().var, "_root.Ok");
    }
}

TEST(MovieFormat, EveryShippedMovieReadsCleanly) {
    WIN32_FIND_DATAA fd;
    const std::string folder = testing_support::SourceDir() + "\\assets";
    HANDLE h = FindFirstFileA((folder + "\\*.scw").c_str(), &fd);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << "no movie under " << folder;
    int movies = 0;
    do {
        movie::Movie m;
        ASSERT_TRUE(movie::ReadMovieFile(folder + "\\" + fd.cFileName, m)) << fd.cFileName;
        EXPECT_TRUE(m.errors.empty()) << fd.cFileName << ": " << m.errors.front();
        EXPECT_FALSE(m.items.empty()) << fd.cFileName;
        ++movies;
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    EXPECT_GE(movies, 1);
}

const char kTestMovie[] =
    "movie 400 200\n"
    "background #FFFFFF\n"
    "var _root.Title \"Start\"\n"
    "clip _root.endOFTheProgress set _root.Title \"Ended\"\n"
    "clip _root.toSecond goto 1\n"
    "join _root.Joined \"|\" _root.Kind _root.Hour _root.Joined _root.Minute\n"
    "frame *\n"
    "text 10 5 380 20 _root.Title font=title\n"
    "drag 0 0 400 30\n"
    "frame 0\n"
    "button 10 150 80 24 \"OK\" IDC_FS_OK args=\"yes\"\n"
    "button 100 150 80 24 \"Cancel\" IDC_FS_CANCEL\n"
    "input 10 40 100 20 _root.Name\n"
    "check 120 40 100 20 \"Remember\" _root.Remember\n"
    "check 230 40 100 20 \"\" _root.drive0 label=_root.driveName0\n"
    "list 10 70 380 70 SpyList IDC_FS_SELECT\n"
    "frame 1\n"
    "button 10 150 80 24 _root.ButtonCaption IDC_FS_NEXT\n";

class frmHost : public ui::Form {
public:
    frmHost() : ui::Form("frmHost") {
        Move(0, 0, 6000, 3000);
        flash.Move(0, 0, 400, 200);
        flash.FSCommand = [this](const std::string& c, const std::string& a) { commands.push_back(c + "(" + a + ")"); };
    }
    movie::ShockwaveFlash flash{*this, "flash"};
    std::vector<std::string> commands;
};

class HostTest : public ::testing::Test {
protected:
    void SetUp() override {
        base::WriteText(folder / "test.scw", kTestMovie);
        form.Show();
        form.flash.LoadMovie(0, folder / "test.scw");
    }
    void TearDown() override { form.Unload(); }
    testing_support::TempFolder folder;
    frmHost form;
};

TEST_F(HostTest, PlayerWindowIsADirectChildNamedAsThePlayer) {
    HWND child = GetWindow(form.hWnd(), GW_CHILD);
    ASSERT_EQ(child, form.flash.hWnd());
    char cls[250] = {};
    GetClassNameA(child, cls, sizeof cls);
    CharLowerA(cls);
    EXPECT_NE(std::string(cls).find("macromediaflashplayer"), std::string::npos) << cls;
}

TEST_F(HostTest, TextsFollowTheirVariables) {
    EXPECT_TRUE(form.flash.MovieLoaded());
    EXPECT_EQ(form.flash.ShownText("_root.Title"), "Start");
    form.flash.SetVariable("_root.Title", "Scan finished");
    EXPECT_EQ(form.flash.ShownText("_root.title"), "Scan finished");  // names ignore case
    EXPECT_EQ(form.flash.GetVariable("_root.Title"), "Scan finished");
    EXPECT_EQ(form.flash.GetVariable("_root.NeverSet"), "");
}

TEST_F(HostTest, ButtonsSendTheirCommandAndFramesChangeTheFace) {
    EXPECT_TRUE(form.flash.ClickButton("IDC_FS_OK"));
    EXPECT_TRUE(form.flash.ClickButton("IDC_FS_CANCEL"));
    EXPECT_EQ(form.commands, (std::vector<std::string>{"IDC_FS_OK(yes)", "IDC_FS_CANCEL()"}));

    form.flash.SetVariable("_root.ButtonCaption", "Continue");
    form.flash.GotoFrame(1);
    EXPECT_EQ(form.flash.CurrentFrame(), 1);
    EXPECT_FALSE(form.flash.HasButton("IDC_FS_OK"));
    EXPECT_TRUE(form.flash.HasButton("IDC_FS_NEXT"));
    EXPECT_EQ(form.flash.ShownText("_root.Title"), "Start");  // frame * stays
    HWND next = FindWindowExA(form.flash.hWnd(), nullptr, "BUTTON", "Continue");
    EXPECT_NE(next, nullptr);
}

TEST_F(HostTest, InputsAndChecksWriteTheirVariables) {
    HWND edit = FindWindowExA(form.flash.hWnd(), nullptr, "EDIT", nullptr);
    ASSERT_NE(edit, nullptr);
    SetWindowTextA(edit, "typed");
    EXPECT_EQ(form.flash.GetVariable("_root.Name"), "typed");
    form.flash.SetVariable("_root.Name", "from program");
    char buf[64] = {};
    GetWindowTextA(edit, buf, sizeof buf);
    EXPECT_STREQ(buf, "from program");

    HWND check = FindWindowExA(form.flash.hWnd(), nullptr, "BUTTON", "Remember");
    ASSERT_NE(check, nullptr);
    SendMessageA(check, BM_CLICK, 0, 0);
    EXPECT_EQ(form.flash.GetVariable("_root.Remember"), "1");
}

// A check box named by a variable: no name, no box; the name set, the box shows it.
TEST_F(HostTest, ACheckBoxNamedByAVariableShowsOnlyWithAName) {
    auto box = [&]() -> HWND {
        for (HWND h = FindWindowExA(form.flash.hWnd(), nullptr, "BUTTON", nullptr); h;
             h = FindWindowExA(form.flash.hWnd(), h, "BUTTON", nullptr)) {
            char text[32] = {};
            GetWindowTextA(h, text, sizeof text);
            if ((GetWindowLongA(h, GWL_STYLE) & BS_TYPEMASK) == BS_AUTOCHECKBOX && std::string(text) != "Remember")
                return h;
        }
        return nullptr;
    };
    HWND h = box();
    ASSERT_NE(h, nullptr);
    EXPECT_FALSE(IsWindowVisible(h));
    form.flash.SetVariable("_root.driveName0", "C:");
    EXPECT_TRUE(IsWindowVisible(h));
    char text[32] = {};
    GetWindowTextA(h, text, sizeof text);
    EXPECT_STREQ(text, "C:");
    SendMessageA(h, BM_CLICK, 0, 0);
    EXPECT_EQ(form.flash.GetVariable("_root.drive0"), "1");
    form.flash.SetVariable("_root.driveName0", "");
    EXPECT_FALSE(IsWindowVisible(h));
}

TEST_F(HostTest, ListsFollowTheFlashListProtocol) {
    form.flash.SetVariable("_root.NumberOfSpyList", "2");
    form.flash.SetVariable("_root.SpyListString", "Malware File|C:\\a.exe|Malware Folder|C:\\B|");
    EXPECT_TRUE(form.flash.ListRowTexts("SpyList").empty());  // nothing until the listener is set
    form.flash.SetVariable("_root.SpyListListener", "1");
    EXPECT_EQ(form.flash.ListRowTexts("SpyList"),
              (std::vector<std::string>{"Malware File\tC:\\a.exe", "Malware Folder\tC:\\B"}));
    EXPECT_TRUE(form.flash.SelectListRow("SpyList", 1));
    EXPECT_EQ(form.commands, std::vector<std::string>{"IDC_FS_SELECT(1)"});

    form.flash.SetVariable("_root.NumberOfSpyList", "0");
    form.flash.SetVariable("_root.SpyListString", "");
    form.flash.SetVariable("_root.SpyListListener", "1");
    EXPECT_TRUE(form.flash.ListRowTexts("SpyList").empty());
}

TEST_F(HostTest, AJoinedVariableIsComposedWhenReadAndEmptyWithoutItsFirstPart) {
    struct Case {
        const char *kind, *hour, *minute, *joined;
    };
    for (const Case& c :
         {Case{"", "10", "30", ""}, Case{"daily", "10", "30", "daily|10||30"}, Case{"never", "", "", "never|||"}}) {
        form.flash.SetVariable("_root.Kind", c.kind);
        form.flash.SetVariable("_root.Hour", c.hour);
        form.flash.SetVariable("_root.Minute", c.minute);
        EXPECT_EQ(form.flash.GetVariable("_root.JOINED"), c.joined) << c.kind;  // names ignore case
    }
}

TEST_F(HostTest, PressingTheTitleAreaSendsDrag) {
    SendMessageA(form.flash.hWnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(50, 10));
    SendMessageA(form.flash.hWnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(50, 120));  // not a drag area
    EXPECT_EQ(form.commands, std::vector<std::string>{"IDC_FS_DRAG()"});
}

TEST_F(HostTest, TPlayRunsTheClip) {
    form.flash.TPlay("_root.endOFTheProgress");
    EXPECT_EQ(form.flash.ShownText("_root.Title"), "Ended");
    form.flash.TPlay("_root.toSecond");
    EXPECT_EQ(form.flash.CurrentFrame(), 1);
    form.flash.TPlay("_root.unknownClip");
    EXPECT_EQ(form.flash.PlayedClips().size(), 3u);
}

TEST_F(HostTest, ThePlayerOpensItsOwnMenuOnRightClickKeyAndContextMenu) {
    HWND p = form.flash.hWnd();
    base::modal::Expect("FlashPlayerMenu", 0);
    SendMessageA(p, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(20, 20));
    SendMessageA(p, WM_RBUTTONUP, 0, MAKELPARAM(20, 20));
    EXPECT_EQ(form.flash.MenusOpened(), 1);
    EXPECT_EQ(form.flash.RightButtonReleases(), 1);

    base::modal::Expect("FlashPlayerMenu", 0);
    SendMessageA(p, WM_KEYDOWN, VK_APPS, 0);
    SendMessageA(p, WM_KEYUP, VK_APPS, 0);
    EXPECT_EQ(form.flash.MenusOpened(), 2);

    base::modal::Expect("FlashPlayerMenu", 3);  // Rewind
    form.flash.GotoFrame(1);
    SendMessageA(p, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(p), -1);
    EXPECT_EQ(form.flash.MenusOpened(), 3);
    EXPECT_EQ(form.flash.CurrentFrame(), 0);
    EXPECT_EQ(base::modal::Pending(), 0u);
}

TEST_F(HostTest, AMissingMovieLeavesAnEmptyFace) {
    form.flash.LoadMovie(0, folder / "absent.scw");
    EXPECT_FALSE(form.flash.MovieLoaded());
    EXPECT_EQ(GetWindow(form.flash.hWnd(), GW_CHILD), nullptr);
    form.flash.SetVariable("_root.Title", "still kept");
    EXPECT_EQ(form.flash.GetVariable("_root.Title"), "still kept");
}

TEST_F(HostTest, UnloadForgetsTheMovie) {
    form.Unload();
    EXPECT_FALSE(form.flash.MovieLoaded());
    EXPECT_EQ(form.flash.GetVariable("_root.Title"), "");
    form.Show();
    EXPECT_EQ(GetWindow(form.flash.hWnd(), GW_CHILD), nullptr);
}

}  // namespace
