// The registry groups: REGS, REGV, REGK, REGKO and REGD.
#include "base/Trap.h"
#include "core/Globals.h"
#include "definitions/DefinitionsStore.h"
#include "scanner/ListRowBuilders.h"
#include "scanner/ScanEngine.h"

using modDefinitions::updateListfromINI;

namespace scanner {

namespace {
std::string Key(const char* prefix, int i) { return prefix + std::to_string(i); }
std::string Tail(int i, const char* method) { return base::MethodTail(method, "I: " + std::to_string(i)); }
}  // namespace

void ScanEngine::UpdateRegistrySList() {
    if (gb_scanAborted) return;
    int i = 0;
    RunLoader("UpdateRegistrySList", {"REGVKNUM", "REGSKNUM"}, i, [&] {
        for (i = 0; i <= 10000; ++i) {
            if (gb_scanAborted) return false;
            YieldToMessages();
            const auto key = updateListfromINI("REGS", Key("REGSK", i));
            const auto name = updateListfromINI("REGS", Key("REGST", i));
            if (!key || !name) break;
            FillListBoxRegistrySType(lists.lstRegistrySearch, *key, *name);
            StatusUpdate();
        }
        return true;
    });
}

void ScanEngine::UpdateRegistryVList() {
    if (gb_scanAborted) return;
    int i = 0;
    const bool ok = base::TrapWith(
        [&] {
            // Not busy and no first status line here; every row still counts.
            for (i = 0; i <= 10000; ++i) {
                if (gb_scanAborted) return;
                YieldToMessages();
                const auto path = updateListfromINI("REGV", Key("REGVK", i));
                const auto name = updateListfromINI("REGV", Key("REGVT", i));
                const auto compare = updateListfromINI("REGV", Key("REGVV", i));
                if (!path || !name || !compare) break;
                FillListBoxRegistryVType(lists.lstRegistry, *path, *name, *compare);
                StatusUpdate();
            }
            YieldToMessages();
            SetBusy(false);
        },
        [&] { return Tail(i, "UpdateRegistryVList"); });
    if (!ok) SetBusy(false);
}

void ScanEngine::LoadRegKeyGroup(const char* method, const char* section, const char* keyPrefix, const char* namePrefix,
                                 const char* countKey) {
    int i = 0;
    RunLoader(method, {countKey}, i, [&] {
        for (i = 0; i <= 10000; ++i) {
            if (gb_scanAborted) return false;
            YieldToMessages();
            const auto key = updateListfromINI(section, Key(keyPrefix, i));
            const auto name = updateListfromINI(section, Key(namePrefix, i));
            if (!key || !name) break;
            FillListBox(lists.lstRegKSearch, "Reg Key", *name, *key);
            StatusUpdate();
        }
        return true;
    });
}

void ScanEngine::UpdateRegistryKList() { LoadRegKeyGroup("UpdateRegistryKList", "REGK", "REGKK", "REGKT", "REGKKNUM"); }

void ScanEngine::UpdateRegistryKOList() {
    LoadRegKeyGroup("UpdateRegistryKOList", "REGKO", "REGKKO", "REGKTO", "REGKKONUM");
}

void ScanEngine::updateRegValueData() {
    int i = 0;
    RunLoader("updateRegValueData", {"REGDNUM"}, i, [&] {
        for (i = 0; i <= 10000; ++i) {
            if (gb_scanAborted) return false;
            YieldToMessages();
            const auto name = updateListfromINI("REGD", Key("REGDT", i));
            const auto key = updateListfromINI("REGD", Key("REGDK", i));
            const auto value = updateListfromINI("REGD", Key("REGDV", i));
            const auto data = updateListfromINI("REGD", Key("REGDD", i));
            const auto replacement = updateListfromINI("REGD", Key("REGDR", i));
            if (!name || !key) break;  // an empty value name, data or replacement still makes a row
            // The spy name stays as read: no trimming, no upper case.
            base::ListItem& row = lists.lstRegValueData.ListItems.Add(*name);
            row.SubItems(1) = *key;
            row.SubItems(2) = value.value_or("");
            row.SubItems(3) = data.value_or("");
            row.SubItems(4) = replacement.value_or("");
            StatusUpdate();
        }
        return true;
    });
}

}  // namespace scanner
