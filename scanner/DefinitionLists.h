#pragma once
// The fourteen definition lists a definitions load fills group by group and the scan phases
// read, under the names the scanning window has always given them.
#include <initializer_list>

#include "base/ListItems.h"

namespace scanner {

struct DefinitionLists {
    base::RowList lstSearch;          // file and folder names
    base::RowList lstRegistrySearch;  // REGS
    base::RowList lstRegistry;        // REGV
    base::RowList lstRegKSearch;      // REGK, REGKO
    base::RowList lstRegValueData;    // REGD
    base::RowList lstCookies;         // COOK
    base::RowList lstHost;            // HOSTS
    base::RowList lstCESearch;        // SCE
    base::RowList lstCWSearch;        // SCW
    base::RowList lstOFNSearch;       // SBOFN
    base::RowList lstIFNSearch;       // SBIFN
    base::RowList lstPNSearch;        // SBPN
    base::RowList lstFDSearch;        // SBFD
    base::RowList lstFCSSearch;       // SBFCS

    void Clear() {
        for (base::RowList* list :
             {&lstSearch, &lstRegistrySearch, &lstRegistry, &lstRegKSearch, &lstRegValueData, &lstCookies, &lstHost,
              &lstCESearch, &lstCWSearch, &lstOFNSearch, &lstIFNSearch, &lstPNSearch, &lstFDSearch, &lstFCSSearch})
            list->ListItems.Clear();
    }
};

}  // namespace scanner
