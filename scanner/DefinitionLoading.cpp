// The definitions load: which groups a load fills, and the file and folder groups with the
// direct checks of their fixed paths and the removal list.
#include <unordered_set>
#include <utility>
#include <vector>

#include "base/Text.h"
#include "base/Trap.h"
#include "core/Globals.h"
#include "definitions/DefinitionsStore.h"
#include "scanner/FolderMacros.h"
#include "scanner/ListRowBuilders.h"
#include "scanner/ScanEngine.h"
#include "scanner/ScanGlobals.h"

using modDefinitions::updateListfromINI;

namespace scanner {

// ---- loadDataBase and clearDataBase

void ScanEngine::loadDataBase(bool onlyFiles) {
    if (onlyFiles) {
        loadDataBase(DefinitionGroups::Files());
        return;
    }
    loadDataBase(DefinitionGroups{gb_loadRegSDefs, gb_loadRegVDefs, gb_loadRegDataDefs, gb_loadRegKDefs,
                                  gb_loadCookieDefs, gb_loadHostsDefs, gb_loadFileDefs});
}

void ScanEngine::loadDataBase(const DefinitionGroups& groups) {
    // Every step that fails is logged and the next one runs.
    auto step = [](auto&& body) { base::Trap("loadDataBase", body); };
    step([&] { clearDataBase(); });
    if (groups.regs || groups.regv || groups.regd || groups.regk) {
        step([&] { ShowLoadStatus("1143", "Loading Registry Database..."); });
        if (groups.regs) step([&] { UpdateRegistrySList(); });
        if (groups.regv) step([&] { UpdateRegistryVList(); });
        if (groups.regd) step([&] { updateRegValueData(); });
        if (groups.regk) {
            step([&] { UpdateRegistryKList(); });
            step([&] { UpdateRegistryKOList(); });
        }
    }
    if (groups.cookies) {
        step([&] { ShowLoadStatus("1145", "Loading Cookies Database..."); });
        step([&] { UpdateCookieList(); });
    }
    if (groups.hosts) {
        step([&] { ShowLoadStatus("1146", "Loading Hosts Database..."); });
        step([&] { UpdateHostsList(); });
    }
    if (groups.files) {
        step([&] { ShowLoadStatus("1144", "Loading Files Database..."); });
        step([&] { ScanDrivesForAllFiles(); });
    }
    // Nothing of the load stays pending: the scan's own writes to the status line come next.
    step([&] { FlushDisplay(); });
}

void ScanEngine::clearDataBase() {
    lists.Clear();
    trojanGroupsLoaded_ = false;
}

// ---- the file and folder groups

struct ScanEngine::FileGroup {
    const char* section;  // also the prefix of its keys
    const char* kind;     // of the list rows
    bool folders;         // direct entries are folders
    bool yieldEachEntry;  // yields before every entry of both loops
};

namespace {
using Group = const ScanEngine::FileGroup*;
}  // namespace

bool ScanEngine::LoadListEntries(const FileGroup& g, int& i) {
    const std::string p = g.section;
    for (i = 0; i <= 10000; ++i) {
        if (g.yieldEachEntry) YieldToMessages();
        if (gb_scanAborted) return false;
        const auto name = updateListfromINI(p, p + "T" + std::to_string(i));
        const auto item = updateListfromINI(p, p + "S" + std::to_string(i));
        if (!name || !item) break;
        FillListBox(lists.lstSearch, g.kind, *name, *item);
        StatusUpdate();
    }
    return true;
}

bool ScanEngine::CheckDirectEntries(const FileGroup& g, int& i) {
    const std::string p = g.section;
    for (i = 0; i <= 10000; ++i) {
        if (g.yieldEachEntry) YieldToMessages();
        if (gb_scanAborted) return false;
        const auto name = updateListfromINI(p, p + "TD" + std::to_string(i));
        const auto path = updateListfromINI(p, p + "SD" + std::to_string(i));
        if (!name || !path) break;
        std::string real = CleanDirString(*path);
        if (real.empty()) continue;  // no macro it knows: nothing to look for
        if (g.folders)
            checkIfFolderExistsThenAddToSpyList(real, *name);
        else
            checkIfFileExistsThenAddToSpyList(real, *name);
        StatusUpdate();
    }
    return true;
}

void ScanEngine::RunLoader(const char* method, std::initializer_list<const char*> countKeys, int& i,
                           const std::function<bool()>& body) {
    const bool ok = base::TrapWith(
        [&] {
            YieldToMessages();
            SetBusy(true);
            StatusUpdate();
            ReadCountKeys(countKeys);
            if (!body()) return;
            YieldToMessages();
            SetBusy(false);
        },
        [&] { return base::MethodTail(method, "I: " + std::to_string(i)); });
    if (!ok) SetBusy(false);
}

void ScanEngine::LoadFileGroups(const char* method, const FileGroup* const* groups, size_t count,
                                std::initializer_list<const char*> countKeys) {
    int i = 0;
    RunLoader(method, countKeys, i, [&] {
        for (size_t g = 0; g < count; ++g)
            if (!LoadListEntries(*groups[g], i)) return false;
        for (size_t g = 0; g < count; ++g)
            if (!CheckDirectEntries(*groups[g], i)) return false;
        return true;
    });
}

namespace {
const ScanEngine::FileGroup kTAFI{"TAFI", "Malware File", false, false};
const ScanEngine::FileGroup kTAFO{"TAFO", "Malware Folder", true, false};
const ScanEngine::FileGroup kDAFI{"DAFI", "Malware File", false, false};
const ScanEngine::FileGroup kDAFO{"DAFO", "Malware Folder", true, false};
const ScanEngine::FileGroup kHAFI{"HAFI", "Malware File", false, false};
const ScanEngine::FileGroup kHAFO{"HAFO", "Malware Folder", true, false};
const ScanEngine::FileGroup kKAFI{"KAFI", "Malware File", false, false};
const ScanEngine::FileGroup kKAFO{"KAFO", "Malware Folder", true, false};
const ScanEngine::FileGroup kSAFI{"SAFI", "Malware File", false, false};
const ScanEngine::FileGroup kSAFO{"SAFO", "Malware Folder", true, true};
}  // namespace

void ScanEngine::UpdateTrojanList() {
    // Both trojan groups in one call: the two list loops, then the two direct loops.
    static const Group groups[] = {&kTAFI, &kTAFO};
    trojanGroupsLoaded_ = true;
    LoadFileGroups("UpdateTrojanList", groups, 2, {"TAFOTNUM", "TAFITDNUM", "TAFOTDNUM", "TAFITNUM"});
}

void ScanEngine::UpdateDialersFileList() {
    static const Group groups[] = {&kDAFI};
    LoadFileGroups("UpdateDialersFileList", groups, 1, {"DAFITDNUM", "DAFITNUM"});
}

void ScanEngine::UpdateDialersFolderList() {
    static const Group groups[] = {&kDAFO};
    LoadFileGroups("UpdateDialersFolderList", groups, 1, {"DAFOTDNUM", "DAFOTNUM"});
}

void ScanEngine::UpdateHijackersFileList() {
    static const Group groups[] = {&kHAFI};
    // The data file spells the first count key with two D.
    LoadFileGroups("UpdateHijackersFileList", groups, 1, {"HAFITDDNUM", "HAFITNUM"});
}

void ScanEngine::UpdateHijackersFolderList() {
    static const Group groups[] = {&kHAFO};
    LoadFileGroups("UpdateHijackersFolderList", groups, 1, {"HAFOTDNUM", "HAFOTNUM"});
}

void ScanEngine::UpdateKeyLoggersFileList() {
    static const Group groups[] = {&kKAFI};
    LoadFileGroups("UpdateKeyLoggersFileList", groups, 1, {"KAFITDNUM", "KAFITNUM"});
}

void ScanEngine::UpdateKeyLoggersFolderList() {
    static const Group groups[] = {&kKAFO};
    LoadFileGroups("UpdateKeyLoggersFolderList", groups, 1, {"KAFOTDNUM", "KAFOTNUM"});
}

void ScanEngine::UpdateSpyFileList() {
    static const Group groups[] = {&kSAFI};
    LoadFileGroups("UpdateSpyFileList", groups, 1, {"SAFITDNUM", "SAFITNUM"});
}

void ScanEngine::UpdateSpyFolderList() {
    static const Group groups[] = {&kSAFO};
    LoadFileGroups("UpdateSpyFolderList", groups, 1, {"SAFOTDNUM", "SAFOTNUM"});
}

// ---- the selectors

void ScanEngine::ScanDrivesForAllFiles() {
    // A failing step is logged and the next one runs.
    auto step = [&](auto&& body) {
        if (!base::Trap("ScanDrivesForAllFiles", body)) SetBusy(false);
    };
    gb_fileGroupsLoaded = true;
    if (gb_scanAborted) return;
    step([&] {
        YieldToMessages();
        SetBusy(true);
    });
    if (gb_trojans) step([&] { UpdateTrojanList(); });
    if (gb_scanAborted) return;
    if (gb_dialers) step([&] { UpdateDialersFileList(); });
    if (gb_scanAborted) return;
    if (gb_scanBHO) step([&] { UpdateHijackersFileList(); });
    if (gb_scanAborted) return;
    if (gb_keyLoggers) step([&] { UpdateKeyLoggersFileList(); });
    if (gb_scanAborted) return;
    if (gb_spywareAdware) step([&] { UpdateSpyFileList(); });
    if (gb_scanAborted) return;
    if (gb_advancedScanning) {
        step([&] { UpdateSearchByCompanyList(); });
        step([&] { UpdateSearchByOriginalFileName(); });
        step([&] { UpdateSearchByInternalFileName(); });
        step([&] { UpdateSearchByProductName(); });
        step([&] { UpdateSearchByFileDescription(); });
        step([&] { UpdateSearchByFileChecSum(); });
    }
    step([&] { ScanDrivesForAllFolders(); });
    // The file groups are loaded: the file search may now spend its property search (the
    // folder selector clears the flag while it runs).
    if (!gb_scanAborted) gb_fileGroupsLoaded = true;
}

void ScanEngine::ScanDrivesForAllFolders() {
    auto step = [&](auto&& body) {
        if (!base::Trap("ScanDrivesForAllFolders", body)) SetBusy(false);
    };
    step([&] {
        YieldToMessages();
        SetBusy(true);
    });
    gb_fileGroupsLoaded = false;
    if (gb_scanAborted) return;
    // The trojan loader fills both trojan groups; it runs once a load, not once per selector.
    if (gb_trojans && !trojanGroupsLoaded_) step([&] { UpdateTrojanList(); });
    if (gb_scanAborted) return;
    if (gb_dialers) step([&] { UpdateDialersFolderList(); });
    if (gb_scanAborted) return;
    if (gb_scanBHO) step([&] { UpdateHijackersFolderList(); });
    if (gb_scanAborted) return;
    if (gb_keyLoggers) step([&] { UpdateKeyLoggersFolderList(); });
    if (gb_scanAborted) return;
    if (gb_spywareAdware) step([&] { UpdateSpyFolderList(); });
    if (gb_scanAborted) return;
    step([&] { SetBusy(false); });
    step([&] { removeFromList(); });
}

bool ScanEngine::UpdateSpyListview(const std::string& name) {
    return base::Trap("UpdateSpyListview", false, [&] {
        const std::string wanted = base::UCase(name);
        for (int i = 0; i <= 1000; ++i) {
            YieldToMessages();
            const auto v = updateListfromINI("REMO", "REMENT" + std::to_string(i));
            if (!v) return false;
            if (base::UCase(*v) == wanted) return true;
        }
        return false;
    });
}

void ScanEngine::removeFromList() {
    int j = 0;
    const bool ok = base::TrapWith(
        [&] {
            SetBusy(true);
            // The removal list, read once (it ends at its first empty entry).
            std::unordered_set<std::string> names;
            for (int i = 0; i <= 1000; ++i) {
                YieldToMessages();
                const auto v = updateListfromINI("REMO", "REMENT" + std::to_string(i));
                if (!v) break;
                names.insert(base::UCase(*v));
            }
            // One pass: the rows whose name is on the list go, the others keep their order.
            if (!names.empty()) {
                base::ListItems& rows = lists.lstSearch.ListItems;
                const base::ListItems& view = rows;
                std::vector<base::ListItem> kept;
                bool removed = false;
                for (j = 1; j <= view.Count(); ++j) {
                    const base::ListItem& row = view(j);
                    if (names.count(base::UCase(row.SubItems(2))))
                        removed = true;
                    else
                        kept.push_back(row);
                }
                if (removed) {
                    rows.Clear();
                    for (base::ListItem& row : kept) rows.Add() = std::move(row);
                }
            }
            SetBusy(false);
        },
        [&] { return base::MethodTail("removeFromList", "J: " + std::to_string(j)); });
    if (!ok) SetBusy(false);
}

}  // namespace scanner
