#include <gtest/gtest.h>

#include <algorithm>

#include "base/TextFile.h"
#include "base/testing/Testing.h"
#include "core/CRegister.h"
#include "core/Globals.h"
#include "core/Process.h"
#include "core/Removal.h"
#include "core/SpecialFolders.h"
#include "core/tests/CoreTestSupport.h"

using namespace modMain;
using core_test::RunningHelper;
using core_test::ScopedEnv;
using testing_support::TempFolder;

namespace {

const char* const kSessionManager = "System\\CurrentControlSet\\Control\\Session Manager";

std::string Upper(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return s;
}

// The restart operations the system holds, put back as they were when the test ends.
class PendingRenames {
public:
    PendingRenames() { had_ = Read(type_, bytes_); }
    ~PendingRenames() {
        base::RegKey k;
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_SET_VALUE, k.put());
        if (had_)
            RegSetValueExA(k.get(), "PendingFileRenameOperations", 0, type_,
                           reinterpret_cast<const BYTE*>(bytes_.data()), static_cast<DWORD>(bytes_.size()));
        else
            RegDeleteValueA(k.get(), "PendingFileRenameOperations");
    }
    // The (source, target) pairs added since the test began.
    std::vector<std::pair<std::string, std::string>> Added() const {
        DWORD type = 0;
        std::string now;
        Read(type, now);
        auto all = Pairs(now);
        const size_t before = Pairs(bytes_).size();
        return {all.begin() + std::min(before, all.size()), all.end()};
    }

private:
    // Source and target strings alternate; the list may or may not end in an extra NUL.
    static std::vector<std::pair<std::string, std::string>> Pairs(const std::string& bytes) {
        std::vector<std::string> parts;
        size_t from = 0;
        for (size_t at = bytes.find('\0'); at != std::string::npos; at = bytes.find('\0', from)) {
            parts.push_back(bytes.substr(from, at - from));
            from = at + 1;
        }
        parts.push_back(bytes.substr(from));
        std::vector<std::pair<std::string, std::string>> pairs;
        for (size_t i = 0; i + 1 < parts.size(); i += 2) {
            if (parts[i].empty()) break;
            pairs.push_back({parts[i], parts[i + 1]});
        }
        return pairs;
    }
    static bool Read(DWORD& type, std::string& bytes) {
        base::RegKey k;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_QUERY_VALUE, k.put()) != ERROR_SUCCESS)
            return false;
        DWORD size = 0;
        if (RegQueryValueExA(k.get(), "PendingFileRenameOperations", nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
            return false;
        bytes.assign(size, '\0');
        RegQueryValueExA(k.get(), "PendingFileRenameOperations", nullptr, &type, reinterpret_cast<BYTE*>(bytes.data()),
                         &size);
        bytes.resize(size);
        return true;
    }
    bool had_ = false;
    DWORD type_ = REG_MULTI_SZ;
    std::string bytes_;
};

// A file held open without delete sharing: it cannot go until the handle closes.
class HeldFile {
public:
    explicit HeldFile(const std::string& path) {
        base::WriteText(path, "locked");
        h_.reset(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    }
    void Release() { h_.reset(); }

private:
    base::FileHandle h_;
};

class RemovalTest : public ::testing::Test {
protected:
    void SetUp() override {
        oldOs = gb_osName;
        gb_osName = "Windows XP";
        gb_removalFailed = false;
        gb_deleteAfterReboot = true;
        SetUnregisterLauncher([this](const std::string& cmd) { launched.push_back(cmd); });
    }
    void TearDown() override {
        gb_osName = oldOs;
        gb_removalFailed = false;
        gb_deleteAfterReboot = false;
        SetUnregisterLauncher({});
    }
    std::string Log() { return core_test::ErrorLogText(); }

    testing_support::ScopedProgramFolder pf;
    TempFolder t;
    std::string windows = t / "WINDOWS";  // %WinDir% of the 95 family
    bool madeWindows = CreateDirectoryA(windows.c_str(), nullptr) != FALSE;
    ScopedEnv winDir{"WinDir", windows};
    PendingRenames pending;
    std::vector<std::string> launched;
    std::string oldOs;
};

}  // namespace

TEST_F(RemovalTest, ACleanFolderGoesAndNothingIsScheduled) {
    const std::string folder = t / "spy";
    CreateDirectoryA(folder.c_str(), nullptr);
    CreateDirectoryA((folder + "\\sub").c_str(), nullptr);
    base::WriteText(folder + "\\sub\\ro.dat", "x");
    SetFileAttributesA((folder + "\\sub\\ro.dat").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    EXPECT_TRUE(deleteSpyFolder(folder));
    EXPECT_FALSE(base::FolderExists(folder));
    EXPECT_TRUE(pending.Added().empty());
    EXPECT_FALSE(base::FileExists(windows + "\\WinInit.ini"));
    EXPECT_FALSE(gb_removalFailed);
    EXPECT_TRUE(deleteSpyFolder(t / "never-there"));  // already gone: nothing failed
    EXPECT_FALSE(gb_removalFailed);
    EXPECT_EQ(Log(), "");
}

TEST_F(RemovalTest, ASurvivingFolderWithoutTheRebootOptionSchedulesNothing) {
    gb_deleteAfterReboot = false;
    const std::string folder = t / "stubborn";
    CreateDirectoryA(folder.c_str(), nullptr);
    HeldFile held(folder + "\\held.bin");
    base::WriteText(folder + "\\loose.txt", "x");
    EXPECT_FALSE(deleteSpyFolder(folder));
    EXPECT_FALSE(base::FileExists(folder + "\\loose.txt"));  // what could go, went
    EXPECT_TRUE(pending.Added().empty());
    EXPECT_TRUE(gb_removalFailed);
    EXPECT_EQ(core_test::CountOccurrences(Log(), "Method: deleteSpyFolder, spyFolderName: " + folder), 1) << Log();
}

TEST_F(RemovalTest, ASurvivingFolderIsEmptiedAtRestartOnTheNtFamily) {
    const std::string folder = t / "stubborn";
    CreateDirectoryA(folder.c_str(), nullptr);
    HeldFile held(folder + "\\held.bin");
    EXPECT_FALSE(deleteSpyFolder(folder));
    auto added = pending.Added();
    ASSERT_EQ(added.size(), 2u);
    // The file first, then the folder it leaves empty; both deleted, not moved.
    EXPECT_EQ(Upper(added[0].first), Upper("\\??\\" + folder + "\\held.bin"));
    EXPECT_EQ(Upper(added[1].first), Upper("\\??\\" + folder));
    EXPECT_EQ(added[0].second + added[1].second, "");
}

TEST_F(RemovalTest, ASurvivingFolderGoesToWinInitOnWindows98) {
    gb_osName = "Windows 98";
    const std::string folder = t / "stubborn";
    CreateDirectoryA(folder.c_str(), nullptr);
    HeldFile held(folder + "\\held.bin");
    const std::string shortFile = getShortNameOfString(folder + "\\held.bin"),
                      shortFolder = getShortNameOfString(folder);
    EXPECT_FALSE(deleteSpyFolder(folder));
    EXPECT_EQ(base::ReadWhole(windows + "\\WinInit.ini"),
              "[Rename]\r\nNUL=" + shortFile + "\r\n" + "DIRNUL=" + shortFolder + "\r\n");
    EXPECT_TRUE(pending.Added().empty());
}

TEST_F(RemovalTest, FilesGoAtOnceAndLibrariesAreUnregisteredFirst) {
    struct Row {
        const char* name;
        bool library;
    };
    for (Row r : {Row{"plain.txt", false}, Row{"x.DLL", true}, Row{"y.ocx", true}, Row{"foodll", false},
                  Row{"z.dll.txt", false}}) {
        launched.clear();
        const std::string f = t / r.name;
        base::WriteText(f, "x");
        SetFileAttributesA(f.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM);
        EXPECT_TRUE(deleteSpyCFType(f)) << r.name;
        EXPECT_FALSE(base::FileExists(f)) << r.name;
        if (r.library)
            EXPECT_EQ(launched, std::vector<std::string>{"regsvr32.exe /U /s \"" + f + "\""}) << r.name;
        else
            EXPECT_TRUE(launched.empty()) << r.name;
    }
    EXPECT_TRUE(pending.Added().empty());
    EXPECT_FALSE(gb_removalFailed);
}

TEST_F(RemovalTest, ALockedFileIsDeletedAtRestartNotMovedAside) {
    const std::string f = t / "held file.bin";
    HeldFile held(f);
    const std::string shortPath = getShortNameOfString(f);
    EXPECT_FALSE(deleteSpyCFType(f));
    auto added = pending.Added();
    ASSERT_EQ(added.size(), 1u);
    EXPECT_EQ(Upper(added[0].first), Upper("\\??\\" + shortPath));
    EXPECT_EQ(added[0].second, "");  // no "2.txt" in the temporary folder
    EXPECT_TRUE(gb_removalFailed);
    EXPECT_NE(Log().find("Method: deleteSpyCFType, Spy Folder or File Name: " + f), std::string::npos) << Log();
}

TEST_F(RemovalTest, ALockedFileGoesToWinInitOnWindows98) {
    gb_osName = "Windows 98";
    const std::string f = t / "held.bin";
    HeldFile held(f);
    // An existing WinInit.ini without a final line break, longer than 32,768 characters.
    std::string existing = "[Rename]\r\n";
    while (existing.size() < 40000) existing += "NUL=C:\\OLD\\FILE" + std::to_string(existing.size()) + ".TMP\r\n";
    existing += "NUL=C:\\LAST.TMP";
    base::WriteText(windows + "\\WinInit.ini", existing);
    EXPECT_FALSE(deleteSpyCFType(f));
    EXPECT_EQ(base::ReadWhole(windows + "\\WinInit.ini"), existing + "\r\nNUL=" + getShortNameOfString(f) + "\r\n");
    EXPECT_TRUE(pending.Added().empty());
}

TEST_F(RemovalTest, DestroyOnRebootCreatesOrCompletesWinInit) {
    const std::string f = t / "x.bin";
    base::WriteText(f, "x");
    const std::string entry = "NUL=" + getShortNameOfString(f) + "\r\n";
    DestroyOnReboot(f);
    EXPECT_EQ(base::ReadWhole(windows + "\\WinInit.ini"), "[Rename]\r\n" + entry);
    DestroyOnReboot(f);
    EXPECT_EQ(base::ReadWhole(windows + "\\WinInit.ini"), "[Rename]\r\n" + entry + entry);
    // An empty file, or one without the section, gains the section first.
    base::WriteText(windows + "\\WinInit.ini", "");
    DestroyOnReboot(f);
    EXPECT_EQ(base::ReadWhole(windows + "\\WinInit.ini"), "[Rename]\r\n" + entry);
    base::WriteText(windows + "\\WinInit.ini", "[Other]\r\na=b");
    DestroyOnReboot(f);
    EXPECT_EQ(base::ReadWhole(windows + "\\WinInit.ini"), "[Other]\r\na=b\r\n[Rename]\r\n" + entry);
}

TEST_F(RemovalTest, OnlyTheProcessRunningThatVeryFileIsEnded) {
    const std::string name = testing_support::UniqueName("corvspy_") + ".exe";
    CreateDirectoryA((t / "a").c_str(), nullptr);
    CreateDirectoryA((t / "b").c_str(), nullptr);
    const std::string spy = t / ("a\\" + name), namesake = t / ("b\\" + name);
    ASSERT_TRUE(CopyFileA(core_test::HelperExe().c_str(), spy.c_str(), FALSE));
    ASSERT_TRUE(CopyFileA(core_test::HelperExe().c_str(), namesake.c_str(), FALSE));
    RunningHelper other(namesake);  // started first, so a look-up by name alone would find it first
    RunningHelper running(spy);
    ASSERT_NE(running.pid(), 0u);
    ASSERT_NE(other.pid(), 0u);
    EXPECT_TRUE(deleteSpyCFType(spy));
    EXPECT_TRUE(running.WaitEnded(5000));
    EXPECT_FALSE(base::FileExists(spy));
    EXPECT_FALSE(other.WaitEnded(0)) << "a process that merely shares the file name was ended";
    EXPECT_TRUE(pending.Added().empty());
}

TEST_F(RemovalTest, OpenItStartsAProgramWithoutStrayArguments) {
    const std::string name = testing_support::UniqueName("corvopen_") + ".exe";
    const std::string exe = t / name;
    ASSERT_TRUE(CopyFileA(core_test::HelperExe().c_str(), exe.c_str(), FALSE));
    OpenIt(exe);
    ASSERT_TRUE(core_test::WaitForFile(exe + ".args", 10000));
    DWORD pid = Process::GetProcessID(name, true);
    if (pid) {
        base::Handle h(OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid));
        Process::EndProcess(pid);
        if (h) WaitForSingleObject(h.get(), 5000);
    }
    std::vector<std::string> lines = base::ReadLines(exe + ".args");
    ASSERT_GE(lines.size(), 2u);
    const std::string cmd = lines[0];
    EXPECT_NE(cmd.find(name), std::string::npos) << cmd;
    EXPECT_TRUE(cmd.size() < 2 || cmd.substr(cmd.size() - 2) != " 0") << cmd;
    EXPECT_NE(lines[1], "0");
    EXPECT_EQ(Log(), "");
    OpenIt(t / "does-not-exist.exe");
    EXPECT_EQ(core_test::CountOccurrences(Log(), "Method: OpenIt"), 1);
}

TEST_F(RemovalTest, AutostartValueIsWrittenAndDeleted) {
    CRegister reg;
    const std::string absent =
        "\x01"
        "absent";
    const std::string old = reg.REGGetSetting(HKEY_CURRENT_USER, kRunKey, kRunValue, absent);
    DoStartUpSpyware("\"C:\\Corvane\\Corvane.exe\" /STARTUP");
    const std::string written = reg.REGGetSetting(HKEY_CURRENT_USER, kRunKey, kRunValue, absent);
    DoNotStartUpSpyware();
    const std::string after = reg.REGGetSetting(HKEY_CURRENT_USER, kRunKey, kRunValue, absent);
    if (old != absent) reg.REGSaveSetting(HKEY_CURRENT_USER, kRunKey, kRunValue, old);
    EXPECT_EQ(written, "\"C:\\Corvane\\Corvane.exe\" /STARTUP");
    EXPECT_EQ(after, absent);
}
