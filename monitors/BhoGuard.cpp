// The browser-helper-object guard: the subkeys of the machine's Browser Helper Objects key.
#include <set>

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

bool running = false;

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

bool BhoGuardRunning() { return running; }

void followBhoKey(const std::string& clsid) {
    if (!running) return;
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
        halvex::StartMonitor(kBhoKey, support::NotifyWindow(NotifyBox::BHO), 0, HKEY_LOCAL_MACHINE);
        running = true;
        WriteSnapshot();
    });
}

void stopBHOMonitor() {
    base::Trap("stopBHOMonitor", [] { halvex::StopMonitor(kBhoKey, 0, HKEY_LOCAL_MACHINE); });
    running = false;
    support::ReleaseMonitorsWhenIdle();
}

void checkBHORegistry() {
    base::Trap("checkBHORegistry", [] {
        support::RetakeMissingSnapshot(SnapshotPath(), kBhoSnapshot, "the helper objects were", WriteSnapshot);
        const auto known = ReadSnapshot();
        // The whole name counts, letter case included: a name that is only part of a known one is new.
        for (const std::string& name : support::SubKeyNames(HKEY_LOCAL_MACHINE, kBhoKey))
            if (known.count(name) == 0)
                support::Report({monitors::kBhoGuard, "BHO Key", name, kBhoKey}, "IE BHO Guard Alert");
    });
}

void updateBHORegistry(const GuardAlert& alert) {
    base::Trap("updateBHORegistry", [&] { base::AppendText(SnapshotPath(), monitors::QuotedRecord({alert.value})); });
}

}  // namespace modMonitors
