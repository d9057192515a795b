// The alert store and the answers' refusals: records as written and read back, damaged files, records
// that arrive while the alerts window is open, and undo asked to touch places no guard watches.
#include <gtest/gtest.h>

#include "GuardFixture.h"
#include "base/Handles.h"
#include "base/RuntimeError.h"
#include "base/TextFile.h"
#include "core/SpecialFolders.h"
#include "monitors/AlertAnswers.h"
#include "monitors/AlertStore.h"
#include "monitors/QuotedRecords.h"
#include "monitors/modMonitors.h"

using monitors::GuardAlert;

namespace {

class Store : public ::testing::Test {
protected:
    testing_support::ScopedProgramFolder folder_;
    std::string StoreText() const { return base::ReadWhole(monitors::AlertStorePath()); }
};

TEST(QuotedRecords, RoundTripAndOlderLines) {
    struct Case {
        const char* line;
        std::vector<std::string> fields;  // empty: not a record
    } cases[] = {
        {R"("a","b")", {"a", "b"}},
        {R"("","")", {"", ""}},
        {R"("say ""hi""","x,y")", {"say \"hi\"", "x,y"}},
        {R"("a"b","c")", {"a\"b", "c"}},  // an older line with a lone quote inside
        {R"("a","b)", {}},                // no closing quote
        {R"(a,"b")", {}},
        {R"("a" ,"b")", {"a\" ,\"b"}},  // blanks around a comma: one field, so no alert record
        {"", {}},
    };
    for (const auto& c : cases) {
        auto parsed = monitors::ParseQuotedRecord(c.line);
        if (c.fields.empty()) {
            EXPECT_FALSE(parsed) << c.line;
        } else {
            ASSERT_TRUE(parsed) << c.line;
            EXPECT_EQ(*parsed, c.fields) << c.line;
        }
    }
    const std::vector<std::string> hostile = {"\"", "\",\"", "a\"\"b", ",", "\"\"\"", ""};
    std::string line = monitors::QuotedRecord(hostile);
    ASSERT_EQ(line.substr(line.size() - 2), "\r\n");
    line.resize(line.size() - 2);
    EXPECT_EQ(monitors::ParseQuotedRecord(line), hostile);
}

TEST_F(Store, AlertsWithQuotesAndCommasComeBackWholeAndOnce) {
    const GuardAlert a{"IE Hijack Guard", "Start Page", "http://x.example/?a=\"1\",b=2", "Software\\Microsoft"};
    const GuardAlert b{"IE Favorites Guard", "x.url", "http://y/", "C:\\Fav\\x.url"};
    const GuardAlert bCase{"IE Favorites Guard", "X.url", "http://y/", "C:\\Fav\\x.url"};
    EXPECT_TRUE(monitors::AppendAlert(a));
    EXPECT_FALSE(monitors::AppendAlert(a));  // unanswered still: not twice
    EXPECT_TRUE(monitors::AppendAlert(b));
    EXPECT_TRUE(monitors::AppendAlert(bCase));
    EXPECT_EQ(monitors::ReadAlertStore(), (std::vector<GuardAlert>{a, b, bCase}));
    // Someone else's duplicates are read once.
    base::AppendText(monitors::AlertStorePath(), monitors::QuotedRecord({b.guard, b.item, b.value, b.location}));
    EXPECT_EQ(monitors::ReadAlertStore(), (std::vector<GuardAlert>{a, b, bCase}));
    EXPECT_FALSE(monitors::AppendAlert(b));
}

TEST_F(Store, DamagedLinesAreSkippedAndTheRestRead) {
    base::WriteText(monitors::AlertStorePath(),
                    "\"Startup File Guard\",\"a.lnk\",\"C:\\a.exe\",\"C:\\S\\a.lnk\"\r\n"
                    "garbage\r\n"
                    "\"IE BHO Guard\",\"BHO Key\"\r\n"
                    "\"IE BHO Guard\",\"BHO Key\",\"{X}\",\"SOFTWARE\\x\"\r\n"
                    "\"IE Hijack Guard\",\"Local Page\",\"old \"unescaped\" text\",\"Main\"\r\n"
                    "\"IE BHO Guard\",\"BHO Key\",\"{Y}\"");
    int skipped = 0;
    const auto rows = monitors::ReadAlertStore(&skipped);
    EXPECT_EQ(skipped, 3);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[1].value, "{X}");
    EXPECT_EQ(rows[2].value, "old \"unescaped\" text");
}

TEST_F(Store, RewriteKeepsWhatArrivedWhileTheWindowWasOpen) {
    const GuardAlert a{"IE BHO Guard", "BHO Key", "{A}", "k"};
    const GuardAlert b{"IE BHO Guard", "BHO Key", "{B}", "k"};
    const GuardAlert c{"IE BHO Guard", "BHO Key", "{C}", "k"};
    monitors::AppendAlert(a);
    monitors::AppendAlert(b);
    const auto shown = monitors::ReadAlertStore();  // the window loads
    monitors::AppendAlert(c);                       // a guard reports meanwhile
    monitors::SaveAlertStore({shown[1]}, {shown[0]});
    EXPECT_EQ(monitors::ReadAlertStore(), (std::vector<GuardAlert>{b, c}));
    EXPECT_EQ(StoreText(), monitors::QuotedRecord({b.guard, b.item, b.value, b.location}) +
                               monitors::QuotedRecord({c.guard, c.item, c.value, c.location}));
}

// Line breaks in a field (a Run value's name, a page address) stay inside their record; plain
// records of earlier files read as before.
TEST_F(Store, FieldsWithLineBreaksComeBackWhole) {
    const GuardAlert plain{"Startup Registry Guard", "Plain", "C:\\p.exe", "HKEY_CURRENT_USER\\Run"};
    const std::vector<GuardAlert> alerts = {
        {"Startup Registry Guard", "Line\nFeed", "C:\\a.exe", "HKEY_CURRENT_USER\\Run"},
        {"IE Hijack Guard", "Start Page", "http://x.example/\r\n[evil]", "Main"},
        {"IE Hijack Guard", "Local Page", "=?e:%41 not escaped", "Main"},
        {"IE BHO Guard", "BHO Key", std::string("{NUL\0}", 6), "k"},
        {"Startup File Guard", "100% \"real\".lnk", "C:\\a,b.exe", "C:\\S\\x.lnk"},
    };
    base::WriteText(monitors::AlertStorePath(),
                    "\"Startup Registry Guard\",\"Plain\",\"C:\\p.exe\",\"HKEY_CURRENT_USER\\Run\"\r\n");
    for (const auto& a : alerts) EXPECT_TRUE(monitors::AppendAlert(a));
    for (const auto& a : alerts) EXPECT_FALSE(monitors::AppendAlert(a));  // known once written
    std::vector<GuardAlert> all = {plain};
    all.insert(all.end(), alerts.begin(), alerts.end());
    EXPECT_EQ(monitors::ReadAlertStore(), all);
    EXPECT_EQ(base::SplitLines(StoreText()).size(), all.size());
    monitors::SaveAlertStore({all[2], all[0]}, {all[1]});
    EXPECT_EQ(monitors::ReadAlertStore(), (std::vector<GuardAlert>{all[2], all[0], all[3], all[4], all[5]}));
}

// A folder where the store should be is an error, and no answer or report writes over it.
TEST_F(Store, AFolderInTheStoresPlaceIsAnErrorAndStays) {
    ASSERT_TRUE(CreateDirectoryA(monitors::AlertStorePath().c_str(), nullptr));
    const GuardAlert a{"IE BHO Guard", "BHO Key", "{A}", "k"};
    EXPECT_THROW(monitors::ReadAlertStore(), base::RuntimeError);
    EXPECT_THROW(monitors::AppendAlert(a), base::RuntimeError);
    EXPECT_THROW(monitors::SaveAlertStore({a}, {}), base::RuntimeError);
    EXPECT_TRUE(base::FolderExists(monitors::AlertStorePath()));
    std::vector<monitors::AlertRow> rows = {{a, true}};
    monitors::AnswerCheckedRows(rows, monitors::Answer::Authorize);
    EXPECT_TRUE(base::FolderExists(monitors::AlertStorePath()));
    bool logged = false;
    for (const auto& line : monitors_testing::ErrorLog())
        logged = logged || line.find("is a folder, not a file") != std::string::npos;
    EXPECT_TRUE(logged);
    RemoveDirectoryA(monitors::AlertStorePath().c_str());
}

TEST_F(Store, MissingStoreReadsEmpty) {
    EXPECT_TRUE(monitors::ReadAlertStore().empty());
    std::vector<monitors::AlertRow> rows;
    EXPECT_EQ(monitors::AnswerCheckedRows(rows, monitors::Answer::Undo), 0);
    EXPECT_EQ(StoreText(), "");
}

TEST_F(Store, UndoTouchesOnlyWatchedPlaces) {
    gb_programsFolder = folder_.path() + "\\Programs";
    gb_favoritesFolder = folder_.path() + "\\Favorites";
    CreateDirectoryA(gb_programsFolder.c_str(), nullptr);
    CreateDirectoryA((gb_programsFolder + "\\Startup").c_str(), nullptr);
    const std::string victim = folder_ / "victim.lnk";
    base::WriteText(victim, "keep me");
    const std::string inside = gb_programsFolder + "\\Startup\\real.lnk";
    base::WriteText(inside, "x");
    testing_support::TempFolder scratch;
    struct Case {
        const char* why;
        GuardAlert alert;
        bool handled;
    } cases[] = {
        {"a file outside the Startup folder", {"Startup File Guard", "victim.lnk", "", victim}, false},
        {"a path climbing out",
         {"Startup File Guard", "..\\victim.lnk", "", gb_programsFolder + "\\Startup\\..\\victim.lnk"},
         false},
        {"a name that is not a shortcut",
         {"Startup File Guard", "real.exe", "", gb_programsFolder + "\\Startup\\real.exe"},
         false},
        {"a key that is no Run key",
         {"Startup Registry Guard", "Shell", "",
          "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon"},
         false},
        {"another hive",
         {"Startup Registry Guard", "x", "", "HKEY_USERS\\.DEFAULT\\Software\\Microsoft\\Windows\\CurrentVersion\\Run"},
         false},
        {"a helper object below another key",
         {"IE BHO Guard", "BHO Key", "{0A1B2C3D-0000-4000-8000-00000000C0DE}\\InprocServer32", modMonitors::kBhoKey},
         false},
        {"an unknown guard", {"Other Guard", "x", "", ""}, false},
        {"an unknown page", {"IE Hijack Guard", "Home", "", modMonitors::kIEMainKey}, false},
        {"a shortcut already gone",
         {"Startup File Guard", "gone.lnk", "", gb_programsFolder + "\\Startup\\gone.lnk"},
         true},
        {"a real shortcut", {"Startup File Guard", "real.lnk", "", inside}, true},
    };
    std::vector<monitors::AlertRow> rows;
    for (const auto& c : cases) rows.push_back({c.alert, true});
    EXPECT_EQ(monitors::AnswerCheckedRows(rows, monitors::Answer::Undo), 2);
    EXPECT_TRUE(base::FileExists(victim));
    EXPECT_FALSE(base::FileExists(inside));
    ASSERT_EQ(rows.size(), 8u);
    for (size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].alert, cases[i].alert) << cases[i].why;
        EXPECT_TRUE(rows[i].checked) << cases[i].why;
    }
    // The rows left are the store now.
    EXPECT_EQ(monitors::ReadAlertStore().size(), 8u);
}

TEST_F(Store, FailedFileDeletionKeepsTheRow) {
    gb_programsFolder = folder_.path();
    CreateDirectoryA((gb_programsFolder + "\\Startup").c_str(), nullptr);
    const std::string path = gb_programsFolder + "\\Startup\\held.lnk";
    base::WriteText(path, "x");
    // Held open without delete sharing: the deletion fails.
    base::FileHandle held(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held);
    std::vector<monitors::AlertRow> rows{{{"Startup File Guard", "held.lnk", "", path}, true}};
    EXPECT_EQ(monitors::AnswerCheckedRows(rows, monitors::Answer::Undo), 0);
    EXPECT_EQ(rows.size(), 1u);
    held.reset();
    EXPECT_TRUE(base::FileExists(path));
    int n = 0;
    for (const auto& l : monitors_testing::ErrorLog())
        n += l.find("Method: Alerts cmdDelete_Click") != std::string::npos;
    EXPECT_EQ(n, 1);
}

}  // namespace
