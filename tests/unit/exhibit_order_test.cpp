#include "exhibit_order.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "exhibit.h"

namespace {

std::vector<std::wstring> pathsOf(const Exhibit& exhibit) {
    std::vector<std::wstring> paths;
    for (const ExhibitEntry& entry : exhibit.entries()) paths.emplace_back(entry.path());
    return paths;
}

std::vector<std::wstring> ordered(const std::vector<std::wstring>& paths, int sort, int sortby,
                                  bool sortcase = false) {
    Exhibit exhibit;
    for (const std::wstring& path : paths) exhibit.append(path, 0, 0, 0);
    std::mt19937 engine(1);
    orderEntries(exhibit.entries(), sort, sortby, sortcase, engine);
    return pathsOf(exhibit);
}

using Paths = std::vector<std::wstring>;

TEST(ExhibitOrder, FolderFilesComeBeforeSubfoldersInTreeOrdersButNotInName) {
    const std::wstring own = L"C:\\p\\z.jpg", nested = L"C:\\p\\sub\\a.jpg";
    for (bool strict : {false, true})
        for (bool caseSensitive : {false, true}) {
            EXPECT_TRUE(treeLess(own, nested, strict, caseSensitive));
            EXPECT_FALSE(treeLess(nested, own, strict, caseSensitive));
        }
    EXPECT_EQ(ordered({nested, own}, kSortForward, kSortTree), (Paths{own, nested}));
    EXPECT_EQ(ordered({nested, own}, kSortForward, kSortTreeStrict), (Paths{own, nested}));
    EXPECT_EQ(ordered({own, nested}, kSortForward, kSortName), (Paths{nested, own}));
    EXPECT_EQ(ordered({own, nested}, kSortForward, kSortName, true), (Paths{nested, own}));
}

TEST(ExhibitOrder, SiblingFolderThatExtendsTheNameOnlySeparatesThePlainTree) {
    const Paths scan = {L"C:\\p\\sub\\x.jpg", L"C:\\p-q\\x.jpg", L"C:\\p\\x.jpg", L"C:\\p\\sub\\y.jpg"};
    EXPECT_EQ(ordered(scan, kSortForward, kSortTree),
              (Paths{L"C:\\p\\x.jpg", L"C:\\p-q\\x.jpg", L"C:\\p\\sub\\x.jpg", L"C:\\p\\sub\\y.jpg"}));
    EXPECT_EQ(ordered(scan, kSortForward, kSortTreeStrict),
              (Paths{L"C:\\p\\x.jpg", L"C:\\p\\sub\\x.jpg", L"C:\\p\\sub\\y.jpg", L"C:\\p-q\\x.jpg"}));
    EXPECT_EQ(ordered(scan, kSortReverse, kSortTreeStrict),
              (Paths{L"C:\\p-q\\x.jpg", L"C:\\p\\sub\\y.jpg", L"C:\\p\\sub\\x.jpg", L"C:\\p\\x.jpg"}));
    // In the strict order a '"' in a name counts as a separator too.
    EXPECT_TRUE(treeLess(L"x\"z", L"x\"b\"c", true, true));
    EXPECT_FALSE(treeLess(L"x\"z", L"x\"b\"c", false, true));
}

TEST(ExhibitOrder, TextComparisonAndLetterCase) {
    EXPECT_LT(comparePathText(L"C:\\a", L"C:\\a\\b", true), 0);
    EXPECT_GT(comparePathText(L"C:\\b", L"C:\\a\\b", true), 0);
    EXPECT_EQ(comparePathText(L"", L"", true), 0);
    EXPECT_LT(comparePathText(L"", L"a", false), 0);
    EXPECT_EQ(comparePathText(L"C:\\P\\Img.JPG", L"c:\\p\\img.jpg", false), 0);
    EXPECT_LT(comparePathText(L"C:\\P\\Img.JPG", L"c:\\p\\img.jpg", true), 0);
    // Case is ignored by lowering: '_' (0x5F) lies between 'Z' and 'z'.
    EXPECT_LT(comparePathText(L"_", L"Z", false), 0);
    EXPECT_GT(comparePathText(L"_", L"Z", true), 0);
    EXPECT_EQ(comparePathText(L"\u00C9t\u00C9", L"\u00E9t\u00E9", false), 0);
    EXPECT_EQ(comparePathText(L"\u0416\u0100", L"\u0436\u0101", false), 0);
    EXPECT_NE(comparePathText(L"\u00D7", L"\u00F7", false), 0);  // multiplication/division signs
    // Units above 0x7FFF order after ASCII whatever the signedness of wchar_t.
    EXPECT_GT(comparePathText(L"\uFF21", L"z", true), 0);

    // Names differing only in case are equal under the tree orders with case ignored.
    for (bool strict : {false, true}) {
        EXPECT_FALSE(treeLess(L"C:\\p\\Img.jpg", L"C:\\p\\img.JPG", strict, false));
        EXPECT_FALSE(treeLess(L"C:\\p\\img.JPG", L"C:\\p\\Img.jpg", strict, false));
        EXPECT_TRUE(treeLess(L"C:\\p\\Img.jpg", L"C:\\p\\img.JPG", strict, true));
    }
    const Paths scan = {L"C:\\p\\b.jpg", L"C:\\p\\A.jpg", L"C:\\p\\a.JPG", L"C:\\p\\B.jpg"};
    Paths byName = ordered(scan, kSortForward, kSortName);
    EXPECT_EQ(std::set<std::wstring>(byName.begin(), byName.begin() + 2),
              (std::set<std::wstring>{L"C:\\p\\A.jpg", L"C:\\p\\a.JPG"}));
    EXPECT_EQ(ordered(scan, kSortForward, kSortName, true),
              (Paths{L"C:\\p\\A.jpg", L"C:\\p\\B.jpg", L"C:\\p\\a.JPG", L"C:\\p\\b.jpg"}));

    // The folder-prefix test is exact even when the text order ignores case: "C:\P" is not the
    // folder of C:\p\sub\y.jpg, so the text order decides.
    EXPECT_FALSE(treeLess(L"C:\\P\\x.jpg", L"C:\\p\\sub\\y.jpg", false, false));
    EXPECT_TRUE(treeLess(L"C:\\p\\sub\\y.jpg", L"C:\\P\\x.jpg", false, false));
    EXPECT_TRUE(treeLess(L"C:\\p\\x.jpg", L"C:\\p\\sub\\y.jpg", false, false));
}

// The tree rule carried out literally on copies of the paths, as a check on the one-pass version.
bool referenceTreeLess(std::wstring a, std::wstring b, bool strict, bool caseSensitive) {
    const wchar_t separator = strict ? L'"' : L'\\';
    if (strict) {
        std::replace(a.begin(), a.end(), L'\\', L'"');
        std::replace(b.begin(), b.end(), L'\\', L'"');
    }
    auto lowered = [&](std::wstring text) {
        if (!caseSensitive)
            for (wchar_t& c : text)
                if ((c >= L'A' && c <= L'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) c += 32;
        return text;
    };
    const int order = lowered(a).compare(lowered(b));
    const size_t pa = std::min<size_t>(a.rfind(separator), 0xFFFFFFFF);
    const size_t pb = std::min<size_t>(b.rfind(separator), 0xFFFFFFFF);
    if (pa == pb) return order < 0;
    if (order < 0) return pb >= a.size() || a.compare(0, pb, b, 0, pb) != 0;
    if (order > 0) return pa < b.size() && a.compare(0, pa, b, 0, pa) == 0;
    return false;
}

TEST(ExhibitOrder, TreeComparisonFollowsTheRuleOnCopies) {
    const wchar_t alphabet[] = {L'a', L'A', L'b', L'\\', L'"', L'-', L' ', 0xC9, 0xE9};
    std::mt19937 random(11);
    for (int round = 0; round < 50000; ++round) {
        std::wstring a, b;
        for (size_t k = random() % 9; k > 0; --k) a += alphabet[random() % std::size(alphabet)];
        // Often share a start so the folder-prefix cases come up.
        b = a.substr(0, random() % (a.size() + 1));
        for (size_t k = random() % 6; k > 0; --k) b += alphabet[random() % std::size(alphabet)];
        for (bool strict : {false, true})
            for (bool caseSensitive : {false, true})
                ASSERT_EQ(treeLess(a, b, strict, caseSensitive), referenceTreeLess(a, b, strict, caseSensitive))
                    << "strict " << strict << " case " << caseSensitive << " round " << round;
    }
}

TEST(ExhibitOrder, TimeKeysAndKeylessReverse) {
    Exhibit exhibit;
    // Times above 2^63 must still count as later (unsigned comparison).
    exhibit.append(L"b", 0x8000000000000000ull, 5, 30);
    exhibit.append(L"a", 100, 0xFFFFFFFFFFFFFFFFull, 10);
    exhibit.append(L"c", 1, 7, 20);
    std::mt19937 engine(1);
    auto run = [&](int sort, int sortby) {
        orderEntries(exhibit.entries(), sort, sortby, false, engine);
        return pathsOf(exhibit);
    };
    EXPECT_EQ(run(kSortForward, kSortCreated), (Paths{L"c", L"a", L"b"}));
    EXPECT_EQ(run(kSortReverse, kSortCreated), (Paths{L"b", L"a", L"c"}));  // newest first
    EXPECT_EQ(run(kSortForward, kSortModified), (Paths{L"b", L"c", L"a"}));
    EXPECT_EQ(run(kSortForward, kSortAccessed), (Paths{L"a", L"c", L"b"}));

    // No key: forward keeps the current order, reverse reverses it.
    const Paths scan = {L"C:\\z", L"C:\\a", L"C:\\m", L"C:\\b"};
    for (int sortby : {6, 7, 100, -1}) {
        EXPECT_EQ(ordered(scan, kSortForward, sortby), scan);
        EXPECT_EQ(ordered(scan, kSortReverse, sortby), (Paths{L"C:\\b", L"C:\\m", L"C:\\a", L"C:\\z"}));
    }
    EXPECT_EQ(ordered(scan, -3, kSortName), (Paths{L"C:\\a", L"C:\\b", L"C:\\m", L"C:\\z"}));
    EXPECT_TRUE(ordered({}, kSortReverse, kSortTree).empty());
}

// The draw loop written out plainly, as a check on the template.
std::vector<int> referenceShuffle(int count, uint32_t seed) {
    std::vector<int> values(count);
    for (int i = 0; i < count; ++i) values[i] = i;
    std::mt19937 engine(seed);
    for (int i = 1; i < count; ++i) {
        const unsigned long long range = static_cast<unsigned long long>(i) + 1;
        const unsigned long long scale = 4294967295ull / range;
        unsigned long long k;
        do {
            k = static_cast<unsigned long long>(engine()) / scale;
        } while (k > static_cast<unsigned long long>(i));
        std::swap(values[i], values[k]);
    }
    return values;
}

TEST(ExhibitOrder, ShuffleIsTheFixedFisherYatesDraw) {
    for (uint32_t seed : {5489u, 1u, 42u, 123456789u}) {
        Exhibit exhibit;
        for (int i = 0; i < 10; ++i) exhibit.append(std::to_wstring(i), 0, 0, 0);
        std::mt19937 engine(seed);
        orderEntries(exhibit.entries(), kSortRandom + (seed % 3), kSortName, false, engine);
        std::vector<int> got;
        for (const std::wstring& path : pathsOf(exhibit)) got.push_back(std::stoi(path));
        EXPECT_EQ(got, referenceShuffle(10, seed)) << "seed " << seed;
    }
    std::vector<int> pinned(10);
    for (int i = 0; i < 10; ++i) pinned[i] = i;
    std::mt19937 engine(5489u);
    shuffleRange(pinned.begin(), pinned.end(), engine);
    EXPECT_EQ(pinned, (std::vector<int>{5, 8, 0, 3, 4, 2, 9, 7, 1, 6}));

    // A draw whose first outputs are out of range is repeated.
    struct Scripted {
        std::vector<uint32_t> outputs;
        size_t next = 0;
        uint32_t operator()() { return outputs.at(next++); }
    } scripted{{0xFFFFFFFFu, 0xFFFFFFFEu, 0x80000000u}};
    EXPECT_EQ(drawIndex(scripted, 1), 1u);  // scale 0x7FFFFFFF: 2, 2, then 1
    EXPECT_EQ(scripted.next, 3u);

    // 0 or 1 entries: unchanged and no output drawn.
    std::mt19937 a(7), b(7);
    ExhibitEntry one{};
    one.created = 9;
    shuffleEntries(&one, &one + 1, a);
    shuffleEntries(&one, &one, a);
    EXPECT_EQ(one.created, 9u);
    EXPECT_EQ(a(), b());
}

TEST(ExhibitOrder, ShuffleReachesEveryPosition) {
    constexpr int kCount = 6;
    std::mt19937 engine(99);
    int seen[kCount][kCount] = {};
    std::set<std::vector<int>> permutations;
    for (int round = 0; round < 20000; ++round) {
        std::vector<int> values(kCount);
        for (int i = 0; i < kCount; ++i) values[i] = i;
        shuffleRange(values.begin(), values.end(), engine);
        for (int position = 0; position < kCount; ++position) ++seen[values[position]][position];
        permutations.insert(values);
    }
    for (int value = 0; value < kCount; ++value)
        for (int position = 0; position < kCount; ++position) {
            EXPECT_GT(seen[value][position], 3000) << value << " at " << position;  // ~3333 each
            EXPECT_LT(seen[value][position], 3666) << value << " at " << position;
        }
    EXPECT_EQ(permutations.size(), 720u);
}

// Sorting with the plain tree order (not a strict weak ordering on such sets), and with the other
// keys, over random paths from a tiny alphabet: the result is always a permutation of the input,
// and the consistent keys give sorted output.
TEST(ExhibitOrder, AdversarialPathsSortSafely) {
    const wchar_t alphabet[] = {L'a', L'b', L'\\', L'-', L' ', L'A', L'"'};
    std::mt19937 random(2024);
    for (size_t count : {0u, 1u, 2u, 3u, 7u, 16u, 17u, 33u, 200u, 3000u, 20000u}) {
        Exhibit exhibit;
        for (size_t i = 0; i < count; ++i) {
            std::wstring path;
            const size_t length = random() % 12;
            for (size_t k = 0; k < length; ++k) path += alphabet[random() % std::size(alphabet)];
            exhibit.append(path, random() % 5, random(), 0);
        }
        const std::vector<ExhibitEntry> original = exhibit.entries();
        auto identity = [](const ExhibitEntry& e) { return std::make_pair(e.pathData, e.created); };
        std::multiset<std::pair<const wchar_t*, FileTime>> expected;
        for (const ExhibitEntry& e : original) expected.insert(identity(e));

        for (int sortby = kSortTree; sortby <= kSortAccessed; ++sortby)
            for (bool sortcase : {false, true}) {
                exhibit.entries() = original;
                std::mt19937 engine(3);
                orderEntries(exhibit.entries(), kSortForward, sortby, sortcase, engine);
                std::multiset<std::pair<const wchar_t*, FileTime>> got;
                for (const ExhibitEntry& e : exhibit.entries()) got.insert(identity(e));
                ASSERT_EQ(got, expected) << "count " << count << " key " << sortby;
                const auto& sorted = exhibit.entries();
                for (size_t i = 1; i < sorted.size(); ++i) {
                    if (sortby == kSortName) {
                        ASSERT_LE(comparePathText(sorted[i - 1].path(), sorted[i].path(), sortcase), 0);
                    }
                    if (sortby == kSortCreated) {
                        ASSERT_LE(sorted[i - 1].created, sorted[i].created);
                    }
                }
            }
    }
}

TEST(ExhibitOrder, SortStaysInBoundsWithAnyComparison) {
    std::mt19937 random(77);
    // Each comparison reads both values, so a read outside the range cannot be optimised away.
    volatile unsigned touched = 0;
    auto touch = [&](int a, int b) { touched = touched + static_cast<unsigned>(a ^ b); };
    for (int count : {2, 5, 16, 17, 18, 100, 1000, 50000}) {
        for (int trial = 0; trial < 3; ++trial) {
            std::vector<int> values(count);
            for (int i = 0; i < count; ++i) values[i] = i;
            introSort(values.begin(), values.end(), [&](int a, int b) {
                touch(a, b);
                return (random() & 1) != 0;
            });
            std::vector<int> check = values;
            std::sort(check.begin(), check.end());
            for (int i = 0; i < count; ++i) ASSERT_EQ(check[i], i) << "count " << count;
        }
        // Always "less" and never "less" are the degenerate answers of a broken comparison.
        std::vector<int> values(count);
        for (int i = 0; i < count; ++i) values[i] = count - i;
        introSort(values.begin(), values.end(), [&](int a, int b) { return touch(a, b), true; });
        introSort(values.begin(), values.end(), [&](int a, int b) { return touch(a, b), false; });
        std::sort(values.begin(), values.end());
        for (int i = 0; i < count; ++i) ASSERT_EQ(values[i], i + 1);
    }
    // Consistent comparisons sort, also where the quicksort hits its depth limit (many equal
    // keys, sawtooth input) and through the heap sort used past that limit.
    for (int count : {17, 1000, 40000}) {
        std::vector<int> values(count);
        for (int i = 0; i < count; ++i) values[i] = (i * 7919) % 13 + (i % 2 ? count : 0);
        std::vector<int> heap = values;
        introSort(values.begin(), values.end(), std::less<int>());
        EXPECT_TRUE(std::is_sorted(values.begin(), values.end()));
        auto less = std::less<int>();
        order_detail::heapSort(heap.begin(), heap.end(), less);
        EXPECT_EQ(heap, values);
    }
}

}  // namespace
