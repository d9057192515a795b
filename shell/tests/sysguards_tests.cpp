// The System Guards window and its dialogs driven through their movies' commands, over the
// real HKCU Run key and the helper-object files of the prefix (put back afterwards).
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <optional>

#include "base/Modal.h"
#include "base/TextFile.h"
#include "base/testing/Testing.h"
#include "core/Globals.h"
#include "core/IniFiles.h"
#include "core/SettingsStore.h"
#include "core/tests/CoreTestSupport.h"
#include "guards/Bho.h"
#include "guards/GuardSwitches.h"
#include "guards/Places.h"
#include "shell/CommonDialog.h"
#include "shell/frmAddTask.h"
#include "shell/frmLoad.h"
#include "shell/frmMain.h"
#include "shell/frmMsgBox.h"
#include "shell/frmSave.h"
#include "shell/frmSysGuards.h"
#include "shell/frminfo.h"

namespace {

using base::modal::Step;

const char kRun[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

struct FakeGuard : guards::GuardControl {
    bool running = false;
    int starts = 0, stops = 0;
    bool Start() override {
        ++starts;
        return running = true;
    }
    void Stop() override {
        ++stops;
        running = false;
    }
    bool Running() const override { return running; }
};

class SysGuardsWindow : public ::testing::Test {
protected:
    void SetUp() override {
        CreateDirectoryA((folder / "Skin").c_str(), nullptr);
        const std::string from = testing_support::ProgramDir();
        for (const char* f : {"alerts.scw", "SysGuards.scw", "popup.scw", "ProgInfo.scw", "Skin\\Corvane.skn"})
            ASSERT_TRUE(CopyFileA((from + "\\" + f).c_str(), (folder / f).c_str(), FALSE)) << f;
        run_ = guards::SnapshotKeyTree(HKEY_CURRENT_USER, kRun);
        for (auto* f : {&startupFile_, &bhoFile_, &removedFile_}) {
            if (base::FileExists(f->first)) f->second = base::ReadWhole(f->first);
        }
        stem_ = testing_support::UniqueName("CorvaneWindow");
        for (int i = 0; i < 4; ++i) guards::SwitchOf(static_cast<guards::GuardKind>(i)).Connect(&fakes_[i]);
        gb_startupGuard = gb_ieFavoriteGuard = gb_ieHijackGuard = gb_bhoGuard = gb_ieDefaultPageGuard = false;
        frmMain.Load();
    }
    void TearDown() override {
        frmAddTask.Unload();
        frmSave.Unload();
        frmLoad.Unload();
        frmSysGuards.Unload();
        frmMsgBox.Unload();
        frminfo.Unload();
        frmMain.Unload();
        gb_languageFile.clear();
        for (int i = 0; i < 4; ++i) guards::SwitchOf(static_cast<guards::GuardKind>(i)).Connect(nullptr);
        guards::DeleteKeyTree(HKEY_CURRENT_USER, kRun);
        if (run_) guards::RestoreKeyTree(HKEY_CURRENT_USER, kRun, *run_);
        for (const auto& key : plantedKeys_) guards::DeleteKeyTree(key.first, key.second);
        for (auto* f : {&startupFile_, &bhoFile_, &removedFile_}) {
            if (f->second)
                base::WriteText(f->first, *f->second);
            else
                DeleteFileA(f->first.c_str());
        }
    }
    long Row(const std::string& name) const {
        const auto& rows = frmSysGuards.startupItems.Rows();
        for (size_t i = 0; i < rows.size(); ++i)
            if (rows[i].item.name == name) return static_cast<long>(i);
        return -1;
    }
    static void Send(const std::string& command, const std::string& args = {}) {
        frmSysGuards.flash.InjectCommand(command, args);
    }
    // The next skinned message box is answered OK; its text goes into `shown`.
    static void ExpectMessage(std::string& shown) {
        base::modal::Expect("frmMsgBox", [&shown](const Step& s) -> long {
            shown = s.text;
            return 1;
        });
    }
    // Opens the add dialog, fills it with `fill`, presses Add (which refuses) and cancels; the
    // message Add showed.
    static std::string RefusedAdd(const std::function<void()>& fill) {
        std::string shown;
        base::modal::Expect("frmAddTask", [&](const Step&) -> long {
            fill();
            ExpectMessage(shown);
            frmAddTask.flash.InjectCommand("IDC_FS_ADD");
            frmAddTask.flash.InjectCommand("IDC_FS_CANCEL");
            return 0;
        });
        Send("IDC_FS_STARTUP_ADDSTARTUP");
        return shown;
    }
    // A program of the Uninstall key with the given string values; taken away afterwards.
    void PlantProgram(const std::vector<std::pair<std::string, std::string>>& values) {
        const std::string key = std::string(guards::kUninstallKey) + stem_;
        plantedKeys_.push_back({HKEY_LOCAL_MACHINE, key});
        for (const auto& [name, text] : values)
            ASSERT_TRUE(guards::WriteRawValue(HKEY_LOCAL_MACHINE, key, name, {REG_SZ, text + '\0'}));
    }
    long ProgramRow() const {
        for (size_t i = 0; i < frmSysGuards.addRemove.size(); ++i)
            if (frmSysGuards.addRemove[i].key == stem_) return static_cast<long>(i);
        return -1;
    }

    testing_support::ScopedProgramFolder folder;
    core_test::ScopedSettingsRoot settingsRoot_;
    std::optional<std::string> run_;
    std::pair<std::string, std::optional<std::string>> startupFile_{guards::StartupDisabledFile(), {}},
        bhoFile_{guards::BhoDisabledFile(), {}}, removedFile_{guards::BhoRemovedFile(), {}};
    std::vector<std::pair<HKEY, std::string>> plantedKeys_;
    std::string stem_;
    FakeGuard fakes_[4];
};

TEST_F(SysGuardsWindow, TheStartupPageListsDisablesAndEnablesThroughItsCommands) {
    ASSERT_TRUE(guards::WriteRawValue(HKEY_CURRENT_USER, kRun, stem_, {REG_SZ, std::string("C:\\a.exe /x\0", 12)}));
    frmSysGuards.Load();
    const long row = Row(stem_);
    ASSERT_GE(row, 0);
    EXPECT_NE(frmSysGuards.flash.GetVariable("_root.SAGString")
                  .find(stem_ + "|Enabled|Registry(User Run)|Current User|Current User logs On|C:\\a.exe /x|"),
              std::string::npos);
    frmSysGuards.ShowTab(1);
    // Until "Edit Startup Items" is ticked the page shows the caution, no list and no buttons.
    EXPECT_TRUE(frmSysGuards.flash.ListRowTexts("SAG").empty());
    EXPECT_FALSE(frmSysGuards.flash.ClickButton("IDC_FS_STARTUP_APPLY"));
    frmSysGuards.flash.SetVariable("_root.EditStartupItems", "1");
    EXPECT_TRUE(frmSysGuards.flash.ClickButton("IDC_FS_EDITSTARTUPITEMS"));
    EXPECT_TRUE(frmSysGuards.chkStartupManual);
    EXPECT_EQ(frmSysGuards.flash.ListRowTexts("SAG").size(), frmSysGuards.startupItems.Rows().size());
    Send("IDC_FS_STARTUP_ENABLEDISABLE", "x");  // not a row: nothing
    EXPECT_EQ(frmSysGuards.startupItems.Rows()[row].item.state, "Enabled");
    Send("IDC_FS_STARTUP_SELECT", std::to_string(row));
    Send("IDC_FS_STARTUP_ENABLEDISABLE", "@selected");
    EXPECT_EQ(frmSysGuards.startupItems.Rows()[row].item.state, "Disabled");
    EXPECT_EQ(frmSysGuards.flash.GetVariable("_root.startupToggleCaption"), "Enabled");
    Send("IDC_FS_STARTUP_APPLY");
    EXPECT_FALSE(guards::ReadRawValue(HKEY_CURRENT_USER, kRun, stem_));

    frmSysGuards.Unload();  // the next opening lists it as disabled
    frmSysGuards.Load();
    const long again = Row(stem_);
    ASSERT_GE(again, 0);
    EXPECT_EQ(frmSysGuards.startupItems.Rows()[again].item.state, "Disabled");
    Send("IDC_FS_STARTUP_ENABLEDISABLE", std::to_string(again) + ".0");
    Send("IDC_FS_STARTUP_APPLY");
    auto back = guards::ReadRawValue(HKEY_CURRENT_USER, kRun, stem_);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->data, std::string("C:\\a.exe /x\0", 12));
}

TEST_F(SysGuardsWindow, EachGuardSwitchStartsAndStopsItsGuard) {
    gb_ieFavoriteGuard = true;
    frmSysGuards.Load();
    EXPECT_EQ(fakes_[static_cast<int>(guards::GuardKind::IEFavorites)].starts, 1);
    EXPECT_EQ(frmSysGuards.flash.GetVariable("_root.GS_IEFavoriteGuard"), "Enabled");
    struct Case {
        const char* command;
        const char* variable;
        guards::GuardKind kind;
    } cases[] = {{"IDC_FS_ENABLESTARTUPGUARD", "_root.EnableStartupGuard", guards::GuardKind::Startup},
                 {"IDC_FS_IEFAVORITESGUARD", "_root.IEFavoritesGuard", guards::GuardKind::IEFavorites},
                 {"IDC_FS_IEHIJACKGUARD", "_root.IEHijackGuard", guards::GuardKind::IEHijack},
                 {"IDC_FS_BHOGUARD", "_root.BHOGuard", guards::GuardKind::BHO}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        FakeGuard& g = fakes_[static_cast<int>(c.kind)];
        const int starts = g.starts;
        frmSysGuards.flash.SetVariable(c.variable, "-1");
        Send(c.command);
        EXPECT_TRUE(g.running);
        Send(c.command);  // the same value again: no second start
        EXPECT_EQ(g.starts, starts + (starts ? 0 : 1));
        frmSysGuards.flash.SetVariable(c.variable, "0");
        Send(c.command);
        EXPECT_FALSE(g.running);
        EXPECT_EQ(frmSysGuards.flash.GetVariable(c.variable), "0");
        frmSysGuards.flash.SetVariable(c.variable, "1");  // the face's check box says "1"
        Send(c.command);
        EXPECT_TRUE(g.running);
    }
}

TEST_F(SysGuardsWindow, TheProtectedHomePageIsTheAddressTypedInTheMovie) {
    gb_ieHijackGuard = true;
    frmSysGuards.Load();
    frmSysGuards.flash.SetVariable("_root.IEHomePageGuard", "-1");
    Send("IDC_FS_IEHOMEPAGEGUARD");
    EXPECT_TRUE(gb_ieDefaultPageGuard);
    frmSysGuards.flash.SetVariable("_root.textOFRadioButton", "http://home.example/");
    std::string shown;
    ExpectMessage(shown);
    Send("IDC_FS_SAVEHOMEPAGE");
    EXPECT_EQ(shown, "Your home page set to this site\r\nhttp://home.example/");
    EXPECT_EQ(guards::ReadIniKey(folder / "Hjlst.qvl", "IE", "StartPage"), "http://home.example/");
    EXPECT_EQ(gb_ieDefaultHomePage, "http://home.example/");
    // Without the hijack guard the home-page guard goes off with it.
    frmSysGuards.flash.SetVariable("_root.IEHijackGuard", "0");
    Send("IDC_FS_IEHIJACKGUARD");
    EXPECT_FALSE(gb_ieDefaultPageGuard);
    frmSysGuards.flash.SetVariable("_root.AddItToAlertSection", "-1");
    Send("IDC_FS_ADDITTOALERTSECTION");
    EXPECT_FALSE(gb_ieRestoreHomePageAutomatic);
    frmSysGuards.flash.SetVariable("_root.AddItToAlertSection", "0");
    Send("IDC_FS_ADDITTOALERTSECTION");
    EXPECT_TRUE(gb_ieRestoreHomePageAutomatic);
}

// The page opened again shows what was added since: the lists are read at every opening.
TEST_F(SysGuardsWindow, OpeningThePageAgainListsWhatWasAddedMeanwhile) {
    frmMain.flash_FSCommand("IDC_FS_SYSGUARD", "");
    ASSERT_TRUE(frmSysGuards.Loaded());
    ASSERT_LT(Row(stem_), 0);
    const std::string clsid = "{C0A7B3E1-5D2F-4A6B-9C8D-7E5700000023}";
    const std::string bhoKey = std::string(guards::kBhoKey) + "\\" + clsid;
    plantedKeys_.push_back({HKEY_LOCAL_MACHINE, bhoKey});
    ASSERT_TRUE(guards::WriteRawValue(HKEY_CURRENT_USER, kRun, stem_, {REG_SZ, std::string("C:\\late.exe\0", 13)}));
    ASSERT_TRUE(guards::WriteRawValue(HKEY_LOCAL_MACHINE, bhoKey, "", {REG_SZ, std::string("Late Helper") + '\0'}));
    frmMain.flash_FSCommand("IDC_FS_SYSGUARD", "");
    EXPECT_GE(Row(stem_), 0);
    EXPECT_NE(frmSysGuards.flash.GetVariable("_root.SAGString").find(stem_ + "|Enabled|"), std::string::npos);
    EXPECT_NE(frmSysGuards.flash.GetVariable("_root.BHOString").find(clsid), std::string::npos);
}

// Ticked mid-session, the home-page guard protects the page the window shows, and the setting is
// kept at once.
TEST_F(SysGuardsWindow, TheHomePageGuardTickedLaterProtectsThePageShownAndIsKeptAtOnce) {
    gb_ieHijackGuard = true;
    gb_ieDefaultHomePage = "http://protected.example/";
    base::WriteText(folder / "Hjlst.qvl", "[IE]\r\nStartPage=http://seen-at-start.example/\r\n");
    frmSysGuards.Load();
    ASSERT_TRUE(guards::SwitchOf(guards::GuardKind::IEHijack).Running());
    EXPECT_EQ(frmSysGuards.flash.GetVariable("_root.textOFRadioButton"), "http://protected.example/");
    frmSysGuards.flash.SetVariable("_root.IEHomePageGuard", "-1");
    Send("IDC_FS_IEHOMEPAGEGUARD");
    EXPECT_TRUE(gb_ieDefaultPageGuard);
    EXPECT_EQ(frmSysGuards.flash.GetVariable("_root.GS_IEHomePageGuard"), "Enabled");
    EXPECT_EQ(guards::ReadIniKey(folder / "Hjlst.qvl", "IE", "StartPage"), "http://protected.example/");
    EXPECT_EQ(settings::GetSetting("SystemGuard", "IEDefaultPageGuard"), "True");
    frmSysGuards.flash.SetVariable("_root.AddItToAlertSection", "-1");
    Send("IDC_FS_ADDITTOALERTSECTION");
    EXPECT_EQ(settings::GetSetting("SystemGuard", "IERestoreHomePageAutomatic"), "False");
    frmSysGuards.flash.SetVariable("_root.IEHomePageGuard", "0");
    Send("IDC_FS_IEHOMEPAGEGUARD");
    EXPECT_FALSE(gb_ieDefaultPageGuard);
    EXPECT_EQ(settings::GetSetting("SystemGuard", "IEDefaultPageGuard"), "False");
    // Ticked while the hijack guard does not run, it says it protects nothing.
    fakes_[static_cast<int>(guards::GuardKind::IEHijack)].running = false;
    frmSysGuards.flash.SetVariable("_root.IEHomePageGuard", "-1");
    Send("IDC_FS_IEHOMEPAGEGUARD");
    EXPECT_EQ(frmSysGuards.flash.GetVariable("_root.GS_IEHomePageGuard"), "Disabled");
}

TEST_F(SysGuardsWindow, TheAddDialogAddsOneRowForEachLocation) {
    frmSysGuards.Load();
    const auto& locations = modMain::StartupLocationDefaults();
    for (const char* location : locations) {
        SCOPED_TRACE(location);
        const size_t before = frmSysGuards.startupItems.Rows().size();
        base::modal::Expect("frmAddTask", [&](const Step&) -> long {
            base::modal::Expect("CommonDialog", 1);
            CommonDialog::SetScriptedFileName("C:\\Program Files\\Tool\\tool.exe");
            frmAddTask.flash.InjectCommand("IDC_FS_BROWSE");
            frmAddTask.flash.SetVariable("_root.taskname", "My Tool");
            frmAddTask.flash.InjectCommand("idc_fs_add", location);
            return 0;
        });
        Send("IDC_FS_STARTUP_ADDSTARTUP");
        ASSERT_EQ(frmSysGuards.startupItems.Rows().size(), before + 1);
        const auto& row = frmSysGuards.startupItems.Rows().back().item;
        const std::string loc = location;
        EXPECT_EQ(row.name, loc.rfind("Win.ini", 0) == 0 ? loc : "My Tool");
        EXPECT_EQ(row.location, loc);
        EXPECT_EQ(row.user,
                  loc == "Registry(User Run)" || loc == "StartUp (Current User)" ? "Current User" : "All Users");
        EXPECT_EQ(row.command, "\"C:\\Program Files\\Tool\\tool.exe\"");
        EXPECT_EQ(row.state, "Enabled");
    }
    // No program chosen: the message, no row; a cancelled Browse keeps it empty.
    const size_t before = frmSysGuards.startupItems.Rows().size();
    const std::string shown = RefusedAdd([] {
        base::modal::Expect("CommonDialog", 2);
        frmAddTask.flash.InjectCommand("IDC_FS_BROWSE");
        frmAddTask.flash.SetVariable("_root.taskname", "Name");
    });
    EXPECT_EQ(shown, "You Must fill in Text Boxes");
    EXPECT_EQ(frmSysGuards.startupItems.Rows().size(), before);
}

TEST_F(SysGuardsWindow, ConfigurationsSavedAndLoadedThroughTheDialogs) {
    frmSysGuards.Load();
    std::vector<guards::BHOProfile> rows = {
        {"One", "Enabled", "d", "1.0.0.0", "C:\\one.dll", "{11111111-2222-3333-4444-555555555555}", {}},
        {"Two", "Disabled", "", "", "", "{11111111-2222-3333-4444-666666666666}", {}}};
    frmSysGuards.bhoItems.ReplaceRows(rows);
    base::modal::Expect("frmSave", [&](const Step&) -> long {
        frmSave.flash.SetVariable("_root.profileName", "Work");
        frmSave.flash.InjectCommand("IDC_FS_SAVE");
        return 0;
    });
    Send("IDC_FS_BHO_SAVEBHOSETTING");
    EXPECT_EQ(guards::BhoConfigurationNames(), std::vector<std::string>{"Work"});
    // The same name again: the message, the file unchanged.
    const std::string before = base::ReadWhole(guards::BhoConfigFile());
    std::string shown;
    base::modal::Expect("frmSave", [&](const Step&) -> long {
        frmSave.flash.SetVariable("_root.profileName", "Work");
        ExpectMessage(shown);
        frmSave.flash.InjectCommand("IDC_FS_SAVE");
        frmSave.flash.InjectCommand("IDC_FS_CLOSE");
        return 0;
    });
    Send("IDC_FS_BHO_SAVEBHOSETTING");
    EXPECT_EQ(shown, "Name already exist");
    EXPECT_EQ(base::ReadWhole(guards::BhoConfigFile()), before);

    frmSysGuards.bhoItems.ReplaceRows({});
    base::modal::Expect("frmLoad", [&](const Step&) -> long {
        EXPECT_EQ(frmLoad.flash.GetVariable("_root.profiles"), "Work|");
        frmLoad.flash.InjectCommand("IDC_FS_LOAD", "Elsewhere");  // not listed: nothing
        EXPECT_TRUE(frmSysGuards.bhoItems.Rows().empty());
        frmLoad.flash.InjectCommand("IDC_FS_LOAD", "Work");
        return 0;
    });
    Send("IDC_FS_BHO_LOADBHOSETTING");
    ASSERT_EQ(frmSysGuards.bhoItems.Rows().size(), 2u);
    EXPECT_EQ(frmSysGuards.bhoItems.Rows()[1].state, "Disabled");
    EXPECT_EQ(frmSysGuards.flash.GetVariable("_root.NumberOfBHO"), "2");
}

TEST_F(SysGuardsWindow, UninstallAsksAndRunsTheProgramsOwnUninstaller) {
    testing_support::TempFolder temp;
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string helper = self;
    helper = helper.substr(0, helper.rfind('\\'));
    helper = helper.substr(0, helper.rfind('\\')) + "\\guards\\guards_test_uninstaller.exe";
    ASSERT_TRUE(CopyFileA(helper.c_str(), (temp / "uninst.exe").c_str(), FALSE));
    const std::string key = std::string(guards::kUninstallKey) + stem_;
    const std::string marker = temp / "ran.txt";
    struct KeyGone {
        std::string key;
        ~KeyGone() { guards::DeleteKeyTree(HKEY_LOCAL_MACHINE, key); }
    } gone{key};
    ASSERT_TRUE(guards::WriteRawValue(HKEY_LOCAL_MACHINE, key, "DisplayName", {REG_SZ, stem_ + '\0'}));
    ASSERT_TRUE(guards::WriteRawValue(HKEY_LOCAL_MACHINE, key, "UninstallString",
                                      {REG_SZ, "\"" + (temp / "uninst.exe") + "\" \"" + marker + "\"" + '\0'}));
    frmSysGuards.Load();
    long row = -1;
    for (size_t i = 0; i < frmSysGuards.addRemove.size(); ++i)
        if (frmSysGuards.addRemove[i].key == stem_) row = static_cast<long>(i);
    ASSERT_GE(row, 0);
    base::modal::Expect("frmMsgBox", 2);  // Cancel: nothing starts
    Send("IDC_FS_UNINSTALL", std::to_string(row));
    Sleep(300);
    EXPECT_FALSE(base::FileExists(marker));
    base::modal::Expect("frmMsgBox", 1);
    Send("IDC_FS_UNINSTALL", std::to_string(row));
    for (int i = 0; i < 200 && !base::FileExists(marker); ++i) Sleep(50);
    EXPECT_TRUE(base::FileExists(marker));
    EXPECT_LT(static_cast<size_t>(row), frmSysGuards.addRemove.size());  // the row stays until the next opening
}

}  // namespace

namespace {

TEST_F(SysGuardsWindow, RowArgumentsCountFromOneAndRoundHalvesToEven) {
    frmSysGuards.Load();
    std::vector<guards::BHOProfile> rows;
    for (int i = 0; i < 5; ++i)
        rows.push_back({"Row" + std::to_string(i),
                        "Enabled",
                        "",
                        "",
                        "",
                        "{00000000-0000-0000-0000-00000000000" + std::to_string(i) + "}",
                        {}});
    // The argument plus one, rounded halves to even, is the 1-based row.
    const struct {
        const char* arg;
        int row;  // 0-based; -1: no row changes
    } cases[] = {{"0", 0},     {"1.5", 1}, {"2.5", 3}, {"0.4", 0}, {"3.6", 4}, {" 2 ", 2},
                 {"-0.6", -1}, {"5", -1},  {"x", -1},  {"", -1},   {"1e", -1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arg);
        frmSysGuards.bhoItems.ReplaceRows(rows);
        Send("IDC_FS_BHO_ENABLEDISABLE", c.arg);
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(frmSysGuards.bhoItems.Rows()[i].state, i == c.row ? "Disabled" : "Enabled") << i;
    }
}

TEST_F(SysGuardsWindow, MoreInfoShowsTheProgramInTheInformationWindow) {
    PlantProgram({{"DisplayName", "Planted Editor " + stem_}, {"Publisher", "Example Corp"}});
    frmSysGuards.Load();
    const long row = ProgramRow();
    ASSERT_GE(row, 0);
    std::string name, publisher, version;
    base::modal::Expect("frminfo", [&](const Step&) -> long {
        name = frminfo.flash.ShownText("_root.progname");
        publisher = frminfo.flash.ShownText("_root.publisher");
        version = frminfo.flash.ShownText("_root.version");
        frminfo.flash.InjectCommand("IDC_FS_CLOSE");
        return 0;
    });
    Send("IDC_FS_MOREINFO", std::to_string(row));
    EXPECT_EQ(name, "Planted Editor " + stem_);
    EXPECT_EQ(publisher, "Example Corp");  // known although the version is missing
    EXPECT_EQ(version, "NOT FOUND");
    Send("IDC_FS_MOREINFO", "x");  // not a row: no window (an unscripted one would fail the test)
}

TEST_F(SysGuardsWindow, RemovedHelperObjectsComeBackThroughRestoreRemoved) {
    DeleteFileA(guards::BhoRemovedFile().c_str());
    const std::string clsid = "{C0A7B3E1-5D2F-4A6B-9C8D-7E5700000017}";
    const std::string bhoKey = std::string(guards::kBhoKey) + "\\" + clsid, classKey = "CLSID\\" + clsid;
    plantedKeys_.push_back({HKEY_LOCAL_MACHINE, bhoKey});
    plantedKeys_.push_back({HKEY_CLASSES_ROOT, classKey});
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    ASSERT_TRUE(guards::WriteRawValue(HKEY_LOCAL_MACHINE, bhoKey, "", {REG_SZ, std::string("Planted Helper") + '\0'}));
    ASSERT_TRUE(guards::WriteRawValue(HKEY_CLASSES_ROOT, classKey + "\\InprocServer32", "",
                                      {REG_SZ, std::string(self) + '\0'}));
    const auto bhoBefore = guards::SnapshotKeyTree(HKEY_LOCAL_MACHINE, bhoKey);
    const auto classBefore = guards::SnapshotKeyTree(HKEY_CLASSES_ROOT, classKey);
    auto rowOf = [&]() -> long {
        const auto& rows = frmSysGuards.bhoItems.Rows();
        for (size_t i = 0; i < rows.size(); ++i)
            if (rows[i].clsid == clsid) return static_cast<long>(i);
        return -1;
    };
    frmSysGuards.Load();
    std::string shown;
    ExpectMessage(shown);
    Send("IDC_FS_BHO_RESTOREREMOVED");  // nothing kept yet: said so
    EXPECT_NE(shown.find("No removed helper object"), std::string::npos);

    ASSERT_GE(rowOf(), 0);
    Send("IDC_FS_BHO_DELETE", std::to_string(rowOf()));
    base::modal::Expect("frmMsgBox", 1);  // the "next time you start" notice
    Send("IDC_FS_BHO_APPLY");
    EXPECT_LT(rowOf(), 0);
    EXPECT_FALSE(guards::KeyExists(HKEY_CLASSES_ROOT, classKey));

    base::modal::Expect("frmMsgBox", 2);  // Cancel: nothing comes back
    Send("IDC_FS_BHO_RESTOREREMOVED");
    EXPECT_FALSE(guards::KeyExists(HKEY_LOCAL_MACHINE, bhoKey));
    ExpectMessage(shown);
    Send("IDC_FS_BHO_RESTOREREMOVED");
    EXPECT_NE(shown.find("Planted Helper"), std::string::npos);
    EXPECT_EQ(guards::SnapshotKeyTree(HKEY_LOCAL_MACHINE, bhoKey), bhoBefore);
    EXPECT_EQ(guards::SnapshotKeyTree(HKEY_CLASSES_ROOT, classKey), classBefore);
    const long back = rowOf();
    ASSERT_GE(back, 0);
    EXPECT_EQ(frmSysGuards.bhoItems.Rows()[back].state, "Enabled");
    EXPECT_NE(frmSysGuards.flash.GetVariable("_root.BHOString").find("Planted Helper|Enabled|"), std::string::npos);
}

TEST_F(SysGuardsWindow, TabCaptionsAndTheAddDialogsMessageComeFromTheLanguagePack) {
    CreateDirectoryA((folder / "Language").c_str(), nullptr);
    base::WriteText(folder / "Language\\Test.ini",
                    "[Messages]\r\n1019=Bitte beide Felder ausfuellen\r\n[frmSysGuards]\r\n1003=Autostart\r\n");
    gb_languageFile = "Test.ini";
    frmSysGuards.Load();
    EXPECT_EQ(frmSysGuards.flash.GetVariable("_root.tabCaption1"), "Autostart");
    EXPECT_EQ(frmSysGuards.flash.GetVariable("_root.tabCaption2"), "BHO Guard");  // not in the pack
    EXPECT_EQ(gb_startupMessages[1], "Bitte beide Felder ausfuellen");
    EXPECT_EQ(RefusedAdd([] {}), "Bitte beide Felder ausfuellen");
}

}  // namespace

namespace {

TEST_F(SysGuardsWindow, ProfilesGoThroughTheFileDialogAndACancelTouchesNothing) {
    testing_support::TempFolder temp;
    ASSERT_TRUE(guards::WriteRawValue(HKEY_CURRENT_USER, kRun, stem_, {REG_SZ, std::string("C:\\p.exe\0", 9)}));
    frmSysGuards.Load();
    const std::string profile = temp / "mine.Pro";
    base::modal::Expect("CommonDialog", 1);
    CommonDialog::SetScriptedFileName(profile);
    Send("IDC_FS_STARTUP_SAVESTARTUP");
    const std::string saved = base::ReadWhole(profile);
    EXPECT_NE(saved.find(stem_ + "\r\nEnabled\r\nRegistry(User Run)\r\n"), std::string::npos);

    Send("IDC_FS_STARTUP_ENABLEDISABLE", std::to_string(Row(stem_)));  // an unapplied mark
    base::modal::Expect("CommonDialog", 2);
    Send("IDC_FS_STARTUP_SAVESTARTUP");  // cancelled: the earlier file stays as it was
    EXPECT_EQ(base::ReadWhole(profile), saved);
    base::modal::Expect("CommonDialog", 2);
    Send("IDC_FS_STARTUP_LOADSTARTUP");  // cancelled: nothing reloaded
    EXPECT_EQ(frmSysGuards.startupItems.Rows()[Row(stem_)].item.state, "Disabled");

    // A profile cut inside its second item: the rows read are shown, and the page says so.
    const std::string cut = temp / "cut.Pro";
    base::WriteText(cut,
                    "One\r\nEnabled\r\nRegistry(User Run)\r\nCurrent User\r\nCurrent User logs On\r\n"
                    "one.exe\r\nTwo\r\nDisabled\r\n");
    base::modal::Expect("CommonDialog", 1);
    CommonDialog::SetScriptedFileName(cut);
    Send("IDC_FS_STARTUP_LOADSTARTUP");
    ASSERT_EQ(frmSysGuards.startupItems.Rows().size(), 2u);
    EXPECT_EQ(frmSysGuards.startupItems.Rows()[1].item.state, "Disabled");
    EXPECT_NE(frmSysGuards.flash.GetVariable("_root.startupStatus").find("incomplete"), std::string::npos);
    EXPECT_EQ(frmSysGuards.flash.GetVariable("_root.NumberOfSAG"), "2");
}

}  // namespace

// Delete is offered only for a row it can mark: greyed after Remove and with no row, set again
// by every row click; the startup toggle names the mark it will set.
TEST_F(SysGuardsWindow, DeleteIsGreyedForARowMarkedRemoveOnBothPages) {
    ASSERT_TRUE(guards::WriteRawValue(HKEY_CURRENT_USER, kRun, stem_, {REG_SZ, std::string("C:\\a.exe\0", 9)}));
    const std::string clsid = "{C0A7B3E1-5D2F-4A6B-9C8D-7E5700000023}";
    const std::string bhoKey = std::string(guards::kBhoKey) + "\\" + clsid;
    plantedKeys_.push_back({HKEY_LOCAL_MACHINE, bhoKey});
    ASSERT_TRUE(guards::WriteRawValue(HKEY_LOCAL_MACHINE, bhoKey, "", {REG_SZ, std::string("Delete Helper") + '\0'}));
    frmSysGuards.Load();
    auto& movie = frmSysGuards.flash;

    frmSysGuards.ShowTab(1);
    movie.SetVariable("_root.EditStartupItems", "1");
    ASSERT_TRUE(movie.ClickButton("IDC_FS_EDITSTARTUPITEMS"));
    const long row = Row(stem_);
    ASSERT_GE(row, 0);
    EXPECT_FALSE(movie.ButtonEnabled("IDC_FS_STARTUP_DELETE")) << "no row chosen";
    Send("IDC_FS_STARTUP_SELECT", std::to_string(row));
    EXPECT_TRUE(movie.ButtonEnabled("IDC_FS_STARTUP_DELETE"));
    EXPECT_EQ(movie.GetVariable("_root.startupToggleCaption"), "Disabled");
    ASSERT_TRUE(movie.ClickButton("IDC_FS_STARTUP_DELETE"));
    EXPECT_EQ(frmSysGuards.startupItems.Rows()[row].item.state, "Remove");
    EXPECT_FALSE(movie.ButtonEnabled("IDC_FS_STARTUP_DELETE"));
    EXPECT_EQ(movie.GetVariable("_root.startupToggleCaption"), "Enabled") << "the toggle enables a Remove row";
    Send("IDC_FS_STARTUP_SELECT", std::to_string(row));  // a click on the same row keeps it greyed
    EXPECT_FALSE(movie.ButtonEnabled("IDC_FS_STARTUP_DELETE"));
    ASSERT_TRUE(movie.ClickButton("IDC_FS_STARTUP_ENABLEDISABLE"));
    EXPECT_EQ(frmSysGuards.startupItems.Rows()[row].item.state, "Enabled");
    EXPECT_TRUE(movie.ButtonEnabled("IDC_FS_STARTUP_DELETE"));
    ASSERT_TRUE(movie.ClickButton("IDC_FS_STARTUP_ENABLEDISABLE"));
    EXPECT_EQ(movie.GetVariable("_root.startupToggleCaption"), "Enabled");
    EXPECT_TRUE(movie.ButtonEnabled("IDC_FS_STARTUP_DELETE")) << "a Disabled row can be marked Remove";

    frmSysGuards.ShowTab(2);
    long bho = -1;
    for (size_t i = 0; i < frmSysGuards.bhoItems.Rows().size(); ++i)
        if (frmSysGuards.bhoItems.Rows()[i].clsid == clsid) bho = static_cast<long>(i);
    ASSERT_GE(bho, 0);
    EXPECT_FALSE(movie.ButtonEnabled("IDC_FS_BHO_DELETE"));
    Send("IDC_FS_BHO_SELECT", std::to_string(bho));
    EXPECT_TRUE(movie.ButtonEnabled("IDC_FS_BHO_DELETE"));
    ASSERT_TRUE(movie.ClickButton("IDC_FS_BHO_DELETE"));
    EXPECT_EQ(frmSysGuards.bhoItems.Rows()[bho].state, "Remove");
    EXPECT_FALSE(movie.ButtonEnabled("IDC_FS_BHO_DELETE"));
    ASSERT_TRUE(movie.ClickButton("IDC_FS_BHO_ENABLEDISABLE"));
    EXPECT_EQ(frmSysGuards.bhoItems.Rows()[bho].state, "Enabled");
    EXPECT_TRUE(movie.ButtonEnabled("IDC_FS_BHO_DELETE"));
}
