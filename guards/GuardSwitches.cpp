#include "guards/GuardSwitches.h"

#include "base/ProgramFolder.h"
#include "core/Globals.h"
#include "core/RegistryModule.h"
#include "core/Settings.h"
#include "guards/Places.h"

namespace guards {

namespace {
const char kIEMainKey[] = "Software\\Microsoft\\Internet Explorer\\Main";
}

bool GuardSwitch::Set(bool on) {
    setting_ = on;
    if (!guard_ || on == guard_->Running()) return false;
    if (on) return guard_->Start() && guard_->Running();
    guard_->Stop();
    return true;
}

GuardSwitch& SwitchOf(GuardKind kind) {
    static GuardSwitch startup(gb_startupGuard), favorites(gb_ieFavoriteGuard), hijack(gb_ieHijackGuard),
        bho(gb_bhoGuard);
    switch (kind) {
        case GuardKind::Startup:
            return startup;
        case GuardKind::IEFavorites:
            return favorites;
        case GuardKind::IEHijack:
            return hijack;
        default:
            return bho;
    }
}

bool SaveProtectedHomePage(const std::string& address) {
    if (!WriteIniKey(base::ProgramFilePath("Hjlst.qvl"), "IE", "StartPage", address)) return false;
    modMain::storeProtectedHomePage(address);
    return true;
}

void SetHomePageGuard(bool on, const std::string& shownPage) {
    const bool changed = on != gb_ieDefaultPageGuard;
    gb_ieDefaultPageGuard = on;
    if (!changed) return;
    modMain::saveSettingOf(&gb_ieDefaultPageGuard);
    if (!on || !SwitchOf(GuardKind::IEHijack).Running()) return;
    const std::string page =
        !shownPage.empty() ? shownPage : RegistryModule::QueryRegString(HKEY_CURRENT_USER, kIEMainKey, "Start Page");
    WriteIniKey(base::ProgramFilePath("Hjlst.qvl"), "IE", "StartPage", page);
}

}  // namespace guards
