// AVL tree: every node's subtrees differ in height by at most one, so a tree of n nodes is at
// most about 1.44 log2(n) deep and every operation is O(log n).
#include "ovc_avl_tree.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

using Node = OvcAvlTree::Node;

int Height(const Node* node) {
    return node ? node->height : 0;
}

void UpdateHeight(Node* node) {
    node->height = 1 + std::max(Height(node->left), Height(node->right));
}

Node* RotateRight(Node* node) {
    Node* top = node->left;
    node->left = top->right;
    top->right = node;
    UpdateHeight(node);
    UpdateHeight(top);
    return top;
}

Node* RotateLeft(Node* node) {
    Node* top = node->right;
    node->right = top->left;
    top->left = node;
    UpdateHeight(node);
    UpdateHeight(top);
    return top;
}

// Restores the balance of a node whose subtrees differ in height by at most two.
Node* Rebalance(Node* node) {
    UpdateHeight(node);
    int balance = Height(node->left) - Height(node->right);
    if (balance > 1) {
        if (Height(node->left->left) < Height(node->left->right))
            node->left = RotateLeft(node->left);
        return RotateRight(node);
    }
    if (balance < -1) {
        if (Height(node->right->right) < Height(node->right->left))
            node->right = RotateRight(node->right);
        return RotateLeft(node);
    }
    return node;
}

// A copy of size bytes (a zero-size copy still gets its own block), or null.
unsigned char* CopyBytes(const void* data, size_t size) {
    auto* copy = static_cast<unsigned char*>(malloc(size ? size : 1));
    if (copy && size)
        memcpy(copy, data, size);
    return copy;
}

} // namespace

OvcAvlTree::~OvcAvlTree() {
    Free(root_);
}

void OvcAvlTree::Free(Node* node) {
    if (!node)
        return;
    Free(node->left);
    Free(node->right);
    free(node->data);
    delete node;
}

// The key of added is not in the tree. The depth of the recursion is the tree's height: a few
// dozen levels at most.
Node* OvcAvlTree::Insert(Node* node, Node* added) {
    if (!node)
        return added;
    if (added->key < node->key)
        node->left = Insert(node->left, added);
    else
        node->right = Insert(node->right, added);
    return Rebalance(node);
}

OvcAvlTree::Result OvcAvlTree::Insert(UINT_PTR key, const void* data, size_t size) {
    if (Find(key))
        return Result::KeyExists;
    unsigned char* copy = CopyBytes(data, size);
    Node* added = copy ? new (std::nothrow) Node{key, nullptr, nullptr, 1, size, copy} : nullptr;
    if (!added) {
        free(copy);
        return Result::NoMemory;
    }
    root_ = Insert(root_, added);
    return Result::Done;
}

OvcAvlTree::Result OvcAvlTree::Replace(UINT_PTR key, const void* data, size_t size) {
    Node* node = const_cast<Node*>(Find(key));
    if (!node)
        return Result::KeyMissing;
    unsigned char* copy = CopyBytes(data, size);
    if (!copy)
        return Result::NoMemory;
    free(node->data);
    node->data = copy;
    node->size = size;
    return Result::Done;
}

const OvcAvlTree::Node* OvcAvlTree::Find(UINT_PTR key) const {
    const Node* node = root_;
    while (node && node->key != key)
        node = key < node->key ? node->left : node->right;
    return node;
}
