// The home-page hijack guard: the browser's local, search and start pages of the current user.
#include "base/ProgramFolder.h"
#include "base/RuntimeError.h"
#include "base/Text.h"
#include "base/Trap.h"
#include "core/Globals.h"
#include "core/IniFiles.h"
#include "core/REG32.h"
#include "core/RegistryModule.h"
#include "monitors/GuardSupport.h"
#include "monitors/HalvexClient.h"
#include "monitors/modMonitors.h"

namespace modMonitors {

using monitors::NotifyBox;
namespace support = monitors::support;
namespace halvex = monitors::halvex_client;

namespace {

bool running = false;

std::string SnapshotPath() { return base::ProgramFilePath(kHijackSnapshot); }
std::string Page(const char* valueName) {
    return RegistryModule::QueryRegString(HKEY_CURRENT_USER, kIEMainKey, valueName);
}
std::string Snapshot(const char* key) { return modMain::GetPrivateStringValue("IE", key, SnapshotPath()); }

void Compare(const char* valueName, const char* key) {
    if (Snapshot(key) == Page(valueName)) return;
    support::Report({monitors::kHijackGuard, valueName, Page(valueName), kIEMainKey}, "IE Hijack Guard Alert");
}

}  // namespace

bool HijackGuardRunning() { return running; }

void followIEPages(const std::string& valueName) {
    if (!running) return;
    base::Trap("followIEPages", [&] {
        for (auto [name, key] : {std::pair{"Local Page", "LocalPage"}, std::pair{"Search Page", "SearchPage"},
                                 std::pair{"Start Page", "StartPage"}})
            if (valueName.empty() || base::EqualsNoCase(valueName, name))
                modMain::SetPrivateStringValue("IE", key, SnapshotPath(), Page(name));
    });
}

void startIEHijackGuard() {
    base::Trap("startIEHijackGuard", [] {
        halvex::StartMonitor(kIEMainKey, support::NotifyWindow(NotifyBox::IEHijack), 0, HKEY_CURRENT_USER);
        running = true;
        const std::string path = SnapshotPath();
        modMain::SetPrivateStringValue("IE", "LocalPage", path, Page("Local Page"));
        modMain::SetPrivateStringValue("IE", "SearchPage", path, Page("Search Page"));
        // Until the user has chosen a page to protect, the one the browser has now is protected.
        const bool protectedPage = gb_ieDefaultPageGuard && !gb_ieDefaultHomePage.empty();
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
        const std::string saved = Snapshot("StartPage");
        if (saved == Page("Start Page")) return;
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
