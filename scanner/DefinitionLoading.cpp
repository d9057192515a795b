// The definitions load: which groups a load fills, and the file and folder groups with the
// direct checks of their fixed paths and the removal list.
#include <unordered_set>
#include <utility>
#include <vector>

#include "base/Trap.h"
#include "core/Globals.h"
#include "definitions/DefinitionsStore.h"
#include "scanner/ContextTrap.h"
#include "scanner/FolderMacros.h"
#include "scanner/ListRowBuilders.h"
#include "scanner/ScanGlobals.h"
#include "scanner/TextRules.h"
#include "scanner/frmScanSpy.h"
#include "ui/MessageLoop.h"

using modDefinitions::FillListBox;
using modDefinitions::updateListfromINI;

// ---- loadDataBase and clearDataBase

void frmScanSpy::loadDataBase(bool onlyFiles) {
    // Every step that fails is logged and the next one runs.
    auto step = [](auto&& body) { base::Trap("loadDataBase", body); };
    step([&] { clearDataBase(); });
    if (onlyFiles) {
        step([&] { ShowLoadStatus("1144", "Loading Files Database..."); });
        step([&] { ScanDrivesForAllFiles(); });
        step([&] { FlushDisplay(); });
        return;
    }
    if (gb_loadRegSDefs || gb_loadRegVDefs || gb_loadRegDataDefs || gb_loadRegKDefs) {
        step([&] { ShowLoadStatus("1143", "Loading Registry Database..."); });
        if (gb_loadRegSDefs) step([&] { UpdateRegistrySList(); });
        if (gb_loadRegVDefs) step([&] { UpdateRegistryVList(); });
        if (gb_loadRegDataDefs) step([&] { updateRegValueData(); });
        if (gb_loadRegKDefs) {
            step([&] { UpdateRegistryKList(); });
            step([&] { UpdateRegistryKOList(); });
        }
    }
    if (gb_loadCookieDefs) {
        step([&] { ShowLoadStatus("1145", "Loading Cookies Database..."); });
        step([&] { UpdateCookieList(); });
    }
    if (gb_loadHostsDefs) {
        step([&] { ShowLoadStatus("1146", "Loading Hosts Database..."); });
        step([&] { UpdateHostsList(); });
    }
    if (gb_loadFileDefs) {
        step([&] { ShowLoadStatus("1144", "Loading Files Database..."); });
        step([&] { ScanDrivesForAllFiles(); });
    }
    // Nothing of the load stays pending: the scan's own writes to the status line come next.
    step([&] { FlushDisplay(); });
}

void frmScanSpy::clearDataBase() {
    for (ui::ListRows* list :
         {&lstSearch, &lstRegistrySearch, &lstRegistry, &lstRegKSearch, &lstRegValueData, &lstCookies, &lstHost,
          &lstCESearch, &lstCWSearch, &lstOFNSearch, &lstIFNSearch, &lstPNSearch, &lstFDSearch, &lstFCSSearch})
        list->ListItems.Clear();
    trojanGroupsLoaded_ = false;
}

// ---- the file and folder groups

struct frmScanSpy::FileGroup {
    const char* section;  // also the prefix of its keys
    const char* kind;     // of the list rows
    bool folders;         // direct entries are folders
    bool yieldEachEntry;  // yields before every entry of both loops
};

namespace {
using Group = const frmScanSpy::FileGroup*;
}  // namespace

bool frmScanSpy::LoadListEntries(const FileGroup& g, int& i) {
    const std::string p = g.section;
    for (i = 0; i <= 10000; ++i) {
        if (g.yieldEachEntry) YieldToMessages();
        if (gb_scanAborted) return false;
        const auto name = updateListfromINI(p, p + "T" + std::to_string(i));
        const auto item = updateListfromINI(p, p + "S" + std::to_string(i));
        if (!name || !item) break;
        FillListBox(lstSearch, g.kind, *name, *item);
        StatusUpdate();
    }
    return true;
}

bool frmScanSpy::CheckDirectEntries(const FileGroup& g, int& i) {
    const std::string p = g.section;
    for (i = 0; i <= 10000; ++i) {
        if (g.yieldEachEntry) YieldToMessages();
        if (gb_scanAborted) return false;
        const auto name = updateListfromINI(p, p + "TD" + std::to_string(i));
        const auto path = updateListfromINI(p, p + "SD" + std::to_string(i));
        if (!name || !path) break;
        std::string real = modMain::CleanDirString(*path);
        if (real.empty()) continue;  // no macro it knows: nothing to look for
        if (g.folders)
            checkIfFolderExistsThenAddToSpyList(real, *name);
        else
            checkIfFileExistsThenAddToSpyList(real, *name);
        StatusUpdate();
    }
    return true;
}

void frmScanSpy::RunLoader(const char* method, std::initializer_list<const char*> countKeys, int& i,
                           const std::function<bool()>& body) {
    const bool ok = scanner::TrapWith(
        [&] {
            YieldToMessages();
            SetMousePointer(11);
            StatusUpdate();
            ReadCountKeys(countKeys);
            if (!body()) return;
            YieldToMessages();
            SetMousePointer(0);
        },
        [&] { return "I: " + std::to_string(i) + ", Method: " + method; });
    if (!ok) SetMousePointer(0);
}

void frmScanSpy::LoadFileGroups(const char* method, const FileGroup* const* groups, size_t count,
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
const frmScanSpy::FileGroup kTAFI{"TAFI", "Malware File", false, false};
const frmScanSpy::FileGroup kTAFO{"TAFO", "Malware Folder", true, false};
const frmScanSpy::FileGroup kDAFI{"DAFI", "Malware File", false, false};
const frmScanSpy::FileGroup kDAFO{"DAFO", "Malware Folder", true, false};
const frmScanSpy::FileGroup kHAFI{"HAFI", "Malware File", false, false};
const frmScanSpy::FileGroup kHAFO{"HAFO", "Malware Folder", true, false};
const frmScanSpy::FileGroup kKAFI{"KAFI", "Malware File", false, false};
const frmScanSpy::FileGroup kKAFO{"KAFO", "Malware Folder", true, false};
const frmScanSpy::FileGroup kSAFI{"SAFI", "Malware File", false, false};
const frmScanSpy::FileGroup kSAFO{"SAFO", "Malware Folder", true, true};
}  // namespace

void frmScanSpy::UpdateTrojanList() {
    // Both trojan groups in one call: the two list loops, then the two direct loops.
    static const Group groups[] = {&kTAFI, &kTAFO};
    trojanGroupsLoaded_ = true;
    LoadFileGroups("UpdateTrojanList", groups, 2, {"TAFOTNUM", "TAFITDNUM", "TAFOTDNUM", "TAFITNUM"});
}

void frmScanSpy::UpdateDialersFileList() {
    static const Group groups[] = {&kDAFI};
    LoadFileGroups("UpdateDialersFileList", groups, 1, {"DAFITDNUM", "DAFITNUM"});
}

void frmScanSpy::UpdateDialersFolderList() {
    static const Group groups[] = {&kDAFO};
    LoadFileGroups("UpdateDialersFolderList", groups, 1, {"DAFOTDNUM", "DAFOTNUM"});
}

void frmScanSpy::UpdateHijackersFileList() {
    static const Group groups[] = {&kHAFI};
    // The data file spells the first count key with two D.
    LoadFileGroups("UpdateHijackersFileList", groups, 1, {"HAFITDDNUM", "HAFITNUM"});
}

void frmScanSpy::UpdateHijackersFolderList() {
    static const Group groups[] = {&kHAFO};
    LoadFileGroups("UpdateHijackersFolderList", groups, 1, {"HAFOTDNUM", "HAFOTNUM"});
}

void frmScanSpy::UpdateKeyLoggersFileList() {
    static const Group groups[] = {&kKAFI};
    LoadFileGroups("UpdateKeyLoggersFileList", groups, 1, {"KAFITDNUM", "KAFITNUM"});
}

void frmScanSpy::UpdateKeyLoggersFolderList() {
    static const Group groups[] = {&kKAFO};
    LoadFileGroups("UpdateKeyLoggersFolderList", groups, 1, {"KAFOTDNUM", "KAFOTNUM"});
}

void frmScanSpy::UpdateSpyFileList() {
    static const Group groups[] = {&kSAFI};
    LoadFileGroups("UpdateSpyFileList", groups, 1, {"SAFITDNUM", "SAFITNUM"});
}

void frmScanSpy::UpdateSpyFolderList() {
    static const Group groups[] = {&kSAFO};
    LoadFileGroups("UpdateSpyFolderList", groups, 1, {"SAFOTDNUM", "SAFOTNUM"});
}

// ---- the selectors

void frmScanSpy::ScanDrivesForAllFiles() {
    // A failing step is logged and the next one runs.
    auto step = [&](auto&& body) {
        if (!base::Trap("ScanDrivesForAllFiles", body)) SetMousePointer(0);
    };
    gb_fileGroupsLoaded = true;
    if (gb_scanAborted) return;
    step([&] {
        YieldToMessages();
        SetMousePointer(11);
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

void frmScanSpy::ScanDrivesForAllFolders() {
    auto step = [&](auto&& body) {
        if (!base::Trap("ScanDrivesForAllFolders", body)) SetMousePointer(0);
    };
    step([&] {
        YieldToMessages();
        SetMousePointer(11);
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
    step([&] { SetMousePointer(0); });
    step([&] { removeFromList(); });
}

void frmScanSpy::removeFromList() {
    int j = 0;
    const bool ok = scanner::TrapWith(
        [&] {
            SetMousePointer(11);
            // The removal list, read once (it ends at its first empty entry).
            std::unordered_set<std::string> names;
            for (int i = 0; i <= 1000; ++i) {
                YieldToMessages();
                const auto v = updateListfromINI("REMO", "REMENT" + std::to_string(i));
                if (!v) break;
                names.insert(textrules::UCase(*v));
            }
            // One pass: the rows whose name is on the list go, the others keep their order.
            if (!names.empty()) {
                ui::ListItems& rows = lstSearch.ListItems;
                const ui::ListItems& view = rows;
                std::vector<ui::ListItem> kept;
                bool removed = false;
                for (j = 1; j <= view.Count(); ++j) {
                    const ui::ListItem& row = view(j);
                    if (names.count(textrules::UCase(row.SubItems(2))))
                        removed = true;
                    else
                        kept.push_back(row);
                }
                if (removed) {
                    rows.Clear();
                    for (ui::ListItem& row : kept) rows.Add() = std::move(row);
                }
            }
            SetMousePointer(0);
        },
        [&] { return "J: " + std::to_string(j) + ", Method: removeFromList"; });
    if (!ok) SetMousePointer(0);
}
