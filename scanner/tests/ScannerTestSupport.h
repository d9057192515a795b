#pragma once
// Shared fixture of the scanner tests: a temporary program folder, the definitions installed from
// a readable source, the special folders pointed into a temporary tree, and the program's scan
// engine reporting to a recorder (no window), put back after every test.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "base/testing/Testing.h"
#include "scanner/ScanEngine.h"

namespace scannertest {

using Row = std::vector<std::string>;  // text, then sub-items 1..n

// The program's scan engine, which every scanner test drives.
scanner::ScanEngine& Engine();

// What the engine reported, as it reported it: ("title", text), ("status", "Loading Database - n"),
// ("item", text), ("flush", "").
class RecordingProgress : public scanner::ScanProgress {
public:
    std::vector<std::pair<std::string, std::string>> events;
    std::string title;
    long status = 0;
    bool busy = false;
    scanner::ScanCounters counters;
    std::string StatusLine() const { return "Loading Database - " + std::to_string(status); }

    void Title(const std::string& text) override;
    void LoadStatus(long count) override;
    void CurrentItem(const std::string& text) override;
    void CountersChanged(const scanner::ScanCounters& c) override { counters = c; }
    void Busy(bool b) override { busy = b; }
    void Pump() override {}
    void Flush() override { events.emplace_back("flush", ""); }
};

// A registry key made for one test: on going, the first part of its path that did not exist
// before is deleted with everything below it.
class ScratchKey {
public:
    ScratchKey(HKEY root, const std::string& path);
    ~ScratchKey();
    ScratchKey(const ScratchKey&) = delete;
    ScratchKey& operator=(const ScratchKey&) = delete;

private:
    HKEY root_;
    std::string created_;  // "" when the key was there already
};

// A value written for one test (REG_SZ text gets its NUL); on going, the value as it was before
// is put back, or deleted when it was not there, and a key made for it is deleted again.
class ScratchValue {
public:
    ScratchValue(HKEY root, const std::string& key, const std::string& name, const std::string& data,
                 DWORD type = REG_SZ);
    ~ScratchValue();
    ScratchValue(const ScratchValue&) = delete;
    ScratchValue& operator=(const ScratchValue&) = delete;

private:
    HKEY root_;
    std::string key_, name_;
    bool existed_ = false;
    DWORD oldType_ = 0;
    std::string oldData_;
    ScratchKey keyMade_;
};

// The rows of a list as (text, sub-item 1, ..., sub-item `subItems`).
std::vector<Row> Rows(const base::ListItems& items, int subItems);
// The rows in order, for comparing sets of findings.
std::vector<Row> Sorted(std::vector<Row> rows);
// The results list's rows as (kind, spy name, item, replacement, tool tip, tag, checked "1"/"0").
std::vector<Row> Findings();

// Installs a definitions text from readable source lines ("KEY=value", "[SECTION]").
void InstallDefinitions(const std::string& source);
// The error log's text ("" when there is none).
std::string ErrorLog();
// Writes the ignore list with records (kind, item, spy name) enciphered as the program writes them.
void WriteIgnoreList(const std::vector<std::vector<std::string>>& records);

class ScannerTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // A folder made for one special-folder global (under the test's temporary tree).
    std::string MakeFolder(const std::string& name);
    // Creates a file with some bytes.
    static void MakeFile(const std::string& path, const std::string& bytes = "x");

    testing_support::ScopedProgramFolder program_;
    testing_support::TempFolder tree_;
    RecordingProgress progress_;
};

}  // namespace scannertest
