#pragma once
// Lists on forms: hidden row lists declared on a form, and comctl32 list views that show rows
// (base/ListItems.h), their own or rows the program keeps elsewhere.
#include <windows.h>
// (after windows.h)
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "base/ListItems.h"
#include "ui/Control.h"

namespace ui {

using base::ListItem;
using base::ListItems;

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
    // With `rows` the view shows rows the program keeps: they are not emptied when the form
    // unloads. Without, the view holds its own rows, emptied as the form unloads.
    ListView(Form& form, std::string name, Control* container = nullptr, base::ListItems* rows = nullptr);

private:
    base::ListItems ownRows_;

public:
    base::ListItems& ListItems;

    // A column; `tag` is the language key of its heading ("" for none).
    void AddColumn(const std::string& heading, int widthPixels, const std::string& tag = "");
    int ColumnCount() const { return static_cast<int>(columns_.size()); }
    // Columns are 1-based, as the window's own column headers count them.
    std::string ColumnHeading(int column) const;
    const std::string& ColumnTag(int column) const;
    void SetColumnHeading(int column, const std::string& heading);
    // In pixels; what the window shows once it exists.
    void SetColumnWidth(int column, int widthPixels);
    int ColumnWidth(int column) const;
    void SetCheckboxes(bool on) { checkboxes_ = on; }
    bool Checkboxes() const { return checkboxes_; }
    void SetGridLines(bool on);
    int SelectedIndex() const;  // 1-based, 0 when nothing is selected
    void Select(int index);
    void Refresh();

    // Small pictures beside the rows' text: the list (the view owns it from here on and
    // destroys it with its window or when another list replaces it) and which picture a row
    // (1-based) shows, -1 for none.
    void SetSmallImages(HIMAGELIST images);
    std::function<int(int index)> RowImage;
    int ShownImage(int index) const;  // what the window shows for the row (1-based), -1 for none

    std::function<void(int index)> OnItemClick;  // a row was clicked (1-based)
    std::function<void(int index)> OnItemCheck;  // a row's check box changed (1-based)
    // The right mouse button or the menu key on the list, at this screen point.
    std::function<void(POINT screen)> OnRightClick;
    std::function<void(int column)> OnColumnClick;  // a column header was clicked (1-based)

    // Sorting: the rows are put in the order of the key column (0-based: 0 is the rows' text),
    // compared as text without regard to case, ascending (0) or descending (1); rows with equal
    // keys keep their order.
    void SetSortKey(int key) { sortKey_ = key; }
    void SetSortOrder(int order) { sortOrder_ = order; }
    int SortKey() const { return sortKey_; }
    int SortOrder() const { return sortOrder_; }
    void Sort();

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
    bool bound_ = false;
    bool rowCountStale_ = false;  // the window has not been told the row count yet
    void ToggleCheck(int row0);
    struct Column {
        std::string heading;
        int width;
        std::string tag;
        std::string design;  // the heading the form was designed with
    };
    int sortKey_ = 0, sortOrder_ = 0;
    std::vector<Column> columns_;
    bool checkboxes_ = false;
    bool gridLines_ = false;
    HIMAGELIST images_ = nullptr;
    int lastNotifiedToggle_ = -1;
    std::string cellBuffer_;
    std::wstring cellBufferW_;
};

}  // namespace ui
