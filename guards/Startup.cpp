#include "guards/Startup.h"

#include <shlobj.h>

#include <algorithm>
#include <map>

#include "base/Handles.h"
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

const char kRunKeys[] = "Software\\Microsoft\\Windows\\CurrentVersion\\";

struct PlaceInfo {
    HKEY hive = nullptr;
    const char* key = nullptr;  // registry places
    int csidl = 0;              // Startup folders
    const char* iniKey = nullptr;
};

PlaceInfo InfoOf(StartupPlace p) {
    switch (p) {
        case StartupPlace::UserRun:
            return {HKEY_CURRENT_USER, "Run"};
        case StartupPlace::MachineRun:
            return {HKEY_LOCAL_MACHINE, "Run"};
        case StartupPlace::MachineRunOnce:
            return {HKEY_LOCAL_MACHINE, "RunOnce"};
        case StartupPlace::MachineRunOnceEx:
            return {HKEY_LOCAL_MACHINE, "RunOnceEx"};
        case StartupPlace::MachineRunServices:
            return {HKEY_LOCAL_MACHINE, "RunServices"};
        case StartupPlace::StartupUser:
            return {nullptr, nullptr, CSIDL_STARTUP};
        case StartupPlace::StartupCommon:
            return {nullptr, nullptr, CSIDL_COMMON_STARTUP};
        case StartupPlace::WinIniLoad:
            return {nullptr, nullptr, 0, "Load"};
        case StartupPlace::WinIniRun:
            return {nullptr, nullptr, 0, "Run"};
        default:
            return {};
    }
}

std::string MachineLocation(const char* key) {
    return modLanguage::getMessage("1031", "Registry") + "(Machine " + key + ")";
}

PlaceResult Fail(std::string why) { return {false, std::move(why)}; }

// The shortcut file of a Startup-folder item, or the reason there is none.
PlaceResult ShortcutPath(const StartupProfile& r, const PlaceInfo& info, std::string& path) {
    std::string folder = modMain::CheckFolderID(info.csidl);
    if (folder.empty()) return Fail("the Startup folder cannot be found");
    while (!folder.empty() && folder.back() == '\\') folder.pop_back();
    auto file = r.undo.find("file");
    std::string name = file != r.undo.end() ? file->second : r.name + ".lnk";
    if (!IsPlainFileName(name) || !IsPlainFileName(r.name)) return Fail("the name is not a plain file name");
    path = folder + "\\" + name;
    return {};
}

std::string CommandOf(const ShortcutInfo& s) {
    if (s.arguments.empty()) return s.target;
    std::string t = s.target.find(' ') != std::string::npos ? "\"" + s.target + "\"" : s.target;
    return t + " " + s.arguments;
}

}  // namespace

namespace StartupTexts {
std::string Enabled() { return modLanguage::getMessage("1017", "Enabled"); }
std::string Disabled() { return modLanguage::getMessage("1016", "Disabled"); }
std::string Remove() { return modLanguage::getMessage("1066", "Remove"); }
}  // namespace StartupTexts

StartupPlace PlaceOf(const std::string& location) {
    const auto& defaults = modMain::StartupLocationDefaults();
    static const StartupPlace places[8] = {StartupPlace::UserRun,        StartupPlace::MachineRun,
                                           StartupPlace::MachineRunOnce, StartupPlace::MachineRunOnceEx,
                                           StartupPlace::StartupUser,    StartupPlace::StartupCommon,
                                           StartupPlace::WinIniLoad,     StartupPlace::WinIniRun};
    static const std::pair<const char*, StartupPlace> machine[] = {{"Run", StartupPlace::MachineRun},
                                                                   {"RunOnce", StartupPlace::MachineRunOnce},
                                                                   {"RunOnceEx", StartupPlace::MachineRunOnceEx},
                                                                   {"RunServices", StartupPlace::MachineRunServices}};
    // The English texts first (no look-up in the language pack), then the pack's own.
    for (int i = 0; i < 8; ++i)
        if (location == defaults[i]) return places[i];
    for (const auto& [key, place] : machine)
        if (location == std::string("Registry(Machine ") + key + ")") return place;
    StartupLocationNames names;
    modMain::IntialStr(names);
    for (int i = 0; i < 8; ++i)
        if (location == names[i]) return places[i];
    for (const auto& [key, place] : machine)
        if (location == MachineLocation(key)) return place;
    return StartupPlace::Unknown;
}

std::string StartupIdentity(const StartupProfile& item) {
    StartupPlace p = PlaceOf(item.location);
    std::string id = std::to_string(static_cast<int>(p)) + "\n";
    if (p == StartupPlace::Unknown) return id + item.location + "\n" + item.name + "\n" + item.command;
    if (p == StartupPlace::WinIniLoad || p == StartupPlace::WinIniRun) return id + base::UCase(item.command);
    if (p == StartupPlace::StartupUser || p == StartupPlace::StartupCommon) return id + base::UCase(item.name);
    return id + base::UCase(item.name);  // registry value names are not case-sensitive
}

PlaceResult DisableStartupItem(StartupProfile& r) {
    StartupPlace p = PlaceOf(r.location);
    PlaceInfo info = InfoOf(p);
    if (p == StartupPlace::Unknown) return Fail("the location names no startup place");
    if (info.key) {
        std::string key = std::string(kRunKeys) + info.key;
        if (auto v = ReadRawValue(info.hive, key, r.name)) {
            r.undo["type"] = std::to_string(v->type);
            r.undo["data"] = ToHex(v->data);
        }
        const bool deleted = DeleteValueIfPresent(info.hive, key, r.name);
        wiring::NoteOwnValueChange(info.hive, key, r.name);
        if (!deleted) return Fail("the registry value cannot be deleted");
        return {};
    }
    if (info.csidl) {
        std::string path;
        if (PlaceResult res = ShortcutPath(r, info, path); !res.ok) return res;
        if (!base::FileExists(path)) return {};
        r.undo["file"] = path.substr(path.rfind('\\') + 1);
        r.undo["lnk"] = ToHex(base::ReadWhole(path));
        const bool deleted = DeleteFileA(path.c_str()) != 0;
        wiring::NoteOwnFileChange(path);
        if (!deleted) return Fail("the shortcut cannot be deleted");
        return {};
    }
    std::string ini = WinIniPath();
    if (ini.empty()) return Fail("the Windows folder cannot be found");
    std::string line = ReadIniKey(ini, "windows", info.iniKey);
    auto tokens = SplitIniPrograms(line);
    for (size_t i = 0; i < tokens.size(); ++i)
        if (base::EqualsNoCase(tokens[i].text, base::Trim(r.command))) {
            r.undo["pos"] = std::to_string(i);
            break;
        }
    std::string separator;
    std::string rest = RemoveIniPrograms(line, r.command, &separator);
    r.undo["sep"] = separator;
    if (rest != line && !WriteIniKey(ini, "windows", info.iniKey, rest)) return Fail("win.ini cannot be written");
    return {};
}

PlaceResult EnableStartupItem(const StartupProfile& r) {
    StartupPlace p = PlaceOf(r.location);
    PlaceInfo info = InfoOf(p);
    if (p == StartupPlace::Unknown) return Fail("the location names no startup place");
    if (info.key) {
        std::string key = std::string(kRunKeys) + info.key;
        if (ReadRawValue(info.hive, key, r.name)) return {};
        RawValue v{REG_SZ, r.command + std::string(1, '\0')};
        auto type = r.undo.find("type");
        auto data = r.undo.find("data");
        if (type != r.undo.end() && data != r.undo.end())
            v = {static_cast<DWORD>(std::stoul(type->second)), FromHex(data->second)};
        const bool written = WriteRawValue(info.hive, key, r.name, v);
        wiring::NoteOwnValueChange(info.hive, key, r.name);
        if (!written) return Fail("the registry value cannot be written");
        return {};
    }
    if (info.csidl) {
        std::string path;
        if (PlaceResult res = ShortcutPath(r, info, path); !res.ok) return res;
        if (base::FileExists(path)) return {};
        auto lnk = r.undo.find("lnk");
        bool written = false;
        if (lnk != r.undo.end() && !lnk->second.empty()) {
            base::WriteText(path, FromHex(lnk->second));
            written = base::FileExists(path);
        } else {
            if (base::Trim(r.command).empty()) return Fail("the item names no program");
            written = WriteShortcut(path, ShortcutFromCommand(r.command));
        }
        wiring::NoteOwnFileChange(path);
        if (!written) return Fail("the shortcut cannot be written");
        return {};
    }
    std::string ini = WinIniPath();
    if (ini.empty()) return Fail("the Windows folder cannot be found");
    std::string line = ReadIniKey(ini, "windows", info.iniKey);
    auto pos = r.undo.find("pos");
    auto sep = r.undo.find("sep");
    std::string more = AddIniPrograms(line, r.command, pos != r.undo.end() ? std::stoul(pos->second) : SIZE_MAX,
                                      sep != r.undo.end() ? sep->second : " ");
    if (more != line && !WriteIniKey(ini, "windows", info.iniKey, more)) return Fail("win.ini cannot be written");
    return {};
}

void SaveStartupProfile(const std::vector<StartupProfile>& records, const std::string& path) {
    if (path.empty()) return;
    std::vector<LineRecord> lines;
    for (const auto& r : records) lines.push_back({{r.name, r.state, r.location, r.user, r.when, r.command}, r.undo});
    ReplaceFileContent(path, WriteRecords(lines, 6));
}

std::vector<StartupProfile> LoadStartupProfile(const std::string& path, bool* truncated) {
    std::vector<StartupProfile> out;
    for (auto& r : ReadRecords(base::ReadWhole(path), 6, truncated))
        out.push_back({r.fields[0], r.fields[1], r.fields[2], r.fields[3], r.fields[4], r.fields[5], r.details});
    return out;
}

std::string StartupDisabledFile() {
    std::string dir = modMain::GetWinDir();
    return dir.empty() ? std::string() : dir + "\\StartupProf.lst";
}

std::vector<StartupProfile> ReadStartupPlaces() {
    std::vector<StartupProfile> rows;
    StartupLocationNames names;
    modMain::IntialStr(names);
    const std::string enabled = StartupTexts::Enabled();
    const std::string currentUser = modLanguage::getMessage("1029", "Current User"),
                      allUsers = modLanguage::getMessage("1071", "All Users");
    const std::string userLogsOn = modLanguage::getMessage("1030", "Current User logs On"),
                      anyLogsOn = modLanguage::getMessage("1072", "Any User Logs On");

    auto runKey = [&](StartupPlace p, const std::string& location, bool user) {
        base::Trap("SetRegRunIntoList", [&] {
            PlaceInfo info = InfoOf(p);
            std::string key = std::string(kRunKeys) + info.key;
            for (const auto& [name, value] : Values(info.hive, key)) {
                rows.push_back({name,
                                enabled,
                                location,
                                user ? currentUser : allUsers,
                                user ? userLogsOn : anyLogsOn,
                                ValueText(value),
                                {}});
            }
        });
    };
    runKey(StartupPlace::UserRun, names[0], true);
    runKey(StartupPlace::MachineRun, MachineLocation("Run"), false);
    runKey(StartupPlace::MachineRunOnce, MachineLocation("RunOnce"), false);
    runKey(StartupPlace::MachineRunOnceEx, MachineLocation("RunOnceEx"), false);
    runKey(StartupPlace::MachineRunServices, MachineLocation("RunServices"), false);

    base::Trap("SetWinIniRunIntoList", [&] {
        std::string ini = WinIniPath();
        if (ini.empty()) return;
        const std::pair<const char*, int> keys[] = {{"Load", 6}, {"Run", 7}};
        for (const auto& [key, index] : keys)
            for (const auto& t : SplitIniPrograms(ReadIniKey(ini, "windows", key)))
                rows.push_back({std::string("Win.ini ") + key, enabled, names[index], allUsers, anyLogsOn, t.text, {}});
    });

    base::Trap("SetStartFolderIntoList", [&] {
        const std::pair<int, bool> folders[] = {{CSIDL_STARTUP, true}, {CSIDL_COMMON_STARTUP, false}};
        for (const auto& [csidl, user] : folders) {
            std::string folder = modMain::CheckFolderID(csidl);
            if (folder.empty()) continue;  // never the root of the drive
            while (!folder.empty() && folder.back() == '\\') folder.pop_back();
            WIN32_FIND_DATAA fd;
            base::FindHandle find(FindFirstFileA((folder + "\\*").c_str(), &fd));
            if (!find) continue;
            do {
                if (fd.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM))
                    continue;
                std::string file = fd.cFileName;
                if (file.size() <= 4 || base::UCase(file.substr(file.size() - 4)) != ".LNK") continue;
                auto link = ReadShortcut(folder + "\\" + file);
                StartupProfile row{file.substr(0, file.size() - 4),
                                   enabled,
                                   names[user ? 4 : 5],
                                   user ? currentUser : allUsers,
                                   user ? userLogsOn : anyLogsOn,
                                   link ? CommandOf(*link) : std::string(),
                                   {}};
                row.undo["file"] = file;
                rows.push_back(std::move(row));
            } while (FindNextFileA(find.get(), &fd));
        }
    });
    return rows;
}

// ---- the list ----

StartupList::Saved* StartupList::FindSaved(unsigned long id) {
    for (auto& s : saved_)
        if (s.id == id) return &s;
    return nullptr;
}

void StartupList::Load() {
    rows_.clear();
    saved_.clear();
    for (auto& item : ReadStartupPlaces()) rows_.push_back({std::move(item), next_++});
    base::Trap("LoadStartupDisabledItems", [&] {
        std::string file = StartupDisabledFile();
        if (file.empty() || !base::FileExists(file)) return;
        bool truncated = false;
        for (auto& item : LoadStartupProfile(file, &truncated)) rows_.push_back({std::move(item), next_++});
        if (truncated) throw base::RuntimeError(62, "Input past end of file");
    });
    for (const auto& r : rows_) saved_.push_back({r.id, r.item});
}

void StartupList::Toggle(size_t row) {
    if (row >= rows_.size()) return;
    std::string& state = rows_[row].item.state;
    state = state != StartupTexts::Enabled() ? StartupTexts::Enabled() : StartupTexts::Disabled();
}

void StartupList::MarkRemove(size_t row) {
    if (row < rows_.size()) rows_[row].item.state = StartupTexts::Remove();
}

void StartupList::Add(StartupProfile item) { rows_.push_back({std::move(item), next_++}); }

StartupList::ApplyReport StartupList::Apply() {
    ApplyReport report;
    const std::string enabled = StartupTexts::Enabled(), disabled = StartupTexts::Disabled(),
                      remove = StartupTexts::Remove();
    std::vector<unsigned long> removed;
    for (auto& row : rows_) {
        Saved* saved = FindSaved(row.id);
        const std::string& want = row.item.state;
        if (saved && saved->item.state == want) continue;
        bool takeOut = want == disabled || want == remove;
        if (!takeOut && want != enabled) continue;
        // A new row that is not Enabled is never created; a Disabled one is still remembered.
        if (!saved && takeOut) {
            if (want == remove) removed.push_back(row.id);
            continue;
        }
        bool wasOut = saved && (saved->item.state == disabled || saved->item.state == remove);
        PlaceResult res;
        bool ok = base::Trap("FRM Startup - ApplyNow", [&] {
            if (takeOut && !wasOut)
                res = DisableStartupItem(row.item);
            else if (!takeOut)
                res = EnableStartupItem(row.item);
        });
        if (!ok) res = Fail("an error occurred");
        if (!res.ok) {
            report.failures.push_back(row.item.name + ": " + res.error);
            // The row shows what is true again; a new row that could not be created stays off.
            row.item.state = saved ? saved->item.state : disabled;
            continue;
        }
        if (saved) {
            saved->item = row.item;
        } else {
            saved_.push_back({row.id, row.item});
        }
        if (want == remove) removed.push_back(row.id);
        if (takeOut) base::Trap("SaveStartupDisabledItems", [&] { SaveDisabledItems(); });
    }
    // Items carried out as Remove leave the list and their records: Reset does not bring them back.
    for (unsigned long id : removed) {
        std::erase_if(rows_, [&](const Row& r) { return r.id == id; });
        std::erase_if(saved_, [&](const Saved& s) { return s.id == id; });
    }
    base::Trap("SaveStartupDisabledItems", [&] { SaveDisabledItems(); });
    return report;
}

void StartupList::SaveDisabledItems() const {
    std::string file = StartupDisabledFile();
    if (file.empty()) throw base::RuntimeError(76, "Path not found");
    const std::string disabled = StartupTexts::Disabled();
    std::vector<StartupProfile> out;
    for (const auto& r : rows_)
        if (r.item.state == disabled) out.push_back(r.item);
    // An item still out of its place stays recorded although the list (a loaded profile that
    // lacks it) does not show it: the file is the only way back to it.
    for (const auto& s : saved_)
        if (s.item.state == disabled &&
            std::none_of(rows_.begin(), rows_.end(), [&](const Row& r) { return r.id == s.id; }))
            out.push_back(s.item);
    if (out.empty()) {
        DeleteFileA(file.c_str());
        return;
    }
    SaveStartupProfile(out, file);
}

void StartupList::Reset() {
    rows_.clear();
    const std::string disabled = StartupTexts::Disabled();
    for (const auto& s : saved_)
        if (s.item.state != disabled) rows_.push_back({s.item, s.id});
    for (const auto& s : saved_)
        if (s.item.state == disabled) rows_.push_back({s.item, s.id});
}

void StartupList::SaveProfile(const std::string& path) const {
    std::vector<StartupProfile> out;
    for (const auto& r : rows_) out.push_back(r.item);
    SaveStartupProfile(out, path);
}

void StartupList::LoadProfile(const std::string& path, bool* truncated) {
    if (path.empty()) return;
    std::vector<StartupProfile> items = LoadStartupProfile(path, truncated);  // throws before the rows change
    std::vector<bool> taken(saved_.size());
    std::multimap<std::string, size_t> byIdentity;
    for (size_t i = 0; i < saved_.size(); ++i) byIdentity.emplace(StartupIdentity(saved_[i].item), i);
    rows_.clear();
    for (auto& item : items) {
        unsigned long id = 0;
        auto [from, to] = byIdentity.equal_range(StartupIdentity(item));
        for (auto it = from; it != to && !id; ++it)
            if (size_t i = it->second; !taken[i]) {
                taken[i] = true;
                id = saved_[i].id;
                if (item.undo.empty()) item.undo = saved_[i].item.undo;
            }
        rows_.push_back({std::move(item), id ? id : next_++});
    }
}

}  // namespace guards
