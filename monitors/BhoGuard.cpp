// The browser-helper-object guard: the subkeys of the machine's Browser Helper Objects key.
#include <set>

#include "base/Handles.h"
#include "base/ProgramFolder.h"
#include "base/RuntimeError.h"
#include "base/Text.h"
#include "base/TextFile.h"
#include "base/Trap.h"
#include "monitors/GuardSupport.h"
#include "monitors/HalvexClient.h"
#include "monitors/QuotedRecords.h"
#include "monitors/modMonitors.h"

namespace modMonitors {

using monitors::GuardAlert;
using monitors::NotifyBox;
namespace support = monitors::support;
namespace halvex = monitors::halvex_client;

namespace {

// The guard watches the helper objects' key while it exists, and else its parent, which tells when
// the key comes (the check then moves the watch onto the key). Nothing watched: not running.
enum class Watched { Nothing, Key, Parent };
Watched watched = Watched::Nothing;
bool wanted = false;  // switched on

const char* PathOf(Watched w) { return w == Watched::Key ? kBhoKey : kBhoParentKey; }

bool KeyExists() {
    base::RegKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kBhoKey, 0, KEY_READ | KEY_WOW64_64KEY, key.put()) == ERROR_SUCCESS)
        return true;
    return RegOpenKeyExA(HKEY_LOCAL_MACHINE, kBhoKey, 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

// Moves the watch to the key or its parent, whichever the key's presence asks for; `failed` is a
// place whose watch has just ended and is not tried again at once.
void Arm(Watched failed = Watched::Nothing) {
    const Watched want = KeyExists() ? Watched::Key : Watched::Parent;
    if (want == watched || want == failed) return;
    if (watched != Watched::Nothing) halvex::StopMonitor(PathOf(watched), 0, HKEY_LOCAL_MACHINE);
    watched = Watched::Nothing;
    if (halvex::StartMonitor(PathOf(want), support::NotifyWindow(NotifyBox::BHO), 0, HKEY_LOCAL_MACHINE) > 0)
        watched = want;
}

std::string SnapshotPath() { return base::ProgramFilePath(kBhoSnapshot); }

void WriteSnapshot() {
    std::string text;
    for (const std::string& name : support::SubKeyNames(HKEY_LOCAL_MACHINE, kBhoKey))
        text += monitors::QuotedRecord({name});
    base::WriteText(SnapshotPath(), text);
}

// The names between the quotes of each line; a line without quotes counts as written.
std::set<std::string> ReadSnapshot() {
    std::set<std::string> known;
    for (const std::string& line : base::ReadLines(SnapshotPath())) {
        auto fields = monitors::ParseQuotedRecord(line);
        known.insert(fields && fields->size() == 1 ? (*fields)[0] : line);
    }
    return known;
}

}  // namespace

bool BhoGuardRunning() { return watched != Watched::Nothing; }

void followBhoKey(const std::string& clsid) {
    if (watched == Watched::Nothing) return;
    base::Trap("followBhoKey", [&] {
        if (clsid.empty() || !base::FileExists(SnapshotPath())) return WriteSnapshot();
        std::string text;
        for (const std::string& name : ReadSnapshot())
            if (!base::EqualsNoCase(name, clsid)) text += monitors::QuotedRecord({name});
        for (const std::string& name : support::SubKeyNames(HKEY_LOCAL_MACHINE, kBhoKey))
            if (base::EqualsNoCase(name, clsid)) text += monitors::QuotedRecord({name});
        base::WriteText(SnapshotPath(), text);
    });
}

void startBHOMonitor() {
    base::Trap("startBHOMonitor", [] {
        wanted = true;
        // A second start asks again, and Halvex refuses the duplicate on the box (err14), as for every guard.
        if (watched != Watched::Nothing)
            halvex::StartMonitor(PathOf(watched), support::NotifyWindow(NotifyBox::BHO), 0, HKEY_LOCAL_MACHINE);
        Arm();
        if (watched == Watched::Nothing) base::Raise(base::errPathFileAccessError, "No watch on the helper objects");
        WriteSnapshot();
    });
}

void stopBHOMonitor() {
    wanted = false;
    base::Trap("stopBHOMonitor", [] {
        if (watched != Watched::Nothing) halvex::StopMonitor(PathOf(watched), 0, HKEY_LOCAL_MACHINE);
    });
    watched = Watched::Nothing;
    support::ReleaseMonitorsWhenIdle();
}

void checkBHORegistry() {
    base::Trap("checkBHORegistry", [] {
        if (wanted) Arm();
        support::RetakeMissingSnapshot(SnapshotPath(), kBhoSnapshot, "the helper objects were", WriteSnapshot);
        const auto known = ReadSnapshot();
        // The whole name counts, letter case included: a name that is only part of a known one is new.
        for (const std::string& name : support::SubKeyNames(HKEY_LOCAL_MACHINE, kBhoKey))
            if (known.count(name) == 0)
                support::Report({monitors::kBhoGuard, "BHO Key", name, kBhoKey}, "IE BHO Guard Alert");
    });
}

void bhoWatchEnded() {
    const Watched failed = watched;
    watched = Watched::Nothing;  // Halvex has let the watch go
    if (wanted) base::Trap("bhoWatchEnded", [&] { Arm(failed); });
}

void updateBHORegistry(const GuardAlert& alert) {
    base::Trap("updateBHORegistry", [&] { base::AppendText(SnapshotPath(), monitors::QuotedRecord({alert.value})); });
}

}  // namespace modMonitors
