// Journeys through a scan on the seeded machine: the scan, its results list, the removal with a
// backup and the restore from it; two scans in a row; the page buttons during a scan; the keep list.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/journeys/Journey.h"
#include "base/testing/seeded/SeededMachine.h"

namespace {

using journey::Program;
using testing_support::SeededItem;
using testing_support::SeededMachine;
using testing_support::SeededPlace;

constexpr DWORD kScanMs = 300000;

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

// Starts a scan from the home page's scan choice (the Home button first when the page is covered).
bool ChooseScan(const Program& program, const std::string& caption) {
    if (HWND b = program.FindButton(caption, 2000)) return journey::Click(b);
    if (!program.ClickButton("Home")) return false;
    return program.ClickButton(caption);
}

// Waits for the scanning window's Continue; the texts of the boxes shown on the way (answered OK).
bool WaitForScanEnd(const Program& program, std::vector<std::string>* boxes = nullptr) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < kScanMs && program.Running()) {
        if (program.FindButton("Continue", 200)) return true;
        if (auto box = journey::ShownBox(program.Pid())) {
            if (boxes) boxes->push_back(box->text);
            box->Press("OK") || box->Press(box->buttons.front().second);
            journey::WaitUntil([&] { return !IsWindowVisible(box->window); }, 5000);
        }
    }
    return false;
}

// The results window: the top-level window of the program holding a report list view.
HWND ResultsList(const Program& program, DWORD ms = 20000) {
    HWND list = nullptr;
    journey::WaitUntil(
        [&] {
            for (HWND top : journey::TopWindows(program.Pid()))
                if (top != program.Main())
                    for (HWND lv : journey::Descendants(top, "SysListView32"))
                        if (IsWindowVisible(lv)) return (list = lv) != nullptr;
            return false;
        },
        ms);
    return list;
}

std::map<std::string, int> RowsByKey(const std::vector<journey::ListViewRow>& rows) {
    std::map<std::string, int> out;
    for (size_t i = 0; i < rows.size(); ++i)
        out[Key(rows[i].cells[0], rows[i].cells[1], rows[i].cells[2])] = static_cast<int>(i);
    return out;
}

// A full scan to its end, then Continue: the rows of the results list that opens.
std::vector<journey::ListViewRow> FullScanRows(const Program& program, HWND* listOut = nullptr) {
    EXPECT_TRUE(ChooseScan(program, "Full Scan"));
    std::vector<std::string> boxes;
    EXPECT_TRUE(WaitForScanEnd(program, &boxes)) << "the scan did not end";
    EXPECT_TRUE(program.ClickButton("Continue"));
    HWND list = ResultsList(program);
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
    ASSERT_TRUE(program.ClickButton("Close"));
    ASSERT_TRUE(journey::WaitUntil([&] { return ResultsList(program, 0) == nullptr; }, 10000))
        << "the results window stays after Close";
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

}  // namespace
