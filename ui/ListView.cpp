#include "ui/ListView.h"

#include <commctrl.h>
#include <windowsx.h>

#include "ui/Form.h"
#include "ui/MessageLoop.h"

namespace ui {

void EnsureCommonControls();  // Controls.cpp

// ---- hidden lists

ListRows::ListRows() = default;

ListRows::ListRows(Form& form, std::string name) : Control(form, std::move(name)) {}

void ListRows::ResetToDesign() {
    Control::ResetToDesign();
    ListItems.Clear();
}

// ---- list view

ListView::ListView(Form& form, std::string name, Control* container, base::ListItems* rows)
    : Control(form, std::move(name), container), ListItems(rows ? *rows : ownRows_), bound_(rows != nullptr) {
    ListItems.SetObserver([this] { RowsChanged(); });
}

void ListView::RowsChanged() {
    OnRowsChanged();
    if (!hWnd() || rowCountStale_) return;
    // Repainted later, when the row has been written; the count is settled then.
    rowCountStale_ = true;
    InvalidateRect(hWnd(), nullptr, FALSE);
}

void ListView::SyncRowCount() {
    rowCountStale_ = false;
    const int count = ListItems.Count();
    if (SendMessageA(hWnd(), LVM_GETITEMCOUNT, 0, 0) != count)
        SendMessageA(hWnd(), LVM_SETITEMCOUNT, static_cast<WPARAM>(count), LVSICF_NOSCROLL);
}

LRESULT CALLBACK ListView::RowCountProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR self) {
    auto* list = reinterpret_cast<ListView*>(self);
    if (msg == WM_CONTEXTMENU && list->OnRightClick) {
        // The menu key: at the selected row, else at the list's corner.
        POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        if (lParam == -1) {
            RECT r{};
            const int row = list->SelectedIndex() - 1;
            r.left = LVIR_BOUNDS;
            if (row < 0 || !SendMessageA(hwnd, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&r)))
                r = {};
            at = {r.left + 8, r.bottom};
            ClientToScreen(hwnd, &at);
        }
        return Fenced("ListView_ContextMenu", 0, [&]() -> LRESULT {
            list->OnRightClick(at);
            return 0;
        });
    }
    if (list->rowCountStale_ && (msg == WM_PAINT || msg == WM_NCPAINT || msg == WM_SHOWWINDOW || msg == WM_SIZE ||
                                 (msg >= LVM_FIRST && msg < LVM_FIRST + 0x100)))
        list->SyncRowCount();
    return DefSubclassProc(hwnd, msg, wParam, lParam);
}

void ListView::BeforeDestroy() {
    if (hWnd()) RemoveWindowSubclass(hWnd(), &RowCountProc, 1);
    rowCountStale_ = false;
    if (hWnd()) images_ = nullptr;  // the window destroys its image list with itself
    Control::BeforeDestroy();
}

void ListView::AddColumn(const std::string& heading, int widthPixels, const std::string& tag) {
    columns_.push_back({heading, widthPixels, tag, heading});
    if (!hWnd()) return;
    LVCOLUMNA col{};
    col.mask = LVCF_TEXT | LVCF_WIDTH;
    col.pszText = const_cast<char*>(columns_.back().heading.c_str());
    col.cx = widthPixels;
    SendMessageA(hWnd(), LVM_INSERTCOLUMNA, columns_.size() - 1, reinterpret_cast<LPARAM>(&col));
}

std::string ListView::ColumnHeading(int column) const {
    return column >= 1 && column <= ColumnCount() ? columns_[static_cast<size_t>(column - 1)].heading : std::string();
}

const std::string& ListView::ColumnTag(int column) const {
    static const std::string none;
    return column >= 1 && column <= ColumnCount() ? columns_[static_cast<size_t>(column - 1)].tag : none;
}

void ListView::SetColumnHeading(int column, const std::string& heading) {
    if (column < 1 || column > ColumnCount()) return;
    Column& c = columns_[static_cast<size_t>(column - 1)];
    c.heading = heading;
    if (!hWnd()) return;
    LVCOLUMNA col{};
    col.mask = LVCF_TEXT;
    col.pszText = const_cast<char*>(c.heading.c_str());
    SendMessageA(hWnd(), LVM_SETCOLUMNA, static_cast<WPARAM>(column - 1), reinterpret_cast<LPARAM>(&col));
}

void ListView::SetColumnWidth(int column, int widthPixels) {
    if (column < 1 || column > ColumnCount()) return;
    columns_[static_cast<size_t>(column - 1)].width = widthPixels;
    if (hWnd()) SendMessageA(hWnd(), LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column - 1), widthPixels);
}

int ListView::ColumnWidth(int column) const {
    if (column < 1 || column > ColumnCount()) return 0;
    if (hWnd()) return static_cast<int>(SendMessageA(hWnd(), LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column - 1), 0));
    return columns_[static_cast<size_t>(column - 1)].width;
}

void ListView::Sort() {
    const int key = sortKey_;
    const bool descending = sortOrder_ == 1;
    auto keyOf = [key](const ListItem& item) { return key == 0 ? item.Text : item.SubItems(key); };
    ListItems.SortBy([&](const ListItem& a, const ListItem& b) {
        const int c = lstrcmpiA(keyOf(a).c_str(), keyOf(b).c_str());
        return descending ? c > 0 : c < 0;
    });
    Refresh();
}

void ListView::SetGridLines(bool on) {
    gridLines_ = on;
    if (hWnd()) SendMessageA(hWnd(), LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_GRIDLINES, on ? LVS_EX_GRIDLINES : 0);
}

HWND ListView::CreateWindowFor(HWND parent) {
    EnsureCommonControls();
    return MakeWindow(WC_LISTVIEWA, LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS | LVS_SINGLESEL | WS_TABSTOP,
                      WS_EX_CLIENTEDGE, parent, "");
}

void ListView::AfterCreate() {
    if (!hWnd()) return;
    DWORD ex = LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP;
    if (checkboxes_) ex |= LVS_EX_CHECKBOXES;
    if (gridLines_) ex |= LVS_EX_GRIDLINES;
    SendMessageA(hWnd(), LVM_SETEXTENDEDLISTVIEWSTYLE, ex, ex);
    if (checkboxes_) SendMessageA(hWnd(), LVM_SETCALLBACKMASK, LVIS_STATEIMAGEMASK, 0);
    if (images_) SendMessageA(hWnd(), LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images_));
    auto columns = columns_;
    columns_.clear();
    if (columns.empty()) columns.push_back({"", Width() > 8 ? Width() - 8 : 100, "", ""});
    for (const Column& c : columns) {
        AddColumn(c.heading, c.width, c.tag);
        columns_.back().design = c.design;
    }
    rowCountStale_ = false;
    SetWindowSubclass(hWnd(), &RowCountProc, 1, reinterpret_cast<DWORD_PTR>(this));
    Sync();
}

void ListView::Sync() {
    if (!hWnd()) return;
    SyncRowCount();
    InvalidateRect(hWnd(), nullptr, FALSE);
}

void ListView::Refresh() {
    Sync();
    if (hWnd()) UpdateWindow(hWnd());
}

int ListView::SelectedIndex() const {
    if (!hWnd()) return 0;
    return static_cast<int>(SendMessageA(hWnd(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED)) + 1;
}

void ListView::Select(int index) {
    if (!hWnd() || index < 1 || index > ListItems.Count()) return;
    LVITEMA item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(hWnd(), LVM_SETITEMSTATE, static_cast<WPARAM>(index - 1), reinterpret_cast<LPARAM>(&item));
    SendMessageA(hWnd(), LVM_ENSUREVISIBLE, static_cast<WPARAM>(index - 1), FALSE);
}

std::string ListView::CellText(int row, int column) const {
    if (row < 0 || row >= ListItems.Count()) return {};
    const ListItem& item = Rows()(row + 1);
    return column == 0 ? item.Text : item.SubItems(column);
}

void ListView::ToggleCheck(int row0) {
    if (row0 < 0 || row0 >= ListItems.Count()) return;
    ListItem& item = ListItems(row0 + 1);
    item.Checked = !item.Checked;
    SendMessageA(hWnd(), LVM_REDRAWITEMS, static_cast<WPARAM>(row0), row0);
    if (OnItemCheck) OnItemCheck(row0 + 1);
}

bool ListView::OnNotify(NMHDR* header, LRESULT& result) {
    result = 0;
    switch (header->code) {
        case LVN_GETDISPINFOA: {
            auto* di = reinterpret_cast<NMLVDISPINFOA*>(header);
            const int row = di->item.iItem;
            if ((di->item.mask & LVIF_TEXT) && di->item.pszText && di->item.cchTextMax > 0) {
                cellBuffer_ = CellText(row, di->item.iSubItem);
                lstrcpynA(di->item.pszText, cellBuffer_.c_str(), di->item.cchTextMax);
            }
            if ((di->item.mask & LVIF_IMAGE) && di->item.iSubItem == 0)
                di->item.iImage = RowImage ? RowImage(row + 1) : I_IMAGENONE;
            if ((di->item.mask & LVIF_STATE) && checkboxes_ && row >= 0 && row < ListItems.Count()) {
                di->item.state = INDEXTOSTATEIMAGEMASK(Rows()(row + 1).Checked ? 2 : 1);
                di->item.stateMask = LVIS_STATEIMAGEMASK;
            }
            return true;
        }
        case LVN_GETDISPINFOW: {
            auto* di = reinterpret_cast<NMLVDISPINFOW*>(header);
            const int row = di->item.iItem;
            if ((di->item.mask & LVIF_TEXT) && di->item.pszText && di->item.cchTextMax > 0) {
                const std::string text = CellText(row, di->item.iSubItem);
                const int n = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
                cellBufferW_.assign(static_cast<size_t>(n > 0 ? n : 1), L'\0');
                MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, cellBufferW_.data(), n);
                lstrcpynW(di->item.pszText, cellBufferW_.c_str(), di->item.cchTextMax);
            }
            if ((di->item.mask & LVIF_IMAGE) && di->item.iSubItem == 0)
                di->item.iImage = RowImage ? RowImage(row + 1) : I_IMAGENONE;
            if ((di->item.mask & LVIF_STATE) && checkboxes_ && row >= 0 && row < ListItems.Count()) {
                di->item.state = INDEXTOSTATEIMAGEMASK(Rows()(row + 1).Checked ? 2 : 1);
                di->item.stateMask = LVIS_STATEIMAGEMASK;
            }
            return true;
        }
        case LVN_GETINFOTIPA: {
            auto* tip = reinterpret_cast<NMLVGETINFOTIPA*>(header);
            if (tip->pszText && tip->cchTextMax > 0 && tip->iItem >= 0 && tip->iItem < ListItems.Count())
                lstrcpynA(tip->pszText, Rows()(tip->iItem + 1).ToolTipText.c_str(), tip->cchTextMax);
            return true;
        }
        case LVN_ITEMCHANGED: {
            // Some list views report a check-box click on an owner-data list as a state change.
            auto* lv = reinterpret_cast<NMLISTVIEW*>(header);
            if (checkboxes_ && lv->iItem >= 0 && lv->iItem < ListItems.Count() && (lv->uChanged & LVIF_STATE) &&
                ((lv->uNewState ^ lv->uOldState) & LVIS_STATEIMAGEMASK) && (lv->uNewState & LVIS_STATEIMAGEMASK)) {
                const bool checked = ((lv->uNewState & LVIS_STATEIMAGEMASK) >> 12) == 2;
                ListItem& item = ListItems(lv->iItem + 1);
                if (item.Checked != checked) {
                    item.Checked = checked;
                    lastNotifiedToggle_ = lv->iItem;
                    if (OnItemCheck) OnItemCheck(lv->iItem + 1);
                }
            }
            return true;
        }
        case NM_RCLICK: {
            if (OnRightClick) {
                POINT screen;
                GetCursorPos(&screen);
                OnRightClick(screen);
            }
            result = 1;  // handled: no WM_CONTEXTMENU follows
            return true;
        }
        case LVN_COLUMNCLICK: {
            auto* lv = reinterpret_cast<NMLISTVIEW*>(header);
            if (OnColumnClick) OnColumnClick(lv->iSubItem + 1);
            return true;
        }
        case NM_CLICK: {
            auto* act = reinterpret_cast<NMITEMACTIVATE*>(header);
            LVHITTESTINFO hit{};
            hit.pt = act->ptAction;
            const int row = static_cast<int>(SendMessageA(hWnd(), LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
            if (checkboxes_ && row >= 0 && (hit.flags & LVHT_ONITEMSTATEICON) && lastNotifiedToggle_ != row)
                ToggleCheck(row);
            lastNotifiedToggle_ = -1;
            if (row >= 0 && OnItemClick) OnItemClick(row + 1);
            return true;
        }
        default:
            return false;
    }
}

void ListView::ResetToDesign() {
    Control::ResetToDesign();
    for (Column& c : columns_) c.heading = c.design;
    sortKey_ = sortOrder_ = 0;
    // Rows of the program's own (bound) outlive the window that shows them.
    if (!bound_) ListItems.Clear();
}

void ListView::SetSmallImages(HIMAGELIST images) {
    HIMAGELIST old = images_;
    images_ = images;
    if (hWnd()) {
        SendMessageA(hWnd(), LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images_));
        InvalidateRect(hWnd(), nullptr, TRUE);
    }
    if (old && old != images) ImageList_Destroy(old);
}

int ListView::ShownImage(int index) const {
    if (!hWnd()) return -1;
    LVITEMA item{};
    item.mask = LVIF_IMAGE;
    item.iItem = index - 1;
    if (!SendMessageA(hWnd(), LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) return -1;
    return item.iImage < 0 ? -1 : item.iImage;
}

}  // namespace ui
