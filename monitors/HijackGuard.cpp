// The home-page hijack guard: the browser's local, search and start pages of the current user.
#include <map>
#include <utility>

#include "base/ProgramFolder.h"
#include "base/RuntimeError.h"
#include "base/Text.h"
#include "base/Trap.h"
#include "core/Globals.h"
#include "core/IniFiles.h"
#include "core/REG32.h"
#include "core/RegistryModule.h"
#include "core/Settings.h"
#include "monitors/GuardSupport.h"
#include "monitors/HalvexClient.h"
#include "monitors/modMonitors.h"

namespace modMonitors {

using monitors::NotifyBox;
namespace support = monitors::support;
namespace halvex = monitors::halvex_client;

namespace {

bool running = false;

struct PageName {
    const char* value;  // the registry value and the alert's item
    const char* key;    // its key in the snapshot
};
constexpr PageName kPageNames[] = {
    {"Local Page", "LocalPage"}, {"Search Page", "SearchPage"}, {"Start Page", "StartPage"}};

// What the program itself last wrote to a page while the guard ran: left alone, never protected.
std::map<std::string, std::string> ownPages;
// The page the guard protected when it raised an alert, by page and the address reported.
std::map<std::pair<std::string, std::string>, std::string> protectedWhenRaised;

std::string SnapshotPath() { return base::ProgramFilePath(kHijackSnapshot); }
std::string Page(const char* valueName) {
    return RegistryModule::QueryRegString(HKEY_CURRENT_USER, kIEMainKey, valueName);
}
std::string Snapshot(const char* key) { return modMain::GetPrivateStringValue("IE", key, SnapshotPath()); }

// True when the page is as the guard protects it, or as the program itself last made it. A page
// someone else changed since is no longer the program's.
bool Unchanged(const char* key, const std::string& now) {
    auto own = ownPages.find(key);
    if (own != ownPages.end() && own->second != now) ownPages.erase(own), own = ownPages.end();
    return Snapshot(key) == now || own != ownPages.end();
}

void Compare(const char* valueName, const char* key) {
    const std::string now = Page(valueName);
    if (Unchanged(key, now)) return;
    protectedWhenRaised[{valueName, now}] = Snapshot(key);
    support::Report({monitors::kHijackGuard, valueName, now, kIEMainKey}, "IE Hijack Guard Alert");
}

}  // namespace

bool HijackGuardRunning() { return running; }

void followIEPages(const std::string& valueName) {
    if (!running) return;
    base::Trap("followIEPages", [&] {
        for (const PageName& p : kPageNames)
            if (valueName.empty() || base::EqualsNoCase(valueName, p.value)) ownPages[p.key] = Page(p.value);
        // The program itself replaced the Start Page while the protected one was only the browser's
        // own, taken at a first start: that page may well be what it just removed. No page is put
        // back silently from now on; a change is shown instead, and the next start takes the page
        // the browser has then.
        if ((valueName.empty() || base::EqualsNoCase(valueName, "Start Page")) &&
            modMain::protectedHomePageFromBrowser()) {
            modMain::forgetProtectedHomePage();
            modMain::SetPrivateStringValue("IE", "StartPage", SnapshotPath(), "");
        }
    });
}

std::string protectedIEPage(const std::string& valueName, const std::string& reported) {
    auto raised = protectedWhenRaised.find({valueName, reported});
    if (raised != protectedWhenRaised.end()) return raised->second;
    for (const PageName& p : kPageNames)
        if (valueName == p.value) return Snapshot(p.key);
    return {};
}

void startIEHijackGuard() {
    base::Trap("startIEHijackGuard", [] {
        halvex::StartMonitor(kIEMainKey, support::NotifyWindow(NotifyBox::IEHijack), 0, HKEY_CURRENT_USER);
        running = true;
        ownPages.clear();
        const std::string path = SnapshotPath();
        modMain::SetPrivateStringValue("IE", "LocalPage", path, Page("Local Page"));
        modMain::SetPrivateStringValue("IE", "SearchPage", path, Page("Search Page"));
        // Until a protected page was ever stored, the one the browser has now is the user's.
        if (!modMain::protectedHomePageStored()) {
            const std::string found = Page("Start Page");
            if (!found.empty()) modMain::storeProtectedHomePage(found, modMain::HomePageSource::Browser);
        }
        const bool protectedPage =
            gb_ieDefaultPageGuard && !gb_ieDefaultHomePage.empty() && modMain::protectedHomePageStored();
        modMain::SetPrivateStringValue("IE", "StartPage", path,
                                       protectedPage ? gb_ieDefaultHomePage : Page("Start Page"));
    });
}

void stopIEHijackGuard() {
    base::Trap("stopIEHijackGuard", [] { halvex::StopMonitor(kIEMainKey, 0, HKEY_CURRENT_USER); });
    running = false;
    support::ReleaseMonitorsWhenIdle();
}

void checkIEHijackRegsitry() {
    base::Trap("checkIEHijackRegsitry", [] {
        Compare("Local Page", "LocalPage");
        Compare("Search Page", "SearchPage");
        if (!gb_ieDefaultPageGuard) return;
        const std::string saved = Snapshot("StartPage"), now = Page("Start Page");
        if (Unchanged("StartPage", now)) return;
        if (gb_ieRestoreHomePageAutomatic && !saved.empty()) {
            if (!REG32::RegSetString(HKEY_CURRENT_USER, kIEMainKey, "Start Page", saved))
                base::Raise(base::errPermissionDenied, "Can't restore the Start Page");
            return;
        }
        // An empty snapshot page is never written back: the change is shown instead.
        Compare("Start Page", "StartPage");
    });
}

}  // namespace modMonitors
