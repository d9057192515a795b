#pragma once
// The results list: a check-box list view whose rows are the findings, with an index that finds
// a row by (kind, spy name, item) without walking the list.
//
// The index answers exactly what a walk from row 1 answers. It follows the rows through the
// list's change notice: any change that did not come through AddFinding (rows removed, the list
// cleared or refilled, a row written through ListItems(i)) makes the next look-up rebuild it.
//
// The window learns the row count when it next paints or is asked about its items, not at every
// added row: telling a list view its row count costs a millisecond and more, a scan adds
// thousands of rows, and the list is not on screen while a scan fills it.
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
    void AfterCreate() override;
    void BeforeDestroy() override;

private:
    static LRESULT CALLBACK RowCountProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR self);
    void Changed();
    void SyncRowCount();
    static std::string KeyOf(const std::string& kind, const std::string& spyType, const std::string& spyItem);
    void Rebuild() const;

    bool rowCountStale_ = false;         // the window has not been told the row count yet
    unsigned long long generation_ = 0;  // bumped by every change notice of the rows
    mutable unsigned long long indexedGeneration_ = ~0ull;
    mutable std::unordered_map<std::string, int> firstRow_;
};

}  // namespace results
