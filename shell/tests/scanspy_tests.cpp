// The scanning and results windows as views: what the engine reports reaches the controls and the
// scanning movie, and the results window shows the program's results list.
#include <gtest/gtest.h>
#include <windows.h>
// after windows.h
#include <commctrl.h>

#include <vector>

#include "base/Modal.h"
#include "base/TextFile.h"
#include "base/testing/Testing.h"
#include "core/Globals.h"
#include "core/SettingsStore.h"
#include "core/Statistics.h"
#include "core/tests/CoreTestSupport.h"
#include "definitions/DefinitionsPacker.h"
#include "definitions/DefinitionsStore.h"
#include "results/FindingList.h"
#include "scanner/ScanGlobals.h"
#include "shell/CursorPosition.h"
#include "shell/frmResultBackup.h"
#include "shell/frmScanSpy.h"

namespace {

class ScanWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        results::Findings().Clear();
        frmScanSpy.Load();
        frmScanSpy.DisplayPacingMs = 0;
    }
    void TearDown() override {
        frmScanSpy.Unload();
        frmScanSpy.DisplayPacingMs = 50;
        results::Findings().Clear();
        gb_loadCookieDefs = false;
    }
    testing_support::ScopedProgramFolder program_;
};

}  // namespace

TEST_F(ScanWindowTest, CountersReachTheControlsAndTheMovie) {
    frmScanSpy.RunningProcCount = 37;
    frmScanSpy.AddSpytoListview("Malware Process", "C:\\p.exe", "Spy", 9, "1", "", "");
    frmScanSpy.AddSpytoListview("Malware RegKey", "Software\\Bad", "Spy", 5, "", "", "");
    frmScanSpy.AddSpytoListview("Tracking Cookie", "C:\\c.txt", "Spy", 3, "", "", "");
    const std::pair<const char*, const char*> expected[] = {
        {"_root.ScanMovie_ProcessesRunning", "37"},
        {"_root.ScanMovie_MIgnorList", "0"},
        {"_root.ScanMovie_MFound", "3"},
        {"_root.ScanMovie_MNIgnorList", "3"},
        {"_root.ScanMovie_IFiles", "1"},
        {"_root.ScanMovie_IFolders", "0"},
        {"_root.ScanMovie_IMProcesses", "1"},
        {"_root.ScanMovie_IRItems", "1"},
    };
    for (const auto& [name, value] : expected) EXPECT_EQ(frmScanSpy.flash.GetVariable(name), value) << name;
    EXPECT_EQ(frmScanSpy.txtComponent.Text(), "3");
    EXPECT_EQ(frmScanSpy.txtNewComponent.Text(), "3");
    EXPECT_EQ(frmScanSpy.lblProc.Text(), "1");
}

TEST_F(ScanWindowTest, LoadTitleAndStatusLineReachTheMovie) {
    modDefinitions::SetDefinitionsText(
        modDefinitions::ScrambleDefinitionsSource("[COOK]\r\nCOOKT0=DoubleClick\r\nCOOKC0=doubleclick\r\n"));
    gb_loadCookieDefs = true;
    frmScanSpy.loadDataBase(false);
    EXPECT_EQ(frmScanSpy.lblScanOption.Caption(), "Loading Cookies Database...");
    EXPECT_EQ(frmScanSpy.flash.GetVariable("_root.ScanTitle"), "Loading Cookies Database...");
    const std::string line = "Loading Database - " + std::to_string(gb_progressCount);
    EXPECT_EQ(frmScanSpy.txtCurrScan.Text(), line);
    EXPECT_EQ(frmScanSpy.flash.GetVariable("_root.ScanningMovie_ScanResult"), line);
    EXPECT_EQ(frmScanSpy.MousePointer(), 0);
    EXPECT_EQ(frmScanSpy.lstCookies.ListItems.Count(), 1) << "the window shows the engine's lists";
}

TEST_F(ScanWindowTest, PacedDisplayShowsTheLastStateOnceFlushed) {
    frmScanSpy.DisplayPacingMs = 60000;  // nothing is shown until the timer or a flush
    for (int i = 0; i < 50; ++i)
        frmScanSpy.AddSpytoListview("Malware File", "C:\\f" + std::to_string(i) + ".exe", "Spy", 3, "", "", "");
    frmScanSpy.FlushDisplay();
    EXPECT_EQ(frmScanSpy.flash.GetVariable("_root.ScanMovie_MFound"), "50");
    EXPECT_EQ(frmScanSpy.lblFiles.Text(), "50");
}

TEST_F(ScanWindowTest, UnloadedWindowNoLongerListensToTheEngine) {
    EXPECT_NE(frmScanSpy.engine.Progress(), nullptr);
    frmScanSpy.Unload();
    EXPECT_EQ(frmScanSpy.engine.Progress(), nullptr);
    // The engine goes on recording without a window.
    frmScanSpy.engine.AddSpytoListview("Malware File", "C:\\a.exe", "Spy", 3, "", "", "");
    EXPECT_EQ(results::Findings().Count(), 1);
    frmScanSpy.Load();
    EXPECT_NE(frmScanSpy.engine.Progress(), nullptr);
}

// The scanning window hides its movie's context menu while it stands, and its unload keeps the
// result counters in the settings store.
TEST_F(ScanWindowTest, UnloadKeepsTheResultCountersAndGivesTheMovieItsMenuBack) {
    core_test::ScopedSettingsRoot settingsRoot;
    const HWND player = CursorPosition::FindFlashPlayerWindow(frmScanSpy.hWnd());
    ASSERT_NE(player, nullptr);
    EXPECT_EQ(CursorPosition::HookedSlot(player), 10);
    gb_totalSpyFilesRemoved = 7;
    gb_totalSpywareFound = 9;
    frmScanSpy.Unload();
    EXPECT_FALSE(CursorPosition::IsHooked(player));
    EXPECT_EQ(settings::GetSetting("Results", "gb_totalSpyFilesRemoved"), "7");
    EXPECT_EQ(settings::GetSetting("Results", "gb_totalSpywareFound"), "9");
    gb_totalSpyFilesRemoved = gb_totalSpywareFound = 0;
    frmScanSpy.Load();
}

TEST(ResultsWindow, ShowsTheRowsOfTheResultsList) {
    results::Findings().Clear();
    frmResultBackup.Show();
    results::Findings().Add({results::FindingKind::File, "Spy", "C:\\a.exe", "", "C:\\a.exe", "", true});
    EXPECT_EQ(SendMessageA(frmResultBackup.SpyListView.hWnd(), LVM_GETITEMCOUNT, 0, 0), 1);
    EXPECT_EQ(frmResultBackup.SpyListView.CellText(0, 2), "C:\\a.exe");
    EXPECT_EQ(&frmResultBackup.SpyListView.ListItems, &results::Findings().Rows());
    frmResultBackup.Unload();
    EXPECT_EQ(results::Findings().Count(), 0) << "the findings go with the window";
}

namespace {

// Lets the window's timers run for `ms` milliseconds.
void PumpFor(DWORD ms) {
    const ULONGLONG end = GetTickCount64() + ms;
    while (GetTickCount64() < end) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(10);
    }
}

class ScanWindowStatesTest : public ::testing::Test {
protected:
    void SetUp() override {
        results::Findings().Clear();
        gb_scanLogFile = program_ / "logs\\ScanLog.log";
        gb_autoRemove = gb_playSounds = false;
        frmScanSpy.Show();
        frmScanSpy.ShowResultsList = [this] { ++resultsShown_; };
    }
    void TearDown() override {
        frmScanSpy.MainWindowScanning = nullptr;
        frmScanSpy.ShowResultsList = nullptr;
        if (frmScanSpy.Loaded()) frmScanSpy.Unload();
        results::Findings().Clear();
        gb_scanAborted = false;
    }
    testing_support::ScopedProgramFolder program_;
    testing_support::TempFolder empty_;
    int resultsShown_ = 0;
};

}  // namespace

TEST_F(ScanWindowStatesTest, FinishedScanShowsContinueAndLeavesOnIt) {
    std::vector<bool> mainScanning;
    frmScanSpy.MainWindowScanning = [&](bool scanning) { mainScanning.push_back(scanning); };
    ASSERT_TRUE(frmScanSpy.ScanSelectedFolder(empty_.path()));
    EXPECT_EQ((std::vector<bool>{true, false}), mainScanning);
    EXPECT_EQ("Continue", frmScanSpy.flash.GetVariable("_root.ButtonCaption"));
    EXPECT_EQ("1", frmScanSpy.flash.GetVariable("_root.stopMovie"));
    EXPECT_EQ("Congratulations!, No Malware was found", frmScanSpy.flash.GetVariable("_root.ScanningMovie_ScanResult"));
    EXPECT_FALSE(frmScanSpy.SpiderShown());
    EXPECT_TRUE(frmScanSpy.Loaded());
    EXPECT_FALSE(gb_scanBusy);

    frmScanSpy.flash.InjectCommand("IDC_FS_ABORTSCANNING");
    EXPECT_FALSE(IsWindowVisible(frmScanSpy.hWnd()));
    PumpFor(400);
    EXPECT_FALSE(frmScanSpy.Loaded());
    EXPECT_EQ(0, resultsShown_);  // nothing found: no results list
}

// Abort while the scan runs: stop flag raised, window hidden at once, kept until the scan returned,
// then unloaded with the results list shown; a second scan and an unload are refused meanwhile.
TEST_F(ScanWindowStatesTest, AbortDuringAScanEndsTheWindowOnlyAfterTheScan) {
    bool refused = false, unloadRefused = false, flagRaised = false, hidden = false;
    frmScanSpy.MainWindowScanning = [&](bool scanning) {
        if (!scanning) return;
        results::Findings().AddRow("Malware File", {});  // something to show afterwards
        refused = !frmScanSpy.QuickScan();
        frmScanSpy.flash.InjectCommand("idc_fs_abortscanning");
        flagRaised = gb_scanAborted;
        hidden = !IsWindowVisible(frmScanSpy.hWnd());
        unloadRefused = !frmScanSpy.Unload();
    };
    ASSERT_TRUE(frmScanSpy.ScanSelectedFolder(empty_.path()));
    EXPECT_TRUE(refused);
    EXPECT_TRUE(flagRaised);
    EXPECT_TRUE(hidden);
    EXPECT_TRUE(unloadRefused);
    EXPECT_TRUE(frmScanSpy.Loaded());  // the finished steps wrote to a living window
    EXPECT_FALSE(gb_scanBusy);
    PumpFor(400);
    EXPECT_FALSE(frmScanSpy.Loaded());
    EXPECT_EQ(1, resultsShown_);
}

TEST_F(ScanWindowStatesTest, UnknownMovieCommandIsShownToTheUser) {
    std::string shown;
    base::modal::Expect("MsgBox", [&](const base::modal::Step& s) -> long {
        shown = s.text;
        return IDOK;
    });
    frmScanSpy.flash.InjectCommand("IDC_FS_WHATEVER");
    EXPECT_EQ("IDC_FS_WHATEVER not handeled yet", shown);
    EXPECT_EQ(0u, base::modal::Pending());
    EXPECT_TRUE(frmScanSpy.Loaded());
}

// The walks' own counters: registry items looked at and process comparisons reach the movie.
TEST_F(ScanWindowTest, SearchedRegistryItemsAndCheckedProcessesReachTheMovie) {
    frmScanSpy.flash.LoadMovie(0, testing_support::ProgramDir() + "\\Scanning.scw");
    for (int i = 0; i < 3; ++i) {
        base::ListItem& row = frmScanSpy.lstRegKSearch.ListItems.Add("");
        row.SubItems(1) = "Spy";
        row.SubItems(2) = "Software\\CorvaneNoSuchKey" + std::to_string(i);
    }
    frmScanSpy.engine.CheckRegKList();
    for (int i = 0; i < 5; ++i) frmScanSpy.engine.CheckMType("C:\\Windows\\notepad.exe", "bad.exe", "Spy", "1");
    frmScanSpy.engine.UpdateScanMovieCounters();
    EXPECT_EQ(frmScanSpy.flash.GetVariable("_root.ScanMovie_SRItems"), "3");
    EXPECT_EQ(frmScanSpy.flash.GetVariable("_root.ScanMovie_SMProcesses"), "5");
    EXPECT_EQ(frmScanSpy.flash.ShownText("_root.ScanMovie_SRItems"), "3") << "the face has a field for it";
    EXPECT_EQ(frmScanSpy.flash.ShownText("_root.ScanMovie_SMProcesses"), "5");
}

// Every scan counts what it searched from zero, though the window stays loaded between scans.
TEST_F(ScanWindowStatesTest, SearchCountersStartAtZeroForEveryScan) {
    for (const char* sub : {"a", "b", "a\\c"}) CreateDirectoryA((empty_ / sub).c_str(), nullptr);
    for (const char* file : {"one.txt", "a\\two.txt", "a\\c\\three.txt", "b\\four.txt"})
        base::WriteText(empty_ / file, "x");
    std::vector<std::pair<std::string, std::string>> shown;
    for (int scan = 0; scan < 2; ++scan) {
        frmScanSpy.engine.counters.RegistryItemsSearched = 99;  // left over from an earlier scan
        frmScanSpy.engine.counters.ProcessChecks = 77;
        ASSERT_TRUE(frmScanSpy.ScanSelectedFolder(empty_.path()));
        ASSERT_TRUE(frmScanSpy.Loaded());
        shown.emplace_back(frmScanSpy.flash.GetVariable("_root.ScanMovie_SFolders"),
                           frmScanSpy.flash.GetVariable("_root.ScanMovie_SFiles"));
        EXPECT_EQ(frmScanSpy.flash.GetVariable("_root.ScanMovie_SRItems"), "0") << "scan " << scan;
        EXPECT_EQ(frmScanSpy.flash.GetVariable("_root.ScanMovie_SMProcesses"), "0") << "scan " << scan;
    }
    EXPECT_EQ(shown[0].second, "4");
    EXPECT_NE(shown[0].first, "0");
    EXPECT_EQ(shown[1], shown[0]) << "the second scan of the same folder counts the same";
}
