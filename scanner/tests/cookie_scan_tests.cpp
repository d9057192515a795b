// The cookie phase against cookies folders of its own, and the cookie details of the scan log.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "base/RuntimeError.h"
#include "base/TextFile.h"
#include "core/Globals.h"
#include "core/modMain.h"
#include "results/FindingList.h"
#include "scanner/CookieDetails.h"
#include "scanner/ListRowBuilders.h"
#include "scanner/ScanGlobals.h"
#include "scanner/tests/ScannerTestSupport.h"

using namespace scannertest;

namespace {

// A cookie in the browser's layout: name, value, site, then flags and four time fields, "*".
std::string Cookie(const std::string& name, const std::string& value, const std::string& site,
                   const std::string& eol = "\n") {
    std::string text;
    for (const std::string& line :
         {name, value, site, std::string("1024"), std::string("3567587328"), std::string("30000000"),
          std::string("2836754560"), std::string("29700000"), std::string("*")})
        text += line + eol;
    return text;
}

class CookieScanTest : public ScannerTest {
protected:
    void SetUp() override {
        ScannerTest::SetUp();
        cookies_ = MakeFolder("Cookies");
        gb_cookiesFolder = cookies_ + "\\";
        gb_allCookies = true;
    }
    void TearDown() override {
        gb_cookiesFolder.clear();
        ScannerTest::TearDown();
    }
    // The cookie definitions (name, cookie text) as the loader fills them.
    void Definitions(const std::vector<std::pair<std::string, std::string>>& defs) {
        std::string source = "[COOK]\n";
        for (size_t i = 0; i < defs.size(); ++i)
            source += "COOKT" + std::to_string(i) + "=" + defs[i].first + "\nCOOKC" + std::to_string(i) + "=" +
                      defs[i].second + "\n";
        InstallDefinitions(source + "[NTOT]\nCOOKTNUM=" + std::to_string(defs.size()) + "\n");
        gb_loadCookieDefs = true;
        Engine().loadDataBase(false);
        ASSERT_EQ(Engine().lists.lstCookies.ListItems.Count(), static_cast<int>(defs.size()));
    }
    std::string Plant(const std::string& name, DWORD attributes = 0) {
        const std::string path = cookies_ + "\\" + name;
        MakeFile(path, Cookie("id", "1", "example.net/"));
        if (attributes) SetFileAttributesA(path.c_str(), attributes);
        return path;
    }
    Row Found(const std::string& spyType, const std::string& path) const {
        return {"Tracking Cookie", spyType, path, "", path, "", "0"};
    }

    std::string cookies_;
};

// One folder of cookie files and look-alikes, scanned with AllCookies on and off.
TEST_F(CookieScanTest, RecordsTheCookiesTheDefinitionsNameAndTheOthersOnlyWithAllCookies) {
    Definitions({{"DoubleClick", "doubleclick"}, {"AdTrack", "adtrack"}});
    const std::string dc = Plant("user@doubleclick[1].txt");
    const std::string upper = Plant("USER@ADTRACK[1].TXT");  // case-blind on name and extension
    const std::string both = Plant("user@doubleclick.adtrack[2].txt");
    const std::string readOnly = Plant("ro@doubleclick[1].txt", FILE_ATTRIBUTE_READONLY);
    const std::string clean = Plant("user@example[1].txt");
    Plant("doubleclick.dat");                                             // not a .txt file
    Plant("index.dat");                                                   // the index, whatever it holds
    Plant("user@doubleclick[3].txt", FILE_ATTRIBUTE_HIDDEN);              // not listed
    Plant("user@adtrack[4].txt", FILE_ATTRIBUTE_SYSTEM);                  // not listed
    Plant("user@doubleclick.txt.bak");                                    // ends otherwise
    CreateDirectoryA((cookies_ + "\\doubleclick.txt").c_str(), nullptr);  // a folder

    const std::vector<Row> named = {Found("doubleclick", dc), Found("adtrack", upper), Found("doubleclick", both),
                                    Found("adtrack", both), Found("doubleclick", readOnly)};
    struct Case {
        bool allCookies;
        std::vector<Row> expected;
    };
    std::vector<Row> withOther = named;
    withOther.push_back(Found("Other", clean));
    for (const Case& c : {Case{false, named}, Case{true, withOther}}) {
        SCOPED_TRACE(c.allCookies ? "AllCookies on" : "AllCookies off");
        results::Findings().Clear();
        Engine().ResetCounters();
        gb_allCookies = c.allCookies;
        Engine().ScanCookie();
        EXPECT_EQ(Sorted(Findings()), Sorted(c.expected));
        EXPECT_EQ(Engine().counters.FileCount, static_cast<long>(c.expected.size()));
    }
    EXPECT_EQ(ErrorLog(), "");
}

TEST_F(CookieScanTest, WithoutDefinitionsEveryCookieIsOtherAndTheFolderNeedsNoTrailingBackslash) {
    const std::string a = Plant("a@site[1].txt"), b = Plant("b@site[1].TXT");
    gb_cookiesFolder = cookies_;
    Engine().ScanCookie();
    EXPECT_EQ(Sorted(Findings()), Sorted({Found("Other", a), Found("Other", b)}));
}

// A definition whose text is empty would name every file: it names none.
TEST_F(CookieScanTest, ADefinitionWithoutTextMatchesNothing) {
    const std::string a = Plant("a@site[1].txt");
    Engine().lists.lstCookies.ListItems.Clear();
    scanner::FillListBox(Engine().lists.lstCookies, "Tracking Cookie", "Broken", "");
    Engine().ScanCookie();
    EXPECT_EQ(Findings(), (std::vector<Row>{Found("Other", a)}));
}

TEST_F(CookieScanTest, FoldersThatCannotBeListed) {
    struct Case {
        const char* name;
        std::string folder;
        bool logged;
    };
    const Case cases[] = {
        {"empty folder", cookies_ + "\\", false},
        {"missing folder", tree_ / "NoCookies\\", true},
        {"no folder known (Shell Folders value missing)", "\\", true},
        {"nothing at all", "", true},
        {"relative path", "Cookies\\", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DeleteFileA(modMain::ErrorLogPath().c_str());
        gb_cookiesFolder = c.folder;
        Engine().ScanCookie();
        EXPECT_TRUE(Findings().empty());
        const std::string log = ErrorLog();
        if (c.logged) {
            EXPECT_NE(log.find("Method: ScanCookie"), std::string::npos) << log;
            EXPECT_NE(log.find("Path not found"), std::string::npos) << log;
        } else {
            EXPECT_EQ(log, "");
        }
    }
}

// Raises the stop flag from inside the scan, at its hundredth finding: whatever the machine's
// speed, the phase is in the middle of the folder then.
class StoppingProgress : public RecordingProgress {
public:
    int rowsAtStop = -1;
    std::chrono::steady_clock::time_point stoppedAt;
    void CountersChanged(const scanner::ScanCounters& c) override {
        RecordingProgress::CountersChanged(c);
        if (c.ComponentCount != 100 || gb_scanAborted) return;
        gb_scanAborted = true;
        rowsAtStop = results::Findings().Count();
        stoppedAt = std::chrono::steady_clock::now();
    }
};

TEST_F(CookieScanTest, TheStopFlagEndsThePhaseAtTheNextFile) {
    for (int i = 0; i < 500; ++i) Plant("user@site" + std::to_string(i) + ".txt");
    StoppingProgress stopping;
    Engine().SetProgress(&stopping);
    Engine().ScanCookie();
    const auto returned = std::chrono::steady_clock::now();
    Engine().SetProgress(&progress_);
    ASSERT_EQ(stopping.rowsAtStop, 100);
    EXPECT_EQ(results::Findings().Count(), stopping.rowsAtStop);  // nothing after the flag
    const double ms = std::chrono::duration<double, std::milli>(returned - stopping.stoppedAt).count();
    std::printf("cookie phase ended %.3f ms after the stop flag\n", ms);
    EXPECT_LT(ms, 1000.0);

    // Set before the phase, the flag keeps it from starting.
    results::Findings().Clear();
    gb_scanAborted = true;
    Engine().ScanCookie();
    EXPECT_TRUE(Findings().empty());
}

// ---- the cookie details of the scan log

class CookieDetailsTest : public ::testing::Test {
protected:
    std::string Details(const std::string& content) {
        const std::string path = folder_ / "user@doubleclick[1].txt";
        base::WriteText(path, content);
        return modMain::GetCookieDetails(path);
    }
    static std::string Block(const std::string& name, const std::string& value, const std::string& site) {
        return "\r\nCookie Type:" + name + "\r\nCookie Value:" + value + "\r\nCookie Source:" + site +
               "\r\nCookie Name:user@doubleclick[1].txt\r\n";
    }
    testing_support::ScopedProgramFolder program_;
    testing_support::TempFolder folder_;
};

TEST_F(CookieDetailsTest, OneBlockPerCookieRecord) {
    const std::string a = Block("id", "2c6f1e0a9b", "doubleclick.net/");
    const std::string b = Block("AA002", "1083842950-2904721", "atdmt.com/");
    struct Case {
        const char* name;
        std::string content;
        std::string expected;
    };
    const std::string seven = "n\nv\ns\n1\n2\n3\n4\n*\n";
    const Case cases[] = {
        {"one record, LF", Cookie("id", "2c6f1e0a9b", "doubleclick.net/"), a},
        {"one record, CR LF", Cookie("id", "2c6f1e0a9b", "doubleclick.net/", "\r\n"), a},
        // Every record is told, not only the last one read.
        {"two records, LF",
         Cookie("id", "2c6f1e0a9b", "doubleclick.net/") + Cookie("AA002", "1083842950-2904721", "atdmt.com/"), a + b},
        {"two records, CR LF",
         Cookie("id", "2c6f1e0a9b", "doubleclick.net/", "\r\n") +
             Cookie("AA002", "1083842950-2904721", "atdmt.com/", "\r\n"),
         a + b},
        // Only a line of its own ends a record.
        {"a value holding *", Cookie("id", "a*b*c", "doubleclick.net/"), Block("id", "a*b*c", "doubleclick.net/")},
        {"no * after the last record", "id\n2c6f1e0a9b\ndoubleclick.net/\n1\n2\n3\n4\n5\n", a},
        {"blank lines before a record",
         Cookie("id", "2c6f1e0a9b", "doubleclick.net/") + "\n\n" + Cookie("AA002", "1083842950-2904721", "atdmt.com/"),
         a + b},
        {"a first record of seven lines", seven + Cookie("id", "2c6f1e0a9b", "doubleclick.net/"), ""},
        {"a short record ends the reading",
         Cookie("id", "2c6f1e0a9b", "doubleclick.net/") + seven + Cookie("AA002", "1083842950-2904721", "atdmt.com/"),
         a},
        {"a record without its site ends the reading",
         Cookie("id", "2c6f1e0a9b", "doubleclick.net/") + Cookie("x", "y", "") +
             Cookie("AA002", "1083842950-2904721", "atdmt.com/"),
         a},
        {"an empty file", "", ""},
        {"only separators", "*\n*\n\n*\n", ""},
        {"not a cookie at all", std::string("MZ\x90\0\3\0\0\0", 8), ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Details(c.content), c.expected);
    }
}

TEST_F(CookieDetailsTest, AMissingFileGivesTheMessage) {
    EXPECT_EQ(modMain::GetCookieDetails(folder_ / "gone.txt"), "Cookie file is locked or not exist.");
}

TEST_F(CookieDetailsTest, AFileThatCannotBeOpenedRaisesToTheCaller) {
    const std::string path = folder_ / "locked.txt";
    base::WriteText(path, Cookie("id", "1", "a/"));
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_THROW(modMain::GetCookieDetails(path), base::RuntimeError);
    CloseHandle(h);
}

}  // namespace
