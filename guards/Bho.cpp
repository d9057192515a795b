#include "guards/Bho.h"

#include <windows.h>

#include <algorithm>

#include "base/ProgramFolder.h"
#include "base/Text.h"
#include "base/TextFile.h"
#include "base/Trap.h"
#include "core/AtomicFile.h"
#include "core/SpecialFolders.h"
#include "core/Wiring.h"
#include "core/modLanguage.h"
#include "guards/Places.h"

namespace guards {
namespace {

std::string BhoKeyOf(const std::string& clsid) { return std::string(kBhoKey) + "\\" + clsid; }
std::string ClassKeyOf(const std::string& clsid) { return "CLSID\\" + clsid; }
PlaceResult Fail(std::string why) { return {false, std::move(why)}; }

std::string DefaultValue(HKEY hive, const std::string& key) {
    auto v = ReadRawValue(hive, key, "");
    return v ? ValueText(*v) : std::string();
}

LineRecord ToRecord(const BHOProfile& r) {
    return {{r.name, r.state, r.description, r.version, r.path, r.clsid}, r.undo};
}

BHOProfile FromRecord(const LineRecord& r) {
    return {r.fields[0], r.fields[1], r.fields[2], r.fields[3], r.fields[4], r.fields[5], r.details};
}

std::string Upper(const std::string& s) { return base::UCase(s); }

}  // namespace

namespace BhoTexts {
std::string Enabled() { return modLanguage::getMessage("1017", "Enabled"); }
std::string Error() { return modLanguage::getMessage("1068", "ERROR"); }
std::string Disabled() { return modLanguage::getMessage("1016", "Disabled"); }
std::string Remove() { return modLanguage::getMessage("1066", "Remove"); }
std::string Unknown() { return modLanguage::getMessage("1075", "UnKnown"); }
}  // namespace BhoTexts

bool IsBracedGuid(const std::string& t) {
    if (t.size() != 38 || t.front() != '{' || t.back() != '}') return false;
    for (size_t i = 1; i < 37; ++i) {
        bool dash = i == 9 || i == 14 || i == 19 || i == 24;
        if (dash ? t[i] != '-' : !isxdigit(static_cast<unsigned char>(t[i]))) return false;
    }
    return true;
}

namespace {

struct ModuleVersion {
    std::string version, description;
};

// The fixed version and the FileDescription from one read of the version resource.
ModuleVersion ReadModuleVersion(const std::string& path) {
    ModuleVersion out;
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    if (!size) return out;
    std::string data(size, '\0');
    if (!GetFileVersionInfoA(path.c_str(), 0, size, data.data())) return out;
    VS_FIXEDFILEINFO* info = nullptr;
    UINT len = 0;
    if (VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&info), &len) && info && len >= sizeof *info)
        out.version =
            std::to_string(HIWORD(info->dwFileVersionMS)) + "." + std::to_string(LOWORD(info->dwFileVersionMS)) + "." +
            std::to_string(HIWORD(info->dwFileVersionLS)) + "." + std::to_string(LOWORD(info->dwFileVersionLS));
    void* translation = nullptr;
    if (VerQueryValueA(data.data(), "\\VarFileInfo\\Translation", &translation, &len) && len >= 4) {
        const BYTE* b = static_cast<const BYTE*>(translation);
        char hex[9];
        wsprintfA(hex, "%04X%04X", b[0] | (b[1] << 8), b[2] | (b[3] << 8));
        void* value = nullptr;
        if (VerQueryValueA(data.data(), (std::string("\\StringFileInfo\\") + hex + "\\FileDescription").c_str(), &value,
                           &len) &&
            value) {
            const char* text = static_cast<const char*>(value);
            size_t n = 0;
            while (n < len && text[n] != '\0') ++n;
            out.description.assign(text, n);
        }
    }
    return out;
}

}  // namespace

std::string FileVersionText(const std::string& path) { return ReadModuleVersion(path).version; }

void FillBhoVersions(std::vector<BHOProfile>& rows) {
    const std::string enabled = BhoTexts::Enabled();
    for (auto& r : rows)
        if (r.state == enabled && r.version.empty() && r.description.empty() && !r.path.empty()) {
            ModuleVersion v = ReadModuleVersion(r.path);
            r.version = v.version;
            r.description = v.description;
        }
}

std::vector<BHOProfile> SetBHOIntoList(bool withVersions) {
    std::vector<BHOProfile> rows;
    for (const auto& clsid : SubKeyNames(HKEY_LOCAL_MACHINE, kBhoKey)) {
        base::Trap("SetBHOIntoList", [&] {
            BHOProfile row;
            row.clsid = clsid;  // first, so that no half-built row lacks it
            std::string name = DefaultValue(HKEY_LOCAL_MACHINE, BhoKeyOf(clsid));
            row.name = name.size() < 3 ? BhoTexts::Unknown() : name;
            row.state = BhoTexts::Error();
            std::string cls = ClassKeyOf(clsid);
            if (!KeyExists(HKEY_CLASSES_ROOT, cls)) {
                row.description = modLanguage::getMessage("1076", "BHO is not Registred");
            } else if (!KeyExists(HKEY_CLASSES_ROOT, cls + "\\InprocServer32")) {
                row.description =
                    modLanguage::getMessage("1077", "BHO Module is registred but not correctly implemented");
            } else if ((row.path = DefaultValue(HKEY_CLASSES_ROOT, cls + "\\InprocServer32")).empty()) {
                row.description = modLanguage::getMessage("1078", "BHO Module is not found");
            } else if (!base::FileExists(row.path)) {
                row.description = modLanguage::getMessage("1079", "Path Exist but Module not found");
            } else {
                row.state = BhoTexts::Enabled();
                if (withVersions) {
                    ModuleVersion v = ReadModuleVersion(row.path);
                    row.version = v.version;
                    row.description = v.description;
                }
            }
            rows.push_back(std::move(row));
        });
    }
    return rows;
}

BhoDetails BhoDetailsText(const BHOProfile& row) {
    if (row.path.empty() || !base::FileExists(row.path))
        return {modLanguage::getMessage("1088", "Module does not Exist, No more information available") + "\r\n" +
                    modLanguage::getMessage(
                        "1089", "Recommended: Remove this entry by BHO Manager and re-install the application again"),
                true};
    FileVersionHeader v = modMain::GetVerHeader(row.path);
    std::string t = modLanguage::getMessage("1080", "Comments:") + " " + v.Comments + "\r\n" + " ";
    t += modLanguage::getMessage("1081", "Descriptioton:") + " " + v.FileDescription + "\r\n";
    t += modLanguage::getMessage("1082", "Internal Name:") + " " + v.InternalName + "\r\n";
    t += modLanguage::getMessage("1083", "Version:") + " " + v.FileVersion + "\r\n";
    t += modLanguage::getMessage("1084", "Company:") + " " + v.CompanyName + "\r\n";
    t += modLanguage::getMessage("1085", "Product Name:") + " " + v.ProductName + "\r\n";
    t += modLanguage::getMessage("1086", "Original FIleName:") + " " + v.OriginalFileName + "\r\n";
    t += modLanguage::getMessage("1087", "Copy right:") + " " + v.LegalCopyright;
    return {t, false};
}

PlaceResult DisableBho(BHOProfile& row) {
    if (!IsBracedGuid(row.clsid)) return Fail("the CLSID is not well formed");
    std::string key = BhoKeyOf(row.clsid);
    if (auto snap = SnapshotKeyTree(HKEY_LOCAL_MACHINE, key))
        row.undo["bho"] = *snap;
    else if (KeyExists(HKEY_LOCAL_MACHINE, key))
        return Fail("the helper object's key cannot be read");
    const bool deleted = DeleteKeyTree(HKEY_LOCAL_MACHINE, key);
    wiring::NoteOwnKeyChange(HKEY_LOCAL_MACHINE, key);
    if (!deleted) return Fail("the helper object's key cannot be deleted");
    return {};
}

PlaceResult EnableBho(const BHOProfile& row) {
    if (!IsBracedGuid(row.clsid)) return Fail("the CLSID is not well formed");
    std::string key = BhoKeyOf(row.clsid);
    if (KeyExists(HKEY_LOCAL_MACHINE, key)) return {};
    auto snap = row.undo.find("bho");
    bool ok = false;
    if (snap != row.undo.end()) {
        ok = RestoreKeyTree(HKEY_LOCAL_MACHINE, key, snap->second);
    } else {
        // No copy (a configuration's row): the key with the name, unless the name was unknown.
        ok = row.name == BhoTexts::Unknown()
                 ? WriteRawValue(HKEY_LOCAL_MACHINE, key, "", {REG_SZ, std::string(1, '\0')})
                 : WriteRawValue(HKEY_LOCAL_MACHINE, key, "", {REG_SZ, row.name + '\0'});
    }
    wiring::NoteOwnKeyChange(HKEY_LOCAL_MACHINE, key);
    if (!ok) return Fail("the helper object's key cannot be written");
    return {};
}

std::string BhoDisabledFile() {
    std::string dir = modMain::GetWinDir();
    return dir.empty() ? std::string() : dir + "\\BHOProf.lst";
}

std::string BhoRemovedFile() {
    std::string dir = modMain::GetWinDir();
    return dir.empty() ? std::string() : dir + "\\BHORemoved.lst";
}

void SaveBHOListToFile(const std::vector<BHOProfile>& records, const std::string& path) {
    if (path.empty()) return;
    std::vector<LineRecord> lines;
    for (const auto& r : records) lines.push_back(ToRecord(r));
    ReplaceFileContent(path, WriteRecords(lines, 6));
}

std::vector<BHOProfile> LoadBHOListFile(const std::string& path, bool* truncated) {
    std::vector<BHOProfile> out;
    for (const auto& r : ReadRecords(base::ReadWhole(path), 6, truncated)) out.push_back(FromRecord(r));
    return out;
}

std::vector<BHOProfile> RemovedBhos() {
    std::string file = BhoRemovedFile();
    if (file.empty() || !base::FileExists(file)) return {};
    return LoadBHOListFile(file);
}

PlaceResult RemoveBho(BHOProfile& row) {
    if (!IsBracedGuid(row.clsid)) return Fail("the CLSID is not well formed");
    std::string file = BhoRemovedFile();
    if (file.empty()) return Fail("the Windows folder cannot be found");
    BHOProfile kept = row;
    if (auto snap = SnapshotKeyTree(HKEY_LOCAL_MACHINE, BhoKeyOf(row.clsid))) kept.undo["bho"] = *snap;
    if (auto snap = SnapshotKeyTree(HKEY_CLASSES_ROOT, ClassKeyOf(row.clsid))) kept.undo["class"] = *snap;
    std::vector<BHOProfile> removed = RemovedBhos();
    std::erase_if(removed, [&](const BHOProfile& r) { return Upper(r.clsid) == Upper(row.clsid); });
    removed.push_back(kept);
    SaveBHOListToFile(removed, file);  // kept before anything is deleted
    bool ok = DeleteKeyTree(HKEY_LOCAL_MACHINE, BhoKeyOf(row.clsid));
    ok = DeleteKeyTree(HKEY_CLASSES_ROOT, ClassKeyOf(row.clsid)) && ok;
    wiring::NoteOwnKeyChange(HKEY_LOCAL_MACHINE, BhoKeyOf(row.clsid));
    row.undo = kept.undo;
    if (!ok) return Fail("the helper object's keys cannot be deleted");
    return {};
}

PlaceResult RestoreRemovedBho(const std::string& clsid) {
    std::vector<BHOProfile> removed = RemovedBhos();
    auto it = std::find_if(removed.begin(), removed.end(),
                           [&](const BHOProfile& r) { return Upper(r.clsid) == Upper(clsid); });
    if (it == removed.end()) return Fail("no removed helper object has this CLSID");
    if (!IsBracedGuid(it->clsid)) return Fail("the CLSID is not well formed");
    bool ok = true;
    if (auto c = it->undo.find("class"); c != it->undo.end())
        ok = RestoreKeyTree(HKEY_CLASSES_ROOT, ClassKeyOf(it->clsid), c->second);
    if (auto b = it->undo.find("bho"); b != it->undo.end())
        ok = RestoreKeyTree(HKEY_LOCAL_MACHINE, BhoKeyOf(it->clsid), b->second) && ok;
    wiring::NoteOwnKeyChange(HKEY_LOCAL_MACHINE, BhoKeyOf(it->clsid));
    if (!ok) return Fail("the helper object's keys cannot be written");
    removed.erase(it);
    if (removed.empty())
        DeleteFileA(BhoRemovedFile().c_str());
    else
        SaveBHOListToFile(removed, BhoRemovedFile());
    return {};
}

// ---- the list ----

BHOProfile* BhoList::Snapshot(const std::string& clsid) {
    for (auto& s : snapshot_)
        if (Upper(s.clsid) == Upper(clsid)) return &s;
    return nullptr;
}

void BhoList::Load(bool deferVersions) {
    rows_ = SetBHOIntoList(!deferVersions);
    versionsPending_ = deferVersions;
    base::Trap("FRM Startup - LoadDisabledItems", [&] {
        std::string file = BhoDisabledFile();
        if (file.empty() || !base::FileExists(file)) return;
        bool truncated = false;
        for (auto& r : LoadBHOListFile(file, &truncated)) rows_.push_back(std::move(r));
        if (truncated) throw base::RuntimeError(62, "Input past end of file");
    });
    snapshot_ = rows_;
}

void BhoList::FillVersions() {
    if (!versionsPending_) return;
    versionsPending_ = false;
    FillBhoVersions(rows_);
    // The snapshot takes the same texts, so that the disabled-objects file keeps them.
    for (auto& s : snapshot_)
        for (const auto& r : rows_)
            if (Upper(r.clsid) == Upper(s.clsid) && s.version.empty() && s.description.empty()) {
                s.version = r.version;
                s.description = r.description;
            }
}

void BhoList::Toggle(size_t row) {
    if (row >= rows_.size()) return;
    std::string& s = rows_[row].state;
    s = (s == BhoTexts::Enabled() || s == BhoTexts::Error()) ? BhoTexts::Disabled() : BhoTexts::Enabled();
}

void BhoList::MarkRemove(size_t row) {
    if (row < rows_.size()) rows_[row].state = BhoTexts::Remove();
}

void BhoList::ReplaceRows(std::vector<BHOProfile> rows) {
    for (auto& r : rows)
        if (BHOProfile* s = Snapshot(r.clsid); s && r.undo.empty()) r.undo = s->undo;
    rows_ = std::move(rows);
}

BhoList::ApplyReport BhoList::Apply() {
    FillVersions();
    ApplyReport report;
    report.notice = !rows_.empty();
    const std::string enabled = BhoTexts::Enabled(), error = BhoTexts::Error(), disabled = BhoTexts::Disabled(),
                      remove = BhoTexts::Remove();
    std::vector<std::string> removed;
    for (auto& row : rows_) {
        BHOProfile* snap = Snapshot(row.clsid);
        std::string before = snap ? snap->state : std::string();
        bool wasIn = snap && (before == enabled || before == error);
        PlaceResult res;
        bool acted = false;
        bool ok = base::Trap("FillBHOProfile", [&] {
            if (row.state == remove) {
                // Only a helper object this list read is removed: a configuration's row
                // never deletes a class the machine does not list as a helper object.
                if (snap) res = RemoveBho(row), acted = true;
            } else if (row.state == disabled && (wasIn || !snap)) {
                if (snap) res = DisableBho(row), acted = true;
            } else if (row.state == enabled && snap && !wasIn) {
                res = EnableBho(row), acted = true;
            } else if (row.state == enabled && !snap) {
                res = EnableBho(row), acted = true;
            }
        });
        if (!ok) res = Fail("an error occurred");
        if (!acted) continue;
        if (!res.ok) {
            report.failures.push_back((row.name.empty() ? row.clsid : row.name) + ": " + res.error);
            if (snap) row.state = before;
            continue;
        }
        if (row.state == remove) {
            removed.push_back(Upper(row.clsid));
        } else if (snap) {
            *snap = row;
        } else {
            snapshot_.push_back(row);
        }
    }
    std::erase_if(rows_, [&](const BHOProfile& r) {
        return r.state == remove && std::find(removed.begin(), removed.end(), Upper(r.clsid)) != removed.end();
    });
    std::erase_if(snapshot_, [&](const BHOProfile& r) {
        return std::find(removed.begin(), removed.end(), Upper(r.clsid)) != removed.end();
    });
    base::Trap("FillBHOProfile", [&] { SaveDisabledItems(); });
    return report;
}

BhoList::ApplyReport BhoList::RestoreRemoved() {
    ApplyReport report;
    std::vector<std::string> back;
    for (const auto& r : RemovedBhos()) {
        PlaceResult res = RestoreRemovedBho(r.clsid);
        if (res.ok)
            back.push_back(Upper(r.clsid));
        else
            report.failures.push_back((r.name.empty() ? r.clsid : r.name) + ": " + res.error);
    }
    if (back.empty()) return report;
    std::vector<BHOProfile> listed = SetBHOIntoList(false);
    std::erase_if(listed, [&](const BHOProfile& r) {
        return std::find(back.begin(), back.end(), Upper(r.clsid)) == back.end() || Snapshot(r.clsid);
    });
    FillBhoVersions(listed);
    for (auto& r : listed) {
        snapshot_.push_back(r);
        // A row of a loaded configuration with the same CLSID takes the registry's state.
        auto same = std::find_if(rows_.begin(), rows_.end(),
                                 [&](const BHOProfile& x) { return Upper(x.clsid) == Upper(r.clsid); });
        if (same != rows_.end())
            *same = r;
        else
            rows_.push_back(r);
    }
    return report;
}

void BhoList::SaveDisabledItems() const {
    std::string file = BhoDisabledFile();
    if (file.empty()) throw base::RuntimeError(76, "Path not found");
    const std::string disabled = BhoTexts::Disabled();
    std::vector<BHOProfile> out;
    for (const auto& r : rows_)
        if (r.state == disabled) out.push_back(r);
    // A helper object still disabled stays recorded although the list (a loaded configuration
    // that lacks it) does not show it: the file holds the only copy of its key.
    for (const auto& s : snapshot_)
        if (s.state == disabled && std::none_of(rows_.begin(), rows_.end(),
                                                [&](const BHOProfile& r) { return Upper(r.clsid) == Upper(s.clsid); }))
            out.push_back(s);
    if (out.empty()) {
        DeleteFileA(file.c_str());
        return;
    }
    SaveBHOListToFile(out, file);
}

// ---- configurations ----

namespace {

// Seven lines a record: configuration, name, state, description, version, CLSID, path.
// Reading ends at the end of the file or at a record without a configuration name.
std::vector<std::pair<std::string, BHOProfile>> ReadConfigurations() {
    std::vector<std::pair<std::string, BHOProfile>> out;
    std::string file = BhoConfigFile();
    if (!base::FileExists(file)) return out;
    for (const auto& r : ReadRecords(base::ReadWhole(file), 7)) {
        if (r.fields[0].empty()) break;
        out.push_back(
            {r.fields[0], {r.fields[1], r.fields[2], r.fields[3], r.fields[4], r.fields[6], r.fields[5], {}}});
    }
    return out;
}

}  // namespace

std::string BhoConfigFile() { return base::ProgramFilePath("BHO_Config.ini"); }

std::vector<std::string> BhoConfigurationNames() {
    std::vector<std::string> names;
    for (const auto& [name, row] : ReadConfigurations())
        if (names.empty() || names.back() != name) names.push_back(name);
    return names;
}

bool BhoConfigurationExists(const std::string& name) {
    for (const auto& n : BhoConfigurationNames())
        if (n == name) return true;
    return false;
}

ConfigSave SaveBhoConfiguration(const std::string& name, const std::vector<BHOProfile>& rows) {
    if (name.empty()) return ConfigSave::EmptyName;
    if (BhoConfigurationExists(name)) return ConfigSave::NameExists;
    std::string file = BhoConfigFile();
    std::string text = base::FileExists(file) ? base::ReadWhole(file) : std::string();
    if (!text.empty() && text.back() != '\n') text += "\r\n";
    std::vector<LineRecord> lines;
    for (const auto& r : rows)
        lines.push_back({{name, r.name, r.state, r.description, r.version, r.clsid, r.path}, {}});
    ReplaceFileContent(file, text + WriteRecords(lines, 7));
    return ConfigSave::Saved;
}

std::optional<std::vector<BHOProfile>> LoadBhoConfiguration(const std::string& name) {
    std::vector<BHOProfile> rows;
    bool found = false;
    for (auto& [n, row] : ReadConfigurations())
        if (n == name) rows.push_back(std::move(row)), found = true;
    if (!found) return std::nullopt;
    return rows;
}

}  // namespace guards
