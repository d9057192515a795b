#pragma once
// What the four guards share: listings of folders and keys, the snapshot INI document, and the
// small steps every check takes (yield, record an alert, raise the pop-up).
#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "monitors/AlertStore.h"
#include "monitors/GuardHost.h"

namespace monitors::support {

// File names matching <folder>\*.<extension> at the folder's top level: no folders, no hidden or
// system files. An empty list for a missing folder.
std::vector<std::string> ListShortcuts(const std::string& folder, const std::string& extension);
// The key's value names (the unnamed default value as ""), in the system's order. Throws
// base::RuntimeError when the key cannot be opened or read. `pump`: the host's messages are pumped
// now and then; a snapshot update must not pump, or a check could look before it is written.
std::vector<std::string> ValueNames(HKEY root, const std::string& keyPath, bool pump = true);
// The key's direct subkey names; an empty list when the key is missing.
std::vector<std::string> SubKeyNames(HKEY root, const std::string& keyPath);

// Data as the startup snapshot keeps it: without double quotes, line breaks as blanks.
std::string SnapshotText(const std::string& data);

// An INI file read and written whole, keys in their order, values exactly as they stand after "="
// (no blanks trimmed, no quotes removed, no length limit).
class IniDocument {
public:
    static IniDocument Load(const std::string& path);  // throws when the file is missing
    bool Has(const std::string& section, const std::string& key) const;
    std::string Get(const std::string& section, const std::string& key) const;
    void Set(const std::string& section, const std::string& key, const std::string& value);
    std::string Text() const;

private:
    struct Section {
        std::string name;
        std::vector<std::pair<std::string, std::string>> keys;
        std::map<std::string, size_t> index;  // upper-cased key -> position
    };
    Section* Find(const std::string& name);
    const Section* Find(const std::string& name) const;
    std::vector<Section> sections_;
};

// A shortcut snapshot of (name, target) records after the program's own change of one shortcut: the
// records of that name give way to the shortcut as it now is (none when it is gone).
void FollowShortcut(const std::string& snapshotPath, const std::string& folder, const std::string& name,
                    const std::function<std::string(const std::string& path)>& targetOf);
// True when `path` names `key` or a key below it (letter case ignored); `rest` gets what follows.
bool KeyWithin(const std::string& path, const std::string& key, std::string* rest = nullptr);

// Halvex stays loaded while any guard watches; the last guard to stop lets it go.
void ReleaseMonitorsWhenIdle();
// Without its snapshot a check would call everything new: takes a fresh one with write() and
// raises "File not found: <fileName> (<what> taken in afresh)", so the check says so once and stops.
void RetakeMissingSnapshot(const std::string& path, const std::string& fileName, const std::string& what,
                           const std::function<void()>& write);

void PumpMessages();               // the host's DoEvents, if there is a host
HWND NotifyWindow(NotifyBox box);  // the host's window, or none
// Appends the alert (once while it is unanswered) and raises its pop-up.
void Report(const GuardAlert& alert, const std::string& popupText);

}  // namespace monitors::support
