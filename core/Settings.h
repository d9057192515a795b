#pragma once
// Loading and saving every option of the settings store into its gb_ global (core/Globals.h).
#include <windows.h>

#include <string>
#include <variant>
#include <vector>

namespace modMain {

// Start-up: every option with its default, this run's scan-log name, the backup and
// definitions paths, the cookies folder and context-menu extension, the definitions text and
// the autostart check; then every option is written back at once. Traps nothing: errors pass
// to the caller.
void loadFormMainSettings();
// Writes every stored option from its global; a failure is logged ("saveFormMainSettings") and
// ends the save.
void saveFormMainSettings();
// Writes the one option kept in `global` (a gb_ variable of the table) at once, for a switch the
// user turned that must hold even when the program does not end cleanly. False when it was not
// written (logged, "saveSettingOf").
bool saveSettingOf(const void* global);
// Repaints every child control of the window; failures are ignored.
void RefreshFormControls(HWND form);

// The settings table that load and save both walk, in load order.
enum class LoadRule {
    TrueUnlessOther,  // "True" or empty gives True, anything else False
    OnlyTrue,         // only "True" gives True
    Text,             // the stored text, or the row's default when the key is missing
    LanguageName,     // empty gives "English.ini"; shown in the status bar
    ExistingPath,     // kept only when that file or folder exists, else the row's default path
    NumberDays,       // 1 to 60, else 10
    ExistingLogFile,  // kept only when that file exists, else empty; composes this run's scan log
};
struct SettingRow {
    const char* section;
    const char* key;
    LoadRule rule;
    // Text: the store's default argument. ExistingPath: the name in the program folder that
    // replaces a missing path ("" = the program folder itself).
    const char* fallback;
    std::variant<bool*, short*, std::string*> global;
};
const std::vector<SettingRow>& SettingsTable();

// The default home page the hijack guard restores.
inline constexpr const char* kDefaultHomePage = "http://www.msn.com/";

// Whether a protected home page was ever stored: one the user saved, one the hijack guard took
// from the browser at its first start, or (from a store older than this mark) one other than the
// fixed default. Until then the default is no page of the user's.
bool protectedHomePageStored();
// Where a stored protected page came from.
enum class HomePageSource { User, Browser };
// Makes the address the protected home page (gb_ieDefaultHomePage), stores it and marks it stored.
// False when the store refused it.
bool storeProtectedHomePage(const std::string& address, HomePageSource source = HomePageSource::User);
// True when the stored page is the one the hijack guard took from the browser, none saved since.
bool protectedHomePageFromBrowser();
// Forgets a page taken from the browser (the fixed default again, unmarked): the guard's next start
// takes the browser's page afresh.
void forgetProtectedHomePage();

// This run's scan-log name for a start at `now` (program folder, "logs\ScanLog<dd-mm-yy>_<n>.log").
std::string ScanLogFileName(const SYSTEMTIME& now);

}  // namespace modMain
