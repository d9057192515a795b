// The memory phase on a process table of the test's own and on the real process list: the
// comparison by platform, the fast check, the definitions' numbering, and the name index held to
// the comparison of every definition with every row.
#include "base/OsVersion.h"
#include "base/Text.h"
#include "core/Globals.h"
#include "core/SpecialFolders.h"
#include "scanner/ScanGlobals.h"
#include "scanner/tests/ScannerTestSupport.h"

using namespace scannertest;
using R = std::vector<Row>;

namespace {

class MemoryScanTest : public ScannerTest {
protected:
    void Process(const std::string& path, int pid) {
        base::ListItem& row = Engine().Tasklist.ListItems.Add(path);
        row.SubItems(1) = std::to_string(pid);
    }
    static std::string Self() {
        char self[MAX_PATH] = {};
        GetModuleFileNameA(nullptr, self, MAX_PATH);
        return self;
    }
};

osversion::Fake Windows98() {
    osversion::Fake f;
    f.platformId = VER_PLATFORM_WIN32_WINDOWS;
    f.major = 4;
    f.minor = 10;
    f.build = 1998;
    return f;
}

}  // namespace

TEST_F(MemoryScanTest, ComparisonByPlatform) {
    struct Case {
        bool nt;
        const char* taskItem;
        const char* definition;
        bool matches;
    };
    const Case cases[] = {
        {true, "C:\\Tools\\BAD.EXE", "bad.exe", true},
        {true, "C:\\Tools\\bad.exe", "C:\\Tools\\bad.exe", false},  // NT compares the file name only
        {true, "bad.exe", "BAD.exe", true},
        {true, "C:\\Tools\\notbad.exe", "bad.exe", false},
        {false, "bad.exe", "BAD.EXE", true},
        {false, "C:\\Tools\\bad.exe", "bad.exe", false},  // 9x needs the name as the snapshot gives it
        {false, "C:\\TOOLS\\BAD.EXE", "c:\\tools\\bad.exe", true},
    };
    for (const Case& c : cases) {
        std::unique_ptr<osversion::ScopedFake> fake;
        if (!c.nt) fake = std::make_unique<osversion::ScopedFake>(Windows98());
        results::Findings().Clear();
        Engine().ResetCounters();
        Engine().CheckMType(c.taskItem, c.definition, "Spy", "42");
        EXPECT_EQ(Findings().size(), c.matches ? 1u : 0u) << c.taskItem << " / " << c.definition;
        if (c.matches) {
            EXPECT_EQ(Findings()[0], (Row{"Malware Process", "Spy", c.taskItem, "", "42", "", "0"}));
        }
        EXPECT_EQ(Engine().counters.ProcessChecks, 1) << "every comparison counts, matched or not";
    }
}

TEST_F(MemoryScanTest, DefinitionsAreReadUpToTheFirstGap) {
    InstallDefinitions(
        "[MEMA]\nMEMAF0=one.exe\nMEMAT0=One\nMEMAF1=two.exe\nMEMAT1=Two\nMEMAF2=\nMEMAT2=Gap\n"
        "MEMAF3=three.exe\nMEMAT3=Three\n");
    Process("C:\\a\\three.exe", 3);
    Process("C:\\a\\TWO.EXE", 2);
    Process("C:\\b\\one.exe", 1);
    Process("C:\\c\\one.exe", 11);
    for (bool reference : {false, true}) {
        Engine().useReferenceMatchers = reference;
        results::Findings().Clear();
        Engine().ResetCounters();
        Engine().UpdateMemoryList();
        EXPECT_EQ(Findings(), (R{{"Malware Process", "One", "C:\\b\\one.exe", "", "1", "", "0"},
                                 {"Malware Process", "One", "C:\\c\\one.exe", "", "11", "", "0"},
                                 {"Malware Process", "Two", "C:\\a\\TWO.EXE", "", "2", "", "0"}}))
            << (reference ? "reference" : "indexed");
        EXPECT_EQ(Engine().counters.ProcessChecks, 8);
        EXPECT_EQ(progress_.title, "Scanning Memory...");
    }
}

TEST_F(MemoryScanTest, IndexedMatchingFindsWhatEveryPairFinds) {
    std::string source = "[MEMA]\n";
    for (int d = 0; d < 2000; ++d)
        source += "MEMAF" + std::to_string(d) + "=prog" + std::to_string(d * 13 % 2500) + (d % 3 ? ".exe" : ".EXE") +
                  "\nMEMAT" + std::to_string(d) + "=Spy" + std::to_string(d) + "\n";
    InstallDefinitions(source);
    for (int p = 0; p < 300; ++p)
        Process("C:\\Program Files\\P" + std::to_string(p % 7) + "\\PROG" + std::to_string(p * 11) + ".exe", 1000 + p);
    auto run = [&](bool reference) {
        Engine().useReferenceMatchers = reference;
        results::Findings().Clear();
        Engine().ResetCounters();
        Engine().UpdateMemoryList();
        return std::make_pair(Findings(), Engine().counters.ProcessChecks);
    };
    const auto indexed = run(false);
    const auto reference = run(true);
    EXPECT_GT(indexed.first.size(), 20u);
    EXPECT_EQ(indexed.first, reference.first);
    EXPECT_EQ(indexed.second, 600000);
    EXPECT_EQ(indexed.second, reference.second);
}

TEST_F(MemoryScanTest, RunningProcessesAreListedWithPathIdAndPriority) {
    Engine().ShowRunningProcesses();
    const std::string pid = std::to_string(GetCurrentProcessId());
    bool found = false;
    for (const Row& r : Rows(Engine().Tasklist.ListItems, 2))
        if (r[1] == pid) {
            found = true;
            EXPECT_TRUE(base::EqualsNoCase(r[0], Self())) << r[0];
            EXPECT_EQ(r[2], "NORMAL");
        }
    EXPECT_TRUE(found);
    EXPECT_EQ(Engine().counters.RunningProcCount, Engine().Tasklist.ListItems.Count());
    ASSERT_EQ(static_cast<int>(Engine().ProcessRecord.size()), Engine().Tasklist.ListItems.Count());

    Engine().Tasklist.ListItems.Clear();
    Engine().ShowRunningProcesses9x();
    found = false;
    for (const Row& r : Rows(Engine().Tasklist.ListItems, 1)) found = found || r[1] == pid;
    EXPECT_TRUE(found);
}

TEST_F(MemoryScanTest, FastCheckRecordsNothingAndEndsNothing) {
    const std::string self = Self();
    const std::string name = self.substr(self.rfind('\\') + 1);
    InstallDefinitions("[MEMA]\nMEMAF0=" + name + "\nMEMAT0=Self\n");
    for (bool reference : {false, true}) {
        Engine().useReferenceMatchers = reference;
        EXPECT_TRUE(Engine().ScanMemoryFast());
        EXPECT_FALSE(gb_fastMemoryScan);
        EXPECT_TRUE(Findings().empty());
    }
    InstallDefinitions("[MEMA]\nMEMAF0=no-such-program-here.exe\nMEMAT0=None\n");
    EXPECT_FALSE(Engine().ScanMemoryFast());

    // The full phase records this very process, and this process goes on running.
    InstallDefinitions("[MEMA]\nMEMAF0=" + name + "\nMEMAT0=Self\n");
    gb_osName = "Windows XP";
    Engine().ScanMemory();
    gb_osName.clear();
    bool recorded = false;
    for (const Row& r : Findings())
        recorded = recorded || (r[0] == "Malware Process" && r[4] == std::to_string(GetCurrentProcessId()));
    EXPECT_TRUE(recorded);
}
