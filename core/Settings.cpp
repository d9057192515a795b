#include "core/Settings.h"

#include <cstdio>

#include "base/Clock.h"
#include "base/Conversions.h"
#include "base/Handles.h"
#include "base/ProgramFolder.h"
#include "base/TextFile.h"
#include "base/Trap.h"
#include "core/CRegister.h"
#include "core/Globals.h"
#include "core/RegistryModule.h"
#include "core/Removal.h"
#include "core/SettingsStore.h"
#include "core/Wiring.h"
#include "core/modMain.h"

namespace modMain {
namespace {

using R = LoadRule;

// A directory search that sees ordinary files and folders; hidden and system ones count as missing.
bool ExistsAsFileOrFolder(std::string path) {
    if (path.size() > 3 && (path.back() == '\\' || path.back() == '/')) path.pop_back();
    WIN32_FIND_DATAA fd;
    base::FindHandle h(FindFirstFileA(path.c_str(), &fd));
    if (!h) return false;
    do {
        if (!(fd.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM))) return true;
    } while (FindNextFileA(h.get(), &fd));
    return false;
}

std::string BoolText(bool b) { return b ? "True" : "False"; }

// The status bar shows the pack's name without its extension.
std::string LanguageDisplayName(const std::string& file) {
    return file.size() >= 4 ? file.substr(0, file.size() - 4) : std::string();
}

short NumberDaysFrom(const std::string& stored) {
    if (stored.empty()) return 10;
    // Rounded first, then checked, so 0.4 does not become 0 days.
    const double n = conv::RoundHalfEven(conv::Val(stored));
    if (n > 60 || n <= 0) return 10;
    return static_cast<short>(n);
}

void LoadRow(const SettingRow& row) {
    const std::string stored = settings::GetSetting(row.section, row.key, row.rule == R::Text ? row.fallback : "");
    switch (row.rule) {
        case R::TrueUnlessOther:
            *std::get<bool*>(row.global) = stored == "True" || stored.empty();
            break;
        case R::OnlyTrue:
            *std::get<bool*>(row.global) = stored == "True";
            break;
        case R::Text:
            *std::get<std::string*>(row.global) = stored;
            break;
        case R::LanguageName: {
            std::string& name = *std::get<std::string*>(row.global);
            name = stored.empty() ? "English.ini" : stored;
            wiring::ShowLanguagePanel(wiring::GetMessage("1010", "Language:") + " " + LanguageDisplayName(name));
            break;
        }
        case R::ExistingPath: {
            const std::string fallback = *row.fallback ? FullPath_With_Filename(row.fallback) : base::ProgramFolder();
            *std::get<std::string*>(row.global) = !stored.empty() && ExistsAsFileOrFolder(stored) ? stored : fallback;
            break;
        }
        case R::NumberDays:
            *std::get<short*>(row.global) = NumberDaysFrom(stored);
            break;
        case R::ExistingLogFile: {
            CreateDirectoryA(FullPath_With_Filename("logs").c_str(), nullptr);
            *std::get<std::string*>(row.global) = !stored.empty() && base::FileExists(stored) ? stored : std::string();
            gb_scanLogFile = ScanLogFileName(base::Now());
            break;
        }
    }
}

std::string StoredText(const SettingRow& row) {
    if (auto b = std::get_if<bool*>(&row.global)) return BoolText(**b);
    if (auto n = std::get_if<short*>(&row.global)) return std::to_string(**n);
    return *std::get<std::string*>(row.global);
}

}  // namespace

const std::vector<SettingRow>& SettingsTable() {
    static const std::vector<SettingRow> table = {
        {"Language", "Name", R::LanguageName, "", &gb_languageFile},
        {"Mark", "Checked", R::TrueUnlessOther, "", &gb_markChecked},
        {"Path", "DefinitionsPath", R::ExistingPath, "", &gb_definitionsPath},
        {"SystemGuard", "StartupGuard", R::TrueUnlessOther, "", &gb_startupGuard},
        {"SystemGuard", "IEFavoriteGuard", R::TrueUnlessOther, "", &gb_ieFavoriteGuard},
        {"SystemGuard", "IEHijackGuard", R::TrueUnlessOther, "", &gb_ieHijackGuard},
        {"SystemGuard", "BHOGuard", R::TrueUnlessOther, "", &gb_bhoGuard},
        {"SystemGuard", "IEDefaultPageGuard", R::TrueUnlessOther, "", &gb_ieDefaultPageGuard},
        {"SystemGuard", "IERestoreHomePageAutomatic", R::TrueUnlessOther, "", &gb_ieRestoreHomePageAutomatic},
        {"SystemGuard", "IEDefaultHomePage", R::Text, kDefaultHomePage, &gb_ieDefaultHomePage},
        {"AutoCheckForUpdate", "AutoCheckForUpdate", R::OnlyTrue, "", &gb_autoCheckForUpdate},
        {"AutoCheckForUpdate", "UseDelayedStartup", R::OnlyTrue, "", &gb_useDelayedStartup},
        {"AutoCheckForUpdate", "UseProxy", R::OnlyTrue, "", &gb_useProxy},
        {"AutoCheckForUpdate", "ProxID", R::Text, "", &gb_proxID},
        {"AutoCheckForUpdate", "ProxPass", R::Text, "", &gb_proxPass},
        {"AutoCheckForUpdate", "ProxPort", R::Text, "", &gb_proxPort},
        {"AutoCheckForUpdate", "ProxServer", R::Text, "", &gb_proxServer},
        {"ScanSections", "SpywareAdware", R::TrueUnlessOther, "", &gb_spywareAdware},
        {"ScanSections", "ContextMenu", R::TrueUnlessOther, "", &gb_contextMenu},
        {"ScanSections", "Showpopup", R::TrueUnlessOther, "", &gb_showPopup},
        {"ScanSections", "EnablePassword", R::OnlyTrue, "", &gb_enablePassword},
        {"ScanSections", "DelBckAfterDys", R::OnlyTrue, "", &gb_delBckAfterDys},
        {"ScanSections", "NumberDays", R::NumberDays, "", &gb_numberDays},
        {"ScanSections", "Dialers", R::TrueUnlessOther, "", &gb_dialers},
        {"ScanSections", "KeyLoggers", R::TrueUnlessOther, "", &gb_keyLoggers},
        {"ScanSections", "AdvancedScanning", R::OnlyTrue, "", &gb_advancedScanning},
        {"ScanSections", "AllCookies", R::TrueUnlessOther, "", &gb_allCookies},
        {"ScanSections", "Trojans", R::TrueUnlessOther, "", &gb_trojans},
        {"ScanSections", "PlaySounds", R::TrueUnlessOther, "", &gb_playSounds},
        {"ScanSections", "ScanRestoreFolder", R::TrueUnlessOther, "", &gb_scanRestoreFolder},
        {"ScanSections", "BHO", R::TrueUnlessOther, "", &gb_scanBHO},
        {"RunStartup", "RunStartup", R::OnlyTrue, "", &gb_runStartup},
        {"RunStartup", "RunCustomSched", R::OnlyTrue, "", &gb_runCustomSched},
        {"RunStartup", "UseSplash", R::TrueUnlessOther, "", &gb_useSplash},
        {"Interface", "RememWinPos", R::OnlyTrue, "", &gb_rememWinPos},
        {"Interface", "SnapWinBorder", R::OnlyTrue, "", &gb_snapWinBorder},
        {"Interface", "UseGridlines", R::OnlyTrue, "", &gb_useGridlines},
        {"Schedule", "ScheduleType", R::Text, "", &gb_scheduleType},
        {"Schedule", "DayTime", R::Text, "", &gb_dayTime},
        {"Schedule", "MinuteValue", R::Text, "", &gb_minuteValue},
        {"Schedule", "HourValue", R::Text, "", &gb_hourValue},
        {"Schedule", "DayName", R::Text, "", &gb_dayName},
        {"Schedule", "MonthDate", R::Text, "", &gb_monthDate},
        {"DeleteAfterReboot", "DeleteAfterReboot", R::TrueUnlessOther, "", &gb_deleteAfterReboot},
        {"AutoRemove", "AutoRemove", R::OnlyTrue, "", &gb_autoRemove},
        {"ScanSections", "DeleteBackupAfterRestore", R::OnlyTrue, "", &gb_deleteBackupAfterRestore},
        {"ScanSections", "ScanAllUserAccounts", R::TrueUnlessOther, "", &gb_scanAllUserAccounts},
        {"ScanSections", "SkipNonExeFiles", R::OnlyTrue, "", &gb_skipNonExeFiles},
        {"Scanning", "LogFileName", R::ExistingLogFile, "", &gb_logFileName},
        {"Path", "BackupPath", R::ExistingPath, "BackUp", &gb_backupPath},
    };
    return table;
}

std::string ScanLogFileName(const SYSTEMTIME& now) {
    // The time of day as a fraction of a day, times 100000, rounded (13:02:13 gives 54321).
    const long long seconds = now.wHour * 3600LL + now.wMinute * 60LL + now.wSecond;
    const long long n = static_cast<long long>(conv::RoundHalfEven(seconds * 100000.0 / 86400.0));
    char name[64];
    std::snprintf(name, sizeof name, "logs\\ScanLog%02u-%02u-%02u_%lld.log", now.wDay, now.wMonth, now.wYear % 100, n);
    return FullPath_With_Filename(name);
}

void loadFormMainSettings() {
    for (const SettingRow& row : SettingsTable()) LoadRow(row);

    gb_cookiesFolder =
        RegistryModule::QueryRegString(
            HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", "Cookies") +
        "\\";
    gb_contextMenuDll = FullPath_With_Filename("cm.dll");

    wiring::LoadDefinitions();

    // Without the program's own Run entry, nothing starts it at log-on, whatever the store says.
    CRegister reg;
    if (reg.REGGetSetting(HKEY_CURRENT_USER, kRunKey, kRunValue, "").empty()) {
        gb_runStartup = false;
        gb_useDelayedStartup = false;
    }

    saveFormMainSettings();
}

void saveFormMainSettings() {
    base::Trap("saveFormMainSettings", [] {
        for (const SettingRow& row : SettingsTable()) settings::SaveSetting(row.section, row.key, StoredText(row));
        const std::string major = std::to_string(CORVANE_VERSION_MAJOR), minor = std::to_string(CORVANE_VERSION_MINOR),
                          revision = std::to_string(CORVANE_VERSION_REVISION);
        settings::SaveSetting("Version", "Version", major + "." + minor + "." + revision + ".0");
        settings::SaveSetting("Version", "MAJOR", major);
        settings::SaveSetting("Version", "MINOR", minor);
        settings::SaveSetting("Version", "REVISION", revision);
        settings::SaveSetting("Version", "BUILD", "0");
        settings::SaveSetting("Path", "Install", base::ProgramFolder());
    });
}

bool saveSettingOf(const void* global) {
    return base::Trap("saveSettingOf", false, [&] {
        for (const SettingRow& row : SettingsTable()) {
            const void* held = std::visit([](auto* p) { return static_cast<const void*>(p); }, row.global);
            if (held == global) {
                settings::SaveSetting(row.section, row.key, StoredText(row));
                return true;
            }
        }
        return false;
    });
}

namespace {
constexpr const char* kHomePageStoredKey = "IEDefaultHomePageStored";
}  // namespace

bool protectedHomePageStored() {
    const std::string mark = settings::GetSetting("SystemGuard", kHomePageStoredKey);
    if (mark == "True" || mark == "Browser") return true;
    const std::string stored = settings::GetSetting("SystemGuard", "IEDefaultHomePage");
    return !stored.empty() && stored != kDefaultHomePage;
}

bool protectedHomePageFromBrowser() { return settings::GetSetting("SystemGuard", kHomePageStoredKey) == "Browser"; }

bool storeProtectedHomePage(const std::string& address, HomePageSource source) {
    gb_ieDefaultHomePage = address;
    if (!saveSettingOf(&gb_ieDefaultHomePage)) return false;
    return base::Trap("storeProtectedHomePage", false, [&] {
        settings::SaveSetting("SystemGuard", kHomePageStoredKey, source == HomePageSource::User ? "True" : "Browser");
        return true;
    });
}

void forgetProtectedHomePage() {
    gb_ieDefaultHomePage = kDefaultHomePage;
    saveSettingOf(&gb_ieDefaultHomePage);
    base::Trap("forgetProtectedHomePage", [] { settings::DeleteSetting("SystemGuard", kHomePageStoredKey); });
}

namespace {
BOOL CALLBACK RefreshOne(HWND child, LPARAM) {
    RedrawWindow(child, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    return TRUE;
}
}  // namespace

void RefreshFormControls(HWND form) { EnumChildWindows(form, &RefreshOne, 0); }

}  // namespace modMain
