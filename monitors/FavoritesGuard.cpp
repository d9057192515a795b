// The favourites guard: the Internet shortcuts at the top of the Favorites folder.
#include <map>

#include "base/ProgramFolder.h"
#include "base/RuntimeError.h"
#include "base/Text.h"
#include "base/TextFile.h"
#include "base/Trap.h"
#include "core/SpecialFolders.h"
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

std::string SnapshotPath() { return base::ProgramFilePath(kFavoritesSnapshot); }
std::string FullPath(const std::string& name) { return gb_favoritesFolder + "\\" + name; }

void WriteSnapshot() {
    std::string text;
    for (const std::string& name : support::ListShortcuts(gb_favoritesFolder, "url"))
        text += monitors::QuotedRecord({name, fGetShortcutTarget(FullPath(name))});
    base::WriteText(SnapshotPath(), text);
}

// name (upper-cased, as the file system compares names) -> the targets recorded for it.
std::multimap<std::string, std::string> ReadSnapshot() {
    std::multimap<std::string, std::string> known;
    for (const std::string& line : base::ReadLines(SnapshotPath())) {
        auto fields = monitors::ParseQuotedRecord(line);
        if (fields && fields->size() == 2) known.emplace(base::UCase((*fields)[0]), (*fields)[1]);
    }
    return known;
}

bool Known(const std::multimap<std::string, std::string>& known, const std::string& name, const std::string& target) {
    auto [from, to] = known.equal_range(base::UCase(name));
    for (auto it = from; it != to; ++it)
        if (it->second == target) return true;
    return false;
}

}  // namespace

bool FavoritesGuardRunning() { return running; }

void followFavorite(const std::string& name) {
    if (!running) return;
    base::Trap("followFavorite",
               [&] { support::FollowShortcut(SnapshotPath(), gb_favoritesFolder, name, fGetShortcutTarget); });
}

void startIEFavoriteMonitor() {
    base::Trap("startIEFavoriteMonitor", [] {
        halvex::StartMonitor(gb_favoritesFolder, support::NotifyWindow(NotifyBox::IEFavorite), 1, nullptr);
        running = true;
        WriteSnapshot();
    });
}

void stopIEFavoriteMonitor() {
    base::Trap("stopIEFavoriteMonitor", [] { halvex::StopMonitor(gb_favoritesFolder, 1, nullptr); });
    running = false;
    support::ReleaseMonitorsWhenIdle();
}

void checkIEFavoriteFolder() {
    base::Trap("checkIEFavoriteFolder", [] {
        support::RetakeMissingSnapshot(SnapshotPath(), kFavoritesSnapshot, "the favourites were", WriteSnapshot);
        const auto known = ReadSnapshot();
        for (const std::string& name : support::ListShortcuts(gb_favoritesFolder, "url")) {
            support::PumpMessages();  // once per shortcut: a folder of thousands must not freeze the window
            const std::string target = fGetShortcutTarget(FullPath(name));
            if (Known(known, name, target) || Known(ReadSnapshot(), name, target)) continue;  // grown meanwhile
            support::Report({monitors::kFavoritesGuard, name, target, FullPath(name)}, "IE Favorites Guard Alert");
        }
    });
}

bool checkIfIEHijackItemInFile(const std::string& fileName) {
    return base::Trap("checkIfIEHijackItemInFile", false,
                      [&] { return Known(ReadSnapshot(), fileName, fGetShortcutTarget(FullPath(fileName))); });
}

void updateFavoriteFolder(const GuardAlert& alert) {
    base::Trap("updateFavoriteFolder", [&] {
        base::AppendText(SnapshotPath(), monitors::QuotedRecord({alert.item, alert.value}));
    });
}

}  // namespace modMonitors
