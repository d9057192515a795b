#pragma once
// The results list: a check-box list view whose rows are the findings, with an index that finds
// a row by (kind, spy name, item) without walking the list.
//
// The index answers exactly what a walk from row 1 answers. It follows the rows through the
// list's change notice: any change that did not come through AddFinding (rows removed, the list
// cleared or refilled, a row written through ListItems(i)) makes the next look-up rebuild it.
#include <windows.h>

#include <string>
#include <unordered_map>

#include "ui/ListView.h"

namespace results {

class ResultsListView : public ui::ListView {
public:
    ResultsListView(ui::Form& form, std::string name, ui::Control* container = nullptr);

    // The first row (1-based) whose Text, SubItems(1) and SubItems(2) equal the three texts
    // exactly; 0 when there is none.
    int FindRow(const std::string& kind, const std::string& spyType, const std::string& spyItem) const;
    // The same answer by walking the rows from the first (the reference the index is held to).
    static int FindRowByWalk(const ui::ListItems& rows, const std::string& kind, const std::string& spyType,
                             const std::string& spyItem);

    // Appends one finding row and keeps the index in step.
    ui::ListItem& AddFinding(const std::string& kind, const std::string& spyType, const std::string& spyItem,
                             const std::string& itemReplace, const std::string& toolTip, const std::string& tag,
                             bool checked);

protected:
    void OnRowsChanged() override { ++generation_; }

private:
    static std::string KeyOf(const std::string& kind, const std::string& spyType, const std::string& spyItem);
    void Rebuild() const;

    unsigned long long generation_ = 0;  // bumped by every change notice of the rows
    mutable unsigned long long indexedGeneration_ = ~0ull;
    mutable std::unordered_map<std::string, int> firstRow_;
};

}  // namespace results
