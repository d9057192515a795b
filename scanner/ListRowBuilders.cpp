#include "scanner/ListRowBuilders.h"

#include "base/Text.h"
#include "base/Trap.h"
#include "definitions/DefinitionsStore.h"

namespace scanner {

using base::Trim;
using base::UCase;

void FillListBox(base::RowList& list, const std::string& kind, const std::string& first, const std::string& second) {
    base::Trap("FillListBox", [&] {
        base::ListItem& row = list.ListItems.Add(UCase(Trim(kind)));
        row.SubItems(1) = first;
        row.SubItems(2) = second;
    });
}

void FillListBoxRegistryVType(base::RowList& list, const std::string& keyPath, const std::string& spyName,
                              const std::string& compareText) {
    base::Trap("FillListBoxRegistryVType", [&] {
        base::ListItem& row = list.ListItems.Add(UCase(Trim(keyPath)));
        row.SubItems(1) = compareText;
        row.SubItems(2) = spyName;
    });
}

void FillListBoxRegistrySType(base::RowList& list, const std::string& keyFragment, const std::string& spyName) {
    base::Trap("FillListBoxRegistrySType", [&] {
        base::ListItem& row = list.ListItems.Add(UCase(Trim(keyFragment)));
        row.SubItems(1) = spyName;
    });
}

}  // namespace scanner
