#pragma once
// The check marks of the custom selection's folder tree, window-free: a node model with the
// node properties the panel uses (first child, next sibling, parent, checked, expanded, text).
#include <memory>
#include <string>
#include <vector>

namespace folderTree {

struct Node {
    std::string text;
    bool checked = false;
    bool expanded = false;
    Node* parent = nullptr;
    std::vector<std::unique_ptr<Node>> children;
    Node& Add(const std::string& childText);
};

inline constexpr const char* kTop = "My Computer";

// Every direct child takes the node's check mark (its subfolders were just listed).
void PropagateToChildren(Node& n);
// A node's check box changed: it opens, its direct children close and take its mark, and its
// ancestors follow (a parent is checked exactly when all its children are).
void NodeCheck(Node& n);
void checkParentNodes(Node& n);

}  // namespace folderTree
