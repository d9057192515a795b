// The memory, registry and deep registry phases against the seeded machine with the sample
// definitions: exactly the planted items found, with the recorder's fields, no look-alike, the
// processes left running, and the stop flag ending each phase at once.
#include <algorithm>
#include <chrono>
#include <functional>

#include "base/Handles.h"
#include "base/TextFile.h"
#include "base/testing/Testing.h"
#include "base/testing/seeded/SeededMachine.h"
#include "core/Globals.h"
#include "core/SpecialFolders.h"
#include "scanner/ScanGlobals.h"
#include "scanner/tests/ScannerTestSupport.h"

using namespace scannertest;
using testing_support::SeededFinding;
using testing_support::SeededMachine;
using R = std::vector<Row>;

namespace {

SeededMachine* machine = nullptr;

class SeededEnvironment : public ::testing::Environment {
public:
    void SetUp() override { machine = new SeededMachine(); }
    void TearDown() override {
        delete machine;
        machine = nullptr;
    }
};
const auto* const environment = ::testing::AddGlobalTestEnvironment(new SeededEnvironment);

// Kind, spy name, item, tool tip, tag and replacement; the tag is left out where the machine
// does not fix it.
Row Fields(const std::string& kind, const std::string& spy, const std::string& item, const std::string& toolTip,
           const std::string& tag, const std::string& replace) {
    return {kind, spy, item, toolTip, tag, replace};
}
R Expected(const std::vector<SeededFinding>& findings) {
    R out;
    for (const SeededFinding& f : findings)
        out.push_back(Fields(f.kind, f.spyType, f.item, f.toolTip, f.tag, f.replace));
    std::sort(out.begin(), out.end());
    return out;
}
R Found(const std::set<std::string>& tagFree = {}) {
    R out;
    for (const Row& r : Findings())
        out.push_back(Fields(r[0], r[1], r[2], r[4], tagFree.count(r[2]) ? "" : r[5], r[3]));
    std::sort(out.begin(), out.end());
    return out;
}

class SeededPhaseTest : public ScannerTest {
protected:
    void SetUp() override {
        ScannerTest::SetUp();
        ASSERT_NE(machine, nullptr);
        InstallDefinitions(base::ReadWhole(testing_support::SourceDir() + "\\assets\\definitions\\definitions.txt"));
        gb_scanAllUserAccounts = false;
    }
    void LoadRegistryGroups() {
        gb_loadRegSDefs = gb_loadRegVDefs = gb_loadRegDataDefs = gb_loadRegKDefs = true;
        Engine().loadDataBase(false);
    }
    // Runs a phase with the stop flag raised at its first yield or shown item; seconds from the raise to its end
    // (-1 when it neither yielded nor showed an item).
    double StopDuring(const std::function<void()>& phase) {
        class Stopper : public RecordingProgress {
        public:
            bool raised = false;
            std::chrono::steady_clock::time_point at;
            void Raise() {
                if (raised) return;
                raised = gb_scanAborted = true;
                at = std::chrono::steady_clock::now();
            }
            void Pump() override { Raise(); }
            void CurrentItem(const std::string& text) override {
                RecordingProgress::CurrentItem(text);
                Raise();
            }
        } stopper;
        Engine().SetProgress(&stopper);
        Sleep(15);  // past the few milliseconds between two yields
        phase();
        const auto end = std::chrono::steady_clock::now();
        Engine().SetProgress(&progress_);
        const bool raised = stopper.raised;
        gb_scanAborted = false;
        return raised ? std::chrono::duration<double>(end - stopper.at).count() : -1.0;
    }
};

}  // namespace

TEST_F(SeededPhaseTest, MemoryPhaseRecordsThePlantedProcessesAndEndsNone) {
    for (bool reference : {false, true}) {
        Engine().useReferenceMatchers = reference;
        results::Findings().Clear();
        Engine().ResetCounters();
        gb_osName = "Windows XP";  // the platform on which the scan used to end them
        Engine().ScanMemory();
        gb_osName.clear();
        EXPECT_EQ(Found(), Expected(machine->Expected("memory"))) << (reference ? "reference" : "indexed");
    }
    for (const auto& item : machine->Items()) {
        if (item.place != testing_support::SeededPlace::Process) continue;
        base::Handle process(OpenProcess(SYNCHRONIZE, FALSE, machine->ProcessId(item.where)));
        ASSERT_TRUE(process) << item.where;
        EXPECT_EQ(WaitForSingleObject(process.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT))
            << "still running: " << item.where;
    }
    EXPECT_TRUE(Engine().ScanMemoryFast());
    const double stopped = StopDuring([] { Engine().ScanMemory(); });
    EXPECT_GE(stopped, 0.0) << "the phase yields";
    EXPECT_LT(stopped, 0.2);
}

TEST_F(SeededPhaseTest, RegistryPhaseRecordsThePlantedDataAndKeys) {
    LoadRegistryGroups();
    Engine().ScanRegistry();
    EXPECT_EQ(Found(), Expected(machine->Expected("registry")));
    EXPECT_EQ(progress_.title, "Scanning Registry...");
    const double stopped = StopDuring([] { Engine().ScanRegistry(); });
    EXPECT_GE(stopped, 0.0) << "the phase yields";
    EXPECT_LT(stopped, 0.2);
}

TEST_F(SeededPhaseTest, DeepRegistryPhaseRecordsThePlantedValuesAndClass) {
    LoadRegistryGroups();
    // After the registry phase, as a full scan runs them: Start Page is listed already.
    Engine().ScanRegistry();
    const size_t before = Findings().size();
    Engine().ScanDeepRegistry();
    R deep;
    {
        const R all = Findings();
        for (size_t i = before; i < all.size(); ++i) {
            const Row& r = all[i];
            deep.push_back(Fields(r[0], r[1], r[2], r[4], r[2] == "XupiterUpdate" ? "" : r[5], r[3]));
        }
        std::sort(deep.begin(), deep.end());
    }
    EXPECT_EQ(deep, Expected(machine->Expected("deepregistry", {testing_support::kWhenExpandSzRead})));

    // On its own, the deep phase records the Start Page value too; the indexed matchers find what
    // the row-by-row ones find.
    R alone[2];
    for (bool reference : {false, true}) {
        Engine().useReferenceMatchers = reference;
        results::Findings().Clear();
        Engine().ResetCounters();
        Engine().ScanDeepRegistry();
        alone[reference] = Found({"XupiterUpdate"});
    }
    EXPECT_EQ(alone[0], Expected(machine->Expected(
                            "deepregistry", {testing_support::kWhenExpandSzRead, testing_support::kWhenNoEarlierRow})));
    EXPECT_EQ(alone[0], alone[1]);
    Engine().useReferenceMatchers = false;
    const double stopped = StopDuring([] { Engine().ScanDeepRegistry(); });
    EXPECT_GE(stopped, 0.0) << "the phase yields";
    EXPECT_LT(stopped, 0.2);
}
