// The guards' windows: the main window's notify boxes with the real Halvex.dll, the pop-up's slide,
// the alerts panel with its answers and the main movie's page, and the connection-report window.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>

#include "base/Modal.h"
#include "base/TextFile.h"
#include "components/backup/Archive.h"
#include "core/Globals.h"
#include "core/Wiring.h"
#include "guards/Startup.h"
#include "monitors/AlertStore.h"
#include "monitors/BadSite.h"
#include "monitors/modMonitors.h"
#include "monitors/tests/GuardFixture.h"
#include "results/Backups.h"
#include "results/FindingList.h"
#include "results/RemoveSelected.h"
#include "shell/frmAlerts.h"
#include "shell/frmMain.h"
#include "shell/frmMessage.h"
#include "shell/frmMsgBox.h"
#include "shell/frmPopup.h"
#include "shell/frmSysGuards.h"
#include "ui/MessageLoop.h"

using monitors::GuardAlert;

namespace {

class GuardWindows : public ::testing::Test {
protected:
    void SetUp() override {
        CreateDirectoryA((folder / "Skin").c_str(), nullptr);
        const std::string from = testing_support::ProgramDir();
        for (const char* f :
             {"alerts.scw", "corvane.scw", "Popupwin.scw", "SysGuards.scw", "Halvex.dll", "Skin\\Corvane.skn"})
            ASSERT_TRUE(CopyFileA((from + "\\" + f).c_str(), (folder / f).c_str(), FALSE)) << f;
        frmMain.Load();
        monitors::SetGuardHost(&frmMain.guardHost);
        frmPopup.ShowAlerts = [] { frmMain.showAlertForm(); };  // as the program's links connect it
        wiring::SetOwnChangeFollower(&modMonitors::followOwnChange);
        gb_scanBusy = false;
        gb_popupCount = 0;
    }
    void TearDown() override {
        modMonitors::stopBHOMonitor();
        modMonitors::stopStartupMonitor();
        modMonitors::stopIEHijackGuard();
        ui::PumpFor(100);
        wiring::SetOwnChangeFollower({});
        monitors::SetGuardHost(nullptr);
        frmPopup.ShowAlerts = nullptr;
        frmSysGuards.Unload();
        frmPopup.Unload();
        frmAlerts.Unload();
        frmMsgBox.Unload();
        frmMain.Unload();
    }
    static void Write(const std::vector<GuardAlert>& alerts) {
        std::string text;
        for (const auto& a : alerts)
            text += "\"" + a.guard + "\",\"" + a.item + "\",\"" + a.value + "\",\"" + a.location + "\"\r\n";
        base::WriteText(monitors::AlertStorePath(), text);
    }
    testing_support::ScopedProgramFolder folder;
};

TEST_F(GuardWindows, HelperObjectThroughTheMainWindowsBoxShowsThePopup) {
    monitors_testing::EnsuredKey bho(HKEY_LOCAL_MACHINE, modMonitors::kBhoKey);
    const std::string name = "{7E1D2C3B-0000-4000-8000-" + std::string("0000000F00D1") + "}";
    modMonitors::startBHOMonitor();
    {
        monitors_testing::EnsuredKey object(HKEY_LOCAL_MACHINE, std::string(modMonitors::kBhoKey) + "\\" + name);
        ASSERT_TRUE(monitors_testing::PumpUntil([] { return frmPopup.Loaded(); }, 30000));
        EXPECT_EQ(frmPopup.flash.GetVariable("_root.Message"), "IE BHO Guard Alert");
        EXPECT_EQ(frmPopup.lblAlert.Caption(), "IE BHO Guard Alert");
        EXPECT_EQ(frmMain.txtBHOMonitor.Text(), "");
        ui::PumpFor(200);
    }
    EXPECT_EQ(monitors::ReadAlertStore(),
              (std::vector<GuardAlert>{{"IE BHO Guard", "BHO Key", name, modMonitors::kBhoKey}}));
}

TEST_F(GuardWindows, SameErrorTextTwiceIsLoggedTwiceAndStaysInTheBox) {
    frmMain.txtIEHijackMonitor.SetText("err11 Error in RegNotifyChangeKeyValue");
    frmMain.txtIEHijackMonitor.SetText("err11 Error in RegNotifyChangeKeyValue");
    EXPECT_EQ(frmMain.txtIEHijackMonitor.Text(), "err11 Error in RegNotifyChangeKeyValue");
    int n = 0;
    for (const auto& l : monitors_testing::ErrorLog())
        n += l.find("err11 Error in RegNotifyChangeKeyValue, Error Number: 505, Method: txtIEHijackMonitor_Change") !=
             std::string::npos;
    EXPECT_EQ(n, 2);
}

TEST_F(GuardWindows, PopupSlidesUpHoldsAndSlidesDownAtTheBottomPlace) {
    frmPopup.Load();
    frmPopup.DisplayAlert("Startup Registry Guard Alert", 3000, &frmMain);
    EXPECT_EQ(gb_popupCount, 1);
    EXPECT_EQ(frmPopup.Height(), 90);
    const long bottom = frmPopup.Top() + frmPopup.Height();
    const long right = frmPopup.Left() + frmPopup.Width();
    EXPECT_EQ(right, GetSystemMetrics(SM_CXFULLSCREEN) * 15);
    int ticks = 0;
    while (frmPopup.tmrOpen.Enabled() && ticks < 200) {
        frmPopup.tmrOpen_Timer();
        ++ticks;
        EXPECT_EQ(frmPopup.Top() + frmPopup.Height(), bottom);
    }
    EXPECT_EQ(frmPopup.Height(), 1620);
    EXPECT_TRUE(frmPopup.tmrAlert.Enabled());
    frmPopup.tmrAlert_Timer();
    EXPECT_TRUE(frmPopup.tmrClose.Enabled());
    // A new alert meanwhile takes the same place, not one a pop-up higher.
    frmPopup.Unload();
    frmPopup.Load();
    frmPopup.DisplayAlert("IE Hijack Guard Alert", 3000, &frmMain);
    EXPECT_EQ(gb_popupCount, 2);
    EXPECT_EQ(frmPopup.Top() + frmPopup.Height(), bottom);
    while (frmPopup.tmrOpen.Enabled()) frmPopup.tmrOpen_Timer();
    frmPopup.tmrAlert_Timer();
    ticks = 0;
    while (frmPopup.Loaded() && ticks < 200) {
        frmPopup.tmrClose_Timer();
        ++ticks;
    }
    EXPECT_FALSE(frmPopup.Loaded());
    EXPECT_EQ(gb_popupCount, 0);  // the latest one closed by itself
}

TEST_F(GuardWindows, PopupCommandsAndBusyScans) {
    frmPopup.Load();
    std::string shown;
    base::modal::Expect("MsgBox", [&](const base::modal::Step& s) {
        shown = s.text;
        return IDOK;
    });
    frmPopup.flash.InjectCommand("IDC_FS_SOMETHING");
    EXPECT_EQ(shown, "IDC_FS_SOMETHING");
    Write({{"IE BHO Guard", "BHO Key", "{A}", modMonitors::kBhoKey}});
    frmPopup.flash.InjectCommand("idc_fs_showalert");
    EXPECT_TRUE(frmAlerts.Loaded());
    EXPECT_EQ(frmAlerts.lstAlerts.ListItems.Count(), 1);
    frmPopup.Unload();
    gb_scanBusy = true;
    modMonitors::showGuardAlert("IE BHO Guard Alert");
    EXPECT_FALSE(frmPopup.Loaded());
    EXPECT_EQ(gb_popupCount, 0);
    gb_scanBusy = false;
}

TEST_F(GuardWindows, AlertsPanelListsEachRecordOnceAndAnswersThePagesRows) {
    const GuardAlert a{"IE BHO Guard", "BHO Key", "{A}", modMonitors::kBhoKey};
    const GuardAlert b{"Startup File Guard", "x.lnk", "C:\\x.exe", "C:\\nowhere\\x.lnk"};  // no watched place
    const GuardAlert c{"IE Hijack Guard", "Search Page", "http://a|b/", modMonitors::kIEMainKey};
    Write({a, a, b, c, a});
    frmAlerts.Load();
    ASSERT_EQ(frmAlerts.lstAlerts.ListItems.Count(), 3);
    EXPECT_TRUE(frmAlerts.cmdCheckAll.Enabled());
    EXPECT_FALSE(frmAlerts.cmdAuthorize.Enabled());
    frmAlerts.fillAlertFlashList();
    EXPECT_EQ(frmMain.flash.GetVariable("_root.NumberOfAlerts"), "3");
    EXPECT_EQ(frmMain.flash.GetVariable("_root.MyAlertString"),
              std::string("IE BHO Guard|BHO Key|{A}|") + modMonitors::kBhoKey + "|Startup File Guard|x.lnk|C:\\x.exe|" +
                  "C:\\nowhere\\x.lnk|IE Hijack Guard|Search Page|http://a!b/|" + modMonitors::kIEMainKey + "|");
    EXPECT_EQ(frmMain.flash.GetVariable("_root.AlertListener"), "1");
    // Row 1: its key is gone, so authorizing takes the row away; row 2 names no watched place and stays;
    // "9" names no row and "x" no number.
    frmAlerts.authorizeAlert("0,1,9,x,");
    ASSERT_EQ(frmAlerts.lstAlerts.ListItems.Count(), 2);
    EXPECT_EQ(frmAlerts.lstAlerts.ListItems(1).SubItems(1), "x.lnk");
    EXPECT_TRUE(frmAlerts.lstAlerts.ListItems(1).Checked);
    EXPECT_EQ(monitors::ReadAlertStore(), (std::vector<GuardAlert>{b, c}));
    EXPECT_EQ(frmMain.flash.GetVariable("_root.NumberOfAlerts"), "2");
    frmAlerts.lstAlerts.Select(2);
    frmAlerts.lstAlerts_Click();
    EXPECT_NE(frmAlerts.txtAlertDescription.Text().find("A program changes your IE settings"), std::string::npos);
}

// The page shows what the store holds after every answer, so the row chosen next is the row undone.
TEST_F(GuardWindows, AlertsPageShowsTheRowsLeftAfterEachAnswerAndUndoesTheRowChosen) {
    const std::string hive = "HKEY_CURRENT_USER\\";
    std::vector<std::unique_ptr<monitors_testing::SavedValue>> saved;
    std::vector<GuardAlert> alerts;
    for (const char* name : {"CorvaneAlertA", "CorvaneAlertB", "CorvaneAlertC"}) {
        saved.push_back(std::make_unique<monitors_testing::SavedValue>(HKEY_CURRENT_USER, modMonitors::kRunKey, name));
        monitors_testing::SetString(HKEY_CURRENT_USER, modMonitors::kRunKey, name, std::string("C:\\") + name + ".exe");
        alerts.push_back(
            {monitors::kStartupRegistryGuard, name, std::string("C:\\") + name + ".exe", hive + modMonitors::kRunKey});
    }
    Write(alerts);
    frmMain.flash.LoadMovie(0, folder / "corvane.scw");  // the program's start loads it; a test's Load does not
    auto shown = [] {
        std::vector<std::string> items;
        for (const std::string& row : frmMain.flash.ListRowTexts("Alert")) {
            const size_t tab = row.find('\t');
            items.push_back(row.substr(tab + 1, row.find('\t', tab + 1) - tab - 1));
        }
        return items;
    };
    frmMain.flash_FSCommand("IDC_FS_ALERT", "");
    ASSERT_EQ(shown(), (std::vector<std::string>{"CorvaneAlertA", "CorvaneAlertB", "CorvaneAlertC"}));
    ASSERT_TRUE(frmMain.flash.SelectListRow("Alert", 1));
    ASSERT_TRUE(frmMain.flash.ClickButton("IDC_FS_DELETE"));
    EXPECT_FALSE(monitors_testing::ValueExists(HKEY_CURRENT_USER, modMonitors::kRunKey, "CorvaneAlertB"));
    ASSERT_EQ(shown(), (std::vector<std::string>{"CorvaneAlertA", "CorvaneAlertC"}));
    // The row chosen before the answer is gone with it: Delete without a new choice undoes nothing.
    ASSERT_TRUE(frmMain.flash.ClickButton("IDC_FS_DELETE"));
    EXPECT_TRUE(monitors_testing::ValueExists(HKEY_CURRENT_USER, modMonitors::kRunKey, "CorvaneAlertC"));
    ASSERT_TRUE(frmMain.flash.SelectListRow("Alert", 1));
    ASSERT_TRUE(frmMain.flash.ClickButton("IDC_FS_DELETE"));
    EXPECT_FALSE(monitors_testing::ValueExists(HKEY_CURRENT_USER, modMonitors::kRunKey, "CorvaneAlertC"));
    EXPECT_TRUE(monitors_testing::ValueExists(HKEY_CURRENT_USER, modMonitors::kRunKey, "CorvaneAlertA"));
    EXPECT_EQ(shown(), (std::vector<std::string>{"CorvaneAlertA"}));
    EXPECT_EQ(monitors::ReadAlertStore(), (std::vector<GuardAlert>{alerts[0]}));
}

// The program's own changes are no hijack: the removal's replacement start page and a backup's
// restored page stay, and a change by anyone else is still put back.
TEST_F(GuardWindows, TheHomePageGuardKeepsTheProgramsOwnStartPages) {
    monitors_testing::SavedValue start(HKEY_CURRENT_USER, modMonitors::kIEMainKey, "Start Page");
    const std::string mainKey = std::string("HKEY_CURRENT_USER\\") + modMonitors::kIEMainKey;
    monitors_testing::SetString(HKEY_CURRENT_USER, modMonitors::kIEMainKey, "Start Page", "http://kept.example/");
    const std::string backups = folder / "BackUp";
    CreateDirectoryA(backups.c_str(), nullptr);
    CreateDirectoryA((backups + "\\page").c_str(), nullptr);
    backup::Selection selection;
    selection.registryKeys = {mainKey};
    backup::WriteBackup(backups + "\\page", results::kBackupPassPhrase, selection);
    monitors_testing::SetString(HKEY_CURRENT_USER, modMonitors::kIEMainKey, "Start Page", "http://hijack.example/");

    const bool pageGuard = gb_ieDefaultPageGuard, automatic = gb_ieRestoreHomePageAutomatic;
    const std::string home = gb_ieDefaultHomePage;
    gb_ieDefaultPageGuard = gb_ieRestoreHomePageAutomatic = true;
    gb_ieDefaultHomePage = "http://protected.example/";
    modMonitors::startIEHijackGuard();
    ASSERT_TRUE(modMonitors::HijackGuardRunning());
    auto page = [] { return monitors_testing::ReadString(HKEY_CURRENT_USER, modMonitors::kIEMainKey, "Start Page"); };

    results::SetRegEditRunner([](const std::string&) { return true; });
    results::FindingList list;
    results::Finding f;
    f.SpyType = "Hijacker";
    f.spyItem = "Start Page";
    f.ItemToolTip = mainKey;
    f.ItemReplace = "about:blank";
    f.Checked = true;
    list.AddRow("Malware RegData", f);
    results::RemovalView view;
    results::RemoveSelectedSpy(list, view);
    results::SetRegEditRunner({});
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(page(), "about:blank");
    // A hijack after the removal is put back: once it is, the guard has seen the removal's change
    // too, and the page it puts back is the removal's.
    monitors_testing::SetString(HKEY_CURRENT_USER, modMonitors::kIEMainKey, "Start Page", "http://later.example/");
    EXPECT_TRUE(monitors_testing::PumpUntil([&] { return page() != "http://later.example/"; })) << page();
    EXPECT_EQ(page(), "about:blank");

    results::RestoreBackup(backups, "page");
    EXPECT_EQ(page(), "http://kept.example/");
    // The same for the backup's page: the hijack below is put back to it.
    monitors_testing::SetString(HKEY_CURRENT_USER, modMonitors::kIEMainKey, "Start Page", "http://again.example/");
    EXPECT_TRUE(monitors_testing::PumpUntil([&] { return page() == "http://kept.example/"; }, 30000)) << page();
    EXPECT_TRUE(monitors::ReadAlertStore().empty());
    gb_ieDefaultPageGuard = pageGuard;
    gb_ieRestoreHomePageAutomatic = automatic;
    gb_ieDefaultHomePage = home;
}

// A startup item the System Guards window puts back is the program's own doing: no alert, also
// when the guard's snapshot was taken while the item was out (a restart in between).
TEST_F(GuardWindows, AStartupItemEnabledAgainRaisesNoAlert) {
    const std::string name = "CorvaneOwnStartupItem";
    monitors_testing::SavedValue value(HKEY_CURRENT_USER, modMonitors::kRunKey, name);
    const std::string profile = guards::StartupDisabledFile();
    const std::optional<std::string> profileBefore =
        base::FileExists(profile) ? std::optional<std::string>(base::ReadWhole(profile)) : std::nullopt;
    monitors_testing::SetString(HKEY_CURRENT_USER, modMonitors::kRunKey, name, "C:\\own.exe /start");
    // A Run key of many values: taking the change into the snapshot gives no check a chance to look first.
    std::vector<std::unique_ptr<monitors_testing::SavedValue>> fillers;
    for (int i = 0; i < 70; ++i) {
        const std::string filler = "CorvaneFiller" + std::to_string(i);
        fillers.push_back(
            std::make_unique<monitors_testing::SavedValue>(HKEY_CURRENT_USER, modMonitors::kRunKey, filler));
        monitors_testing::SetString(HKEY_CURRENT_USER, modMonitors::kRunKey, filler, "C:\\filler.exe");
    }
    auto rowOf = [&]() -> std::string {
        const auto& rows = frmSysGuards.startupItems.Rows();
        for (size_t i = 0; i < rows.size(); ++i)
            if (rows[i].item.name == name) return std::to_string(i);
        return "x";
    };
    modMonitors::startStartupMonitor();
    frmSysGuards.Load();
    frmSysGuards.flash.InjectCommand("IDC_FS_STARTUP_ENABLEDISABLE", rowOf());
    frmSysGuards.flash.InjectCommand("IDC_FS_STARTUP_APPLY");
    EXPECT_FALSE(monitors_testing::ValueExists(HKEY_CURRENT_USER, modMonitors::kRunKey, name));
    modMonitors::stopStartupMonitor();  // as at the next start of the program
    modMonitors::startStartupMonitor();
    frmSysGuards.Unload();
    frmSysGuards.Load();
    frmSysGuards.flash.InjectCommand("IDC_FS_STARTUP_ENABLEDISABLE", rowOf());
    frmSysGuards.flash.InjectCommand("IDC_FS_STARTUP_APPLY");
    EXPECT_EQ(monitors_testing::ReadString(HKEY_CURRENT_USER, modMonitors::kRunKey, name), "C:\\own.exe /start");
    // Someone else's value after the program's own change: once the guard reports that one, it has
    // looked at the program's change too, and it raised nothing for it.
    const std::string later = "CorvaneLaterStartupItem";
    auto alertFor = [](const std::string& item) {
        const auto alerts = monitors::ReadAlertStore();
        return std::count_if(alerts.begin(), alerts.end(), [&](const GuardAlert& a) { return a.item == item; });
    };
    {
        monitors_testing::SavedValue laterValue(HKEY_CURRENT_USER, modMonitors::kRunKey, later);
        monitors_testing::SetString(HKEY_CURRENT_USER, modMonitors::kRunKey, later, "C:\\later.exe");
        ASSERT_TRUE(monitors_testing::PumpUntil([&] { return alertFor(later) == 1; }));
        EXPECT_EQ(gb_popupCount, 1) << "a pop-up for the program's own change";
        EXPECT_EQ(monitors::ReadAlertStore().size(), 1u) << "an alert for the program's own change";
        EXPECT_EQ(alertFor(name), 0);
        frmPopup.Unload();
        gb_popupCount = 0;
    }
    // Taken out by the program and planted again by someone else: that is reported.
    frmSysGuards.flash.InjectCommand("IDC_FS_STARTUP_ENABLEDISABLE", rowOf());
    frmSysGuards.flash.InjectCommand("IDC_FS_STARTUP_APPLY");
    monitors_testing::SetString(HKEY_CURRENT_USER, modMonitors::kRunKey, name, "C:\\own.exe /start");
    EXPECT_TRUE(monitors_testing::PumpUntil([&] { return alertFor(name) == 1; }, 30000));
    if (profileBefore)
        base::WriteText(profile, *profileBefore);
    else
        DeleteFileA(profile.c_str());
}

struct RecordingChannel : monitors::badsite::VerdictChannel {
    std::vector<int> verdicts, refusals;
    bool Verdict(int v) override {
        verdicts.push_back(v);
        return true;
    }
    bool Refused(int v) override {
        refusals.push_back(v);
        return true;
    }
};

TEST_F(GuardWindows, ConnectionReportsReachTheMessageWindowByItsCaption) {
    RecordingChannel channel;
    monitors::badsite::SetVerdictChannel(&channel);
    monitors::badsite::ScamSiteList() = {{}, {"Bad", "badsite.com"}};
    frmMessage.Load();
    CursorPosition::HookMessageWindow(frmMessage.hWnd(), true);
    HWND found = FindWindowA(nullptr, "CORVANE_GET_MESSAGE_WINDOW");
    ASSERT_EQ(found, frmMessage.hWnd());
    std::string told;
    base::modal::Expect("frmMsgBox", [&](const base::modal::Step& s) {
        told = s.text;
        return 1;
    });
    const std::string report = "7|www.BadSite.com:443|tcp|out";
    SendMessageA(found, WM_SETTEXT, report.size(), reinterpret_cast<LPARAM>(report.c_str()));
    COPYDATASTRUCT cd{};
    SendMessageA(found, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cd));
    EXPECT_EQ(channel.verdicts, std::vector<int>{2});
    EXPECT_EQ(told, "www.BadSite.com:443 is a bad site and we Blocked it");
    char caption[64] = {};
    GetWindowTextA(found, caption, sizeof caption);
    EXPECT_STREQ(caption, "CORVANE_GET_MESSAGE_WINDOW");
    SendMessageA(found, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cd));  // no report since the reset
    EXPECT_EQ(channel.refusals, std::vector<int>{1});
    CursorPosition::HookMessageWindow(frmMessage.hWnd(), false);
    frmMessage.Unload();
    monitors::badsite::SetVerdictChannel(nullptr);
    monitors::badsite::ScamSiteList().assign(1, {});
}

}  // namespace
