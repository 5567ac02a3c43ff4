// Sorting of lists with a three-way comparison, and freeing of lists that own the
// objects their raw pointers point to.
//
// New code should hold its objects in std::unique_ptr (or by value) instead; the
// freeing helpers are for the containers of owning raw pointers kept by the older
// units, which free their items last to first.
#pragma once

#include <cstddef>
#include <utility>
#include <vector>

namespace tarvix {

// Sorts list in place by quick sort; compare(a, b) returns a negative number, zero or
// a positive number as a sorts before, with or after b. The middle element of each
// range is the pivot and elements are swapped across it; the order of equal elements
// is not kept. The items are only swapped, never copied, so move-only items (such as
// std::unique_ptr) can be sorted as well.
//
// The final order is that of the classic formulation (which recurses into the left
// part and loops on the right one); this one recurses into the smaller part, which
// gives the same result, as the parts are disjoint, with a stack depth of log n.
// A comparison that contradicts itself gives some order but never reads outside the
// list.
template <typename T, typename Compare>
void SortList(std::vector<T>& list, Compare compare)
{
    if (list.size() < 2)
        return;
    struct Sorter {
        std::vector<T>& items;
        Compare& cmp;

        void Sort(std::ptrdiff_t l, std::ptrdiff_t r)
        {
            while (l < r) {
                std::ptrdiff_t i = l;
                std::ptrdiff_t j = r;
                // The pivot is followed by position, since the swaps move it.
                std::ptrdiff_t p = l + (r - l) / 2;
                do {
                    while (i < r && cmp(At(i), At(p)) < 0)
                        ++i;
                    while (j > l && cmp(At(j), At(p)) > 0)
                        --j;
                    if (i <= j) {
                        if (i != j) {
                            using std::swap;
                            swap(At(i), At(j));
                            if (p == i)
                                p = j;
                            else if (p == j)
                                p = i;
                        }
                        ++i;
                        --j;
                    }
                } while (i <= j);
                // Parts [l, j] and [i, r] remain.
                if (j - l < r - i) {
                    if (l < j)
                        Sort(l, j);
                    l = i;
                } else {
                    if (i < r)
                        Sort(i, r);
                    r = j;
                }
            }
        }

        T& At(std::ptrdiff_t k) { return items[static_cast<std::size_t>(k)]; }
    };
    Sorter s {list, compare};
    s.Sort(0, static_cast<std::ptrdiff_t>(list.size()) - 1);
}

// Deletes the objects of a container of owning raw pointers, last to first, and
// empties the container.
template <typename Container>
void FreeItems(Container& list)
{
    for (auto it = list.rbegin(); it != list.rend(); ++it) {
        delete *it;
        *it = nullptr;
    }
    list.clear();
}

// Deletes the objects of a container of owning raw pointers, last to first, then the
// container itself, and sets the pointer to null. A null pointer is ignored.
template <typename Container>
void FreeListAndItems(Container*& list)
{
    if (!list)
        return;
    FreeItems(*list);
    delete list;
    list = nullptr;
}

// Deletes the objects attached to the strings of a string list, that is the non-null
// .second pointers of its (string, object) pairs, last to first, and empties the list.
template <typename Container>
void FreeObjects(Container& strings)
{
    for (auto it = strings.rbegin(); it != strings.rend(); ++it) {
        delete it->second;
        it->second = nullptr;
    }
    strings.clear();
}

// FreeObjects, then deletes the string list itself and sets the pointer to null.
// A null pointer is ignored.
template <typename Container>
void FreeStringsAndObjects(Container*& strings)
{
    if (!strings)
        return;
    FreeObjects(*strings);
    delete strings;
    strings = nullptr;
}

}  // namespace tarvix
