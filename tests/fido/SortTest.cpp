#include "fido/Sort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>

using namespace tarvix;

namespace {

struct Item {
    int key;
    int id;
};

int ByKey(const Item* a, const Item* b)
{
    return a->key < b->key ? -1 : (a->key > b->key ? 1 : 0);
}

// The classic formulation of the sort, written out plainly: recursion into the left
// part, a loop over the right one, the pivot value copied. SortList must leave the
// items in exactly the same order, equal keys included.
void ReferenceQuickSort(std::vector<Item*>& a, int l, int r)
{
    int i, j;
    do {
        i = l;
        j = r;
        Item* p = a[static_cast<std::size_t>((l + r) / 2)];
        do {
            while (ByKey(a[static_cast<std::size_t>(i)], p) < 0)
                ++i;
            while (ByKey(a[static_cast<std::size_t>(j)], p) > 0)
                --j;
            if (i <= j) {
                std::swap(a[static_cast<std::size_t>(i)], a[static_cast<std::size_t>(j)]);
                ++i;
                --j;
            }
        } while (i <= j);
        if (l < j)
            ReferenceQuickSort(a, l, j);
        l = i;
    } while (i < r);
}

class SortFixture : public ::testing::Test {
protected:
    std::vector<std::unique_ptr<Item>> store;

    std::vector<Item*> Make(const std::vector<int>& keys)
    {
        std::vector<Item*> list;
        for (int k : keys) {
            store.push_back(std::make_unique<Item>(Item {k, static_cast<int>(store.size())}));
            list.push_back(store.back().get());
        }
        return list;
    }

    static std::vector<int> Keys(const std::vector<Item*>& list)
    {
        std::vector<int> k;
        for (const Item* i : list)
            k.push_back(i->key);
        return k;
    }

    static std::vector<int> SortedIds(const std::vector<Item*>& list)
    {
        std::vector<int> ids;
        for (const Item* i : list)
            ids.push_back(i->id);
        std::sort(ids.begin(), ids.end());
        return ids;
    }
};

}  // namespace

TEST_F(SortFixture, EmptyAndSingleListsAreLeftAlone)
{
    std::vector<Item*> empty;
    int calls = 0;
    SortList(empty, [&](const Item*, const Item*) { ++calls; return 0; });
    EXPECT_TRUE(empty.empty());
    auto one = Make({42});
    SortList(one, [&](const Item*, const Item*) { ++calls; return 0; });
    EXPECT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0]->key, 42);
    EXPECT_EQ(calls, 0);
}

TEST_F(SortFixture, AgreesWithStdSortOnShapedInputs)
{
    std::mt19937 rng(12345);
    std::vector<std::vector<int>> inputs = {
        {2, 1}, {1, 2}, {1, 1}, {3, 1, 2}, {5, 5, 5, 5, 5, 5, 5},
        {1, 2, 3, 4, 5, 6, 7, 8, 9}, {9, 8, 7, 6, 5, 4, 3, 2, 1},
        {1, 3, 5, 7, 9, 8, 6, 4, 2}, {2, 1, 2, 1, 2, 1, 2, 1}};
    for (int n : {10, 100, 1000, 5000}) {
        std::vector<int> v(static_cast<std::size_t>(n));
        for (int& x : v)
            x = static_cast<int>(rng() % 1000) - 500;
        inputs.push_back(v);
        for (int& x : v)
            x = static_cast<int>(rng() % 3);  // many duplicates
        inputs.push_back(v);
    }
    for (const auto& keys : inputs) {
        auto list = Make(keys);
        auto ids = SortedIds(list);
        SortList(list, ByKey);
        std::vector<int> expected = keys;
        std::sort(expected.begin(), expected.end());
        ASSERT_EQ(Keys(list), expected);
        ASSERT_EQ(SortedIds(list), ids) << "items lost or duplicated";
    }
}

TEST_F(SortFixture, LeavesEqualItemsInTheOrderOfTheClassicQuickSort)
{
    std::mt19937 rng(777);
    for (int round = 0; round < 50; ++round) {
        std::vector<int> keys(static_cast<std::size_t>(1 + rng() % 300));
        for (int& k : keys)
            k = static_cast<int>(rng() % 10);
        auto list = Make(keys);
        auto reference = list;
        ReferenceQuickSort(reference, 0, static_cast<int>(reference.size()) - 1);
        SortList(list, ByKey);
        ASSERT_EQ(list, reference) << "round " << round;
    }
}

TEST_F(SortFixture, ContradictoryComparisonsStayInsideTheList)
{
    std::mt19937 rng(99);
    auto list = Make(std::vector<int>(500, 0));
    auto ids = SortedIds(list);
    SortList(list, [](const Item*, const Item*) { return -1; });
    EXPECT_EQ(SortedIds(list), ids);
    SortList(list, [](const Item*, const Item*) { return 1; });
    EXPECT_EQ(SortedIds(list), ids);
    SortList(list, [&](const Item*, const Item*) { return static_cast<int>(rng() % 3) - 1; });
    EXPECT_EQ(SortedIds(list), ids);
}

TEST(SortList, SortsValuesAndMoveOnlyItems)
{
    std::vector<std::string> words = {"pear", "apple", "fig", "apple", "kiwi"};
    SortList(words, [](const std::string& a, const std::string& b) { return a.compare(b); });
    EXPECT_EQ(words, (std::vector<std::string> {"apple", "apple", "fig", "kiwi", "pear"}));

    std::vector<std::unique_ptr<int>> owned;
    for (int k : {4, 1, 3, 1, 2})
        owned.push_back(std::make_unique<int>(k));
    SortList(owned, [](const std::unique_ptr<int>& a, const std::unique_ptr<int>& b) {
        return *a - *b;
    });
    std::vector<int> got;
    for (const auto& p : owned)
        got.push_back(*p);
    EXPECT_EQ(got, (std::vector<int> {1, 1, 2, 3, 4}));
}

namespace {

std::vector<int> gFreed;

struct Tracked {
    int n;
    explicit Tracked(int k) : n(k) {}
    ~Tracked() { gFreed.push_back(n); }
};

}  // namespace

TEST(FreeLists, FreeListAndItemsGoesFromLastToFirst)
{
    gFreed.clear();
    auto* list = new std::vector<Tracked*> {new Tracked(1), new Tracked(2), new Tracked(3)};
    FreeListAndItems(list);
    EXPECT_EQ(list, nullptr);
    EXPECT_EQ(gFreed, (std::vector<int> {3, 2, 1}));

    std::vector<Tracked*>* none = nullptr;
    FreeListAndItems(none);
    EXPECT_EQ(none, nullptr);

    gFreed.clear();
    std::vector<Tracked*> kept {new Tracked(7), new Tracked(8)};
    FreeItems(kept);
    EXPECT_TRUE(kept.empty());
    EXPECT_EQ(gFreed, (std::vector<int> {8, 7}));
}

TEST(FreeLists, FreeStringsAndObjectsSkipsEmptySlots)
{
    gFreed.clear();
    using Strings = std::vector<std::pair<std::string, Tracked*>>;
    auto* strings = new Strings {{"a", new Tracked(1)}, {"b", nullptr}, {"c", new Tracked(3)}};
    FreeStringsAndObjects(strings);
    EXPECT_EQ(strings, nullptr);
    EXPECT_EQ(gFreed, (std::vector<int> {3, 1}));

    Strings* none = nullptr;
    FreeStringsAndObjects(none);

    gFreed.clear();
    Strings kept {{"x", new Tracked(5)}, {"y", new Tracked(6)}};
    FreeObjects(kept);
    EXPECT_TRUE(kept.empty());
    EXPECT_EQ(gFreed, (std::vector<int> {6, 5}));
}
