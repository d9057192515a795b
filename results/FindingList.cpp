#include "results/FindingList.h"

namespace results {

std::string FindingList::KeyOf(const std::string& kind, const std::string& spyType, const std::string& spyItem) {
    // Length-prefixed, so no choice of texts can make two different triples one key.
    std::string key = std::to_string(kind.size()) + ':' + kind + std::to_string(spyType.size()) + ':' + spyType;
    key += spyItem;
    return key;
}

void FindingList::Rebuild() const {
    firstRow_.clear();
    firstRow_.reserve(static_cast<size_t>(rows_.Count()) * 2);
    for (int i = 1; i <= rows_.Count(); ++i) {
        const base::ListItem& row = rows_(i);
        firstRow_.emplace(KeyOf(row.Text, row.SubItems(1), row.SubItems(2)), i);  // keeps the first
    }
    indexedGeneration_ = rows_.Generation();
}

int FindingList::FindRow(const std::string& kind, const std::string& spyType, const std::string& spyItem) const {
    if (indexedGeneration_ != rows_.Generation()) Rebuild();
    auto it = firstRow_.find(KeyOf(kind, spyType, spyItem));
    return it == firstRow_.end() ? 0 : it->second;
}

int FindingList::FindRowByWalk(const base::ListItems& rows, const std::string& kind, const std::string& spyType,
                               const std::string& spyItem) {
    for (int i = 1; i <= rows.Count(); ++i) {
        const base::ListItem& row = rows(i);
        if (row.SubItems(2) == spyItem && row.Text == kind && row.SubItems(1) == spyType) return i;
    }
    return 0;
}

base::ListItem& FindingList::Add(const Finding& f) { return AddRow(KindText(f.kind), f); }

base::ListItem& FindingList::AddRow(const std::string& kind, const Finding& f) {
    const bool indexCurrent = indexedGeneration_ == rows_.Generation();
    base::ListItem& row = rows_.Add(kind);
    row.SubItems(1) = f.SpyType;
    row.SubItems(2) = f.spyItem;
    row.SubItems(3) = f.ItemReplace;
    row.ToolTipText = f.ItemToolTip;
    row.Tag = f.ItemTag;
    row.Checked = f.Checked;
    if (indexCurrent) {
        firstRow_.emplace(KeyOf(kind, f.SpyType, f.spyItem), rows_.Count());
        indexedGeneration_ = rows_.Generation();
    }
    return row;
}

std::optional<Finding> FindingList::At(int index) const {
    const base::ListItem& row = rows_(index);
    const auto kind = KindFromText(row.Text);
    if (!kind) return std::nullopt;
    return Finding{*kind, row.SubItems(1), row.SubItems(2), row.SubItems(3), row.ToolTipText, row.Tag, row.Checked};
}

}  // namespace results
