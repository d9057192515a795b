#pragma once
// The real-time guards: the startup places (Startup folder and five Run keys), the favourites, the
// browser's pages and the browser helper objects. Each guard snapshots its place, has Halvex watch it
// (reporting to one of the host's notify windows), and on each change compares the place with its
// snapshot and records what is new or changed as an alert, with a pop-up. Everything runs on the
// user-interface thread. Every routine traps its own errors and logs them under its own name.
#include <windows.h>

#include <string>
#include <vector>

#include "core/Wiring.h"
#include "monitors/AlertStore.h"
#include "monitors/GuardHost.h"

namespace modMonitors {

// Snapshot files in the program folder.
inline constexpr char kStartupFolderSnapshot[] = "stpFldrlst.qvl";
inline constexpr char kStartupRegistrySnapshot[] = "stpReglst.qvl";
inline constexpr char kFavoritesSnapshot[] = "Fvrlst.qvl";
inline constexpr char kHijackSnapshot[] = "Hjlst.qvl";
inline constexpr char kBhoSnapshot[] = "BHOlst.qvl";

inline constexpr char kRunKey[] = "Software\\Microsoft\\Windows\\Currentversion\\Run";
inline constexpr char kRunOnceKey[] = "Software\\Microsoft\\Windows\\Currentversion\\RunOnce";
inline constexpr char kRunOnceExKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnceEx";
inline constexpr char kIEMainKey[] = "Software\\Microsoft\\Internet Explorer\\Main";
inline constexpr char kBhoKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Browser Helper Objects";
inline constexpr char kBhoParentKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer";

// One snapshot group of the startup guard's registry part.
struct RunGroup {
    const char* name;  // HCURUN, HCURUNO, HKLMRUN, HKLMRUNO, HKLMRUNE
    HKEY root;
    const char* keyPath;
    const char* hive;  // "HKEY_CURRENT_USER" or "HKEY_LOCAL_MACHINE"
};
const std::vector<RunGroup>& RunGroups();

// ---- the startup guard ----
void startStartupMonitor();
void stopStartupMonitor();
void checkStartupFolder();
void checkStartupRegsitry(const std::string& keyPath);
bool checkIfItemInFile(const std::string& fileName);
bool checkIfItemInRegFile(const std::string& group, const std::string& valueName);
std::string fGetShortcutTarget(const std::string& shortcutPath);  // "" when it cannot be read
bool isOwnStartupEntry(const std::string& valueName);
// Authorizing: the alert's item joins the snapshot.
void updateStartupFolder(const monitors::GuardAlert& alert);
void updateStartupRegistry(const monitors::GuardAlert& alert);

// ---- the favourites guard ----
void startIEFavoriteMonitor();
void stopIEFavoriteMonitor();
void checkIEFavoriteFolder();
bool checkIfIEHijackItemInFile(const std::string& fileName);
void updateFavoriteFolder(const monitors::GuardAlert& alert);

// ---- the home-page hijack guard ----
void startIEHijackGuard();
void stopIEHijackGuard();
void checkIEHijackRegsitry();
// The page to put back when an alert of the page (its value name) that reported `reported` is
// undone: the one the guard protected when it raised that alert, else the one it protects now.
std::string protectedIEPage(const std::string& valueName, const std::string& reported);

// ---- the browser-helper-object guard ----
void startBHOMonitor();
void stopBHOMonitor();
void checkBHORegistry();
// Halvex ended the guard's watch (its error text): the guard watches the key or its parent again,
// whichever is there and did not just fail; with neither it is not running.
void bhoWatchEnded();
void updateBHORegistry(const monitors::GuardAlert& alert);

// ---- the program's own changes ----
// Each running guard whose place the change touched takes that place, as it now is, into its
// snapshot: what the program did itself is neither reported nor undone. The hijack guard only
// leaves the program's pages alone: they never become the pages it protects. Installed as the
// wiring's follower wherever the guards are wired.
void followOwnChange(const wiring::OwnChange& change);
void followRunValues(HKEY root, const std::string& keyPath, const std::string& valueName);  // "" = all
void followStartupShortcut(const std::string& name);
void followFavorite(const std::string& name);
void followIEPages(const std::string& valueName);  // "" = all three
void followBhoKey(const std::string& clsid);       // "" = the whole list

// The pop-up raiser: nothing while a scan or a removal runs (gb_scanBusy).
void showGuardAlert(const std::string& text);

// ---- routing of the notify windows' texts ----
// What the notify window's change handler does with its new text: a change text of its place
// schedules the place's check and answers true (the handler then empties the box); an error text of
// Halvex ("err10 ...") is logged as error 505 under the handler's name ("txtBHOMonitor_Change") and
// answers false; anything else (the empty text after a clearing) answers false.
bool RouteNotification(monitors::NotifyBox box, const std::string& text);
// Runs the checks that notifications asked for, until none is left. A call while checks run (from a
// message pumped by a check) returns at once; the running loop takes the new requests.
void RunPendingChecks();
// The change handler's name of a box ("txtStartupRegistry_Change").
std::string HandlerName(monitors::NotifyBox box);

// True while the guard's watches are started.
bool StartupGuardRunning();
bool FavoritesGuardRunning();
bool HijackGuardRunning();
bool BhoGuardRunning();

}  // namespace modMonitors
