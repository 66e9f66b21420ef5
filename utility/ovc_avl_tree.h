// The AVL tree behind the OvcAvl functions. Not exported; the tests compile it in to check the
// balance of the nodes themselves.
#pragma once

#include <windows.h>

#include <cstddef>

class OvcAvlTree {
  public:
    struct Node {
        UINT_PTR key;
        Node* left;
        Node* right;
        int height; // of the subtree rooted here; a leaf has 1
        size_t size;
        unsigned char* data;
    };
    enum class Result { Done, KeyExists, KeyMissing, NoMemory };

    OvcAvlTree() = default;
    ~OvcAvlTree();
    OvcAvlTree(const OvcAvlTree&) = delete;
    OvcAvlTree& operator=(const OvcAvlTree&) = delete;

    Result Insert(UINT_PTR key, const void* data, size_t size);
    // The node's bytes are exchanged only once the copy exists.
    Result Replace(UINT_PTR key, const void* data, size_t size);
    const Node* Find(UINT_PTR key) const;
    const Node* Root() const { return root_; }

  private:
    static void Free(Node* node);
    static Node* Insert(Node* node, Node* added);

    Node* root_ = nullptr;
};
