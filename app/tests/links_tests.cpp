// The core's links as the program installs them reach the real neighbours.
#include <gtest/gtest.h>

#include <cstring>

#include "app/Links.h"
#include "base/Modal.h"
#include "base/TextFile.h"
#include "base/testing/Testing.h"
#include "core/Globals.h"
#include "core/HostsFile.h"
#include "core/IniFiles.h"
#include "core/Settings.h"
#include "core/SettingsStore.h"
#include "core/SpecialFolders.h"
#include "core/Wiring.h"
#include "core/tests/CoreTestSupport.h"
#include "definitions/DefinitionsStore.h"
#include "definitions/StringCipher.h"
#include "shell/HomePanel.h"
#include "shell/frmAlerts.h"
#include "shell/frmMain.h"
#include "shell/frmMenu.h"
#include "shell/frmOptions.h"
#include "shell/frmPopup.h"
#include "shell/frmScanSpy.h"
#include "shell/frmUpdate.h"

// The links as the program installs them, each reaching its real neighbour.
class LinksTest : public ::testing::Test {
protected:
    void SetUp() override {
        app::InstallLinks();
        modEncryption::LoadEncryption();
    }
    void TearDown() override {
        app::RemoveLinks();
        modEncryption::ReleaseEncryption();
        modDefinitions::SetDefinitionsText("");
        gb_enablePassword = gb_passwordAccepted = false;
        gb_languageFile = "";
    }
    testing_support::ScopedProgramFolder pf;
    core_test::ScopedSettingsRoot store;
};

TEST_F(LinksTest, SettingsLoadUnpacksTheBuiltDefinitionsAndLabelsTheStatusBar) {
    const std::string program = testing_support::ProgramDir();
    ASSERT_TRUE(CopyFileA((program + "\\defs.dat").c_str(), (pf / "defs.dat").c_str(), FALSE)) << program;
    CreateDirectoryA((pf / "Language").c_str(), nullptr);
    base::WriteText(pf / "Language\\Francais.ini", "[Messages]\r\n1010=Langue :\r\n");
    settings::SaveSetting("Language", "Name", "Francais.ini");
    modMain::loadFormMainSettings();
    EXPECT_FALSE(modDefinitions::gb_definitionsText.empty());
    EXPECT_EQ(frmMain.StatusBar1.PanelText(3), "Langue : Francais");
    EXPECT_EQ(core_test::ErrorLogText(), "");
    EXPECT_EQ(settings::GetSetting("Mark", "Checked"), "True");  // written back after the load
}

TEST_F(LinksTest, PasswordStoredByTheCipherIsAccepted) {
    gb_enablePassword = true;
    auto types = [](const char* text) {
        base::modal::Expect("frmEnterPassword", [text](const base::modal::Step&) {
            wiring::PasswordEntry() = text;
            return 1L;
        });
    };
    settings::SaveSetting("ScanSections", "Password", modEncryption::Encrypte("s3cret"));
    types("s3cret");
    EXPECT_TRUE(modMain::checkStartupPassword());

    gb_passwordAccepted = false;
    settings::SaveSetting("ScanSections", "Password", "not hex at all");
    types("s3cret");
    EXPECT_FALSE(modMain::checkStartupPassword());
}

TEST_F(LinksTest, AFailedHostsRewriteEndsTheMainMoviesProgress) {
    testing_support::TempFolder noHosts;
    modMain::FolderSources s = modMain::SystemFolderSources();
    const std::string system = noHosts.path();
    s.systemDirectory = [system](char* b, UINT n) -> UINT {
        std::strcpy(b, system.c_str());
        return static_cast<UINT>(system.size());
    };
    modMain::SetFolderSources(s);
    modMain::readHost();
    const size_t before = frmMain.flash.PlayedClips().size();
    EXPECT_FALSE(modMain::DeleteHostsEntry("", ""));
    modMain::SetFolderSources(modMain::SystemFolderSources());
    ASSERT_EQ(frmMain.flash.PlayedClips().size(), before + 1);
    EXPECT_EQ(frmMain.flash.PlayedClips().back(), "_root.endOFTheProgress");
}

TEST_F(LinksTest, MessagesAndTheOkBoxComeFromTheLanguagePackAndTheSkinnedBox) {
    CreateDirectoryA((pf / "Language").c_str(), nullptr);
    base::WriteText(pf / "Language\\English.ini", "[Messages]\r\n1001=Zugriff verweigert\r\n");
    gb_languageFile = "English.ini";
    EXPECT_EQ(wiring::GetMessage("1001", "Access Denied"), "Zugriff verweigert");
    EXPECT_EQ(wiring::GetMessage("1000", "Access denied to delete registry key."),
              "Access denied to delete registry key.");
    base::modal::Expect("frmMsgBox", 1);
    EXPECT_EQ(wiring::MsgBoxOK("prompt text", "title text"), 1);
    ASSERT_EQ(base::modal::Seen().size(), 1u);
    EXPECT_EQ(base::modal::Seen()[0].text, "prompt text");
    EXPECT_EQ(base::modal::Seen()[0].title, "title text");
    EXPECT_EQ(base::modal::Seen()[0].flags, MB_OK);
}

// New definitions from the update window: the home page's date follows at once, without a visit to
// another page.
TEST_F(LinksTest, InstalledDefinitionsShowTheirDateOnTheHomePageAtOnce) {
    frmMain.Load();
    frmMenu.Load();
    frmMain.flash.SetVariable("_root.LastUpdateOn", "before");
    base::WriteText(pf / "defs.dat", "new definitions");
    ASSERT_TRUE(frmUpdate.OnDefinitionsInstalled) << "nothing is told of new definitions";
    frmUpdate.OnDefinitionsInstalled();
    const std::string shown = frmMain.flash.GetVariable("_root.LastUpdateOn");
    EXPECT_EQ(shown, homePanel::FileDateText(pf / "defs.dat"));
    EXPECT_NE(shown, "????");
    EXPECT_NE(frmMenu.updateFileNumberLabel.Caption().find(shown), std::string::npos);
    frmMenu.Unload();
    frmMain.Unload();
}

// The windows' hooks as the program connects them, each reaching the window it names, and all
// taken out again with the links.
TEST_F(LinksTest, EveryWindowHookReachesTheWindowItNames) {
    const std::string program = testing_support::ProgramDir();
    for (const char* f : {"corvane.scw", "alerts.scw"})
        ASSERT_TRUE(CopyFileA((program + "\\" + f).c_str(), (pf / f).c_str(), FALSE)) << f;
    frmMain.Load();
    frmMain.flash.LoadMovie(0, pf / "corvane.scw");

    // The pop-up's "show alert" opens the alerts page.
    ASSERT_TRUE(frmPopup.ShowAlerts);
    frmPopup.flash_FSCommand("IDC_FS_SHOWALERT", "");
    EXPECT_EQ(frmMain.flash.CurrentFrame(), frmMain::Alerts);
    EXPECT_TRUE(frmAlerts.Loaded());

    // The options window going gives the frame back to the home panel.
    ASSERT_TRUE(frmOptions.ShowHome);
    frmOptions.ShowHome();
    EXPECT_EQ(frmMain.PanelShown(), &frmMenu);
    EXPECT_EQ(frmMain.flash.CurrentFrame(), frmMain::Home);

    // The scanning window holds the main window while a scan runs.
    ASSERT_TRUE(frmScanSpy.MainWindowScanning);
    frmScanSpy.MainWindowScanning(true);
    EXPECT_FALSE(frmMain.Enabled());
    frmScanSpy.MainWindowScanning(false);
    EXPECT_TRUE(frmMain.Enabled());
    EXPECT_TRUE(frmScanSpy.ShowResultsList);
    EXPECT_TRUE(frmUpdate.OnDefinitionsInstalled);

    for (ui::Form* f : std::initializer_list<ui::Form*>{&frmAlerts, &frmMenu, &frmMain})
        if (f->Loaded()) f->Unload();

    app::RemoveLinks();
    EXPECT_FALSE(frmPopup.ShowAlerts);
    EXPECT_FALSE(frmOptions.ShowHome);
    EXPECT_FALSE(frmScanSpy.MainWindowScanning);
    EXPECT_FALSE(frmScanSpy.ShowResultsList);
    EXPECT_FALSE(frmUpdate.OnDefinitionsInstalled);
    app::InstallLinks();  // as the fixture's tear-down expects
}
