#include "guards/GuardSwitches.h"

#include "base/ProgramFolder.h"
#include "core/Globals.h"
#include "guards/Places.h"

namespace guards {

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
    gb_ieDefaultHomePage = address;
    return true;
}

}  // namespace guards
