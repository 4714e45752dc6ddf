// Inserting an entry where a file operation put a file: the copy or the renamed file takes the
// place of the current entry, and the rest keep their order and times. The revision tells a list of
// the exhibit whether its indexes still name the same entries.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "exhibit.h"

namespace {

std::vector<std::wstring> paths(const Exhibit& exhibit) {
    std::vector<std::wstring> all;
    for (const ExhibitEntry& entry : exhibit.entries()) all.emplace_back(entry.path());
    return all;
}

}  // namespace

TEST(ExhibitInsert, PutsTheEntryAtTheIndexAndKeepsTheOthersInOrder) {
    Exhibit exhibit;
    exhibit.insert(5, L"C:\\p\\b.jpg", 2, 20, 200);  // into an empty exhibit: at the end
    exhibit.append(L"C:\\p\\d.jpg", 4, 40, 400);
    exhibit.insert(0, L"C:\\p\\a.jpg", 1, 10, 100);
    exhibit.insert(2, L"C:\\p\\c.jpg", 3, 30, 300);
    exhibit.insert(4, L"C:\\p\\e.jpg", 5, 50, 500);   // at the end exactly
    exhibit.insert(99, L"C:\\p\\f.jpg", 6, 60, 600);  // past the end: appended
    EXPECT_EQ(paths(exhibit), (std::vector<std::wstring>{L"C:\\p\\a.jpg", L"C:\\p\\b.jpg", L"C:\\p\\c.jpg",
                                                         L"C:\\p\\d.jpg", L"C:\\p\\e.jpg", L"C:\\p\\f.jpg"}));
    for (size_t i = 0; i < exhibit.size(); ++i) {
        EXPECT_EQ(exhibit[i].created, i + 1);
        EXPECT_EQ(exhibit[i].modified, (i + 1) * 10);
        EXPECT_EQ(exhibit[i].accessed, (i + 1) * 100);
    }
    // Erase and insert at the same place: a renamed file keeps its place.
    exhibit.erase(2);
    exhibit.insert(2, L"C:\\p\\renamed.jpg", 7, 70, 700);
    EXPECT_EQ(paths(exhibit)[1], L"C:\\p\\b.jpg");
    EXPECT_EQ(paths(exhibit)[2], L"C:\\p\\renamed.jpg");
    EXPECT_EQ(paths(exhibit)[3], L"C:\\p\\d.jpg");
    EXPECT_EQ(exhibit.size(), 6u);

    // Appending keeps the revision; erasing, inserting, reordering and clearing give a new one, and
    // a copy put back brings its own.
    const uint64_t revision = exhibit.revision();
    exhibit.append(L"C:\\p\\g.jpg", 0, 0, 0);
    EXPECT_EQ(exhibit.revision(), revision);
    const Exhibit copy = exhibit;
    std::vector<uint64_t> seen{revision, Exhibit().revision()};
    for (auto change : {+[](Exhibit& e) { e.entries(); }, +[](Exhibit& e) { e.erase(0); },
                        +[](Exhibit& e) { e.insert(1, L"x", 0, 0, 0); }, +[](Exhibit& e) { e.clear(); }}) {
        change(exhibit);
        seen.push_back(exhibit.revision());
    }
    EXPECT_EQ(std::set<uint64_t>(seen.begin(), seen.end()).size(), seen.size());
    exhibit = copy;
    EXPECT_EQ(exhibit.revision(), revision);
}
