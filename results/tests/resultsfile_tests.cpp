// The results file and the keep list's write side, against files in a temporary program folder.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "base/Handles.h"
#include "base/RuntimeError.h"
#include "base/TextFile.h"
#include "base/testing/Testing.h"
#include "core/AtomicFile.h"
#include "core/tests/CoreTestSupport.h"
#include "definitions/StringCipher.h"
#include "results/FindingList.h"
#include "results/KeepList.h"
#include "results/ResultsFile.h"
#include "results/ScanResults.h"

using results::FindingList;

namespace {

base::ListItem& AddRow(FindingList& list, const std::string& kind, const std::string& spy, const std::string& item,
                       const std::string& replace = {}, const std::string& tip = {}, bool checked = false) {
    results::Finding f;
    f.SpyType = spy;
    f.spyItem = item;
    f.ItemReplace = replace;
    f.ItemToolTip = tip;
    f.ItemTag = "tag";
    f.Checked = checked;
    return list.AddRow(kind, f);
}

struct FaultHookReset {
    ~FaultHookReset() { AtomicFileWriter::SetFaultHook({}); }
};

}  // namespace

TEST(ResultsFile, ExactBytesAndRoundTripOfAwkwardFields) {
    testing_support::ScopedProgramFolder pf;
    const std::string path = pf / results::kResultsFile;
    FindingList list;
    AddRow(list, "Malware RegData", "Spy \"One\"", "Start Page", "\"quoted\",comma", "HKEY_CURRENT_USER\\Software\\X");
    AddRow(list, "Bad Hosts Entry", "127.0.0.1", "ads.example", "", "");
    AddRow(list, "Malware RegValue", "Two", "line\r\nbreak", "a,\"\",b", "HKEY_LOCAL_MACHINE\\K");
    ASSERT_TRUE(results::saveListtoFile(list, path));
    const std::string bytes = base::ReadWhole(path);
    EXPECT_EQ(bytes.substr(0, bytes.find("\r\n") + 2),
              "\"Malware RegData\",\"Spy \"\"One\"\"\",\"Start "
              "Page\",\"\"\"quoted\"\",comma\",\"HKEY_CURRENT_USER\\Software\\X\",\"0\"\r\n");
    EXPECT_NE(bytes.find("\"Bad Hosts Entry\",\"127.0.0.1\",\"ads.example\",\"\",\"\",\"0\"\r\n"), std::string::npos);

    FindingList back;
    ASSERT_TRUE(results::readListFromFile(back, path, true));
    ASSERT_EQ(back.Count(), 3);
    for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ(back.Rows()(i).Text, list.Rows()(i).Text);
        for (int s = 1; s <= 3; ++s) EXPECT_EQ(back.Rows()(i).SubItems(s), list.Rows()(i).SubItems(s)) << i << "/" << s;
        EXPECT_EQ(back.Rows()(i).ToolTipText, list.Rows()(i).ToolTipText);
        EXPECT_EQ(back.Rows()(i).Tag, "");
        EXPECT_FALSE(back.Rows()(i).Checked) << "an unchecked row stays unchecked whatever the options say";
    }
    // A checked row reads back checked with the options off.
    list.Rows()(2).Checked = true;
    ASSERT_TRUE(results::saveListtoFile(list, path));
    ASSERT_TRUE(results::readListFromFile(back, path, false));
    EXPECT_FALSE(back.Rows()(1).Checked);
    EXPECT_TRUE(back.Rows()(2).Checked);
}

TEST(ResultsFile, ReadRules) {
    testing_support::ScopedProgramFolder pf;
    const std::string path = pf / results::kResultsFile;
    const std::string file = pf / "here.exe", folder = pf / "here";
    base::WriteText(file, "x");
    CreateDirectoryA(folder.c_str(), nullptr);
    // A file an earlier program wrote: no doubled quotes, blanks and odd case kept as they are.
    base::WriteText(path,
                    "\"Malware File\",\"A\",\"" + file + "\",\"\",\"\"\r\n" + "\"MALWARE FILE\",\"B\",\"" + pf.path() +
                        "\\gone.exe\",\"\",\"\"\r\n" + "\"malware folder\",\"C\",\"" + folder + "\",\"\",\"\"\r\n" +
                        "\"Malware Folder\",\"D\",\"" + pf.path() + "\\gonefolder\",\"\",\"\"\r\n" +
                        "\"Malware Process\",\"E\",\"C:\\gone\\p.exe\",\"\",\"4242\"\r\n" +
                        "\"Malware RegKey\",\"F\",\"Software\\Gone\",\"\",\"HKEY_CURRENT_USER\\Software\\Gone\"\r\n" +
                        "\"Short\",\"G\"\r\n");
    struct Case {
        bool checked;
    };
    for (bool checked : {false, true}) {
        FindingList list;
        AddRow(list, "Malware File", "old", "old");
        ASSERT_TRUE(results::readListFromFile(list, path, checked));
        ASSERT_EQ(list.Count(), 5) << "the gone file and folder stay out";
        EXPECT_EQ(list.Rows()(1).SubItems(1), "A");
        EXPECT_EQ(list.Rows()(2).SubItems(1), "C");
        EXPECT_EQ(list.Rows()(3).ToolTipText, "4242");
        EXPECT_EQ(list.Rows()(5).Text, "Short");
        EXPECT_EQ(list.Rows()(5).SubItems(3), "");
        for (int i = 1; i <= list.Count(); ++i) EXPECT_EQ(list.Rows()(i).Checked, checked);
    }
    // Empty list -> empty file -> empty list; a missing file leaves the list alone.
    FindingList empty;
    ASSERT_TRUE(results::saveListtoFile(empty, path));
    EXPECT_EQ(base::FileLength(path), 0u);
    FindingList list;
    AddRow(list, "Malware File", "keep", "me");
    ASSERT_TRUE(results::readListFromFile(list, path, false));
    EXPECT_EQ(list.Count(), 0);
    AddRow(list, "Malware File", "keep", "me");
    ASSERT_TRUE(results::readListFromFile(list, pf / "missing.qvl", false));
    EXPECT_EQ(list.Count(), 1);
}

TEST(ResultsFile, FailedSaveKeepsThePreviousFile) {
    testing_support::ScopedProgramFolder pf;
    FaultHookReset reset;
    const std::string path = pf / results::kResultsFile;
    FindingList list;
    for (int i = 0; i < 50; ++i) AddRow(list, "Malware RegKey", "S" + std::to_string(i), "k", "", "HKEY_USERS\\k");
    ASSERT_TRUE(results::saveListtoFile(list, path));
    const std::string before = base::ReadWhole(path);
    AddRow(list, "Malware RegKey", "new", "k", "", "HKEY_USERS\\k");
    for (size_t failAt : {size_t(0), SIZE_MAX}) {
        AtomicFileWriter::SetFaultHook([failAt](size_t n) {
            if (n == failAt) throw base::RuntimeError(base::errDiskFull);
        });
        EXPECT_FALSE(results::saveListtoFile(list, path));
        EXPECT_EQ(base::ReadWhole(path), before);
    }
    EXPECT_NE(core_test::ErrorLogText().find("Method: saveListtoFile"), std::string::npos);
}

// A scan's list is newer than the file of the last list: the file never comes back in its place,
// whether it could be deleted or not, until the list was saved.
TEST(ResultsFile, AScansListIsNeverReplacedByTheLastListsFile) {
    testing_support::ScopedProgramFolder pf;
    const std::string path = pf / results::kResultsFile;
    FindingList last;
    AddRow(last, "Malware RegKey", "Last", "Software\\Last");
    for (bool held : {false, true}) {
        SCOPED_TRACE(held ? "the old file held open" : "the old file read-only");
        ASSERT_TRUE(results::saveListtoFile(last, path));
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
        HANDLE open = held ? CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                         FILE_ATTRIBUTE_NORMAL, nullptr)
                           : INVALID_HANDLE_VALUE;
        FindingList list;
        EXPECT_EQ(results::DropResultsFile(list, path), !held);
        EXPECT_EQ(base::FileExists(path), held);
        AddRow(list, "Malware RegKey", "This", "Software\\This");
        ASSERT_TRUE(results::LoadResults(list, path, false));
        ASSERT_EQ(list.Count(), 1);
        EXPECT_EQ(list.Rows()(1).SubItems(1), "This");
        // A save that fails keeps the list newer than the file; one that works makes the file its own.
        EXPECT_EQ(results::SaveResults(list, path), !held);
        EXPECT_EQ(list.newerThanFile, held);
        if (open != INVALID_HANDLE_VALUE) CloseHandle(open);
        ASSERT_TRUE(results::SaveResults(list, path));
        EXPECT_FALSE(list.newerThanFile);
        list.Clear();
        ASSERT_TRUE(results::LoadResults(list, path, false));
        ASSERT_EQ(list.Count(), 1);
        EXPECT_EQ(list.Rows()(1).SubItems(1), "This");
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    const std::string log = core_test::ErrorLogText();
    EXPECT_NE(log.find("Method: DropResultsFile"), std::string::npos) << log;
    EXPECT_NE(log.find(path), std::string::npos) << "the entry names the file";
}

TEST(ResultsFile, AFolderWhereTheFileBelongsIsAFailedSave) {
    testing_support::ScopedProgramFolder pf;
    const std::string path = pf / results::kResultsFile;
    ASSERT_TRUE(CreateDirectoryA(path.c_str(), nullptr));
    FindingList list;
    AddRow(list, "Malware RegKey", "S", "k", "", "HKEY_USERS\\k");
    EXPECT_FALSE(results::saveListtoFile(list, path));
    // The folder stays where it is, under its name; nothing of the save is left beside it.
    EXPECT_EQ(GetFileAttributesA(path.c_str()), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
    WIN32_FIND_DATAA fd;
    base::FindHandle find(FindFirstFileA((pf / "cvt*").c_str(), &fd));
    EXPECT_FALSE(find) << fd.cFileName;
    EXPECT_NE(core_test::ErrorLogText().find("Method: saveListtoFile"), std::string::npos);
    RemoveDirectoryA(path.c_str());
}

// The store reads its file only when the file holds a newer list than memory: never over a
// scan's list, nor over a list that is what the file holds (its tags and its rows stay as the
// scan left them), but after the list went with its window, and at the first showing.
TEST(ScanResults, OpenReadsTheFileOnlyWhenItHoldsTheNewerList) {
    testing_support::ScopedProgramFolder pf;
    results::ScanResults store(pf / "results.qvl");
    const std::string exe = pf / "spy.exe";
    base::WriteText(exe, "x");
    FindingList earlier;
    AddRow(earlier, "Malware RegKey", "Earlier", "Software\\Earlier");
    ASSERT_TRUE(results::saveListtoFile(earlier, store.Path()));
    auto spyNames = [](const FindingList& list) {
        std::vector<std::string> names;
        for (int i = 1; i <= list.Count(); ++i) names.push_back(list.Rows()(i).SubItems(1) + "/" + list.Rows()(i).Tag);
        return names;
    };
    using Names = std::vector<std::string>;
    EXPECT_EQ(spyNames(store.Open(false)), (Names{"Earlier/"})) << "the first showing reads the file";

    ASSERT_TRUE(store.BeginScan());
    EXPECT_FALSE(base::FileExists(store.Path()));
    store.List().Clear();
    AddRow(store.List(), "Malware File", "Scan", exe);
    EXPECT_EQ(spyNames(store.Open(false)), (Names{"Scan/tag"})) << "a scan's list the file does not hold";
    ASSERT_TRUE(store.Save());
    DeleteFileA(exe.c_str());
    EXPECT_EQ(spyNames(store.Open(false)), (Names{"Scan/tag"})) << "the list is what the file holds";
    EXPECT_EQ(&store.Open(false), &store.List());

    store.Release();
    EXPECT_EQ(store.List().Count(), 0) << "the list goes once the file holds it";
    EXPECT_TRUE(spyNames(store.Open(false)).empty()) << "read again: the row whose file is gone stays out";
}

// The shut-down saves only what this session changed: a file this session never read, or read
// and let go, is never written over (least of all with an empty list); a scan's list that the
// file could not take at the scan's end is written.
TEST(ScanResults, SaveIfChangedWritesOnlyWhatThisSessionChanged) {
    struct Case {
        const char* name;
        std::function<void(results::ScanResults&)> session;
        bool written;
    };
    const Case cases[] = {
        {"nothing done", [](results::ScanResults&) {}, false},
        {"the list shown and closed",
         [](results::ScanResults& s) {
             s.Open(false);
             ASSERT_TRUE(s.Close());
             s.Release();
         },
         false},
        {"the list emptied by hand", [](results::ScanResults& s) { s.List().Clear(); }, false},
        {"a scan's list not saved yet",
         [](results::ScanResults& s) {
             s.BeginScan();
             s.List().Clear();
             AddRow(s.List(), "Malware RegKey", "This", "Software\\This");
         },
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testing_support::ScopedProgramFolder pf;
        results::ScanResults store(pf / "results.qvl");
        FindingList earlier;
        AddRow(earlier, "Malware RegKey", "Earlier", "Software\\Earlier");
        ASSERT_TRUE(results::saveListtoFile(earlier, store.Path()));
        const std::string before = base::ReadWhole(store.Path());
        c.session(store);
        EXPECT_TRUE(store.SaveIfChanged());
        const auto records = results::ParseResultsRecords(base::ReadWhole(store.Path()));
        ASSERT_EQ(records.size(), 1u);
        EXPECT_EQ(records[0][1], c.written ? "This" : "Earlier");
        if (!c.written) {
            EXPECT_EQ(base::ReadWhole(store.Path()), before);
        }
        EXPECT_FALSE(store.List().newerThanFile);
    }
}

TEST(KeepList, MoveCheckedRowsOnlyOnceTheyAreWritten) {
    testing_support::ScopedProgramFolder pf;
    modEncryption::LoadEncryption();
    const std::string path = pf / results::kIgnoreListFile;
    FindingList list;
    for (int i = 1; i <= 10; ++i)
        AddRow(list, "Malware File", "Spy" + std::to_string(i), "C:\\f" + std::to_string(i) + ".exe", "", "",
               i % 3 == 0);
    EXPECT_EQ(results::moveCheckedToKeepList(list, path), 3);
    EXPECT_EQ(list.Count(), 7);
    const auto records = results::ReadKeepList(path);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].item, "C:\\f9.exe");  // from the last row up
    EXPECT_EQ(records[0].spyName, "Spy9");
    EXPECT_EQ(records[2].kind, "Malware File");
    results::IgnoreListIndex index;
    EXPECT_TRUE(index.IsIgnored(path, "Malware File", "C:\\f6.exe"));
    EXPECT_FALSE(index.IsIgnored(path, "Malware Folder", "C:\\f6.exe"));

    // The list file cannot be written: the rows stay, still checked.
    list.Rows()(1).Checked = list.Rows()(2).Checked = true;
    const std::string locked = pf / "locked.ign";
    base::WriteText(locked, "");
    base::FileHandle hold(CreateFileA(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(hold);
    EXPECT_EQ(results::moveCheckedToKeepList(list, locked), 0);
    EXPECT_EQ(list.Count(), 7);
    EXPECT_TRUE(list.Rows()(1).Checked);
    EXPECT_NE(core_test::ErrorLogText().find("Method: moveCheckedToKeepList"), std::string::npos);
}

TEST(KeepList, RewriteDropsWhatWasTakenOutAndNothingComesBack) {
    testing_support::ScopedProgramFolder pf;
    modEncryption::LoadEncryption();
    FaultHookReset reset;
    const std::string path = pf / results::kIgnoreListFile;
    const std::vector<results::IgnoreRecord> all = {{"Malware File", "C:\\a.exe", "A"},
                                                    {"Malware RegKey", "Software\\B", "B"},
                                                    {"Tracking Cookie", "c@x.txt", "C"}};
    results::RewriteKeepList(path, all);
    // A temporary file an earlier failed rewrite left, holding a removed record.
    base::WriteText(pf / results::kIgnoreTempFile, results::KeepRecord({"Malware File", "C:\\zombie.exe", "Z"}));
    results::RewriteKeepList(path, {all[0], all[2]});
    auto now = results::ReadKeepList(path);
    ASSERT_EQ(now.size(), 2u);
    EXPECT_EQ(now[1].item, "c@x.txt");
    EXPECT_FALSE(base::FileExists(pf / results::kIgnoreTempFile));

    // A failing rewrite leaves the list as it was.
    const std::string before = base::ReadWhole(path);
    AtomicFileWriter::SetFaultHook([](size_t n) {
        if (n == SIZE_MAX) throw base::RuntimeError(base::errDiskFull);
    });
    EXPECT_THROW(results::RewriteKeepList(path, {all[0]}), base::RuntimeError);
    EXPECT_EQ(base::ReadWhole(path), before);
    AtomicFileWriter::SetFaultHook({});

    EXPECT_EQ(results::IgnoreListString(now), "MALWARE FILE|A|C:\\a.exe|TRACKING COOKIE|C|c@x.txt|");
    results::RewriteKeepList(path, {});
    EXPECT_FALSE(base::FileExists(path));
    EXPECT_TRUE(results::ReadKeepList(path).empty());
}
