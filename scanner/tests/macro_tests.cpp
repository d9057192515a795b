// Folder macros and the folders that get the file-property search.
#include <shlobj.h>

#include "core/SpecialFolders.h"
#include "scanner/FolderMacros.h"
#include "scanner/tests/ScannerTestSupport.h"

using scanner::CleanDirString;
using scanner::DoWeSkipThisFolder;
using scannertest::ScannerTest;

namespace {
std::string ShellFolder(int csidl) {
    char buffer[MAX_PATH + 1] = {};
    if (SHGetFolderPathA(nullptr, csidl | CSIDL_FLAG_CREATE, nullptr, 0, buffer) != S_OK) return {};
    return buffer;
}
}  // namespace

TEST_F(ScannerTest, EachOfTheEighteenMacrosExpandsToItsFolder) {
    struct Case {
        const char* macro;
        std::string* folder;
    };
    const Case cases[] = {
        {"%WIN%", &gb_windowsFolder},
        {"%SYS%", &gb_systemFolder},
        {"%PF%", &gb_programFilesFolder},
        {"%CF%", &gb_commonFilesFolder},
        {"%TMP%", &gb_tempFolder},
        {"%AD%", &gb_appDataFolder},
        {"%Desktop%", &gb_desktopFolder},
        {"%Programs%", &gb_programsFolder},
        {"%Personal%", &gb_personalFolder},
        {"%Favorites%", &gb_favoritesFolder},
        {"%StartUp%", &gb_startupFolder},
        {"%StartMenu%", &gb_startMenuFolder},
        {"%DesktopDirectory%", &gb_desktopDirFolder},
        {"%Common_StartMenu%", &gb_commonStartMenuFolder},
        {"%Common_Programs%", &gb_commonProgramsFolder},
        {"%Common_StartUp%", &gb_commonStartupFolder},
        {"%Common_DesktopDirectory%", &gb_commonDesktopDirFolder},
        {"%Common_Favorites%", &gb_commonFavoritesFolder},
    };
    ASSERT_EQ(scanner::FolderMacroTable().size(), 18u);
    int n = 0;
    for (const Case& c : cases) *c.folder = "X:\\Folder" + std::to_string(n++);
    n = 0;
    for (const Case& c : cases) {
        const std::string folder = "X:\\Folder" + std::to_string(n);
        EXPECT_STREQ(scanner::FolderMacroTable()[static_cast<size_t>(n)].macro, c.macro) << "table order";
        EXPECT_EQ(CleanDirString(std::string(c.macro) + "\\bad.exe"), folder + "\\bad.exe") << c.macro;
        ++n;
    }
}

TEST_F(ScannerTest, MacroExpansionRules) {
    gb_windowsFolder = "C:\\WINDOWS";
    gb_systemFolder = "C:\\WINDOWS\\system32";
    gb_startupFolder = "C:\\Start";
    gb_commonStartupFolder = "C:\\All\\Start";
    gb_desktopFolder = "C:\\Desk";
    gb_desktopDirFolder = "C:\\DeskDir";
    struct Case {
        const char* path;
        const char* want;
    };
    const Case cases[] = {
        {"%WIN%\\system32\\a.exe", "C:\\WINDOWS\\system32\\a.exe"},
        {"%SYS%\\%WIN%", "%SYS%\\C:\\WINDOWS"},  // only the first macro of the table: %WIN% comes first
        {"%SYS%\\%PF%", "C:\\WINDOWS\\system32\\%PF%"},
        {"%WIN%\\x%WIN%", "C:\\WINDOWS\\xC:\\WINDOWS"},  // every occurrence of it
        {"%Common_StartUp%\\x.exe", "C:\\All\\Start\\x.exe"},
        {"%StartUp%\\x.exe", "C:\\Start\\x.exe"},
        {"%DesktopDirectory%\\d", "C:\\DeskDir\\d"},
        {"C:\\a.exe", ""},
        {"", ""},
        {"%win%\\a.exe", "C:\\WINDOWS\\a.exe"},  // a macro in any letter case still names its folder
        {"%Win%\\%WIN%", "C:\\WINDOWS\\C:\\WINDOWS"},
    };
    for (const Case& c : cases) EXPECT_EQ(CleanDirString(c.path), c.want) << c.path;
}

TEST_F(ScannerTest, FoldersThatGetThePropertySearch) {
    gb_windowsFolder = "C:\\windows";
    gb_systemFolder = "C:\\windows\\system32";
    gb_appDataFolder = "C:\\users\\u\\AppData";
    gb_tempFolder = "C:\\users\\u\\Temp";
    const std::string personal = ShellFolder(CSIDL_PERSONAL);
    const std::string startMenu = ShellFolder(CSIDL_STARTMENU);
    const std::string commonStartMenu = ShellFolder(CSIDL_COMMON_STARTMENU);
    ASSERT_FALSE(personal.empty());
    struct Case {
        std::string folder;
        bool skip;
    };
    const Case cases[] = {
        {"C:\\", false},
        {"C:", false},
        {"C:\\windows", false},
        {"C:\\WINDOWS\\", false},
        {"C:\\windows\\system32\\", false},
        {"C:\\windows\\Help", true},
        {"C:\\windows\\system32\\drivers", true},
        {"C:\\users\\u\\AppData\\", false},
        {"C:\\users\\u\\AppData\\Sub", true},
        {"C:\\users\\u\\temp", false},
        {"C:\\users\\u\\Temp\\deep\\er\\", false},
        {personal + "\\Sub\\", false},
        {startMenu + "\\Programs", false},
        {commonStartMenu + "\\Programs", false},
        {"D:\\Games\\", true},
    };
    for (const Case& c : cases) EXPECT_EQ(DoWeSkipThisFolder(c.folder), c.skip) << c.folder;

    gb_tempFolder.clear();  // an empty temporary folder is inside every path
    EXPECT_FALSE(DoWeSkipThisFolder("D:\\Games"));
}

TEST(AddPathToFileName, OneBackslashBetween) {
    EXPECT_EQ(scanner::AddPathToFileName("C:\\a", "b.exe"), "C:\\a\\b.exe");
    EXPECT_EQ(scanner::AddPathToFileName("C:\\a\\", "b.exe"), "C:\\a\\b.exe");
    EXPECT_EQ(scanner::AddPathToFileName("C:\\a\\ ", "b.exe"), "C:\\a\\ b.exe");
}
