// From the notify windows' texts to the guards' checks.
#include <deque>

#include "base/RuntimeError.h"
#include "base/Text.h"
#include "base/Trap.h"
#include "core/Globals.h"
#include "core/SpecialFolders.h"
#include "monitors/GuardSupport.h"
#include "monitors/modMonitors.h"

namespace modMonitors {

using monitors::NotifyBox;

namespace {

struct Request {
    NotifyBox box;
    std::string keyPath;  // the Run key of a registry notification
    bool operator==(const Request&) const = default;
};
std::deque<Request> pending;
bool checking = false;

std::string Location(NotifyBox box) {
    switch (box) {
        case NotifyBox::StartupFolder:
            return gb_programsFolder + "\\Startup";
        case NotifyBox::StartupRegistry:
            return kRunKey;  // the start of all five Run keys
        case NotifyBox::IEFavorite:
            return gb_favoritesFolder;
        case NotifyBox::IEHijack:
            return kIEMainKey;
        case NotifyBox::BHO:
            return kBhoParentKey;  // the key's own texts, and its parent's while the key is missing
    }
    return {};
}

void RunCheck(const Request& r) {
    switch (r.box) {
        case NotifyBox::StartupFolder:
            checkStartupFolder();
            break;
        case NotifyBox::StartupRegistry:
            checkStartupRegsitry(r.keyPath);
            break;
        case NotifyBox::IEFavorite:
            checkIEFavoriteFolder();
            break;
        case NotifyBox::IEHijack:
            checkIEHijackRegsitry();
            break;
        case NotifyBox::BHO:
            checkBHORegistry();
            break;
    }
}

}  // namespace

std::string HandlerName(NotifyBox box) {
    switch (box) {
        case NotifyBox::StartupFolder:
            return "txtStartupFolder_Change";
        case NotifyBox::StartupRegistry:
            return "txtStartupRegistry_Change";
        case NotifyBox::IEFavorite:
            return "txtIEFavoriteMonitor_Change";
        case NotifyBox::IEHijack:
            return "txtIEHijackMonitor_Change";
        case NotifyBox::BHO:
            return "txtBHOMonitor_Change";
    }
    return {};
}

bool RouteNotification(NotifyBox box, const std::string& text) {
    const std::string handler = HandlerName(box);
    return base::Trap(handler.c_str(), false, [&] {
        const std::string location = Location(box);
        if (!location.empty() && base::ContainsNoCase(text, location)) {
            Request r{box, {}};
            if (box == NotifyBox::StartupRegistry) {
                const size_t at = text.find("changes");
                r.keyPath = at == std::string::npos || at < 1 ? std::string() : text.substr(0, at - 1);
            }
            // The check runs after this text has been taken, so that the watch asks for the next change
            // before the check looks: a change while the check runs then wakes another check.
            bool queued = false;
            for (const auto& p : pending) queued = queued || p == r;
            if (!queued) pending.push_back(r);
            if (monitors::GuardHost* host = monitors::Host())
                host->RequestChecks();
            else
                RunPendingChecks();
            return true;
        }
        if (!base::ContainsNoCase(text, "err")) return false;
        // err10 to err13: the watch could not be made or broke, and Halvex has let it go (err14 and err15
        // refuse a second watch and leave the first running).
        const bool ended =
            text.size() >= 5 && base::UCase(text.substr(0, 4)) == "ERR1" && text[4] >= '0' && text[4] <= '3';
        if (box == NotifyBox::BHO && ended) {
            bhoWatchEnded();
            // What came while no watch was on is looked at.
            if (BhoGuardRunning()) {
                pending.push_back({box, {}});
                if (monitors::GuardHost* host = monitors::Host()) host->RequestChecks();
            }
        }
        base::Raise(505, text);
        return false;
    });
}

void RunPendingChecks() {
    if (checking) return;
    checking = true;
    while (!pending.empty()) {
        const Request r = pending.front();
        pending.pop_front();
        base::Trap(HandlerName(r.box).c_str(), [&] { RunCheck(r); });
    }
    checking = false;
}

void showGuardAlert(const std::string& text) {
    if (gb_scanBusy) return;
    if (monitors::GuardHost* host = monitors::Host()) {
        try {
            host->ShowGuardAlert(text);
        } catch (...) {
            // A pop-up that fails never reaches the check that raised it.
        }
    }
}

}  // namespace modMonitors

namespace modMonitors {

void followOwnChange(const wiring::OwnChange& change) {
    base::Trap("followOwnChange", [&] {
        using Kind = wiring::OwnChange::Kind;
        if (change.kind == Kind::File) {
            const size_t slash = change.path.find_last_of('\\');
            if (slash == std::string::npos) return;
            const std::string folder = change.path.substr(0, slash), name = change.path.substr(slash + 1);
            if (base::EqualsNoCase(folder, gb_programsFolder + "\\Startup")) followStartupShortcut(name);
            if (base::EqualsNoCase(folder, gb_favoritesFolder)) followFavorite(name);
            return;
        }
        namespace support = monitors::support;
        const bool key = change.kind == Kind::Key;
        // A changed key holds a watched key, or a changed value lies in one.
        auto touches = [&](HKEY root, const char* watched) {
            if (change.root != root) return false;
            return key ? support::KeyWithin(watched, change.path) : base::EqualsNoCase(change.path, watched);
        };
        for (const auto& g : RunGroups())
            if (touches(g.root, g.keyPath)) followRunValues(g.root, g.keyPath, key ? std::string() : change.valueName);
        if (touches(HKEY_CURRENT_USER, kIEMainKey)) followIEPages(key ? std::string() : change.valueName);
        if (change.root != HKEY_LOCAL_MACHINE) return;
        std::string below;
        if (support::KeyWithin(change.path, kBhoKey, &below))
            followBhoKey(below.substr(0, below.find('\\')));
        else if (key && support::KeyWithin(kBhoKey, change.path))
            followBhoKey({});
    });
}

}  // namespace modMonitors
