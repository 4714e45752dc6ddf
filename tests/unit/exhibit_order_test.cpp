// Exhibit order: tree, name and time keys, the fixed shuffle, and a sort safe under any comparison.
#include "exhibit_order.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "exhibit.h"

namespace {

using Paths = std::vector<std::wstring>;

Paths pathsOf(const Exhibit& exhibit) {
    Paths paths;
    for (const ExhibitEntry& entry : exhibit.entries()) paths.emplace_back(entry.path());
    return paths;
}

Paths ordered(const Paths& paths, int sort, int sortby, bool sortcase = false) {
    Exhibit exhibit;
    for (const std::wstring& path : paths) exhibit.append(path, 0, 0, 0);
    std::mt19937 engine(1);
    orderEntries(exhibit.entries(), sort, sortby, sortcase, engine);
    return pathsOf(exhibit);
}

TEST(ExhibitOrder, TreeStrictTreeAndNameOrders) {
    // A folder's own files come before its subfolders in both tree orders, but not in name order.
    const std::wstring own = L"C:\\p\\z.jpg", nested = L"C:\\p\\sub\\a.jpg";
    for (int sortby : {kSortTree, kSortTreeStrict})
        EXPECT_EQ(ordered({nested, own}, kSortForward, sortby), (Paths{own, nested})) << sortby;
    EXPECT_EQ(ordered({own, nested}, kSortForward, kSortName), (Paths{nested, own}));

    // A sibling folder whose name extends the folder's name splits the plain tree, not the strict one.
    const Paths scan = {L"C:\\p\\sub\\x.jpg", L"C:\\p-q\\x.jpg", L"C:\\p\\x.jpg", L"C:\\p\\sub\\y.jpg"};
    const Paths strict = {L"C:\\p\\x.jpg", L"C:\\p\\sub\\x.jpg", L"C:\\p\\sub\\y.jpg", L"C:\\p-q\\x.jpg"};
    EXPECT_EQ(ordered(scan, kSortForward, kSortTree),
              (Paths{L"C:\\p\\x.jpg", L"C:\\p-q\\x.jpg", L"C:\\p\\sub\\x.jpg", L"C:\\p\\sub\\y.jpg"}));
    EXPECT_EQ(ordered(scan, kSortForward, kSortTreeStrict), strict);
    EXPECT_EQ(ordered(scan, kSortReverse, kSortTreeStrict), Paths(strict.rbegin(), strict.rend()));

    // Capitals come first when letter case counts.
    EXPECT_EQ(ordered({L"C:\\p\\b.jpg", L"C:\\p\\B.jpg"}, kSortForward, kSortName, true),
              (Paths{L"C:\\p\\B.jpg", L"C:\\p\\b.jpg"}));
    // The folder test is exact even with case ignored: "C:\P" is not the folder of C:\p\sub\y.jpg.
    EXPECT_TRUE(treeLess(L"C:\\p\\sub\\y.jpg", L"C:\\P\\x.jpg", false, false));
}

TEST(ExhibitOrder, PathTextLowersTheSameLettersOnEveryPlatform) {
    struct Case { const wchar_t *a, *b; bool caseSensitive; int sign; } const cases[] = {
        {L"C:\\a", L"C:\\a\\b", true, -1}, {L"C:\\P\\Img.JPG", L"c:\\p\\img.jpg", false, 0},
        {L"C:\\P\\Img.JPG", L"c:\\p\\img.jpg", true, -1}, {L"\u0391\u0386", L"\u03B1\u03AC", false, 0},
        {L"_", L"Z", false, -1}, {L"_", L"Z", true, 1},  // lowered, 'Z' moves past '_' (0x5F)
        {L"\u00C9t\u00C9", L"\u00E9t\u00E9", false, 0}, {L"\u0416\u0100", L"\u0436\u0101", false, 0},
        {L"\u00D7", L"\u00F7", false, -1},  // multiplication and division signs are no letters
        {L"\uFF21", L"z", true, 1},         // above 0x7FFF whatever the signedness of wchar_t
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const int got = comparePathText(cases[i].a, cases[i].b, cases[i].caseSensitive);
        EXPECT_EQ((got > 0) - (got < 0), cases[i].sign) << "case " << i;
    }
}

TEST(ExhibitOrder, TimeKeysAndKeylessOrders) {
    Exhibit exhibit;
    exhibit.append(L"b", 0x8000000000000000ull, 5, 30);  // past 2^63 is still later (unsigned)
    exhibit.append(L"a", 100, 0xFFFFFFFFFFFFFFFFull, 10);
    exhibit.append(L"c", 1, 7, 20);
    std::mt19937 engine(1);
    const std::pair<int, Paths> byKey[] = {
        {kSortCreated, {L"c", L"a", L"b"}}, {kSortModified, {L"b", L"c", L"a"}}, {kSortAccessed, {L"a", L"c", L"b"}}};
    for (const auto& [key, expected] : byKey) {
        orderEntries(exhibit.entries(), kSortForward, key, false, engine);
        EXPECT_EQ(pathsOf(exhibit), expected) << key;
    }
    orderEntries(exhibit.entries(), kSortReverse, kSortCreated, false, engine);
    EXPECT_EQ(pathsOf(exhibit), (Paths{L"b", L"a", L"c"}));  // newest first
    // No key: forward keeps the current order and reverse reverses it. A negative sort is forward.
    const Paths scan = {L"C:\\z", L"C:\\a", L"C:\\m", L"C:\\b"};
    for (int sortby : {6, -1}) {
        EXPECT_EQ(ordered(scan, kSortForward, sortby), scan);
        EXPECT_EQ(ordered(scan, kSortReverse, sortby), Paths(scan.rbegin(), scan.rend()));
    }
    EXPECT_EQ(ordered(scan, -3, kSortName), (Paths{L"C:\\a", L"C:\\b", L"C:\\m", L"C:\\z"}));
}

TEST(ExhibitOrder, ShuffleIsTheFixedFisherYatesDraw) {
    // The same seed gives the same order on every platform, for every sort from 2 up.
    for (int sort = kSortRandom; sort <= kSortRandom + 2; ++sort) {
        Exhibit exhibit;
        for (int i = 0; i < 10; ++i) exhibit.append(std::to_wstring(i), 0, 0, 0);
        std::mt19937 engine(5489u);
        orderEntries(exhibit.entries(), sort, kSortName, false, engine);
        std::vector<int> got;
        for (const std::wstring& path : pathsOf(exhibit)) got.push_back(std::stoi(path));
        EXPECT_EQ(got, (std::vector<int>{5, 8, 0, 3, 4, 2, 9, 7, 1, 6})) << "sort " << sort;
    }
    // A draw out of range is repeated: scale 0x7FFFFFFF makes these 2, 2, then 1.
    const uint32_t outputs[] = {0xFFFFFFFFu, 0xFFFFFFFEu, 0x80000000u, 0};
    size_t next = 0;
    auto scripted = [&] { return outputs[next++]; };
    EXPECT_EQ(drawIndex(scripted, 1), 1u);
    EXPECT_EQ(next, 3u);
}

// The plain tree order is not a strict weak ordering on every set of paths: whatever the comparison
// answers, the sort must stay in its range and leave a permutation.
TEST(ExhibitOrder, SortStaysInBoundsAndKeepsEveryEntry) {
    std::mt19937 random(77);
    volatile unsigned touched = 0;  // each comparison reads both values: stray reads are not optimised out
    for (int count : {2, 17, 1000, 50000}) {
        std::vector<int> identity(count);
        std::iota(identity.begin(), identity.end(), 0);
        std::vector<int> values = identity, sorted;
        for (int mode = 0; mode < 4; ++mode) {  // two runs of random answers, then always and never "less"
            introSort(values.begin(), values.end(), [&](int a, int b) {
                touched = touched + static_cast<unsigned>(a ^ b);
                return mode < 2 ? (random() & 1) != 0 : mode == 2;
            });
            sorted = values;
            std::sort(sorted.begin(), sorted.end());
            ASSERT_EQ(sorted, identity) << count << " mode " << mode;
        }
    }
    // Consistent comparisons sort, also past the quicksort's depth limit (many equal keys, sawtooth).
    std::vector<int> values(40000);
    for (int i = 0; i < 40000; ++i) values[i] = (i * 7919) % 13 + (i % 2 ? 40000 : 0);
    std::vector<int> heap = values;
    introSort(values.begin(), values.end(), std::less<int>());
    EXPECT_TRUE(std::is_sorted(values.begin(), values.end()));
    std::less<int> less;
    order_detail::heapSort(heap.begin(), heap.end(), less);
    EXPECT_EQ(heap, values);
}

}  // namespace
