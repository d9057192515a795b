// The file and folder phase against the seeded test machine and the sample definitions: the
// definitions load with its direct checks, the walk of the system drive, and the file-property
// search.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <set>

#include "base/AnsiPath.h"
#include "base/Text.h"
#include "base/TextFile.h"
#include "base/testing/seeded/SeededMachine.h"
#include "core/Globals.h"
#include "core/SpecialFolders.h"
#include "results/FindingList.h"
#include "scanner/FileVersion.h"
#include "scanner/ScanGlobals.h"
#include "scanner/tests/SeededScannerTest.h"

using namespace scannertest;
using testing_support::SeededFinding;
using testing_support::SeededMachine;

namespace {

class SeededFileScanTest : public SeededScannerTest {
protected:
    void SetUp() override {
        SeededScannerTest::SetUp();
        modMain::FillSpecialFolderGlobals("Windows XP");
        gb_trojans = gb_dialers = gb_scanBHO = gb_keyLoggers = gb_spywareAdware = true;
        gb_scanRestoreFolder = true;
        Engine().useFileIndex = true;
    }
    void TearDown() override {
        gb_advancedScanning = false;
        ScannerTest::TearDown();
    }
    // The phase as a driver runs it: the file groups loaded (their direct checks record), then
    // the walk of the system drive and the search of its root.
    void RunPhase() {
        results::Findings().Clear();
        Engine().ResetCounters();
        Engine().loadDataBase(true);
        Engine().subShowFolderList(Drive());
        Engine().subFileSearch(Drive());
    }
    static std::string Drive() { return gb_windowsFolder.substr(0, 2) + "\\"; }
    // The machine's file findings, with the Run values the follow-ups of a found program find (no
    // process table is listed here, so no running copy is).
    static std::vector<Row> Expected(bool advanced) {
        std::set<std::string> when;
        if (advanced) when.insert(testing_support::kWhenAdvancedScanning);
        std::vector<Row> rows;
        for (const SeededFinding& f : machine_->Expected("files", when))
            rows.push_back({f.kind, f.spyType, LongForm(f.item), f.replace, LongForm(f.toolTip), f.tag, "0"});
        return rows;
    }

    // The direct checks record a found path in its long form, as the walk records it (the table
    // gives their 8.3 form): one file, one row. A long form the code page cannot write, or past
    // MAX_PATH, is none.
    static std::string LongForm(const std::string& path) { return base::LongAnsiPath(path); }
};

TEST_F(SeededFileScanTest, FindsExactlyThePlantedFilesAndFolders) {
    for (bool advanced : {false, true}) {
        SCOPED_TRACE(advanced ? "AdvancedScanning on" : "AdvancedScanning off");
        gb_advancedScanning = advanced;
        RunPhase();
        const std::vector<Row> expected = Expected(advanced);
        ASSERT_FALSE(expected.empty());
        EXPECT_EQ(Sorted(Findings()), Sorted(expected));
        // The look-alikes are all clean: nothing recorded names one.
        for (const testing_support::SeededItem& item : machine_->LookAlikes())
            for (const Row& r : Findings()) EXPECT_FALSE(base::EqualsNoCase(r[2], item.where)) << item.where;
    }
    EXPECT_EQ(ErrorLog(), "");
}

// The raw readers of the memory log tell what the version resource of each planted program says.
TEST_F(SeededFileScanTest, RawReadersAgreeWithTheVersionResource) {
    int compared = 0;
    for (const testing_support::SeededItem& item : machine_->Items()) {
        if (item.place != testing_support::SeededPlace::File) continue;
        basFileVersion::FileProperties p;
        if (!basFileVersion::PrintFileProperties(item.where, p, false) || p.FileDescription.empty()) continue;
        SCOPED_TRACE(item.where);
        EXPECT_EQ(scanner::GetFileDescription(item.where), p.FileDescription);
        EXPECT_EQ(scanner::GetProductName(item.where), p.ProductName);
        ++compared;
    }
    EXPECT_GT(compared, 3);
    EXPECT_EQ(ErrorLog(), "");
}

TEST_F(SeededFileScanTest, StopFlagEndsThePhaseAtOnce) {
    gb_advancedScanning = true;
    class Stopper : public RecordingProgress {
    public:
        int countdown = 200;
        std::chrono::steady_clock::time_point at;
        void CurrentItem(const std::string&) override {
            if (countdown > 0 && --countdown == 0) {
                gb_scanAborted = true;
                at = std::chrono::steady_clock::now();
            }
        }
    } stopper;
    results::Findings().Clear();
    Engine().loadDataBase(true);
    Engine().SetProgress(&stopper);
    Engine().subShowFolderList(Drive());
    const auto end = std::chrono::steady_clock::now();
    Engine().SetProgress(&progress_);
    ASSERT_TRUE(gb_scanAborted) << "the walk showed fewer items than the countdown";
    const double seconds = std::chrono::duration<double>(end - stopper.at).count();
    std::printf("walk ended %.4f s after the stop flag\n", seconds);
    EXPECT_LT(seconds, 0.2);
    gb_scanAborted = false;
}

}  // namespace
