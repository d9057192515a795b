// Recording a finding: the ignore list, duplicates, the row's fields, the counters and the
// follow-ups of a malware file; and the look-ups in the results list.
#include "base/Handles.h"
#include "base/OsVersion.h"
#include "base/Text.h"
#include "base/TextFile.h"
#include "core/Globals.h"
#include "core/SpecialFolders.h"
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
    for (const Row& row : Findings()) EXPECT_EQ(row[0], "Malware File") << "no follow-ups for a held-back file";

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
    // Values in the machine's Run keys and a module-usage key that name the found file; the
    // test puts every key and value back as it found it (and holds the CTest lock).
    const std::string cv = "Software\\Microsoft\\Windows\\Currentversion\\";
    const std::string hklmCv = "HKEY_LOCAL_MACHINE\\" + cv, hkcuCv = "HKEY_CURRENT_USER\\" + cv;
    struct Case {
        std::string item;
        bool followsRunKeys;
    };
    const Case cases[] = {
        {tree_ / "a.txt", false},
        {tree_ / "a.dll", true},
        {tree_ / "b.EXE", true},
        {tree_ / "X.EXE\\noext", false},
    };
    for (const Case& c : cases) {
        std::string slashed = c.item;
        for (char& ch : slashed)
            if (ch == '\\') ch = '/';
        const std::string usage = cv + "Moduleusage\\" + slashed;
        ScratchKey usageKey(HKEY_LOCAL_MACHINE, usage);
        // Data equal to the file in another letter case is found; data that only holds it is not.
        const std::string upper = base::UCase(c.item);
        ScratchValue runLm(HKEY_LOCAL_MACHINE, cv + "Run", "CorvaneTest Run", upper);
        ScratchValue runOnceLm(HKEY_LOCAL_MACHINE, cv + "RunOnce", "CorvaneTest RunOnce", c.item);
        ScratchValue services(HKEY_LOCAL_MACHINE, cv + "RunServices", "CorvaneTest Services", c.item);
        ScratchValue runCu(HKEY_CURRENT_USER, cv + "Run", "CorvaneTest Cu", c.item);
        ScratchValue runCuArgs(HKEY_CURRENT_USER, cv + "Run", "CorvaneTest Args", "\"" + c.item + "\" /min");
        ScratchValue runOnceCu(HKEY_CURRENT_USER, cv + "RunOnce", "CorvaneTest CuOnce", c.item);
        Fresh();
        Report("Malware File", c.item);
        auto tag = [](const std::string& text) {
            std::string t = "\"";
            for (char ch : text) {
                t += ch;
                if (ch == '\\') t += '\\';
            }
            return t + "\"";
        };
        R expected{{"Malware File", "Spy", c.item, "", c.item, "", "0"},
                   {"Malware RegKey", "Spy", usage, "", "HKEY_LOCAL_MACHINE\\" + usage, "", "0"}};
        if (c.followsRunKeys) {
            expected.push_back({"Malware RegValue", "Spy", "CorvaneTest Run", "", hklmCv + "Run", tag(upper), "0"});
            expected.push_back(
                {"Malware RegValue", "Spy", "CorvaneTest RunOnce", "", hklmCv + "RunOnce", tag(c.item), "0"});
            expected.push_back(
                {"Malware RegValue", "Spy", "CorvaneTest Services", "", hklmCv + "RunServices", tag(c.item), "0"});
            expected.push_back({"Malware RegValue", "Spy", "CorvaneTest Cu", "", hkcuCv + "Run", tag(c.item), "0"});
            expected.push_back(
                {"Malware RegValue", "Spy", "CorvaneTest CuOnce", "", hkcuCv + "RunOnce", tag(c.item), "0"});
        }
        EXPECT_EQ(Findings(), expected) << c.item;
        const size_t rows = Findings().size();
        Report("Malware File", c.item);
        EXPECT_EQ(Findings().size(), rows) << "a listed file is not followed up again: " << c.item;
    }
    // Only a malware file is followed up.
    const std::string item = tree_ / "c.exe";
    ScratchValue run(HKEY_CURRENT_USER, cv + "Run", "CorvaneTest Folder", item);
    Fresh();
    Report("Malware Folder", item);
    EXPECT_EQ(Findings().size(), 1u);
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
    const std::string other = tree_ / "other.dll";
    {
        ScratchValue count(HKEY_LOCAL_MACHINE, key, item, std::string("\1\0\0\0", 4), REG_DWORD);
        ScratchValue neighbour(HKEY_LOCAL_MACHINE, key, other, std::string("\2\0\0\0", 4), REG_DWORD);
        Fresh();
        Report("Malware File", item);
    }
    const auto rows = Findings();
    ASSERT_GE(rows.size(), 2u);
    EXPECT_EQ(rows[1], (Row{"Malware RegValue", "Spy", item, "", "HKEY_LOCAL_MACHINE\\" + key, "dword:00000001", "0"}));
    for (const Row& r : rows) EXPECT_NE(r[2], other) << "a neighbouring count is no finding";
    // Without a count of its own the key is not walked.
    {
        ScratchValue neighbour(HKEY_LOCAL_MACHINE, key, other, std::string("\2\0\0\0", 4), REG_DWORD);
        Fresh();
        Report("Malware File", tree_ / "uncounted.dll");
    }
    for (const Row& r : Findings()) EXPECT_NE(r[0], "Malware RegValue");
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

TEST_F(RecorderTest, ScanLeavesWinIniAsItIs) {
    // Windows 98 with a win.ini that starts the found file: the scan reports, and changes nothing.
    const std::string windows = MakeFolder("Win98");
    const std::string item = windows + "\\loader.exe";
    const std::string iniText = "[windows]\r\nload=" + item + "\r\nrun=" + item + "\r\n";
    MakeFile(windows + "\\win.ini", iniText);
    modMain::FolderSources sources = modMain::SystemFolderSources();
    sources.windowsDirectory = [windows](char* buffer, UINT size) {
        lstrcpynA(buffer, windows.c_str(), static_cast<int>(size));
        return static_cast<UINT>(windows.size());
    };
    modMain::SetFolderSources(sources);
    osversion::Fake win98;
    win98.platformId = VER_PLATFORM_WIN32_WINDOWS;
    win98.major = 4;
    win98.minor = 10;
    {
        osversion::ScopedFake fake(win98);
        Fresh();
        Report("Malware File", item);
    }
    modMain::SetFolderSources(modMain::SystemFolderSources());
    EXPECT_EQ(base::ReadWhole(windows + "\\win.ini"), iniText);
    EXPECT_EQ(Findings().size(), 1u);
}
