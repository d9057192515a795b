#include "shell/FolderTree.h"

namespace folderTree {

Node& Node::Add(const std::string& childText) {
    children.push_back(std::make_unique<Node>());
    Node& c = *children.back();
    c.text = childText;
    c.parent = this;
    return c;
}

void PropagateToChildren(Node& n) {
    for (auto& c : n.children) c->checked = n.checked;
}

void NodeCheck(Node& n) {
    n.expanded = true;
    for (auto& c : n.children) {
        c->expanded = false;
        c->checked = n.checked;
    }
    if (n.text != kTop) checkParentNodes(n);
}

void checkParentNodes(Node& n) {
    if (n.text == kTop || !n.parent) return;
    Node& p = *n.parent;
    for (auto& c : p.children) {
        p.checked = true;
        if (!c->checked) {
            p.checked = false;
            checkParentNodes(p);
            return;
        }
    }
    // A parent that ends checked passes the re-evaluation on, so a branch checked leaf by leaf
    // checks its ancestors as well.
    checkParentNodes(p);
}

}  // namespace folderTree
