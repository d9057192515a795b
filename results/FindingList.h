#pragma once
// The results list: the one store of findings. Each finding is a row (text = kind,
// SubItems(1) = spy name, SubItems(2) = item, SubItems(3) = replacement, ToolTipText, Tag,
// Checked), which the results window shows as they are; an index finds a row by (kind, spy name,
// item) without walking the list.
//
// The index answers exactly what a walk from row 1 answers. Any change that did not come through
// Add (rows removed, the list cleared or refilled, a row written through Rows()(i)) makes the
// next look-up rebuild it.
#include <string>
#include <unordered_map>

#include "base/ListItems.h"
#include "results/Finding.h"

namespace results {

class FindingList {
public:
    base::ListItems& Rows() { return rows_; }
    const base::ListItems& Rows() const { return rows_; }
    int Count() const { return rows_.Count(); }

    // The first row (1-based) whose text, SubItems(1) and SubItems(2) equal the three texts
    // exactly; 0 when there is none.
    int FindRow(const std::string& kind, const std::string& spyType, const std::string& spyItem) const;
    // The same answer by walking the rows from the first (the reference the index is held to).
    static int FindRowByWalk(const base::ListItems& rows, const std::string& kind, const std::string& spyType,
                             const std::string& spyItem);

    // Appends one finding row and keeps the index in step.
    base::ListItem& Add(const Finding& finding);
    // The same with the row's text as the recorder was given it (a kind text, or any other
    // text a caller passed; such a row answers At() with none).
    base::ListItem& AddRow(const std::string& kindText, const Finding& fields);
    // Row `index` (1-based) as a finding; none when its text names no kind.
    std::optional<Finding> At(int index) const;
    void Clear() { rows_.Clear(); }

    // The rows are a scan's that the results file does not hold yet (results/ResultsFile.h).
    bool newerThanFile = false;

private:
    static std::string KeyOf(const std::string& kind, const std::string& spyType, const std::string& spyItem);
    void Rebuild() const;

    base::ListItems rows_;
    mutable unsigned long long indexedGeneration_ = ~0ull;
    mutable std::unordered_map<std::string, int> firstRow_;
};

// The program's results list: the list of ProgramResults() (results/ScanResults.h), shown by
// frmResultBackup.SpyListView.
FindingList& Findings();

}  // namespace results
