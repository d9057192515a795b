#pragma once
// Startup items: the record of one program that Windows starts at log-on, the places it can
// live in, taking an item out of its place and putting it back exactly as it was, the list
// read from every place, and the record files (the disabled-items file and user profiles).
#include <windows.h>

#include <string>
#include <vector>

#include "core/IniFiles.h"
#include "guards/Records.h"

namespace guards {

// Six display fields in file order, plus what it takes to put the item back exactly
// (value type and data, the shortcut file's bytes and real name, the win.ini programs).
struct StartupProfile {
    std::string name, state, location, user, when, command;
    Details undo;
};

enum class StartupPlace {
    UserRun,
    MachineRun,
    MachineRunOnce,
    MachineRunOnceEx,
    MachineRunServices,
    StartupUser,
    StartupCommon,
    WinIniLoad,
    WinIniRun,
    Unknown
};

// The place a location text names: the current language's names, the English defaults and
// the machine-wide texts composed from message 1031 all count, so a profile written under
// another language pack still finds its place.
StartupPlace PlaceOf(const std::string& location);
// Same place and same item: the identity Apply, Reset and profiles pair rows and records by.
std::string StartupIdentity(const StartupProfile& item);

namespace StartupTexts {
std::string Enabled();   // message 1017
std::string Disabled();  // message 1016
std::string Remove();    // message 1066
}  // namespace StartupTexts

struct PlaceResult {
    bool ok = true;
    std::string error;  // why the item was left as it was
};

// Takes the item out of its place; the record's undo details are filled from what was there.
// An item already gone is fine. Refused (nothing touched): an unknown location, a Startup
// folder that cannot be found, a shortcut name that is not a plain file name.
PlaceResult DisableStartupItem(StartupProfile& record);
// Puts the item into its place: from the undo details when the record has them (the exact
// original), else from the command. An item already in place is left as it is.
PlaceResult EnableStartupItem(const StartupProfile& record);

// Record files: written in one step (the old file stays whole until the new one is complete).
// An empty path writes nothing.
void SaveStartupProfile(const std::vector<StartupProfile>& records, const std::string& path);
// Reads to the end of the file; *truncated when the last record is cut short.
std::vector<StartupProfile> LoadStartupProfile(const std::string& path, bool* truncated = nullptr);
std::string StartupDisabledFile();  // <Windows folder>\StartupProf.lst

// Every item of every place, in the fixed order (user Run; machine Run, RunOnce, RunOnceEx,
// RunServices; win.ini Load, Run; both Startup folders), each marked Enabled.
std::vector<StartupProfile> ReadStartupPlaces();

// The list with its marks and the records Apply compares against (by identity).
class StartupList {
public:
    struct Row {
        StartupProfile item;
        unsigned long id = 0;
    };
    struct ApplyReport {
        std::vector<std::string> failures;  // "<name>: <why>" per item left as it was
    };

    // Every place, then the disabled-items file; the saved records become the rows.
    void Load();
    const std::vector<Row>& Rows() const { return rows_; }
    size_t SavedCount() const { return saved_.size(); }

    void Toggle(size_t row);      // Enabled <-> Disabled; Remove -> Enabled
    void MarkRemove(size_t row);  // Remove (the toggle is the way back)
    void Add(StartupProfile item);

    // Carries out every mark that differs from its record; a failing item keeps its record's
    // state (its row shows it again) and the rest go on. The disabled-items file is rewritten
    // after every item taken out and at the end, whatever failed; it holds the Disabled rows and
    // every disabled item the list no longer shows.
    ApplyReport Apply();
    // The rows as the records stand (unapplied marks, added rows and loaded profiles dropped).
    void Reset();
    void SaveProfile(const std::string& path) const;
    // Replaces the rows with the profile's; rows that match a record take its identity. A file
    // cut inside a record gives the rows read (the last one as far as it goes) and *truncated.
    void LoadProfile(const std::string& path, bool* truncated = nullptr);

private:
    struct Saved {
        unsigned long id;
        StartupProfile item;
    };
    Saved* FindSaved(unsigned long id);
    void SaveDisabledItems() const;
    unsigned long next_ = 1;
    std::vector<Row> rows_;
    std::vector<Saved> saved_;
};

}  // namespace guards
