#include <gtest/gtest.h>
#include <shlobj.h>

#include <cstring>

#include "base/TextFile.h"
#include "base/testing/Testing.h"
#include "core/COpSysInfo.h"
#include "core/SpecialFolders.h"
#include "core/tests/CoreTestSupport.h"

using namespace modMain;

namespace {
// Replaces some sources for the life of the object; the others stay the system's.
class ScopedSources {
public:
    explicit ScopedSources(const std::function<void(FolderSources&)>& change) {
        FolderSources s = SystemFolderSources();
        change(s);
        SetFolderSources(s);
    }
    ~ScopedSources() { SetFolderSources(SystemFolderSources()); }
};

UINT Fails(char*, UINT) { return 0; }
std::function<UINT(char*, UINT)> Answers(const std::string& text) {
    return [text](char* b, UINT n) -> UINT {
        if (text.size() >= n) return static_cast<UINT>(text.size() + 1);
        std::memcpy(b, text.c_str(), text.size() + 1);
        return static_cast<UINT>(text.size());
    };
}

class OsName {
public:
    explicit OsName(const std::string& name) : old_(gb_osName) { gb_osName = name; }
    ~OsName() { gb_osName = old_; }

private:
    std::string old_;
};
}  // namespace

TEST(SpecialFolders, WineAnswersRealFoldersWithoutTrailingBackslash) {
    EXPECT_EQ(getWindowsFolder(), "C:\\windows");
    EXPECT_EQ(GetWinDir(), "C:\\windows");
    EXPECT_EQ(getSystemFolder(), "C:\\windows\\system32");
    EXPECT_EQ(getRestoreFolder(), "C:\\windows\\system32\\Restore");
    char tmp[MAX_PATH];
    std::string temp(tmp, GetTempPathA(MAX_PATH, tmp));
    EXPECT_EQ(ReturnTemporaryFolder() + "\\", temp);
    EXPECT_EQ(getProgramFilesFolder(), "C:\\Program Files");
    EXPECT_FALSE(getCommonFilesFolder().empty());
    EXPECT_FALSE(getAppDataFolder().empty());
    for (long csidl : {0L, 5L, 7L, 26L, 33L, 34L}) {
        std::string f = getFolderIDLocation(csidl);
        EXPECT_FALSE(f.empty()) << csidl;
        EXPECT_NE(f.back(), '\\') << csidl;
        EXPECT_TRUE(base::FolderExists(f)) << f;
    }
}

TEST(SpecialFolders, FillOrderLetsLaterFallBacksReadEarlierGlobals) {
    ScopedSources failing([](FolderSources& s) {
        s.windowsDirectory = Fails;
        s.systemDirectory = Fails;
    });
    FillSpecialFolderGlobals("Windows 98");
    EXPECT_EQ(gb_osName, "Windows 98");
    EXPECT_EQ(gb_windowsFolder, "C:\\WINDOWS");
    EXPECT_EQ(gb_systemFolder, "C:\\WINDOWS\\system");
    EXPECT_EQ(gb_restoreFolder, "C:\\WINDOWS\\system\\Restore");
    EXPECT_FALSE(gb_desktopFolder.empty());
    EXPECT_FALSE(gb_historyFolder.empty());

    COpSysInfo os;
    FillSpecialFolderGlobals(os.Platform());
    EXPECT_EQ(gb_systemFolder, "C:\\WINDOWS\\system32");  // XP family, both sources still failing
}

TEST(SpecialFolders, WindowsAndSystemFallBacksFollowThePlatformName) {
    ScopedSources failing([](FolderSources& s) {
        s.windowsDirectory = Fails;
        s.systemDirectory = Fails;
    });
    std::string oldWindows = gb_windowsFolder;
    gb_windowsFolder = "C:\\WINDOWS";
    struct Row {
        const char* os;
        const char* windows;
        const char* system;
    };
    const Row rows[] = {{"Windows NT", "C:\\WINNT", "C:\\WINDOWS\\system32"},
                        {"Windows 2000", "C:\\WINDOWS", "C:\\WINDOWS\\system32"},
                        {"Windows XP", "C:\\WINDOWS", "C:\\WINDOWS\\system32"},
                        {"Windows 98", "C:\\WINDOWS", "C:\\WINDOWS\\system"},
                        {"Windows Me", "C:\\WINDOWS", "C:\\WINDOWS\\system"},
                        {"", "C:\\WINDOWS", ""}};
    for (const Row& r : rows) {
        OsName os(r.os);
        EXPECT_EQ(getWindowsFolder(), r.windows) << r.os;
        EXPECT_EQ(getSystemFolder(), r.system) << r.os;
    }
    gb_windowsFolder = oldWindows;
}

TEST(SpecialFolders, BufferCuttingAndTrailingBackslashes) {
    ScopedSources sources([](FolderSources& s) {
        s.tempPath = [](DWORD n, char* b) -> DWORD {
            std::strcpy(b, "C:\\TEMP\\");
            return 8;
        };
        s.systemDirectory = Answers("D:\\");
        s.windowsDirectory = Answers(std::string(300, 'w'));  // does not fit the buffer: fall-back
        s.registryText = [](HKEY, const std::string&, const std::string& key, const std::string& d) -> std::string {
            if (key == "AppData") return "C:\\Data\\";
            if (key == "ProgramFilesDir") return "C:\\Programs";
            return d;
        };
    });
    OsName os("Windows XP");
    EXPECT_EQ(ReturnTemporaryFolder(), "C:\\TEMP");
    EXPECT_EQ(getSystemFolder(), "D:");  // a root loses its backslash too
    EXPECT_EQ(getWindowsFolder(), "C:\\WINDOWS");
    EXPECT_EQ(getAppDataFolder(), "C:\\Data");
    EXPECT_EQ(getProgramFilesFolder(), "C:\\Programs");
    EXPECT_EQ(getCommonFilesFolder(), "");
}

TEST(SpecialFolders, ShellRefusalsGiveEmptyTextAndNoLogEntry) {
    testing_support::ScopedProgramFolder pf;
    ScopedSources sources([](FolderSources& s) {
        s.folderPath = [](int csidl, char* b) -> HRESULT {
            if ((csidl & 0xFF) == 34) return E_INVALIDARG;
            if ((csidl & 0xFF) == 33) return S_FALSE;
            std::strcpy(b, "C:\\Given\\");
            return (csidl & CSIDL_FLAG_CREATE) ? S_OK : E_FAIL;  // the create flag is always asked for
        };
        s.tempPath = [](DWORD, char*) -> DWORD { return 0; };
    });
    EXPECT_EQ(CheckFolderID(5), "C:\\Given\\");
    EXPECT_EQ(getFolderIDLocation(5), "C:\\Given");
    EXPECT_EQ(getFolderIDLocation(34), "");
    EXPECT_EQ(getFolderIDLocation(33), "");
    EXPECT_EQ(ReturnTemporaryFolder(), "");
    EXPECT_EQ(core_test::ErrorLogText(), "");
}

TEST(SpecialFolders, ShortNames) {
    testing_support::TempFolder t;
    const std::string longName = t / "a rather long file name.text";
    base::WriteText(longName, "x");
    std::string shortName = getShortNameOfString(longName);
    EXPECT_FALSE(shortName.empty());
    EXPECT_TRUE(base::FileExists(shortName)) << shortName;
    EXPECT_EQ(getShortNameOfString(t / "missing.txt"), "");
}
