#include "shell/FolderTreeView.h"

#include "base/Text.h"
#include "base/Trap.h"

namespace shellControls {

HWND FolderTreeView::CreateWindowFor(HWND parent) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_TREEVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    return MakeWindow(
        WC_TREEVIEWA,
        TVS_HASLINES | TVS_HASBUTTONS | TVS_LINESATROOT | TVS_SHOWSELALWAYS | TVS_DISABLEDRAGDROP | WS_TABSTOP,
        WS_EX_CLIENTEDGE, parent, "");
}

void FolderTreeView::AfterCreate() {
    if (!hWnd()) return;
    // Set after creation, as the control wants it, so that it builds its state pictures.
    SetWindowLongPtrA(hWnd(), GWL_STYLE, GetWindowLongPtrA(hWnd(), GWL_STYLE) | TVS_CHECKBOXES);
    SetWindowSubclass(hWnd(), &TreeProc, 1, reinterpret_cast<DWORD_PTR>(this));
    nodes_.clear();
    items_.clear();
    if (!root_->text.empty()) Insert(*root_, TVI_ROOT);
}

void FolderTreeView::BeforeDestroy() {
    if (hWnd()) RemoveWindowSubclass(hWnd(), &TreeProc, 1);
    nodes_.clear();
    items_.clear();
    Control::BeforeDestroy();
}

void FolderTreeView::Fill(const std::vector<std::string>& drives, const std::vector<bool>& marks) {
    root_ = std::make_unique<folderTree::Node>();
    root_->text = folderTree::kTop;
    root_->expanded = true;
    listed_.clear();
    listed_[root_.get()] = true;
    for (size_t i = 0; i < drives.size(); ++i) root_->Add(drives[i]).checked = i < marks.size() && marks[i];
    if (!root_->children.empty()) folderTree::checkParentNodes(*root_->children.front());
    if (!hWnd()) return;
    TreeView_DeleteAllItems(hWnd());
    nodes_.clear();
    items_.clear();
    Insert(*root_, TVI_ROOT);
}

void FolderTreeView::Insert(folderTree::Node& n, HTREEITEM parent) {
    TVINSERTSTRUCTA ins{};
    ins.hParent = parent;
    ins.hInsertAfter = TVI_LAST;
    ins.item.mask = TVIF_TEXT | TVIF_CHILDREN;
    ins.item.pszText = const_cast<char*>(n.text.c_str());
    // Until a folder is listed it may have subfolders: the button shows.
    ins.item.cChildren = listed_[&n] ? (n.children.empty() ? 0 : 1) : 1;
    HTREEITEM item = TreeView_InsertItem(hWnd(), &ins);
    if (!item) return;
    nodes_[item] = &n;
    items_[&n] = item;
    TreeView_SetCheckState(hWnd(), item, n.checked);
    for (auto& c : n.children) Insert(*c, item);
    if (n.expanded && !n.children.empty()) TreeView_Expand(hWnd(), item, TVE_EXPAND);
}

std::string FolderTreeView::PathOf(const folderTree::Node& n) const {
    if (!n.parent) return "";
    if (!n.parent->parent) return n.text;  // a drive: "C:\"
    std::string p = PathOf(*n.parent);
    if (!p.empty() && p.back() != '\\') p += '\\';
    return p + n.text;
}

folderTree::Node* FolderTreeView::Find(const std::string& path) {
    std::vector<folderTree::Node*> todo{root_.get()};
    while (!todo.empty()) {
        folderTree::Node* n = todo.back();
        todo.pop_back();
        if (n->parent && base::UCase(PathOf(*n)) == base::UCase(path)) return n;
        for (auto& c : n->children) todo.push_back(c.get());
    }
    return nullptr;
}

HTREEITEM FolderTreeView::ItemOf(const folderTree::Node& n) const {
    auto it = items_.find(&n);
    return it == items_.end() ? nullptr : it->second;
}

void FolderTreeView::ListSubfolders(folderTree::Node& n) {
    if (listed_[&n]) return;
    listed_[&n] = true;
    std::string folder = PathOf(n);
    if (folder.empty()) return;
    if (folder.back() != '\\') folder += '\\';
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((folder + "*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = fd.cFileName;
            // Links are not followed: a scan never enters them either.
            if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
                (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) || name == "." || name == "..")
                continue;
            n.Add(name);
        } while (FindNextFileA(h, &fd));
        FindClose(h);
    }
    folderTree::PropagateToChildren(n);
    HTREEITEM item = ItemOf(n);
    if (!item || !hWnd()) return;
    for (auto& c : n.children) Insert(*c, item);
    TVITEMA t{};
    t.mask = TVIF_CHILDREN;
    t.hItem = item;
    t.cChildren = n.children.empty() ? 0 : 1;
    TreeView_SetItem(hWnd(), &t);
}

void FolderTreeView::Expand(folderTree::Node& n) {
    ListSubfolders(n);
    n.expanded = true;
    if (HTREEITEM item = ItemOf(n)) TreeView_Expand(hWnd(), item, TVE_EXPAND);
}

void FolderTreeView::ToggleCheck(folderTree::Node& n) {
    HTREEITEM item = ItemOf(n);
    if (!item) return;
    TreeView_SetCheckState(hWnd(), item, !TreeView_GetCheckState(hWnd(), item));
    BoxChanged(item);
}

bool FolderTreeView::ShownChecked(const folderTree::Node& n) const {
    HTREEITEM item = ItemOf(n);
    return item && TreeView_GetCheckState(hWnd(), item) == 1;
}

bool FolderTreeView::ShownExpanded(const folderTree::Node& n) const {
    HTREEITEM item = ItemOf(n);
    return item && (TreeView_GetItemState(hWnd(), item, TVIS_EXPANDED) & TVIS_EXPANDED) != 0;
}

void FolderTreeView::BoxChanged(HTREEITEM item) {
    auto it = nodes_.find(item);
    if (it == nodes_.end()) return;
    folderTree::Node& n = *it->second;
    const bool shown = TreeView_GetCheckState(hWnd(), item) == 1;
    if (shown == n.checked) return;
    n.checked = shown;
    ListSubfolders(n);  // the folder opens with its subfolders listed
    folderTree::NodeCheck(n);
    TreeView_Expand(hWnd(), item, TVE_EXPAND);
    for (auto& c : n.children)
        if (HTREEITEM ci = ItemOf(*c)) TreeView_Expand(hWnd(), ci, TVE_COLLAPSE);
    ShowMarks(*root_);
}

void FolderTreeView::ShowMarks(folderTree::Node& n) {
    if (HTREEITEM item = ItemOf(n))
        if ((TreeView_GetCheckState(hWnd(), item) == 1) != n.checked) TreeView_SetCheckState(hWnd(), item, n.checked);
    for (auto& c : n.children) ShowMarks(*c);
}

bool FolderTreeView::OnNotify(NMHDR* header, LRESULT& result) {
    result = 0;
    if (header->code != TVN_ITEMEXPANDINGA && header->code != TVN_ITEMEXPANDINGW) return false;
    // Both forms carry the item handle and the action at the same places.
    auto* tv = reinterpret_cast<NMTREEVIEWA*>(header);
    if (tv->action & TVE_EXPAND) {
        auto it = nodes_.find(tv->itemNew.hItem);
        if (it != nodes_.end())
            base::Trap("treeSelect_Expand", [&] {
                ListSubfolders(*it->second);
                it->second->expanded = true;
            });
    }
    return true;
}

// A click on a box or the space bar changes the mark inside the control's own handling: the
// node follows once that handling returns.
LRESULT CALLBACK FolderTreeView::TreeProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR self) {
    auto* view = reinterpret_cast<FolderTreeView*>(self);
    HTREEITEM concerned = nullptr;
    if (msg == WM_LBUTTONDOWN || msg == WM_LBUTTONDBLCLK) {
        TVHITTESTINFO hit{};
        hit.pt = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        if (TreeView_HitTest(hwnd, &hit) && (hit.flags & TVHT_ONITEMSTATEICON)) concerned = hit.hItem;
    } else if (msg == WM_KEYDOWN && wParam == VK_SPACE) {
        concerned = TreeView_GetSelection(hwnd);
    }
    const LRESULT r = DefSubclassProc(hwnd, msg, wParam, lParam);
    if (concerned) base::Trap("treeSelect_NodeCheck", [&] { view->BoxChanged(concerned); });
    return r;
}

}  // namespace shellControls
