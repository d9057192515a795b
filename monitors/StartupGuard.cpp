// The startup guard: the current user's Startup folder and five Run keys.
#include <objbase.h>
#include <shlobj.h>
#include <windows.h>

#include <algorithm>
#include <functional>
#include <map>
#include <set>

#include "base/Conversions.h"
#include "base/ProgramFolder.h"
#include "base/RuntimeError.h"
#include "base/Text.h"
#include "base/TextFile.h"
#include "base/Trap.h"
#include "core/RegistryModule.h"
#include "core/Shortcut.h"
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

bool KeyExists(HKEY root, const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

std::string StartupFolder() { return gb_programsFolder + "\\Startup"; }
std::string FolderSnapshotPath() { return base::ProgramFilePath(kStartupFolderSnapshot); }
std::string RegistrySnapshotPath() { return base::ProgramFilePath(kStartupRegistrySnapshot); }

const RunGroup* GroupNamed(const std::string& name) {
    for (const auto& g : RunGroups())
        if (name == g.name) return &g;
    return nullptr;
}

// The folder snapshot's records (name, target), read once per check.
std::vector<std::pair<std::string, std::string>> ReadFolderSnapshot() {
    std::vector<std::pair<std::string, std::string>> records;
    for (const std::string& line : base::ReadLines(FolderSnapshotPath())) {
        auto fields = monitors::ParseQuotedRecord(line);
        if (fields && fields->size() == 2) records.emplace_back((*fields)[0], (*fields)[1]);
    }
    return records;
}

void WriteFolderSnapshot() {
    std::string text;
    for (const std::string& name : support::ListShortcuts(StartupFolder(), "lnk"))
        text += monitors::QuotedRecord({name, fGetShortcutTarget(StartupFolder() + "\\" + name)});
    base::WriteText(FolderSnapshotPath(), text);
}

// Snapshot of every group into one INI text, written at once.
void WriteRegistrySnapshot() {
    support::IniDocument doc;
    // The layout of an existing snapshot is kept: keys are only ever set.
    if (base::FileExists(RegistrySnapshotPath())) doc = support::IniDocument::Load(RegistrySnapshotPath());
    for (const auto& g : RunGroups()) {
        const std::vector<std::string> names = support::ValueNames(g.root, g.keyPath);
        doc.Set("STUPC", g.name, std::to_string(static_cast<long>(names.size()) - 1));
        for (size_t i = 0; i < names.size(); ++i) {
            const std::string index = std::to_string(i);
            doc.Set("Values", std::string(g.name) + "K" + index, support::SnapshotText(names[i]));
            doc.Set("Values", std::string(g.name) + "V" + index,
                    support::SnapshotText(RegistryModule::QueryRegString(g.root, g.keyPath, names[i])));
        }
    }
    base::WriteText(RegistrySnapshotPath(), doc.Text());
}

// The known (name, data) pairs of a group, upper-cased, from the entries up to its last index.
std::set<std::pair<std::string, std::string>> KnownValues(const support::IniDocument& doc, const RunGroup& g) {
    std::set<std::pair<std::string, std::string>> known;
    // A damaged count must not make the walk run away.
    const double count = conv::Val(doc.Get("STUPC", g.name));
    const long last = count < 0 ? -1 : static_cast<long>(std::min(count, 1000000.0));
    for (long i = 0; i <= last; ++i) {
        const std::string index = std::to_string(i);
        known.emplace(base::UCase(doc.Get("Values", std::string(g.name) + "K" + index)),
                      base::UCase(doc.Get("Values", std::string(g.name) + "V" + index)));
    }
    return known;
}

std::string CurrentData(const RunGroup& g, const std::string& name) {
    return support::SnapshotText(RegistryModule::QueryRegString(g.root, g.keyPath, name));
}

void CheckGroup(const RunGroup& g, const support::IniDocument& doc) {
    const auto known = KnownValues(doc, g);
    for (const std::string& name : support::ValueNames(g.root, g.keyPath)) {
        support::PumpMessages();
        // The unnamed default value starts nothing; the names after it are checked all the same.
        if (name.empty() || isOwnStartupEntry(name)) continue;
        const std::string data = CurrentData(g, name);
        if (known.count({base::UCase(support::SnapshotText(name)), base::UCase(data)}) != 0) continue;
        // The pumps above may have let the program change the snapshot (its own change, an answer).
        if (checkIfItemInRegFile(g.name, name)) continue;
        support::Report({monitors::kStartupRegistryGuard, name, data, std::string(g.hive) + "\\" + g.keyPath},
                        "Startup Registry Guard Alert");
    }
}

// The group's snapshot entries with the values `own` names taken afresh from the key: the others
// stay as they were, so a change that nobody answered yet is still reported.
void FollowGroup(const RunGroup& g, const std::function<bool(const std::string& upperName)>& own) {
    support::IniDocument doc;
    if (base::FileExists(RegistrySnapshotPath())) doc = support::IniDocument::Load(RegistrySnapshotPath());
    std::vector<std::pair<std::string, std::string>> entries;
    const double count = conv::Val(doc.Get("STUPC", g.name));
    const long last = count < 0 ? -1 : static_cast<long>(std::min(count, 1000000.0));
    for (long i = 0; i <= last; ++i) {
        const std::string index = std::to_string(i);
        std::string name = doc.Get("Values", std::string(g.name) + "K" + index);
        if (own(base::UCase(name))) continue;
        entries.emplace_back(std::move(name), doc.Get("Values", std::string(g.name) + "V" + index));
    }
    for (const std::string& name : support::ValueNames(g.root, g.keyPath, false))
        if (own(base::UCase(support::SnapshotText(name))))
            entries.emplace_back(support::SnapshotText(name), CurrentData(g, name));
    doc.Set("STUPC", g.name, std::to_string(static_cast<long>(entries.size()) - 1));
    for (size_t i = 0; i < entries.size(); ++i) {
        doc.Set("Values", std::string(g.name) + "K" + std::to_string(i), entries[i].first);
        doc.Set("Values", std::string(g.name) + "V" + std::to_string(i), entries[i].second);
    }
    base::WriteText(RegistrySnapshotPath(), doc.Text());
}

}  // namespace

void followRunValues(HKEY root, const std::string& keyPath, const std::string& valueName) {
    if (!running) return;
    base::Trap("followRunValues", [&] {
        const std::string upper = base::UCase(support::SnapshotText(valueName));
        for (const auto& g : RunGroups()) {
            if (g.root != root || !base::EqualsNoCase(g.keyPath, keyPath)) continue;
            FollowGroup(g, [&](const std::string& name) { return valueName.empty() || name == upper; });
        }
    });
}

void followStartupShortcut(const std::string& name) {
    if (!running) return;
    base::Trap("followStartupShortcut",
               [&] { support::FollowShortcut(FolderSnapshotPath(), StartupFolder(), name, fGetShortcutTarget); });
}

const std::vector<RunGroup>& RunGroups() {
    static const std::vector<RunGroup> groups = {
        {"HCURUN", HKEY_CURRENT_USER, kRunKey, "HKEY_CURRENT_USER"},
        {"HCURUNO", HKEY_CURRENT_USER, kRunOnceKey, "HKEY_CURRENT_USER"},
        {"HKLMRUN", HKEY_LOCAL_MACHINE, kRunKey, "HKEY_LOCAL_MACHINE"},
        {"HKLMRUNO", HKEY_LOCAL_MACHINE, kRunOnceKey, "HKEY_LOCAL_MACHINE"},
        {"HKLMRUNE", HKEY_LOCAL_MACHINE, kRunOnceExKey, "HKEY_LOCAL_MACHINE"},
    };
    return groups;
}

bool StartupGuardRunning() { return running; }

void startStartupMonitor() {
    base::Trap("startStartupMonitor", [] {
        halvex::StartMonitor(StartupFolder(), support::NotifyWindow(NotifyBox::StartupFolder), 1, nullptr);
        running = true;
        WriteFolderSnapshot();
        // A Run key that a new machine does not have yet holds nothing to start, and is not an error:
        // it is left unwatched (its group is still compared at every check of the others).
        for (const auto& g : RunGroups())
            if (KeyExists(g.root, g.keyPath))
                halvex::StartMonitor(g.keyPath, support::NotifyWindow(NotifyBox::StartupRegistry), 0, g.root);
        WriteRegistrySnapshot();
    });
}

void stopStartupMonitor() {
    base::Trap("stopStartupMonitor", [] {
        halvex::StopMonitor(StartupFolder(), 1, nullptr);
        for (const auto& g : RunGroups()) halvex::StopMonitor(g.keyPath, 0, g.root);
    });
    running = false;
    support::ReleaseMonitorsWhenIdle();
}

void checkStartupFolder() {
    base::Trap("checkStartupFolder", [] {
        support::RetakeMissingSnapshot(FolderSnapshotPath(), kStartupFolderSnapshot, "the Startup folder was",
                                       WriteFolderSnapshot);
        const auto records = ReadFolderSnapshot();
        for (const std::string& name : support::ListShortcuts(StartupFolder(), "lnk")) {
            support::PumpMessages();
            const std::string target = fGetShortcutTarget(StartupFolder() + "\\" + name);
            bool known = false;
            for (const auto& [n, t] : records)
                if (base::EqualsNoCase(n, name) && t == target) known = true;
            if (known || checkIfItemInFile(name)) continue;  // the snapshot may have grown meanwhile
            support::Report({monitors::kStartupFileGuard, name, target, StartupFolder() + "\\" + name},
                            "Startup File Guard Alert");
        }
    });
}

void checkStartupRegsitry(const std::string& keyPath) {
    base::Trap("checkStartupRegsitry", [&] {
        std::vector<const RunGroup*> groups;
        if (keyPath == kRunKey)
            groups = {GroupNamed("HCURUN"), GroupNamed("HKLMRUN")};
        else if (keyPath == kRunOnceKey)
            groups = {GroupNamed("HCURUNO"), GroupNamed("HKLMRUNO")};
        else if (keyPath == kRunOnceExKey)
            groups = {GroupNamed("HKLMRUNE")};
        else
            return;
        support::RetakeMissingSnapshot(RegistrySnapshotPath(), kStartupRegistrySnapshot, "the Run keys were",
                                       WriteRegistrySnapshot);
        const auto doc = support::IniDocument::Load(RegistrySnapshotPath());
        for (const RunGroup* g : groups) CheckGroup(*g, doc);
    });
}

bool checkIfItemInFile(const std::string& fileName) {
    return base::Trap("checkIfItemInFile", false, [&] {
        const std::string target = fGetShortcutTarget(StartupFolder() + "\\" + fileName);
        for (const auto& [n, t] : ReadFolderSnapshot())
            if (base::EqualsNoCase(n, fileName) && t == target) return true;
        return false;
    });
}

bool checkIfItemInRegFile(const std::string& group, const std::string& valueName) {
    return base::Trap("checkIfItemInRegFile", false, [&] {
        const RunGroup* g = GroupNamed(group);
        if (g == nullptr) return false;
        const auto doc = support::IniDocument::Load(RegistrySnapshotPath());
        return KnownValues(doc, *g).count(
                   {base::UCase(support::SnapshotText(valueName)), base::UCase(CurrentData(*g, valueName))}) != 0;
    });
}

bool isOwnStartupEntry(const std::string& valueName) { return base::UCase(valueName) == "CORVANE"; }

std::string fGetShortcutTarget(const std::string& shortcutPath) {
    return base::Trap("fGetShortcutTarget", std::string(), [&]() -> std::string {
        if (!base::FileExists(shortcutPath)) return {};
        const std::string upper = base::UCase(shortcutPath);
        if (upper.size() >= 4 && upper.compare(upper.size() - 4, 4, ".URL") == 0) {
            std::string url(4096, '\0');
            DWORD n = GetPrivateProfileStringA("InternetShortcut", "URL", "", url.data(),
                                               static_cast<DWORD>(url.size()), shortcutPath.c_str());
            url.resize(n);
            return url;
        }
        const auto link = core::ReadShortcut(shortcutPath);
        if (!link) base::Raise(base::errAutomation, "Can't read the shortcut " + shortcutPath);
        return link->target;
    });
}

void updateStartupFolder(const GuardAlert& alert) {
    base::Trap("updateStartupFolder", [&] {
        base::AppendText(FolderSnapshotPath(), monitors::QuotedRecord({alert.item, alert.value}));
    });
}

void updateStartupRegistry(const GuardAlert& alert) {
    base::Trap("updateStartupRegistry", [&] {
        const size_t slash = alert.location.find('\\');
        const std::string hive = alert.location.substr(0, slash);
        const std::string keyPath = slash == std::string::npos ? std::string() : alert.location.substr(slash + 1);
        const char* group = nullptr;
        if (hive == "HKEY_LOCAL_MACHINE") {
            if (keyPath == kRunKey)
                group = "HKLMRUN";
            else if (keyPath == kRunOnceKey)
                group = "HKLMRUNO";
            else if (keyPath == kRunOnceExKey)
                group = "HKLMRUNE";
            else
                base::Raise(65, "unknown regsitry path");
        } else if (hive == "HKEY_CURRENT_USER") {
            if (keyPath == kRunKey)
                group = "HCURUN";
            else if (keyPath == kRunOnceKey)
                group = "HCURUNO";
            else
                base::Raise(87, "unknown registry path");
        } else {
            base::Raise(50, "unknown HKEY in the startup registry guard");
        }
        const RunGroup& g = *GroupNamed(group);
        support::IniDocument doc;
        if (base::FileExists(RegistrySnapshotPath())) doc = support::IniDocument::Load(RegistrySnapshotPath());
        const long n = static_cast<long>(conv::Val(doc.Has("STUPC", g.name) ? doc.Get("STUPC", g.name) : "-1")) + 1;
        doc.Set("STUPC", g.name, std::to_string(n));
        doc.Set("Values", std::string(g.name) + "K" + std::to_string(n), support::SnapshotText(alert.item));
        doc.Set("Values", std::string(g.name) + "V" + std::to_string(n), CurrentData(g, alert.item));
        base::WriteText(RegistrySnapshotPath(), doc.Text());
    });
}

}  // namespace modMonitors
