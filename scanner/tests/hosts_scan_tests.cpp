// The hosts phase against the prefix's real hosts file (put back byte for byte after every
// test), and the hosts section of the scan log.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "base/Handles.h"
#include "base/Text.h"
#include "base/TextFile.h"
#include "core/Globals.h"
#include "core/HostsFile.h"
#include "core/modMain.h"
#include "results/FindingList.h"
#include "scanner/HostsMatcher.h"
#include "scanner/ListRowBuilders.h"
#include "scanner/ScanGlobals.h"
#include "scanner/tests/HostsFixtures.h"
#include "scanner/tests/ScannerTestSupport.h"

using namespace scannertest;

namespace {

// What tells a rewrite from an untouched file: the bytes, the attributes, the time of the last
// write and the file's identity (a replaced file is another file).
struct FileState {
    std::string bytes;
    DWORD attributes = 0;
    FILETIME written{};
    DWORD volume = 0, indexHigh = 0, indexLow = 0;

    static FileState Of(const std::string& path) {
        FileState s;
        s.bytes = base::ReadWhole(path);
        base::FileHandle h(CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                       OPEN_EXISTING, 0, nullptr));
        BY_HANDLE_FILE_INFORMATION info{};
        if (h && GetFileInformationByHandle(h.get(), &info)) {
            s.attributes = info.dwFileAttributes;
            s.written = info.ftLastWriteTime;
            s.volume = info.dwVolumeSerialNumber;
            s.indexHigh = info.nFileIndexHigh;
            s.indexLow = info.nFileIndexLow;
        }
        return s;
    }
    bool operator==(const FileState& o) const {
        return bytes == o.bytes && attributes == o.attributes && CompareFileTime(&written, &o.written) == 0 &&
               volume == o.volume && indexHigh == o.indexHigh && indexLow == o.indexLow;
    }
};

class HostsScanTest : public ScannerTest {
protected:
    void SetUp() override {
        ScannerTest::SetUp();
        path_ = modMain::HostsFilePath();
        existed_ = base::FileExists(path_);
        if (existed_) original_ = base::ReadWhole(path_);
    }
    void TearDown() override {
        if (existed_)
            base::WriteText(path_, original_);
        else
            DeleteFileA(path_.c_str());
        EXPECT_EQ(existed_ ? base::ReadWhole(path_) : std::string(), original_);
        ScannerTest::TearDown();
    }
    void Hosts(const std::string& text) { base::WriteText(path_, text); }
    void Definitions(const std::vector<std::pair<std::string, std::string>>& defs) {
        std::string source = "[HOSTS]\n";
        for (size_t i = 0; i < defs.size(); ++i)
            source += "HOSTSV" + std::to_string(i) + "=" + defs[i].first + "\nHOSTST" + std::to_string(i) + "=" +
                      defs[i].second + "\n";
        InstallDefinitions(source);
        gb_loadHostsDefs = true;
        Engine().loadDataBase(false);
        ASSERT_EQ(Engine().lists.lstHost.ListItems.Count(), static_cast<int>(defs.size()));
    }
    static Row Found(const std::string& address, const std::string& host) {
        return {"Bad Hosts Entry", address, host, "", "", "", "0"};
    }

    std::string path_, original_;
    bool existed_ = false;
};

// An address line of `text` whose host names are `host` (case-blind).
bool HasEntry(const std::string& text, const std::string& host) {
    for (const std::string& line : base::SplitLines(text)) {
        const size_t blank = line.find(' ');
        if (line.empty() || line[0] == '#' || blank == std::string::npos) continue;
        if (base::EqualsNoCase(base::Trim(line.substr(blank)), host)) return true;
    }
    return false;
}

const char* const kHijacked =
    "# seeded: ad.doubleclick.net www.google.com\r\n"
    "127.0.0.1 localhost\r\n"
    "\r\n"
    "127.0.0.1       www.example-search.com\r\n"
    "203.0.113.7\twww.google.com\r\n"
    "127.0.0.1 ad.doubleclick.net\r\n"
    "127.0.0.1 AD.DoubleClick.NET\r\n"
    "192.0.2.10 intranet.example.org\r\n"
    "127.0.0.1 www.example-search.com.au\r\n"
    "10.0.0.1 tracker.example # planted\r\n"
    "   # indented www.google.com\r\n"
    "www.google.com\r\n";

// Every entry a definition names is a finding, of whatever type the definition is, in
// definition order and within it in file order; the file is not touched.
TEST_F(HostsScanTest, RecordsEveryNamedEntryAndLeavesTheFileAsItWas) {
    Hosts(kHijacked);
    Definitions({{"ad.doubleclick.net", "Bad Host File Entries"},
                 {"www.google.com", "Trojan.Qhosts"},
                 {"WWW.EXAMPLE-SEARCH.COM", "Hijacker.Search"},
                 {"tracker.example", "Hijacker.Tracker"},
                 {"example-search.com", "Hijacker.Search"}});
    // A row without a host (the loader makes none) must not name the comment lines.
    scanner::FillListBox(Engine().lists.lstHost, "Bad Hosts Entry", "", "Broken");
    const FileState before = FileState::Of(path_);

    Engine().ScanHosts();

    EXPECT_EQ(Findings(),
              (std::vector<Row>{
                  Found("127.0.0.1", "ad.doubleclick.net"), Found("127.0.0.1", "AD.DoubleClick.NET"),
                  Found("203.0.113.7", "www.google.com"), Found("", "www.google.com"),  // a line holding only the host
                  Found("127.0.0.1", "www.example-search.com"),
                  Found("10.0.0.1", "tracker.example"),  // the name, not its comment
              }));
    EXPECT_EQ(Engine().counters.FileCount, 6);
    EXPECT_TRUE(FileState::Of(path_) == before) << base::ReadWhole(path_);
    EXPECT_EQ(ErrorLog(), "");

    // The removal drops a finding's entry by its host and address, and only that one (a results
    // list saved by an older run names the entry's whole host text, comment and all).
    ASSERT_TRUE(modMain::DeleteHostsEntry("tracker.example # planted", "10.0.0.1"));
    ASSERT_TRUE(modMain::DeleteHostsEntry("ad.doubleclick.net", "127.0.0.1"));
    const std::string after = base::ReadWhole(path_);
    EXPECT_FALSE(HasEntry(after, "tracker.example # planted")) << after;
    EXPECT_FALSE(HasEntry(after, "ad.doubleclick.net")) << after;  // both cases: the removal is case-blind
    for (const char* kept :
         {"localhost", "www.example-search.com", "www.example-search.com.au", "intranet.example.org"})
        EXPECT_TRUE(HasEntry(after, kept)) << kept << "\n" << after;
    EXPECT_EQ(after.rfind("# seeded: ad.doubleclick.net www.google.com\r\n", 0), 0u) << after;
}

// A record carries several names: a bad one among them is found under its own name, the log
// lists it as any other, and its removal takes that name alone: the record's other names and its
// comment stay, and a record left with no name goes.
TEST_F(HostsScanTest, ABadNameAmongAliasesIsFoundAndRemovedAlone) {
    Hosts(
        "127.0.0.1 ads.bad.example other.example\r\n"
        "127.0.0.1\tgood.example ADS.BAD.EXAMPLE   # kept note\r\n"
        "10.0.0.2 ads.bad.example.org notbad.example ads.bad.example\r\n"
        "127.0.0.1 ads.bad.example ads.bad.example\r\n"
        "127.0.0.1 www.ads.bad.example\r\n");
    Definitions({{"ads.bad.example", "Adware.Ads"}});
    Engine().ScanHosts();
    EXPECT_EQ(Findings(),
              (std::vector<Row>{Found("127.0.0.1", "ads.bad.example"), Found("127.0.0.1", "ADS.BAD.EXAMPLE"),
                                Found("10.0.0.2", "ads.bad.example")}));
    const std::string log = Engine().HostsScanLogSection();
    EXPECT_NE(log.find("\r\n127.0.0.1 Bad Hosts Entry:ads.bad.example\r\n"
                       "127.0.0.1 Bad Hosts Entry:ADS.BAD.EXAMPLE\r\n"
                       "10.0.0.2 Bad Hosts Entry:ads.bad.example\r\n\r\n\r\n"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("Bad Hosts Entry found:3\r\n"), std::string::npos) << log;

    ASSERT_TRUE(modMain::DeleteHostsEntry("ads.bad.example", "127.0.0.1"));
    EXPECT_EQ(base::ReadWhole(path_),
              "127.0.0.1     other.example\r\n"
              "127.0.0.1     good.example # kept note\r\n"
              "10.0.0.2     ads.bad.example.org notbad.example ads.bad.example\r\n"
              "127.0.0.1     www.ads.bad.example\r\n");
    ASSERT_TRUE(modMain::DeleteHostsEntry("ads.bad.example", "10.0.0.2"));
    EXPECT_EQ(base::ReadWhole(path_),
              "127.0.0.1     other.example\r\n"
              "127.0.0.1     good.example # kept note\r\n"
              "10.0.0.2     ads.bad.example.org notbad.example\r\n"
              "127.0.0.1     www.ads.bad.example\r\n");
    EXPECT_EQ(ErrorLog(), "");
}

TEST_F(HostsScanTest, WithoutDefinitionsNothingIsRecordedAndNothingWritten) {
    Hosts(kHijacked);
    const FileState before = FileState::Of(path_);
    Engine().ScanHosts();
    EXPECT_TRUE(Findings().empty());
    EXPECT_TRUE(FileState::Of(path_) == before);
}

TEST_F(HostsScanTest, AMissingHostsFileIsLoggedAndNotMade) {
    DeleteFileA(path_.c_str());
    Definitions({{"www.google.com", "Trojan.Qhosts"}});
    Engine().ScanHosts();
    EXPECT_TRUE(Findings().empty());
    EXPECT_FALSE(base::FileExists(path_));
    EXPECT_NE(ErrorLog().find("Method: readHost"), std::string::npos) << ErrorLog();
}

// Beyond what a 16-bit line counter reaches.
TEST_F(HostsScanTest, ALongFileIsReadToItsEnd) {
    std::string text;
    for (int i = 0; i < 40000; ++i) text += "0.0.0.0 block" + std::to_string(i) + ".example\r\n";
    text += "203.0.113.7 www.google.com\r\n";
    Hosts(text);
    Definitions({{"www.google.com", "Trojan.Qhosts"}, {"block39999.example", "Adware.Blocked"}});
    const FileState before = FileState::Of(path_);
    Engine().ScanHosts();
    EXPECT_EQ(Findings(),
              (std::vector<Row>{Found("203.0.113.7", "www.google.com"), Found("0.0.0.0", "block39999.example")}));
    EXPECT_TRUE(FileState::Of(path_) == before);
}

// The index against the walk over every entry, on generated files: the same entries for every
// definition, and the phase records what the walk names, in definition order, once each.
TEST_F(HostsScanTest, TheIndexNamesWhatTheWalkNames) {
    for (unsigned seed = 1; seed <= 4; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        Hosts(GeneratedHostsText(seed, 3000, 400));
        modMain::readHost();
        std::vector<HostsEntry> entries = gb_hostsEntries;
        entries.pop_back();
        const std::vector<std::string> defs = GeneratedHostDefinitions(seed, 600, 400);

        const scanner::HostsMatcher matcher(entries);
        int mismatches = 0;
        size_t named = 0;
        std::vector<Row> expected;
        std::set<std::pair<std::string, std::string>> seen;
        for (const std::string& d : defs) {
            const std::vector<size_t> walk = scanner::HostsMatcher::EntriesNamedByWalk(entries, d);
            if (matcher.EntriesNamed(d) != walk) ++mismatches;
            named += walk.size();
            for (size_t j : walk) {
                const std::string name = scanner::HostsMatcher::NameIn(entries[j], d);
                if (seen.insert({entries[j].text, name}).second) expected.push_back(Found(entries[j].text, name));
            }
        }
        EXPECT_EQ(mismatches, 0);
        EXPECT_GT(named, 100u);

        results::Findings().Clear();
        Engine().lists.lstHost.ListItems.Clear();
        for (const std::string& d : defs) scanner::FillListBox(Engine().lists.lstHost, "Bad Hosts Entry", d, "Spy");
        const FileState before = FileState::Of(path_);
        Engine().ScanHosts();
        EXPECT_EQ(Findings(), expected);
        EXPECT_TRUE(FileState::Of(path_) == before);
    }
}

// Raises the stop flag from inside the scan, at its third look at the message loop.
class StoppingProgress : public RecordingProgress {
public:
    int pumps = 0;
    int rowsAtStop = -1;
    std::chrono::steady_clock::time_point stoppedAt;
    void Pump() override {
        Sleep(25);  // so that the next yield pumps again, whatever the clock's resolution
        if (++pumps != 3) return;
        gb_scanAborted = true;
        rowsAtStop = results::Findings().Count();
        stoppedAt = std::chrono::steady_clock::now();
    }
};

TEST_F(HostsScanTest, TheStopFlagEndsThePhaseAtTheNextDefinition) {
    std::string text;
    for (int i = 0; i < 2000; ++i) text += "127.0.0.1 h" + std::to_string(i) + ".example\r\n";
    Hosts(text);
    for (int i = 0; i < 2000; ++i)
        scanner::FillListBox(Engine().lists.lstHost, "Bad Hosts Entry", "h" + std::to_string(i) + ".example", "Spy");
    StoppingProgress stopping;
    Engine().SetProgress(&stopping);
    Sleep(25);
    Engine().ScanHosts();
    const auto returned = std::chrono::steady_clock::now();
    Engine().SetProgress(&progress_);
    ASSERT_EQ(stopping.pumps, 3);
    EXPECT_GT(stopping.rowsAtStop, 0);
    EXPECT_EQ(results::Findings().Count(), stopping.rowsAtStop);
    const double ms = std::chrono::duration<double, std::milli>(returned - stopping.stoppedAt).count();
    std::printf("hosts phase ended %.3f ms after the stop flag\n", ms);
    EXPECT_LT(ms, 1000.0);

    results::Findings().Clear();
    gb_scanAborted = true;
    Engine().ScanHosts();
    EXPECT_TRUE(Findings().empty());
}

// ---- the hosts section of the scan log

TEST_F(HostsScanTest, LogSectionListsTheHostsFindingsOfTheResultsList) {
    const std::string head = "\r\nStarted Hosts file scan\r\n=*=*=*=*=*=*=*=*=*=*=*=*=*=*=\r\n";
    const std::string tail = "\r\n\r\nHosts file scan results:\r\n";
    EXPECT_EQ(Engine().HostsScanLogSection(), head + tail + "Bad Hosts Entry found:0\r\nScan finished\r\n");

    auto add = [](const std::string& kind, const std::string& spyType, const std::string& item) {
        results::Finding f;
        f.SpyType = spyType;
        f.spyItem = item;
        results::Findings().AddRow(kind, f);
    };
    add("Bad Hosts Entry", "203.0.113.7", "www.google.com");
    add("Tracking Cookie", "doubleclick", "C:\\c\\user@doubleclick[1].txt");
    add("bad hosts entry", "127.0.0.1", "www.example-search.com");  // kinds compare case-blind
    add("Malware File", "127.0.0.1", "bad hosts entry");
    EXPECT_EQ(Engine().HostsScanLogSection(), head +
                                                  "203.0.113.7 Bad Hosts Entry:www.google.com\r\n"
                                                  "127.0.0.1 Bad Hosts Entry:www.example-search.com\r\n" +
                                                  tail + "Bad Hosts Entry found:2\r\nScan finished\r\n");
}

}  // namespace
