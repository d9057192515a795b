// The file and folder phase on trees of the test's own: what the walk and the search record, the
// indexed search against the per-definition search, the file-property search and the readers of
// what a file says about itself.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>

#include "base/AnsiPath.h"
#include "base/Handles.h"
#include "base/TextFile.h"
#include "core/Globals.h"
#include "core/SpecialFolders.h"
#include "results/FindingList.h"
#include "scanner/FileVersion.h"
#include "scanner/ListRowBuilders.h"
#include "scanner/ScanGlobals.h"
#include "scanner/ScanLog.h"
#include "scanner/tests/ScannerTestSupport.h"

using namespace scannertest;

namespace {

class FileScanTest : public ScannerTest {
protected:
    void SetUp() override {
        ScannerTest::SetUp();
        gb_scanRestoreFolder = true;
        Engine().useFileIndex = true;
        Engine().FilesSeen = Engine().FoldersSearched = 0;
    }
    void TearDown() override {
        Engine().useFileIndex = true;
        gb_advancedScanning = false;
        ScannerTest::TearDown();
    }
    void AddFile(const std::string& spy, const std::string& name) {
        scanner::FillListBox(Engine().lists.lstSearch, "Malware File", spy, name);
    }
    void AddFolder(const std::string& spy, const std::string& name) {
        scanner::FillListBox(Engine().lists.lstSearch, "Malware Folder", spy, name);
    }
    // The driver's calling order: the walk, then the top folder's own search.
    std::vector<Row> Scan(const std::string& top, bool indexed) {
        results::Findings().Clear();
        Engine().ResetCounters();
        Engine().useFileIndex = indexed;
        Engine().subShowFolderList(top + "\\");
        Engine().subFileSearch(top + "\\");
        return Findings();
    }
    std::string Dir(const std::string& rel) {
        const std::string p = tree_ / rel;
        CreateDirectoryA(p.c_str(), nullptr);
        return p;
    }
    std::string File(const std::string& rel, const std::string& bytes = "x") {
        const std::string p = tree_ / rel;
        MakeFile(p, bytes);
        return p;
    }
};

Row FileRow(const std::string& spy, const std::string& path) { return {"Malware File", spy, path, "", path, "", "0"}; }
Row FolderRow(const std::string& spy, const std::string& path) {
    return {"Malware Folder", spy, path, "", path, "", "0"};
}

TEST_F(FileScanTest, DefinitionsFoundInEveryFolderOfTheWalk) {
    const std::string top = Dir("top");
    Dir("top\\a");
    Dir("top\\a\\sub");
    Dir("top\\b");
    Dir("top\\b\\tool.exe");  // a folder named like a file: no file finding
    const std::string hiddenExe = File("top\\a\\hid.exe");
    SetFileAttributesA(hiddenExe.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    const std::string tool = File("top\\b\\x.exe");
    const std::string dll = File("top\\a\\sub\\x.dll");
    File("top\\a\\x.dll.txt");
    File("top\\readme.txt");
    Dir("top\\b\\Gator");
    Dir("top\\b\\Gator\\data");
    const std::string gPrefs = File("top\\b\\Gator\\prefs.ini");
    const std::string gData = File("top\\b\\Gator\\data\\d.bin");

    AddFile("Exe", "*.exe");
    AddFile("Sub", "sub\\x.dll");
    AddFolder("Gator", "gator");

    const std::vector<Row> expected = {
        FileRow("Exe", hiddenExe),
        FileRow("Sub", dll),
        FileRow("Exe", tool),
        FolderRow("Gator", tree_ / "top\\b\\gator"),
        FolderRow("Gator", tree_ / "top\\b\\gator\\data"),
        FileRow("Gator", tree_ / "top\\b\\gator\\prefs.ini"),
        FileRow("Gator", tree_ / "top\\b\\gator\\data\\d.bin"),
    };
    for (bool indexed : {true, false}) {
        SCOPED_TRACE(indexed ? "indexed" : "per definition");
        std::vector<Row> got = Scan(top, indexed);
        // The walk reaches folders in the file system's order; compare as sets of rows, and the
        // folder's own rows in order.
        std::vector<Row> sortedGot = got, sortedExpected = expected;
        std::sort(sortedGot.begin(), sortedGot.end());
        std::sort(sortedExpected.begin(), sortedExpected.end());
        EXPECT_EQ(sortedGot, sortedExpected);
        const auto at = [&](const Row& r) { return std::find(got.begin(), got.end(), r) - got.begin(); };
        EXPECT_LT(at(expected[3]), at(expected[5]));  // the folder before its files
        EXPECT_LT(at(expected[4]), at(expected[5]));  // subfolders before the files of the level
    }
    (void)gPrefs;
    (void)gData;
    EXPECT_EQ(ErrorLog(), "");
}

// Names the index has to get right: wildcards as the file system reads them (short names
// included), names through a subfolder, folder rows, and rows it leaves to the search.
TEST_F(FileScanTest, IndexedSearchRecordsWhatThePerDefinitionSearchRecords) {
    const std::string top = Dir("t");
    const char* folders[] = {"t\\one",       "t\\one\\bpk",          "t\\two",   "t\\two\\Program Files",
                             "t\\two\\deep", "t\\two\\deep\\deeper", "t\\three", "t\\three\\gator",
                             "t\\three\\BPK"};
    for (const char* f : folders) Dir(f);
    const char* files[] = {"t\\one\\egdial12.exe",
                           "t\\one\\EGDIAL.EXE",
                           "t\\one\\bpk\\bpkhk.dll",
                           "t\\one\\abc.txt",
                           "t\\one\\ac.txt",
                           "t\\one\\longname.exeold",
                           "t\\two\\a.b.exe",
                           "t\\two\\noext",
                           "t\\two\\deep\\msconfd.dll",
                           "t\\two\\deep\\deeper\\x.OCX",
                           "t\\three\\gator\\g.exe",
                           "t\\three\\BPK\\bpkhk.dll",
                           "t\\three\\ReadMe.TXT",
                           "t\\three\\tool.exe.bak",
                           "t\\two\\Program Files\\p.exe",
                           "t\\three\\caf\xe9.exe"};
    for (const char* f : files) File(f);

    const char* fileRows[] = {
        "*.exe",           "egdial*.exe",      "a?c.txt",    "*.txt",       "x.*",         "noext.",
        "bpk\\bpkhk.dll",  "BPK\\*.dll",       "*abc*",      "msconfd.dll", "MSCONFD.DLL", "*.ocx",
        "progra~1\\p.exe", "..\\one\\abc.txt", "noext",      "*.",          "?c.txt",      "*.*",
        "readme.txt",      "tool.exe.bak",     "absent.exe", "e*"};
    const char* folderRows[] = {"gator", "Program Files", "deep\\deeper", "gat*", "bpk", "none"};
    // One entry of a subfolder: chosen by that subfolder's own listing.
    const char* throughFileRows[] = {"bpk\\absent.dll", "gator\\G.EXE", "Program Files\\*.exe", "two\\deep",
                                     "deep\\*.dll",     "gator\\",      "deep\\deeper\\*.ocx",  "bpk\\bpkhk~1.dll",
                                     "gator\\g.exe.",   "deeper\\x.ocx"};
    const char* throughFolderRows[] = {"two\\deep", "t\\three", "deep\\none", "deep\\deeper", "two\\deep*"};
    int n = 0;
    for (const char* r : fileRows) AddFile("F" + std::to_string(++n), r);
    for (const char* r : folderRows) AddFolder("D" + std::to_string(++n), r);
    for (const char* r : throughFileRows) AddFile("F" + std::to_string(++n), r);
    for (const char* r : throughFolderRows) AddFolder("D" + std::to_string(++n), r);
    // Rows of another kind are left alone by both.
    scanner::FillListBox(Engine().lists.lstSearch, "Something Else", "X", "*.exe");

    const std::vector<Row> reference = Scan(top, false);
    const long referenceFolders = Engine().FoldersSearched;
    Engine().FoldersSearched = 0;
    const std::vector<Row> indexed = Scan(top, true);
    EXPECT_EQ(indexed, reference);
    EXPECT_EQ(Engine().FoldersSearched, referenceFolders);
    EXPECT_GT(reference.size(), 20u);
    EXPECT_EQ(ErrorLog(), "");
}

TEST_F(FileScanTest, JunctionsAreNotFollowed) {
    const std::string top = Dir("j");
    Dir("j\\inner");
    File("j\\inner\\x.exe");
    const std::string link = tree_ / "j\\inner\\loop";
    // A link back to the top: followed, it would nest without end.
    if (!CreateSymbolicLinkA(link.c_str(), top.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY) ||
        !(GetFileAttributesA(link.c_str()) & FILE_ATTRIBUTE_REPARSE_POINT))
        GTEST_SKIP() << "no directory links on this system";
    AddFile("Exe", "*.exe");
    for (bool indexed : {true, false}) {
        const std::vector<Row> got = Scan(top, indexed);
        EXPECT_EQ(got, (std::vector<Row>{FileRow("Exe", tree_ / "j\\inner\\x.exe")}));
    }
    RemoveDirectoryA(link.c_str());
}

TEST_F(FileScanTest, RestoreFolderSkippedWhenTheOptionIsOff) {
    const std::string top = Dir("r");
    Dir("r\\Restore");
    Dir("r\\Restore\\in");
    const std::string kept = File("r\\Restore\\a.exe");
    File("r\\Restore\\in\\b.exe");
    AddFile("Exe", "*.exe");
    for (const std::string& restore : {tree_ / "r\\restore", tree_ / "R\\RESTORE\\"}) {
        gb_restoreFolder = restore.back() == '\\' ? restore.substr(0, restore.size() - 1) : restore;
        gb_scanRestoreFolder = false;
        // The folder's own search still runs from the walk above it; nothing inside is walked.
        EXPECT_EQ(Scan(top, true), (std::vector<Row>{FileRow("Exe", kept)}));
        gb_scanRestoreFolder = true;
        EXPECT_EQ(Scan(top, true).size(), 2u);
    }
    gb_restoreFolder.clear();
}

TEST_F(FileScanTest, StopFlagEndsTheWalk) {
    const std::string top = Dir("s");
    for (int i = 0; i < 30; ++i) {
        Dir("s\\d" + std::to_string(i));
        File("s\\d" + std::to_string(i) + "\\m.exe");
    }
    AddFile("Exe", "*.exe");
    struct StopAfter : RecordingProgress {
        int left = 3;
        void CurrentItem(const std::string&) override {
            if (--left == 0) gb_scanAborted = true;
        }
    } progress;
    Engine().SetProgress(&progress);
    for (bool indexed : {true, false}) {
        progress.left = 3;
        gb_scanAborted = false;
        const auto t0 = std::chrono::steady_clock::now();
        const std::vector<Row> got = Scan(top, indexed);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        EXPECT_LT(got.size(), 4u);
        EXPECT_LT(seconds, 2.0);
    }
    gb_scanAborted = false;
    Engine().SetProgress(&progress_);
}

TEST_F(FileScanTest, CountersOfFilesSeenAndFoldersSearched) {
    const std::string top = Dir("c");
    Dir("c\\a");
    Dir("c\\a\\b");
    File("c\\1");
    File("c\\a\\2");
    File("c\\a\\b\\3");
    File("c\\a\\b\\4");
    Scan(top, true);
    EXPECT_EQ(Engine().FilesSeen, 4);
    EXPECT_EQ(Engine().FoldersSearched, 3);  // a, a\b, and the top's own search
}

// A list past 32,766 rows still searches every row (a 16-bit row index once ended each folder).
TEST_F(FileScanTest, LongDefinitionListIsSearchedToTheEnd) {
    const std::string top = Dir("long");
    const std::string last = File("long\\last.exe");
    for (int i = 0; i < 33000; ++i) AddFile("Filler", "filler" + std::to_string(i) + ".exe");
    AddFile("Last", "last.exe");
    for (bool indexed : {true, false}) EXPECT_EQ(Scan(top, indexed), (std::vector<Row>{FileRow("Last", last)}));
    EXPECT_EQ(ErrorLog(), "");
}

TEST_F(FileScanTest, FolderTreeNodes) {
    const std::string top = Dir("node");
    Dir("node\\Windows");
    const std::string exe = File("node\\Windows\\n.exe");
    AddFile("Exe", "*.exe");
    // The drive node "Label (X:)": letter, colon and one more character.
    const std::string drive = top.substr(0, 2);
    const std::string node = "Local Disk (" + drive + ")" + top.substr(2) + "\\Windows";
    Engine().scanThisFolder(node);
    EXPECT_EQ(Findings(), (std::vector<Row>{FileRow("Exe", exe)}));

    results::Findings().Clear();
    for (const char* bad : {"no drive here", ":\\x", "X:"}) Engine().scanThisFolder(bad);
    EXPECT_TRUE(Findings().empty());
    EXPECT_NE(ErrorLog().find("Method: scanThisFolder"), std::string::npos);

    Engine().selectedFolders = {"Windows", "node", "", "System"};
    EXPECT_FALSE(Engine().isNodeInSelectedFolders(node));  // indexes 0 and 1 are not consulted
    Engine().selectedFolders.push_back("Windows");
    EXPECT_TRUE(Engine().isNodeInSelectedFolders(node));
    EXPECT_FALSE(Engine().isNodeInSelectedFolders("LOCAL DISK (X:)\\WINDOWS"));  // case counts
    Engine().selectedFolders.clear();
    EXPECT_FALSE(Engine().isNodeInSelectedFolders(node));
}

// Files without version texts are known by checksum and size alone. A faulty row matches nothing
// and stops no other; a file that cannot be read has no checksum.
TEST_F(FileScanTest, PropertySearchByChecksumAndSize) {
    const std::string top = Dir("adv");
    const std::string good = File("adv\\good.exe", "ABC");     // checksum 0x42 ^ 0x43 = 1, size 3
    const std::string locked = File("adv\\locked.dll", "AA");  // checksum 0x41, size 2
    File("adv\\other.txt", "ABC");                             // not a program: not examined
    File("adv\\GOOD.LNK", "ABC");                              // not a shortcut in upper case, not examined
    auto sum = [&](const std::string& spy, const std::string& checksum, const std::string& size) {
        scanner::FillListBox(Engine().lists.lstFCSSearch, spy, checksum, size);
    };
    sum("BAD", "x", "3");
    sum("HUGE", "70000", "3");
    sum("LOCKEDSPY", "0", "2");  // what an unreadable file once passed for
    sum("GOODSPY", "1", "3");
    base::FileHandle hold(CreateFileA(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(hold.valid());
    gb_fileGroupsLoaded = true;
    gb_advancedScanning = true;
    gb_tempFolder = top;  // the search is spent in the temporary folder
    Engine().subFileSearch(top + "\\");
    EXPECT_EQ(Findings(), (std::vector<Row>{FileRow("GOODSPY", good)}));
    EXPECT_NE(ErrorLog().find("Checksum row: 1, Method: AdvancedFilePropertiesSearch"), std::string::npos);
}

// ---- the checksum and the fixed version texts

TEST(FileChecksum, ExclusiveOrOfAllButTheFirstByte) {
    testing_support::TempFolder tmp;
    struct Case {
        std::string bytes;
        int sum;
    } cases[] = {{"ABC", 0x42 ^ 0x43}, {"A", 0}, {"", 0}, {std::string(100000, '\x5A') + "\x01", 0x5A ^ 0x01}};
    for (const Case& c : cases) {
        const std::string f = tmp / "f.bin";
        base::WriteText(f, c.bytes);
        ASSERT_TRUE(scanner::GetFileXorChecksum(f).has_value());
        EXPECT_EQ(*scanner::GetFileXorChecksum(f), c.sum);
        EXPECT_EQ(scanner::XorBytes(c.bytes), c.sum);
    }
    // An unreadable file has no checksum: it must not pass for one of 0.
    EXPECT_FALSE(scanner::GetFileXorChecksum(tmp / "absent.bin").has_value());
}

TEST(FixedVersionTexts, Table) {
    VS_FIXEDFILEINFO f{};
    f.dwFileVersionMS = MAKELONG(2, 1);      // 1.2
    f.dwFileVersionLS = MAKELONG(7, 40000);  // .40000.7
    f.dwProductVersionMS = MAKELONG(0, 65535);
    f.dwProductVersionLS = 0;
    f.dwFileFlags = 0x5 | 0x40;
    f.dwFileOS = 0x40004;
    f.dwFileType = 4;
    f.dwFileSubtype = 3;
    std::string ver, prod, flags, os, type, sub = "keep";
    Module2::DescribeFixedFileInfo(f, ver, prod, flags, os, type, sub);
    EXPECT_EQ(ver, "1.2.40000.7");
    EXPECT_EQ(prod, "65535.0.0.0");
    EXPECT_EQ(flags, "Debug Patched ");
    EXPECT_EQ(os, "NT-Win32");
    EXPECT_EQ(type, "Font");
    EXPECT_EQ(sub, "TrueType Font");

    struct Case {
        DWORD os, type, subtype;
        const char *osText, *typeText, *subText;
    } cases[] = {
        {0x10001, 4, 0, "DOS-Win16", "Font", "keep"},        {0x10004, 3, 10, "DOS-Win32", "Driver", "Comm drv"},
        {0x20002, 3, 11, "OS/2-16 PM-16", "Driver", "keep"}, {0x30003, 1, 3, "OS/2-16 PM-32", "Executable", "keep"},
        {0x4, 6, 0, "Unknown", "Unknown", "keep"},           {0x40004, 7, 0, "NT-Win32", "Lib", "keep"},
        {0x40004, 5, 0, "NT-Win32", "VxD", "keep"},          {0x40004, 2, 1, "NT-Win32", "DLL", "keep"}};
    for (const Case& c : cases) {
        f.dwFileOS = c.os;
        f.dwFileType = c.type;
        f.dwFileSubtype = c.subtype;
        f.dwFileFlags = 0;
        sub = "keep";
        Module2::DescribeFixedFileInfo(f, ver, prod, flags, os, type, sub);
        EXPECT_EQ(os, c.osText);
        EXPECT_EQ(type, c.typeText);
        EXPECT_EQ(sub, c.subText);
        EXPECT_EQ(flags, "");
    }
}

TEST(FileVersionData, FileWithoutVersionLeavesTheTextsAlone) {
    testing_support::TempFolder tmp;
    const std::string f = tmp / "plain.exe";
    base::WriteText(f, std::string(4096, 'M'));  // not a program: no version resource
    for (const std::string& path : {f, tmp / "absent.exe"}) {
        std::string a = "a", b = "b", c = "c", d = "d", e = "e", g = "g";
        Module2::GetFileVersionData(path, a, b, c, d, e, g);
        EXPECT_EQ(a + b + c + d + e + g, "abcdeg");
    }
}

TEST(FileProperties, ProgramWithVersionResource) {
    // The test program itself carries no version resource; a system DLL does.
    char sys[MAX_PATH];
    GetSystemDirectoryA(sys, MAX_PATH);
    const std::string dll = std::string(sys) + "\\kernel32.dll";
    basFileVersion::FileProperties p;
    ASSERT_TRUE(basFileVersion::PrintFileProperties(dll, p, false));
    EXPECT_TRUE(p.HasVersionResource);
    EXPECT_EQ(p.FileTypeCode, 2u);
    EXPECT_EQ(p.FileTypeText, "DLL Library");
    EXPECT_EQ(p.FileName, "kernel32.dll");
    EXPECT_EQ(p.Directory, std::string(sys) + "\\");
    EXPECT_FALSE(p.CompanyName.empty());
    EXPECT_GT(p.FileSize, 0u);
    std::string ver, prod, flags, os, type, sub;
    Module2::GetFileVersionData(dll, ver, prod, flags, os, type, sub);
    EXPECT_EQ(type, "DLL");
}

TEST(FileProperties, ReportBlockOfAFileWithoutVersion) {
    testing_support::TempFolder tmp;
    const std::string f = tmp / "small.dat";
    base::WriteText(f, std::string(500, 'z'));
    basFileVersion::FileProperties p;
    p.CompanyName = "kept";  // the string fields stay as the caller left them
    ASSERT_TRUE(basFileVersion::PrintFileProperties(f, p, false));
    EXPECT_FALSE(p.HasVersionResource);
    EXPECT_EQ(p.FileTypeCode, 0u);
    EXPECT_EQ(p.FileTypeText, "Unknown");
    EXPECT_EQ(p.CompanyName, "kept");
    EXPECT_TRUE(p.Archive);

    const std::string block = basFileVersion::FilePropertiesBlock(p);
    EXPECT_EQ(block.rfind("\r\nPath:\r"
                          "Filename:\tsmall.dat\r\r\n",
                          0),
              0u);
    EXPECT_NE(block.find("Full Path:\t" + f + "\r\r\r\n"), std::string::npos);
    EXPECT_NE(block.find("Temporary:\tFalse\r\r\r\nString Info:\r\r\nCompany Name:\tkept\r\r\n"), std::string::npos);
    EXPECT_NE(block.find("Legal Copyright:\t\r\r\r\nMisc.:\r\r\n"), std::string::npos);
    // No digits before " KB (" below one kilobyte; no type and no version lines without a resource.
    const std::string tail = "\r\nMisc.:\r\r\nFile Size:\t KB (500 bytes)\r";
    EXPECT_TRUE(block.size() > tail.size() && block.substr(block.size() - tail.size()) == tail);

    const std::string log = tmp / "log.txt";
    ASSERT_TRUE(basFileVersion::PrintFileProperties(f, p, true, log));
    EXPECT_EQ(base::ReadWhole(log), block + "\r\n\r\n\r\n");
    EXPECT_FALSE(basFileVersion::PrintFileProperties(tmp / "absent.dat", p, true, log));
    EXPECT_EQ(base::ReadWhole(log), block + "\r\n\r\n\r\n");
}

// ---- the raw readers of a program's description and product name

template <size_t N>
std::string Bytes(const char (&text)[N]) {
    return std::string(text, N - 1);
}

TEST_F(FileScanTest, RawVersionTextsOfCraftedFiles) {
    testing_support::TempFolder tmp;
    auto wide = [](const std::string& s) {
        std::string w;
        for (char c : s) w += std::string(1, c) + '\0';
        return w;
    };
    const std::string entry = std::string("\x01\0", 2) + wide("FileDescription") + std::string(2, '\0');
    struct Case {
        const char* name;
        std::string bytes;
        std::string description;
        bool logged;
    } cases[] = {
        {"wide",
         "MZ junk" + std::string("\x01\0", 2) + wide("StringFileInfo") + "xx" + entry + wide("Tool") +
             std::string(2, '\0') + "\x01" + wide("FileVersion"),
         "Tool", false},
        {"narrow", Bytes("MZ StringFileInfo..FileDescription\0Tool\0\0\0FileVersion"), "Tool", false},
        {"empty value",
         Bytes("MZ StringFileInfo FileDescription\0\0\0\0FileVersion\0"
               "1.0\0\0\0"),
         "", false},
        {"no such key", Bytes("MZ StringFileInfo ProductName\0X\0\0\0"), "", false},
        {"no end after the value", "MZ StringFileInfo FileDescription\0Tool", "", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string f = tmp / "p.exe";
        base::WriteText(f, c.bytes);
        const std::string before = ErrorLog();
        EXPECT_EQ(scanner::GetFileDescription(f), c.description);
        const std::string added = ErrorLog().substr(before.size());
        EXPECT_EQ(!added.empty(), c.logged);
        if (c.logged) {
            EXPECT_NE(added.find("strFile: " + f), std::string::npos);
            EXPECT_NE(added.find("Method: GetFileDescription"), std::string::npos);
            EXPECT_EQ(added.find("Tool"), std::string::npos);  // not the file's bytes
        }
    }
    EXPECT_EQ(scanner::GetProductName(tmp / "absent.exe"), "");
}

}  // namespace

// Folders the code page cannot name and paths past MAX_PATH are walked, by short names where the
// long ones cannot serve; each finding names the planted file itself (never a look-alike) by a
// path within MAX_PATH; a folder no path can reach is counted and named. Both searches agree.
TEST_F(FileScanTest, NamesBeyondTheCodePageAndPathsPastMaxPathAreWalked) {
    const std::string top = Dir("w");
    const std::wstring wideTop = L"\\\\?\\" + base::WidePath(top);
    // Parts of it no path of the program reaches: taken away through the long-path form.
    const testing_support::ScopedLongTree made(wideTop);
    auto makeDirs = [](std::wstring path, const std::vector<std::wstring>& names) {
        for (const std::wstring& n : names) {
            path += L"\\" + n;
            EXPECT_TRUE(CreateDirectoryW(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
        }
        return path;
    };
    auto makeFile = [](const std::wstring& path) {
        base::FileHandle h(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        EXPECT_TRUE(h);
        return path;
    };
    std::vector<std::wstring> deep, tooDeep;
    for (int i = 0; i < 6; ++i) deep.push_back(L"a folder with a long name past MAX_PATH " + std::to_wstring(i));
    // So deep that even the short names pass the room for a name.
    for (int i = 0; i < 30; ++i) tooDeep.push_back(L"level " + std::to_wstring(i) + L" of a tree deeper than any path");
    const std::wstring japanese = makeDirs(wideTop, {L"\u65e5\u672c\u8a9e"});
    const std::wstring czech = makeDirs(wideTop, {L"Zden\u011bk"});
    const std::wstring lookAlike = makeDirs(wideTop, {L"Zdenek"});
    const std::wstring deepest = makeDirs(wideTop, deep);
    const std::wstring lost = makeDirs(wideTop, tooDeep);
    const std::vector<std::wstring> planted = {
        makeFile(japanese + L"\\sdbot.exe"), makeFile(czech + L"\\sdbot.exe"),
        makeFile(japanese + L"\\\u011bvil.exe"),  // the file's own name beyond the code page
        makeFile(deepest + L"\\sdbot.exe"), makeFile(deepest + L"\\x.ocx")};
    makeFile(lookAlike + L"\\clean.txt");
    makeFile(lost + L"\\sdbot.exe");

    AddFile("Sdbot", "sdbot.exe");
    AddFile("Vil", "*vil.exe");  // matches the long name, not the short one
    AddFile("Ocx", "*.ocx");

    const std::vector<Row> reference = Scan(top, false);
    const long referenceUnread = Engine().counters.UnreadFolders;
    const std::vector<Row> indexed = Scan(top, true);
    EXPECT_EQ(indexed, reference);
    EXPECT_EQ(Engine().counters.UnreadFolders, referenceUnread);
    // Each planted file found once, by a path in the code page within MAX_PATH that names it.
    std::vector<std::wstring> found;
    for (const Row& r : indexed) {
        const std::string& item = r[2];
        EXPECT_LT(item.size(), static_cast<size_t>(MAX_PATH)) << item;
        wchar_t longer[1024] = {};
        const DWORD n = GetLongPathNameW(base::WidePath(item).c_str(), longer, 1024);
        ASSERT_GT(n, 0u) << "no such file: " << item;
        found.push_back(L"\\\\?\\" + std::wstring(longer, n));
        EXPECT_EQ(item.find("Zdenek"), std::string::npos) << "a look-alike: " << item;
        // The item is what removal and backup are handed: it opens the planted file.
        base::FileHandle h(
            CreateFileA(item.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        EXPECT_TRUE(h) << item;
    }
    std::vector<std::wstring> want = planted;
    for (auto* v : {&found, &want}) {
        for (std::wstring& p : *v) CharUpperW(p.data());
        std::sort(v->begin(), v->end());
    }
    EXPECT_EQ(found, want);
    // The folder no path reaches is counted, and the error log names where it is.
    EXPECT_EQ(referenceUnread, 1);
    const std::string log = ErrorLog();
    EXPECT_NE(log.find("The folder could not be read"), std::string::npos) << log;
    EXPECT_NE(log.find("Method: subShowFolderList"), std::string::npos) << log;
    EXPECT_NE(scanlog::DriveSection(Engine()).find("Folders that could not be read (see the error log) :1"),
              std::string::npos);
}
