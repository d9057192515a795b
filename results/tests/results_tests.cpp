// The results list's row index, the finding kinds and the ignore-list read, each held to the plain walk it replaces.
#include <gtest/gtest.h>
#include <windows.h>

#include <random>

#include "base/TextFile.h"
#include "base/testing/Testing.h"
#include "definitions/StringCipher.h"
#include "results/FindingList.h"
#include "results/IgnoreList.h"

using results::FindingList;
using results::IgnoreListIndex;

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

TEST(FindingList, FindRowAnswersAsTheWalk) {
    results::FindingList list;
    base::ListItems& rows = list.Rows();
    const char* kinds[] = {"Malware File", "Malware Folder", "malware file"};
    const char* spies[] = {"A", "B", ""};
    const char* items[] = {"C:\\a", "C:\\b", "c:\\a", ""};
    std::mt19937 rng(5);
    auto check = [&](int step) {
        for (const char* k : kinds)
            for (const char* s : spies)
                for (const char* i : items)
                    ASSERT_EQ(list.FindRow(k, s, i), FindingList::FindRowByWalk(rows, k, s, i))
                        << "step " << step << ": " << k << "|" << s << "|" << i;
    };
    for (int step = 0; step < 400; ++step) {
        const int op = static_cast<int>(rng() % 10);
        const int n = rows.Count();
        if (op < 4) {
            results::Finding f;
            f.SpyType = spies[rng() % 3];
            f.spyItem = items[rng() % 4];
            list.AddRow(kinds[rng() % 3], f);
        } else if (op == 4) {
            results::Finding f;
            f.kind = rng() % 2 ? results::FindingKind::File : results::FindingKind::Folder;
            f.SpyType = spies[rng() % 3];
            f.spyItem = items[rng() % 4];
            list.Add(f);
        } else if (op == 5) {
            rows.Add(kinds[rng() % 3]).SubItems(2) = items[rng() % 4];  // added by someone else
        } else if (op == 6 && n) {
            rows.Remove(1 + static_cast<int>(rng() % static_cast<unsigned>(n)));
        } else if (op == 7 && n) {
            rows(1 + static_cast<int>(rng() % static_cast<unsigned>(n))).SubItems(1) = spies[rng() % 3];
        } else if (op == 8 && rng() % 8 == 0) {
            list.Clear();
        }
        check(step);
    }
}

TEST(FindingList, KindsAndTheirTextsOneTable) {
    using results::FindingKind;
    const std::pair<FindingKind, const char*> table[] = {
        {FindingKind::File, "Malware File"},       {FindingKind::Folder, "Malware Folder"},
        {FindingKind::Cookie, "Tracking Cookie"},  {FindingKind::Process, "Malware Process"},
        {FindingKind::RegKey, "Malware RegKey"},   {FindingKind::RegValue, "Malware RegValue"},
        {FindingKind::RegData, "Malware RegData"}, {FindingKind::HostsEntry, "Bad Hosts Entry"},
    };
    for (const auto& [kind, text] : table) {
        EXPECT_EQ(results::KindText(kind), text);
        EXPECT_EQ(results::KindFromText(text), kind) << text;
    }
    for (const char* other : {"malware file", "Malware File ", "", "Spy CE File"})
        EXPECT_FALSE(results::KindFromText(other).has_value()) << other;

    // A row keeps every field; a row of another text is no finding.
    results::FindingList list;
    list.Add({FindingKind::RegValue, "Spy", "HKCU\\Run\\x", "new", "tip", "tag", true});
    results::Finding other;
    list.AddRow("Spy CE File", other);
    const auto first = list.At(1);
    ASSERT_TRUE(first.has_value());
    EXPECT_EQ(first->kind, FindingKind::RegValue);
    EXPECT_EQ(first->spyItem, "HKCU\\Run\\x");
    EXPECT_EQ(first->ItemReplace, "new");
    EXPECT_EQ(first->ItemToolTip, "tip");
    EXPECT_EQ(first->ItemTag, "tag");
    EXPECT_TRUE(first->Checked);
    EXPECT_FALSE(list.At(2).has_value());
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
    Sleep(50);  // the notice arrives from the file system
    EXPECT_FALSE(index.IsIgnored(path, "Malware File", "C:\\a.exe"));
    EXPECT_TRUE(index.IsIgnored(path, "Malware File", "C:\\b.exe"));
}
