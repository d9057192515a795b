// The definitions load: which lists each load flag fills, the row layouts, the status texts,
// the loop rules, the direct-path checks and the removal list.
#include <algorithm>
#include <map>
#include <random>
#include <set>

#include "base/Text.h"
#include "base/TextFile.h"
#include "core/Globals.h"
#include "core/SpecialFolders.h"
#include "definitions/DefinitionsStore.h"
#include "results/FindingList.h"
#include "scanner/FolderMacros.h"
#include "scanner/ListRowBuilders.h"
#include "scanner/ScanGlobals.h"
#include "scanner/tests/ScannerTestSupport.h"

using namespace scannertest;
using R = std::vector<Row>;

namespace {

// One or two entries in every group, with texts that show trimming and case rules.
const char* kAllGroups = R"(
[TAFI]
TAFIT0=Trojan.A
TAFIS0=tra.exe
[TAFO]
TAFOT0=Trojan.B
TAFOS0=trb
[DAFI]
DAFIT0=Dialer.A
DAFIS0=dia.exe
[DAFO]
DAFOT0=Dialer.B
DAFOS0=dib
[HAFI]
HAFIT0=Hijacker.A
HAFIS0=hia.dll
[HAFO]
HAFOT0=Hijacker.B
HAFOS0=hib
[KAFI]
KAFIT0=Logger.A
KAFIS0=kla.exe
[KAFO]
KAFOT0=Logger.B
KAFOS0=klb
[SAFI]
SAFIT0=Spy.A
SAFIS0=spa.exe
[SAFO]
SAFOT0=Spy.B
SAFOS0=spb
[REGS]
REGSK0= run me x
REGST0=Runner
[REGV]
REGVK0=HKEY_LOCAL_MACHINE\Software\Run
REGVT0=Bargain
REGVV0=bargains
[REGK]
REGKK0=HKEY_CURRENT_USER\Software\Gator
REGKT0=Gator
[REGKO]
REGKKO0=HKEY_LOCAL_MACHINE\Software\Bonzi
REGKTO0=Bonzi
[REGD]
REGDT0= Cool Web
REGDK0=HKEY_CURRENT_USER\Software\Main
REGDV0=Start Page
REGDD0=coolweb
REGDR0=about:blank
REGDT1=NoValue
REGDK1=HKEY_CURRENT_USER\Software\Other
[COOK]
COOKT0=DoubleClick
COOKC0=doubleclick
[HOSTS]
HOSTSV0=ad.example.net
HOSTST0=Bad Host File Entries
[SCE]
SCET0=Gator
SCEV0=Gator Corporation
[SCW]
SCWT0=Claria
SCWV0=Claria
[SBOFN]
SBOFNT0=Hotbar
SBOFNF0=hotbar.dll
[SBIFN]
SBIFNT0=Hotbar
SBIFNF0=hotbarsa
[SBPN]
SBPNT0=Bonzi
SBPNF0=BonziBUDDY
[SBFD]
SBFDT0=Xupiter
SBFDF0=Xupiter Toolbar
[SBFCS]
SBFCST0= Trojan.Qhosts
SBFCSN0=17
SBFCSS0=20480
[NTOT]
TAFITNUM=1
)";

struct ListCounts {
    std::map<std::string, int> counts;
};

std::map<std::string, int> CountsOfAllLists() {
    std::map<std::string, int> m;
    for (const auto& [name, list] :
         std::vector<std::pair<std::string, base::RowList*>>{{"lstSearch", &Engine().lists.lstSearch},
                                                             {"lstRegistrySearch", &Engine().lists.lstRegistrySearch},
                                                             {"lstRegistry", &Engine().lists.lstRegistry},
                                                             {"lstRegKSearch", &Engine().lists.lstRegKSearch},
                                                             {"lstRegValueData", &Engine().lists.lstRegValueData},
                                                             {"lstCookies", &Engine().lists.lstCookies},
                                                             {"lstHost", &Engine().lists.lstHost},
                                                             {"lstCESearch", &Engine().lists.lstCESearch},
                                                             {"lstCWSearch", &Engine().lists.lstCWSearch},
                                                             {"lstOFNSearch", &Engine().lists.lstOFNSearch},
                                                             {"lstIFNSearch", &Engine().lists.lstIFNSearch},
                                                             {"lstPNSearch", &Engine().lists.lstPNSearch},
                                                             {"lstFDSearch", &Engine().lists.lstFDSearch},
                                                             {"lstFCSSearch", &Engine().lists.lstFCSSearch}})
        if (list->ListItems.Count()) m[name] = list->ListItems.Count();
    return m;
}

class LoadingTest : public ScannerTest {
protected:
    std::vector<std::string> Titles() const {
        std::vector<std::string> t;
        for (const auto& [n, v] : progress_.events)
            if (n == "title") t.push_back(v);
        return t;
    }
    std::vector<std::string> StatusLines() const {
        std::vector<std::string> t;
        for (const auto& [n, v] : progress_.events)
            if (n == "status") t.push_back(v);
        return t;
    }
};

}  // namespace

TEST_F(LoadingTest, EachLoadFlagLoadsExactlyItsGroups) {
    InstallDefinitions(kAllGroups);
    gb_trojans = gb_dialers = gb_scanBHO = gb_keyLoggers = gb_spywareAdware = true;
    struct Case {
        const char* name;
        bool* flag;
        std::map<std::string, int> lists;
        std::vector<std::string> titles;
    };
    const std::string reg = "Loading Registry Database...";
    const Case cases[] = {
        {"REGS", &gb_loadRegSDefs, {{"lstRegistrySearch", 1}}, {reg}},
        {"REGV", &gb_loadRegVDefs, {{"lstRegistry", 1}}, {reg}},
        {"REGD", &gb_loadRegDataDefs, {{"lstRegValueData", 2}}, {reg}},
        {"REGK", &gb_loadRegKDefs, {{"lstRegKSearch", 2}}, {reg}},
        {"COOK", &gb_loadCookieDefs, {{"lstCookies", 1}}, {"Loading Cookies Database..."}},
        {"HOSTS", &gb_loadHostsDefs, {{"lstHost", 1}}, {"Loading Hosts Database..."}},
        // Ten file and folder rows: the trojan groups once, then the other eight.
        {"files", &gb_loadFileDefs, {{"lstSearch", 10}}, {"Loading Files Database..."}},
    };
    for (const Case& c : cases) {
        // Rows of an earlier load are gone whatever is loaded now.
        Engine().lists.lstCookies.ListItems.Add("STALE");
        Engine().lists.lstSearch.ListItems.Add("STALE");
        progress_.events.clear();
        *c.flag = true;
        Engine().loadDataBase(false);
        *c.flag = false;
        EXPECT_EQ(CountsOfAllLists(), c.lists) << c.name;
        EXPECT_EQ(Titles(), c.titles) << c.name;
    }

    // No flag: the lists are only emptied.
    Engine().lists.lstHost.ListItems.Add("STALE");
    progress_.events.clear();
    Engine().loadDataBase(false);
    EXPECT_TRUE(CountsOfAllLists().empty());
    EXPECT_TRUE(Titles().empty());

    // All flags: the titles in their fixed order.
    for (bool* f : {&gb_loadRegSDefs, &gb_loadRegVDefs, &gb_loadRegDataDefs, &gb_loadRegKDefs, &gb_loadCookieDefs,
                    &gb_loadHostsDefs, &gb_loadFileDefs})
        *f = true;
    progress_.events.clear();
    Engine().loadDataBase(false);
    EXPECT_EQ(Titles(), (std::vector<std::string>{reg, "Loading Cookies Database...", "Loading Hosts Database...",
                                                  "Loading Files Database..."}));
    EXPECT_EQ(progress_.title, "Loading Files Database...");
    EXPECT_EQ(CountsOfAllLists().size(), 7u);

    // Only the files, whatever the flags say.
    gb_loadFileDefs = false;
    progress_.events.clear();
    Engine().loadDataBase(true);
    EXPECT_EQ(CountsOfAllLists(), (std::map<std::string, int>{{"lstSearch", 10}}));
    EXPECT_EQ(Titles(), (std::vector<std::string>{"Loading Files Database..."}));
}

// The groups a scan phase asks for load exactly those lists, whatever the seven flags say, and
// the flags stay as they were.
TEST_F(LoadingTest, TheGroupsAskedForLoadWhateverTheFlagsSay) {
    InstallDefinitions(kAllGroups);
    gb_trojans = gb_dialers = gb_scanBHO = gb_keyLoggers = gb_spywareAdware = true;
    using scanner::DefinitionGroups;
    struct Case {
        const char* name;
        DefinitionGroups groups;
        std::map<std::string, int> lists;
    };
    const Case cases[] = {
        {"registry",
         DefinitionGroups::Registry(),
         {{"lstRegistrySearch", 1}, {"lstRegistry", 1}, {"lstRegValueData", 2}, {"lstRegKSearch", 2}}},
        {"cookies", DefinitionGroups::Cookies(), {{"lstCookies", 1}}},
        {"hosts", DefinitionGroups::Hosts(), {{"lstHost", 1}}},
        {"files", DefinitionGroups::Files(), {{"lstSearch", 10}}},
        {"none", DefinitionGroups{}, {}},
    };
    bool* const flags[] = {&gb_loadRegSDefs,   &gb_loadRegVDefs,  &gb_loadRegDataDefs, &gb_loadRegKDefs,
                           &gb_loadCookieDefs, &gb_loadHostsDefs, &gb_loadFileDefs};
    for (bool flagsOn : {false, true}) {
        for (const Case& c : cases) {
            for (bool* f : flags) *f = flagsOn;
            Engine().lists.lstHost.ListItems.Add("STALE");
            Engine().loadDataBase(c.groups);
            EXPECT_EQ(CountsOfAllLists(), c.lists) << c.name << " flags " << flagsOn;
            for (bool* f : flags) EXPECT_EQ(*f, flagsOn) << c.name;
        }
    }
}

TEST_F(LoadingTest, RowLayoutsOfEveryList) {
    InstallDefinitions(kAllGroups);
    for (bool* f : {&gb_loadRegSDefs, &gb_loadRegVDefs, &gb_loadRegDataDefs, &gb_loadRegKDefs, &gb_loadCookieDefs,
                    &gb_loadHostsDefs, &gb_loadFileDefs, &gb_trojans, &gb_dialers, &gb_scanBHO, &gb_keyLoggers,
                    &gb_spywareAdware, &gb_advancedScanning})
        *f = true;
    Engine().loadDataBase(false);

    EXPECT_EQ(Rows(Engine().lists.lstRegistrySearch.ListItems, 2), (R{{"RUN ME X", "Runner", ""}}));
    EXPECT_EQ(Rows(Engine().lists.lstRegistry.ListItems, 2),
              (R{{"HKEY_LOCAL_MACHINE\\SOFTWARE\\RUN", "bargains", "Bargain"}}));
    EXPECT_EQ(Rows(Engine().lists.lstRegKSearch.ListItems, 2),
              (R{{"REG KEY", "Gator", "HKEY_CURRENT_USER\\Software\\Gator"},
                 {"REG KEY", "Bonzi", "HKEY_LOCAL_MACHINE\\Software\\Bonzi"}}));
    // The spy name stays as read, blanks and case.
    EXPECT_EQ(Rows(Engine().lists.lstRegValueData.ListItems, 4),
              (R{{" Cool Web", "HKEY_CURRENT_USER\\Software\\Main", "Start Page", "coolweb", "about:blank"},
                 {"NoValue", "HKEY_CURRENT_USER\\Software\\Other", "", "", ""}}));
    EXPECT_EQ(Rows(Engine().lists.lstCookies.ListItems, 2), (R{{"TRACKING COOKIE", "DoubleClick", "doubleclick"}}));
    EXPECT_EQ(Rows(Engine().lists.lstHost.ListItems, 2),
              (R{{"BAD HOSTS ENTRY", "ad.example.net", "Bad Host File Entries"}}));
    EXPECT_EQ(Rows(Engine().lists.lstCESearch.ListItems, 2), (R{{"SPY CE FILE", "Gator", "Gator Corporation"}}));
    EXPECT_EQ(Rows(Engine().lists.lstCWSearch.ListItems, 2), (R{{"SPY CW FILE", "Claria", "Claria"}}));
    EXPECT_EQ(Rows(Engine().lists.lstOFNSearch.ListItems, 2), (R{{"SPY OFN FILE", "Hotbar", "hotbar.dll"}}));
    EXPECT_EQ(Rows(Engine().lists.lstIFNSearch.ListItems, 2), (R{{"SPY IFN FILE", "Hotbar", "hotbarsa"}}));
    EXPECT_EQ(Rows(Engine().lists.lstPNSearch.ListItems, 2), (R{{"SPY PN FILE", "Bonzi", "BonziBUDDY"}}));
    EXPECT_EQ(Rows(Engine().lists.lstFDSearch.ListItems, 2), (R{{"SPY FD FILE", "Xupiter", "Xupiter Toolbar"}}));
    EXPECT_EQ(Rows(Engine().lists.lstFCSSearch.ListItems, 2), (R{{"TROJAN.QHOSTS", "17", "20480"}}));
    // File rows of the file selector, then the folder rows of the folder selector; the trojan
    // loader fills both trojan groups, once.
    EXPECT_EQ(Rows(Engine().lists.lstSearch.ListItems, 2), (R{{"MALWARE FILE", "Trojan.A", "tra.exe"},
                                                              {"MALWARE FOLDER", "Trojan.B", "trb"},
                                                              {"MALWARE FILE", "Dialer.A", "dia.exe"},
                                                              {"MALWARE FILE", "Hijacker.A", "hia.dll"},
                                                              {"MALWARE FILE", "Logger.A", "kla.exe"},
                                                              {"MALWARE FILE", "Spy.A", "spa.exe"},
                                                              {"MALWARE FOLDER", "Dialer.B", "dib"},
                                                              {"MALWARE FOLDER", "Hijacker.B", "hib"},
                                                              {"MALWARE FOLDER", "Logger.B", "klb"},
                                                              {"MALWARE FOLDER", "Spy.B", "spb"}}));
    // A load that included the file groups lets the file search use the property lists.
    EXPECT_TRUE(gb_fileGroupsLoaded);
}

TEST_F(LoadingTest, ScanOptionsChooseTheFileGroups) {
    InstallDefinitions(kAllGroups);
    struct Case {
        const char* name;
        bool* option;
        std::vector<std::string> spies;
    };
    const Case cases[] = {
        {"trojans", &gb_trojans, {"Trojan.A", "Trojan.B"}},
        {"dialers", &gb_dialers, {"Dialer.A", "Dialer.B"}},
        {"hijackers", &gb_scanBHO, {"Hijacker.A", "Hijacker.B"}},
        {"key loggers", &gb_keyLoggers, {"Logger.A", "Logger.B"}},
        {"spyware", &gb_spywareAdware, {"Spy.A", "Spy.B"}},
        {"none", nullptr, {}},
    };
    gb_loadFileDefs = true;
    for (const Case& c : cases) {
        if (c.option) *c.option = true;
        Engine().loadDataBase(false);
        if (c.option) *c.option = false;
        std::vector<std::string> spies;
        for (const Row& r : Rows(Engine().lists.lstSearch.ListItems, 1)) spies.push_back(r[1]);
        EXPECT_EQ(spies, c.spies) << c.name;
        EXPECT_EQ(CountsOfAllLists().count("lstOFNSearch"), 0u) << "no advanced scanning: " << c.name;
    }
}

TEST_F(LoadingTest, StatusLinesAndProgressCount) {
    InstallDefinitions(R"(
[REGV]
REGVK0=HKEY_CURRENT_USER\a
REGVT0=A
REGVV0=a
REGVK1=HKEY_CURRENT_USER\b
REGVT1=B
REGVV1=b
[REGK]
REGKK0=HKEY_CURRENT_USER\k
REGKT0=K
[HOSTS]
HOSTSV0=h
HOSTST0=t
[COOK]
COOKT0=C
COOKC0=c
[NTOT]
X=1
)");
    struct Case {
        const char* name;
        void (scanner::ScanEngine::*load)();
        long grows;
    };
    const Case cases[] = {
        {"registry values: one per row, no first line", &scanner::ScanEngine::UpdateRegistryVList, 2},
        {"registry keys: a first line, then one per row", &scanner::ScanEngine::UpdateRegistryKList, 2},
        {"second key group, empty: the first line only", &scanner::ScanEngine::UpdateRegistryKOList, 1},
        {"hosts: no status at all", &scanner::ScanEngine::UpdateHostsList, 0},
        {"cookies", &scanner::ScanEngine::UpdateCookieList, 2},
    };
    gb_progressCount = 0;
    long expected = 0;
    for (const Case& c : cases) {
        progress_.events.clear();
        (Engine().*c.load)();
        const long from = expected;
        expected += c.grows;
        EXPECT_EQ(gb_progressCount, expected) << c.name;
        std::vector<std::string> want;
        for (long n = from + 1; n <= expected; ++n) want.push_back("Loading Database - " + std::to_string(n));
        EXPECT_EQ(StatusLines(), want) << c.name;
        EXPECT_FALSE(progress_.busy) << c.name;
    }
    EXPECT_EQ(progress_.StatusLine(), "Loading Database - " + std::to_string(expected));
}

TEST_F(LoadingTest, LoopsEndAtTheFirstEmptyEntry) {
    struct Case {
        const char* name;
        const char* source;
        void (scanner::ScanEngine::*load)();
        const base::RowList* list;
        int rows;
    };
    const Case cases[] = {
        {"entry 0 empty, entry 1 complete", "[COOK]\nCOOKT0=\nCOOKC0=x\nCOOKT1=A\nCOOKC1=a\n",
         &scanner::ScanEngine::UpdateCookieList, &Engine().lists.lstCookies, 0},
        {"a key without a name ends the loop", "[REGK]\nREGKK0=k0\nREGKT0=N0\nREGKK1=k1\nREGKK2=k2\nREGKT2=N2\n",
         &scanner::ScanEngine::UpdateRegistryKList, &Engine().lists.lstRegKSearch, 1},
        {"an empty compare text ends the values", "[REGV]\nREGVK0=k\nREGVT0=T\nREGVV0=\nREGVK1=k\nREGVT1=T\nREGVV1=v\n",
         &scanner::ScanEngine::UpdateRegistryVList, &Engine().lists.lstRegistry, 0},
        {"an empty size ends the checksums", "[SBFCS]\nSBFCST0=A\nSBFCSN0=1\nSBFCSS0=2\nSBFCST1=B\nSBFCSN1=3\n",
         &scanner::ScanEngine::UpdateSearchByFileChecSum, &Engine().lists.lstFCSSearch, 1},
        {"a name without a file ends the file list", "[DAFI]\nDAFIT0=A\nDAFIS0=\nDAFIT1=B\nDAFIS1=b.exe\n",
         &scanner::ScanEngine::UpdateDialersFileList, &Engine().lists.lstSearch, 0},
    };
    for (const Case& c : cases) {
        Engine().clearDataBase();
        InstallDefinitions(c.source);
        (Engine().*c.load)();
        EXPECT_EQ(c.list->ListItems.Count(), c.rows) << c.name;
    }

    // An empty first company group still lets the second one load; each list is emptied first.
    InstallDefinitions("[SCE]\nSCET0=\n[SCW]\nSCWT0=W\nSCWV0=w\n");
    Engine().lists.lstCESearch.ListItems.Add("STALE");
    Engine().lists.lstCWSearch.ListItems.Add("STALE");
    Engine().UpdateSearchByCompanyList();
    EXPECT_EQ(Engine().lists.lstCESearch.ListItems.Count(), 0);
    EXPECT_EQ(Rows(Engine().lists.lstCWSearch.ListItems, 2), (R{{"SPY CW FILE", "W", "w"}}));

    // Loading the cookies twice leaves one copy; registry keys are appended.
    InstallDefinitions("[COOK]\nCOOKT0=A\nCOOKC0=a\n[REGK]\nREGKK0=k\nREGKT0=K\n");
    Engine().clearDataBase();
    Engine().UpdateCookieList();
    Engine().UpdateCookieList();
    Engine().UpdateRegistryKList();
    Engine().UpdateRegistryKList();
    EXPECT_EQ(Engine().lists.lstCookies.ListItems.Count(), 1);
    EXPECT_EQ(Engine().lists.lstRegKSearch.ListItems.Count(), 2);
}

TEST_F(LoadingTest, EntryTenThousandIsTheLastOneRead) {
    std::string source = "[COOK]\n";
    for (int i = 0; i <= 10001; ++i)
        source += "COOKT" + std::to_string(i) + "=S" + std::to_string(i) + "\nCOOKC" + std::to_string(i) + "=c\n";
    InstallDefinitions(source);
    Engine().UpdateCookieList();
    EXPECT_EQ(progress_.StatusLine(), "Loading Database - " + std::to_string(gb_progressCount));
    ASSERT_EQ(Engine().lists.lstCookies.ListItems.Count(), 10001);
    EXPECT_EQ(Engine().lists.lstCookies.ListItems(10001).SubItems(1), "S10000");
}

TEST_F(LoadingTest, StopFlagEndsTheLoaders) {
    InstallDefinitions(kAllGroups);
    gb_scanAborted = true;
    struct Case {
        const char* name;
        void (scanner::ScanEngine::*load)();
        long grows;
        bool busy;
    };
    // Two return before anything; the others are busy with one status line first, and stay busy
    // when the flag ends them.
    const Case cases[] = {
        {"REGS", &scanner::ScanEngine::UpdateRegistrySList, 0, false},
        {"REGV", &scanner::ScanEngine::UpdateRegistryVList, 0, false},
        {"REGK", &scanner::ScanEngine::UpdateRegistryKList, 1, true},
        {"REGD", &scanner::ScanEngine::updateRegValueData, 1, true},
        {"SBOFN", &scanner::ScanEngine::UpdateSearchByOriginalFileName, 1, true},
    };
    for (const Case& c : cases) {
        progress_.busy = false;
        gb_progressCount = 0;
        (Engine().*c.load)();
        EXPECT_EQ(gb_progressCount, c.grows) << c.name;
        EXPECT_EQ(progress_.busy, c.busy) << c.name;
    }
    gb_loadRegKDefs = gb_loadFileDefs = gb_trojans = true;
    Engine().loadDataBase(false);
    EXPECT_TRUE(CountsOfAllLists().empty());
}

// ---- direct paths

TEST_F(LoadingTest, DirectPathHitIsRecordedDuringTheLoad) {
    gb_windowsFolder = MakeFolder("Windows Dir");
    gb_programFilesFolder = MakeFolder("Program Files");
    MakeFile(gb_windowsFolder + "\\Dialer Access.exe");
    const std::string folder = gb_programFilesFolder + "\\Bad Vendor";
    CreateDirectoryA(folder.c_str(), nullptr);
    CreateDirectoryA((folder + "\\Sub").c_str(), nullptr);
    MakeFile(folder + "\\a.dll", "1234");
    MakeFile(folder + "\\Sub\\b.txt");
    const std::string empty = gb_programFilesFolder + "\\Empty";
    CreateDirectoryA(empty.c_str(), nullptr);
    // %NONE% is no macro: that entry is skipped without a status line; %pf% is %PF%.
    InstallDefinitions(R"(
[DAFI]
DAFITD0=Dialer.Direct
DAFISD0=%WIN%\Dialer Access.exe
DAFITD1=Dialer.Missing
DAFISD1=%WIN%\missing.exe
DAFITD2=Dialer.Nowhere
DAFISD2=%NONE%\x.exe
[DAFO]
DAFOTD0=Dialer.Folder
DAFOSD0=%PF%\Bad Vendor
DAFOTD1=Dialer.Empty
DAFOSD1=%pf%\Empty
)");
    gb_dialers = true;
    gb_markChecked = true;
    gb_progressCount = 0;
    Engine().loadDataBase(true);

    const std::string file = gb_windowsFolder + "\\Dialer Access.exe";
    EXPECT_EQ(Findings(),
              (R{{"Malware File", "Dialer.Direct", file, "", file, "", "1"},
                 {"Malware Folder", "Dialer.Folder", folder, "", folder, "", "1"},
                 {"Malware Folder", "Dialer.Folder", folder + "\\Sub", "", folder + "\\Sub", "", "1"},
                 {"Malware File", "Dialer.Folder", folder + "\\a.dll", "", folder + "\\a.dll", "", "1"},
                 {"Malware File", "Dialer.Folder", folder + "\\Sub\\b.txt", "", folder + "\\Sub\\b.txt", "", "1"},
                 {"Malware Folder", "Dialer.Empty", empty, "", empty, "", "1"}}));
    // Two loader first lines, and one line per expanded path (two of the file group, two folders).
    EXPECT_EQ(gb_progressCount, 2 + 2 + 2);
    EXPECT_EQ(Engine().counters.FolderCount, 3);
    EXPECT_EQ(Engine().counters.FileCount, 3);
}

TEST_F(LoadingTest, DirectHitsAreRecordedUnderTheirLongPath) {
    // A folder global in short form (as Windows 95 and 98 give some of them) still records the
    // file under the long path that the drive walk lists, so one file stays one row.
    const std::string dir = MakeFolder("Long Folder Name");
    MakeFile(dir + "\\Some Long Name.exe");
    char shortDir[MAX_PATH] = {};
    ASSERT_NE(GetShortPathNameA(dir.c_str(), shortDir, MAX_PATH), 0u);
    ASSERT_NE(std::string(shortDir).find('~'), std::string::npos) << shortDir;
    gb_systemFolder = shortDir;
    InstallDefinitions("[KAFI]\nKAFITD0=Logger\nKAFISD0=%SYS%\\Some Long Name.exe\n");
    gb_keyLoggers = true;
    Engine().loadDataBase(true);
    const std::string file = dir + "\\Some Long Name.exe";
    EXPECT_EQ(Findings(), (R{{"Malware File", "Logger", file, "", file, "", "0"}}));
    Engine().AddSpytoListview("Malware File", file, "Logger", 3, file, "", "");  // the drive walk's report
    EXPECT_EQ(Findings().size(), 1u);
    EXPECT_EQ(Engine().counters.FileCount, 1);

    // The caller's path becomes the recorded one; a missing file keeps it, a missing folder empties it.
    std::string shortFile = std::string(shortDir) + "\\Some Long Name.exe";
    Engine().checkIfFileExistsThenAddToSpyList(shortFile, "Logger");
    EXPECT_EQ(shortFile, file);
    std::string missingFile = dir + "\\none.exe";
    Engine().checkIfFileExistsThenAddToSpyList(missingFile, "S");
    EXPECT_EQ(missingFile, dir + "\\none.exe");
    std::string missingFolder = dir + "\\none";
    Engine().checkIfFolderExistsThenAddToSpyList(missingFolder, "S");
    EXPECT_EQ(missingFolder, "");
    EXPECT_EQ(Findings().size(), 1u);
}

TEST_F(LoadingTest, TrojanDirectPathsAreCheckedOnce) {
    gb_systemFolder = MakeFolder("System");
    MakeFile(gb_systemFolder + "\\spg32.dll");
    InstallDefinitions("[TAFI]\nTAFITD0=Trojan.Startpage\nTAFISD0=%SYS%\\spg32.dll\n[TAFO]\nTAFOT0=T\nTAFOS0=t\n");
    gb_trojans = true;
    gb_progressCount = 0;
    Engine().loadDataBase(true);
    EXPECT_EQ(Findings().size(), 1u);
    EXPECT_EQ(Engine().counters.FileCount, 1);
    EXPECT_EQ(Engine().lists.lstSearch.ListItems.Count(), 1);
    EXPECT_EQ(gb_progressCount, 1 + 1 + 1);  // one loader run: first line, the folder row, the direct hit
}

TEST_F(LoadingTest, AdvancedScanningLoadsThePropertyListsAfterTheFileGroups) {
    InstallDefinitions(kAllGroups);
    gb_dialers = gb_advancedScanning = true;
    progress_.events.clear();
    gb_progressCount = 0;
    Engine().ScanDrivesForAllFiles();
    const auto counts = CountsOfAllLists();
    for (const char* list :
         {"lstCESearch", "lstCWSearch", "lstOFNSearch", "lstIFNSearch", "lstPNSearch", "lstFDSearch", "lstFCSSearch"})
        EXPECT_EQ(counts.count(list), 1u) << list;
    // Dialer files (2 lines), six property loaders (6 first lines + 7 rows), dialer folders (2 lines).
    EXPECT_EQ(gb_progressCount, 2 + 6 + 7 + 2);
    EXPECT_EQ(Engine().lists.lstSearch.ListItems(1).SubItems(1), "Dialer.A");
    EXPECT_EQ(Engine().lists.lstSearch.ListItems(2).SubItems(1), "Dialer.B");
}

// ---- the removal list

TEST_F(LoadingTest, RemovalListStrikesRowsByWholeNameInAnyCase) {
    InstallDefinitions(R"(
[SAFI]
SAFIT0=A
SAFIS0=keep.exe
SAFIT1=B
SAFIS1=Strike.EXE
SAFIT2=C
SAFIS2=strike.exe
SAFIT3=D
SAFIS3=strike.exe.bak
SAFIT4=E
SAFIS4=later.exe
[SAFO]
SAFOT0=F
SAFOS0=folder
[REMO]
REMENT0=STRIKE.exe
REMENT1=Folder
REMENT2=
REMENT3=later.exe
)");
    gb_spywareAdware = true;
    Engine().loadDataBase(true);
    std::vector<std::string> names;
    for (const Row& r : Rows(Engine().lists.lstSearch.ListItems, 2)) names.push_back(r[2]);
    EXPECT_EQ(names, (std::vector<std::string>{"keep.exe", "strike.exe.bak", "later.exe"}));
}

TEST_F(LoadingTest, RemovalListMatchesTheEntryByEntryWalk) {
    // The walk as the removal list was first written: ask every row, and start again from the
    // first row after each removal.
    auto walk = [](base::ListItems& rows) {
        for (bool again = true; again;) {
            again = false;
            for (int j = 1; j <= rows.Count(); ++j) {
                if (Engine().UpdateSpyListview(rows(j).SubItems(2))) {
                    rows.Remove(j);
                    again = true;
                    break;
                }
            }
        }
    };
    std::mt19937 rng(7);
    const char* pool[] = {"a.exe", "A.EXE", "b.dll", "c", "C", "d.exe", "e", "a.ex", ""};
    for (int round = 0; round < 20; ++round) {
        std::string source = "[REMO]\n";
        const int entries = static_cast<int>(rng() % 5);
        for (int i = 0; i < entries; ++i) source += "REMENT" + std::to_string(i) + "=" + pool[rng() % 9] + "\n";
        InstallDefinitions(source);
        base::RowList reference;
        Engine().lists.lstSearch.ListItems.Clear();
        for (int r = 0, n = static_cast<int>(rng() % 12); r < n; ++r) {
            const std::string name = pool[rng() % 8];
            for (base::RowList* l : {&reference, &Engine().lists.lstSearch}) {
                base::ListItem& row = l->ListItems.Add("MALWARE FILE");
                row.SubItems(1) = "S" + std::to_string(r);
                row.SubItems(2) = name;
            }
        }
        walk(reference.ListItems);
        Engine().removeFromList();
        EXPECT_EQ(Rows(Engine().lists.lstSearch.ListItems, 2), Rows(reference.ListItems, 2)) << source;
    }
}

// ---- the shipped sample

TEST_F(LoadingTest, ShippedSampleLoadsAsItsCountsSay) {
    const std::string source = base::ReadWhole(testing_support::SourceDir() + "\\assets\\definitions\\definitions.txt");
    std::map<std::string, std::string> values;  // key -> value, first occurrence
    int hosts = 0;
    for (const std::string& line : base::SplitLines(source)) {
        const size_t eq = line.find('=');
        if (line.empty() || line[0] == '#' || eq == std::string::npos) continue;
        values.emplace(line.substr(0, eq), line.substr(eq + 1));
        if (line.rfind("HOSTSV", 0) == 0) ++hosts;
    }
    auto count = [&](const std::string& key) {
        EXPECT_TRUE(values.count(key)) << "count key " << key;
        return values.count(key) ? std::stoi(values[key]) : -1;
    };
    InstallDefinitions(source);
    for (bool* f : {&gb_loadRegSDefs, &gb_loadRegVDefs, &gb_loadRegDataDefs, &gb_loadRegKDefs, &gb_loadCookieDefs,
                    &gb_loadHostsDefs, &gb_loadFileDefs, &gb_trojans, &gb_dialers, &gb_scanBHO, &gb_keyLoggers,
                    &gb_spywareAdware, &gb_advancedScanning})
        *f = true;
    Engine().loadDataBase(false);

    EXPECT_EQ(Engine().lists.lstRegistrySearch.ListItems.Count(), count("REGSKNUM"));
    EXPECT_EQ(Engine().lists.lstRegistry.ListItems.Count(), count("REGVKNUM"));
    EXPECT_EQ(Engine().lists.lstRegKSearch.ListItems.Count(), count("REGKKNUM") + count("REGKKONUM"));
    EXPECT_EQ(Engine().lists.lstRegValueData.ListItems.Count(), count("REGDNUM"));
    EXPECT_EQ(Engine().lists.lstCookies.ListItems.Count(), count("COOKTNUM"));
    EXPECT_EQ(Engine().lists.lstHost.ListItems.Count(), hosts);
    EXPECT_EQ(Engine().lists.lstCESearch.ListItems.Count(), count("SCETNUM"));
    EXPECT_EQ(Engine().lists.lstCWSearch.ListItems.Count(), count("SCWTNUM"));
    EXPECT_EQ(Engine().lists.lstOFNSearch.ListItems.Count(), count("SBOFNTNUM"));
    EXPECT_EQ(Engine().lists.lstIFNSearch.ListItems.Count(), count("SBIFNTNUM"));
    EXPECT_EQ(Engine().lists.lstPNSearch.ListItems.Count(), count("SBPNTNUM"));
    EXPECT_EQ(Engine().lists.lstFDSearch.ListItems.Count(), count("SBFDTNUM"));
    EXPECT_EQ(Engine().lists.lstFCSSearch.ListItems.Count(), count("SBFCSTNUM"));

    // The file rows: every listed entry, less those the removal list names.
    std::set<std::string> removal;
    for (int i = 0; values.count("REMENT" + std::to_string(i)); ++i)
        removal.insert(base::UCase(values["REMENT" + std::to_string(i)]));
    int fileRows = 0, directs = 0;
    std::set<std::string> macrosUsed;
    for (const char* g : {"TAFI", "TAFO", "DAFI", "DAFO", "HAFI", "HAFO", "KAFI", "KAFO", "SAFI", "SAFO"}) {
        const std::string p = g;
        const int listed = count(p + "TNUM");
        for (int i = 0; i < listed; ++i)
            if (!removal.count(base::UCase(values[p + "S" + std::to_string(i)]))) ++fileRows;
        const int direct = count(p == "HAFI" ? "HAFITDDNUM" : p + "TDNUM");
        for (int i = 0; i < direct; ++i, ++directs) {
            const std::string path = values[p + "SD" + std::to_string(i)];
            EXPECT_NE(scanner::CleanDirString(path), "") << path;
            for (const auto& m : scanner::FolderMacroTable())
                if (path.find(m.macro) != std::string::npos) macrosUsed.insert(m.macro);
        }
        EXPECT_FALSE(values.count(p + "SD" + std::to_string(direct))) << "more direct entries than " << p << " counts";
    }
    EXPECT_LT(fileRows, count("TAFITNUM") + count("TAFOTNUM") + count("DAFITNUM") + count("DAFOTNUM") +
                            count("HAFITNUM") + count("HAFOTNUM") + count("KAFITNUM") + count("KAFOTNUM") +
                            count("SAFITNUM") + count("SAFOTNUM"))
        << "the sample's removal list strikes something";
    EXPECT_EQ(Engine().lists.lstSearch.ListItems.Count(), fileRows);
    EXPECT_EQ(macrosUsed.size(), 18u) << "every folder macro has a direct path in the sample";
    EXPECT_GT(directs, 18);
}
