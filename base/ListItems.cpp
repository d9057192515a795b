#include "base/ListItems.h"

#include <algorithm>

#include "base/RuntimeError.h"

namespace base {
namespace {
[[noreturn]] void OutOfBounds() { Raise(35600, "Index out of bounds"); }
const std::string kEmpty;
}  // namespace

std::string& ListItem::SubItems(int i) {
    if (i < 1) Raise(380, "Invalid property value");
    if (static_cast<size_t>(i) > subItems_.size()) subItems_.resize(static_cast<size_t>(i));
    return subItems_[static_cast<size_t>(i - 1)];
}

const std::string& ListItem::SubItems(int i) const {
    if (i < 1) Raise(380, "Invalid property value");
    if (static_cast<size_t>(i) > subItems_.size()) return kEmpty;
    return subItems_[static_cast<size_t>(i - 1)];
}

ListItem& ListItems::Add(const std::string& text) {
    rows_.emplace_back();
    rows_.back().Text = text;
    Touched();
    return rows_.back();
}

ListItem& ListItems::operator()(int index) {
    if (index < 1 || index > Count()) OutOfBounds();
    Touched();
    return rows_[static_cast<size_t>(index - 1)];
}

const ListItem& ListItems::operator()(int index) const {
    if (index < 1 || index > Count()) OutOfBounds();
    return rows_[static_cast<size_t>(index - 1)];
}

void ListItems::SortBy(const std::function<bool(const ListItem&, const ListItem&)>& less) {
    std::stable_sort(rows_.begin(), rows_.end(), less);
    Touched();
}

void ListItems::Remove(int index) {
    if (index < 1 || index > Count()) OutOfBounds();
    rows_.erase(rows_.begin() + (index - 1));
    Touched();
}

void ListItems::Clear() {
    rows_.clear();
    Touched();
}

}  // namespace base
