// The integer-keyed tree: the AVL tree's own balance with many keys, and the exported functions'
// results, errors and copies.
#include <gtest/gtest.h>
#include "OrvCtl.h"
#include "ovc_avl_tree.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <numeric>
#include <random>
#include <thread>
#include <vector>

namespace {

constexpr size_t kMany = 100000;

// The bytes stored for a key: their length and contents follow from the key.
std::vector<unsigned char> BytesFor(UINT_PTR key) {
    std::vector<unsigned char> bytes(key % 23);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<unsigned char>(key >> (i % sizeof key * 8)) ^ static_cast<unsigned char>(i);
    return bytes;
}

// Checks order, stored heights and balance below node; returns the subtree's height.
int CheckSubtree(const OvcAvlTree::Node* node, const UINT_PTR* low, const UINT_PTR* high, size_t* count,
                 bool* ok) {
    if (!node)
        return 0;
    ++*count;
    if ((low && node->key <= *low) || (high && node->key >= *high))
        *ok = false;
    int left = CheckSubtree(node->left, low, &node->key, count, ok);
    int right = CheckSubtree(node->right, &node->key, high, count, ok);
    int height = 1 + std::max(left, right);
    if (node->height != height || std::abs(left - right) > 1)
        *ok = false;
    return height;
}

std::vector<UINT_PTR> RandomKeys(size_t count, unsigned seed) {
    std::mt19937_64 random(seed);
    std::vector<UINT_PTR> keys;
    while (keys.size() < count)
        keys.push_back(static_cast<UINT_PTR>(random()));
    std::sort(keys.begin(), keys.end());
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
    std::shuffle(keys.begin(), keys.end(), random);
    return keys;
}

std::vector<UINT_PTR> Ascending(size_t count) {
    std::vector<UINT_PTR> keys(count);
    std::iota(keys.begin(), keys.end(), UINT_PTR(1));
    return keys;
}

struct KeyOrder {
    const char* name;
    std::vector<UINT_PTR> keys;
};

std::vector<KeyOrder> KeyOrders() {
    std::vector<UINT_PTR> descending = Ascending(kMany);
    std::reverse(descending.begin(), descending.end());
    std::vector<UINT_PTR> zigzag; // from both ends towards the middle
    for (size_t i = 0; i < kMany / 2; ++i) {
        zigzag.push_back(i);
        zigzag.push_back(UINT_PTR(-1) - i);
    }
    return {{"random", RandomKeys(kMany, 6)},
            {"ascending", Ascending(kMany)},
            {"descending", descending},
            {"zigzag", zigzag}};
}

TEST(AvlTreeTest, ManyKeysStayBalancedAndAreAllFound) {
    for (const KeyOrder& order : KeyOrders()) {
        OvcAvlTree tree;
        for (UINT_PTR key : order.keys) {
            std::vector<unsigned char> bytes = BytesFor(key);
            ASSERT_EQ(tree.Insert(key, bytes.data(), bytes.size()), OvcAvlTree::Result::Done) << order.name;
        }
        size_t count = 0;
        bool ok = true;
        int height = CheckSubtree(tree.Root(), nullptr, nullptr, &count, &ok);
        EXPECT_TRUE(ok) << order.name << ": order, heights and balance";
        EXPECT_EQ(count, order.keys.size()) << order.name;
        // An AVL tree of n nodes is less than 1.4405 log2(n + 2) high.
        EXPECT_LT(height, 1.4405 * std::log2(order.keys.size() + 2.0)) << order.name;
        for (UINT_PTR key : order.keys) {
            const OvcAvlTree::Node* node = tree.Find(key);
            ASSERT_NE(node, nullptr) << order.name << " key " << key;
            ASSERT_EQ(std::vector<unsigned char>(node->data, node->data + node->size), BytesFor(key))
                << order.name;
        }
        UINT_PTR absent = kMany;
        while (std::find(order.keys.begin(), order.keys.end(), absent) != order.keys.end())
            ++absent;
        EXPECT_EQ(tree.Find(absent), nullptr) << order.name;
    }
}

TEST(AvlTreeTest, ExistingKeyIsNotAddedAgain) {
    OvcAvlTree tree;
    int one = 1, two = 2;
    ASSERT_EQ(tree.Insert(7, &one, sizeof one), OvcAvlTree::Result::Done);
    EXPECT_EQ(tree.Insert(7, &two, sizeof two), OvcAvlTree::Result::KeyExists);
    EXPECT_EQ(*reinterpret_cast<const int*>(tree.Find(7)->data), 1);
    EXPECT_EQ(tree.Replace(8, &two, sizeof two), OvcAvlTree::Result::KeyMissing);
    EXPECT_EQ(tree.Find(8), nullptr);
}

// The 12-byte node that the preservation run keeps per window.
struct DoneNode {
    INT32 fActive;
    INT32 fMultDoc;
    INT32 Count;
};
static_assert(sizeof(DoneNode) == 12, "three int32");

class AvlApiTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_NE(tree, nullptr); }
    void TearDown() override { EXPECT_EQ(OvcAvlDelete(tree), 1); }
    HOVCAVL tree = OvcAvlCreate(0, 0, 0);
};

TEST_F(AvlApiTest, InsertReplaceAndGet) {
    const UINT_PTR window = 0x100F4; // a window handle's value
    DoneNode node = {1, 0, 1};
    ASSERT_EQ(OvcAvlInsNode(tree, window, &node, sizeof node), 1);
    node.Count = 99; // the tree holds its own copy
    DoneNode out;
    memset(&out, 0xCC, sizeof out);
    EXPECT_EQ(OvcAvlGetNodeByKey(tree, window, &out, sizeof out), 12);
    EXPECT_EQ(out.fActive, 1);
    EXPECT_EQ(out.fMultDoc, 0);
    EXPECT_EQ(out.Count, 1);

    DoneNode replaced = {0, 1, 21};
    ASSERT_EQ(OvcAvlRepNode(tree, window, &replaced, sizeof replaced), 1);
    memset(&out, 0xCC, sizeof out);
    EXPECT_EQ(OvcAvlGetNodeByKey(tree, window, &out, sizeof out), 12);
    EXPECT_EQ(memcmp(&out, &replaced, sizeof out), 0);
}

TEST_F(AvlApiTest, ResultsAndErrors) {
    const char first[] = "first node";     // 11 bytes with the terminator
    const char longer[] = "a longer node"; // 14 bytes
    ASSERT_EQ(OvcAvlInsNode(tree, 5, first, sizeof first), 1);
    struct Case {
        const char* what;
        int result;
        int expected;
        DWORD error; // 0xdeadbeef: left alone
    };
    std::vector<Case> cases;
    auto run = [&](const char* what, int expected, DWORD error, auto call) {
        SetLastError(0xdeadbeef);
        int result = call();
        cases.push_back({what, result, expected, error});
        EXPECT_EQ(GetLastError(), error) << what;
    };
    run("insert an existing key", 0, ERROR_ALREADY_EXISTS,
        [&] { return OvcAvlInsNode(tree, 5, longer, sizeof longer); });
    run("replace a missing key", 0, ERROR_NOT_FOUND,
        [&] { return OvcAvlRepNode(tree, 6, longer, sizeof longer); });
    run("insert null bytes", 0, ERROR_INVALID_PARAMETER, [&] { return OvcAvlInsNode(tree, 6, nullptr, 4); });
    run("replace with null bytes", 0, ERROR_INVALID_PARAMETER,
        [&] { return OvcAvlRepNode(tree, 5, nullptr, 4); });
    run("insert more than INT_MAX", 0, ERROR_INVALID_PARAMETER,
        [&] { return OvcAvlInsNode(tree, 6, first, UINT(INT_MAX) + 1); });
    run("insert an empty node", 1, 0xdeadbeef, [&] { return OvcAvlInsNode(tree, 6, nullptr, 0); });
    run("size of the empty node", 0, 0xdeadbeef, [&] { return OvcAvlGetNodeByKey(tree, 6, nullptr, 0); });
    run("size query without buffer", int(sizeof first), ERROR_INSUFFICIENT_BUFFER,
        [&] { return OvcAvlGetNodeByKey(tree, 5, nullptr, 0); });
    run("absent key", -1, ERROR_NOT_FOUND, [&] { return OvcAvlGetNodeByKey(tree, 7, nullptr, 0); });
    run("null buffer with a size", -1, ERROR_INVALID_PARAMETER,
        [&] { return OvcAvlGetNodeByKey(tree, 5, nullptr, 4); });
    for (const Case& c : cases)
        EXPECT_EQ(c.result, c.expected) << c.what;
    // Nothing above changed the node.
    char out[sizeof first];
    EXPECT_EQ(OvcAvlGetNodeByKey(tree, 5, out, sizeof out), int(sizeof first));
    EXPECT_STREQ(out, first);
}

TEST_F(AvlApiTest, BufferSizes) {
    const char stored[] = "0123456789"; // 11 bytes
    ASSERT_EQ(OvcAvlInsNode(tree, 1, stored, sizeof stored), 1);
    struct Case {
        UINT size;
        DWORD error;
        bool copied;
    };
    const Case cases[] = {
        {sizeof stored - 1, ERROR_INSUFFICIENT_BUFFER, false},
        {1, ERROR_INSUFFICIENT_BUFFER, false},
        {sizeof stored, 0xdeadbeef, true},
        {sizeof stored + 5, 0xdeadbeef, true},
    };
    for (const Case& c : cases) {
        char buffer[32];
        memset(buffer, 0x5A, sizeof buffer);
        SetLastError(0xdeadbeef);
        EXPECT_EQ(OvcAvlGetNodeByKey(tree, 1, buffer, c.size), int(sizeof stored)) << c.size;
        EXPECT_EQ(GetLastError(), c.error) << c.size;
        for (size_t i = 0; i < sizeof buffer; ++i) {
            char want = c.copied && i < sizeof stored ? stored[i] : 0x5A;
            ASSERT_EQ(buffer[i], want) << "size " << c.size << " byte " << i;
        }
    }
}

TEST_F(AvlApiTest, ReplaceChangesTheSize) {
    const BYTE small[3] = {1, 2, 3};
    std::vector<BYTE> big(5000, 0xAB);
    ASSERT_EQ(OvcAvlInsNode(tree, 9, small, sizeof small), 1);
    ASSERT_EQ(OvcAvlRepNode(tree, 9, big.data(), UINT(big.size())), 1);
    std::vector<BYTE> out(6000, 0);
    EXPECT_EQ(OvcAvlGetNodeByKey(tree, 9, out.data(), UINT(out.size())), 5000);
    EXPECT_TRUE(std::equal(big.begin(), big.end(), out.begin()));
    ASSERT_EQ(OvcAvlRepNode(tree, 9, small, sizeof small), 1);
    EXPECT_EQ(OvcAvlGetNodeByKey(tree, 9, out.data(), UINT(out.size())), 3);
    EXPECT_EQ(memcmp(out.data(), small, sizeof small), 0);
}

// Keys are unsigned: 0, the highest value and "negative" handle values are all distinct keys.
TEST_F(AvlApiTest, ExtremeKeys) {
    const UINT_PTR keys[] = {
        0, 1, UINT_PTR(-1), UINT_PTR(-2), UINT_PTR(INTPTR_MAX), UINT_PTR(INTPTR_MAX) + 1};
    for (UINT_PTR key : keys)
        ASSERT_EQ(OvcAvlInsNode(tree, key, &key, sizeof key), 1) << key;
    for (UINT_PTR key : keys) {
        UINT_PTR out = 0x5A5A;
        EXPECT_EQ(OvcAvlGetNodeByKey(tree, key, &out, sizeof out), int(sizeof out)) << key;
        EXPECT_EQ(out, key);
    }
}

TEST_F(AvlApiTest, ManyKeysThroughTheLibrary) {
    std::vector<UINT_PTR> keys = RandomKeys(kMany, 11);
    for (UINT_PTR key : keys)
        ASSERT_EQ(OvcAvlInsNode(tree, key, &key, sizeof key), 1);
    for (UINT_PTR key : keys) {
        UINT_PTR out = 0;
        ASSERT_EQ(OvcAvlGetNodeByKey(tree, key, &out, sizeof out), int(sizeof out));
        ASSERT_EQ(out, key);
    }
}

TEST_F(AvlApiTest, ThreadsShareATree) {
    constexpr UINT_PTR kPerThread = 20000;
    auto fill = [this](UINT_PTR first) {
        for (UINT_PTR key = first; key < first + kPerThread; ++key)
            OvcAvlInsNode(tree, key, &key, sizeof key);
    };
    std::thread a(fill, 0), b(fill, kPerThread);
    a.join();
    b.join();
    for (UINT_PTR key = 0; key < 2 * kPerThread; ++key) {
        UINT_PTR out = UINT_PTR(-1);
        ASSERT_EQ(OvcAvlGetNodeByKey(tree, key, &out, sizeof out), int(sizeof out)) << key;
        ASSERT_EQ(out, key);
    }
}

TEST(AvlHandleTest, ReservedArgumentsAndUnknownTrees) {
    const UINT_PTR reserved[][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    for (const auto& r : reserved) {
        SetLastError(0xdeadbeef);
        EXPECT_EQ(OvcAvlCreate(r[0], r[1], r[2]), nullptr);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    }
    HOVCAVL deleted = OvcAvlCreate(0, 0, 0);
    ASSERT_NE(deleted, nullptr);
    ASSERT_EQ(OvcAvlInsNode(deleted, 1, "x", 2), 1);
    ASSERT_EQ(OvcAvlDelete(deleted), 1);
    const HOVCAVL unknown[] = {nullptr, deleted, reinterpret_cast<HOVCAVL>(UINT_PTR(0x7654321))};
    for (HOVCAVL tree : unknown) {
        char out[4] = "abc";
        SetLastError(0xdeadbeef);
        EXPECT_EQ(OvcAvlInsNode(tree, 1, "x", 2), 0);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
        SetLastError(0xdeadbeef);
        EXPECT_EQ(OvcAvlRepNode(tree, 1, "x", 2), 0);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
        SetLastError(0xdeadbeef);
        EXPECT_EQ(OvcAvlGetNodeByKey(tree, 1, out, sizeof out), -1);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
        EXPECT_STREQ(out, "abc");
        SetLastError(0xdeadbeef);
        EXPECT_EQ(OvcAvlDelete(tree), 0);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    }
}

} // namespace
