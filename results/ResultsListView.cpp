#include "results/ResultsListView.h"

#include <windows.h>
// after windows.h
#include <commctrl.h>

namespace results {

ResultsListView::ResultsListView(ui::Form& form, std::string name, ui::Control* container)
    : ui::ListView(form, std::move(name), container) {
}

std::string ResultsListView::KeyOf(const std::string& kind, const std::string& spyType, const std::string& spyItem) {
    // Length-prefixed, so no choice of texts can make two different triples one key.
    std::string key = std::to_string(kind.size()) + ':' + kind + std::to_string(spyType.size()) + ':' + spyType;
    key += spyItem;
    return key;
}

void ResultsListView::Rebuild() const {
    const ui::ListItems& rows = ListItems;
    firstRow_.clear();
    firstRow_.reserve(static_cast<size_t>(rows.Count()) * 2);
    for (int i = 1; i <= rows.Count(); ++i) {
        const ui::ListItem& row = rows(i);
        firstRow_.emplace(KeyOf(row.Text, row.SubItems(1), row.SubItems(2)), i);  // keeps the first
    }
    indexedGeneration_ = generation_;
}

int ResultsListView::FindRow(const std::string& kind, const std::string& spyType, const std::string& spyItem) const {
    if (indexedGeneration_ != generation_) Rebuild();
    auto it = firstRow_.find(KeyOf(kind, spyType, spyItem));
    return it == firstRow_.end() ? 0 : it->second;
}

int ResultsListView::FindRowByWalk(const ui::ListItems& rows, const std::string& kind, const std::string& spyType,
                                   const std::string& spyItem) {
    for (int i = 1; i <= rows.Count(); ++i) {
        const ui::ListItem& row = rows(i);
        if (row.SubItems(2) == spyItem && row.Text == kind && row.SubItems(1) == spyType) return i;
    }
    return 0;
}

ui::ListItem& ResultsListView::AddFinding(const std::string& kind, const std::string& spyType,
                                          const std::string& spyItem, const std::string& itemReplace,
                                          const std::string& toolTip, const std::string& tag, bool checked) {
    const bool indexCurrent = indexedGeneration_ == generation_;
    ui::ListItem& row = ListItems.Add(kind);
    row.SubItems(1) = spyType;
    row.SubItems(2) = spyItem;
    row.SubItems(3) = itemReplace;
    row.ToolTipText = toolTip;
    row.Tag = tag;
    row.Checked = checked;
    if (indexCurrent) {
        firstRow_.emplace(KeyOf(kind, spyType, spyItem), ListItems.Count());
        indexedGeneration_ = generation_;
    }
    return row;
}

}  // namespace results
