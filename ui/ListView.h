#pragma once
// Rows of a list: the one row interface of every list of the program. Hidden lists that only
// hold rows (the definition lists) are plain `ListRows`; lists the user sees are `ListView`
// controls, comctl32 list views that show the same rows.
//
// Everything is 1-based, as the program counts: ListItems(1) is the first row, SubItems(1)
// the first column after the row's text. An index outside the rows raises error 35600
// ("Index out of bounds"). References to rows stay valid while rows are only added.
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "ui/Control.h"

namespace ui {

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
    ListItem& operator()(int index);  // 1-based
    const ListItem& operator()(int index) const;
    int Count() const { return static_cast<int>(rows_.size()); }
    void Remove(int index);  // 1-based
    void Clear();

    // Told about every change of the row set and every write access (a shown list repaints).
    void SetObserver(std::function<void()> observer) { observer_ = std::move(observer); }

private:
    void Touched() {
        if (observer_) observer_();
    }
    std::deque<ListItem> rows_;
    std::function<void()> observer_;
};

class Form;

// A list that only holds rows. Declared on a form it is emptied when the form unloads, as
// the list control it stands for would be; standing alone it is a plain container.
class ListRows : public Control {
public:
    ListRows();
    ListRows(Form& form, std::string name);
    ui::ListItems ListItems;

protected:
    void ResetToDesign() override;
};

// A report-style list view with optional check boxes, tool tips and grid lines. The window
// asks the rows for what it shows (owner data), so the rows are always what it shows.
// The window learns the row count when it next paints or is asked about its items, not at
// every added row: telling a list view its row count costs a millisecond and more, and a scan
// adds thousands of rows to a list that is not on screen meanwhile.
class ListView : public Control {
public:
    ListView(Form& form, std::string name, Control* container = nullptr);
    ui::ListItems ListItems;

    void AddColumn(const std::string& heading, int widthPixels);
    void SetCheckboxes(bool on) { checkboxes_ = on; }
    bool Checkboxes() const { return checkboxes_; }
    void SetGridLines(bool on);
    int SelectedIndex() const;  // 1-based, 0 when nothing is selected
    void Select(int index);
    void Refresh();

    std::function<void(int index)> OnItemClick;  // a row was clicked (1-based)
    std::function<void(int index)> OnItemCheck;  // a row's check box changed (1-based)

    // Answers the window's questions (also what a test reads): the text shown in a cell
    // (column 0 is the row's text) and the tool tip of a row, both 0-based.
    std::string CellText(int row, int column) const;

protected:
    HWND CreateWindowFor(HWND parent) override;
    void AfterCreate() override;
    void BeforeDestroy() override;
    bool OnNotify(NMHDR* header, LRESULT& result) override;
    void ResetToDesign() override;
    // Every change notice of the rows (added, removed, cleared, written through ListItems(i)).
    virtual void OnRowsChanged() {}

private:
    // Reading through this does not count as a write (a write repaints the list).
    const ui::ListItems& Rows() const { return ListItems; }
    void RowsChanged();
    void Sync();
    void SyncRowCount();
    static LRESULT CALLBACK RowCountProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR self);
    bool rowCountStale_ = false;  // the window has not been told the row count yet
    void ToggleCheck(int row0);
    struct Column {
        std::string heading;
        int width;
    };
    std::vector<Column> columns_;
    bool checkboxes_ = false;
    bool gridLines_ = false;
    int lastNotifiedToggle_ = -1;
    std::string cellBuffer_;
    std::wstring cellBufferW_;
};

}  // namespace ui
