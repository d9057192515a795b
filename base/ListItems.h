#pragma once
// Rows of a list: the one row interface of every list of the program. Hidden lists that only hold
// rows (the definition lists, the running processes) are plain `RowList`s; lists the user sees
// are list views (ui/ListView.h) that show the same rows.
//
// Everything is 1-based, as the program counts: ListItems(1) is the first row, SubItems(1)
// the first column after the row's text. An index outside the rows raises error 35600
// ("Index out of bounds"). References to rows stay valid while rows are only added.
#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace base {

struct ListItem {
    std::string Text;
    std::string ToolTipText;
    std::string Tag;
    bool Checked = false;

    // Sub-item i (1-based). Writing grows the row; reading one never written gives "".
    std::string& SubItems(int i);
    const std::string& SubItems(int i) const;
    int SubItemCount() const { return static_cast<int>(subItems_.size()); }

private:
    std::vector<std::string> subItems_;
};

class ListItems {
public:
    ListItem& Add(const std::string& text = {});
    ListItem& operator()(int index);  // 1-based; counts as a write
    const ListItem& operator()(int index) const;
    int Count() const { return static_cast<int>(rows_.size()); }
    void Remove(int index);  // 1-based
    void Clear();
    // Puts the rows in the order `less` gives; rows it holds equal keep their order.
    void SortBy(const std::function<bool(const ListItem&, const ListItem&)>& less);

    // Bumped by every change of the row set and every write access: an index over the rows is
    // current while the generation it was built at is.
    unsigned long long Generation() const { return generation_; }
    // Told about the same changes (a list view on screen repaints).
    void SetObserver(std::function<void()> observer) { observer_ = std::move(observer); }

private:
    void Touched() {
        ++generation_;
        if (observer_) observer_();
    }
    std::deque<ListItem> rows_;
    unsigned long long generation_ = 0;
    std::function<void()> observer_;
};

// A list that only holds rows.
struct RowList {
    base::ListItems ListItems;
};

}  // namespace base
