// Recording a finding: the ignore list, duplicates, the row's fields, the counters and the
// follow-ups of a malware file; and the look-ups in the results list.
#include "base/Handles.h"
#include "core/Globals.h"
#include "results/FindingList.h"
#include "scanner/tests/ScannerTestSupport.h"

using namespace scannertest;
using R = std::vector<Row>;

namespace {

class RecorderTest : public ScannerTest {
protected:
    // A fresh scan window (counters at zero) and an empty results list.
    void Fresh() {
        Engine().Reset();
        Engine().ResetCounters();
        results::Findings().Clear();
        progress_.events.clear();
        pendingCalls_.clear();
    }
    void Report(const std::string& kind, const std::string& item, const std::string& spy = "Spy") {
        Engine().AddSpytoListview(kind, item, spy, 3, item, "", "");
    }
    std::vector<long> Counters() const {
        return {Engine().counters.ProcCount,        Engine().counters.RegCount,
                Engine().counters.FolderCount,      Engine().counters.FileCount,
                Engine().counters.ComponentCount,   Engine().counters.IgnoreComponentCount,
                Engine().counters.NewComponentCount};
    }
};

}  // namespace

TEST_F(RecorderTest, KindToCounterMapping) {
    struct Case {
        const char* kind;
        long proc, reg, folder, file;
        bool logged;
    };
    const Case cases[] = {
        {"Malware Process", 1, 0, 0, 0, false},  {"Malware RegKey", 0, 1, 0, 0, false},
        {"Malware RegValue", 0, 1, 0, 0, false}, {"Malware RegData", 0, 1, 0, 0, false},
        {"Malware Folder", 0, 0, 1, 0, false},   {"Malware File", 0, 0, 0, 1, false},
        {"Tracking Cookie", 0, 0, 0, 1, false},  {"Bad Hosts Entry", 0, 0, 0, 1, false},
        {"malware file", 0, 0, 0, 0, true},      {"Spy CE File", 0, 0, 0, 0, true},
    };
    for (const Case& c : cases) {
        Fresh();
        const size_t logBefore = ErrorLog().size();
        Report(c.kind, "C:\\x\\item.txt");
        const long total = c.proc + c.reg + c.folder + c.file;
        EXPECT_EQ(Counters(), (std::vector<long>{c.proc, c.reg, c.folder, c.file, total, 0, total})) << c.kind;
        EXPECT_EQ(Findings().size(), 1u) << "every kind gets its row: " << c.kind;
        const std::string log = ErrorLog().substr(logBefore);
        EXPECT_EQ(log.find(std::string("Unhandled Spy Type:") + c.kind + "\"") != std::string::npos, c.logged)
            << c.kind << ": " << log;
    }
}

TEST_F(RecorderTest, RowFieldsAndCheckState) {
    struct Case {
        bool mark, autoRemove;
        const char* checked;
    };
    const Case cases[] = {{false, false, "0"}, {true, false, "1"}, {false, true, "1"}, {true, true, "1"}};
    for (const Case& c : cases) {
        Fresh();
        gb_markChecked = c.mark;
        gb_autoRemove = c.autoRemove;
        Engine().AddSpytoListview("Malware RegData", "Start Page", "CoolWeb", 5, "HKEY_CURRENT_USER\\Software\\Main",
                                  "coolweb", "about:blank");
        EXPECT_EQ(Findings(), (R{{"Malware RegData", "CoolWeb", "Start Page", "about:blank",
                                  "HKEY_CURRENT_USER\\Software\\Main", "coolweb", c.checked}}));
    }
}

TEST_F(RecorderTest, IgnoredFindingIsHeldBack) {
    WriteIgnoreList({{"Malware File", "C:\\x\\a.exe", "Another spy name"},
                     {"malware file", "C:\\x\\b.exe", "Spy"},
                     {"Malware File", "c:\\x\\c.exe", "Spy"}});
    Fresh();
    Report("Malware File", "C:\\x\\a.exe");  // kind and item equal: held back, whatever the spy name
    Report("Malware File", "C:\\x\\b.exe");  // the record's kind differs in case
    Report("Malware File", "C:\\x\\c.exe");  // the record's item differs in case
    Report("Malware File", "C:\\x\\a.exe");  // held back again, counted once
    EXPECT_EQ(Findings().size(), 2u);
    EXPECT_EQ(Findings()[0][2], "C:\\x\\b.exe");
    EXPECT_EQ(Findings()[1][2], "C:\\x\\c.exe");
    // Found 3 (the held-back one included), ignored 1, new 2.
    EXPECT_EQ(Counters(), (std::vector<long>{0, 0, 0, 3, 3, 1, 2}));
    for (const std::string& call : pendingCalls_)
        EXPECT_EQ(call.find("a.exe"), std::string::npos) << "no follow-ups for a held-back file: " << call;

    // The list is read afresh: a record added during the scan holds back the next report.
    WriteIgnoreList({{"Malware Folder", "C:\\y", "S"}});
    Report("Malware Folder", "C:\\y");
    Report("Malware File", "C:\\x\\a.exe");
    EXPECT_EQ(Findings().size(), 3u);
    EXPECT_EQ(Findings()[2][2], "C:\\x\\a.exe");
}

TEST_F(RecorderTest, DuplicateFindingIsNotAdded) {
    Fresh();
    Report("Malware File", "C:\\x\\a.exe");
    Report("Malware File", "C:\\x\\a.exe");
    EXPECT_EQ(Findings().size(), 1u);
    EXPECT_EQ(Counters(), (std::vector<long>{0, 0, 0, 1, 1, 0, 1})) << "a second report of one finding counts once";
    // Another spy name, kind or letter case is another finding.
    Report("Malware File", "C:\\x\\a.exe", "Other");
    Report("Tracking Cookie", "C:\\x\\a.exe");
    Report("Malware File", "c:\\x\\a.exe");
    EXPECT_EQ(Findings().size(), 4u);
    EXPECT_EQ(Engine().counters.FileCount, 4);

    // A finding already listed before this scan began counts in this scan, without a row.
    Engine().ResetCounters();
    Report("Malware File", "C:\\x\\a.exe");
    Report("Malware File", "C:\\x\\a.exe");
    EXPECT_EQ(Findings().size(), 4u);
    EXPECT_EQ(Engine().counters.FileCount, 1);
}

TEST_F(RecorderTest, CountersAreReportedAsTheyChange) {
    WriteIgnoreList({{"Malware Folder", "C:\\held", "S"}});
    Fresh();
    Engine().counters.RunningProcCount = 37;
    Report("Malware Process", "C:\\p.exe");
    Report("Malware RegKey", "Software\\Bad");
    Report("Malware Folder", "C:\\held");
    Report("Tracking Cookie", "C:\\c.txt");
    const scanner::ScanCounters& c = progress_.counters;
    EXPECT_EQ((std::vector<long>{c.RunningProcCount, c.IgnoreComponentCount, c.ComponentCount, c.NewComponentCount,
                                 c.FileCount, c.FolderCount, c.ProcCount, c.RegCount}),
              (std::vector<long>{37, 1, 4, 3, 1, 1, 1, 1}));
}

TEST_F(RecorderTest, FollowUpsOfAMalwareFile) {
    const std::string moduleUsage =
        "CheckRegistryKType HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\Currentversion"
        "\\Moduleusage\\";
    struct Case {
        const char* item;
        std::vector<std::string> calls;
    };
    const std::string run = "CheckRegistryValues HKLM\\Software\\Microsoft\\Windows\\Currentversion\\";
    const std::string runCu = "CheckRegistryValues HKCU\\Software\\Microsoft\\Windows\\Currentversion\\";
    const Case cases[] = {
        {"C:\\X\\a.txt", {moduleUsage + "C:/X/a.txt Spy"}},
        {"C:\\X\\a.dll",
         {moduleUsage + "C:/X/a.dll Spy", run + "Run 2 C:\\X\\a.dll Spy", run + "RunOnce 2 C:\\X\\a.dll Spy",
          run + "RunServices 2 C:\\X\\a.dll Spy", runCu + "Run 2 C:\\X\\a.dll Spy",
          runCu + "RunOnce 2 C:\\X\\a.dll Spy"}},
        {"C:\\X.EXE\\noext", {moduleUsage + "C:/X.EXE/noext Spy"}},
    };
    for (const Case& c : cases) {
        Fresh();
        Report("Malware File", c.item);
        EXPECT_EQ(pendingCalls_, c.calls) << c.item;
        pendingCalls_.clear();
        Report("Malware File", c.item);
        EXPECT_TRUE(pendingCalls_.empty()) << "a listed file is not followed up again: " << c.item;
    }
    Fresh();
    Report("Malware Folder", "C:\\X\\a.exe");
    EXPECT_TRUE(pendingCalls_.empty());
}

TEST_F(RecorderTest, RunningCopyOfAFoundProgramIsAProcessFinding) {
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    const std::string pid = std::to_string(GetCurrentProcessId());
    Fresh();
    Report("Malware File", self);  // no process table yet: nothing to compare with
    EXPECT_EQ(Engine().counters.ProcCount, 0);
    // The memory phase listed this process under its path.
    Fresh();
    base::ListItem& row = Engine().Tasklist.ListItems.Add(self);
    row.SubItems(1) = pid;
    Report("Malware File", self);
    const auto rows = Findings();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1], (Row{"Malware Process", "Spy", self, "", pid, "", "0"}));
    EXPECT_EQ(Engine().counters.ProcCount, 1);
    EXPECT_EQ(Engine().counters.FileCount, 1);
}

TEST_F(RecorderTest, SharedDllCountOfAFoundFileIsChecked) {
    // A machine-wide key: the test puts it back as it found it (and holds the CTest lock).
    const std::string key = "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
    const std::string item = tree_ / "shared.dll";
    HKEY raw = nullptr;
    DWORD disposition = 0;
    ASSERT_EQ(
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &raw, &disposition),
        ERROR_SUCCESS);
    base::RegKey shared(raw);
    const DWORD one = 1;
    ASSERT_EQ(RegSetValueExA(shared.get(), item.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), sizeof one),
              ERROR_SUCCESS);
    Fresh();
    Report("Malware File", item);
    RegDeleteValueA(shared.get(), item.c_str());
    shared.reset();
    if (disposition == REG_CREATED_NEW_KEY) RegDeleteKeyA(HKEY_LOCAL_MACHINE, key.c_str());
    ASSERT_FALSE(pendingCalls_.empty());
    EXPECT_EQ(pendingCalls_[0], "CheckRegistryValues HKLM\\" + key + " 2 " + item + " Spy");
}

TEST_F(RecorderTest, LookUpsInTheResultsList) {
    Fresh();
    EXPECT_FALSE(Engine().isSpyInResultList("Malware File", "X", "C:\\a.exe"));
    EXPECT_FALSE(Engine().findFolderInListExists("\\TEMP\\"));
    Report("Malware File", "C:\\a.exe", "X");
    Report("Malware File", "C:\\Windows\\Temp\\x.exe", "X");
    EXPECT_TRUE(Engine().isSpyInResultList("Malware File", "X", "C:\\a.exe"));
    EXPECT_FALSE(Engine().isSpyInResultList("Malware File", "X", "c:\\a.exe"));
    EXPECT_FALSE(Engine().isSpyInResultList("Malware File", "x", "C:\\a.exe"));
    EXPECT_FALSE(Engine().isSpyInResultList("Malware Folder", "X", "C:\\a.exe"));
    EXPECT_TRUE(Engine().findFolderInListExists("\\TEMP\\"));
    EXPECT_TRUE(Engine().findFolderInListExists("\\temp\\"));
    EXPECT_FALSE(Engine().findFolderInListExists("\\Tmp\\"));

    // A listed folder's file is looked up and recorded when it exists.
    const std::string folder = MakeFolder("Listed");
    MakeFile(folder + "\\dropped.dll");
    Report("Malware Folder", folder, "F");
    Engine().findFolderInList("\\listed", "dropped.dll", "F");
    Engine().findFolderInList("\\listed", "absent.dll", "F");
    const auto rows = Findings();
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[3], (Row{"Malware File", "F", folder + "\\dropped.dll", "", folder + "\\dropped.dll", "", "0"}));
}
