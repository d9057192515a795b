// The results list's row index and the ignore-list read, each held to the plain walk it replaces.
#include <gtest/gtest.h>
#include <windows.h>
// after windows.h
#include <commctrl.h>

#include <random>

#include "base/TextFile.h"
#include "base/testing/Testing.h"
#include "definitions/StringCipher.h"
#include "results/IgnoreList.h"
#include "results/frmResultBackup.h"
#include "ui/MessageLoop.h"

using results::IgnoreListIndex;
using results::ResultsListView;

namespace {
std::string Enc(const std::string& s) { return modEncryption::Encrypte(s); }
std::string Record(const std::string& kind, const std::string& item, const std::string& spy) {
    return "\"" + Enc(kind) + "\",\"" + Enc(item) + "\",\"" + Enc(spy) + "\"\r\n";
}
}  // namespace

TEST(IgnoreList, RecordFields) {
    struct Case {
        const char* line;
        std::vector<std::string> fields;
    };
    const Case cases[] = {
        {"\"A\",\"B\",\"C\"", {"A", "B", "C"}},
        {"  \"A\" , \"B,b\",C  ", {"A", "B,b", "C"}},
        {"\"say \"\"hi\"\"\",x", {"say \"hi\"", "x"}},
        {"\"open", {"open"}},
        {"a,,b", {"a", "", "b"}},
        {"", {""}},
    };
    for (const Case& c : cases) EXPECT_EQ(results::RecordFields(c.line), c.fields) << c.line;
}

TEST(IgnoreList, DamagedRecordsDoNotShiftTheOthers) {
    modEncryption::LoadEncryption();
    const std::string text = Record("Malware File", "C:\\a.exe", "A") + "\"" + Enc("Malware Folder") + "\"\r\n\r\n" +
                             Record("Malware File", "C:\\b.exe", "B") + "\"" + Enc("Malware File") + "\",\"" +
                             Enc("C:\\cut.exe");  // cut short by the end of the file
    const auto records = results::ReadIgnoreRecords(text);
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(records[0].item, "C:\\a.exe");
    EXPECT_EQ(records[1].kind, "Malware Folder");
    EXPECT_EQ(records[1].item, "");
    EXPECT_EQ(records[2].item, "C:\\b.exe");
    EXPECT_EQ(records[2].spyName, "B");
    EXPECT_EQ(records[3].item, "C:\\cut.exe");
    EXPECT_EQ(records[3].spyName, "");
}

TEST(IgnoreList, IndexAnswersAsTheWalk) {
    testing_support::ScopedProgramFolder pf;
    modEncryption::LoadEncryption();
    const std::string path = pf / results::kIgnoreListFile;
    const char* kinds[] = {"Malware File", "malware file", "Malware Folder", ""};
    const char* items[] = {"C:\\a.exe", "c:\\a.exe", "C:\\b", "", "C:\\a.exe "};
    std::mt19937 rng(11);
    IgnoreListIndex index;
    for (int round = 0; round < 40; ++round) {
        // The file changes between rounds (sometimes not at all, sometimes it goes away).
        const int mode = static_cast<int>(rng() % 5);
        if (mode == 0) {
            DeleteFileA(path.c_str());
        } else if (mode != 1) {
            std::string text;
            for (int r = 0, n = static_cast<int>(rng() % 4); r < n; ++r)
                text += Record(kinds[rng() % 4], items[rng() % 5], "S");
            if (rng() % 3 == 0) text += "garbage line\r\n";
            base::WriteText(path, text);
        }
        for (const char* k : kinds)
            for (const char* i : items)
                ASSERT_EQ(index.IsIgnored(path, k, i), results::IsIgnoredByWalk(path, k, i))
                    << "round " << round << " kind '" << k << "' item '" << i << "'";
    }
}

namespace {
class frmRows : public ui::Form {
public:
    frmRows() : ui::Form("frmRows") {}
    ResultsListView SpyListView{*this, "SpyListView"};
};
}  // namespace

TEST(ResultsListView, FindRowAnswersAsTheWalk) {
    frmRows form;
    form.Load();
    ResultsListView& list = form.SpyListView;
    const char* kinds[] = {"Malware File", "Malware Folder", "malware file"};
    const char* spies[] = {"A", "B", ""};
    const char* items[] = {"C:\\a", "C:\\b", "c:\\a", ""};
    std::mt19937 rng(5);
    auto check = [&](int step) {
        for (const char* k : kinds)
            for (const char* s : spies)
                for (const char* i : items)
                    ASSERT_EQ(list.FindRow(k, s, i), ResultsListView::FindRowByWalk(list.ListItems, k, s, i))
                        << "step " << step << ": " << k << "|" << s << "|" << i;
    };
    for (int step = 0; step < 400; ++step) {
        const int op = static_cast<int>(rng() % 10);
        const int n = list.ListItems.Count();
        if (op < 5) {
            list.AddFinding(kinds[rng() % 3], spies[rng() % 3], items[rng() % 4], "", "", "", false);
        } else if (op == 5) {
            list.ListItems.Add(kinds[rng() % 3]).SubItems(2) = items[rng() % 4];  // added by someone else
        } else if (op == 6 && n) {
            list.ListItems.Remove(1 + static_cast<int>(rng() % static_cast<unsigned>(n)));
        } else if (op == 7 && n) {
            list.ListItems(1 + static_cast<int>(rng() % static_cast<unsigned>(n))).SubItems(1) = spies[rng() % 3];
        } else if (op == 8 && rng() % 8 == 0) {
            list.ListItems.Clear();
        } else if (op == 9 && rng() % 10 == 0) {
            form.Unload();  // the rows go with the window
            form.Load();
        }
        check(step);
    }
    form.Unload();
}

TEST(ResultsListView, ShowsTheRowsAddedAsFindings) {
    frmResultBackup.Show();
    frmResultBackup.SpyListView.AddFinding("Malware File", "Spy", "C:\\a.exe", "", "C:\\a.exe", "", true);
    EXPECT_EQ(SendMessageA(frmResultBackup.SpyListView.hWnd(), LVM_GETITEMCOUNT, 0, 0), 1);
    EXPECT_EQ(frmResultBackup.SpyListView.CellText(0, 2), "C:\\a.exe");
    frmResultBackup.Unload();
    EXPECT_EQ(frmResultBackup.SpyListView.ListItems.Count(), 0);
}

TEST(IgnoreList, IndexNoticesAChangedFileWrittenLongAgo) {
    testing_support::ScopedProgramFolder pf;
    modEncryption::LoadEncryption();
    const std::string path = pf / results::kIgnoreListFile;
    auto writeAged = [&](const std::string& text, int minutesAgo) {
        base::WriteText(path, text);
        HANDLE h = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        FILETIME now;
        GetSystemTimeAsFileTime(&now);
        ULARGE_INTEGER t{{now.dwLowDateTime, now.dwHighDateTime}};
        t.QuadPart -= static_cast<unsigned long long>(minutesAgo) * 60ull * 10000000ull;
        const FILETIME aged{t.LowPart, t.HighPart};
        SetFileTime(h, nullptr, nullptr, &aged);
        CloseHandle(h);
    };
    IgnoreListIndex index;
    writeAged(Record("Malware File", "C:\\a.exe", "S"), 60);
    EXPECT_TRUE(index.IsIgnored(path, "Malware File", "C:\\a.exe"));
    EXPECT_TRUE(index.IsIgnored(path, "Malware File", "C:\\a.exe"));  // answered from the kept records
    writeAged(Record("Malware File", "C:\\b.exe", "S"), 30);          // another record, same length
    EXPECT_FALSE(index.IsIgnored(path, "Malware File", "C:\\a.exe"));
    EXPECT_TRUE(index.IsIgnored(path, "Malware File", "C:\\b.exe"));
    DeleteFileA(path.c_str());
    EXPECT_FALSE(index.IsIgnored(path, "Malware File", "C:\\b.exe"));
}

TEST(IgnoreList, SecondWriteWithinTheSameTickIsNoticed) {
    testing_support::ScopedProgramFolder pf;
    modEncryption::LoadEncryption();
    const std::string path = pf / results::kIgnoreListFile;
    const std::string a = Record("Malware File", "C:\\a.exe", "S"), b = Record("Malware File", "C:\\b.exe", "S");
    ASSERT_EQ(a.size(), b.size());
    IgnoreListIndex index;
    base::WriteText(path, a);
    EXPECT_TRUE(index.IsIgnored(path, "Malware File", "C:\\a.exe"));
    // Same length, and the write time set back to what it was: only the change notice tells.
    WIN32_FILE_ATTRIBUTE_DATA before;
    ASSERT_TRUE(GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &before));
    base::WriteText(path, b);
    HANDLE h = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    SetFileTime(h, &before.ftCreationTime, nullptr, &before.ftLastWriteTime);
    CloseHandle(h);
    ui::PumpFor(50);  // the notice arrives from the file system
    EXPECT_FALSE(index.IsIgnored(path, "Malware File", "C:\\a.exe"));
    EXPECT_TRUE(index.IsIgnored(path, "Malware File", "C:\\b.exe"));
}
