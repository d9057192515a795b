#pragma once
// The custom selection's folder tree on the screen: a tree view with check boxes whose nodes are
// the folderTree model's. The top node is "My Computer", the fixed drives below it, and each
// folder's subfolders are listed when it first opens. A check box the user changes runs the
// model's node check (the folder opens, its subfolders take its mark, its ancestors follow) and
// the window shows the marks again.
#include <windows.h>
// (after windows.h)
#include <commctrl.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "shell/FolderTree.h"
#include "ui/Control.h"

namespace shellControls {

class FolderTreeView : public ui::Control {
public:
    using ui::Control::Control;

    folderTree::Node& Root() { return *root_; }
    // The top node with the drives (paths such as "C:\") below it, each marked as given.
    void Fill(const std::vector<std::string>& drives, const std::vector<bool>& marks);
    // The folder the node stands for ("" for the top node).
    std::string PathOf(const folderTree::Node& n) const;
    // The node of a drive or folder path shown in the tree (letter case ignored), or nullptr.
    folderTree::Node* Find(const std::string& path);

    // As the user does it: opening a node lists its subfolders once; a click on its box.
    void Expand(folderTree::Node& n);
    void ToggleCheck(folderTree::Node& n);
    // What the window shows.
    bool ShownChecked(const folderTree::Node& n) const;
    bool ShownExpanded(const folderTree::Node& n) const;

protected:
    HWND CreateWindowFor(HWND parent) override;
    void AfterCreate() override;
    void BeforeDestroy() override;
    bool OnNotify(NMHDR* header, LRESULT& result) override;

private:
    static LRESULT CALLBACK TreeProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR self);
    void Insert(folderTree::Node& n, HTREEITEM parent);
    void ListSubfolders(folderTree::Node& n);
    void BoxChanged(HTREEITEM item);  // the window's mark of the item may differ from its node's
    void ShowMarks(folderTree::Node& n);
    HTREEITEM ItemOf(const folderTree::Node& n) const;

    std::unique_ptr<folderTree::Node> root_ = std::make_unique<folderTree::Node>();
    std::map<HTREEITEM, folderTree::Node*> nodes_;
    std::map<const folderTree::Node*, HTREEITEM> items_;
    std::map<const folderTree::Node*, bool> listed_;
};

}  // namespace shellControls
