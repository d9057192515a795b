// The cookie and hosts phases against the seeded test machine and the sample definitions.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "base/TextFile.h"
#include "base/testing/seeded/SeededMachine.h"
#include "core/Globals.h"
#include "results/FindingList.h"
#include "scanner/CookieDetails.h"
#include "scanner/ScanGlobals.h"
#include "scanner/tests/SeededScannerTest.h"

using namespace scannertest;
using testing_support::SeededFinding;
using testing_support::SeededMachine;

namespace {

std::vector<Row> AsRows(const std::vector<SeededFinding>& findings) {
    std::vector<Row> rows;
    for (const SeededFinding& f : findings)
        rows.push_back({f.kind, f.spyType, f.item, f.replace, f.toolTip, f.tag, "0"});
    return rows;
}

class SeededCookieHostsTest : public SeededScannerTest {
protected:
    void SetUp() override {
        SeededScannerTest::SetUp();
        gb_cookiesFolder = machine_->Folders().cookies + "\\";
    }
    void TearDown() override {
        gb_cookiesFolder.clear();
        ScannerTest::TearDown();
    }
    void Load(bool& flag) {
        flag = true;
        Engine().loadDataBase(false);
        flag = false;
    }
    static std::vector<Row> ExpectedHosts() { return AsRows(machine_->Expected("hosts")); }
};

TEST_F(SeededCookieHostsTest, CookiePhaseFindsExactlyThePlantedCookies) {
    Load(gb_loadCookieDefs);
    ASSERT_GT(Engine().lists.lstCookies.ListItems.Count(), 0);
    for (bool all : {false, true}) {
        SCOPED_TRACE(all ? "AllCookies on" : "AllCookies off");
        results::Findings().Clear();
        Engine().ResetCounters();
        gb_allCookies = all;
        Engine().ScanCookie();
        const std::set<std::string> when =
            all ? std::set<std::string>{testing_support::kWhenAllCookies} : std::set<std::string>{};
        const std::vector<Row> expected = AsRows(machine_->Expected("cookies", when));
        ASSERT_FALSE(expected.empty());
        EXPECT_EQ(Sorted(Findings()), Sorted(expected));
    }
    EXPECT_EQ(ErrorLog(), "");
}

// The log's account of each planted cookie found: its name, value and site as planted.
TEST_F(SeededCookieHostsTest, CookieDetailsTellThePlantedCookies) {
    struct Case {
        const char* file;
        const char* name;
        const char* value;
        const char* site;
    };
    for (const Case& c : {Case{"user@doubleclick[1].txt", "id", "2c6f1e0a9b", "doubleclick.net/"},
                          Case{"user@atdmt[2].txt", "AA002", "1083842950-2904721", "atdmt.com/"}}) {
        SCOPED_TRACE(c.file);
        EXPECT_EQ(modMain::GetCookieDetails(machine_->Folders().cookies + "\\" + c.file),
                  std::string("\r\nCookie Type:") + c.name + "\r\nCookie Value:" + c.value +
                      "\r\nCookie Source:" + c.site + "\r\nCookie Name:" + c.file + "\r\n");
    }
}

TEST_F(SeededCookieHostsTest, HostsPhaseReportsTheBadEntriesAndLeavesTheFileAlone) {
    const std::string hosts = machine_->Folders().hostsFile;
    const std::string before = base::ReadWhole(hosts);
    WIN32_FILE_ATTRIBUTE_DATA stampBefore{}, stampAfter{};
    GetFileAttributesExA(hosts.c_str(), GetFileExInfoStandard, &stampBefore);

    Load(gb_loadHostsDefs);
    Engine().ScanHosts();

    EXPECT_EQ(Findings(), ExpectedHosts());
    EXPECT_EQ(base::ReadWhole(hosts), before);
    GetFileAttributesExA(hosts.c_str(), GetFileExInfoStandard, &stampAfter);
    EXPECT_EQ(CompareFileTime(&stampBefore.ftLastWriteTime, &stampAfter.ftLastWriteTime), 0);
    EXPECT_EQ(ErrorLog(), "");
}

// Raises the stop flag at the first look at the message loop.
class StopAtOnce : public RecordingProgress {
public:
    int pumps = 0;
    std::chrono::steady_clock::time_point stoppedAt;
    void Pump() override {
        if (++pumps > 1) return;
        gb_scanAborted = true;
        stoppedAt = std::chrono::steady_clock::now();
    }
};

TEST_F(SeededCookieHostsTest, TheStopFlagEndsEachPhase) {
    gb_allCookies = true;
    gb_loadCookieDefs = gb_loadHostsDefs = true;
    Engine().loadDataBase(false);
    struct Phase {
        const char* name;
        void (scanner::ScanEngine::*run)();
    };
    for (const Phase& p :
         {Phase{"cookies", &scanner::ScanEngine::ScanCookie}, Phase{"hosts", &scanner::ScanEngine::ScanHosts}}) {
        SCOPED_TRACE(p.name);
        results::Findings().Clear();
        gb_scanAborted = false;
        StopAtOnce stop;
        Engine().SetProgress(&stop);
        Sleep(11);  // the phase's first yield pumps
        (Engine().*p.run)();
        const auto returned = std::chrono::steady_clock::now();
        Engine().SetProgress(&progress_);
        ASSERT_EQ(stop.pumps, 1);
        EXPECT_TRUE(Findings().empty());
        const double ms = std::chrono::duration<double, std::milli>(returned - stop.stoppedAt).count();
        std::printf("%s phase ended %.3f ms after the stop flag\n", p.name, ms);
        EXPECT_LT(ms, 200.0);
    }
}

}  // namespace
