// Installed programs on the real Uninstall key, with an uninstaller of our own that the test
// starts and whose run it checks.
#include <gtest/gtest.h>

#include "base/TextFile.h"
#include "base/testing/Testing.h"
#include "guards/InstalledPrograms.h"
#include "guards/Places.h"

namespace {

std::string HelperPath() {
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string s = self;
    return s.substr(0, s.rfind('\\')) + "\\guards_test_uninstaller.exe";
}

class UninstallKey : public ::testing::Test {
protected:
    void SetUp() override { stem_ = testing_support::UniqueName("CorvaneProgram"); }
    void TearDown() override {
        for (const auto& k : made_) guards::DeleteKeyTree(HKEY_LOCAL_MACHINE, guards::kUninstallKey + k);
    }
    std::string Plant(const std::string& suffix) {
        made_.push_back(stem_ + suffix);
        return stem_ + suffix;
    }
    void Set(const std::string& key, const char* name, DWORD type, const std::string& text) {
        ASSERT_TRUE(guards::WriteRawValue(HKEY_LOCAL_MACHINE, guards::kUninstallKey + key, name, {type, text + '\0'}));
    }
    std::string stem_;
    std::vector<std::string> made_;
};

TEST_F(UninstallKey, OnlyProgramsWithADisplayNameAreListedAndInfoSaysWhatIsMissing) {
    std::string a = Plant("A"), b = Plant("B"), none = Plant("None"), empty = Plant("Empty"), number = Plant("Number");
    Set(a, "DisplayName", REG_SZ, "Same Name");
    Set(a, "Publisher", REG_SZ, "Makers");
    Set(b, "DisplayName", REG_EXPAND_SZ, "Same Name");
    Set(b, "DisplayVersion", REG_SZ, "2.1");
    Set(none, "Publisher", REG_SZ, "x");
    Set(empty, "DisplayName", REG_SZ, "");
    ASSERT_TRUE(guards::WriteRawValue(HKEY_LOCAL_MACHINE, guards::kUninstallKey + number, "DisplayName",
                                      {REG_DWORD, std::string("\x01\0\0\0", 4)}));
    auto list = guards::LoadInstalledPrograms();
    int ours = 0;
    for (const auto& p : list)
        if (p.key.rfind(stem_, 0) == 0) {
            ++ours;
            EXPECT_TRUE(p.key == a || p.key == b) << p.key;
            EXPECT_EQ(p.displayName, "Same Name");
        }
    EXPECT_EQ(ours, 2);
    auto infoA = guards::GetProgramInfo({"Same Name", a});
    EXPECT_EQ(infoA.publisher, "Makers");  // shown although the version is missing
    EXPECT_EQ(infoA.version, "NOT FOUND");
    auto infoB = guards::GetProgramInfo({"Same Name", b});
    EXPECT_EQ(infoB.publisher, "NOT FOUND");
    EXPECT_EQ(infoB.version, "2.1");
}

TEST_F(UninstallKey, TheRealUninstallerRunsWithItsExpandedCommand) {
    testing_support::TempFolder temp;
    ASSERT_TRUE(CopyFileA(HelperPath().c_str(), (temp / "uninst.exe").c_str(), FALSE));
    SetEnvironmentVariableA("CORVANE_UNINSTALL_DIR", temp.path().c_str());
    std::string key = Plant("Real");
    Set(key, "DisplayName", REG_SZ, "Planted Program");
    Set(key, "UninstallString", REG_EXPAND_SZ,
        "\"%CORVANE_UNINSTALL_DIR%\\uninst.exe\" \"%CORVANE_UNINSTALL_DIR%\\ran.txt\" /remove");
    EXPECT_EQ(guards::UninstallCommand(key),
              "\"" + temp.path() + "\\uninst.exe\" \"" + temp.path() + "\\ran.txt\" /remove");
    auto started = guards::StartUninstall(key);
    ASSERT_TRUE(started.started) << started.error;
    // The uninstaller runs on its own: what it was given is in its file once it wrote its last word.
    std::string marker = temp / "ran.txt", written;
    for (const DWORD start = GetTickCount(); GetTickCount() - start < 60000; Sleep(50)) {
        try {
            written = base::FileExists(marker) ? base::ReadWhole(marker) : "";
        } catch (...) {
            written.clear();  // still held open by the uninstaller
        }
        if (written.find("/remove") != std::string::npos) break;
    }
    ASSERT_TRUE(base::FileExists(marker)) << "the uninstaller did not run";
    EXPECT_NE(written.find("/remove"), std::string::npos) << written;
    SetEnvironmentVariableA("CORVANE_UNINSTALL_DIR", nullptr);
}

TEST_F(UninstallKey, NothingToStartIsReportedNotSwallowed) {
    std::string noCommand = Plant("NoCommand"), broken = Plant("Broken");
    Set(noCommand, "DisplayName", REG_SZ, "No Command");
    Set(broken, "DisplayName", REG_SZ, "Broken");
    Set(broken, "UninstallString", REG_SZ, "C:\\no\\such\\uninstaller.exe /x");
    auto a = guards::StartUninstall(noCommand);
    EXPECT_FALSE(a.started);
    EXPECT_FALSE(a.error.empty());
    auto b = guards::StartUninstall(broken);
    EXPECT_FALSE(b.started);
    EXPECT_FALSE(b.error.empty());
}

}  // namespace
