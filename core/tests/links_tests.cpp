#include <gtest/gtest.h>

#include "base/Modal.h"
#include "base/testing/Testing.h"
#include "core/DefinitionsLinks.h"
#include "core/Globals.h"
#include "core/IniFiles.h"
#include "core/Settings.h"
#include "core/SettingsStore.h"
#include "core/Wiring.h"
#include "core/tests/CoreTestSupport.h"
#include "definitions/DefinitionsStore.h"
#include "definitions/StringCipher.h"

class LinksTest : public ::testing::Test {
protected:
    void SetUp() override {
        wiring::ConnectDefinitions();
        modEncryption::LoadEncryption();
    }
    void TearDown() override {
        wiring::SetLoadDefinitions({});
        wiring::SetDecrypt({});
        modEncryption::ReleaseEncryption();
        modDefinitions::SetDefinitionsText("");
        gb_enablePassword = gb_passwordAccepted = false;
    }
    testing_support::ScopedProgramFolder pf;
    core_test::ScopedSettingsRoot store;
};

TEST_F(LinksTest, SettingsLoadUnpacksTheBuiltDefinitions) {
    const std::string program = testing_support::ProgramDir();
    ASSERT_TRUE(CopyFileA((program + "\\defs.dat").c_str(), (pf / "defs.dat").c_str(), FALSE)) << program;
    modMain::loadFormMainSettings();
    EXPECT_FALSE(modDefinitions::gb_definitionsText.empty());
    EXPECT_EQ(core_test::ErrorLogText(), "");
    EXPECT_EQ(settings::GetSetting("Mark", "Checked"), "True");  // written back after the load
}

TEST_F(LinksTest, PasswordStoredByTheCipherIsAccepted) {
    gb_enablePassword = true;
    settings::SaveSetting("ScanSections", "Password", modEncryption::Encrypte("s3cret"));
    base::modal::Expect("frmEnterPassword", [](const base::modal::Step&) {
        wiring::PasswordEntry() = "s3cret";
        return 1L;
    });
    EXPECT_TRUE(modMain::checkStartupPassword());

    gb_passwordAccepted = false;
    settings::SaveSetting("ScanSections", "Password", "not hex at all");
    base::modal::Expect("frmEnterPassword", [](const base::modal::Step&) {
        wiring::PasswordEntry() = "s3cret";
        return 1L;
    });
    EXPECT_FALSE(modMain::checkStartupPassword());
}
