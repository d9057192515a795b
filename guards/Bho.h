#pragma once
// Browser helper objects: the list read from the Browser Helper Objects key and the class
// registrations, the details of a module, taking a helper object out (disable, remove) and
// putting it back with every key and value it had, the disabled-objects file and the named
// configurations of BHO_Config.ini.
#include <optional>
#include <string>
#include <vector>

#include "guards/Records.h"
#include "guards/Startup.h"

namespace guards {

struct BHOProfile {
    std::string name, state, description, version, path, clsid;
    Details undo;  // "bho": the helper object's key as it was; "class": its class key (removed ones)
};

inline const char kBhoKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Browser Helper Objects";

namespace BhoTexts {
std::string Enabled();   // 1017
std::string Error();     // 1068
std::string Disabled();  // 1016
std::string Remove();    // 1066
std::string Unknown();   // 1075
}  // namespace BhoTexts

// "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}": the only CLSID text the manager acts on.
bool IsBracedGuid(const std::string& text);
// The module's fixed file version "a.b.c.d"; empty without a version resource.
std::string FileVersionText(const std::string& path);

// One row per subkey of the helper-object key, in registry order, Enabled or ERROR. Without
// versions the sound rows' version and description stay empty (FillBhoVersions fills them).
std::vector<BHOProfile> SetBHOIntoList(bool withVersions = true);
// Version and description of every Enabled row that has neither, from its module.
void FillBhoVersions(std::vector<BHOProfile>& rows);

// The details message of a row: the module's version texts, or the "does not exist" advice.
struct BhoDetails {
    std::string text;
    bool moduleMissing = false;
};
BhoDetails BhoDetailsText(const BHOProfile& row);

// Registry operations; each refuses a CLSID that is not a braced GUID and touches nothing then.
PlaceResult DisableBho(BHOProfile& row);  // the BHO key goes; its copy goes into row.undo
PlaceResult EnableBho(const BHOProfile& row);
// The BHO key and the class key go; both are kept in the removed-objects file first.
PlaceResult RemoveBho(BHOProfile& row);
// Puts a removed helper object back (both keys) and drops it from the removed-objects file.
PlaceResult RestoreRemovedBho(const std::string& clsid);
std::vector<BHOProfile> RemovedBhos();

std::string BhoDisabledFile();  // <Windows folder>\BHOProf.lst
std::string BhoRemovedFile();   // <Windows folder>\BHORemoved.lst
// Six lines a record: name, state, description, version, path, CLSID; written in one step.
void SaveBHOListToFile(const std::vector<BHOProfile>& records, const std::string& path);
std::vector<BHOProfile> LoadBHOListFile(const std::string& path, bool* truncated = nullptr);

class BhoList {
public:
    struct ApplyReport {
        std::vector<std::string> failures;
        bool notice = false;  // the "next time you start" message is due
    };
    // The registry, then the disabled-objects file; the snapshot is taken. With deferVersions
    // the modules' version resources are read later, by FillVersions.
    void Load(bool deferVersions = false);
    void FillVersions();  // rows and snapshot alike; once
    const std::vector<BHOProfile>& Rows() const { return rows_; }
    void Toggle(size_t row);
    void MarkRemove(size_t row);
    // Rows of a loaded configuration; Apply compares them with the snapshot by CLSID.
    void ReplaceRows(std::vector<BHOProfile> rows);
    // Carries out only the marks that differ from the snapshot; a failing row gets its
    // snapshot state back. BHOProf.lst is rewritten from the rows at the end, whatever failed.
    ApplyReport Apply();
    // Puts back every helper object kept in the removed-objects file; each one put back joins
    // the list and the snapshot as Enabled (or ERROR when its module is gone).
    ApplyReport RestoreRemoved();

private:
    BHOProfile* Snapshot(const std::string& clsid);
    void SaveDisabledItems() const;
    std::vector<BHOProfile> rows_;
    std::vector<BHOProfile> snapshot_;
    bool versionsPending_ = false;
};

// ---- configurations (BHO_Config.ini in the program folder) ----
std::string BhoConfigFile();
std::vector<std::string> BhoConfigurationNames();
bool BhoConfigurationExists(const std::string& name);  // exact, case-sensitive
enum class ConfigSave { Saved, EmptyName, NameExists };
ConfigSave SaveBhoConfiguration(const std::string& name, const std::vector<BHOProfile>& rows);
// The rows saved under the name; nothing when the file cannot be read or the name is unknown.
std::optional<std::vector<BHOProfile>> LoadBhoConfiguration(const std::string& name);

}  // namespace guards
