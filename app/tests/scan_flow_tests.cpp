// Scans through the program as it is wired, over the seeded machine: the results list after the
// scanning window is left, two scans with a finding removed by hand between them, the main movie's
// commands while a scan runs, and an old results file that cannot be deleted or written. The
// program's memory check, its scans and its results file act on the prefix's shared places,
// hence the test's locks.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "app/tests/ProgramFixture.h"
#include "base/ErrorLog.h"
#include "base/Handles.h"
#include "base/Modal.h"
#include "base/TextFile.h"
#include "base/testing/seeded/SeededMachine.h"
#include "core/Globals.h"
#include "results/FindingList.h"
#include "results/ResultsFile.h"
#include "shell/frmMain.h"
#include "shell/frmResultBackup.h"
#include "shell/frmScanSpy.h"
#include "ui/MessageLoop.h"

namespace {

using Rows = std::set<std::string>;

Rows RowsOf(const results::FindingList& list) {
    Rows rows;
    const base::ListItems& items = list.Rows();
    for (int i = 1; i <= items.Count(); ++i)
        rows.insert(items(i).Text + " | " + items(i).SubItems(1) + " | " + items(i).SubItems(2));
    return rows;
}

// Pumps until `done` or the time is up; `done` at the end.
bool PumpUntil(const std::function<bool()>& done, DWORD ms) {
    const ULONGLONG end = GetTickCount64() + ms;
    while (!done() && GetTickCount64() < end) ui::PumpFor(20);
    return done();
}

constexpr const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::string kCwsHelper = "Malware RegValue | CoolWebSearch | CWS Helper";  // a planted HKCU Run value

// Every page command of the main movie with an argument it takes.
const std::vector<std::pair<const char*, const char*>> kCommands = {
    {"IDC_FS_SENDITAGAIN", "false,false"},
    {"IDC_FS_SCANMODE", "FULLSCAN"},
    {"IDC_FS_SCANMODE", "QUICKSCAN"},
    {"IDC_FS_SCANMODE", "CUSTOMSCAN"},
    {"IDC_FS_CUSTOMSCAN", "SM|QS|DS|SC"},
    {"IDC_FS_OPTIONS", ""},
    {"IDC_FS_SAVESETTINGS", ""},
    {"IDC_FS_ADVANCEDSETTINGS", ""},
    {"IDC_FS_CHANGEPASSWORD", ""},
    {"IDC_FS_UPDATENOW", ""},
    {"IDC_FS_LIVEUPDATE", ""},
    {"IDC_FS_SYSGUARD", ""},
    {"IDC_FS_ENABLESTARTUPGUARD", ""},
    {"IDC_FS_STARTUP_DELETE", "0"},
    {"IDC_FS_STARTUP_ENABLEDISABLE", "0"},
    {"IDC_FS_BHO_DELETE", "0"},
    {"IDC_FS_UNINSTALL", "0"},
    {"IDC_FS_RESULTS", ""},
    {"IDC_FS_SAVESCANLOG", ""},
    {"IDC_FS_RESULTSBACKUP", "0"},
    {"IDC_FS_RESULTSDELETEBACKUP", "0"},
    {"IDC_FS_RESUTSIGNORE", "0"},
    {"IDC_FS_ALERT", ""},
    {"IDC_FS_AUTHORIZE", "0"},
    {"IDC_FS_DELETE", "0"},
    {"IDC_FS_SCANNOW", ""},
    {"IDC_FS_REMOVELIST", ""},
    {"IDC_FS_REMOVEIGNORE", ""},
    {"IDC_FS_REMOVELIST_REMOVE", ""},
    {"IDC_FS_REMOVEBACKUP", ""},
    {"IDC_FS_RESETSTATISTICS", ""},
    {"IDC_FS_ABOUT", ""},
    {"IDC_FS_NOSUCHCOMMAND", ""},
};

bool commandsSent = false, mainEnabledWhenSent = false, buttonEnabledWhenSent = false;
std::string movieStopWhenSent;
int foundWhenSent = 0;

void CALLBACK SendPageCommands(HWND, UINT, UINT_PTR id, DWORD) {
    if (commandsSent || !frmScanSpy.Scanning() || results::Findings().Count() == 0) return;
    commandsSent = true;
    KillTimer(nullptr, id);
    mainEnabledWhenSent = IsWindowEnabled(frmMain.hWnd()) != FALSE;
    for (ui::CommandButton* b : {&frmMain.cmdScanNow, &frmMain.cmdRemoveList, &frmMain.cmdResults, &frmMain.cmdAbout})
        buttonEnabledWhenSent = buttonEnabledWhenSent || b->Enabled();
    movieStopWhenSent = frmMain.flash.GetVariable("_root.stopMovie");
    foundWhenSent = results::Findings().Count();
    for (const auto& [command, args] : kCommands) frmMain.flash.InjectCommand(command, args);
    frmMain.showResultsList();  // what the Remove List button runs
}

class ScanFlowTest : public ::testing::Test {
protected:
    void SetUp() override { results::Findings().Clear(); }
    void TearDown() override {
        program_.reset();
        results::Findings().Clear();
        results::Findings().newerThanFile = false;
        machine_.reset();
    }

    // The machine planted, then the program up; the memory check's question at start-up (the
    // planted programs run) answered Cancel.
    void Start(const std::string& commandLine = {}) {
        machine_.emplace();
        base::modal::Expect("frmMsgBox", [](const base::modal::Step& s) -> long {
            EXPECT_NE(s.text.find("running in memory"), std::string::npos) << s.text;
            return 2;
        });
        program_.emplace(false, commandLine);
        ASSERT_TRUE(PumpUntil([] { return base::modal::Pending() == 0; }, 10000));
    }

    // The movie's scan command; it returns once the scan has ended.
    void Scan(const char* mode) {
        const long before = frmScanSpy.scans.FinishedStates();
        frmMain.flash.InjectCommand("IDC_FS_SCANMODE", mode);
        ASSERT_EQ(before + 1, frmScanSpy.scans.FinishedStates());
    }

    // Continue on the finished scanning window: the rows of the results list when it opened
    // (none when it did not), closed again with its Close button.
    std::optional<Rows> Continue() {
        std::optional<Rows> shown;
        base::modal::Expect("frmResultBackup", [&](const base::modal::Step&) -> long {
            EXPECT_TRUE(IsWindowVisible(frmResultBackup.hWnd()));
            EXPECT_EQ(SendMessageA(frmResultBackup.SpyListView.hWnd(), LVM_GETITEMCOUNT, 0, 0),
                      results::Findings().Count());
            shown = RowsOf(results::Findings());
            frmResultBackup.cmdCancel_Click();
            return 0;
        });
        frmScanSpy.flash.InjectCommand("IDC_FS_ABORTSCANNING");
        PumpUntil([] { return !frmScanSpy.Loaded(); }, 5000);
        EXPECT_FALSE(frmScanSpy.Loaded());
        if (!shown) base::modal::ClearScript();
        return shown;
    }

    std::string ResultsFile() const { return program_->pf / results::kResultsFile; }

    std::optional<testing_support::SeededMachine> machine_;
    std::optional<programtest::InProcessProgram> program_;
};

// Continue after a scan with findings opens the results list with exactly that scan's findings,
// whether the user started the scan or the scheduled task did ("/SCAN").
TEST_F(ScanFlowTest, ContinueAfterAScanWithFindingsOpensTheResultsList) {
    Start();
    Scan("QUICKSCAN");
    const Rows found = RowsOf(results::Findings());
    ASSERT_TRUE(found.count(kCwsHelper));
    const std::optional<Rows> shown = Continue();
    ASSERT_TRUE(shown) << "nothing opened after Continue";
    EXPECT_EQ(found, *shown);
}

TEST_F(ScanFlowTest, ContinueAfterTheScheduledScanOpensTheResultsList) {
    const long before = frmScanSpy.scans.FinishedStates();
    Start("/SCAN");
    // Nobody starts the scan: the start-up tick does, five seconds after the window stood.
    ASSERT_TRUE(
        PumpUntil([&] { return frmScanSpy.scans.FinishedStates() > before && !frmScanSpy.Scanning(); }, 600000));
    const Rows found = RowsOf(results::Findings());
    ASSERT_TRUE(found.count(kCwsHelper));
    EXPECT_EQ(found.size(), results::ParseResultsRecords(base::ReadWhole(ResultsFile())).size());
    const std::optional<Rows> shown = Continue();
    ASSERT_TRUE(shown) << "nothing opened after Continue";
    EXPECT_EQ(found, *shown);
}

// Two scans of an unchanged machine list and count the same; a finding removed by hand before the
// third is neither listed, nor counted, nor logged by it. The scans follow each other without the
// results list in between (the user starts the next scan from the main window).
TEST_F(ScanFlowTest, EachScanListsCountsAndLogsOnlyWhatIsThere) {
    Start();
    auto counted = [] { return frmScanSpy.flash.GetVariable("_root.ScanMovie_MFound"); };
    Scan("QUICKSCAN");
    const Rows first = RowsOf(results::Findings());
    const std::string firstCount = counted();
    ASSERT_TRUE(first.count(kCwsHelper));
    EXPECT_EQ(std::to_string(first.size()), firstCount);

    Scan("QUICKSCAN");
    EXPECT_EQ(first, RowsOf(results::Findings()));
    EXPECT_EQ(firstCount, counted()) << "an unchanged machine counts the same";

    HKEY run = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kRunKey, 0, KEY_SET_VALUE, &run), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueA(run, "CWS Helper"), ERROR_SUCCESS);
    RegCloseKey(run);
    const std::string logBefore = base::ReadWhole(gb_scanLogFile);
    Scan("QUICKSCAN");
    const std::string log = base::ReadWhole(gb_scanLogFile);
    ASSERT_GT(log.size(), logBefore.size());
    const std::string thisScansLog = log.substr(logBefore.size());
    EXPECT_EQ(thisScansLog.find("CWS Helper"), std::string::npos) << thisScansLog;
    EXPECT_NE(thisScansLog.find("Total malware components found : " + std::to_string(first.size() - 1)),
              std::string::npos);
    Rows third = first;
    third.erase(kCwsHelper);
    EXPECT_EQ(third, RowsOf(results::Findings()));
    EXPECT_EQ(std::to_string(first.size() - 1), counted());

    const std::optional<Rows> shown = Continue();
    ASSERT_TRUE(shown);
    EXPECT_EQ(third, *shown) << "the Remove List shows this scan's findings only";
}

// A folder request from another program lists that folder scan's findings alone (those its
// definitions load records by their direct paths among them), however many scans came before it.
TEST_F(ScanFlowTest, AFolderRequestListsOnlyItsOwnFindings) {
    Start();
    const std::string request = "ScanFolder|" + machine_->Folders().programFiles;
    auto folderScan = [&] {
        SendMessageA(frmMain.txtPramaterInfoEnvenHandeler.hWnd(), WM_SETTEXT, 0,
                     reinterpret_cast<LPARAM>(request.c_str()));
        return RowsOf(results::Findings());
    };
    const Rows alone = folderScan();
    ASSERT_FALSE(alone.empty());
    Scan("QUICKSCAN");
    ASSERT_TRUE(RowsOf(results::Findings()).count(kCwsHelper));
    EXPECT_EQ(alone, folderScan());
}

// Every page command of the main movie, sent while a scan runs: nothing opens over the scan (an
// unscripted modal step fails the test), nothing acts, and the scan records what a scan left alone
// records. Meanwhile the main window is disabled; it is enabled again once the scan ended.
TEST_F(ScanFlowTest, PageCommandsDuringAScanWaitAndTheFindingsStayWhole) {
    Start();
    Scan("QUICKSCAN");
    const Rows alone = RowsOf(results::Findings());
    ASSERT_FALSE(alone.empty());
    results::Findings().Clear();  // as after the results list went

    // Sent once the scan has recorded its first findings, from a timer the scan's own message
    // pumping runs.
    commandsSent = mainEnabledWhenSent = buttonEnabledWhenSent = false;
    movieStopWhenSent.clear();
    foundWhenSent = 0;
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, SendPageCommands);
    ASSERT_NE(timer, 0u);
    const size_t stepsBefore = base::modal::Seen().size();
    Scan("QUICKSCAN");
    KillTimer(nullptr, timer);
    ASSERT_TRUE(commandsSent) << "the scan ended before the commands were sent";
    EXPECT_GT(foundWhenSent, 0);
    EXPECT_FALSE(mainEnabledWhenSent);
    EXPECT_FALSE(buttonEnabledWhenSent);
    EXPECT_EQ("True", movieStopWhenSent);
    EXPECT_TRUE(IsWindowEnabled(frmMain.hWnd()));
    EXPECT_TRUE(frmMain.cmdRemoveList.Enabled()) << "the labels answer again once the scan ended";
    EXPECT_EQ(stepsBefore, base::modal::Seen().size()) << "a modal step ran during the scan";
    EXPECT_FALSE(frmResultBackup.Loaded() && frmResultBackup.Visible());
    EXPECT_EQ(alone, RowsOf(results::Findings()));
    EXPECT_EQ(std::to_string(alone.size()), frmScanSpy.flash.GetVariable("_root.ScanMovie_MNIgnorList"));
}

// A results file of an earlier scan that cannot be deleted (held open without delete sharing):
// the results list shows this scan's findings, and closing it says that they could not be
// written and keeps them for the next showing.
TEST_F(ScanFlowTest, AnOldResultsFileThatStaysNeverReplacesThisScansFindings) {
    Start();
    results::FindingList earlier;
    earlier.AddRow("Malware RegKey", {results::FindingKind::RegKey, "OldSpy", "Software\\OldSpy", "", "", "", true});
    ASSERT_TRUE(results::saveListtoFile(earlier, ResultsFile()));
    base::Handle held(CreateFileA(ResultsFile().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_NE(held.get(), INVALID_HANDLE_VALUE);

    // The scan's end says that the file did not take its findings, naming it.
    std::string told;
    base::modal::Expect("frmMsgBox", [&](const base::modal::Step& s) -> long {
        told = s.text;
        return 1;
    });
    Scan("QUICKSCAN");
    EXPECT_NE(told.find("The results could not be saved to " + ResultsFile()), std::string::npos) << told;
    const Rows found = RowsOf(results::Findings());
    ASSERT_FALSE(found.empty());
    EXPECT_NE(base::ReadWhole(base::ErrorLogPath()).find("DropResultsFile"), std::string::npos);

    std::string said;
    base::modal::Expect("frmResultBackup", [&](const base::modal::Step&) -> long {
        EXPECT_EQ(found, RowsOf(results::Findings()));
        base::modal::Expect("frmMsgBox", [&](const base::modal::Step& s) -> long {
            said = s.text;
            return 1;
        });
        frmResultBackup.cmdCancel_Click();
        return 0;
    });
    frmScanSpy.flash.InjectCommand("IDC_FS_ABORTSCANNING");
    ASSERT_TRUE(PumpUntil([] { return base::modal::Pending() == 0 && !frmScanSpy.Loaded(); }, 5000));
    EXPECT_NE(said.find("could not be saved"), std::string::npos) << said;

    // Shown again while the file still cannot be written: still this scan's findings.
    base::modal::Expect("frmResultBackup", [&](const base::modal::Step&) -> long {
        EXPECT_EQ(found, RowsOf(results::Findings()));
        return 0;
    });
    frmMain.showResultsList();
    EXPECT_EQ(0u, base::modal::Pending());

    // Once the file is free the list goes into it.
    held.reset();
    frmResultBackup.Unload();
    EXPECT_EQ(found.size(), results::ParseResultsRecords(base::ReadWhole(ResultsFile())).size());
}

// A scan cannot start while the results list is open: it would empty the list the user acts on.
TEST_F(ScanFlowTest, NoScanStartsWhileTheResultsListIsOpen) {
    Start();
    Scan("QUICKSCAN");
    const Rows found = RowsOf(results::Findings());
    const long scans = frmScanSpy.scans.FinishedStates();
    bool started = true;
    base::modal::Expect("frmResultBackup", [&](const base::modal::Step&) -> long {
        started = frmScanSpy.QuickScan();
        // A folder request from another program, through the published box.
        SendMessageA(frmMain.txtPramaterInfoEnvenHandeler.hWnd(), WM_SETTEXT, 0,
                     reinterpret_cast<LPARAM>(("ScanFolder|" + machine_->Folders().programFiles).c_str()));
        EXPECT_EQ(found, RowsOf(results::Findings()));
        return 0;
    });
    frmScanSpy.flash.InjectCommand("IDC_FS_ABORTSCANNING");
    ASSERT_TRUE(PumpUntil([] { return base::modal::Pending() == 0; }, 5000));
    EXPECT_FALSE(started);
    EXPECT_EQ(scans, frmScanSpy.scans.FinishedStates());
}

}  // namespace
