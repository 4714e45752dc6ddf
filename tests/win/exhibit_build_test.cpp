// Building the exhibit from real folder trees: scan order, the hand-over to the caller, shortcuts,
// skipped folders, formats, long paths, ordering after a build, folder views and filters, and a
// stress run of interface commands against running builds and the watcher.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "core/command_ids.h"
#include "viewer_fixture.h"

using namespace viewer_test;

namespace {

class ExhibitBuild : public ViewerFixture {
protected:
    // The entry with this path, copied under the lock; false when it is not in the exhibit.
    bool entryOf(const std::wstring& path, ExhibitEntry& entry) {
        std::lock_guard lock(viewer->exhibitMutex);
        for (size_t i = 0; i < viewer->exhibit.size(); ++i)
            if (viewer->exhibit[i].path() == path) {
                entry = viewer->exhibit[i];
                return true;
            }
        return false;
    }

    void command(CommandId id) {
        viewer->executeCommand(id);
        ASSERT_TRUE(waitForBuild());
    }
};

std::vector<std::wstring> sortedSlice(const std::vector<std::wstring>& list, size_t first, size_t count) {
    std::vector<std::wstring> slice(list.begin() + static_cast<std::ptrdiff_t>(first),
                                    list.begin() + static_cast<std::ptrdiff_t>(first + count));
    std::sort(slice.begin(), slice.end());
    return slice;
}

std::wstring folderOf(const std::wstring& path) { return path.substr(0, path.rfind(L'\\')); }

TEST_F(ExhibitBuild, ScansLevelByLevelAndFolderByFolderBeforeOrdering) {
    for (const wchar_t* name : {L"a.jpg", L"a2.png", L"d1\\b.jpg", L"d1\\b2.gif", L"d1\\d2\\c.jpg", L"d3\\e.jpg",
                                L"d3\\f.bmp", L"d3\\d4\\g.jpg", L"d3\\d4\\d5\\h.jpg", L"d0\\d6\\k.jpg"})
        ASSERT_TRUE(tree.file(name));
    viewer->settings.sortby = 6;  // no key order: the exhibit keeps the scan order
    viewer->settings.sort = 0;
    ASSERT_TRUE(build());

    const std::vector<std::wstring> got = paths();
    ASSERT_EQ(got.size(), 10u) << describe(got);
    EXPECT_EQ(sortedSlice(got, 0, 2), full({L"a.jpg", L"a2.png"})) << describe(got);
    EXPECT_EQ(sortedSlice(got, 2, 4), full({L"d1\\b.jpg", L"d1\\b2.gif", L"d3\\e.jpg", L"d3\\f.bmp"})) << describe(got);
    EXPECT_EQ(sortedSlice(got, 6, 3), full({L"d1\\d2\\c.jpg", L"d3\\d4\\g.jpg", L"d0\\d6\\k.jpg"})) << describe(got);
    EXPECT_EQ(got[9], tree / L"d3\\d4\\d5\\h.jpg");
    // A folder's files come together: once the scan leaves a folder it never returns to it.
    std::set<std::wstring> left;
    for (size_t i = 1; i < got.size(); ++i)
        if (folderOf(got[i]) != folderOf(got[i - 1])) {
            EXPECT_TRUE(left.insert(folderOf(got[i - 1])).second) << describe(got);
            EXPECT_EQ(left.count(folderOf(got[i])), 0u) << describe(got);
        }

    // Reverse without a key reverses the scan order.
    viewer->settings.sort = 1;
    viewer->sortExhibit();
    EXPECT_EQ(paths(), std::vector<std::wstring>(got.rbegin(), got.rend()));
}

TEST_F(ExhibitBuild, ReleasesTheCallerAfterTheFirstFolderWithImages) {
    ASSERT_TRUE(tree.file(L"a\\x.jpg"));
    for (int f = 0; f < 30; ++f)
        for (int i = 0; i < 100; ++i)
            ASSERT_TRUE(tree.file(L"b\\n" + std::to_wstring(f) + L"\\p" + std::to_wstring(i) + L".jpg"));
    const size_t total = 3001;

    // The first folder with images is a\, one level down; 3000 more lie two levels down. The caller
    // must get control back long before they are all scanned, at least in one of a few tries.
    bool releasedEarly = false;
    for (int attempt = 0; attempt < 4 && !releasedEarly; ++attempt) {
        viewer->exhibitRoot = tree.path();
        const bool result = viewer->buildExhibit(tree.path(), false);
        const size_t sizeAtReturn = viewer->exhibitSize();
        const bool buildingAtReturn = viewer->building;
        EXPECT_TRUE(result);
        EXPECT_GE(sizeAtReturn, 1u);
        releasedEarly = sizeAtReturn < total && buildingAtReturn;
        ASSERT_TRUE(waitForBuild());
        EXPECT_EQ(viewer->exhibitSize(), total);
        EXPECT_EQ(paths().front(), tree / L"a\\x.jpg") << "Tree (Strict) puts a\\ before b\\";
    }
    EXPECT_TRUE(releasedEarly) << "buildExhibit returned only after the whole tree was scanned";

    // A tree without images: the build reports an empty exhibit and ends.
    TempTree empty;
    ASSERT_TRUE(empty.file(L"readme.txt"));
    ASSERT_TRUE(empty.file(L"noext"));
    ASSERT_TRUE(empty.file(L"folder.jpg\\notes.txt"));  // a folder named like an image is no image
    ASSERT_TRUE(empty.file(L"sub\\x.jpg.txt"));
    viewer->exhibitRoot = empty.path();
    EXPECT_FALSE(viewer->buildExhibit(empty.path(), false));
    ASSERT_TRUE(waitForBuild());
    EXPECT_FALSE(viewer->building);
    EXPECT_EQ(viewer->exhibitSize(), 0u);
    EXPECT_EQ(viewer->currentIndex, 0);
}

TEST_F(ExhibitBuild, FollowsShortcutsToImagesAndUnrelatedFoldersOnly) {
    const std::wstring T = tree.path();
    const std::wstring root = T + L"\\root";
    for (const wchar_t* name : {L"root\\plain.jpg", L"elsewhere\\target.jpg", L"elsewhere\\readme.txt",
                                L"elsewhere\\noextfile", L"other\\o1.jpg", L"other\\o2.png", L"top.jpg",
                                L"root\\shared\\sh.jpg", L"root\\sub\\s.jpg"})
        ASSERT_TRUE(tree.file(name));
    const ULONGLONG targetTime = kYear2001 + 5 * kDay;
    ASSERT_TRUE(tree.setTimes(L"elsewhere\\target.jpg", targetTime, targetTime, 0));

    ASSERT_TRUE(tree.shortcut(L"root\\a.jpg.lnk", T + L"\\elsewhere\\target.jpg"));
    ASSERT_TRUE(tree.shortcut(L"root\\pic.lnk", T + L"\\elsewhere\\target.jpg"));      // extension from the target
    ASSERT_TRUE(tree.shortcut(L"root\\fake.jpg.lnk", T + L"\\elsewhere\\readme.txt"));  // target is no image
    ASSERT_TRUE(tree.shortcut(L"root\\noext.lnk", T + L"\\elsewhere\\noextfile"));
    ASSERT_TRUE(tree.shortcut(L"root\\other.lnk", T + L"\\other"));
    ASSERT_TRUE(tree.shortcut(L"root\\up.lnk", root));  // the folder itself
    ASSERT_TRUE(tree.shortcut(L"root\\parent.lnk", T));  // its parent (holds top.jpg and elsewhere\)
    ASSERT_TRUE(tree.shortcut(L"root\\sub\\back.lnk", root));
    ASSERT_TRUE(tree.shortcut(L"root\\sub\\again.lnk", T + L"\\other"));
    ASSERT_TRUE(tree.shortcut(L"root\\sub\\toshared.lnk", root + L"\\shared"));  // also reached directly
    ASSERT_TRUE(tree.file(L"root\\garbage.lnk", std::string("\x4c\0\0\0 this is not a shortcut", 28)));
    ASSERT_TRUE(tree.file(L"root\\empty.jpg.lnk", ""));

    ASSERT_TRUE(build(L"root"));
    const std::vector<std::wstring> expected =
        full({L"root\\plain.jpg", L"root\\a.jpg.lnk", L"root\\pic.lnk", L"other\\o1.jpg", L"other\\o2.png",
              L"root\\shared\\sh.jpg", L"root\\sub\\s.jpg"});
    EXPECT_EQ(sortedPaths(), expected) << describe(paths());

    // The shortcut's entry keeps the shortcut's own path and carries the target's times.
    ExhibitEntry entry;
    ASSERT_TRUE(entryOf(root + L"\\a.jpg.lnk", entry));
    EXPECT_EQ(entry.modified, targetTime);

    // Without subfolders neither folders nor shortcuts to folders are entered.
    viewer->settings.subfolders = false;
    ASSERT_TRUE(build(L"root"));
    EXPECT_EQ(sortedPaths(), full({L"root\\plain.jpg", L"root\\a.jpg.lnk", L"root\\pic.lnk"})) << describe(paths());
}

TEST_F(ExhibitBuild, SkipsRecycleFoldersAndHiddenFoldersButNotHiddenFiles) {
    const std::wstring T = tree.path();
    // File names are case-blind, so the lower-case "recycler" lives in another folder.
    for (const wchar_t* name : {L"root\\RECYCLER\\r.jpg", L"root\\xRECYCLERy\\r.jpg", L"root\\sub\\recycler\\r.jpg",
                                L"root\\RECYCLER.jpg", L"root\\hid\\h.jpg", L"root\\hid\\deeper\\d.jpg",
                                L"root\\hf.jpg", L"root\\plain\\p.jpg", L"hidelsewhere\\he.jpg"})
        ASSERT_TRUE(tree.file(name));
    ASSERT_TRUE(tree.hide(L"root\\hid")) << "the file system keeps no hidden attribute";
    ASSERT_TRUE(tree.hide(L"root\\hf.jpg"));
    ASSERT_TRUE(tree.hide(L"hidelsewhere"));
    ASSERT_TRUE(tree.shortcut(L"root\\tohidden.lnk", T + L"\\hidelsewhere"));

    ASSERT_TRUE(viewer->settings.hidden);
    ASSERT_TRUE(build(L"root"));
    EXPECT_EQ(sortedPaths(), full({L"root\\sub\\recycler\\r.jpg", L"root\\RECYCLER.jpg", L"root\\hid\\h.jpg",
                                   L"root\\hid\\deeper\\d.jpg", L"root\\hf.jpg", L"root\\plain\\p.jpg",
                                   L"hidelsewhere\\he.jpg"}))
        << describe(paths());

    command(CMD_HIDDEN);  // hidden folders off; rebuilds the same folder
    EXPECT_FALSE(viewer->settings.hidden);
    EXPECT_EQ(sortedPaths(), full({L"root\\sub\\recycler\\r.jpg", L"root\\RECYCLER.jpg", L"root\\hf.jpg",
                                   L"root\\plain\\p.jpg"}))
        << describe(paths());
}

TEST_F(ExhibitBuild, FormatSwitchesDecideWhichNamesAreImages) {
    for (const wchar_t* name : {L"a.jpg", L"b.jpeg", L"c.JPG", L"d.png", L"e.tif", L"f.tiff", L"g.bmp", L"h.gif",
                                L"noext", L"jpg", L"i.emf", L"j.ico", L"k.txt", L"l.jpg.txt", L"m.PnG"})
        ASSERT_TRUE(tree.file(name));
    ASSERT_TRUE(build());
    EXPECT_EQ(sortedPaths(), full({L"a.jpg", L"b.jpeg", L"c.JPG", L"d.png", L"g.bmp", L"h.gif", L"m.PnG"}));

    command(CMD_FORMAT_PNG);
    EXPECT_FALSE(viewer->settings.png);
    EXPECT_EQ(sortedPaths(), full({L"a.jpg", L"b.jpeg", L"c.JPG", L"g.bmp", L"h.gif"}));

    command(CMD_FORMAT_TIF);
    command(CMD_FORMAT_JPG);
    EXPECT_EQ(sortedPaths(), full({L"e.tif", L"f.tiff", L"g.bmp", L"h.gif"}));

    command(CMD_FORMAT_EMF);
    command(CMD_FORMAT_ICO);
    command(CMD_FORMAT_BMP);
    command(CMD_FORMAT_GIF);
    EXPECT_EQ(sortedPaths(), full({L"e.tif", L"f.tiff", L"i.emf", L"j.ico"}));
}

TEST_F(ExhibitBuild, SkipsPathsTooLongForThePlatformAndKeepsTheRest) {
    ASSERT_TRUE(tree.file(L"ok.jpg"));
    std::wstring chain;
    std::vector<std::wstring> images;
    for (int level = 0; level < 8; ++level) {
        chain += (chain.empty() ? L"" : L"\\") + std::wstring(L"segment-") + std::to_wstring(level) +
                 L"-abcdefghijklmnopqrstuvwxyz01";
        ASSERT_TRUE(tree.folder(chain));
        // A short and a long name: in some folder that can still be listed, the long one no
        // longer fits.
        for (const std::wstring name : {L"x.jpg", L"a-rather-long-file-name-for-an-image-0123.jpg"}) {
            images.push_back(chain + L"\\" + name);
            ASSERT_TRUE(tree.file(images.back()));
        }
    }
    ASSERT_GT((tree / images.back()).size(), 300u);

    ASSERT_TRUE(build());
    const std::vector<std::wstring> got = paths();
    EXPECT_TRUE(std::count(got.begin(), got.end(), tree / L"ok.jpg") == 1) << describe(got);
    for (const std::wstring& image : images)
        if ((tree / image).size() < 250)
            EXPECT_TRUE(std::count(got.begin(), got.end(), tree / image) == 1) << narrow(image);
    for (const std::wstring& path : got) {
        EXPECT_LE(path.size(), 259u) << narrow(path);
        EXPECT_NE(GetFileAttributesW(longForm(path).c_str()), INVALID_FILE_ATTRIBUTES) << narrow(path);
    }
}

TEST_F(ExhibitBuild, OrdersAfterTheBuildAndKeepsTheCurrentImage) {
    for (const wchar_t* name : {L"z.jpg", L"sub\\a.jpg", L"p\\x.jpg", L"p-q\\y.jpg", L"p\\s\\w.jpg"})
        ASSERT_TRUE(tree.file(name));
    ASSERT_TRUE(build());
    // Tree (Strict): a folder's own images first, then its whole subtree, ahead of p-q.
    EXPECT_EQ(paths(), std::vector<std::wstring>({tree / L"z.jpg", tree / L"p\\x.jpg", tree / L"p\\s\\w.jpg",
                                                  tree / L"p-q\\y.jpg", tree / L"sub\\a.jpg"}))
        << describe(paths());

    makeCurrent(tree / L"p\\s\\w.jpg");
    viewer->executeCommand(CMD_SORT_NAME);
    EXPECT_EQ(paths(), std::vector<std::wstring>({tree / L"p-q\\y.jpg", tree / L"p\\s\\w.jpg", tree / L"p\\x.jpg",
                                                  tree / L"sub\\a.jpg", tree / L"z.jpg"}))
        << describe(paths());
    EXPECT_EQ(currentEntry(), tree / L"p\\s\\w.jpg");

    // Reverse of Created: newest first. Creation and last-write times are set alike, so the order
    // holds where the file system reports one for the other.
    TempTree timed;
    const std::vector<std::pair<const wchar_t*, int>> days = {{L"a.jpg", 3}, {L"b.jpg", 1}, {L"c.jpg", 5},
                                                              {L"d.jpg", 2}, {L"e.jpg", 4}};
    for (const auto& [name, day] : days) {
        ASSERT_TRUE(timed.file(name));
        ASSERT_TRUE(timed.setTimes(name, kYear2001 + day * kDay, kYear2001 + day * kDay, 0));
    }
    viewer->exhibitRoot = timed.path();
    ASSERT_TRUE(viewer->buildExhibit(timed.path(), false));
    ASSERT_TRUE(waitForBuild());
    makeCurrent(timed / L"d.jpg");
    viewer->executeCommand(CMD_SORT_CREATED);
    viewer->executeCommand(CMD_SORT_REVERSE);
    EXPECT_EQ(paths(), std::vector<std::wstring>({timed / L"c.jpg", timed / L"e.jpg", timed / L"a.jpg",
                                                  timed / L"d.jpg", timed / L"b.jpg"}))
        << describe(paths());
    EXPECT_EQ(currentEntry(), timed / L"d.jpg");
}

TEST_F(ExhibitBuild, RandomOrderSurvivesKeyChangesAndReshufflesOnRequest) {
    std::vector<std::wstring> names;
    for (int i = 0; i < 30; ++i) {
        names.push_back(L"img" + std::to_wstring(100 + i) + L".jpg");
        ASSERT_TRUE(tree.file(names.back()));
    }
    ASSERT_TRUE(build());
    const std::vector<std::wstring> byName = full(names);
    ASSERT_EQ(paths(), byName);
    makeCurrent(tree / L"img117.jpg");

    viewer->executeCommand(CMD_SORT_RANDOM);
    const std::vector<std::wstring> shuffled = paths();
    EXPECT_NE(shuffled, byName);
    EXPECT_EQ(sortedPaths(), byName);
    EXPECT_EQ(currentEntry(), tree / L"img117.jpg");

    viewer->executeCommand(CMD_SORT_NAME);
    EXPECT_EQ(viewer->settings.sortby, 2);
    EXPECT_EQ(paths(), shuffled) << "a key change re-ordered a random exhibit";
    viewer->executeCommand(CMD_SORT_CASE);
    EXPECT_EQ(paths(), shuffled);

    viewer->executeCommand(CMD_SORT_RANDOM);
    EXPECT_NE(paths(), shuffled) << "Random did not reshuffle";
    EXPECT_EQ(sortedPaths(), byName);
    EXPECT_EQ(currentEntry(), tree / L"img117.jpg");

    viewer->executeCommand(CMD_SORT_FORWARD);
    EXPECT_EQ(paths(), byName);
    EXPECT_EQ(currentEntry(), tree / L"img117.jpg");
}

TEST_F(ExhibitBuild, ViewingAnotherFolderSetsTheExhibitAsideAndBringsItBackUnscanned) {
    for (const wchar_t* name : {L"root\\a.jpg", L"root\\b.jpg", L"root\\c.jpg", L"other\\o.jpg"})
        ASSERT_TRUE(tree.file(name));
    ASSERT_TRUE(build(L"root"));
    const std::vector<std::wstring> original = paths();
    ASSERT_EQ(original.size(), 3u);
    makeCurrent(tree / L"root\\c.jpg");
    ASSERT_EQ(viewer->currentIndex, 2);

    viewer->viewFolder(tree / L"other", false);
    ASSERT_TRUE(waitForBuild());
    EXPECT_EQ(paths(), std::vector<std::wstring>{tree / L"other\\o.jpg"});
    EXPECT_EQ(viewer->currentPathCopy(), tree / L"other\\o.jpg");

    ASSERT_TRUE(tree.file(L"root\\new.jpg"));
    viewer->viewFolder(tree / L"root", true);
    ASSERT_TRUE(waitForBuild());
    EXPECT_EQ(paths(), original) << "the set-aside exhibit was not brought back as it was";
    EXPECT_EQ(viewer->currentIndex, 2);
    EXPECT_EQ(viewer->currentPathCopy(), tree / L"root\\c.jpg");
    EXPECT_EQ(viewer->buildRootCopy(), tree / L"root");

    // Refresh scans again and finds the new file.
    viewer->executeCommand(CMD_REFRESH);
    ASSERT_TRUE(waitForBuild());
    EXPECT_EQ(viewer->exhibitSize(), 4u);
    EXPECT_EQ(currentEntry(), tree / L"root\\c.jpg");
}

TEST_F(ExhibitBuild, FiltersNarrowAndRestoreBringsBackTheWholeExhibit) {
    for (const wchar_t* name : {L"apple.jpg", L"banana.jpg", L"blueberry.jpg", L"cherry.jpg", L"avocado.jpg"})
        ASSERT_TRUE(tree.file(name));
    ASSERT_TRUE(build());
    const std::vector<std::wstring> original = paths();
    makeCurrent(original[3]);

    for (int round = 0; round < 2; ++round) {
        viewer->find.matchNameOnly = true;
        viewer->find.searchText = L"b";
        ASSERT_TRUE(viewer->filterExhibit(true));
        EXPECT_TRUE(viewer->filterActive);
        EXPECT_EQ(sortedPaths(), full({L"banana.jpg", L"blueberry.jpg"}));
        viewer->currentIndex = 1;
        viewer->find.searchText = L"blue";
        ASSERT_TRUE(viewer->filterExhibit(false));  // exclude
        EXPECT_EQ(paths(), std::vector<std::wstring>{tree / L"banana.jpg"});

        if (round == 0)
            viewer->restoreExhibit();
        else
            viewer->executeCommand(CMD_VIEW_EXHIBIT);
        EXPECT_FALSE(viewer->filterActive);
        EXPECT_EQ(paths(), original) << "round " << round;
        EXPECT_EQ(viewer->currentIndex, 3) << "round " << round;
    }
}

// Interface commands race running builds (which they cancel and restart), the watcher's rebuilds
// and a thread that keeps adding files. Whatever the interleaving, a build that is left to finish
// holds every image on disk exactly once.
TEST_F(ExhibitBuild, StressCommandsAgainstRunningBuildsAndTheWatcher) {
    for (int d = 0; d < 20; ++d)
        for (int i = 0; i < 100; ++i)
            ASSERT_TRUE(tree.file(L"d" + std::to_wstring(d) + L"\\f" + std::to_wstring(i) +
                                  (i % 5 == 0 ? L".png" : L".jpg")));
    for (int d = 0; d < 20; d += 2)
        for (int i = 0; i < 20; ++i)
            ASSERT_TRUE(tree.file(L"d" + std::to_wstring(d) + L"\\e\\g" + std::to_wstring(i) + L".jpg"));

    viewer->settings.autorefresh = true;
    viewer->settings.autorefreshLatency = 50;
    ASSERT_TRUE(build());
    viewer->startWatcher();

    std::atomic<bool> stop{false};
    std::thread creator([&] {
        for (int n = 0; !stop; ++n) {
            for (int k = 0; k < 5; ++k)
                TempTree::writeFile(tree / (L"d" + std::to_wstring((n * 5 + k) % 20) + L"\\new" +
                                            std::to_wstring(n * 5 + k) + (k == 4 ? L".png" : L".jpg")),
                                    tinyImage());
            for (int wait = 0; wait < 40 && !stop; ++wait) Sleep(10);
        }
    });

    const std::wstring root = tree.path();
    auto plausible = [&](const std::wstring& path) {
        return path.rfind(root + L"\\", 0) == 0 && isAcceptedImage(path, FormatSwitches{}) &&
               GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    };
    // Once the build is left alone: no duplicates, nothing that is not on disk, and everything
    // that was on disk before it started.
    auto checkSettled = [&](const std::vector<std::wstring>& before, const char* when) {
        for (int attempt = 0; attempt < 20; ++attempt) {
            ASSERT_TRUE(waitForBuild());
            std::unique_lock control(viewer->buildControlMutex);
            if (viewer->building) continue;  // the watcher started another build meanwhile
            std::vector<std::wstring> got = sortedPaths();
            const std::vector<std::wstring> after = imagesOnDisk(root, viewer->formatSwitches());
            control.unlock();
            EXPECT_EQ(std::adjacent_find(got.begin(), got.end()), got.end()) << when << ": duplicate entries";
            std::vector<std::wstring> missing, unknown;
            std::set_difference(before.begin(), before.end(), got.begin(), got.end(), std::back_inserter(missing));
            std::set_difference(got.begin(), got.end(), after.begin(), after.end(), std::back_inserter(unknown));
            EXPECT_TRUE(missing.empty()) << when << ": lost\n" << describe(missing);
            EXPECT_TRUE(unknown.empty()) << when << ": not on disk\n" << describe(unknown);
            return;
        }
        ADD_FAILURE() << when << ": builds never settled";
    };

    std::mt19937 random(20240611);
    const ULONGLONG start = GetTickCount64();
    int rounds = 0;
    for (; rounds < 50 && GetTickCount64() - start < 40000 && !HasFailure(); ++rounds) {
        viewer->executeCommand(CMD_FORMAT_PNG);
        viewer->executeCommand(CMD_FORMAT_PNG);
        for (int step = 0; step < 16; ++step) {
            switch (random() % 8) {
                case 0: viewer->sortExhibit(); break;
                case 1: viewer->executeCommand(static_cast<CommandId>(CMD_SORT_FORWARD + random() % 10)); break;
                case 2:
                    viewer->find.searchText = L"f1";
                    viewer->filterExhibit(random() % 2 == 0);
                    break;
                case 3: viewer->restoreExhibit(); break;
                case 4: {
                    const size_t size = viewer->exhibitSize();
                    for (int k = 0; k < 8 && size != 0; ++k) {
                        const std::wstring path = viewer->entryPath(random() % size);
                        if (!path.empty()) EXPECT_TRUE(plausible(path)) << narrow(path);
                    }
                    break;
                }
                case 5:
                    viewer->executeCommand(CMD_FORMAT_PNG);
                    viewer->executeCommand(CMD_FORMAT_PNG);
                    break;
                case 6:
                    for (const std::wstring& path : paths()) ASSERT_TRUE(plausible(path)) << narrow(path);
                    break;
                default: pumpFor(random() % 2 ? 5 : 250); break;  // the watcher may start a build
            }
        }
        ASSERT_TRUE(viewer->settings.png);
        // A clean rebuild at the end of each round.
        const std::vector<std::wstring> before = imagesOnDisk(root, viewer->formatSwitches());
        viewer->executeCommand(CMD_FORMAT_PNG);
        viewer->executeCommand(CMD_FORMAT_PNG);
        checkSettled(before, "after a round");
    }
    stop = true;
    creator.join();
    EXPECT_GE(rounds, 10) << "too few rounds ran";
    std::printf("stress: %d rounds, %d watcher rebuilds\n", rounds, autoRefreshDone());

    // Quiet: let the watcher finish, rebuild once more, and expect exactly what is on disk.
    pumpFor(800);
    ASSERT_TRUE(waitForBuild());
    viewer->executeCommand(CMD_FORMAT_PNG);
    viewer->executeCommand(CMD_FORMAT_PNG);
    ASSERT_TRUE(waitForBuild());
    pumpFor(500);
    ASSERT_TRUE(waitForBuild());
    EXPECT_EQ(sortedPaths(), imagesOnDisk(root, viewer->formatSwitches()));
}

}  // namespace
