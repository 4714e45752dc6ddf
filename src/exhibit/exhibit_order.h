// Ordering of the exhibit: the six key orders (two folder-tree orders, whole-path name order and
// the three file times), reversal, and the shuffle shared with the slideshow.
//
// The plain tree order is not a strict weak ordering for every set of paths, so the sort below is
// written to stay inside its range and finish whatever the comparison answers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <random>
#include <string_view>
#include <utility>
#include <vector>

#include "core/setting_values.h"
#include "exhibit.h"


// Text order of whole paths, code unit by code unit; when one is a prefix of the other the shorter
// comes first. Without caseSensitive each character is lowered first (ASCII, Latin-1, Latin
// Extended-A, Greek and Cyrillic capitals; the same on every platform). Returns <0, 0 or >0.
int comparePathText(std::wstring_view a, std::wstring_view b, bool caseSensitive);

// The folder-tree order: a folder's own files come before everything in its subfolders. With
// strict, "\" weighs as '"' (below every name character but space and "!"), which keeps a folder's
// whole subtree ahead of sibling folders whose names extend its name.
bool treeLess(std::wstring_view a, std::wstring_view b, bool strict, bool caseSensitive);

// Uniform draw in 0..i with the program's fixed method: r = next 32-bit output, scale =
// floor((2^32 - 1) / (i + 1)), k = floor(r / scale), redrawn while k > i. Reproducible for a seed.
template <class Engine>
uint32_t drawIndex(Engine& engine, uint32_t i) {
    const uint32_t scale = 0xFFFFFFFFu / (i + 1u);  // i + 1 <= 2^32 - 1 because i < 0xFFFFFFFF
    for (;;) {
        const uint32_t k = static_cast<uint32_t>(engine()) / scale;
        if (k <= i) return k;
    }
}

// Fisher-Yates from the front: for i = 1 .. n-1 swap element i with element drawIndex(i).
// Ranges of 0 or 1 elements are unchanged; the draws stop at the 32-bit limit of the method.
template <class RandomIt, class Engine>
void shuffleRange(RandomIt first, RandomIt last, Engine& engine) {
    const auto count = static_cast<std::size_t>(last - first);
    for (std::size_t i = 1; i < count && i < 0xFFFFFFFFu; ++i) {
        const uint32_t j = drawIndex(engine, static_cast<uint32_t>(i));
        if (j != i) {
            using std::swap;
            swap(first[static_cast<std::ptrdiff_t>(i)], first[static_cast<std::ptrdiff_t>(j)]);
        }
    }
}

void shuffleEntries(ExhibitEntry* first, ExhibitEntry* last, std::mt19937& engine);

// Orders the entries by the settings. sort 0 (forward) or 1 (reverse) with sortby 0..5 sorts
// ascending by that key and then, for 1, reverses the whole sequence; sortby outside 0..5 applies
// no key (reverse then just reverses the current order). sort >= 2 shuffles and ignores sortby.
// A negative sort is taken as forward.
void orderEntries(std::vector<ExhibitEntry>& entries, int sort, int sortby, bool sortcase,
                  std::mt19937& engine);

// ---- The sort itself (introsort), exposed for tests that feed it inconsistent comparisons. ----

namespace order_detail {

constexpr std::ptrdiff_t kInsertionLimit = 16;

template <class RandomIt, class Less>
void insertionSort(RandomIt first, RandomIt last, Less& less) {
    using std::swap;
    for (RandomIt i = first + (first == last ? 0 : 1); i < last; ++i) {
        // Guarded on both ends: the walk stops at the range start whatever less answers.
        for (RandomIt j = i; j > first && less(*j, *(j - 1)); --j) swap(*j, *(j - 1));
    }
}

template <class RandomIt, class Less>
void siftDown(RandomIt first, std::ptrdiff_t root, std::ptrdiff_t count, Less& less) {
    using std::swap;
    for (;;) {
        std::ptrdiff_t child = 2 * root + 1;
        if (child >= count) return;
        if (child + 1 < count && less(first[child], first[child + 1])) ++child;
        if (!less(first[root], first[child])) return;
        swap(first[root], first[child]);
        root = child;
    }
}

template <class RandomIt, class Less>
void heapSort(RandomIt first, RandomIt last, Less& less) {
    using std::swap;
    const std::ptrdiff_t count = last - first;
    if (count < 2) return;
    for (std::ptrdiff_t start = count / 2; start-- > 0;) order_detail::siftDown(first, start, count, less);
    for (std::ptrdiff_t end = count - 1; end > 0; --end) {
        swap(first[0], first[end]);
        order_detail::siftDown(first, 0, end, less);
    }
}

// Puts the median of the second, middle and last elements at the front as the pivot.
template <class RandomIt, class Less>
void pivotToFront(RandomIt first, RandomIt last, Less& less) {
    using std::swap;
    RandomIt a = first + 1, b = first + (last - first) / 2, c = last - 1;
    RandomIt median;
    if (less(*a, *b)) {
        if (less(*b, *c)) median = b;
        else if (less(*a, *c)) median = c;
        else median = a;
    } else {
        if (less(*a, *c)) median = a;
        else if (less(*b, *c)) median = c;
        else median = b;
    }
    swap(*first, *median);
}

// Partitions around the pivot at *first; returns the pivot's final place. Both scans check their
// bound before every comparison, so no answer of less can move them outside [first, last).
template <class RandomIt, class Less>
RandomIt partitionAtPivot(RandomIt first, RandomIt last, Less& less) {
    using std::swap;
    RandomIt i = first, j = last;
    for (;;) {
        do ++i;
        while (i < last && less(*i, *first));
        do --j;
        while (j > first && less(*first, *j));
        if (i >= j) break;
        swap(*i, *j);
    }
    swap(*first, *j);
    return j;
}

template <class RandomIt, class Less>
void introLoop(RandomIt first, RandomIt last, int depth, Less& less) {
    while (last - first > kInsertionLimit) {
        if (depth == 0) {
            order_detail::heapSort(first, last, less);
            return;
        }
        --depth;
        order_detail::pivotToFront(first, last, less);
        RandomIt cut = order_detail::partitionAtPivot(first, last, less);
        // Recurse into the smaller side and loop on the larger: the stack stays logarithmic.
        if (cut - first < last - (cut + 1)) {
            order_detail::introLoop(first, cut, depth, less);
            first = cut + 1;
        } else {
            order_detail::introLoop(cut + 1, last, depth, less);
            last = cut;
        }
    }
    // Each small run is finished where it lies, which bounds the work even when the comparison
    // is inconsistent across runs.
    order_detail::insertionSort(first, last, less);
}

}  // namespace order_detail

// Unstable ascending sort: quicksort with a median-of-three pivot, heap sort past a depth of
// 2 * floor(log2 n), insertion sort for runs of at most 16. Always leaves a permutation of the
// input and never reads outside [first, last), even when less is not a strict weak ordering.
template <class RandomIt, class Less>
void introSort(RandomIt first, RandomIt last, Less less) {
    const std::ptrdiff_t count = last - first;
    if (count < 2) return;
    int log2 = 0;
    for (std::ptrdiff_t n = count; n > 1; n >>= 1) ++log2;
    order_detail::introLoop(first, last, 2 * log2, less);
}
