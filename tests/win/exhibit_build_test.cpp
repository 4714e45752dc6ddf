// Building the exhibit from real folder trees, and a stress run of interface commands against
// running builds and the watcher.
#include <windows.h>

#include <cstdio>
#include <random>
#include <set>
#include <thread>

#include "core/command_ids.h"
#include "viewer_fixture.h"

using namespace viewer_test;

namespace {

class ExhibitBuild : public ViewerFixture {
protected:
    void command(CommandId id) {
        viewer->executeCommand(id);
        ASSERT_TRUE(waitForBuild());
    }
    void files(const std::vector<std::wstring>& names) {
        for (const std::wstring& name : names) ASSERT_TRUE(tree.file(name)) << PrintToString(name);
    }
};

TEST_F(ExhibitBuild, ScansLevelByLevelAndFolderByFolderBeforeOrdering) {
    const std::vector<std::wstring> names = {L"a.jpg",        L"a2.png",      L"d1\\b.jpg",       L"d1\\b2.gif",
                                             L"d1\\d2\\c.jpg", L"d3\\e.jpg",   L"d3\\f.bmp",       L"d3\\d4\\g.jpg",
                                             L"d0\\d6\\k.jpg", L"d3\\d4\\d5\\h.jpg"};
    files(names);
    viewer->settings.sortby = 6;  // no key order: the exhibit keeps the scan order
    viewer->settings.sort = 0;
    ASSERT_TRUE(build());

    const std::vector<std::wstring> got = paths();
    EXPECT_EQ(sortedPaths(), full(names));
    auto depth = [](const std::wstring& path) { return std::count(path.begin(), path.end(), L'\\'); };
    EXPECT_TRUE(std::is_sorted(got.begin(), got.end(), [&](auto& a, auto& b) { return depth(a) < depth(b); }))
        << PrintToString(got);
    // A folder's files come together: once the scan leaves a folder it never returns to it.
    auto folderOf = [](const std::wstring& path) { return path.substr(0, path.rfind(L'\\')); };
    std::set<std::wstring> left;
    for (size_t i = 1; i < got.size(); ++i)
        if (folderOf(got[i]) != folderOf(got[i - 1]))
            EXPECT_TRUE(left.insert(folderOf(got[i - 1])).second && !left.count(folderOf(got[i])))
                << PrintToString(got);

    viewer->settings.sort = 1;  // reverse without a key reverses the scan order
    viewer->sortExhibit();
    EXPECT_EQ(paths(), std::vector<std::wstring>(got.rbegin(), got.rend()));
}

TEST_F(ExhibitBuild, ReleasesTheCallerAfterTheFirstFolderWithImages) {
    ASSERT_TRUE(tree.file(L"a\\x.jpg"));
    for (int f = 0; f < 30; ++f)
        for (int i = 0; i < 100; ++i)
            ASSERT_TRUE(tree.file(L"b\\n" + std::to_wstring(f) + L"\\p" + std::to_wstring(i) + L".jpg"));

    // The first folder with images is a\, one level down; 3000 more lie two levels down. The caller
    // must get control back long before they are all scanned, at least in one of a few tries.
    bool releasedEarly = false;
    for (int attempt = 0; attempt < 4 && !releasedEarly; ++attempt) {
        viewer->store.exhibitRoot = tree.path();
        EXPECT_TRUE(viewer->buildExhibit(tree.path(), false));
        const size_t sizeAtReturn = viewer->store.size();
        releasedEarly = viewer->store.building && sizeAtReturn < 3001;
        EXPECT_GE(sizeAtReturn, 1u);
        ASSERT_TRUE(waitForBuild());
        EXPECT_EQ(viewer->store.size(), 3001u);
        EXPECT_EQ(paths().front(), tree / L"a\\x.jpg") << "Tree (Strict) puts a\\ before b\\";
    }
    EXPECT_TRUE(releasedEarly) << "buildExhibit returned only after the whole tree was scanned";

    // A sort command given while the build still runs orders the build's result too.
    viewer->buildExhibit(tree.path(), false);
    viewer->executeCommand(CMD_SORT_REVERSE);
    ASSERT_TRUE(waitForBuild());
    EXPECT_EQ(paths().back(), tree / L"a\\x.jpg") << "the build ended in the order it started with";
    viewer->executeCommand(CMD_SORT_FORWARD);

    // A tree without images: the build reports an empty exhibit and ends.
    files({L"empty\\readme.txt", L"empty\\folder.jpg\\notes.txt"});  // a folder named like an image is no image
    EXPECT_FALSE(build(tree / L"empty"));
    EXPECT_EQ(viewer->store.size(), 0u);
    EXPECT_EQ(viewer->store.currentIndex, 0);
}

// At start a long scan rests, once well past the first folder with images, until the first
// picture is shown: it goes on when told, when a new build replaces it, or by itself after a while.
// A short one is left to finish.
TEST_F(ExhibitBuild, AHeldScanRestsUntilResumedReplacedOrTooLongUnlessNearlyDone) {
    ASSERT_TRUE(tree.file(L"a\\x.jpg"));
    for (int f = 0; f < 12; ++f)
        for (int i = 0; i < 100; ++i)
            ASSERT_TRUE(tree.file(L"b\\n" + std::to_wstring(f) + L"\\p" + std::to_wstring(i) + L".jpg"));
    viewer->store.exhibitRoot = tree.path();

    viewer->store.holdScans();
    EXPECT_TRUE(viewer->buildExhibit(tree.path(), false));
    Sleep(150);
    const size_t held = viewer->store.size();
    EXPECT_TRUE(viewer->store.building);
    EXPECT_LT(held, 1201u);
    Sleep(150);
    EXPECT_EQ(viewer->store.size(), held) << "the scan went on while held";
    // A build asked for meanwhile stops the resting scan; it rests in turn.
    EXPECT_TRUE(viewer->buildExhibit(tree.path(), false));
    viewer->store.resumeScans();
    ASSERT_TRUE(waitForBuild());
    EXPECT_EQ(viewer->store.size(), 1201u);

    // Never resumed: the rest ends by itself.
    viewer->store.holdScans();
    EXPECT_TRUE(viewer->buildExhibit(tree.path(), false));
    ASSERT_TRUE(waitForBuild(10000)) << "a held scan that is never resumed must still end";
    EXPECT_EQ(viewer->store.size(), 1201u);

    // A small tree is complete at once, held or not.
    EXPECT_TRUE(viewer->buildExhibit(tree / L"b\\n3", false));
    ASSERT_TRUE(waitForBuild(700)) << "a nearly finished scan rested (a rest lasts a second)";
    EXPECT_EQ(viewer->store.size(), 100u);
    viewer->store.resumeScans();
}

TEST_F(ExhibitBuild, FollowsShortcutsToImagesAndUnrelatedFoldersOnly) {
    const std::wstring T = tree.path(), root = T + L"\\root";
    files({L"root\\plain.jpg", L"elsewhere\\target.jpg", L"elsewhere\\readme.txt", L"elsewhere\\noextfile",
           L"other\\o1.jpg", L"other\\o2.png", L"top.jpg", L"root\\shared\\sh.jpg", L"root\\sub\\s.jpg"});
    const ULONGLONG targetTime = kYear2001 + 5 * kDay;
    ASSERT_TRUE(tree.setTimes(L"elsewhere\\target.jpg", targetTime));
    const std::wstring target = T + L"\\elsewhere\\target.jpg";
    const std::pair<const wchar_t*, std::wstring> links[] = {
        {L"a.jpg.lnk", target}, {L"pic.lnk", target},  // the second takes its type from the target
        {L"fake.jpg.lnk", T + L"\\elsewhere\\readme.txt"}, {L"noext.lnk", T + L"\\elsewhere\\noextfile"},
        {L"other.lnk", T + L"\\other"}, {L"sub\\again.lnk", T + L"\\other"},
        {L"up.lnk", root}, {L"sub\\back.lnk", root},  // the folder itself
        {L"parent.lnk", T},                          // holds top.jpg and the elsewhere folder
        {L"sub\\toshared.lnk", root + L"\\shared"},  // also reached directly
    };
    for (const auto& [link, to] : links) ASSERT_TRUE(tree.shortcut(L"root\\" + std::wstring(link), to));
    ASSERT_TRUE(tree.file(L"root\\garbage.lnk", std::string("\x4c\0\0\0 this is not a shortcut", 28)));
    ASSERT_TRUE(tree.file(L"root\\empty.jpg.lnk", ""));

    ASSERT_TRUE(build(root));
    EXPECT_EQ(sortedPaths(), full({L"root\\plain.jpg", L"root\\a.jpg.lnk", L"root\\pic.lnk", L"other\\o1.jpg",
                                   L"other\\o2.png", L"root\\shared\\sh.jpg", L"root\\sub\\s.jpg"}));
    // The shortcut's entry keeps the shortcut's own path and carries the target's times.
    const long long index = viewer->store.indexOfPath(root + L"\\a.jpg.lnk");
    ASSERT_GE(index, 0);
    {
        std::lock_guard lock(viewer->store.exhibitMutex);
        EXPECT_EQ(viewer->store.exhibit[static_cast<size_t>(index)].modified, targetTime);
    }

    // Without subfolders neither folders nor shortcuts to folders are entered.
    viewer->settings.subfolders = false;
    ASSERT_TRUE(build(root));
    EXPECT_EQ(sortedPaths(), full({L"root\\plain.jpg", L"root\\a.jpg.lnk", L"root\\pic.lnk"}));
}

TEST_F(ExhibitBuild, SkipsRecycleFoldersAndHiddenFoldersButNotHiddenFiles) {
    // File names are case-blind, so the lower-case "recycler" lives in another folder.
    files({L"root\\RECYCLER\\r.jpg", L"root\\xRECYCLERy\\r.jpg", L"root\\sub\\recycler\\r.jpg", L"root\\RECYCLER.jpg",
           L"root\\hid\\h.jpg", L"root\\hid\\deeper\\d.jpg", L"root\\hf.jpg", L"root\\plain\\p.jpg",
           L"hidelsewhere\\he.jpg"});
    for (const wchar_t* name : {L"root\\hid", L"root\\hf.jpg", L"hidelsewhere"})
        ASSERT_TRUE(tree.hide(name)) << "the file system keeps no hidden attribute";
    ASSERT_TRUE(tree.shortcut(L"root\\tohidden.lnk", tree / L"hidelsewhere"));

    ASSERT_TRUE(viewer->settings.hidden);
    ASSERT_TRUE(build(tree / L"root"));
    EXPECT_EQ(sortedPaths(), full({L"root\\sub\\recycler\\r.jpg", L"root\\RECYCLER.jpg", L"root\\hf.jpg",
                                   L"root\\plain\\p.jpg", L"root\\hid\\h.jpg", L"root\\hid\\deeper\\d.jpg",
                                   L"hidelsewhere\\he.jpg"}));
    command(CMD_HIDDEN);  // hidden folders off; rebuilds the same folder
    EXPECT_EQ(sortedPaths(),
              full({L"root\\sub\\recycler\\r.jpg", L"root\\RECYCLER.jpg", L"root\\hf.jpg", L"root\\plain\\p.jpg"}));
}

TEST_F(ExhibitBuild, FormatSwitchesDecideWhichNamesAreImages) {
    files({L"a.jpg", L"b.jpeg", L"c.JPG", L"d.png", L"e.tif", L"f.tiff", L"g.bmp", L"h.gif", L"noext", L"jpg",
           L"i.emf", L"j.ico", L"k.txt", L"l.jpg.txt", L"m.PnG", L"n.DDS"});
    // The first build may begin before the system's decoders are known (n.DDS is one of theirs).
    ASSERT_TRUE(build());
    const struct {
        std::vector<CommandId> toggles;
        std::vector<std::wstring> expected;
    } steps[] = {
        {{}, {L"a.jpg", L"b.jpeg", L"c.JPG", L"d.png", L"g.bmp", L"h.gif", L"m.PnG", L"n.DDS"}},
        {{CMD_FORMAT_PNG}, {L"a.jpg", L"b.jpeg", L"c.JPG", L"g.bmp", L"h.gif", L"n.DDS"}},
        {{CMD_FORMAT_TIF, CMD_FORMAT_JPG}, {L"e.tif", L"f.tiff", L"g.bmp", L"h.gif", L"n.DDS"}},
        {{CMD_FORMAT_EMF, CMD_FORMAT_ICO, CMD_FORMAT_BMP, CMD_FORMAT_GIF, CMD_FORMAT_WIC},
         {L"e.tif", L"f.tiff", L"i.emf", L"j.ico"}},
    };
    for (const auto& step : steps) {
        for (CommandId id : step.toggles) command(id);
        EXPECT_EQ(sortedPaths(), full(step.expected));
    }
}

TEST_F(ExhibitBuild, SkipsPathsTooLongForThePlatformAndKeepsTheRest) {
    std::wstring chain;
    std::vector<std::wstring> images;
    for (int level = 0; level < 8; ++level) {
        chain += (level ? L"\\segment-" : L"segment-") + std::to_wstring(level) + L"-abcdefghijklmnopqrstuvwxyz01";
        // A short and a long name: in some folder that can still be listed, the long one no longer fits.
        for (const std::wstring name : {L"x.jpg", L"a-rather-long-file-name-for-an-image-0123.jpg"}) {
            images.push_back(chain + L"\\" + name);
            ASSERT_TRUE(tree.file(images.back()));
        }
    }
    ASSERT_GT((tree / images.back()).size(), 300u);

    ASSERT_TRUE(build());
    const std::vector<std::wstring> got = paths();
    for (const std::wstring& image : images)
        if ((tree / image).size() < 250)
            EXPECT_EQ(std::count(got.begin(), got.end(), tree / image), 1) << PrintToString(image);
    for (const std::wstring& path : got) {
        EXPECT_LE(path.size(), 259u) << PrintToString(path);
        EXPECT_NE(GetFileAttributesW(longForm(path).c_str()), INVALID_FILE_ATTRIBUTES) << PrintToString(path);
    }
}

TEST_F(ExhibitBuild, OrdersAfterTheBuildAndKeepsTheCurrentImage) {
    files({L"z.jpg", L"sub\\a.jpg", L"p\\x.jpg", L"p-q\\y.jpg", L"p\\s\\w.jpg"});
    ASSERT_TRUE(build());
    // Tree (Strict): a folder's own images first, then its whole subtree, ahead of p-q.
    EXPECT_EQ(paths(), full({L"z.jpg", L"p\\x.jpg", L"p\\s\\w.jpg", L"p-q\\y.jpg", L"sub\\a.jpg"}, false));
    makeCurrent(tree / L"p\\s\\w.jpg");
    viewer->executeCommand(CMD_SORT_NAME);
    EXPECT_EQ(paths(), full({L"p-q\\y.jpg", L"p\\s\\w.jpg", L"p\\x.jpg", L"sub\\a.jpg", L"z.jpg"}, false));
    EXPECT_EQ(currentEntry(), tree / L"p\\s\\w.jpg");
}

TEST_F(ExhibitBuild, RandomOrderSurvivesKeyChangesAndReshufflesOnRequest) {
    std::vector<std::wstring> names;
    for (int i = 100; i < 130; ++i) {
        names.push_back(L"img" + std::to_wstring(i) + L".jpg");
        ASSERT_TRUE(tree.file(names.back()));
    }
    ASSERT_TRUE(build());
    const std::vector<std::wstring> byName = full(names);
    ASSERT_EQ(paths(), byName);
    const std::wstring current = tree / L"img117.jpg";
    makeCurrent(current);

    viewer->executeCommand(CMD_SORT_RANDOM);
    const std::vector<std::wstring> shuffled = paths();
    EXPECT_NE(shuffled, byName);
    viewer->executeCommand(CMD_SORT_NAME);
    EXPECT_EQ(paths(), shuffled) << "a key change re-ordered a random exhibit";

    viewer->executeCommand(CMD_SORT_RANDOM);
    EXPECT_NE(paths(), shuffled) << "Random did not reshuffle";
    EXPECT_EQ(sortedPaths(), byName);
    EXPECT_EQ(currentEntry(), current);

    viewer->executeCommand(CMD_SORT_FORWARD);
    EXPECT_EQ(paths(), byName);
    EXPECT_EQ(currentEntry(), current);
}

// Filters and viewing another folder set the exhibit aside; it comes back as it was, unscanned.
TEST_F(ExhibitBuild, FiltersAndFolderViewsBringTheExhibitBackAsItWas) {
    files({L"root\\apple.jpg", L"root\\banana.jpg", L"root\\blueberry.jpg", L"root\\cherry.jpg",
           L"root\\avocado.jpg", L"other\\o.jpg"});
    ASSERT_TRUE(build(tree / L"root"));
    const std::vector<std::wstring> original = paths();
    makeCurrent(original[3]);

    for (int round = 0; round < 2; ++round) {
        viewer->find.matchNameOnly = true;
        viewer->find.searchText = L"b";
        ASSERT_TRUE(viewer->filterExhibit(true));
        EXPECT_TRUE(viewer->store.filterActive);
        EXPECT_EQ(sortedPaths(), full({L"root\\banana.jpg", L"root\\blueberry.jpg"}));
        viewer->store.currentIndex = 1;
        viewer->find.searchText = L"blue";
        ASSERT_TRUE(viewer->filterExhibit(false));  // exclude
        EXPECT_EQ(paths(), full({L"root\\banana.jpg"}));
        if (round == 0)
            viewer->restoreExhibit();
        else
            viewer->executeCommand(CMD_VIEW_EXHIBIT);
        EXPECT_FALSE(viewer->store.filterActive);
        EXPECT_EQ(paths(), original) << "round " << round;
        EXPECT_EQ(viewer->store.currentIndex, 3) << "round " << round;
    }

    viewer->viewFolder(tree / L"other", false);
    ASSERT_TRUE(waitForBuild());
    EXPECT_EQ(paths(), full({L"other\\o.jpg"}));
    EXPECT_EQ(viewer->store.currentPathCopy(), tree / L"other\\o.jpg");
    ASSERT_TRUE(tree.file(L"root\\new.jpg"));  // a rescan would find it
    viewer->viewFolder(tree / L"root", true);
    ASSERT_TRUE(waitForBuild());
    EXPECT_EQ(paths(), original) << "the set-aside exhibit was not brought back as it was";
    EXPECT_EQ(viewer->store.currentIndex, 3);
    EXPECT_EQ(viewer->store.currentPathCopy(), original[3]);
    EXPECT_EQ(viewer->store.buildRootCopy(), tree / L"root");
}

// Interface commands race running builds (which they cancel and restart), the watcher's rebuilds
// and a thread that keeps adding files. Whatever the interleaving, a build that is left to finish
// holds every image on disk exactly once.
TEST_F(ExhibitBuild, StressCommandsAgainstRunningBuildsAndTheWatcher) {
    for (int d = 0; d < 20; ++d)
        for (int i = 0; i < 100 + (d % 2 ? 0 : 20); ++i)  // even folders also get a subfolder
            ASSERT_TRUE(tree.file(L"d" + std::to_wstring(d) + (i < 100 ? L"\\f" : L"\\e\\g") + std::to_wstring(i) +
                                  (i % 5 == 0 ? L".png" : L".jpg")));
    viewer->settings.autorefresh = true;
    viewer->settings.autorefreshLatency = 50;
    ASSERT_TRUE(build());
    viewer->startWatcher();

    std::atomic<bool> stop{false};
    std::thread creator([&] {
        for (int n = 0; !stop; ++n) {
            for (int k = n * 5; k < n * 5 + 5; ++k)
                tree.file(L"d" + std::to_wstring(k % 20) + L"\\new" + std::to_wstring(k) + (k % 5 ? L".jpg" : L".png"));
            for (int wait = 0; wait < 40 && !stop; ++wait) Sleep(10);
        }
    });

    const std::wstring root = tree.path();
    auto plausible = [&](const std::wstring& path) {
        return path.rfind(root + L"\\", 0) == 0 && isAcceptedImage(path, FormatSwitches{}) &&
               GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    };
    auto rebuild = [&] {  // switching a format off and on rebuilds from scratch
        viewer->executeCommand(CMD_FORMAT_PNG);
        viewer->executeCommand(CMD_FORMAT_PNG);
    };
    // Once the build is left alone: no duplicates, nothing that is not on disk, and everything
    // that was on disk before it started.
    auto checkSettled = [&](const std::vector<std::wstring>& before) {
        for (int attempt = 0; attempt < 20; ++attempt) {
            ASSERT_TRUE(waitForBuild());
            std::unique_lock control(viewer->store.buildControlMutex);
            if (viewer->store.building) continue;  // the watcher started another build meanwhile
            const std::vector<std::wstring> got = sortedPaths(), after = imagesOnDisk(root, viewer->formatSwitches());
            control.unlock();
            EXPECT_EQ(std::adjacent_find(got.begin(), got.end()), got.end()) << "duplicate entries";
            std::vector<std::wstring> missing, unknown;
            std::set_difference(before.begin(), before.end(), got.begin(), got.end(), std::back_inserter(missing));
            std::set_difference(got.begin(), got.end(), after.begin(), after.end(), std::back_inserter(unknown));
            EXPECT_TRUE(missing.empty()) << "lost " << PrintToString(missing);
            EXPECT_TRUE(unknown.empty()) << "not on disk " << PrintToString(unknown);
            return;
        }
        ADD_FAILURE() << "builds never settled";
    };

    std::mt19937 random(20240611);
    const ULONGLONG start = GetTickCount64();
    int rounds = 0;
    for (; rounds < 50 && GetTickCount64() - start < 40000 && !HasFailure(); ++rounds) {
        rebuild();
        for (int step = 0; step < 16; ++step) {
            switch (random() % 7) {
                case 0: viewer->sortExhibit(); break;
                case 1: viewer->executeCommand(static_cast<CommandId>(CMD_SORT_FORWARD + random() % 10)); break;
                case 2:
                    viewer->find.searchText = L"f1";
                    viewer->filterExhibit(random() % 2 == 0);
                    break;
                case 3: viewer->restoreExhibit(); break;
                case 4: rebuild(); break;
                case 5:
                    for (const std::wstring& path : paths()) ASSERT_TRUE(plausible(path)) << PrintToString(path);
                    break;
                default: pumpFor(random() % 2 ? 5 : 250); break;  // the watcher may start a build
            }
        }
        ASSERT_TRUE(viewer->settings.png);
        const std::vector<std::wstring> before = imagesOnDisk(root, viewer->formatSwitches());
        rebuild();
        checkSettled(before);
    }
    stop = true;
    creator.join();
    EXPECT_GE(rounds, 10) << "too few rounds ran";
    std::printf("stress: %d rounds, %d watcher rebuilds\n", rounds, autoRefreshCount.load());

    // Quiet: let the watcher finish and rebuild once more; the disk no longer changes, so the
    // exhibit must be exactly what is on it.
    pumpFor(800);
    ASSERT_TRUE(waitForBuild());
    rebuild();
    checkSettled(imagesOnDisk(root, viewer->formatSwitches()));
}

}  // namespace
