#pragma once
// The row builders through which every definition loader adds a row to a definition list.
#include <string>

#include "base/ListItems.h"

namespace scanner {

// Text = the kind trimmed and upper-cased; sub-item 1 = first; sub-item 2 = second.
void FillListBox(base::RowList& list, const std::string& kind, const std::string& first, const std::string& second);
// Text = the key path trimmed and upper-cased; sub-item 1 = the compare text; sub-item 2 = the spy name.
void FillListBoxRegistryVType(base::RowList& list, const std::string& keyPath, const std::string& spyName,
                              const std::string& compareText);
// Text = the key fragment trimmed and upper-cased; sub-item 1 = the spy name.
void FillListBoxRegistrySType(base::RowList& list, const std::string& keyFragment, const std::string& spyName);

}  // namespace scanner
