// The main window's geometry and the panels its frame hosts: the fit of the window to its movie,
// keeping the window on the screen, which panel shows for which page, and the label twins.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "base/testing/Testing.h"
#include "components/flash/Movie.h"
#include "core/Globals.h"
#include "core/SettingsStore.h"
#include "core/modMain.h"
#include "core/tests/CoreTestSupport.h"
#include "shell/MainLayout.h"
#include "shell/OptionTable.h"
#include "shell/frmAbout.h"
#include "shell/frmAlerts.h"
#include "shell/frmBackup.h"
#include "shell/frmIgnore.h"
#include "shell/frmMain.h"
#include "shell/frmMenu.h"
#include "shell/frmResults.h"
#include "shell/frmSysGuards.h"
#include "ui/Form.h"

namespace {

using mainLayout::Geometry;

// Figures worked by hand from the rule: the movie grows by 1.2 times the difference plus 400
// (across) or 325 (down), the frame moves by its share of the difference, the window takes the
// movie's size.
TEST(MainLayout, TheWindowFitsItsMovieAndTheFrameMovesWithIt) {
    struct Case {
        const char* name;
        Geometry design, fitted;
    };
    const Case cases[] = {
        {"same size: nothing moves", {9495, 6780, 9495, 6780, 240, 600}, {9495, 6780, 9495, 6780, 240, 600}},
        {"smaller window: nothing moves", {9000, 6000, 9495, 6780, 240, 600}, {9000, 6000, 9495, 6780, 240, 600}},
        // dW 105: 9495 + 126 + 400; frame 240 + 240 / 9600 * 105 = 242.6
        {"wider only", {9600, 6780, 9495, 6780, 240, 600}, {10021, 6780, 10021, 6780, 243, 600}},
        // dH 120: 6780 + 144 + 325; frame 600 + 600 / 6900 * 120 = 610.4
        {"taller only", {9495, 6900, 9495, 6780, 240, 600}, {9495, 7249, 9495, 7249, 240, 610}},
        // The program's own design: dW 1380, dH 330 give a movie of 770 by 500 pixels and the
        // frame at 160, 44 pixels over the movie's page area.
        {"the main window", {10875, 7110, 9495, 6780, 2130, 630}, {11551, 7501, 11551, 7501, 2400, 659}},
    };
    for (const Case& c : cases) {
        const Geometry g = mainLayout::LayoutMainFrame(c.design);
        EXPECT_EQ(g.windowWidth, c.fitted.windowWidth) << c.name;
        EXPECT_EQ(g.windowHeight, c.fitted.windowHeight) << c.name;
        EXPECT_EQ(g.flashWidth, c.fitted.flashWidth) << c.name;
        EXPECT_EQ(g.flashHeight, c.fitted.flashHeight) << c.name;
        EXPECT_EQ(g.frameLeft, c.fitted.frameLeft) << c.name;
        EXPECT_EQ(g.frameTop, c.fitted.frameTop) << c.name;
    }
}

TEST(MainLayout, KeepOnScreenCorrectsEachEdgeInTurn) {
    struct Case {
        const char* name;
        mainLayout::Position at;
        long width, height;
        mainLayout::Position expected;
    };
    // A 12000 by 9000 screen.
    const Case cases[] = {
        {"inside", {1500, 900}, 9000, 6000, {1500, 900}},
        {"off the left and the top", {-300, -45}, 9000, 6000, {0, 0}},
        {"off the right and the bottom", {4000, 4000}, 9000, 6000, {3000, 3000}},
        {"larger than the screen ends at the far edges", {-100, 200}, 13000, 9500, {-1000, -500}},
    };
    for (const Case& c : cases) {
        const mainLayout::Position p = mainLayout::KeepOnScreen(c.at, c.width, c.height, 12000, 9000);
        EXPECT_EQ(p.left, c.expected.left) << c.name;
        EXPECT_EQ(p.top, c.expected.top) << c.name;
    }
}

// In every movie of the program folder, a person's click at the centre of a button, check box,
// input or list reaches it: no other item of the frames shown with it lies there.
TEST(MainLayout, EveryControlOfEveryMovieIsClearAtItsCentre) {
    using movie::ItemKind;
    const auto reachable = [](ItemKind k) {
        return k == ItemKind::Button || k == ItemKind::Check || k == ItemKind::Input || k == ItemKind::List;
    };
    const std::string folder = testing_support::ProgramDir();
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA((folder + "\\*.scw").c_str(), &fd);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    int movies = 0;
    do {
        movie::Movie m;
        ASSERT_TRUE(movie::ReadMovieFile(folder + "\\" + fd.cFileName, m)) << fd.cFileName;
        ++movies;
        for (const movie::Item& control : m.items) {
            if (!reachable(control.kind)) continue;
            const POINT centre{(control.rect.left + control.rect.right) / 2,
                               (control.rect.top + control.rect.bottom) / 2};
            for (const movie::Item& other : m.items) {
                if (&other == &control || other.kind == ItemKind::Box || other.kind == ItemKind::Drag) continue;
                if (other.frame != -1 && control.frame != -1 && other.frame != control.frame) continue;
                EXPECT_FALSE(PtInRect(&other.rect, centre))
                    << fd.cFileName << " line " << control.line << " (" << control.var << control.text
                    << ") lies under line " << other.line << " (" << other.var << other.text << ")";
            }
        }
    } while (FindNextFileA(find, &fd));
    FindClose(find);
    EXPECT_GT(movies, 5);
}

// The main window over a program folder with its movies and skin.
class MainFrame : public ::testing::Test {
protected:
    void SetUp() override {
        CreateDirectoryA((folder / "Skin").c_str(), nullptr);
        for (const char* f : {"corvane.scw", "alerts.scw", "SysGuards.scw", "popup.scw", "Skin\\Corvane.skn"})
            ASSERT_TRUE(CopyFileA((testing_support::ProgramDir() + "\\" + f).c_str(), (folder / f).c_str(), FALSE))
                << f;
        gb_backupPath = folder / "BackUp";
        CreateDirectoryA(gb_backupPath.c_str(), nullptr);
        frmMain.Load();
        frmMain.flash.LoadMovie(0, modMain::FullPath_With_Filename("corvane.scw"));
        frmMain.Show();
    }
    void TearDown() override {
        for (ui::Form* f : std::initializer_list<ui::Form*>{&frmMenu, &frmResults, &frmBackup, &frmIgnore,
                                                            &frmSysGuards, &frmAlerts, &frmAbout, &frmMain})
            if (f->Loaded()) f->Unload();
        gb_snapWinBorder = false;
    }
    static RECT ClientRectIn(HWND child, HWND parent) {
        RECT r;
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
        return r;
    }
    testing_support::ScopedProgramFolder folder;
    core_test::ScopedSettingsRoot settingsRoot;
};

TEST_F(MainFrame, TheLoadedWindowIsItsFittedMovieWithThePanelFrameOverThePageArea) {
    RECT w;
    GetWindowRect(frmMain.hWnd(), &w);
    EXPECT_EQ(w.right - w.left, 770);
    EXPECT_EQ(w.bottom - w.top, 500);
    EXPECT_EQ(frmMain.flash.Width(), 770);
    EXPECT_EQ(frmMain.flash.Height(), 500);
    const RECT frame = ClientRectIn(frmMain.FrameMain.hWnd(), frmMain.hWnd());
    EXPECT_EQ(frame.left, 160);
    EXPECT_EQ(frame.top, 44);
    // Exactly one panel's 9000 by 6000 twips.
    EXPECT_EQ(frame.right - frame.left, 600);
    EXPECT_EQ(frame.bottom - frame.top, 400);
    // The strip of labels lies below the frame, inside the window, each label clear of the next.
    RECT last{};
    for (ui::Label* l :
         {&frmMain.lblScanNow, &frmMain.lblRemoveList, &frmMain.lblResults, &frmMain.lblBackup, &frmMain.lblIgnorList,
          &frmMain.lblSysGuard, &frmMain.lblOption, &frmMain.lblAlerts, &frmMain.lblAbout, &frmMain.lblHelp}) {
        const RECT r = ClientRectIn(l->hWnd(), frmMain.hWnd());
        EXPECT_GE(r.top, frame.bottom) << l->Name();
        EXPECT_LE(r.right, 770) << l->Name();
        EXPECT_GE(r.left, last.right) << l->Name();
        last = r;
    }
}

// Which panel the frame shows, in front of the movie, after each way of bringing up a page; the
// movie's own pages cover the frame.
TEST_F(MainFrame, EachPageShowsItsPanelInTheFrameOrTheMovieInFront) {
    struct Case {
        const char* name;
        std::function<void()> open;
        ui::Form* panel;  // nullptr: the movie is in front
        long page;        // the movie's frame, -1: not looked at
    };
    auto& m = frmMain;
    const Case cases[] = {
        {"home panel", [&] { m.cmdScanNow_Click(); }, &frmMenu, frmMain::Home},
        {"scan summary", [&] { m.cmdResults_Click(); }, &frmResults, -1},
        {"backups", [&] { m.cmdBackup_Click(); }, &frmBackup, -1},
        {"keep list", [&] { m.cmdIgnorList_Click(); }, &frmIgnore, -1},
        {"alerts panel", [&] { m.cmdAlerts_Click(); }, &frmAlerts, -1},
        {"about panel", [&] { m.cmdAbout_Click(); }, &frmAbout, frmMain::About},
        {"movie results page", [&] { m.flash_FSCommand("IDC_FS_RESULTS", ""); }, nullptr, frmMain::Results},
        {"movie home page", [&] { m.flash_FSCommand("IDC_FS_SCANNOW", ""); }, nullptr, frmMain::Home},
        {"movie about page", [&] { m.flash_FSCommand("IDC_FS_ABOUT", ""); }, nullptr, frmMain::About},
        {"movie alerts page", [&] { m.flash_FSCommand("IDC_FS_ALERT", ""); }, nullptr, frmMain::Alerts},
        {"system guards from the movie", [&] { m.flash_FSCommand("IDC_FS_SYSGUARD", ""); }, &frmSysGuards,
         frmMain::SystemGuards},
        {"system guards from the button", [&] { m.cmdSystemGuards_Click(); }, &frmSysGuards, frmMain::SystemGuards},
        {"home panel again", [&] { m.cmdScanNow_Click(); }, &frmMenu, frmMain::Home},
    };
    for (const Case& c : cases) {
        c.open();
        EXPECT_EQ(frmMain.PanelShown(), c.panel) << c.name;
        if (c.page >= 0) {
            EXPECT_EQ(frmMain.flash.CurrentFrame(), c.page) << c.name;
        }
        if (!c.panel) continue;
        // The panel fills the frame as a child window of it, and no other panel shows beside it.
        EXPECT_EQ(GetParent(c.panel->hWnd()), frmMain.FrameMain.hWnd()) << c.name;
        EXPECT_TRUE(GetWindowLongPtrA(c.panel->hWnd(), GWL_STYLE) & WS_CHILD) << c.name;
        const RECT r = ClientRectIn(c.panel->hWnd(), frmMain.FrameMain.hWnd());
        EXPECT_EQ(r.left, 0) << c.name;
        EXPECT_EQ(r.top, 0) << c.name;
        EXPECT_EQ(r.right, 600) << c.name;
        EXPECT_EQ(r.bottom, 400) << c.name;
        int shown = 0;
        for (HWND h = GetWindow(frmMain.FrameMain.hWnd(), GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT))
            shown += IsWindowVisible(h) ? 1 : 0;
        EXPECT_EQ(shown, 1) << c.name;
    }
}

// A click on a label runs its own button's handler, and only while that button is enabled.
TEST_F(MainFrame, LabelTwinsForwardClicksToTheirEnabledButton) {
    auto& m = frmMain;
    struct Pair {
        ui::Label& label;
        ui::CommandButton& button;
    };
    const Pair pairs[] = {{m.lblScanNow, m.cmdScanNow},     {m.lblRemoveList, m.cmdRemoveList},
                          {m.lblResults, m.cmdResults},     {m.lblBackup, m.cmdBackup},
                          {m.lblIgnorList, m.cmdIgnorList}, {m.lblSysGuard, m.cmdSystemGuards},
                          {m.lblOption, m.cmdOptions},      {m.lblAlerts, m.cmdAlerts},
                          {m.lblAbout, m.cmdAbout},         {m.lblHelp, m.cmdHelp}};
    std::vector<std::string> clicked;
    std::vector<std::function<void()>> handlers;
    for (const Pair& p : pairs) {
        handlers.push_back(p.button.OnClick);
        p.button.OnClick = [&clicked, &p] { clicked.push_back(p.button.Name()); };
    }
    auto click = [](ui::Label& l) {
        // A real click on the label's window: the static control reports it to the main window.
        SendMessageA(l.hWnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
        SendMessageA(l.hWnd(), WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    };
    for (const Pair& p : pairs) {
        clicked.clear();
        m.disableMe(p.button, false);  // this page is on show: its label does nothing
        click(p.label);
        EXPECT_TRUE(clicked.empty()) << p.label.Name();
        for (const Pair& other : pairs) {
            if (&other == &p) continue;
            clicked.clear();
            click(other.label);
            EXPECT_EQ(clicked, std::vector<std::string>{other.button.Name()}) << other.label.Name();
            break;
        }
        m.disableMe(p.button, true);  // a scan runs: no label does anything
        clicked.clear();
        for (const Pair& q : pairs) click(q.label);
        EXPECT_TRUE(clicked.empty()) << p.label.Name();
    }
    for (size_t i = 0; i < std::size(pairs); ++i) pairs[i].button.OnClick = handlers[i];
}

TEST_F(MainFrame, KeepFormOnScreenPutsTheWindowBackOnlyWithSnappingOn) {
    const long sw = GetSystemMetrics(SM_CXSCREEN) * 15L;
    frmMain.Move(-3000, -1500, frmMain.Width(), frmMain.Height());
    frmMain.keepFormOnScreen();
    EXPECT_EQ(frmMain.Left(), -3000);  // snapping off: left where it is
    gb_snapWinBorder = true;
    frmMain.keepFormOnScreen();
    EXPECT_EQ(frmMain.Left(), 0);
    EXPECT_EQ(frmMain.Top(), 0);
    frmMain.Move(sw, 0, frmMain.Width(), frmMain.Height());
    frmMain.keepFormOnScreen();
    EXPECT_EQ(frmMain.Left(), sw - frmMain.Width());
    // A change of the screen's size puts it back too (the window would be out of reach).
    frmMain.Move(sw + 3000, -600, frmMain.Width(), frmMain.Height());
    SendMessageA(frmMain.hWnd(), WM_DISPLAYCHANGE, 32, MAKELPARAM(GetSystemMetrics(SM_CXSCREEN), 600));
    EXPECT_EQ(frmMain.Left(), sw - frmMain.Width());
    EXPECT_EQ(frmMain.Top(), 0);
}

// The custom page's check box i is the i-th fixed drive: its name beside it, its mark the choice
// remembered for that drive (the flags the custom scan reads by the same order).
TEST_F(MainFrame, TheDrivePageNamesEachCheckBoxAfterItsFixedDrive) {
    // The test prefix has C: as its only fixed drive: a flag past the last drive ticks no box.
    settings::SaveSetting("SelectedDrives", "selected", "TRUE|true|true");
    frmMain.setDrivesToFlash();
    const optionTable::FixedDrives drives = optionTable::ListFixedDrives();
    ASSERT_GE(drives.count, 1);
    auto& movie = frmMain.flash;
    EXPECT_EQ(movie.GetVariable("_root.NumberOfDrives"), std::to_string(drives.count));
    EXPECT_EQ(movie.GetVariable("_root.driveName0"), drives.names.substr(0, drives.names.find('\\')));
    EXPECT_EQ(movie.GetVariable("_root.driveName" + std::to_string(drives.count)), "") << "a name beyond the drives";
    EXPECT_EQ(movie.GetVariable("_root.drive0"), "1");
    EXPECT_EQ(movie.GetVariable("_root.drive" + std::to_string(drives.count)), "0") << "a box beyond the drives";
    // The page sends the marks back as the choice, in the same order.
    movie.SetVariable("_root.drive0", "0");
    frmMain.flash_FSCommand("IDC_FS_SENDITAGAIN", "@drives");
    EXPECT_EQ(settings::GetSetting("SelectedDrives", "selected", "").substr(0, 6), "false|");
    movie.SetVariable("_root.drive0", "1");
    frmMain.flash_FSCommand("IDC_FS_SENDITAGAIN", "@drives");
    EXPECT_EQ(settings::GetSetting("SelectedDrives", "selected", "").substr(0, 5), "true|");
}

}  // namespace
