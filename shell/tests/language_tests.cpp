#include <gtest/gtest.h>
#include <windows.h>

#include "base/TextFile.h"
#include "base/testing/Testing.h"
#include "core/Globals.h"
#include "core/modLanguage.h"
#include "shell/FormLanguage.h"
#include "ui/Controls.h"
#include "ui/Form.h"

using formLanguage::applyLanguage;
using formLanguage::getFormString;
using modLanguage::getMessage;

namespace {

class LanguageTest : public ::testing::Test {
protected:
    void SetUp() override { gb_languageFile = "Test.ini"; }
    void TearDown() override { gb_languageFile.clear(); }
    void WritePack(const std::string& name, const std::string& text) {
        CreateDirectoryA((folder / "Language").c_str(), nullptr);
        base::WriteText(folder / ("Language\\" + name), text);
    }
    testing_support::ScopedProgramFolder folder;
};

TEST_F(LanguageTest, MessagesComeFromThePackOrTheDefault) {
    WritePack("Test.ini",
              "[Messages]\r\n"
              "1001=Accès refusé\r\n"
              "1002=\r\n"
              "1003=\"   leading blanks\"\r\n"
              "1004=\"trailing blanks  \"\r\n"
              "1005=" +
                  std::string(600, 'x') +
                  "\r\n"
                  "[frmOther]\r\n"
                  "1006=not a message\r\n");
    struct Case {
        const char* id;
        std::string fallback;
        std::string want;
    };
    const Case cases[] = {
        {"1001", "Access Denied", "Accès refusé"},
        {"1002", "Default", ""},  // present but empty: empty, not the default
        {"1003", "Default", "leading blanks"},
        {"1004", "Default", "trailing blanks  "},
        {"1005", "Default", std::string(499, 'x')},
        {"1006", "Only in another section", "Only in another section"},
        {"1999", "Missing id", "Missing id"},
        {"1999", "   default with leading blanks", "default with leading blanks"},
        {"1999", "", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(getMessage(c.id, c.fallback), c.want) << c.id << " / " << c.fallback;
}

TEST_F(LanguageTest, WithoutAPackEveryLookUpGivesItsDefault) {
    EXPECT_EQ(getMessage("1119", "There is already opened instance"), "There is already opened instance");
    gb_languageFile = "Missing.ini";
    CreateDirectoryA((folder / "Language").c_str(), nullptr);
    EXPECT_EQ(getMessage("1113", "Are you sure?"), "Are you sure?");
    ui::Form form("frmOptions");
    EXPECT_EQ(getFormString(form, "1010", "Log files"), "Log files");
}

class frmOptions : public ui::Form {
public:
    frmOptions() : ui::Form("frmOptions") {
        SetCaption("Options");
        lblLogfiles.SetCaption("Log files");
        lblLogfiles.Tag = "1010";
        lblUntagged.SetCaption("Keep me");
        cmdBrowse.SetCaption("Browse");
        cmdBrowse.Tag = "1011";
        txtLogfiles.Tag = "1012";  // a text box has no caption: skipped
        txtLogfiles.SetText("C:\\logs");
    }
    ui::Label lblLogfiles{*this, "lblLogfiles"};
    ui::Label lblUntagged{*this, "lblUntagged"};
    ui::TextBox txtLogfiles{*this, "txtLogfiles"};
    ui::CommandButton cmdBrowse{*this, "cmdBrowse"};
};

TEST_F(LanguageTest, ApplyLanguageRelabelsTaggedControlsAndTheTitle) {
    WritePack("Test.ini",
              "[frmOptions]\r\n"
              "1000=Optionen\r\n"
              "1010=Protokolle\r\n"
              "1011=Durchsuchen\r\n"
              "1012=not for a text box\r\n"
              "lblUntagged=never used\r\n");
    WritePack("Second.ini", "[frmOptions]\r\n1010=Journaux\r\n");
    frmOptions form;
    form.Load();
    applyLanguage(form);  // the form's Tag is empty: its title stays
    EXPECT_EQ(form.Caption(), "Options");
    EXPECT_EQ(form.lblLogfiles.Caption(), "Protokolle");
    EXPECT_EQ(form.cmdBrowse.Caption(), "Durchsuchen");
    EXPECT_EQ(form.lblUntagged.Caption(), "Keep me");
    EXPECT_EQ(form.txtLogfiles.Text(), "C:\\logs");

    form.Tag = "1000";
    applyLanguage(form);
    EXPECT_EQ(form.Caption(), "Optionen");
    EXPECT_EQ(getFormString(form, "1010", "Log files"), "Protokolle");

    // Another pack: what it lacks keeps the previous pack's text.
    gb_languageFile = "Second.ini";
    applyLanguage(form);
    EXPECT_EQ(form.lblLogfiles.Caption(), "Journaux");
    EXPECT_EQ(form.cmdBrowse.Caption(), "Durchsuchen");
    EXPECT_EQ(form.Caption(), "Optionen");
    form.Unload();
}

TEST_F(LanguageTest, SetTopMostKeepsPlaceAndSizeAndDoesNotActivate) {
    ui::Form other("frmOther");
    ui::Form popup("frmPopup");
    popup.SetStartUpPosition(ui::StartUpPosition::Manual);
    popup.Move(1500, 1500, 3000, 1500);
    other.Show();
    popup.Load();
    HWND active = GetActiveWindow();
    formLanguage::setTopMost(popup, true);
    EXPECT_TRUE(GetWindowLongPtrA(popup.hWnd(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_TRUE(popup.Visible());
    EXPECT_EQ(GetActiveWindow(), active);
    formLanguage::setTopMost(popup, false);
    EXPECT_FALSE(GetWindowLongPtrA(popup.hWnd(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(popup.Left(), 1500);
    EXPECT_EQ(popup.Top(), 1500);
    EXPECT_EQ(popup.Width(), 3000);
    EXPECT_EQ(popup.Height(), 1500);
    EXPECT_EQ(GetActiveWindow(), active);
    popup.Unload();
    other.Unload();
}

TEST_F(LanguageTest, TheEnglishPackReadsAsTheProgramsDefaults) {
    CreateDirectoryA((folder / "Language").c_str(), nullptr);
    ASSERT_TRUE(CopyFileA((testing_support::ProgramDir() + "\\Language\\English.ini").c_str(),
                          (folder / "Language\\English.ini").c_str(), FALSE));
    gb_languageFile = "English.ini";
    const std::pair<const char*, const char*> defaults[] = {
        {"1000", "Access denied to delete registry key."},
        {"1001", "Access Denied"},
        {"1046", "Infected folders  found:"},
        {"1061", "Not Found"},
        {"1112", "Your home page set to this site "},
        {"1113", "Are you sure, you want to close the program ,If yes you will lose system guards protection !!"},
        {"1119", "There is already opened instance"},
        {"1129", "Warning: a spyware found running in memory, You should scan your system now. Scan now?"},
        {"1130", "Continue"},
    };
    for (const auto& [id, text] : defaults) {
        EXPECT_EQ(getMessage(id, "<missing>"), text) << id;
    }
    // Every message of the pack is there as written (nothing cut, no stray quotes).
    char section[32768];
    const DWORD n =
        GetPrivateProfileSectionA("Messages", section, sizeof section, (folder / "Language\\English.ini").c_str());
    int keys = 0;
    for (const char* p = section; p < section + n && *p; p += lstrlenA(p) + 1) {
        const std::string entry = p;
        const std::string id = entry.substr(0, entry.find('='));
        const std::string text = getMessage(id, "<missing>");
        EXPECT_NE(text, "<missing>") << id;
        EXPECT_EQ(text.find('"'), std::string::npos) << id;
        ++keys;
    }
    EXPECT_GT(keys, 100);
}

}  // namespace
