// Finding by text, filtering the exhibit and choosing the newest entry for auto-find.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "exhibit/find.h"

namespace {

FindState search(const wchar_t* text, bool nameOnly = false, bool matchCase = false) {
    return FindState{text, nameOnly, matchCase};
}

Exhibit exhibitOf(const std::vector<std::wstring>& paths) {
    Exhibit exhibit;
    for (const std::wstring& path : paths) exhibit.append(path, 0, 0, 0);
    return exhibit;
}

std::vector<std::wstring> pathsOf(const Exhibit& exhibit) {
    std::vector<std::wstring> paths;
    for (const ExhibitEntry& entry : exhibit.entries()) paths.emplace_back(entry.path());
    return paths;
}

TEST(FindMatch, NameModeLeavesOutFolderAndExtension) {
    const wchar_t* path = L"C:\\a\\holiday.x\\beach.jpg";
    EXPECT_FALSE(matchesSearch(path, search(L"x", true)));
    EXPECT_TRUE(matchesSearch(path, search(L"x")));
    EXPECT_FALSE(matchesSearch(path, search(L"jpg", true)));
    EXPECT_TRUE(matchesSearch(path, search(L"each", true)));
    // Only the name's own last "." cuts; a dotted folder does not.
    EXPECT_FALSE(matchesSearch(L"C:\\a.b\\noext", search(L"b", true)));
    EXPECT_TRUE(matchesSearch(L"C:\\a.b\\noext", search(L"noext", true)));
    // A shortcut is found by its own name, without ".lnk".
    const wchar_t* shortcut = L"C:\\links\\sunset.jpg - Shortcut.lnk";
    EXPECT_TRUE(matchesSearch(shortcut, search(L"jpg - short", true)));
    EXPECT_FALSE(matchesSearch(shortcut, search(L"lnk", true)));
    EXPECT_TRUE(matchesSearch(shortcut, search(L"lnk")));
    // The empty text matches everything.
    EXPECT_TRUE(matchesSearch(L"", search(L"", true)));
}

TEST(FindMatch, CaseOptionInAsciiAndLatin1) {
    EXPECT_TRUE(matchesSearch(L"C:\\beach.jpg", search(L"BEACH")));
    EXPECT_FALSE(matchesSearch(L"C:\\beach.jpg", search(L"BEACH", false, true)));
    EXPECT_TRUE(matchesSearch(L"C:\\beach.jpg", search(L"beach", true, true)));
    // \u00C9 is E acute, \u00E9 its small letter; \u00D7 (times) and \u00F7 (divide) are not a pair.
    EXPECT_TRUE(matchesSearch(L"C:\\\u00C9T\u00C9.jpg", search(L"\u00E9t\u00E9", true)));
    EXPECT_TRUE(matchesSearch(L"C:\\\u00E9t\u00E9.jpg", search(L"\u00C9T\u00C9")));
    EXPECT_FALSE(matchesSearch(L"C:\\\u00C9T\u00C9.jpg", search(L"\u00E9t\u00E9", false, true)));
    EXPECT_FALSE(matchesSearch(L"C:\\2\u00D73.jpg", search(L"\u00F7")));
    EXPECT_EQ(lowerForSearch(L'\u00DE'), L'\u00FE');
    EXPECT_EQ(lowerForSearch(L'\u00C0'), L'\u00E0');
}

TEST(FindNext, SearchesFromStartAndWraps) {
    const Exhibit exhibit = exhibitOf({L"C:\\a.jpg", L"C:\\cat1.jpg", L"C:\\b.jpg", L"C:\\cat2.jpg"});
    const FindState cat = search(L"cat");
    EXPECT_EQ(findNextIndex(exhibit, 0, cat), 1);
    EXPECT_EQ(findNextIndex(exhibit, 1, cat), 1);
    EXPECT_EQ(findNextIndex(exhibit, 2, cat), 3);
    EXPECT_EQ(findNextIndex(exhibit, 4, cat), 1);
    EXPECT_EQ(findNextIndex(exhibit, 99, cat), 1);
    // The only match at the start index is found again after going round.
    const FindState b = search(L"b", true);
    EXPECT_EQ(findNextIndex(exhibit, 2, b), 2);
    EXPECT_EQ(findNextIndex(exhibit, 3, b), 2);
    EXPECT_EQ(findNextIndex(exhibit, 0, search(L"dog")), -1);
    EXPECT_EQ(findNextIndex(Exhibit(), 0, cat), -1);
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
    EXPECT_EQ(pathsOf(kept), (std::vector<std::wstring>{L"C:\\cat1.jpg", L"C:\\CAT2.jpg"}));
    EXPECT_EQ(pathsOf(excluded), (std::vector<std::wstring>{L"C:\\dog.jpg"}));
    EXPECT_EQ(kept[1].created, 7u);
    EXPECT_EQ(kept[1].accessed, 9u);
    EXPECT_TRUE(filterEntries(kept, search(L"dog"), true).empty());
}

TEST(FindNewest, GreatestTimeOfTheKindFirstAmongEquals) {
    Exhibit exhibit;
    exhibit.append(L"C:\\a.jpg", 5, 9, 1);
    exhibit.append(L"C:\\b.jpg", 9, 9, 2);
    exhibit.append(L"C:\\c.jpg", 9, 3, 0xFFFFFFFFFFull);
    EXPECT_EQ(newestIndex(exhibit, 1), 1);
    EXPECT_EQ(newestIndex(exhibit, 2), 0);
    EXPECT_EQ(newestIndex(exhibit, 3), 2);
    EXPECT_EQ(newestIndex(exhibit, 0), -1);
    EXPECT_EQ(newestIndex(exhibit, 4), -1);
    EXPECT_EQ(newestIndex(Exhibit(), 1), -1);
}

TEST(FindText, ClipKeepsAtMost79AndNeverSplitsAPair) {
    EXPECT_EQ(clipSearchText(std::wstring(100, L'x')), std::wstring(79, L'x'));
    EXPECT_EQ(clipSearchText(std::wstring(79, L'x')), std::wstring(79, L'x'));
    std::wstring paired(78, L'x');
    paired += static_cast<wchar_t>(0xD83D);
    paired += static_cast<wchar_t>(0xDE00);
    EXPECT_EQ(clipSearchText(paired), std::wstring(78, L'x'));
}

}  // namespace
