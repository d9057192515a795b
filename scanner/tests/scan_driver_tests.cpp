// The scans from start to finish against the seeded test machine: each one call, its findings and
// its scan log compared whole with a golden file (the machine's folders, dates and the running
// processes substituted), abort at each phase, a scan refused while one runs, the finished state.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <regex>
#include <set>

#include "base/Text.h"
#include "base/TextFile.h"
#include "base/testing/seeded/SeededMachine.h"
#include "core/Globals.h"
#include "core/SettingsStore.h"
#include "core/SpecialFolders.h"
#include "results/FindingList.h"
#include "results/ResultsFile.h"
#include "scanner/ScanDrivers.h"
#include "scanner/ScanGlobals.h"
#include "scanner/ScanLog.h"
#include "scanner/tests/SeededScannerTest.h"

using namespace scannertest;
using testing_support::SeededMachine;

namespace {

// What the windows around the scan were told.
class RecordingHost : public scanner::ScanHost {
public:
    std::vector<std::string> events;
    int removals = 0;
    void ScanStarting() override { events.push_back("starting"); }
    void StatusCaption(const std::string& t) override { events.push_back("status:" + t); }
    void ScanResult(const std::string& t) override { events.push_back("result:" + t); }
    void ScanFinished(bool found, const std::string& button) override {
        events.push_back(std::string("finished:") + (found ? "found" : "clean") + ":" + button);
    }
    void PlaySoundFile(const std::string& path) override {
        events.push_back("sound:" + path.substr(path.rfind('\\') + 1));
    }
    void ResultsNotSaved(const std::string& t) override { events.push_back("not saved:" + t); }
    std::function<void(results::FindingList&)> onRemove;
    void RemoveAll(results::FindingList& list) override {
        ++removals;
        events.push_back(std::string("remove:busy=") + (gb_scanBusy ? "1" : "0"));
        if (onRemove) onRemove(list);
    }
    long Count(const std::string& prefix) const {
        return std::count_if(events.begin(), events.end(),
                             [&](const std::string& e) { return e.rfind(prefix, 0) == 0; });
    }
};

// A progress that can act when a title shows (abort, a second scan).
class HookedProgress : public RecordingProgress {
public:
    std::function<void(const std::string&)> onTitle, onItem;
    void CurrentItem(const std::string& text) override {
        RecordingProgress::CurrentItem(text);
        if (onItem) onItem(text);
    }
    std::function<void()> onPump;
    std::function<void(long, long)> onFiles;
    void FileCounters(long filesSeen, long foldersSearched) override {
        if (onFiles) onFiles(filesSeen, foldersSearched);
    }
    void Title(const std::string& text) override {
        RecordingProgress::Title(text);
        if (onTitle) onTitle(text);
    }
    void Pump() override {
        if (onPump) onPump();
    }
};

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
    if (from.empty()) return text;
    for (size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
        text.replace(at, from.size(), to);
    return text;
}

class ScanDriverTest : public SeededScannerTest {
protected:
    void SetUp() override {
        SeededScannerTest::SetUp();
        modMain::FillSpecialFolderGlobals("Windows XP");
        gb_trojans = gb_dialers = gb_scanBHO = gb_keyLoggers = gb_spywareAdware = true;
        gb_scanRestoreFolder = true;
        gb_playSounds = false;
        gb_cookiesFolder = machine_->Folders().cookies + "\\";
        gb_scanLogFile = program_ / "logs\\ScanLog10-12-26_1.log";
        Engine().SetProgress(&hooked_);
        driver_ = std::make_unique<scanner::ScanDriver>(Engine());
        driver_->SetHost(&host_);
    }
    void TearDown() override {
        driver_.reset();
        gb_autoRemove = gb_playSounds = false;
        gb_cookiesFolder.clear();
        ScannerTest::TearDown();
    }

    std::string Log() const { return base::ReadWhole(gb_scanLogFile); }

    // The drives of the folders the scan showed as it walked them.
    std::set<std::string> WalkedDrives() const {
        std::set<std::string> drives;
        for (const auto& [kind, text] : hooked_.events)
            if (kind == "item" && text.size() > 2 && text[1] == ':' && text[2] == '\\')
                drives.insert(base::UCase(text.substr(0, 2)));
        return drives;
    }

    // The findings and the log with what varies between machines and runs substituted.
    std::string Normalised() const {
        std::string text = "[findings]\r\n";
        for (const Row& row : Findings()) {
            std::string line;
            for (size_t i = 0; i < row.size(); ++i) line += (i ? " | " : "") + row[i];
            text += line + "\r\n";
        }
        std::string log = Log();
        // The running processes are the prefix's, not the test's.
        const std::string head = "Running Processes\r\n\r\n";
        for (size_t at = log.find(head); at != std::string::npos; at = log.find(head, at + 1)) {
            const size_t end = log.find("Memory scan result:", at);
            if (end == std::string::npos) break;
            log.replace(at + head.size(), end - at - head.size(), "<processes>\r\n");
        }
        log = std::regex_replace(log, std::regex("Total modules found:[0-9]+"), "Total modules found:<n>");
        text += "[log]\r\n" + log;
        const testing_support::SeededFolders& f = machine_->Folders();
        std::vector<std::pair<std::string, std::string>> places = {
            {f.cookies, "<COOKIES>"},
            {f.appData, "<APPDATA>"},
            {f.startMenu, "<STARTMENU>"},
            {f.system, "<SYSTEM>"},
            {f.programFiles, "<PROGRAMFILES>"},
            {f.temp, "<TEMP>"},
            {f.windows, "<WINDOWS>"},
            {program_.path(), "<PROGRAM>"},
            // A path past MAX_PATH is named by short names from the drive on.
            {testing_support::ShortPathOf(f.programFiles), "<PROGRAMFILES~>"}};
        std::sort(places.begin(), places.end(),
                  [](const auto& a, const auto& b) { return a.first.size() > b.first.size(); });
        for (const auto& [from, to] : places) {
            std::string trimmed = from;
            while (!trimmed.empty() && trimmed.back() == '\\') trimmed.pop_back();
            text = ReplaceAll(text, trimmed, to);
            text = ReplaceAll(text, ReplaceAll(trimmed, "\\", "\\\\"), ReplaceAll(to, "\\", "\\\\"));
        }
        // Dates and times of files the machine planted this run; process ids.
        text = std::regex_replace(
            text,
            std::regex("(Monday|Tuesday|Wednesday|Thursday|Friday|Saturday|Sunday), [A-Z][a-z]{2} [0-9]{1,2} [0-9]{4}"),
            "<longdate>");
        text = std::regex_replace(text, std::regex("[0-9]{1,2}/[0-9]{1,2}/[0-9]{2,4}"), "<date>");
        text = std::regex_replace(text, std::regex("[0-9]{1,2}:[0-9]{2}:[0-9]{2}( [AP]M)?"), "<time>");
        text = std::regex_replace(text, std::regex("Malware Process \\| ([^|]*)\\| ([^|]*)\\| ([^|]*)\\| [0-9]+"),
                                  "Malware Process | $1| $2| $3| <pid>");
        return text;
    }

    void ExpectGolden(const std::string& name) {
        const std::string actual = Normalised();
        const std::string path = testing_support::SourceDir() + "\\scanner\\tests\\golden\\" + name;
        if (GetEnvironmentVariableA("CORVANE_UPDATE_GOLDEN", nullptr, 0)) base::WriteText(path, actual);
        EXPECT_EQ(base::ReadWhole(path), actual) << "golden file " << name;
    }

    // The log's section heads, in order.
    std::vector<std::string> Sections() const {
        static const char* heads[] = {"Memory scanning started", "registry scan Started",
                                      "Folder scanning started", "Cookie scanning started",
                                      "Started Hosts file scan", "Total malware components found"};
        std::vector<std::pair<size_t, std::string>> found;
        const std::string log = Log();
        for (const char* h : heads)
            for (size_t at = log.find(h); at != std::string::npos; at = log.find(h, at + 1)) found.emplace_back(at, h);
        std::sort(found.begin(), found.end());
        std::vector<std::string> out;
        for (auto& [at, h] : found) out.push_back(h);
        return out;
    }

    testing_support::ScopedClock clock_{testing_support::MakeTime(2026, 12, 10, 10, 30, 0)};
    HookedProgress hooked_;
    RecordingHost host_;
    std::unique_ptr<scanner::ScanDriver> driver_;
};

TEST_F(ScanDriverTest, FullScanRecordsTheMachineAndWritesEverySection) {
    ASSERT_TRUE(driver_->StartScan());
    EXPECT_EQ((std::vector<std::string>{"Memory scanning started", "registry scan Started", "Folder scanning started",
                                        "Cookie scanning started", "Started Hosts file scan",
                                        "Total malware components found"}),
              Sections());
    ExpectGolden("full_scan.txt");
    EXPECT_EQ(std::set<std::string>{"C:"}, WalkedDrives());
    EXPECT_FALSE(gb_scanBusy);
    EXPECT_EQ(1, host_.Count("finished:found"));
    EXPECT_EQ(gb_scanLogFile, gb_logFileName);
}

TEST_F(ScanDriverTest, QuickScanWalksTheWindowsAndApplicationDataFolders) {
    ASSERT_TRUE(driver_->QuickScan());
    EXPECT_EQ((std::vector<std::string>{"Memory scanning started", "registry scan Started", "Folder scanning started",
                                        "Cookie scanning started", "Started Hosts file scan",
                                        "Total malware components found"}),
              Sections());
    ExpectGolden("quick_scan.txt");
}

TEST_F(ScanDriverTest, CustomScanRunsTheChosenPhasesThenTheDrivesWithOneFinish) {
    ASSERT_TRUE(driver_->CustomScan("smqs|sc"));
    EXPECT_EQ((std::vector<std::string>{"Memory scanning started", "registry scan Started", "Cookie scanning started",
                                        "Started Hosts file scan", "Folder scanning started",
                                        "Total malware components found"}),
              Sections());
    ExpectGolden("custom_scan.txt");
    EXPECT_EQ(1, host_.Count("finished:"));
    EXPECT_EQ(1, host_.Count("starting"));
}

// The test prefix's only fixed drive is C: (the source tree is a network drive): the custom
// scan's drive list is C: alone, and every drive flag on walks C: and nothing else.
TEST_F(ScanDriverTest, CustomScanWithEveryDriveFlagWalksOnlyTheTestMachine) {
    EXPECT_EQ(std::vector<std::string>{"C:"}, scanner::ScanDriver::SystemFixedDrives());
    const std::string root = "Software\\" + testing_support::UniqueName("CorvaneDrives");
    settings::SetRootOverride(root);
    std::string flags;
    for (int i = 0; i < 16; ++i) flags += "true|";
    settings::SaveSetting("SelectedDrives", "selected", flags);
    const bool ran = driver_->CustomScan("");
    settings::SetRootOverride("");
    RegDeleteTreeA(HKEY_CURRENT_USER, root.c_str());
    ASSERT_TRUE(ran);
    EXPECT_EQ(std::set<std::string>{"C:"}, WalkedDrives());
    EXPECT_EQ((std::vector<std::string>{"Started Hosts file scan", "Folder scanning started",
                                        "Total malware components found"}),
              Sections());
    EXPECT_EQ(1, host_.Count("finished:"));
}

// The drives the caller passes are the ones walked, whatever the remembered choice says.
TEST_F(ScanDriverTest, CustomScanWalksTheDrivesItIsGiven) {
    const std::string root = "Software\\" + testing_support::UniqueName("CorvaneDrives");
    settings::SetRootOverride(root);
    settings::SaveSetting("SelectedDrives", "selected", "true|true");
    const std::vector<std::string> selected = driver_->SelectedDrives();
    const bool ran = driver_->CustomScan("", {});
    settings::SetRootOverride("");
    RegDeleteTreeA(HKEY_CURRENT_USER, root.c_str());
    EXPECT_EQ(std::vector<std::string>{"C:"}, selected);
    ASSERT_TRUE(ran);
    EXPECT_TRUE(WalkedDrives().empty());
    EXPECT_EQ((std::vector<std::string>{"Started Hosts file scan", "Total malware components found"}), Sections());
}

TEST_F(ScanDriverTest, CustomScanWithoutCodesScansHostsAndDrivesOnly) {
    driver_->fixedDrives = [] { return std::vector<std::string>{}; };
    ASSERT_TRUE(driver_->CustomScan("nothing"));
    EXPECT_EQ((std::vector<std::string>{"Started Hosts file scan", "Total malware components found"}), Sections());
    EXPECT_GT(Engine().Tasklist.ListItems.Count(), 0);  // listed, not matched
}

TEST_F(ScanDriverTest, FolderScanOfTheProgramFilesFolder) {
    ASSERT_FALSE(driver_->ScanSelectedFolder(""));
    EXPECT_TRUE(host_.events.empty());
    Engine().loadDataBase(true);  // the caller loads the file groups
    ASSERT_TRUE(driver_->ScanSelectedFolder(machine_->Folders().programFiles + "|" + tree_.path() + "\\absent|"));
    EXPECT_EQ((std::vector<std::string>{"Folder scanning started", "Total malware components found"}), Sections());
    ExpectGolden("folder_scan.txt");
}

// Abort when a phase's title shows (the full scan's drive walk has none: at its first folder):
// that phase ends, no later one runs, the end steps run once.
TEST_F(ScanDriverTest, AbortInEachPhaseSkipsEveryLaterPhase) {
    const char* const kDriveWalk = "the drive walk";
    struct Case {
        const char* title;
        std::vector<std::string> sections;
    };
    const Case cases[] = {
        {"Scanning Memory...", {"Memory scanning started", "Total malware components found"}},
        {"Scanning Registry...",
         {"Memory scanning started", "registry scan Started", "Total malware components found"}},
        {"Deep Registry Scanning...",
         {"Memory scanning started", "registry scan Started", "Total malware components found"}},
        // What the walk found before the abort is still logged.
        {kDriveWalk,
         {"Memory scanning started", "registry scan Started", "Folder scanning started",
          "Total malware components found"}},
        {"Scanning Cookies...",
         {"Memory scanning started", "registry scan Started", "Folder scanning started", "Cookie scanning started",
          "Total malware components found"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        DeleteFileA(gb_scanLogFile.c_str());
        results::Findings().Clear();
        host_.events.clear();
        const std::string errorsBefore = ErrorLog();
        hooked_.onTitle = [&](const std::string& t) {
            if (t == c.title) driver_->Abort();
        };
        long foldersAtAbort = 0, foldersAtEnd = 0;
        hooked_.onFiles = [&](long, long folders) {
            foldersAtEnd = folders;
            if (c.title == kDriveWalk && folders > 0 && !foldersAtAbort) {
                foldersAtAbort = folders;
                driver_->Abort();
            }
        };
        ASSERT_TRUE(driver_->StartScan());
        hooked_.onTitle = nullptr;
        hooked_.onFiles = nullptr;
        if (c.title == kDriveWalk) {
            ASSERT_GT(foldersAtAbort, 0);
            EXPECT_EQ(foldersAtAbort, foldersAtEnd);  // the walk searched no further folder
        }
        EXPECT_EQ(c.sections, Sections());
        EXPECT_EQ(1, host_.Count("finished:"));
        EXPECT_FALSE(gb_scanBusy);
        EXPECT_FALSE(driver_->Running());
        EXPECT_EQ(errorsBefore, ErrorLog());
    }
    // A later scan starts afresh: the raised flag does not outlive the aborted scan's start.
    DeleteFileA(gb_scanLogFile.c_str());
    Engine().loadDataBase(true);
    ASSERT_TRUE(driver_->ScanSelectedFolder(machine_->Folders().programFiles));
    EXPECT_EQ((std::vector<std::string>{"Folder scanning started", "Total malware components found"}), Sections());
}

// Abort in the middle of the walk: the walk ends, its section is written, no cookie or hosts phase.
TEST_F(ScanDriverTest, AbortDuringTheFileWalkOfAQuickScan) {
    bool walking = false;
    hooked_.onTitle = [&](const std::string& t) { walking = t == "Scanning Files N' Folders"; };
    hooked_.onItem = [&](const std::string&) {
        if (walking) driver_->Abort();
    };
    ASSERT_TRUE(driver_->QuickScan());
    EXPECT_EQ((std::vector<std::string>{"Memory scanning started", "registry scan Started", "Folder scanning started",
                                        "Total malware components found"}),
              Sections());
    EXPECT_EQ(1, host_.Count("finished:"));
}

TEST_F(ScanDriverTest, AScanCannotStartWhileOneRuns) {
    std::vector<bool> second;
    hooked_.onTitle = [&](const std::string& t) {
        if (t != "Scanning Cookies...") return;
        second.push_back(driver_->QuickScan());
        second.push_back(driver_->StartScan());
        second.push_back(driver_->CustomScan("SM"));
        second.push_back(driver_->ScanSelectedFolder("C:"));
    };
    driver_->fixedDrives = [] { return std::vector<std::string>{}; };
    ASSERT_TRUE(driver_->CustomScan("SC"));
    EXPECT_EQ((std::vector<bool>{false, false, false, false}), second);
    EXPECT_EQ(1, host_.Count("starting"));
    EXPECT_EQ(1, host_.Count("finished:"));
    EXPECT_TRUE(driver_->QuickScan());  // and again once it ended
}

TEST_F(ScanDriverTest, FinishedStateWithAndWithoutFindings) {
    gb_playSounds = true;
    // Nothing found: the congratulations and the finish sound.
    ASSERT_TRUE(driver_->ScanSelectedFolder(tree_.path()));
    EXPECT_EQ((std::vector<std::string>{"result:Congratulations!, No Malware was found", "sound:finish.wav",
                                        "finished:clean:Continue"}),
              std::vector<std::string>(host_.events.end() - 3, host_.events.end()));
    // Nothing found with automatic removal on: no congratulations, no removal.
    host_.events.clear();
    gb_autoRemove = true;
    ASSERT_TRUE(driver_->ScanSelectedFolder(tree_.path()));
    EXPECT_EQ(0, host_.Count("result:Congratulations"));
    EXPECT_EQ(0, host_.removals);
    // Findings with automatic removal on: the found sound, one removal while busy, not busy after.
    host_.events.clear();
    Engine().loadDataBase(true);
    ASSERT_TRUE(driver_->ScanSelectedFolder(machine_->Folders().programFiles));
    EXPECT_EQ(1, host_.Count("sound:found.wav"));
    EXPECT_EQ(1, host_.removals);
    EXPECT_EQ(1, host_.Count("remove:busy=1"));
    EXPECT_FALSE(gb_scanBusy);
}

// A scan nobody watches (the scheduled one) leaves its findings in the results file once it
// ended: the file of the last list replaced, and what the list holds after the automatic removal.
TEST_F(ScanDriverTest, TheResultsFileHoldsTheListOnceTheScanEnded) {
    const std::string file = program_ / results::kResultsFile;
    struct Case {
        const char* name;
        bool autoRemove;
    };
    for (const Case& c : {Case{"no removal", false}, Case{"the automatic removal took one row", true}}) {
        SCOPED_TRACE(c.name);
        base::WriteText(file, "\"Malware RegKey\",\"Last\",\"Software\\Last\",\"\",\"\",\"1\"\r\n");
        gb_autoRemove = c.autoRemove;
        host_.onRemove = [](results::FindingList& list) { list.Rows().Remove(1); };
        size_t atRemoval = 0;
        hooked_.onTitle = [&](const std::string&) { atRemoval = results::Findings().Count(); };
        Engine().loadDataBase(true);
        ASSERT_TRUE(driver_->ScanSelectedFolder(machine_->Folders().programFiles));
        hooked_.onTitle = nullptr;
        gb_autoRemove = false;
        ASSERT_GT(atRemoval, 1u);
        EXPECT_EQ(Findings().size(), c.autoRemove ? atRemoval - 1 : atRemoval);
        std::vector<Row> inFile;
        for (auto& r : results::ParseResultsRecords(base::ReadWhole(file)))
            inFile.push_back({r[0], r[1], r[2], r[3], r[4], r[5]});
        std::vector<Row> listed;
        for (const Row& r : Findings()) listed.push_back({r[0], r[1], r[2], r[3], r[4], r[6]});
        EXPECT_EQ(listed, inFile);
        EXPECT_FALSE(results::Findings().newerThanFile);
    }
}

// A folder where the results file belongs: the scan still ends, and the user is told which file
// did not take the list.
TEST_F(ScanDriverTest, AResultsFileThatCannotBeWrittenIsToldNamingTheFile) {
    const std::string file = program_ / results::kResultsFile;
    ASSERT_TRUE(CreateDirectoryA(file.c_str(), nullptr));
    Engine().loadDataBase(true);
    const bool scanned = driver_->ScanSelectedFolder(machine_->Folders().programFiles);
    RemoveDirectoryA(file.c_str());
    ASSERT_TRUE(scanned);
    EXPECT_EQ(1, host_.Count("finished:"));
    ASSERT_EQ(1, host_.Count("not saved:"));
    const auto told = std::find_if(host_.events.begin(), host_.events.end(),
                                   [](const std::string& e) { return e.rfind("not saved:", 0) == 0; });
    EXPECT_NE(told->find(file), std::string::npos) << *told;
    EXPECT_TRUE(results::Findings().newerThanFile) << "the list stays newer than the file";
    // A file that takes the list tells nothing.
    ASSERT_TRUE(driver_->ScanSelectedFolder(machine_->Folders().programFiles));
    EXPECT_EQ(1, host_.Count("not saved:"));
}

// A driver step that throws is logged and the scan still ends: never busy for ever.
TEST_F(ScanDriverTest, AFailingStepStillEndsTheScan) {
    driver_->fixedDrives = []() -> std::vector<std::string> { throw std::runtime_error("drives unreadable"); };
    ASSERT_TRUE(driver_->CustomScan(""));
    EXPECT_FALSE(gb_scanBusy);
    EXPECT_EQ(1, host_.Count("finished:"));
    EXPECT_NE(std::string::npos, ErrorLog().find("CustomScan"));
}

}  // namespace
