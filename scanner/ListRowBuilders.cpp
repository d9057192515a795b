#include "scanner/ListRowBuilders.h"

#include "base/Trap.h"
#include "definitions/DefinitionsStore.h"
#include "scanner/TextRules.h"
#include "ui/MessageLoop.h"

namespace modDefinitions {

using textrules::Trim;
using textrules::UCase;

void FillListBox(ui::ListRows& list, const std::string& kind, const std::string& first, const std::string& second) {
    base::Trap("FillListBox", [&] {
        ui::ListItem& row = list.ListItems.Add(UCase(Trim(kind)));
        row.SubItems(1) = first;
        row.SubItems(2) = second;
    });
}

void FillListBoxRegistryVType(ui::ListRows& list, const std::string& keyPath, const std::string& spyName,
                              const std::string& compareText) {
    base::Trap("FillListBoxRegistryVType", [&] {
        ui::ListItem& row = list.ListItems.Add(UCase(Trim(keyPath)));
        row.SubItems(1) = compareText;
        row.SubItems(2) = spyName;
    });
}

void FillListBoxRegistrySType(ui::ListRows& list, const std::string& keyFragment, const std::string& spyName) {
    base::Trap("FillListBoxRegistrySType", [&] {
        ui::ListItem& row = list.ListItems.Add(UCase(Trim(keyFragment)));
        row.SubItems(1) = spyName;
    });
}

bool UpdateSpyListview(const std::string& name) {
    return base::Trap("UpdateSpyListview", false, [&] {
        const std::string wanted = UCase(name);
        for (int i = 0; i <= 1000; ++i) {
            ui::DoEvents();
            const auto v = updateListfromINI("REMO", "REMENT" + std::to_string(i));
            if (!v) return false;
            if (UCase(*v) == wanted) return true;
        }
        return false;
    });
}

}  // namespace modDefinitions
