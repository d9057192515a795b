#include <gtest/gtest.h>

#include <map>

#include "base/Clock.h"
#include "base/ProgramFolder.h"
#include "base/RuntimeError.h"
#include "base/TextFile.h"
#include "base/testing/Testing.h"
#include "core/CRegister.h"
#include "core/Globals.h"
#include "core/Removal.h"
#include "core/Settings.h"
#include "core/SettingsStore.h"
#include "core/Statistics.h"
#include "core/Wiring.h"
#include "core/tests/CoreTestSupport.h"

using namespace modMain;
using core_test::CountOccurrences;
using core_test::ErrorLogText;
using testing_support::MakeTime;
using testing_support::ScopedClock;
using testing_support::ScopedProgramFolder;

namespace {

void ZeroAllOptions() {
    for (const SettingRow& row : SettingsTable()) {
        if (auto b = std::get_if<bool*>(&row.global))
            **b = false;
        else if (auto n = std::get_if<short*>(&row.global))
            **n = 0;
        else
            *std::get<std::string*>(row.global) = "";
    }
    gb_scanLogFile = gb_cookiesFolder = gb_contextMenuDll = "";
}

// Every key of one section of the store, as text.
std::map<std::string, std::string> Section(const std::string& section) {
    std::map<std::string, std::string> out;
    base::RegKey k;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, (settings::ApplicationKeyPath() + "\\" + section).c_str(), 0, KEY_READ,
                      k.put()) != ERROR_SUCCESS)
        return out;
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD len = sizeof name;
        if (RegEnumValueA(k.get(), i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        out[std::string(name, len)] = settings::GetSetting(section, std::string(name, len), "?");
    }
    return out;
}

// The program's own Run value, put back as it was when the test ends.
class RunValue {
public:
    RunValue() { old_ = reg_.REGGetSetting(HKEY_CURRENT_USER, kRunKey, kRunValue, kAbsent); }
    ~RunValue() {
        if (old_ == kAbsent)
            reg_.REGDeleteSetting(HKEY_CURRENT_USER, kRunKey, kRunValue);
        else
            reg_.REGSaveSetting(HKEY_CURRENT_USER, kRunKey, kRunValue, old_);
    }
    void Set(const std::string& v) { reg_.REGSaveSetting(HKEY_CURRENT_USER, kRunKey, kRunValue, v); }
    void Remove() { reg_.REGDeleteSetting(HKEY_CURRENT_USER, kRunKey, kRunValue); }

private:
    static constexpr const char* kAbsent =
        "\x01"
        "absent";
    CRegister reg_;
    std::string old_;
};

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ZeroAllOptions();
        wiring::SetLoadDefinitions([this] { ++definitionsLoads; });
        wiring::SetLanguagePanel([this](const std::string& t) { panel = t; });
    }
    void TearDown() override {
        wiring::SetLoadDefinitions({});
        wiring::SetLanguagePanel({});
        wiring::SetGetMessage({});
        ZeroAllOptions();
    }
    ScopedProgramFolder pf;
    core_test::ScopedSettingsRoot store;
    RunValue run;
    int definitionsLoads = 0;
    std::string panel;
};

// The defaults a first start gives, by key.
const std::map<std::string, std::string> kFirstStartBooleans = {
    {"Mark/Checked", "True"},
    {"SystemGuard/StartupGuard", "True"},
    {"SystemGuard/IEFavoriteGuard", "True"},
    {"SystemGuard/IEHijackGuard", "True"},
    {"SystemGuard/BHOGuard", "True"},
    {"SystemGuard/IEDefaultPageGuard", "True"},
    {"SystemGuard/IERestoreHomePageAutomatic", "True"},
    {"AutoCheckForUpdate/AutoCheckForUpdate", "False"},
    {"AutoCheckForUpdate/UseDelayedStartup", "False"},
    {"AutoCheckForUpdate/UseProxy", "False"},
    {"ScanSections/SpywareAdware", "True"},
    {"ScanSections/ContextMenu", "True"},
    {"ScanSections/Showpopup", "True"},
    {"ScanSections/EnablePassword", "False"},
    {"ScanSections/DelBckAfterDys", "False"},
    {"ScanSections/Dialers", "True"},
    {"ScanSections/KeyLoggers", "True"},
    {"ScanSections/AdvancedScanning", "False"},
    {"ScanSections/AllCookies", "True"},
    {"ScanSections/Trojans", "True"},
    {"ScanSections/PlaySounds", "True"},
    {"ScanSections/ScanRestoreFolder", "True"},
    {"ScanSections/BHO", "True"},
    {"RunStartup/RunStartup", "False"},
    {"RunStartup/RunCustomSched", "False"},
    {"RunStartup/UseSplash", "True"},
    {"Interface/RememWinPos", "False"},
    {"Interface/SnapWinBorder", "False"},
    {"Interface/UseGridlines", "False"},
    {"DeleteAfterReboot/DeleteAfterReboot", "True"},
    {"AutoRemove/AutoRemove", "False"},
    {"ScanSections/DeleteBackupAfterRestore", "False"},
    {"ScanSections/ScanAllUserAccounts", "True"},
    {"ScanSections/SkipNonExeFiles", "False"},
};

std::string Stored(const std::string& sectionSlashKey) {
    size_t slash = sectionSlashKey.find('/');
    return settings::GetSetting(sectionSlashKey.substr(0, slash), sectionSlashKey.substr(slash + 1), "<missing>");
}

void ExpectFirstStartGlobals() {
    EXPECT_EQ(gb_languageFile, "English.ini");
    EXPECT_TRUE(gb_markChecked);
    EXPECT_EQ(gb_definitionsPath, base::ProgramFolder());
    EXPECT_TRUE(gb_startupGuard && gb_ieFavoriteGuard && gb_ieHijackGuard && gb_bhoGuard && gb_ieDefaultPageGuard &&
                gb_ieRestoreHomePageAutomatic);
    EXPECT_EQ(gb_ieDefaultHomePage, kDefaultHomePage);
    EXPECT_FALSE(gb_autoCheckForUpdate || gb_useDelayedStartup || gb_useProxy);
    EXPECT_TRUE(gb_spywareAdware && gb_contextMenu && gb_showPopup && gb_dialers && gb_keyLoggers && gb_allCookies &&
                gb_trojans && gb_playSounds && gb_scanRestoreFolder && gb_scanBHO && gb_scanAllUserAccounts);
    EXPECT_FALSE(gb_enablePassword || gb_delBckAfterDys || gb_advancedScanning || gb_skipNonExeFiles ||
                 gb_deleteBackupAfterRestore);
    EXPECT_EQ(gb_numberDays, 10);
    EXPECT_FALSE(gb_runStartup || gb_runCustomSched);
    EXPECT_TRUE(gb_useSplash);
    EXPECT_FALSE(gb_rememWinPos || gb_snapWinBorder || gb_useGridlines);
    EXPECT_TRUE(gb_deleteAfterReboot);
    EXPECT_FALSE(gb_autoRemove);
    EXPECT_EQ(gb_scheduleType + gb_dayTime + gb_minuteValue + gb_hourValue + gb_dayName + gb_monthDate, "");
    EXPECT_EQ(gb_proxID + gb_proxPass + gb_proxPort + gb_proxServer, "");
    EXPECT_EQ(gb_logFileName, "");
    EXPECT_EQ(gb_backupPath, base::ProgramFolder() + "\\BackUp");
}

void ExpectFirstStartStore() {
    for (const auto& [key, want] : kFirstStartBooleans) EXPECT_EQ(Stored(key), want) << key;
    EXPECT_EQ(Stored("Language/Name"), "English.ini");
    EXPECT_EQ(Stored("ScanSections/NumberDays"), "10");
    EXPECT_EQ(Stored("SystemGuard/IEDefaultHomePage"), kDefaultHomePage);
    EXPECT_EQ(Stored("Path/DefinitionsPath"), base::ProgramFolder());
    EXPECT_EQ(Stored("Path/BackupPath"), base::ProgramFolder() + "\\BackUp");
    EXPECT_EQ(Stored("Path/Install"), base::ProgramFolder());
    EXPECT_EQ(Stored("Scanning/LogFileName"), "");
    for (const char* k : {"ScheduleType", "DayTime", "MinuteValue", "HourValue", "DayName", "MonthDate"})
        EXPECT_EQ(Stored(std::string("Schedule/") + k), "") << k;
    for (const char* k : {"ProxID", "ProxPass", "ProxPort", "ProxServer"})
        EXPECT_EQ(Stored(std::string("AutoCheckForUpdate/") + k), "") << k;
    // The program's one version, as the build gives it.
    EXPECT_EQ(Stored("Version/Version"), std::to_string(CORVANE_VERSION_MAJOR) + "." +
                                             std::to_string(CORVANE_VERSION_MINOR) + "." +
                                             std::to_string(CORVANE_VERSION_REVISION) + ".0");
    EXPECT_EQ(Stored("Version/MAJOR"), std::to_string(CORVANE_VERSION_MAJOR));
    EXPECT_EQ(Stored("Version/BUILD"), "0");
    // Fifty options, five version keys and the install path.
    size_t total = 0;
    for (const char* s : {"Language", "Mark", "Path", "SystemGuard", "AutoCheckForUpdate", "ScanSections", "RunStartup",
                          "Interface", "Schedule", "DeleteAfterReboot", "AutoRemove", "Scanning", "Version"})
        total += Section(s).size();
    EXPECT_EQ(total, 50u + 5u + 1u);
}

}  // namespace

TEST_F(SettingsTest, FirstStartGivesEveryDefaultAndWritesEveryKey) {
    run.Remove();
    loadFormMainSettings();
    ExpectFirstStartGlobals();
    ExpectFirstStartStore();
    EXPECT_EQ(definitionsLoads, 1);
    EXPECT_EQ(panel, "Language: English");
    EXPECT_TRUE(base::FolderExists(base::ProgramFolder() + "\\logs"));
    EXPECT_EQ(gb_contextMenuDll, base::ProgramFolder() + "\\cm.dll");
    EXPECT_EQ(
        gb_cookiesFolder,
        CRegister().REGGetSetting(
            HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", "Cookies", "") +
            "\\");
}

TEST_F(SettingsTest, BooleanRulesTreatOnlyExactTrueOrEmptyAsTrue) {
    struct Row {
        const char* stored;
        bool ruleA, ruleB;
    };
    // Rule A: "Mark/Checked" (default True); rule B: "Interface/RememWinPos" (default False).
    for (Row r : {Row{"True", true, true}, Row{"", true, false}, Row{"False", false, false}, Row{"true", false, false},
                  Row{"-1", false, false}, Row{"TRUE ", false, false}}) {
        settings::SaveSetting("Mark", "Checked", r.stored);
        settings::SaveSetting("Interface", "RememWinPos", r.stored);
        loadFormMainSettings();
        EXPECT_EQ(gb_markChecked, r.ruleA) << '"' << r.stored << '"';
        EXPECT_EQ(gb_rememWinPos, r.ruleB) << '"' << r.stored << '"';
    }
}

TEST_F(SettingsTest, NumberDaysKeepsOneToSixtyAndFallsBackToTen) {
    struct Row {
        const char* stored;
        short want;
    };
    for (Row r :
         {Row{"61", 10}, Row{"0", 10}, Row{"-3", 10}, Row{"", 10}, Row{"abc", 10}, Row{"60", 60}, Row{"7 days", 7},
          Row{"2.5", 2}, Row{"3.5", 4}, Row{"0.4", 10}, Row{"60.4", 60}, Row{"60.6", 10}, Row{"1", 1}}) {
        settings::SaveSetting("ScanSections", "NumberDays", r.stored);
        loadFormMainSettings();
        EXPECT_EQ(gb_numberDays, r.want) << r.stored;
        EXPECT_EQ(Stored("ScanSections/NumberDays"), std::to_string(r.want)) << r.stored;
    }
}

TEST_F(SettingsTest, PathsThatNoLongerExistFallBackAndAreSavedSo) {
    testing_support::TempFolder elsewhere;
    const std::string backup = elsewhere / "MyBackups", defs = elsewhere / "defs", log = elsewhere / "old.log";
    CreateDirectoryA(backup.c_str(), nullptr);
    CreateDirectoryA(defs.c_str(), nullptr);
    base::WriteText(log, "x");
    settings::SaveSetting("Path", "BackupPath", backup);
    settings::SaveSetting("Path", "DefinitionsPath", defs + "\\");
    settings::SaveSetting("Scanning", "LogFileName", log);
    loadFormMainSettings();
    EXPECT_EQ(gb_backupPath, backup);
    EXPECT_EQ(gb_definitionsPath, defs + "\\");
    EXPECT_EQ(gb_logFileName, log);

    RemoveDirectoryA(backup.c_str());
    SetFileAttributesA(defs.c_str(), FILE_ATTRIBUTE_HIDDEN);  // hidden counts as missing
    DeleteFileA(log.c_str());
    loadFormMainSettings();
    EXPECT_EQ(gb_backupPath, base::ProgramFolder() + "\\BackUp");
    EXPECT_EQ(gb_definitionsPath, base::ProgramFolder());
    EXPECT_EQ(gb_logFileName, "");
    EXPECT_EQ(Stored("Path/BackupPath"), base::ProgramFolder() + "\\BackUp");
    EXPECT_EQ(Stored("Scanning/LogFileName"), "");
}

TEST_F(SettingsTest, RunAtStartupNeedsTheProgramsOwnRunValue) {
    settings::SaveSetting("RunStartup", "RunStartup", "True");
    settings::SaveSetting("AutoCheckForUpdate", "UseDelayedStartup", "True");
    run.Set("C:\\Corvane\\Corvane.exe /STARTUP");
    loadFormMainSettings();
    EXPECT_TRUE(gb_runStartup);
    EXPECT_TRUE(gb_useDelayedStartup);

    run.Remove();
    loadFormMainSettings();
    EXPECT_FALSE(gb_runStartup);
    EXPECT_FALSE(gb_useDelayedStartup);
    EXPECT_EQ(Stored("RunStartup/RunStartup"), "False");
    EXPECT_EQ(Stored("AutoCheckForUpdate/UseDelayedStartup"), "False");
}

TEST_F(SettingsTest, ScanLogNameComesFromTheClock) {
    ScopedClock clock(MakeTime(2026, 12, 7, 13, 2, 13));
    loadFormMainSettings();
    EXPECT_EQ(gb_scanLogFile, base::ProgramFolder() + "\\logs\\ScanLog07-12-26_54321.log");
    EXPECT_EQ(ScanLogFileName(MakeTime(2026, 1, 2, 0, 0, 0)), base::ProgramFolder() + "\\logs\\ScanLog02-01-26_0.log");
    EXPECT_EQ(ScanLogFileName(MakeTime(2026, 1, 2, 23, 59, 59)),
              base::ProgramFolder() + "\\logs\\ScanLog02-01-26_99999.log");
}

TEST_F(SettingsTest, LanguagePanelUsesTheMessageAndTheNameWithoutExtension) {
    wiring::SetGetMessage([](const std::string& id, const std::string& d) { return id == "1010" ? "Sprache:" : d; });
    settings::SaveSetting("Language", "Name", "Deutsch.ini");
    loadFormMainSettings();
    EXPECT_EQ(gb_languageFile, "Deutsch.ini");
    EXPECT_EQ(panel, "Sprache: Deutsch");
    settings::SaveSetting("Language", "Name", "x");
    loadFormMainSettings();
    EXPECT_EQ(panel, "Sprache: ");
}

TEST_F(SettingsTest, ADefinitionsFailurePassesToTheCallerBeforeTheWriteBack) {
    wiring::SetLoadDefinitions([] { base::Raise(53); });
    try {
        loadFormMainSettings();
        FAIL() << "no error passed on";
    } catch (const base::RuntimeError& e) {
        EXPECT_EQ(e.number(), 53);
    }
    EXPECT_TRUE(gb_markChecked);           // read before the failure
    EXPECT_TRUE(Section("Mark").empty());  // never written back
}

TEST_F(SettingsTest, SaveFailureIsLoggedOnceAndStops) {
    settings::SetRootOverride("\\refused");  // the registry rejects a leading backslash
    saveFormMainSettings();
    EXPECT_EQ(CountOccurrences(ErrorLogText(), "Method: saveFormMainSettings"), 1);
}

TEST_F(SettingsTest, RefreshFormControlsRepaintsChildrenQuietly) {
    HWND form =
        CreateWindowExA(0, "STATIC", "form", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(form);
    CreateWindowExA(0, "BUTTON", "b", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, form, nullptr, nullptr, nullptr);
    RefreshFormControls(form);
    RefreshFormControls(nullptr);
    DestroyWindow(form);
}

// Saved in one process, loaded in the next.
namespace {
void SetNonDefaults() {
    gb_languageFile = "Francais.ini";
    gb_markChecked = false;
    gb_ieDefaultHomePage = "http://home.example/";
    gb_useProxy = true;
    gb_proxServer = "proxy.example";
    gb_proxPort = "8080";
    gb_numberDays = 33;
    gb_advancedScanning = true;
    gb_playSounds = false;
    gb_scheduleType = "Weekly";
    gb_dayName = "Tuesday";
    gb_deleteAfterReboot = false;
    gb_autoRemove = true;
    gb_runStartup = true;  // no Run value: must come back False
}
}  // namespace

TEST_F(SettingsTest, RoundTripAcrossTwoProcesses) {
    run.Remove();
    loadFormMainSettings();
    SetNonDefaults();
    saveFormMainSettings();
    core_test::ScopedEnv root(settings::kRootEnv, store.root());
    core_test::ScopedEnv folder(base::kProgramFolderEnv, base::ProgramFolder());
    EXPECT_EQ(testing_support::RunSelf("SettingsChild.LoadsWhatTheParentSaved"), 0);

    // A store nobody wrote gives the defaults in the next process too.
    core_test::ScratchKey empty;
    core_test::ScopedEnv emptyRoot(settings::kRootEnv, empty.path());
    EXPECT_EQ(testing_support::RunSelf("SettingsChild.LoadsDefaultsFromAnEmptyStore"), 0);
}

TEST(SettingsChild, LoadsWhatTheParentSaved) {
    if (!testing_support::IsChildRun()) GTEST_SKIP() << "runs as the child of RoundTripAcrossTwoProcesses";
    wiring::SetLoadDefinitions([] {});
    ZeroAllOptions();
    loadFormMainSettings();
    EXPECT_EQ(gb_languageFile, "Francais.ini");
    EXPECT_FALSE(gb_markChecked);
    EXPECT_EQ(gb_ieDefaultHomePage, "http://home.example/");
    EXPECT_TRUE(gb_useProxy);
    EXPECT_EQ(gb_proxServer, "proxy.example");
    EXPECT_EQ(gb_proxPort, "8080");
    EXPECT_EQ(gb_numberDays, 33);
    EXPECT_TRUE(gb_advancedScanning);
    EXPECT_FALSE(gb_playSounds);
    EXPECT_EQ(gb_scheduleType, "Weekly");
    EXPECT_EQ(gb_dayName, "Tuesday");
    EXPECT_FALSE(gb_deleteAfterReboot);
    EXPECT_TRUE(gb_autoRemove);
    EXPECT_FALSE(gb_runStartup);
    EXPECT_TRUE(gb_startupGuard);  // untouched options keep their defaults
}

TEST(SettingsChild, LoadsDefaultsFromAnEmptyStore) {
    if (!testing_support::IsChildRun()) GTEST_SKIP() << "runs as the child of RoundTripAcrossTwoProcesses";
    wiring::SetLoadDefinitions([] {});
    ZeroAllOptions();
    loadFormMainSettings();
    ExpectFirstStartGlobals();
    ExpectFirstStartStore();
}

// Statistics and result counters.
class StatisticsTest : public ::testing::Test {
protected:
    ScopedProgramFolder pf;
    core_test::ScopedSettingsRoot store;
    void TearDown() override { wiring::SetGetMessage({}); }
};

TEST_F(StatisticsTest, EmptyStoreShowsNotFoundAndZeroes) {
    EXPECT_EQ(getLastSystemScanDate(), "Not Found");
    wiring::SetGetMessage([](const std::string& id, const std::string& d) { return id == "1061" ? "Nie" : d; });
    EXPECT_EQ(getLastSystemScanDate(), "Nie");
    EXPECT_EQ(getNumberOfScans(), 0);
    EXPECT_EQ(getNumberOfObjectsRemoved(), 0);
    EXPECT_EQ(ErrorLogText(), "");
}

TEST_F(StatisticsTest, ScanStartStoresDateAndCount) {
    const SYSTEMTIME t = MakeTime(2026, 3, 5, 14, 7, 9);
    ScopedClock clock(t);
    setLastSystemScanDate();
    setNumberOfScans();
    setNumberOfScans();
    EXPECT_EQ(getLastSystemScanDate(), "Mar 05, 2026 @ " + base::TimeText(t));
    EXPECT_EQ(getNumberOfScans(), 2);
    EXPECT_EQ(settings::GetSetting("Statistics", "NUMBER OF SCANS"), "2");
}

TEST_F(StatisticsTest, ScanCountStopsAt32767WithOneLogEntry) {
    settings::SaveSetting("Statistics", "NUMBER OF SCANS", "32767");
    setNumberOfScans();
    EXPECT_EQ(settings::GetSetting("Statistics", "NUMBER OF SCANS"), "32767");
    EXPECT_EQ(CountOccurrences(ErrorLogText(), "Error Number: 6, Method: setNumberOfScans"), 1);
}

TEST_F(StatisticsTest, StoredTextsThatAreNoNumbersReadAsZeroAndAreLogged) {
    settings::SaveSetting("Statistics", "NUMBER OF SCANS", "abc");
    settings::SaveSetting("Statistics", "NUMBER OF OBJECTS", "99999999999");
    EXPECT_EQ(getNumberOfScans(), 0);
    EXPECT_EQ(getNumberOfObjectsRemoved(), 0);
    const std::string log = ErrorLogText();
    EXPECT_EQ(CountOccurrences(log, "Error Description: Type mismatch, Error Number: 13, Method: getNumberOfScans"), 1);
    EXPECT_EQ(CountOccurrences(log, "Error Number: 6, Method: getNumberOfObjectsRemoved"), 1);
}

TEST_F(StatisticsTest, ObjectsRemovedAddsUpAndLeavesTheSumWithTheCaller) {
    settings::SaveSetting("Statistics", "NUMBER OF OBJECTS", "10");
    long n = 3;
    setNumberOfObjectsRemoved(n);
    EXPECT_EQ(n, 13);
    EXPECT_EQ(getNumberOfObjectsRemoved(), 13);

    settings::SaveSetting("Statistics", "NUMBER OF OBJECTS", "2147483640");
    long big = 100;
    setNumberOfObjectsRemoved(big);
    EXPECT_EQ(big, 100);
    EXPECT_EQ(settings::GetSetting("Statistics", "NUMBER OF OBJECTS"), "2147483640");
    EXPECT_EQ(CountOccurrences(ErrorLogText(), "Method: setNumberOfObjectsRemoved"), 1);
}

TEST_F(StatisticsTest, ResultCountersRoundTripAndMissingKeysReadZero) {
    gb_totalSpyCookiesRemoved = 1;
    gb_totalSpyFilesRemoved = 2;
    gb_totalSpyFoldersRemoved = 3;
    gb_totalSpyMemProcessRemoved = 4;
    gb_totalSpyRegistryKeysRemoved = 5;
    gb_totalSpywareFound = 2147483647;
    saveResultCounters();
    EXPECT_EQ(settings::GetSetting("Results", "gb_totalSpyRegistryKeysRemoved"), "5");
    gb_totalSpyCookiesRemoved = gb_totalSpyFilesRemoved = gb_totalSpyFoldersRemoved = 0;
    gb_totalSpyMemProcessRemoved = gb_totalSpyRegistryKeysRemoved = gb_totalSpywareFound = 0;
    loadResultCounters();
    EXPECT_EQ(gb_totalSpyCookiesRemoved + gb_totalSpyFilesRemoved + gb_totalSpyFoldersRemoved +
                  gb_totalSpyMemProcessRemoved + gb_totalSpyRegistryKeysRemoved,
              15);
    EXPECT_EQ(gb_totalSpywareFound, 2147483647);

    settings::DeleteSetting("Results");
    loadResultCounters();
    EXPECT_EQ(gb_totalSpyFilesRemoved, 0);
    EXPECT_EQ(gb_totalSpywareFound, 0);
}

TEST_F(StatisticsTest, ABadCounterPassesToTheCallerAndLeavesTheRestAsTheyWere) {
    settings::SaveSetting("Results", "gb_totalSpyCookiesRemoved", "7");
    settings::SaveSetting("Results", "gb_totalSpyFilesRemoved", "many");
    gb_totalSpyFoldersRemoved = 42;
    EXPECT_THROW(loadResultCounters(), base::RuntimeError);
    EXPECT_EQ(gb_totalSpyCookiesRemoved, 7);
    EXPECT_EQ(gb_totalSpyFoldersRemoved, 42);
    EXPECT_EQ(ErrorLogText(), "");
}
