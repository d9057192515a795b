// Journeys through a scan on the seeded machine: the scan, its results list, the removal with a
// backup and the restore from it; two scans in a row; the page buttons during a scan; the keep list.
#include <gtest/gtest.h>
#include <windows.h>
// after windows.h
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/journeys/Journey.h"
#include "base/testing/seeded/SeededMachine.h"
#include "core/SettingsStore.h"

namespace {

using journey::Program;
using testing_support::SeededItem;
using testing_support::SeededMachine;
using testing_support::SeededPlace;

// Class keys with values, enough for the full scan's walk of the class registrations to take a few
// seconds, so that clicks made while it runs land while it runs (the bare test machine is scanned in
// well under a second). No definition names them; they go with the object.
class PaddedClasses {
public:
    PaddedClasses(int keys, int valuesEach) {
        const DWORD t0 = GetTickCount();
        for (int k = 0; k < keys; ++k) {
            char name[64];
            std::snprintf(name, sizeof name, "%s%08d}", kPrefix, k);
            HKEY key = nullptr;
            if (RegCreateKeyExA(HKEY_CLASSES_ROOT, name, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
                ERROR_SUCCESS)
                continue;
            for (int v = 0; v < valuesEach; ++v) {
                const std::string value = "padding " + std::to_string(v);
                RegSetValueExA(key, ("Value" + std::to_string(v)).c_str(), 0, REG_SZ,
                               reinterpret_cast<const BYTE*>(value.c_str()), static_cast<DWORD>(value.size() + 1));
            }
            RegCloseKey(key);
            made_.emplace_back(name);
        }
        std::printf("padding: %zu class keys made in %lu ms\n", made_.size(), GetTickCount() - t0);
    }
    ~PaddedClasses() {
        for (const std::string& name : made_) RegDeleteTreeA(HKEY_CLASSES_ROOT, name.c_str());
    }
    PaddedClasses(const PaddedClasses&) = delete;
    PaddedClasses& operator=(const PaddedClasses&) = delete;

private:
    static constexpr const char* kPrefix = "CLSID\\{0C0A0D0E-0F00-4000-8000-";
    std::vector<std::string> made_;
};

// The results list's columns: kind, spy name, item, default value.
constexpr int kColumns = 4;

std::string Key(const std::string& kind, const std::string& spy, const std::string& item) {
    return kind + " | " + spy + " | " + item;
}

// What a scan with the program's defaults must list, and what it may list (all cookies on, the
// property search off), by kind, spy name and item.
struct ExpectedFindings {
    std::set<std::string> required, possible;
    explicit ExpectedFindings(const SeededMachine& machine) {
        for (const auto& f : machine.Expected()) {
            const std::string k = Key(f.kind, f.spyType, f.item);
            if (f.condition != testing_support::kWhenAdvancedScanning) possible.insert(k);
            if (f.condition.empty() || f.condition == testing_support::kWhenAllCookies) required.insert(k);
        }
    }
};

std::map<std::string, int> RowsByKey(const std::vector<journey::ListViewRow>& rows) {
    std::map<std::string, int> out;
    for (size_t i = 0; i < rows.size(); ++i)
        out[Key(rows[i].cells[0], rows[i].cells[1], rows[i].cells[2])] = static_cast<int>(i);
    return out;
}

// A full scan to its end, then Continue: the rows of the results list that opens.
std::vector<journey::ListViewRow> FullScanRows(const Program& program, HWND* listOut = nullptr) {
    EXPECT_TRUE(journey::ChooseScan(program, "Full Scan"));
    std::vector<std::string> boxes;
    EXPECT_TRUE(journey::WaitForScanEnd(program, &boxes)) << "the scan did not end";
    EXPECT_TRUE(program.ClickButton("Continue"));
    HWND list = journey::ResultsList(program);
    EXPECT_NE(list, nullptr) << "no results list after Continue";
    if (listOut) *listOut = list;
    if (!list) return {};
    return journey::ListViewRows(list, kColumns);
}

void ExpectAllFound(const SeededMachine& machine, const std::vector<journey::ListViewRow>& rows) {
    const ExpectedFindings expected(machine);
    const auto found = RowsByKey(rows);
    for (const std::string& k : expected.required) EXPECT_TRUE(found.count(k)) << "not listed: " << k;
    for (const auto& [k, row] : found) EXPECT_TRUE(expected.possible.count(k)) << "not planted: " << k;
    EXPECT_EQ(found.size(), rows.size()) << "a finding listed twice";
}

// Presses a button of the window and answers the question it asks.
void PressAndConfirm(const Program& program, const std::string& caption, const std::string& answer = "OK") {
    ASSERT_TRUE(program.ClickButton(caption)) << caption;
    auto box = program.Box(10000);
    ASSERT_TRUE(box.has_value()) << caption << " asked nothing";
    EXPECT_TRUE(box->Press(answer)) << box->text;
}

// Waits for the box that says `text` and answers it.
void ExpectBox(const Program& program, const std::string& text, const std::string& answer = "OK", DWORD ms = 60000) {
    auto box = program.Box(ms);
    ASSERT_TRUE(box.has_value()) << "no box saying: " << text;
    EXPECT_NE(box->text.find(text), std::string::npos) << box->text;
    EXPECT_TRUE(box->Press(answer));
    journey::WaitUntil([&] { return !IsWindowVisible(box->window); }, 5000);
}

std::map<const SeededItem*, std::string> States(const SeededMachine& machine) {
    std::map<const SeededItem*, std::string> out;
    for (const SeededItem& i : machine.Items())
        if (i.place != SeededPlace::Process) out[&i] = journey::StateOf(i);
    return out;
}

const SeededItem* ItemAt(const SeededMachine& machine, const std::string& where) {
    for (const SeededItem& i : machine.Items())
        if (i.place != SeededPlace::Process && _stricmp(i.where.c_str(), where.c_str()) == 0) return &i;
    return nullptr;
}

std::set<std::string> Keys(const std::vector<journey::ListViewRow>& rows) {
    std::set<std::string> out;
    for (const auto& r : rows) out.insert(Key(r.cells[0], r.cells[1], r.cells[2]));
    return out;
}

// The scan log's total, as the log states it (-1 when it states none).
long LoggedTotal(const std::string& log) {
    const std::string head = "Total malware components found :";
    const size_t at = log.rfind(head);
    return at == std::string::npos ? -1 : std::atol(log.c_str() + at + head.size());
}

// Full scan; the results list opens with every finding; one row unticked; Quarantine with a typed
// name; Delete: every ticked item gone, the unticked one and every look-alike untouched. Then the
// backup restored from the Results page: files, registry and hosts file as before.
TEST(ScanJourney, ScanQuarantineDeleteAndRestoreTheSeededMachine) {
    SeededMachine machine;
    const auto before = States(machine);
    const std::string hostsBefore = journey::Bytes(machine.Folders().hostsFile);
    Program program;
    ASSERT_NE(program.Main(), nullptr);
    program.AnswerBoxes("Cancel");

    HWND list = nullptr;
    auto rows = FullScanRows(program, &list);
    ASSERT_FALSE(rows.empty());
    ExpectAllFound(machine, rows);
    for (const auto& r : rows) EXPECT_TRUE(r.checked) << r.cells[2];

    // Keep one planted file: its row unticked.
    int keptRow = -1;
    for (size_t i = 0; i < rows.size() && keptRow < 0; ++i)
        if (rows[i].cells[0] == "Malware File" && ItemAt(machine, rows[i].cells[2])) keptRow = static_cast<int>(i);
    ASSERT_GE(keptRow, 0);
    const SeededItem* kept = ItemAt(machine, rows[keptRow].cells[2]);
    ASSERT_TRUE(journey::ClickListViewCheck(list, keptRow));
    ASSERT_TRUE(journey::WaitUntil([&] { return !journey::ListViewRows(list, kColumns)[keptRow].checked; }, 5000));

    PressAndConfirm(program, "Quarantine");
    HWND nameWindow = program.FindWindowTitled("Enter Backup Name");
    ASSERT_NE(nameWindow, nullptr) << "no window asking for the backup's name";
    HWND name = program.FindControl("Edit", 5000, nameWindow);
    ASSERT_NE(name, nullptr) << "no box for the backup's name";
    ASSERT_TRUE(journey::Type(name, "journey-backup"));
    ASSERT_TRUE(program.ClickButton("OK"));
    ExpectBox(program, "The backup has been created successfully.");

    PressAndConfirm(program, "Delete");
    std::vector<std::string> said = program.AnswerBoxes("OK", 5000);
    for (const auto& t : said) std::printf("after Delete: %s\n", t.c_str());

    // Every ticked item the scan listed is gone; the unticked one and the look-alikes are untouched.
    const auto after = States(machine);
    EXPECT_EQ(after.at(kept), before.at(kept)) << kept->where;
    auto wasListed = [&](const SeededItem& i) {
        return std::any_of(rows.begin(), rows.end(), [&](const journey::ListViewRow& r) {
            return _stricmp(r.cells[2].c_str(), i.where.c_str()) == 0;
        });
    };
    for (const SeededItem& i : machine.Items()) {
        if (i.place == SeededPlace::Process) continue;
        // A look-alike the scan listed (the clean cookie, with all cookies on) is removed as listed.
        if (i.lookAlike && !wasListed(i)) {
            EXPECT_EQ(after.at(&i), before.at(&i)) << "look-alike touched: " << i.where << " " << i.name;
        }
    }
    for (const auto& r : rows) {
        if (r.cells[2] == rows[keptRow].cells[2]) continue;
        if (r.cells[0] == "Malware File" || r.cells[0] == "Malware Folder" || r.cells[0] == "Tracking Cookie") {
            EXPECT_EQ(GetFileAttributesA(r.cells[2].c_str()), INVALID_FILE_ATTRIBUTES) << "still there: " << r.cells[2];
        }
    }
    for (const SeededItem& i : machine.Infection())
        if (i.place == SeededPlace::HostsLine) {
            EXPECT_TRUE(journey::Absent(i)) << "hosts line still there: " << i.where;
        }

    // The Results page's backups: the one made, restored.
    // The results window stays open after a removal: its Close closes it.
    ASSERT_TRUE(journey::CloseResults(program)) << "the results window stays after Close";
    ASSERT_TRUE(program.ClickButton("Results"));
    HWND backups = nullptr;
    journey::WaitUntil(
        [&] {
            for (HWND lb : journey::Descendants(program.Main(), "ListBox"))
                for (const std::string& row : journey::ListBoxRows(lb))
                    if (row.find("journey-backup") != std::string::npos && IsWindowVisible(lb))
                        return (backups = lb) != nullptr;
            return false;
        },
        10000);
    if (!backups)
        for (HWND lb : journey::Descendants(program.Main(), "ListBox"))
            for (const std::string& row : journey::ListBoxRows(lb)) std::printf("listed: [%s]\n", row.c_str());
    ASSERT_NE(backups, nullptr) << "the backup is not listed on the Results page";
    const auto backupRows = journey::ListBoxRows(backups);
    const int backupRow = static_cast<int>(
        std::find_if(backupRows.begin(), backupRows.end(),
                     [](const std::string& r) { return r.find("journey-backup") != std::string::npos; }) -
        backupRows.begin());
    ASSERT_TRUE(journey::ClickListBoxRow(backups, backupRow));
    PressAndConfirm(program, "Restore");
    said = program.AnswerBoxes("OK", 5000);
    for (const auto& t : said) std::printf("after Restore: %s\n", t.c_str());

    const auto restored = States(machine);
    for (const SeededItem& i : machine.Items()) {
        if (i.place == SeededPlace::Process) continue;
        EXPECT_EQ(restored.at(&i), before.at(&i)) << "not as before: " << i.where << " " << i.name;
    }
    EXPECT_EQ(journey::Bytes(machine.Folders().hostsFile), hostsBefore);
    EXPECT_TRUE(program.Close());
}

// A folder where the results file belongs: the scan ends, and a box names the file that could not
// take its results.
TEST(ScanJourney, AResultsFileThatCannotBeWrittenIsToldOnTheScreen) {
    SeededMachine machine;
    Program program;
    ASSERT_NE(program.Main(), nullptr);
    program.AnswerBoxes("Cancel");
    const std::string file = program.File("rslt.qvl");
    ASSERT_TRUE(CreateDirectoryA(file.c_str(), nullptr));
    ASSERT_TRUE(journey::ChooseScan(program, "Full Scan"));
    std::vector<std::string> boxes;
    EXPECT_TRUE(journey::WaitForScanEnd(program, &boxes)) << "the scan did not end";
    const std::string says = "The results could not be saved to " + file;
    auto told = [&] {
        return std::any_of(boxes.begin(), boxes.end(),
                           [&](const std::string& b) { return b.find(says) != std::string::npos; });
    };
    // The box comes once the scan has ended; Continue may show first.
    if (!told())
        if (auto box = program.Box(20000)) {
            boxes.push_back(box->text);
            box->Press("OK");
        }
    std::string shown;
    for (const std::string& b : boxes) shown += "[" + b + "] ";
    EXPECT_TRUE(told()) << "boxes: " << shown;
    RemoveDirectoryA(file.c_str());
    EXPECT_TRUE(program.Close());
}

// Two scans in a row with a finding removed by hand between them: the second lists, counts and
// logs only what is there.
TEST(ScanJourney, TwoScansInARowListOnlyWhatIsThere) {
    SeededMachine machine;
    Program program;
    ASSERT_NE(program.Main(), nullptr);
    program.AnswerBoxes("Cancel");

    const auto first = FullScanRows(program);
    ASSERT_FALSE(first.empty());
    const std::string firstLog = journey::Bytes(journey::NewestScanLog());
    EXPECT_EQ(LoggedTotal(firstLog), static_cast<long>(first.size()));
    ASSERT_TRUE(journey::CloseResults(program)) << "the results window stays after Close";

    // Someone deletes a listed Run value by hand.
    const char* kValue = "CWS Helper";
    const auto listed = Keys(first);
    const auto removed = std::find_if(first.begin(), first.end(), [&](const journey::ListViewRow& r) {
        return r.cells[0] == "Malware RegValue" && r.cells[2] == kValue;
    });
    ASSERT_NE(removed, first.end()) << "the scan did not list " << kValue;
    HKEY run = nullptr;
    ASSERT_EQ(
        RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", 0, KEY_SET_VALUE, &run),
        ERROR_SUCCESS);
    ASSERT_EQ(RegDeleteValueA(run, kValue), ERROR_SUCCESS);
    RegCloseKey(run);
    program.AnswerBoxes("OK", 1500);

    const auto second = FullScanRows(program);
    const std::string secondLog = journey::Bytes(journey::NewestScanLog());
    std::set<std::string> expected = listed;
    expected.erase(Key(removed->cells[0], removed->cells[1], removed->cells[2]));
    EXPECT_EQ(Keys(second), expected);
    EXPECT_EQ(second.size(), first.size() - 1);
    EXPECT_EQ(LoggedTotal(secondLog), static_cast<long>(second.size()));
    EXPECT_NE(secondLog, firstLog) << "the second scan wrote no log of its own";
    // The program keeps one log for the session: each scan adds its own part.
    const std::string secondPart =
        secondLog.compare(0, firstLog.size(), firstLog) == 0 ? secondLog.substr(firstLog.size()) : secondLog;
    EXPECT_EQ(LoggedTotal(secondPart), static_cast<long>(second.size()));
    EXPECT_EQ(secondPart.find(kValue), std::string::npos) << "the second scan's log names the deleted value";
    ASSERT_TRUE(journey::CloseResults(program)) << "the results window stays after Close";
    EXPECT_TRUE(program.Close());
}

// Every page button a person could click, clicked while the scan runs: nothing opens over the
// scan, and its findings are whole. False, having checked nothing, when the scan had ended before
// the last click was made.
bool ClickPageButtonsDuringTheScan(const SeededMachine& machine, Program& program) {
    if (program.FindButton("Continue", 0) != nullptr) return false;
    const DWORD scanStarted = GetTickCount();
    const std::vector<HWND> during = journey::TopWindows(program.Pid());
    // Every page button a person could click, one after the other while the scan runs; the
    // program takes the clicks between its steps.
    int clicked = 0;
    for (const char* caption : {"Home", "Results", "Remove List", "System Guards", "Alerts", "Options", "Live Update",
                                "About", "Scan Now", "Backup", "Keep List", "Full Scan", "Quick Scan", "Custom Scan"}) {
        // The captions are read without a message: the program answers messages late while it scans.
        for (HWND b : journey::Descendants(program.Main(), "Button")) {
            char text[64] = {};
            GetWindowTextA(b, text, sizeof text);
            if (caption == std::string(text) && journey::Click(b)) ++clicked;
        }
    }
    std::printf("page buttons a person could click during the scan: %d\n", clicked);
    // What a click did once the scan had ended would say nothing of the scan.
    if (program.FindButton("Continue", 0) != nullptr) return false;
    std::vector<std::string> boxes;
    EXPECT_TRUE(journey::WaitForScanEnd(program, &boxes));
    std::printf("the scan ended %lu ms after it was seen to start\n", GetTickCount() - scanStarted);
    // Nothing opened by the clicks, which the program took while it scanned.
    for (HWND w : journey::TopWindows(program.Pid()))
        EXPECT_NE(std::find(during.begin(), during.end(), w), during.end())
            << "a page button opened \"" << journey::TextOf(w) << "\" over the scan";
    EXPECT_EQ(boxes, std::vector<std::string>{});
    EXPECT_TRUE(program.ClickButton("Continue"));
    HWND list = journey::ResultsList(program);
    EXPECT_NE(list, nullptr);
    if (list) ExpectAllFound(machine, journey::ListViewRows(list, kColumns));
    EXPECT_TRUE(journey::CloseResults(program)) << "the results window stays after Close";
    EXPECT_TRUE(program.Close());
    return true;
}

TEST(ScanJourney, PageButtonsDuringAScanOpenNothingAndTheFindingsStayWhole) {
    SeededMachine machine;
    // The clicks must all come while the scan runs. How long a scan of the padding takes against
    // how long the clicks take depends on the machine and its load: a scan that ended first says
    // nothing, and the next attempt gives the scan four times as much to read.
    for (int keys = 4000; keys <= 64000; keys *= 4) {
        std::printf("padding the registry with %d class keys\n", keys);
        const PaddedClasses padding(keys, 6);
        Program program;
        ASSERT_NE(program.Main(), nullptr);
        program.AnswerBoxes("Cancel");
        ASSERT_TRUE(journey::ChooseScan(program, "Full Scan")) << "no scan running";
        if (ClickPageButtonsDuringTheScan(machine, program)) return;
        ASSERT_FALSE(HasFailure());
        // What the late clicks opened ends with this program.
        std::printf("the scan ended before the clicks were made\n");
    }
    FAIL() << "every scan ended before the clicks were made";
}

// One finding kept: the next scan does not list it; taken off the keep list: the next scan lists it.
TEST(ScanJourney, AKeptFindingIsLeftOutUntilItLeavesTheKeepList) {
    SeededMachine machine;
    Program program;
    ASSERT_NE(program.Main(), nullptr);
    program.AnswerBoxes("Cancel");

    HWND list = nullptr;
    const auto rows = FullScanRows(program, &list);
    ASSERT_FALSE(rows.empty());
    // Keep a planted file: every other row unticked, Keep.
    int kept = -1;
    for (size_t i = 0; i < rows.size() && kept < 0; ++i)
        if (rows[i].cells[0] == "Malware File" && ItemAt(machine, rows[i].cells[2])) kept = static_cast<int>(i);
    ASSERT_GE(kept, 0);
    const std::string keptKey = Key(rows[kept].cells[0], rows[kept].cells[1], rows[kept].cells[2]);
    for (int i = 0; i < static_cast<int>(rows.size()); ++i)
        if (i != kept) {
            ASSERT_TRUE(journey::ClickListViewCheck(list, i)) << i;
            journey::WaitUntil([&] { return !journey::ListViewRows(list, kColumns)[i].checked; }, 3000);
        }
    ASSERT_TRUE(journey::WaitUntil(
        [&] {
            const auto now = journey::ListViewRows(list, kColumns);
            return std::count_if(now.begin(), now.end(), [](const journey::ListViewRow& r) { return r.checked; }) == 1;
        },
        10000));
    PressAndConfirm(program, "Keep");
    program.AnswerBoxes("OK", 2000);
    ASSERT_TRUE(journey::CloseResults(program)) << "the results window stays after Close";

    const auto second = FullScanRows(program);
    EXPECT_EQ(Keys(second).count(keptKey), 0u) << "the kept finding is listed again";
    EXPECT_EQ(second.size(), rows.size() - 1);
    ASSERT_TRUE(journey::CloseResults(program)) << "the results window stays after Close";

    // The Results page's keep list: the kept item, taken off.
    ASSERT_TRUE(program.ClickButton("Results"));
    const std::string item = rows[kept].cells[2];
    HWND keepList = nullptr;
    journey::WaitUntil(
        [&] {
            for (HWND lb : journey::Descendants(program.Main(), "ListBox"))
                if (IsWindowVisible(lb))
                    for (const std::string& row : journey::ListBoxRows(lb))
                        if (row.find(item) != std::string::npos) return (keepList = lb) != nullptr;
            return false;
        },
        10000);
    ASSERT_NE(keepList, nullptr) << "the kept finding is not on the keep list";
    const auto keepRows = journey::ListBoxRows(keepList);
    const int row =
        static_cast<int>(std::find_if(keepRows.begin(), keepRows.end(),
                                      [&](const std::string& r) { return r.find(item) != std::string::npos; }) -
                         keepRows.begin());
    ASSERT_TRUE(journey::ClickListBoxRow(keepList, row));
    ASSERT_TRUE(program.ClickButton("Remove"));
    program.AnswerBoxes("OK", 2000);
    EXPECT_TRUE(journey::WaitUntil(
        [&] {
            const auto now = journey::ListBoxRows(keepList);
            return std::none_of(now.begin(), now.end(),
                                [&](const std::string& r) { return r.find(item) != std::string::npos; });
        },
        5000))
        << "still on the keep list";

    const auto third = FullScanRows(program);
    EXPECT_EQ(Keys(third), Keys(rows));
    ASSERT_TRUE(journey::CloseResults(program)) << "the results window stays after Close";
    EXPECT_TRUE(program.Close());
}

// A text the program stores in its settings, as the machine holds it ("" when it holds none).
std::string Stored(const std::string& section, const std::string& key) {
    const std::string path = settings::ApplicationKeyPath() + "\\" + section;
    char text[256] = {};
    DWORD size = sizeof text;
    if (RegGetValueA(HKEY_CURRENT_USER, path.c_str(), key.c_str(), RRF_RT_REG_SZ, nullptr, text, &size) !=
        ERROR_SUCCESS)
        return {};
    return text;
}

// What the page shows beside a caption: the text on the caption's line just right of it.
std::string ShownBeside(const Program& program, const std::string& caption) {
    std::vector<HWND> texts;
    for (HWND c : journey::Descendants(program.Main(), "Static"))
        if (IsWindowVisible(c)) texts.push_back(c);
    for (HWND label : texts) {
        if (journey::TextOf(label) != caption) continue;
        RECT at{};
        GetWindowRect(label, &at);
        HWND nearest = nullptr;
        LONG gap = 0;
        for (HWND other : texts) {
            RECT r{};
            GetWindowRect(other, &r);
            if (other == label || std::abs(r.top - at.top) > 2 || r.left < at.right - 1) continue;
            if (!nearest || r.left - at.right < gap) nearest = other, gap = r.left - at.right;
        }
        if (nearest) return journey::TextOf(nearest);
    }
    return {};
}

// Scan and remove: the home page shows the scan's and the removal's figures as soon as the results
// window closes, without Home; after a restart the Results page still shows what was removed.
TEST(ScanJourney, TheFiguresOfAScanAndARemovalShowAtOnceAndOutliveARestart) {
    SeededMachine machine;
    struct Figure {
        const char *page, *key;  // the Results page's caption, the stored key
    };
    const Figure removedCounts[] = {
        {"Files:", "gb_totalSpyFilesRemoved"},
        {"Folders:", "gb_totalSpyFoldersRemoved"},
        {"Registry items:", "gb_totalSpyRegistryKeysRemoved"},
        {"Cookies:", "gb_totalSpyCookiesRemoved"},
        {"Processes ended:", "gb_totalSpyMemProcessRemoved"},
        {"Total:", "gb_totalSpywareFound"},
    };
    std::map<std::string, std::string> shownBefore;
    {
        Program program;
        ASSERT_NE(program.Main(), nullptr);
        program.AnswerBoxes("Cancel");
        EXPECT_EQ(program.ShownTextStarting("Number of Scans:"), "Number of Scans:  0");
        EXPECT_EQ(program.ShownTextStarting("Number of Objects Removed:"), "Number of Objects Removed:  0");
        EXPECT_EQ(program.ShownTextStarting("Last System Scan:"), "Last System Scan:  Not Found");

        const auto rows = FullScanRows(program);
        ASSERT_FALSE(rows.empty());
        PressAndConfirm(program, "Delete");
        program.AnswerBoxes("OK", 5000);
        ASSERT_TRUE(journey::CloseResults(program)) << "the results window stays after Close";

        const std::string removed = Stored("Statistics", "NUMBER OF OBJECTS");
        ASSERT_FALSE(removed.empty() || removed == "0") << "the removal counted nothing";
        // The home page, as Close left it: no Home pressed.
        EXPECT_TRUE(journey::WaitUntil(
            [&] { return program.ShownTextStarting("Number of Scans:") == "Number of Scans:  1"; }, 10000))
            << program.ShownTextStarting("Number of Scans:");
        EXPECT_EQ(program.ShownTextStarting("Number of Objects Removed:"), "Number of Objects Removed:  " + removed);
        const std::string lastScan = program.ShownTextStarting("Last System Scan:");
        EXPECT_EQ(lastScan, "Last System Scan:  " + Stored("Statistics", "LAST SCAN DATE"));
        EXPECT_EQ(lastScan.find("Not Found"), std::string::npos) << lastScan;

        ASSERT_TRUE(program.ClickButton("Results"));
        ASSERT_TRUE(journey::WaitUntil([&] { return !ShownBeside(program, "Total:").empty(); }, 10000));
        for (const Figure& f : removedCounts) shownBefore[f.key] = ShownBeside(program, f.page);
        EXPECT_NE(shownBefore["gb_totalSpyFilesRemoved"], "0") << "no file counted as removed";
        EXPECT_TRUE(program.Close());
    }
    // The machine keeps the figures, and the next start shows them.
    for (const Figure& f : removedCounts) EXPECT_EQ(Stored("Results", f.key), shownBefore[f.key]) << f.key;
    Program again({"", true, true, true});
    ASSERT_NE(again.Main(), nullptr);
    again.AnswerBoxes("Cancel");
    EXPECT_EQ(again.ShownTextStarting("Number of Scans:"), "Number of Scans:  1");
    ASSERT_TRUE(again.ClickButton("Results"));
    ASSERT_TRUE(journey::WaitUntil([&] { return !ShownBeside(again, "Total:").empty(); }, 10000));
    for (const Figure& f : removedCounts) EXPECT_EQ(ShownBeside(again, f.page), shownBefore[f.key]) << f.page;
    EXPECT_TRUE(again.Close());
}

// The keep list's right-click menu: Check All and Uncheck All tick and untick every row; with every
// row ticked, Remove Selection empties the list.
TEST(ScanJourney, TheKeepListsRightClickMenuTicksAndUnticksEveryRow) {
    SeededMachine machine;
    Program program;
    ASSERT_NE(program.Main(), nullptr);
    program.AnswerBoxes("Cancel");
    HWND results = nullptr;
    const auto rows = FullScanRows(program, &results);
    ASSERT_GE(rows.size(), 3u);
    // Three findings kept, every other row unticked.
    for (int i = 3; i < static_cast<int>(rows.size()); ++i) {
        ASSERT_TRUE(journey::ClickListViewCheck(results, i)) << i;
        journey::WaitUntil([&] { return !journey::ListViewRows(results, kColumns)[i].checked; }, 3000);
    }
    PressAndConfirm(program, "Keep");
    program.AnswerBoxes("OK", 2000);
    ASSERT_TRUE(journey::CloseResults(program)) << "the results window stays after Close";

    // The page strip's Keep List.
    ASSERT_TRUE(journey::WaitUntil(
        [&] {
            for (HWND l : journey::Descendants(program.Main(), "Static", "Keep List"))
                if (journey::ClickLabel(l)) return true;
            return false;
        },
        10000))
        << "no Keep List to click";
    HWND keep = nullptr;
    ASSERT_TRUE(journey::WaitUntil(
        [&] {
            for (HWND l : journey::Descendants(program.Main(), WC_LISTVIEWA))
                if (journey::Clickable(l) && journey::ListViewRows(l, 3).size() == 3) keep = l;
            return keep != nullptr;
        },
        10000))
        << "the keep list does not show the three kept findings";
    auto ticked = [&] {
        const auto now = journey::ListViewRows(keep, 3);
        return std::count_if(now.begin(), now.end(), [](const journey::ListViewRow& r) { return r.checked; });
    };
    EXPECT_EQ(ticked(), 0);
    struct Choice {
        int line;
        long ticked;
    };
    for (const Choice& c : {Choice{1, 3}, Choice{2, 0}, Choice{1, 3}}) {
        journey::RightClick(keep);
        ASSERT_TRUE(journey::ChooseMenuLine(program.Pid(), c.line)) << "no menu on a right click of the keep list";
        EXPECT_TRUE(journey::WaitUntil([&] { return ticked() == c.ticked; }, 5000))
            << "menu line " << c.line << ": " << ticked() << " rows ticked";
    }
    ASSERT_TRUE(program.ClickButton("Remove Selection"));
    EXPECT_TRUE(journey::WaitUntil([&] { return journey::ListViewRows(keep, 3).empty(); }, 5000));
    EXPECT_EQ(GetFileAttributesA(program.File("ignorelist.ign").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(program.Close());
}

}  // namespace
