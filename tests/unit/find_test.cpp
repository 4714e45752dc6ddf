// Finding by text, filtering the exhibit and choosing the newest entry for auto-find.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "exhibit/find.h"

namespace {

FindState search(const wchar_t* text, bool nameOnly = false, bool matchCase = false) {
    return FindState{text, nameOnly, matchCase};
}

TEST(FindMatch, NameModeCaseAndLatin1) {
    // Name mode leaves out the folder and the name's own extension (a dotted folder does not cut),
    // and finds a shortcut by its name without ".lnk"; path mode sees everything.
    const struct { const wchar_t* path; FindState state; bool found; } cases[] = {
        {L"C:\\a\\holiday.x\\beach.jpg", search(L"x", true), false},
        {L"C:\\a\\holiday.x\\beach.jpg", search(L"x"), true},
        {L"C:\\a\\holiday.x\\beach.jpg", search(L"jpg", true), false},
        {L"C:\\a.b\\noext", search(L"b", true), false},
        {L"C:\\a.b\\noext", search(L"noext", true), true},
        {L"C:\\sunset.jpg - Shortcut.lnk", search(L"jpg - short", true), true},
        {L"C:\\sunset.jpg - Shortcut.lnk", search(L"lnk", true), false},
        {L"", search(L"", true), true},
        {L"C:\\beach.jpg", search(L"BEACH", false, true), false},
        // \u00C9 is E acute, \u00E9 its small letter; \u00D7 (times) and \u00F7 (divide) are not a pair.
        {L"C:\\\u00C9T\u00C9.jpg", search(L"\u00E9t\u00E9", true), true},
        {L"C:\\\u00E9t\u00E9.jpg", search(L"\u00C9T\u00C9"), true},
        {L"C:\\\u00C9T\u00C9.jpg", search(L"\u00E9t\u00E9", false, true), false},
        {L"C:\\2\u00D73.jpg", search(L"\u00F7"), false},
    };
    for (const auto& c : cases) EXPECT_EQ(matchesSearch(c.path, c.state), c.found) << c.path << " / " << c.state.searchText;
    EXPECT_EQ(lowerForSearch(L'\u00DE'), L'\u00FE');
}

TEST(FindNext, SearchesFromStartAndWraps) {
    Exhibit exhibit;
    for (const wchar_t* p : {L"C:\\a.jpg", L"C:\\cat1.jpg", L"C:\\b.jpg", L"C:\\cat2.jpg"}) exhibit.append(p, 0, 0, 0);
    std::vector<int> found;
    for (size_t start : {0, 1, 2, 4, 99}) found.push_back(findNextIndex(exhibit, start, search(L"cat")));
    EXPECT_EQ(found, (std::vector<int>{1, 1, 3, 1, 1}));
    // The only match at the start index is found again after going round.
    EXPECT_EQ(findNextIndex(exhibit, 2, search(L"b", true)), 2);
    EXPECT_EQ(findNextIndex(exhibit, 0, search(L"dog")) + findNextIndex(Exhibit(), 0, search(L"cat")), -2);
}

TEST(FindFilter, KeepsOrExcludesInOrderAndOutlivesTheSource) {
    Exhibit exhibit;
    exhibit.append(L"C:\\cat1.jpg", 1, 2, 3);
    exhibit.append(L"C:\\dog.jpg", 4, 5, 6);
    exhibit.append(L"C:\\CAT2.jpg", 7, 8, 9);
    const Exhibit kept = filterEntries(exhibit, search(L"cat"), true);
    const Exhibit excluded = filterEntries(exhibit, search(L"cat"), false);
    EXPECT_EQ(filterEntries(exhibit, search(L"cat", false, true), true).size(), 1u);
    exhibit.clear();
    ASSERT_EQ(kept.size(), 2u);
    ASSERT_EQ(excluded.size(), 1u);
    EXPECT_EQ(kept[0].path(), L"C:\\cat1.jpg");
    EXPECT_EQ(kept[1].path(), L"C:\\CAT2.jpg");
    EXPECT_EQ(excluded[0].path(), L"C:\\dog.jpg");
    // The times travel with the entry.
    EXPECT_EQ(kept[1].created, 7u);
    EXPECT_EQ(kept[1].accessed, 9u);
}

TEST(FindNewest, GreatestTimeOfTheKindFirstAmongEquals) {
    Exhibit exhibit;
    exhibit.append(L"C:\\a.jpg", 5, 9, 1);
    exhibit.append(L"C:\\b.jpg", 9, 9, 2);
    exhibit.append(L"C:\\c.jpg", 9, 3, 0xFFFFFFFFFFull);
    std::vector<int> newest;
    for (int kind : {1, 2, 3, 0, 4}) newest.push_back(newestIndex(exhibit, kind));
    EXPECT_EQ(newest, (std::vector<int>{1, 0, 2, -1, -1}));
    EXPECT_EQ(newestIndex(Exhibit(), 1), -1);
}

TEST(FindText, ClipKeepsAtMost79AndNeverSplitsAPair) {
    EXPECT_EQ(clipSearchText(std::wstring(100, L'x')), std::wstring(79, L'x'));
    const std::wstring pair{static_cast<wchar_t>(0xD83D), static_cast<wchar_t>(0xDE00)};
    EXPECT_EQ(clipSearchText(std::wstring(78, L'x') + pair), std::wstring(78, L'x'));
}

}  // namespace
