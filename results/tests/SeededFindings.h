#pragma once
// The seeded machine's expected findings as a results list, every row checked, as a scan with the
// process listing and the advanced search on would leave it.
#include "base/testing/seeded/SeededMachine.h"
#include "results/FindingList.h"

namespace resultstest {

// withTags: the rows carry their tags too (the data a RegData removal takes out of a value).
inline void AddSeededFindings(const testing_support::SeededMachine& machine, results::FindingList& list,
                              bool withTags) {
    for (const auto& f : machine.Expected()) {
        if (!f.condition.empty() && f.condition != testing_support::kWhenProcessesListed &&
            f.condition != testing_support::kWhenAdvancedScanning)
            continue;
        results::Finding row;
        row.SpyType = f.spyType;
        row.spyItem = f.item;
        row.ItemToolTip = f.toolTip;
        if (withTags) row.ItemTag = f.tag;
        row.ItemReplace = f.replace;
        row.Checked = true;
        if (list.FindRow(f.kind, f.spyType, f.item) == 0) list.AddRow(f.kind, row);
    }
}

}  // namespace resultstest
