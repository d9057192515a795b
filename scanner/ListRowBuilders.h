#pragma once
// The row builders through which every definition loader adds a row to a hidden list, and the
// removal-list test of the file groups.
#include <string>

#include "ui/ListView.h"

namespace modDefinitions {

// Text = the kind trimmed and upper-cased; sub-item 1 = first; sub-item 2 = second.
void FillListBox(ui::ListRows& list, const std::string& kind, const std::string& first, const std::string& second);
// Text = the key path trimmed and upper-cased; sub-item 1 = the compare text; sub-item 2 = the spy name.
void FillListBoxRegistryVType(ui::ListRows& list, const std::string& keyPath, const std::string& spyName,
                              const std::string& compareText);
// Text = the key fragment trimmed and upper-cased; sub-item 1 = the spy name.
void FillListBoxRegistrySType(ui::ListRows& list, const std::string& keyFragment, const std::string& spyName);

// True when the removal list (section "REMO", "REMENT0" up to "REMENT1000", ending at the first
// empty entry) holds `name`, both compared upper-cased.
bool UpdateSpyListview(const std::string& name);

}  // namespace modDefinitions
