#include "monitors/AlertAnswers.h"

#include "base/ErrorLog.h"
#include "base/ProgramFolder.h"
#include "base/RuntimeError.h"
#include "base/Text.h"
#include "base/TextFile.h"
#include "base/Trap.h"
#include "core/Globals.h"
#include "core/IniFiles.h"
#include "core/REG32.h"
#include "core/RegistryModule.h"
#include "core/SpecialFolders.h"
#include "monitors/modMonitors.h"

namespace monitors {

namespace {

struct Page {
    const char* item;  // the registry value and the alert's item name
    const char* key;   // its key in the hijack snapshot
};
constexpr Page kPages[] = {{"Local Page", "LocalPage"}, {"Search Page", "SearchPage"}, {"Start Page", "StartPage"}};

const Page& PageOf(const GuardAlert& a) {
    for (const Page& p : kPages)
        if (a.item == p.item) return p;
    base::Raise(42, "unknown case in IE HijackGuard");
}

[[noreturn]] void NotWatched(const GuardAlert& a) {
    base::Raise(base::errPathFileAccessError, "not a place the guards watch: " + a.location);
}

// The Run group an alert's location names, exactly as the guard writes it.
const modMonitors::RunGroup& RunGroupOf(const GuardAlert& a) {
    const size_t slash = a.location.find('\\');
    const std::string hive = a.location.substr(0, slash);
    if (hive != "HKEY_CURRENT_USER" && hive != "HKEY_LOCAL_MACHINE")
        base::Raise(50, "unknown HKEY in the startup registry guard");
    for (const auto& g : modMonitors::RunGroups())
        if (base::EqualsNoCase(a.location, std::string(g.hive) + "\\" + g.keyPath)) return g;
    NotWatched(a);
}

// The shortcut's full path, when the alert names a shortcut at the top of the guard's folder.
std::string ShortcutPath(const GuardAlert& a, const std::string& folder, const char* extension) {
    const std::string& name = a.item;
    const std::string upper = base::UCase(name);
    const std::string ext = base::UCase(extension);
    const bool plainName = !name.empty() && name.find_first_of("\\/:") == std::string::npos && name != "." &&
                           name != ".." && upper.size() > ext.size() &&
                           upper.compare(upper.size() - ext.size(), ext.size(), ext) == 0;
    const std::string path = folder + "\\" + name;
    if (!plainName || folder.empty() || !base::EqualsNoCase(a.location, path)) NotWatched(a);
    return path;
}

// One subkey directly below the helper-object key, nothing deeper and nothing beside it.
bool IsSubKeyName(const std::string& s) {
    return !s.empty() && s.size() <= 255 && s.find('\\') == std::string::npos && s != "." && s != "..";
}

std::string BhoKeyOf(const GuardAlert& a) {
    if (!base::EqualsNoCase(a.location, modMonitors::kBhoKey) || !IsSubKeyName(a.value)) NotWatched(a);
    return std::string(modMonitors::kBhoKey) + "\\" + a.value;
}

bool ValueExists(HKEY root, const std::string& keyPath, const std::string& name) {
    base::RegKey key;
    if (RegOpenKeyExA(root, keyPath.c_str(), 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS) return false;
    return RegQueryValueExA(key.get(), name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

std::string HijackSnapshotPath() { return base::ProgramFilePath(modMonitors::kHijackSnapshot); }

bool UndoShortcut(const GuardAlert& a, const std::string& folder, const char* extension) {
    const std::string path = ShortcutPath(a, folder, extension);
    if (!base::FileExists(path)) base::Raise(40, "File not found" + path);  // gone already: the row goes
    if (!DeleteFileA(path.c_str())) base::Raise(base::errPermissionDenied, "can't delete the file " + path);
    return true;
}

}  // namespace

bool AuthorizeOne(const GuardAlert& a) {
    if (a.guard == kStartupRegistryGuard) {
        RunGroupOf(a);
        modMonitors::updateStartupRegistry(a);
    } else if (a.guard == kStartupFileGuard) {
        ShortcutPath(a, gb_programsFolder + "\\Startup", ".lnk");
        modMonitors::updateStartupFolder(a);
    } else if (a.guard == kFavoritesGuard) {
        ShortcutPath(a, gb_favoritesFolder, ".url");
        modMonitors::updateFavoriteFolder(a);
    } else if (a.guard == kHijackGuard) {
        const Page& p = PageOf(a);
        // The page as it is now, not as the alert shows it.
        modMain::SetPrivateStringValue(
            "IE", p.key, HijackSnapshotPath(),
            RegistryModule::QueryRegString(HKEY_CURRENT_USER, modMonitors::kIEMainKey, p.item));
    } else if (a.guard == kBhoGuard) {
        const std::string key = BhoKeyOf(a);
        if (!REG32::RegOpenKeyQuery(HKEY_LOCAL_MACHINE, key)) base::Raise(535, a.value);  // gone: the row goes
        modMonitors::updateBHORegistry(a);
    } else {
        base::Raise(45, "unknown Guard type");
    }
    return true;
}

bool UndoOne(const GuardAlert& a) {
    if (a.guard == kStartupRegistryGuard) {
        const auto& g = RunGroupOf(a);
        if (a.item.empty()) NotWatched(a);
        if (!ValueExists(g.root, g.keyPath, a.item)) return true;  // taken back already
        if (!RegistryModule::DeleteValue(g.root, g.keyPath, a.item))
            base::Raise(base::errPermissionDenied, "can't delete registry value  " + a.location);
        return true;
    }
    if (a.guard == kStartupFileGuard) return UndoShortcut(a, gb_programsFolder + "\\Startup", ".lnk");
    if (a.guard == kFavoritesGuard) return UndoShortcut(a, gb_favoritesFolder, ".url");
    if (a.guard == kHijackGuard) {
        const Page& p = PageOf(a);
        if (std::string(p.key) == "StartPage" && !gb_ieDefaultPageGuard) return false;
        const std::string saved = modMonitors::protectedIEPage(p.item, a.value);
        // No page to go back to: the browser keeps the one it has.
        if (saved.empty()) base::Raise(base::errFileNotFound, std::string("no saved ") + p.item + " to restore");
        if (!REG32::RegSetString(HKEY_CURRENT_USER, modMonitors::kIEMainKey, p.item, saved))
            base::Raise(base::errPermissionDenied, std::string("can't restore the ") + p.item);
        return true;
    }
    if (a.guard == kBhoGuard) {
        const std::string key = BhoKeyOf(a);
        if (!REG32::RegOpenKeyQuery(HKEY_LOCAL_MACHINE, key)) base::Raise(535, a.value);  // gone: the row goes
        const long rc = RegistryModule::DeleteKey(HKEY_LOCAL_MACHINE, key);
        if (rc != 0) base::Raise(base::errPermissionDenied, "can't delete registry key  HKEY_LOCAL_MACHINE\\" + key);
        return true;
    }
    base::Raise(45, "unknown Guard type");
}

int AnswerCheckedRows(std::vector<AlertRow>& rows, Answer answer) {
    const std::string method = answer == Answer::Authorize ? "Alerts cmdAuthorize_Click" : "Alerts cmdDelete_Click";
    std::vector<GuardAlert> handled;
    std::vector<AlertRow> left;
    for (AlertRow& row : rows) {
        if (!row.checked) {
            left.push_back(row);
            continue;
        }
        bool done = false;
        try {
            done = answer == Answer::Authorize ? AuthorizeOne(row.alert) : UndoOne(row.alert);
        } catch (const base::RuntimeError& e) {
            base::ReportTrapped(e.number(), e.description(), method);
            // Gone already: nothing is left to keep or to take back.
            done = e.number() == 40 || e.number() == 535;
        } catch (...) {
            base::ReportCurrentException(method);
        }
        if (done)
            handled.push_back(row.alert);
        else
            left.push_back(row);
    }
    rows = std::move(left);
    base::Trap(method.c_str(), [&] {
        std::vector<GuardAlert> remaining;
        for (const auto& r : rows) remaining.push_back(r.alert);
        SaveAlertStore(remaining, handled);
    });
    return static_cast<int>(handled.size());
}

}  // namespace monitors
