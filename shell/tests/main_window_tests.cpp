#include <gtest/gtest.h>
#include <objbase.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/Modal.h"
#include "base/TextFile.h"
#include "base/testing/Testing.h"
#include "core/Globals.h"
#include "core/SettingsStore.h"
#include "core/modMain.h"
#include "core/tests/CoreTestSupport.h"
#include "shell/AppVersion.h"
#include "shell/ScanDrivers.h"
#include "shell/Tray.h"
#include "shell/frmBackup.h"
#include "shell/frmCustomSelect.h"
#include "shell/frmIgnore.h"
#include "shell/frmMain.h"
#include "shell/frmMenu.h"
#include "shell/frmResults.h"
#include "shell/frmScanNow.h"
#include "ui/MessageLoop.h"

namespace {

using Calls = std::vector<std::string>;

// A program folder with the main movie and the skin, its own settings, and the main window's
// seams recording what it does.
class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        CreateDirectoryA((folder / "Skin").c_str(), nullptr);
        for (const char* f : {"corvane.scw", "alerts.scw", "Skin\\Corvane.skn"})
            CopyFileA((testing_support::ProgramDir() + "\\" + f).c_str(), (folder / f).c_str(), FALSE);
        frmMain.OnStep = [this](const std::string& s) { steps.push_back(s); };
        frmMain.OnScan = [this](const std::string& d, const std::string& a) { scans.push_back(d + "(" + a + ")"); };
        frmMain.EndProgram = [this] { ended = true; };
        // The scan-choice panel's scans, as "/STARTUP" replays them.
        scanDrivers::Install({[] {}, [this] { scans.push_back("chosen:quick"); },
                              [this] { scans.push_back("chosen:full"); },
                              [this](const std::string& o) { scans.push_back("chosen:custom(" + o + ")"); }});
    }
    void TearDown() override {
        if (frmMain.Loaded()) {
            frmMain.RunsProgram = false;
            frmMain.Unload();
        }
        frmMain.OnStep = {};
        frmMain.OnScan = {};
        frmMain.EndProgram = {};
        frmMain.CommandLine.clear();
        for (ui::Form* f : std::initializer_list<ui::Form*>{&frmCustomSelect, &frmScanNow, &frmMenu})
            if (f->Loaded()) f->Unload();
        scanDrivers::Install({});
        gb_scanAborted = gb_scanBusy = gb_enablePassword = gb_passwordAccepted = false;
        MSG m;
        while (PeekMessageA(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
    }
    void LoadPlain() {
        frmMain.Load();
        frmMain.flash.LoadMovie(0, modMain::FullPath_With_Filename("corvane.scw"));
    }
    testing_support::ScopedProgramFolder folder;
    core_test::ScopedSettingsRoot settingsRoot;
    Calls steps, scans;
    bool ended = false;
};

TEST_F(MainWindowTest, StartUpAndShutDownRunInOrderAndCancelChangesNothing) {
    settings::SaveSetting("Statistics", "NUMBER OF SCANS", "7");
    frmMain.RunsProgram = true;
    frmMain.Load();
    EXPECT_EQ(steps, (Calls{"SingleInstance", "LoadEncryption", "LoadSettings",   "Splash",         "Position",
                            "Skin",           "Movie",          "SelectedDrives", "Folders",        "DeleteLogFile",
                            "Caption",        "Home",           "FlashMenuHook",  "OptionsToMovie", "PublishHandles",
                            "MonitorTimer",   "LoadForms",      "TrayIcon",       "HideSplash",     "Show"}));
    EXPECT_TRUE(frmMain.Visible());
    // Centred (to the pixel) when the position is not remembered.
    EXPECT_NEAR(frmMain.Left(), ui::ScreenWidthTwips() / 2 - frmMain.Width() / 2, 15);
    EXPECT_NEAR(frmMain.Top(), ui::ScreenHeightTwips() / 2 - frmMain.Height() / 2, 15);
    EXPECT_TRUE(frmMain.flash.MovieLoaded());
    EXPECT_TRUE(frmMain.Tray1.IsVisible());
    EXPECT_EQ(frmMain.flash.GetVariable("_root.SelectedDrives").substr(0, 15), "true|true|false");
    // The custom page offers the fixed drives, the test prefix's C: alone, with the remembered
    // choice ticked (the first two flags by default; there is no second fixed drive to tick).
    EXPECT_EQ(frmMain.flash.GetVariable("_root.NumberOfDrives"), "1");
    EXPECT_EQ(frmMain.flash.GetVariable("_root.NamesOfDrives").substr(0, 3), "C:\\");
    EXPECT_EQ(frmMain.flash.GetVariable("_root.driveName0"), "C:");
    EXPECT_EQ(frmMain.flash.GetVariable("_root.drive0"), "1");
    for (int i = 1; i < 16; ++i) {
        EXPECT_EQ(frmMain.flash.GetVariable("_root.driveName" + std::to_string(i)), "") << i;
        EXPECT_EQ(frmMain.flash.GetVariable("_root.drive" + std::to_string(i)), "0") << i;
    }
    // The home page with the program's statistics, Scan Now the one button disabled.
    EXPECT_EQ(frmMain.flash.CurrentFrame(), frmMain::Home);
    EXPECT_EQ(frmMain.flash.GetVariable("_root.NumberOfScans"), "7");
    EXPECT_FALSE(frmMain.cmdScanNow.Enabled());
    EXPECT_TRUE(frmMain.cmdAbout.Enabled());
    const std::string box = std::to_string(reinterpret_cast<UINT_PTR>(frmMain.txtPramaterInfoEnvenHandeler.hWnd()));
    EXPECT_EQ(settings::GetSetting("txtHandle", "txtPramaterInfoEnvenHandeler"), box);
    EXPECT_EQ(settings::GetSetting("formHandle", "fromhandlewindow"),
              std::to_string(reinterpret_cast<UINT_PTR>(frmMain.hWnd())));

    // Cancel at the question: the window, the handles and the icon stay.
    steps.clear();
    base::modal::Expect("frmMsgBox", 2);
    EXPECT_FALSE(frmMain.Unload());
    EXPECT_EQ(steps, (Calls{"Confirm"}));
    EXPECT_TRUE(frmMain.Loaded());
    EXPECT_TRUE(frmMain.Tray1.IsVisible());
    EXPECT_FALSE(gb_scanAborted);
    EXPECT_EQ(settings::GetSetting("txtHandle", "txtPramaterInfoEnvenHandeler"), box);

    // OK: the guards stop before their snapshots go; nothing is left behind, and a panel still open
    // keeps what the user chose on it.
    frmScanNow.Load();
    shellControls::Select(frmScanNow.optFullScan,
                          {&frmScanNow.optQuickScan, &frmScanNow.optFullScan, &frmScanNow.optCustomScan});
    for (const char* f : {"stpFldrlst.qvl", "Fvrlst.qvl", "BHOlst.qvl"})
        base::Handle(CreateFileA((folder / f).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    steps.clear();
    base::modal::Expect("frmMsgBox", 1);
    EXPECT_TRUE(frmMain.Unload());
    EXPECT_EQ(steps, (Calls{"Confirm", "Unhook", "Handles", "StopFlag", "SaveSettings", "TrayOff", "StopGuards",
                            "DeleteSnapshots", "UnloadForms", "End"}));
    EXPECT_FALSE(frmMain.Tray1.IsVisible());
    EXPECT_TRUE(gb_scanAborted);
    EXPECT_EQ(settings::GetSetting("txtHandle", "txtPramaterInfoEnvenHandeler"), "-1");
    EXPECT_EQ(settings::GetSetting("formHandle", "fromhandlewindow"), "-1");
    EXPECT_FALSE(settings::GetSetting("Interface", "winLeft").empty());
    for (const char* f : {"stpFldrlst.qvl", "stpReglst.qvl", "Fvrlst.qvl", "Hjlst.qvl", "BHOlst.qvl"})
        EXPECT_EQ(GetFileAttributesA((folder / f).c_str()), INVALID_FILE_ATTRIBUTES) << f;
    EXPECT_FALSE(frmScanNow.Loaded());
    EXPECT_EQ(settings::GetSetting("ScanNowSettings", "optFullScan"), "True");
    MSG m;
    EXPECT_TRUE(PeekMessageA(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

// The splash shows while the program comes up and is gone when the window shows; with the option
// off it is never loaded, and without its file the start-up goes on without one.
TEST_F(MainWindowTest, SplashShowsDuringStartUpOnlyWhenAskedTo) {
    struct Case {
        const char* useSplash;
        bool withFile;
        bool stepped, shown;
    };
    for (const Case& c : std::initializer_list<Case>{
             {"True", true, true, true}, {"False", true, false, false}, {"True", false, true, false}}) {
        const std::string file = folder / "Corvane.spl";
        DeleteFileA(file.c_str());
        if (c.withFile) CopyFileA((testing_support::ProgramDir() + "\\Corvane.spl").c_str(), file.c_str(), FALSE);
        settings::SaveSetting("RunStartup", "UseSplash", c.useSplash);
        bool shownWhileStarting = false;
        std::string title;
        frmMain.OnStep = [&](const std::string& s) {
            steps.push_back(s);
            if (s == "Movie") {
                shownWhileStarting = frmMain.Splash.Visible();
                title = frmMain.Splash.Shown().title;
            }
        };
        steps.clear();
        frmMain.RunsProgram = true;
        frmMain.Load();
        const bool stepped = std::find(steps.begin(), steps.end(), "Splash") != steps.end();
        EXPECT_EQ(stepped, c.stepped) << c.useSplash << c.withFile;
        EXPECT_EQ(shownWhileStarting, c.shown) << c.useSplash << c.withFile;
        EXPECT_EQ(title, c.shown ? "Corvane" : "") << c.useSplash << c.withFile;
        EXPECT_FALSE(frmMain.Splash.Visible());
        EXPECT_EQ(steps.back(), "Show");
        frmMain.RunsProgram = false;
        frmMain.Unload();
    }
}

TEST_F(MainWindowTest, StartsAtTheStoredPlaceWhenAskedTo) {
    settings::SaveSetting("Interface", "winLeft", "1500");
    settings::SaveSetting("Interface", "winTop", "900");
    settings::SaveSetting("Interface", "RememWinPos", "True");
    frmMain.RunsProgram = true;
    frmMain.Load();
    EXPECT_EQ(frmMain.Left(), 1500);
    EXPECT_EQ(frmMain.Top(), 900);
}

TEST_F(MainWindowTest, SecondInstanceIsRefusedAndTouchesNothing) {
    base::Handle running(CreateMutexA(nullptr, FALSE, frmMain::InstanceMutexName().c_str()));
    ASSERT_TRUE(running);
    base::modal::Expect("MsgBox", 1);
    frmMain.RunsProgram = true;
    frmMain.Load();
    EXPECT_TRUE(ended);
    EXPECT_EQ(steps, (Calls{"SingleInstance"}));
    ASSERT_FALSE(base::modal::Seen().empty());
    EXPECT_EQ(base::modal::Seen().back().text, "There is already opened instance");
    EXPECT_EQ(settings::GetSetting("txtHandle", "txtPramaterInfoEnvenHandeler"), "");
    EXPECT_FALSE(frmMain.Tray1.IsVisible());
}

TEST_F(MainWindowTest, CommandTable) {
    LoadPlain();
    struct Case {
        const char* command;
        const char* args;
        Calls scans;
        long frame;  // -1: not looked at
    };
    for (const Case& c : std::initializer_list<Case>{
             {"IDC_FS_SCANMODE", "fullscan", {"StartScan()"}, -1},
             {"idc_fs_scanmode", "QUICKSCAN", {"QuickScan()"}, -1},
             {"IDC_FS_SCANMODE", "CUSTOMSCAN", {}, frmMain::Custom},
             {"IDC_FS_ABOUT", "", {}, frmMain::About},
             {"IDC_FS_SHOWREMOVELIST", "", {}, -1},
             {"Idc_Fs_ScanNow", "", {}, frmMain::Home},
         }) {
        scans.clear();
        frmMain.flash_FSCommand(c.command, c.args);
        EXPECT_EQ(scans, c.scans) << c.command << " " << c.args;
        if (c.frame >= 0) {
            EXPECT_EQ(frmMain.flash.CurrentFrame(), c.frame) << c.command;
        }
    }
    // major.minor.0.revision, of the one version the program has.
    EXPECT_EQ(frmMain.flash.GetVariable("_root.versionNumber"), "Version: " + std::to_string(appVersion::kMajor) + "." +
                                                                    std::to_string(appVersion::kMinor) + ".0." +
                                                                    std::to_string(appVersion::kRevision));

    // The drive flags: commas become bars in the setting and the movie; the movie's check boxes
    // stand behind "@drives".
    frmMain.flash_FSCommand("IDC_FS_SENDITAGAIN", "true,false,true");
    EXPECT_EQ(settings::GetSetting("SelectedDrives", "selected"), "true|false|true");
    EXPECT_EQ(frmMain.flash.GetVariable("_root.SelectedDrives"), "true|false|true");
    frmMain.flash.SetVariable("_root.drive0", "0");
    frmMain.flash.SetVariable("_root.drive1", "1");
    scans.clear();
    frmMain.flash_FSCommand("IDC_FS_CUSTOMSCAN", "@drives");
    ASSERT_EQ(scans.size(), 1u);
    // The flags choose the drives (the setting the scan reads); the page scans every place.
    EXPECT_EQ(scans[0], "CustomScan(SM|QS|DS|SC)");
    EXPECT_EQ(settings::GetSetting("SelectedDrives", "selected").substr(0, 17), "false|true|false|");
    // A start shows the remembered choice ticked, so Scan Now keeps it; a flag with no fixed drive
    // behind it has no box and goes.
    settings::SaveSetting("SelectedDrives", "selected", "true|true|false");
    frmMain.setDrivesToFlash();
    EXPECT_EQ(frmMain.flash.GetVariable("_root.drive0"), "1");
    frmMain.flash_FSCommand("IDC_FS_CUSTOMSCAN", "@drives");
    EXPECT_EQ(settings::GetSetting("SelectedDrives", "selected").substr(0, 17), "true|false|false|");

    // Minimise hides the window to the tray; the tray menu's Show/Hide brings it back.
    frmMain.Show();
    frmMain.flash_FSCommand("IDC_FS_MINIMIZE", "");
    EXPECT_FALSE(frmMain.Visible());
    EXPECT_TRUE(frmMain.mnuMainShowHideChecked());
    base::modal::Expect("mnuMain", 1);  // Show/Hide
    frmMain.Tray1_RightClick();
    EXPECT_TRUE(frmMain.Visible());
    EXPECT_FALSE(frmMain.mnuMainShowHideChecked());

    // An unknown command says so, as received.
    base::modal::Expect("MsgBox", 1);
    frmMain.flash_FSCommand("IDC_FS_Foo", "");
    EXPECT_EQ(base::modal::Seen().back().text, "IDC_FS_FooNot handled yet");
}

TEST_F(MainWindowTest, RefusedPasswordOpensNothingAndSendsTheMovieHome) {
    LoadPlain();
    gb_enablePassword = true;
    // Every command that shows protected data or changes something: the scans, the options, the
    // lists and their actions, the alerts, the system guards, the statistics.
    for (const char* command : {"IDC_FS_SCANMODE",
                                "IDC_FS_CUSTOMSCAN",
                                "IDC_FS_OPTIONS",
                                "IDC_FS_SAVESETTINGS",
                                "IDC_FS_ADVANCEDSETTINGS",
                                "IDC_FS_CHANGEPASSWORD",
                                "IDC_FS_SYSGUARD",
                                "IDC_FS_ENABLESTARTUPGUARD",
                                "IDC_FS_IEFAVORITESGUARD",
                                "IDC_FS_IEHIJACKGUARD",
                                "IDC_FS_IEHOMEPAGEGUARD",
                                "IDC_FS_ADDITTOALERTSECTION",
                                "IDC_FS_RADIOOFTEXT",
                                "IDC_FS_SAVEHOMEPAGE",
                                "IDC_FS_STARTUP_ENABLEDISABLE",
                                "IDC_FS_STARTUP_DELETE",
                                "IDC_FS_STARTUP_ADDSTARTUP",
                                "IDC_FS_STARTUP_SAVESTARTUP",
                                "IDC_FS_STARTUP_LOADSTARTUP",
                                "IDC_FS_STARTUP_RESET",
                                "IDC_FS_STARTUP_APPLY",
                                "IDC_FS_BHO_ENABLEDISABLE",
                                "IDC_FS_BHO_DELETE",
                                "IDC_FS_BHO_APPLY",
                                "IDC_FS_BHO_SAVEBHOSETTING",
                                "IDC_FS_BHO_LOADBHOSETTING",
                                "IDC_FS_UNINSTALL",
                                "IDC_FS_RESULTS",
                                "IDC_FS_RESULTSBACKUP",
                                "IDC_FS_RESULTSDELETEBACKUP",
                                "IDC_FS_RESUTSIGNORE",
                                "IDC_FS_ALERT",
                                "IDC_FS_AUTHORIZE",
                                "IDC_FS_DELETE",
                                "IDC_FS_REMOVELIST",
                                "IDC_FS_REMOVEIGNORE",
                                "IDC_FS_REMOVELIST_REMOVE",
                                "IDC_FS_REMOVEBACKUP",
                                "IDC_FS_RESETSTATISTICS"}) {
        frmMain.flash.GotoFrame(frmMain::About);
        base::modal::Expect("frmEnterPassword", 2);  // Cancel
        frmMain.flash_FSCommand(command, "FULLSCAN");
        EXPECT_EQ(base::modal::Pending(), 0u) << command;
        EXPECT_EQ(frmMain.flash.CurrentFrame(), frmMain::Home) << command;
    }
    EXPECT_TRUE(scans.empty());
    EXPECT_FALSE(frmResults.Loaded());
    // Pages that change nothing never ask.
    for (const char* command : {"IDC_FS_ABOUT", "IDC_FS_SHOWREMOVELIST", "IDC_FS_SCANNOW"}) {
        const size_t seen = base::modal::Seen().size();
        frmMain.flash_FSCommand(command, "");
        EXPECT_EQ(base::modal::Seen().size(), seen) << command;
    }

    // Accepted once, the protected rows run without asking again until the window is shown anew.
    struct Accepted {
        const char *command, *args;
        Calls scans;
    };
    gb_passwordAccepted = true;
    for (const Accepted& c : std::initializer_list<Accepted>{{"IDC_FS_SCANMODE", "fullscan", {"StartScan()"}},
                                                             {"idc_fs_scanmode", "QUICK", {"QuickScan()"}},
                                                             {"IDC_FS_SCANMODE", "CUSTOMSCAN", {}},
                                                             {"IDC_FS_CUSTOMSCAN", "SM|QS", {"CustomScan(SM|QS)"}}}) {
        scans.clear();
        const size_t seen = base::modal::Seen().size();
        frmMain.flash_FSCommand(c.command, c.args);
        EXPECT_EQ(scans, c.scans) << c.command << " " << c.args;
        EXPECT_EQ(base::modal::Seen().size(), seen) << c.command;
    }
}

TEST_F(MainWindowTest, CommandLineSwitches) {
    LoadPlain();
    struct Case {
        const char* line;
        Calls scans;
    };
    for (const Case& c : std::initializer_list<Case>{
             {"", {}},
             {"/startup", {"chosen:quick"}},  // nothing remembered yet: the panel's design choice
             {"/SCAN", {"StartScan()"}},
             {"/scanx", {}},
             {"scanfolder|C:\\x", {}},
             {"ScanFolder|C:\\x", {"ScanSelectedFolder(ScanFolder|C:\\x)"}},
             {"/STARTUP ScanFolder|C:\\y", {"chosen:quick", "ScanSelectedFolder(/STARTUP ScanFolder|C:\\y)"}},
         }) {
        scans.clear();
        frmMain.CommandLine = c.line;
        frmMain.tmrStartUP.SetEnabled(true);
        frmMain.tmrStartUP_Timer();
        EXPECT_EQ(scans, c.scans) << c.line;
        EXPECT_FALSE(frmMain.tmrStartUP.Enabled()) << c.line;
        EXPECT_EQ(frmMain.txtPramaterInfoEnvenHandeler.Text(), "") << c.line;
    }
}

// "/STARTUP" replays the choice the scan-choice panel remembered: a quick or a full scan starts, the
// custom choice opens the custom selection and starts nothing. The choice stays remembered.
TEST_F(MainWindowTest, StartupReplaysTheRememberedScanChoice) {
    LoadPlain();
    struct Case {
        const char *quick, *full, *custom;
        Calls scans;
        bool customPanel;
    };
    for (const Case& c : std::initializer_list<Case>{
             {"True", "False", "False", {"chosen:quick"}, false},
             {"False", "True", "False", {"chosen:full"}, false},
             {"False", "False", "True", {}, true},
         }) {
        scans.clear();
        settings::SaveSetting("ScanNowSettings", "optQuickScan", c.quick);
        settings::SaveSetting("ScanNowSettings", "optFullScan", c.full);
        settings::SaveSetting("ScanNowSettings", "optCustomScan", c.custom);
        frmMain.CommandLine = "/STARTUP";
        frmMain.tmrStartUP.SetEnabled(true);
        frmMain.tmrStartUP_Timer();
        EXPECT_EQ(scans, c.scans) << c.full << c.custom;
        EXPECT_EQ(frmCustomSelect.Loaded(), c.customPanel) << c.full << c.custom;
        if (c.customPanel) {
            EXPECT_EQ(frmMain.flash.CurrentFrame(), frmMain::Custom);
        }
        if (frmScanNow.Loaded()) frmScanNow.Unload();
        EXPECT_EQ(settings::GetSetting("ScanNowSettings", "optFullScan"), c.full);
        EXPECT_EQ(settings::GetSetting("ScanNowSettings", "optCustomScan"), c.custom);
        if (frmCustomSelect.Loaded()) frmCustomSelect.Unload();
    }
}

TEST_F(MainWindowTest, ParameterChannelTakesWmSetTextAndDropsRequestsDuringAScan) {
    LoadPlain();
    HWND box = frmMain.txtPramaterInfoEnvenHandeler.hWnd();
    SendMessageA(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("ScanFolder|C:\\Some Folder"));
    EXPECT_EQ(scans, (Calls{"ScanSelectedFolder(ScanFolder|C:\\Some Folder)"}));
    EXPECT_EQ(frmMain.txtPramaterInfoEnvenHandeler.Text(), "");
    scans.clear();
    gb_scanBusy = true;
    SendMessageA(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("ScanFolder|C:\\Other"));
    EXPECT_TRUE(scans.empty());
    EXPECT_EQ(frmMain.txtPramaterInfoEnvenHandeler.Text(), "");
}

// The main window's icon does the same in either event mode: a left click brings the hidden window
// back, a right click opens the tray menu.
TEST_F(MainWindowTest, TrayClicksRestoreTheWindowOrOpenTheMenuInEitherEventMode) {
    LoadPlain();
    for (long mode : {0L, 1L}) {
        SCOPED_TRACE(mode);
        frmMain.Tray1.SetEventMode(mode);
        frmMain.flash_FSCommand("IDC_FS_MINIMIZE", "");
        ASSERT_FALSE(frmMain.Visible());
        SendMessageA(frmMain.Tray1.hwnd(), Tray::kCallbackMessage, 0, WM_LBUTTONDOWN);
        EXPECT_TRUE(frmMain.Visible());
        ui::PumpFor(60);
        const size_t before = base::modal::Seen().size();
        base::modal::Expect("mnuMain", 0);  // dismissed
        SendMessageA(frmMain.Tray1.hwnd(), Tray::kCallbackMessage, 0, WM_RBUTTONDOWN);
        ASSERT_EQ(base::modal::Seen().size(), before + 1);
        EXPECT_EQ(base::modal::Seen().back().kind, "mnuMain");
        ui::PumpFor(60);
    }
    frmMain.Tray1.SetEventMode(0);
}

// The tray icon's clicks. Under the null display driver the shell keeps no icon, so this checks
// the control's side: the icon record calls, the click events and the re-add at a shell restart.
TEST(TrayTest, ClicksBecomeOneEventEachAndTheIconComesBackAfterAShellRestart) {
    Tray t;
    int left = 0, right = 0;
    std::vector<long> buttons;
    t.LeftClick = [&] { ++left; };
    t.RightClick = [&] { ++right; };
    t.Show(true);
    EXPECT_TRUE(t.IsVisible());
    t.showBalloonoolTip(true);
    EXPECT_TRUE(t.IsVisible());
    auto press = [&](UINT mouse) { SendMessageA(t.hwnd(), Tray::kCallbackMessage, 0, mouse); };
    press(WM_LBUTTONDOWN);
    press(WM_LBUTTONDOWN);  // within the guard: dropped
    EXPECT_EQ(left, 1);
    // The guard goes by the clock: a press made after it is taken even when the window was too
    // busy to read its messages in between (a restored window repainting).
    Sleep(40);
    press(WM_LBUTTONDOWN);
    EXPECT_EQ(left, 2) << "a press after the guard time was dropped";
    ui::PumpFor(60);
    press(WM_MOUSEMOVE);
    press(WM_LBUTTONUP);
    press(WM_RBUTTONDOWN);
    EXPECT_EQ(right, 1);
    EXPECT_EQ(left, 2);
    ui::PumpFor(60);
    // The mode is 0 or 1: anything else is taken as the nearer one.
    for (auto [set, read] : {std::pair{5L, 1L}, {-3L, 0L}, {1L, 1L}, {0L, 0L}}) {
        t.SetEventMode(set);
        EXPECT_EQ(t.EventMode(), read) << set;
    }
    t.SetEventMode(5);
    t.MouseClick = [&](long b) { buttons.push_back(b); };
    press(WM_RBUTTONDOWN);
    EXPECT_EQ(buttons, (std::vector<long>{2}));
    EXPECT_EQ(right, 1) << "mode 5 raised the separate event";

    SendMessageA(t.hwnd(), RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    EXPECT_EQ(t.ReAdds(), 1);
    EXPECT_TRUE(t.IsVisible());
    t.Show(false);
    EXPECT_FALSE(t.IsVisible());
    SendMessageA(t.hwnd(), RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    EXPECT_EQ(t.ReAdds(), 1);  // a removed icon stays removed
}

}  // namespace

// With no help file Help says so and logs why, instead of doing nothing.
// A row chosen in a list names nothing once the list was sent anew: the last backup deleted, a
// second Delete does nothing (no question, no error), and the other backup stays.
TEST_F(MainWindowTest, ARowChosenBeforeTheListChangedIsForgotten) {
    gb_backupPath = folder / "BackUp";
    CreateDirectoryA(gb_backupPath.c_str(), nullptr);
    for (const char* name : {"first", "second"}) CreateDirectoryA((gb_backupPath + "\\" + name).c_str(), nullptr);
    LoadPlain();
    frmMain.flash_FSCommand("IDC_FS_RESULTS", "");
    frmMain.flash_FSCommand("IDC_FS_BACKUPROW", "1");
    base::modal::Expect("frmMsgBox", 1);  // "Delete this backup?" OK
    frmMain.flash_FSCommand("IDC_FS_RESULTSDELETEBACKUP", "@backup");
    EXPECT_EQ(base::modal::Pending(), 0u);
    const int left = base::FolderExists(gb_backupPath + "\\first") + base::FolderExists(gb_backupPath + "\\second");
    EXPECT_EQ(left, 1);
    frmMain.flash_FSCommand("IDC_FS_RESULTSDELETEBACKUP", "@backup");
    EXPECT_EQ(base::FolderExists(gb_backupPath + "\\first") + base::FolderExists(gb_backupPath + "\\second"), left);
    EXPECT_FALSE(base::FileExists(folder / "logs\\errorlog.txt")) << base::ReadWhole(folder / "logs\\errorlog.txt");
    for (ui::Form* f : std::initializer_list<ui::Form*>{&frmResults, &frmIgnore, &frmBackup}) f->Unload();
    gb_backupPath.clear();
}

// The system's reader of compiled help files, as its interface is published.
struct IITStorage : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE StgCreateDocfile(const WCHAR*, DWORD, DWORD, IStorage**) = 0;
    virtual HRESULT STDMETHODCALLTYPE StgCreateDocfileOnILockBytes(ILockBytes*, DWORD, DWORD, IStorage**) = 0;
    virtual HRESULT STDMETHODCALLTYPE StgIsStorageFile(const WCHAR*) = 0;
    virtual HRESULT STDMETHODCALLTYPE StgIsStorageILockBytes(ILockBytes*) = 0;
    virtual HRESULT STDMETHODCALLTYPE StgOpenStorage(const WCHAR*, IStorage*, DWORD, SNB, DWORD, IStorage**) = 0;
};
const CLSID kClsidITStorage = {0x5d02926a, 0x212e, 0x11d0, {0x9d, 0xf9, 0x00, 0xa0, 0xc9, 0x22, 0xe6, 0xec}};
const IID kIidITStorage = {0x88cc31de, 0x27ab, 0x11d0, {0x9d, 0xf9, 0x00, 0xa0, 0xc9, 0x22, 0xe6, 0xec}};

// The help the build puts in the program folder is a compiled help file whose pages the system's
// own reader of such files hands out, one for each part of the program.
TEST(HelpFile, TheProgramFolderHoldsACompiledPageForEachPart) {
    const std::string file = testing_support::ProgramDir() + "\\Help\\Help.chm";
    ASSERT_TRUE(base::FileExists(file)) << file;
    const std::pair<const char*, const char*> pages[] = {{"main.htm", "The main window"},
                                                         {"home.htm", "Home"},
                                                         {"scan.htm", "The scan"},
                                                         {"results.htm", "Results"},
                                                         {"removal.htm", "Removal and backups"},
                                                         {"backups.htm", "Backups"},
                                                         {"keeplist.htm", "Keep List"},
                                                         {"guards.htm", "System Guards"},
                                                         {"alerts.htm", "Alerts"},
                                                         {"options.htm", "Options"},
                                                         {"liveupdate.htm", "Live Update"}};
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    IITStorage* reader = nullptr;
    ASSERT_TRUE(SUCCEEDED(CoCreateInstance(kClsidITStorage, nullptr, CLSCTX_INPROC_SERVER, kIidITStorage,
                                           reinterpret_cast<void**>(&reader))));
    std::wstring wide(file.begin(), file.end());
    IStorage* help = nullptr;
    ASSERT_TRUE(SUCCEEDED(reader->StgOpenStorage(wide.c_str(), nullptr, STGM_READ | STGM_SHARE_DENY_WRITE, nullptr, 0,
                                                 &help)) &&
                help)
        << "not a compiled help file";
    for (const auto& [page, title] : pages) {
        SCOPED_TRACE(page);
        IStream* stream = nullptr;
        const std::wstring name(page, page + strlen(page));
        ASSERT_TRUE(SUCCEEDED(help->OpenStream(name.c_str(), nullptr, STGM_READ, 0, &stream)) && stream);
        std::string text;
        char buffer[4096];
        ULONG got = 0;
        while (SUCCEEDED(stream->Read(buffer, sizeof buffer, &got)) && got > 0) text.append(buffer, got);
        stream->Release();
        EXPECT_NE(text.find(std::string("<title>") + title + "</title>"), std::string::npos) << text.substr(0, 300);
    }
    help->Release();
    reader->Release();
    CoUninitialize();
}

TEST_F(MainWindowTest, HelpWithoutAHelpFileTellsTheUserAndLogsIt) {
    LoadPlain();
    std::string shown;
    base::modal::Expect("frmMsgBox", [&](const base::modal::Step& s) -> long {
        shown = s.text;
        return 1;
    });
    frmMain.flash.InjectCommand("IDC_FS_HELP");
    EXPECT_EQ(base::modal::Pending(), 0u);
    const std::string help = folder / "Help\\Help.chm";
    EXPECT_EQ(shown, "The help file could not be opened:\r\n" + help);
    const std::string log = base::ReadWhole(folder / "logs\\errorlog.txt");
    EXPECT_NE(log.find("Error Description: File not found: " + help + ", Error Number: 53, Method: cmdHelp_Click"),
              std::string::npos)
        << log;
}
