#pragma once
// The guard switches: each turns one real-time guard on or off and keeps its setting. The
// guards themselves live elsewhere and are connected through GuardControl. Whether a guard
// runs is the guard's own answer, never the setting: a failed start can be tried again and is
// never shown as running.
#include <string>

namespace guards {

class GuardControl {
public:
    virtual ~GuardControl() = default;
    virtual bool Start() = 0;  // true when the guard now runs
    virtual void Stop() = 0;
    virtual bool Running() const = 0;
};

enum class GuardKind { Startup, IEFavorites, IEHijack, BHO };

class GuardSwitch {
public:
    explicit GuardSwitch(bool& setting) : setting_(setting) {}
    void Connect(GuardControl* guard) { guard_ = guard; }
    // Sets the setting; starts the guard when it is wanted and not running, stops it when it
    // runs and is not wanted. True when the guard's state changed.
    bool Set(bool on);
    bool Running() const { return guard_ && guard_->Running(); }
    bool Setting() const { return setting_; }

private:
    bool& setting_;
    GuardControl* guard_ = nullptr;
};

// The four switches over the settings of core/Globals.h.
GuardSwitch& SwitchOf(GuardKind kind);

// Saves the protected home page: key "StartPage" of section "IE" in the hijack guard's
// snapshot Hjlst.qvl in the program folder, and the setting. False when it was not written.
bool SaveProtectedHomePage(const std::string& address);

// Turns the home-page guard on or off and keeps the setting at once. Turned on while the hijack
// guard runs, the guard protects `shownPage` from now on (the page the window shows; the browser's
// start page when that is empty), as a start of the guard would.
void SetHomePageGuard(bool on, const std::string& shownPage);

}  // namespace guards
