// Integer-keyed trees behind handles; each tree has its own lock, so threads may share one.
#include "OrvCtl.h"
#include "ovc_avl_tree.h"
#include "ovc_handles.h"

#include <climits>
#include <cstring>
#include <memory>

namespace {

struct Tree {
    Tree() { InitializeSRWLock(&lock); }
    SRWLOCK lock;
    OvcAvlTree nodes;
};

OvcHandleTable<Tree> g_trees;

std::shared_ptr<Tree> FindTree(HOVCAVL handle) {
    std::shared_ptr<Tree> tree = g_trees.Find(reinterpret_cast<UINT_PTR>(handle));
    if (!tree)
        SetLastError(ERROR_INVALID_HANDLE);
    return tree;
}

// Node sizes are reported as an int, so a node holds at most INT_MAX bytes.
bool ValidBytes(const void* data, UINT size) {
    return size <= INT_MAX && (data || size == 0);
}

// 1, or 0 with the last error that tells why.
int Answer(OvcAvlTree::Result result) {
    switch (result) {
    case OvcAvlTree::Result::Done:
        return 1;
    case OvcAvlTree::Result::KeyExists:
        SetLastError(ERROR_ALREADY_EXISTS);
        return 0;
    case OvcAvlTree::Result::KeyMissing:
        SetLastError(ERROR_NOT_FOUND);
        return 0;
    case OvcAvlTree::Result::NoMemory:
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    return 0;
}

// Insert and replace: the same checks and lock around one operation of the tree.
int StoreNode(HOVCAVL handle, UINT_PTR key, const void* data, UINT size,
              OvcAvlTree::Result (OvcAvlTree::*store)(UINT_PTR, const void*, size_t)) {
    std::shared_ptr<Tree> tree = FindTree(handle);
    if (!tree)
        return 0;
    if (!ValidBytes(data, size)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    AcquireSRWLockExclusive(&tree->lock);
    OvcAvlTree::Result result = (tree->nodes.*store)(key, data, size);
    ReleaseSRWLockExclusive(&tree->lock);
    return Answer(result);
}

} // namespace

extern "C" {

OVC_API HOVCAVL OVC_CALL OvcAvlCreate(UINT_PTR reserved1, UINT_PTR reserved2, UINT_PTR reserved3) {
    if (reserved1 || reserved2 || reserved3) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return reinterpret_cast<HOVCAVL>(g_trees.Add(std::make_shared<Tree>()));
}

OVC_API int OVC_CALL OvcAvlInsNode(HOVCAVL handle, UINT_PTR key, const void* data, UINT size) {
    return StoreNode(handle, key, data, size, &OvcAvlTree::Insert);
}

OVC_API int OVC_CALL OvcAvlRepNode(HOVCAVL handle, UINT_PTR key, const void* data, UINT size) {
    return StoreNode(handle, key, data, size, &OvcAvlTree::Replace);
}

OVC_API int OVC_CALL OvcAvlGetNodeByKey(HOVCAVL handle, UINT_PTR key, void* buffer, UINT size) {
    std::shared_ptr<Tree> tree = FindTree(handle);
    if (!tree)
        return -1;
    if (!buffer && size) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    AcquireSRWLockShared(&tree->lock);
    const OvcAvlTree::Node* node = tree->nodes.Find(key);
    int stored = -1;
    if (!node) {
        SetLastError(ERROR_NOT_FOUND);
    } else {
        stored = static_cast<int>(node->size);
        if (node->size > size)
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
        else if (node->size)
            memcpy(buffer, node->data, node->size);
    }
    ReleaseSRWLockShared(&tree->lock);
    return stored;
}

OVC_API int OVC_CALL OvcAvlDelete(HOVCAVL handle) {
    if (!g_trees.Remove(reinterpret_cast<UINT_PTR>(handle))) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    return 1;
}

} // extern "C"
