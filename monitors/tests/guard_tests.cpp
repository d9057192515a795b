// The guards with the real Halvex.dll watching the prefix's real places: the Run keys, the Startup and
// Favorites folders, the browser's pages and the helper objects. Every change is put back.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>

#include "GuardFixture.h"
#include "base/ErrorLog.h"
#include "base/Handles.h"
#include "base/Text.h"
#include "base/TextFile.h"
#include "core/Globals.h"
#include "core/IniFiles.h"
#include "core/RegistryModule.h"
#include "core/Settings.h"
#include "core/SettingsStore.h"
#include "core/SpecialFolders.h"
#include "core/tests/CoreTestSupport.h"
#include "monitors/AlertAnswers.h"
#include "monitors/modMonitors.h"

using namespace monitors_testing;
using monitors::GuardAlert;
using monitors::NotifyBox;

namespace {

const char kHkcu[] = "HKEY_CURRENT_USER\\";
const char kHklm[] = "HKEY_LOCAL_MACHINE\\";

int Count(const std::vector<std::string>& v, const std::string& s) {
    return static_cast<int>(std::count(v.begin(), v.end(), s));
}

int LogCount(const std::string& part) {
    int n = 0;
    for (const auto& l : ErrorLog()) n += l.find(part) != std::string::npos;
    return n;
}

void WriteUrl(const std::string& path, const std::string& url) {
    base::WriteText(path, "[InternetShortcut]\r\nURL=" + url + "\r\n");
}

struct BurstArg {
    std::string stem;
    int count;
};

DWORD WINAPI BurstWriter(void* p) {
    auto* a = static_cast<BurstArg*>(p);
    base::RegKey key;
    RegOpenKeyExA(HKEY_CURRENT_USER, modMonitors::kRunKey, 0, KEY_SET_VALUE, key.put());
    for (int i = 0; i < a->count; ++i) {
        const std::string data = "C:\\burst\\" + std::to_string(i) + ".exe";
        RegSetValueExA(key.get(), (a->stem + std::to_string(i)).c_str(), 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(data.c_str()), static_cast<DWORD>(data.size() + 1));
        if (i % 10 == 9) Sleep(15);
    }
    return 0;
}

class Guards : public GuardTest {
protected:
    // Waits for the n-th pop-up; the bound is there only for a fault (a loaded machine is slow).
    bool AlertArrives(size_t n, int ms = 30000) {
        return PumpUntil([&] { return host_->popups.size() >= n; }, ms);
    }
    // Lets any late notification arrive and be checked.
    void Settle() { PumpFor(300); }
};

TEST_F(Guards, RunValueReportedOnceThenAuthorizedThenUndone) {
    const std::string name = testing_support::UniqueName("CorvaneGuardRun");
    const std::string own = "corVANE";
    SavedValue savedNew(HKEY_CURRENT_USER, modMonitors::kRunKey, name);
    SavedValue savedOwn(HKEY_CURRENT_USER, modMonitors::kRunKey, own);
    SavedValue savedDefault(HKEY_CURRENT_USER, modMonitors::kRunKey, "");
    // The unnamed value ends no walk: a value listed after it is checked all the same.
    SetString(HKEY_CURRENT_USER, modMonitors::kRunKey, "", "C:\\default.exe");
    modMonitors::startStartupMonitor();
    ASSERT_TRUE(base::FileExists(ProgramFile("stpReglst.qvl")));

    SetString(HKEY_CURRENT_USER, modMonitors::kRunKey, own, "C:\\corvane.exe");
    SetString(HKEY_CURRENT_USER, modMonitors::kRunKey, name, "\"C:\\Program Files\\x\\a.exe\" /q");
    ASSERT_TRUE(AlertArrives(1));
    Settle();
    const GuardAlert expected{"Startup Registry Guard", name, "C:\\Program Files\\x\\a.exe /q",
                              std::string(kHkcu) + modMonitors::kRunKey};
    EXPECT_EQ(Store(), std::vector<GuardAlert>{expected});
    EXPECT_EQ(host_->popups, std::vector<std::string>{"Startup Registry Guard Alert"});
    EXPECT_EQ(base::ReadWhole(ProgramFile("stupChngItm.lst")), "\"Startup Registry Guard\",\"" + name +
                                                                   "\",\"C:\\Program Files\\x\\a.exe /q\",\"" + kHkcu +
                                                                   modMonitors::kRunKey + "\"\r\n");

    // Authorized: the value joins the snapshot and a later change of the key reports nothing of it.
    std::vector<monitors::AlertRow> rows{{expected, true}};
    EXPECT_EQ(monitors::AnswerCheckedRows(rows, monitors::Answer::Authorize), 1);
    EXPECT_TRUE(rows.empty());
    EXPECT_TRUE(Store().empty());
    SetString(HKEY_CURRENT_USER, modMonitors::kRunKey, own, "C:\\corvane2.exe");
    EXPECT_FALSE(AlertArrives(2, 500));
    EXPECT_TRUE(modMonitors::checkIfItemInRegFile("HCURUN", name));

    // A new command under the same name is a change again; undo deletes that value and nothing else.
    SetString(HKEY_CURRENT_USER, modMonitors::kRunKey, name, "C:\\evil.exe");
    ASSERT_TRUE(AlertArrives(2));
    Settle();
    ASSERT_EQ(Store().size(), 1u);
    EXPECT_EQ(Store()[0].value, "C:\\evil.exe");
    rows = {{Store()[0], true}};
    EXPECT_EQ(monitors::AnswerCheckedRows(rows, monitors::Answer::Undo), 1);
    EXPECT_FALSE(ValueExists(HKEY_CURRENT_USER, modMonitors::kRunKey, name));
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, modMonitors::kRunKey, own), "C:\\corvane2.exe");
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, modMonitors::kRunKey, ""), "C:\\default.exe");
    EXPECT_TRUE(Store().empty());
}

// A name with a line feed reaches the store whole, and the undo deletes that very value.
TEST_F(Guards, RunValueWithALineFeedInItsNameIsReportedAndUndone) {
    const std::string name = testing_support::UniqueName("CorvaneGuard") + "\nsecond line";
    SavedValue saved(HKEY_CURRENT_USER, modMonitors::kRunKey, name);
    modMonitors::startStartupMonitor();
    SetString(HKEY_CURRENT_USER, modMonitors::kRunKey, name, "C:\\lf.exe");
    ASSERT_TRUE(AlertArrives(1));
    Settle();
    const auto store = Store();
    ASSERT_EQ(store.size(), 1u);
    EXPECT_EQ(store[0].item, name);
    std::vector<monitors::AlertRow> rows{{store[0], true}};
    EXPECT_EQ(monitors::AnswerCheckedRows(rows, monitors::Answer::Undo), 1);
    EXPECT_FALSE(ValueExists(HKEY_CURRENT_USER, modMonitors::kRunKey, name));
    EXPECT_TRUE(Store().empty());
}

TEST_F(Guards, MachineRunValueChecksBothGroupsAndNamesTheMachine) {
    const std::string name = testing_support::UniqueName("CorvaneGuardLm");
    // Long commands are whole in the snapshot: an unchanged one is never reported.
    const std::string longName = testing_support::UniqueName("CorvaneGuardLong");
    const std::string longData = "  C:\\" + std::string(300, 'x') + ".exe  ";
    SavedValue savedNew(HKEY_LOCAL_MACHINE, modMonitors::kRunKey, name);
    SavedValue savedLong(HKEY_CURRENT_USER, modMonitors::kRunKey, longName);
    SetString(HKEY_CURRENT_USER, modMonitors::kRunKey, longName, longData);
    modMonitors::startStartupMonitor();
    SetString(HKEY_LOCAL_MACHINE, modMonitors::kRunKey, name, "C:\\lm.exe");
    ASSERT_TRUE(AlertArrives(1));
    Settle();
    EXPECT_EQ(Store(), (std::vector<GuardAlert>{
                           {"Startup Registry Guard", name, "C:\\lm.exe", std::string(kHklm) + modMonitors::kRunKey}}));
    SetString(HKEY_CURRENT_USER, modMonitors::kRunKey, longName, longData);
    EXPECT_FALSE(AlertArrives(2, 500));
    EXPECT_EQ(host_->popups.size(), 1u);
}

TEST_F(Guards, StartupShortcutReportedWithItsTargetAndUndone) {
    const std::string folder = gb_programsFolder + "\\Startup";
    const std::string name = testing_support::UniqueName("CorvaneGuard") + ".lnk";
    const std::string path = folder + "\\" + name;
    modMonitors::startStartupMonitor();
    modMain::CreateShortcutFile(path, "C:\\windows\\notepad.exe");
    ASSERT_TRUE(base::FileExists(path));
    ASSERT_TRUE(AlertArrives(1));
    Settle();
    const auto store = Store();
    ASSERT_EQ(store.size(), 1u);
    EXPECT_EQ(store[0].guard, "Startup File Guard");
    EXPECT_EQ(store[0].item, name);
    EXPECT_TRUE(base::EqualsNoCase(store[0].value, "C:\\windows\\notepad.exe")) << store[0].value;
    EXPECT_EQ(store[0].location, path);
    EXPECT_EQ(Count(host_->popups, "Startup File Guard Alert"), 1);

    std::vector<monitors::AlertRow> rows{{store[0], true}};
    EXPECT_EQ(monitors::AnswerCheckedRows(rows, monitors::Answer::Undo), 1);
    EXPECT_FALSE(base::FileExists(path));
    Settle();
    EXPECT_TRUE(Store().empty());  // a deleted shortcut is no alert
}

TEST_F(Guards, StartupShortcutAuthorizedStaysQuietEvenRenamedInCase) {
    const std::string folder = gb_programsFolder + "\\Startup";
    const std::string name = testing_support::UniqueName("corvaneguard") + ".lnk";
    modMonitors::startStartupMonitor();
    modMain::CreateShortcutFile(folder + "\\" + name, "C:\\windows\\regedit.exe");
    ASSERT_TRUE(AlertArrives(1));
    Settle();
    std::vector<monitors::AlertRow> rows{{Store().at(0), true}};
    EXPECT_EQ(monitors::AnswerCheckedRows(rows, monitors::Answer::Authorize), 1);
    std::string upper = name;
    for (char& c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    ASSERT_TRUE(MoveFileA((folder + "\\" + name).c_str(), (folder + "\\" + upper).c_str()));
    EXPECT_FALSE(AlertArrives(2, 500));
    DeleteFileA((folder + "\\" + upper).c_str());
    Settle();
    EXPECT_EQ(host_->popups.size(), 1u);
}

TEST_F(Guards, FavouriteReportedAtTheTopOnlyAndAuthorized) {
    const std::string name = testing_support::UniqueName("CorvaneFav") + ".url";
    const std::string sub = gb_favoritesFolder + "\\" + testing_support::UniqueName("CorvaneFavSub");
    modMonitors::startIEFavoriteMonitor();
    CreateDirectoryA(sub.c_str(), nullptr);
    WriteUrl(sub + "\\deep.url", "http://deep.example/");
    Settle();
    EXPECT_TRUE(host_->popups.empty());
    WriteUrl(gb_favoritesFolder + "\\" + name, "http://fav.example/\"q\",x");
    ASSERT_TRUE(AlertArrives(1));
    Settle();
    const GuardAlert expected{"IE Favorites Guard", name, "http://fav.example/\"q\",x",
                              gb_favoritesFolder + "\\" + name};
    EXPECT_EQ(Store(), std::vector<GuardAlert>{expected});
    std::vector<monitors::AlertRow> rows{{expected, true}};
    EXPECT_EQ(monitors::AnswerCheckedRows(rows, monitors::Answer::Authorize), 1);
    EXPECT_TRUE(modMonitors::checkIfIEHijackItemInFile(name));
    WriteUrl(gb_favoritesFolder + "\\" + name, "http://fav.example/\"q\",x");  // touched, unchanged
    EXPECT_FALSE(AlertArrives(2, 500));
    DeleteFileA((gb_favoritesFolder + "\\" + name).c_str());
    DeleteFileA((sub + "\\deep.url").c_str());
    RemoveDirectoryA(sub.c_str());
    Settle();
    EXPECT_EQ(host_->popups.size(), 1u);
}

class HijackGuard : public Guards {
protected:
    core_test::ScopedSettingsRoot settings_;  // the protected home page is stored there
    EnsuredKey key_{HKEY_CURRENT_USER, modMonitors::kIEMainKey};
    SavedValue start_{HKEY_CURRENT_USER, modMonitors::kIEMainKey, "Start Page"};
    SavedValue search_{HKEY_CURRENT_USER, modMonitors::kIEMainKey, "Search Page"};
    SavedValue local_{HKEY_CURRENT_USER, modMonitors::kIEMainKey, "Local Page"};
    void SetUp() override {
        Guards::SetUp();
        SetString(HKEY_CURRENT_USER, modMonitors::kIEMainKey, "Start Page", "http://home.example/");
        SetString(HKEY_CURRENT_USER, modMonitors::kIEMainKey, "Search Page", "http://search.example/");
        gb_ieDefaultHomePage.clear();
        gb_ieDefaultPageGuard = true;
        gb_ieRestoreHomePageAutomatic = false;
    }
};

TEST_F(HijackGuard, ChangedSearchPageReportedAndUndoneToTheSnapshot) {
    gb_ieDefaultPageGuard = false;
    modMonitors::startIEHijackGuard();
    SetString(HKEY_CURRENT_USER, modMonitors::kIEMainKey, "Start Page", "http://other-start.example/");
    SetString(HKEY_CURRENT_USER, modMonitors::kIEMainKey, "Search Page", "http://evil.example/s?q=");
    ASSERT_TRUE(AlertArrives(1));
    Settle();
    const GuardAlert expected{"IE Hijack Guard", "Search Page", "http://evil.example/s?q=", modMonitors::kIEMainKey};
    EXPECT_EQ(Store(), std::vector<GuardAlert>{expected});  // the start page is not looked at
    std::vector<monitors::AlertRow> rows{{expected, true}};
    EXPECT_EQ(monitors::AnswerCheckedRows(rows, monitors::Answer::Undo), 1);
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, modMonitors::kIEMainKey, "Search Page"), "http://search.example/");
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, modMonitors::kIEMainKey, "Start Page"), "http://other-start.example/");
}

TEST_F(HijackGuard, StartPageRestoredSilentlyAndNeverToNothing) {
    gb_ieRestoreHomePageAutomatic = true;
    modMonitors::startIEHijackGuard();  // no protected page chosen: the current one is protected
    SetString(HKEY_CURRENT_USER, modMonitors::kIEMainKey, "Start Page", "http://hijacker.example/");
    ASSERT_TRUE(PumpUntil(
        [] { return ReadString(HKEY_CURRENT_USER, modMonitors::kIEMainKey, "Start Page") == "http://home.example/"; },
        30000));
    Settle();
    EXPECT_TRUE(host_->popups.empty());
    EXPECT_TRUE(Store().empty());

    // Without a saved page the change is shown, and an undo leaves the page as it is.
    modMain::SetPrivateStringValue("IE", "StartPage", ProgramFile("Hjlst.qvl"), "");
    SetString(HKEY_CURRENT_USER, modMonitors::kIEMainKey, "Start Page", "http://hijacker.example/");
    ASSERT_TRUE(AlertArrives(1));
    Settle();
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, modMonitors::kIEMainKey, "Start Page"), "http://hijacker.example/");
    auto store = Store();
    ASSERT_EQ(store.size(), 1u);
    std::vector<monitors::AlertRow> rows{{store[0], true}};
    EXPECT_EQ(monitors::AnswerCheckedRows(rows, monitors::Answer::Undo), 0);
    EXPECT_EQ(rows.size(), 1u);
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, modMonitors::kIEMainKey, "Start Page"), "http://hijacker.example/");
    EXPECT_EQ(LogCount("no saved Start Page to restore"), 1);
}

// The protected home page at the guard's start, by what the store held before: nothing (a first
// start), a page the user saved, a page an older store kept, the fixed default an older first start
// wrote back. Until a page was ever stored, the browser's own is protected and stored; after that
// the stored one is, also at the next start with another page in the browser.
TEST_F(HijackGuard, FirstStartProtectsTheBrowsersOwnStartPageAndStoresIt) {
    struct Case {
        const char* name;
        std::function<void()> before;
        std::string protectedPage;
    };
    const Case cases[] = {
        {"first start", [] {}, "http://users-own.example/"},
        {"saved by the user", [] { modMain::storeProtectedHomePage("http://chosen.example/"); },
         "http://chosen.example/"},
        {"kept by an older store",
         [] { settings::SaveSetting("SystemGuard", "IEDefaultHomePage", "http://older.example/"); },
         "http://older.example/"},
        {"the default written back by an older first start",
         [] { settings::SaveSetting("SystemGuard", "IEDefaultHomePage", modMain::kDefaultHomePage); },
         "http://users-own.example/"},
    };
    auto page = [] { return ReadString(HKEY_CURRENT_USER, modMonitors::kIEMainKey, "Start Page"); };
    for (const Case& c : cases) {
        settings::DeleteSetting("SystemGuard");
        c.before();
        SetString(HKEY_CURRENT_USER, modMonitors::kIEMainKey, "Start Page", "http://users-own.example/");
        for (int start = 1; start <= 2; ++start) {
            // (No SCOPED_TRACE: its first use starts a thread of the test framework's own.)
            const std::string where = std::string(c.name) + ", start " + std::to_string(start);
            modMain::loadFormMainSettings();  // the program's start: defaults for what the store lacks
            ASSERT_TRUE(gb_ieDefaultPageGuard && gb_ieRestoreHomePageAutomatic) << where;
            modMonitors::startIEHijackGuard();
            EXPECT_EQ(modMain::GetPrivateStringValue("IE", "StartPage", ProgramFile("Hjlst.qvl")), c.protectedPage)
                << where;
            EXPECT_EQ(settings::GetSetting("SystemGuard", "IEDefaultHomePage"), c.protectedPage) << where;
            SetString(HKEY_CURRENT_USER, modMonitors::kIEMainKey, "Start Page", "http://hijacker.example/");
            EXPECT_TRUE(PumpUntil([&] { return page() == c.protectedPage; }, 3000)) << where << ": " << page();
            Settle();
            EXPECT_TRUE(host_->popups.empty()) << where;
            modMonitors::stopIEHijackGuard();
            // Between the two starts the browser's page moves on while nothing guards it.
            SetString(HKEY_CURRENT_USER, modMonitors::kIEMainKey, "Start Page", "http://later.example/");
        }
    }
}

// The helper objects' key missing at the start: the guard runs on its parent, reports objects added
// with the key, moves onto the key, and goes back to the parent when the key goes.
TEST_F(Guards, HelperObjectGuardWatchesTheKeyOnceItComes) {
    AbsentKey absent(HKEY_LOCAL_MACHINE, modMonitors::kBhoKey);
    const std::string base = std::string(modMonitors::kBhoKey) + "\\";
    const std::string first = "{0A1B2C3D-0000-4000-8000-00000000F001}",
                      second = "{0A1B2C3D-0000-4000-8000-00000000F002}";
    modMonitors::startBHOMonitor();
    EXPECT_TRUE(modMonitors::BhoGuardRunning());
    SetString(HKEY_LOCAL_MACHINE, base + first, "", "First");
    ASSERT_TRUE(AlertArrives(1));
    Settle();
    SetString(HKEY_LOCAL_MACHINE, base + second, "", "Second");
    ASSERT_TRUE(AlertArrives(2));
    Settle();
    EXPECT_EQ(Store(), (std::vector<GuardAlert>{{"IE BHO Guard", "BHO Key", first, modMonitors::kBhoKey},
                                                {"IE BHO Guard", "BHO Key", second, modMonitors::kBhoKey}}));
    RegistryModule::DeleteKey(HKEY_LOCAL_MACHINE, modMonitors::kBhoKey);
    Settle();
    EXPECT_TRUE(modMonitors::BhoGuardRunning());
    SetString(HKEY_LOCAL_MACHINE, base + "{0A1B2C3D-0000-4000-8000-00000000F003}", "", "Third");
    ASSERT_TRUE(AlertArrives(3));
    EXPECT_TRUE(modMonitors::BhoGuardRunning());
}

class BhoGuard : public Guards {
protected:
    EnsuredKey key_{HKEY_LOCAL_MACHINE, modMonitors::kBhoKey};
};

TEST_F(BhoGuard, NewHelperObjectReportedAuthorizedAndUndone) {
    const std::string known = "{0A1B2C3D-0000-4000-8000-00000000C0DE}";
    const std::string fresh = "0A1B2C3D-0000";  // a part of the known name
    const std::string fresh2 = "{0A1B2C3D-0000-4000-8000-0000000BAD00}";
    const std::string base = std::string(modMonitors::kBhoKey) + "\\";
    EnsuredKey knownKey(HKEY_LOCAL_MACHINE, base + known);
    // The object made below is new only when no earlier run cut short left it behind.
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, (base + fresh2).c_str());
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, (base + fresh2).c_str());
    modMonitors::startBHOMonitor();
    {
        EnsuredKey k(HKEY_LOCAL_MACHINE, base + fresh);
        ASSERT_TRUE(AlertArrives(1));
        Settle();
        EXPECT_EQ(Store(), (std::vector<GuardAlert>{{"IE BHO Guard", "BHO Key", fresh, modMonitors::kBhoKey}}));
        std::vector<monitors::AlertRow> rows{{Store()[0], true}};
        EXPECT_EQ(monitors::AnswerCheckedRows(rows, monitors::Answer::Authorize), 1);
    }
    Settle();
    const size_t before = host_->popups.size();
    {
        base::RegKey key;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, (base + fresh2).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                  key.put(), nullptr),
                  ERROR_SUCCESS);
        SetString(HKEY_LOCAL_MACHINE, base + fresh2 + "\\sub", "x", "y");
    }
    ASSERT_TRUE(AlertArrives(before + 1));
    Settle();
    auto store = Store();
    ASSERT_EQ(store.size(), 1u);
    EXPECT_EQ(store[0].value, fresh2);
    std::vector<monitors::AlertRow> rows{{store[0], true}};
    EXPECT_EQ(monitors::AnswerCheckedRows(rows, monitors::Answer::Undo), 1);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, base + fresh2));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, base + known));
}

// Run keys a new machine does not have yet are no error: the guard starts without an entry in the
// error log, and a key that is there is still watched.
TEST_F(Guards, RunKeysTheMachineDoesNotHaveYetAreNoError) {
    AbsentKey runOnce(HKEY_CURRENT_USER, modMonitors::kRunOnceKey);
    AbsentKey runOnceEx(HKEY_LOCAL_MACHINE, modMonitors::kRunOnceExKey);
    const std::string name = testing_support::UniqueName("CorvaneGuardNew");
    SavedValue saved(HKEY_CURRENT_USER, modMonitors::kRunKey, name);
    modMonitors::startStartupMonitor();
    SetString(HKEY_CURRENT_USER, modMonitors::kRunKey, name, "C:\\new.exe");
    EXPECT_TRUE(AlertArrives(1)) << "the Run key that is there is not watched";
    Settle();
    EXPECT_EQ(LogCount("txtStartupRegistry_Change"), 0);
    EXPECT_EQ(LogCount("err10"), 0);
    modMonitors::stopStartupMonitor();
}

TEST_F(Guards, ErrorTextsAreLoggedEachTimeUnderTheHandlersName) {
    const std::string text = "err10 Can't open key";
    EXPECT_FALSE(modMonitors::RouteNotification(NotifyBox::BHO, text));
    EXPECT_FALSE(modMonitors::RouteNotification(NotifyBox::BHO, text));
    EXPECT_FALSE(modMonitors::RouteNotification(NotifyBox::BHO, ""));
    EXPECT_EQ(LogCount("Error Description: err10 Can't open key, Error Number: 505, Method: txtBHOMonitor_Change"), 2);
    // A second start of a running guard: Halvex refuses the duplicate watch on the box itself.
    modMonitors::startBHOMonitor();
    modMonitors::startBHOMonitor();
    PumpFor(200);
    EXPECT_EQ(LogCount("err14 You set monitor on this registry key before."), 1);
}

TEST_F(Guards, RegistryTextGivesItsKeyPathAloneAndOtherTextsNothing) {
    EXPECT_TRUE(modMonitors::RouteNotification(NotifyBox::StartupRegistry,
                                               "software\\microsoft\\windows\\currentversion\\runonceex changes"));
    EXPECT_FALSE(modMonitors::RouteNotification(NotifyBox::StartupRegistry, "Software\\Other changes"));
    EXPECT_FALSE(modMonitors::RouteNotification(NotifyBox::IEFavorite, ""));
    PumpFor(50);
    EXPECT_TRUE(host_->popups.empty());
}

TEST_F(Guards, MissingSnapshotIsTakenAfreshNotReportedWhole) {
    const std::string name = testing_support::UniqueName("CorvaneGuardSnap");
    SavedValue saved(HKEY_CURRENT_USER, modMonitors::kRunKey, name);
    SetString(HKEY_CURRENT_USER, modMonitors::kRunKey, name, "C:\\before.exe");
    modMonitors::startStartupMonitor();
    ASSERT_TRUE(DeleteFileA(ProgramFile("stpReglst.qvl").c_str()));
    ASSERT_TRUE(DeleteFileA(ProgramFile("stpFldrlst.qvl").c_str()));
    modMonitors::checkStartupRegsitry(modMonitors::kRunKey);
    modMonitors::checkStartupFolder();
    EXPECT_TRUE(host_->popups.empty());
    EXPECT_TRUE(base::FileExists(ProgramFile("stpReglst.qvl")));
    EXPECT_EQ(LogCount("File not found: stpReglst.qvl"), 1);
    EXPECT_EQ(LogCount("File not found: stpFldrlst.qvl"), 1);
    modMonitors::checkStartupRegsitry(modMonitors::kRunKey);
    EXPECT_TRUE(host_->popups.empty());
}

TEST_F(Guards, WithoutHalvexNothingStartsAndNoSnapshotIsWritten) {
    ASSERT_TRUE(DeleteFileA(ProgramFile("Halvex.dll").c_str()));
    modMonitors::startStartupMonitor();
    modMonitors::startBHOMonitor();
    EXPECT_FALSE(base::FileExists(ProgramFile("stpFldrlst.qvl")));
    EXPECT_FALSE(base::FileExists(ProgramFile("BHOlst.qvl")));
    EXPECT_FALSE(modMonitors::StartupGuardRunning());
    EXPECT_EQ(LogCount("File not found: Halvex.dll, Error Number: 53, Method: startStartupMonitor"), 1);
    EXPECT_EQ(LogCount("Method: startBHOMonitor"), 1);
}

TEST_F(Guards, StartAndStopOfEveryGuardLeavesNoThreadsOrHandles) {
    EnsuredKey ie(HKEY_CURRENT_USER, modMonitors::kIEMainKey);
    EnsuredKey bho(HKEY_LOCAL_MACHINE, modMonitors::kBhoKey);
    // One round first, so that what the system keeps once (COM, the shell) is there before counting.
    auto round = [] {
        modMonitors::startStartupMonitor();
        modMonitors::startIEFavoriteMonitor();
        modMonitors::startIEHijackGuard();
        modMonitors::startBHOMonitor();
        PumpFor(100);
        modMonitors::stopStartupMonitor();
        modMonitors::stopIEFavoriteMonitor();
        modMonitors::stopIEHijackGuard();
        modMonitors::stopBHOMonitor();
    };
    round();
    PumpFor(500);
    const int threads = ThreadCount();
    const DWORD handles = HandleCount();
    for (int i = 0; i < 3; ++i) {
        round();
        modMonitors::startStartupMonitor();
        EXPECT_GT(ThreadCount(), threads);  // the folder's and the keys' workers (a missing key's ends at once)
        modMonitors::stopStartupMonitor();
        ASSERT_TRUE(PumpUntil([&] { return ThreadCount() <= threads; }, 30000)) << ThreadCount();
    }
    EXPECT_LE(HandleCount(), handles + 2);
    EXPECT_EQ(GetModuleHandleA("Halvex.dll"), nullptr);
}

TEST_F(Guards, BurstOfRunWritesLosesNoChangeAndNeverFreezes) {
    const int kCount = 1000;
    const std::string stem = testing_support::UniqueName("CorvaneBurst");
    std::vector<std::unique_ptr<SavedValue>> saved;
    for (int i = 0; i < kCount; ++i)
        saved.push_back(
            std::make_unique<SavedValue>(HKEY_CURRENT_USER, modMonitors::kRunKey, stem + std::to_string(i)));
    modMonitors::startStartupMonitor();
    // A writer thread, as another program would: 1,000 values within two seconds.
    BurstArg arg{stem, kCount};
    base::Handle writer(CreateThread(nullptr, 0, &BurstWriter, &arg, 0, nullptr));
    const auto t0 = std::chrono::steady_clock::now();
    ASSERT_TRUE(PumpUntil([&] { return WaitForSingleObject(writer.get(), 0) == WAIT_OBJECT_0; }, 10000));
    // How long the writes took depends on the machine's load; a frozen guard shows as the stall below.
    const double writeMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    ASSERT_TRUE(PumpUntil([&] { return host_->popups.size() >= static_cast<size_t>(kCount); }, 30000))
        << host_->popups.size();
    Settle();
    const auto store = Store();
    EXPECT_EQ(store.size(), static_cast<size_t>(kCount));
    EXPECT_EQ(host_->popups.size(), static_cast<size_t>(kCount));
    // A guard that handled the burst on the window's thread would hold it for seconds; how short
    // the longest stall is otherwise depends on the machine's load, and is printed, not judged.
    EXPECT_LT(host_->longestStall, 1000.0);
    std::cout << "burst: " << kCount << " writes in " << writeMs << " ms, longest stall " << host_->longestStall
              << " ms\n";
}

}  // namespace

namespace {

// The snapshot look-up as first described: the INI entries read one by one for every value.
bool PlainLookup(const std::string& snapshot, const std::string& name) {
    const int last = std::atoi(modMain::GetPrivateStringValue2("STUPC", "HCURUN", snapshot).c_str());
    std::string data = ReadString(HKEY_CURRENT_USER, modMonitors::kRunKey, name);
    data.erase(std::remove(data.begin(), data.end(), '"'), data.end());
    for (int i = 0; i <= last; ++i) {
        const std::string k = modMain::GetPrivateStringValue2("Values", "HCURUNK" + std::to_string(i), snapshot);
        const std::string v = modMain::GetPrivateStringValue2("Values", "HCURUNV" + std::to_string(i), snapshot);
        if (base::EqualsNoCase(k, name) && base::EqualsNoCase(v, data)) return true;
    }
    return false;
}

TEST_F(Guards, SnapshotIndexAnswersAsThePlainWalk) {
    const std::string stem = testing_support::UniqueName("CorvaneDiff");
    const std::vector<std::pair<std::string, std::string>> values = {
        {stem + "a", "C:\\a.exe"}, {stem + "B", "\"C:\\b.exe\" /x"}, {stem + "c", "C:\\C.EXE"}, {stem + "e", ""}};
    std::vector<std::unique_ptr<SavedValue>> saved;
    for (const auto& [n, d] : values) {
        saved.push_back(std::make_unique<SavedValue>(HKEY_CURRENT_USER, modMonitors::kRunKey, n));
        SetString(HKEY_CURRENT_USER, modMonitors::kRunKey, n, d);
    }
    saved.push_back(std::make_unique<SavedValue>(HKEY_CURRENT_USER, modMonitors::kRunKey, stem + "d"));
    modMonitors::startStartupMonitor();
    modMonitors::stopStartupMonitor();
    SetString(HKEY_CURRENT_USER, modMonitors::kRunKey, stem + "c", "C:\\other.exe");
    SetString(HKEY_CURRENT_USER, modMonitors::kRunKey, stem + "d", "C:\\d.exe");
    SetString(HKEY_CURRENT_USER, modMonitors::kRunKey, stem + "B", "C:\\B.EXE /X");  // case and quotes only
    const std::string snapshot = ProgramFile("stpReglst.qvl");
    for (const std::string& name :
         {stem + "a", stem + "b", stem + "B", stem + "c", stem + "d", stem + "e", stem + "missing", std::string("")}) {
        EXPECT_EQ(modMonitors::checkIfItemInRegFile("HCURUN", name), PlainLookup(snapshot, name)) << name;
    }
    EXPECT_TRUE(modMonitors::checkIfItemInRegFile("HCURUN", stem + "b"));
    EXPECT_FALSE(modMonitors::checkIfItemInRegFile("HCURUN", stem + "c"));
}

}  // namespace
