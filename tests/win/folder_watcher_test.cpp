// The folder watcher on a real folder: when it rebuilds (and when not), starting and stopping it,
// and auto-find after a rebuild.
#include <windows.h>

#include "core/command_ids.h"
#include "viewer_fixture.h"

using namespace viewer_test;

namespace {

class WatcherTest : public ViewerFixture {
protected:
    void SetUp() override {
        ViewerFixture::SetUp();
        if (HasFatalFailure()) return;
        viewer->settings.autorefresh = true;
        viewer->settings.autorefreshLatency = 50;
    }

    void buildAndWatch() {
        ASSERT_TRUE(build());
        viewer->startWatcher();
        pumpFor(300);  // the watcher thread arms its notification
    }

    // Lists a subfolder: Wine watches a subtree only through folders opened after the watch began.
    void openFolder(const std::wstring& relative) {
        std::error_code error;
        fs::directory_iterator(tree / relative, error);
        ASSERT_FALSE(error);
    }

    // Waits for `count` more completed rebuilds after `before` (a rebuild needs 200 ms of quiet, the
    // latency and the scan), then 1.5 s for quiet, also ample for one that should not come.
    int rebuildsAfter(int before, int count) {
        if (count > 0) pumpUntil([&] { return autoRefreshCount >= before + count; }, 5000);
        pumpFor(1500);
        EXPECT_TRUE(waitForBuild());
        return autoRefreshCount - before;
    }
};

TEST_F(WatcherTest, OneRebuildPerBurstOfNameChangesAndNoneForContentChanges) {
    ASSERT_TRUE(tree.file(L"a.jpg"));
    ASSERT_TRUE(tree.file(L"sub\\b.jpg"));
    buildAndWatch();

    for (int i = 0; i < 50; ++i) ASSERT_TRUE(tree.file(L"burst" + std::to_wstring(i) + L".jpg"));
    EXPECT_EQ(rebuildsAfter(0, 1), 1);
    EXPECT_EQ(viewer->store.size(), 52u);
    EXPECT_FALSE(viewer->store.autoRefreshBuild);

    // Not the shown image, which the viewer may hold open.
    ASSERT_TRUE(tree.file(L"burst7.jpg", "different content, longer than before"));  // saved over: same name
    EXPECT_EQ(rebuildsAfter(1, 0), 0) << "a content change rebuilt the exhibit";
    fs::rename(tree / L"burst8.jpg", tree / L"renamed.jpg");
    EXPECT_EQ(rebuildsAfter(1, 1), 1);
    EXPECT_GE(viewer->store.indexOfPath(tree / L"renamed.jpg"), 0);
    EXPECT_EQ(viewer->store.indexOfPath(tree / L"burst8.jpg"), -1);

    openFolder(L"sub");  // with subfolders on, the whole tree is watched
    ASSERT_TRUE(tree.file(L"sub\\c.jpg"));
    EXPECT_EQ(rebuildsAfter(2, 1), 1);
    EXPECT_EQ(viewer->store.size(), 53u);
}

TEST_F(WatcherTest, WithoutSubfoldersOnlyTheFolderItselfIsWatched) {
    ASSERT_TRUE(tree.file(L"a.jpg"));
    ASSERT_TRUE(tree.folder(L"sub"));
    viewer->settings.subfolders = false;
    buildAndWatch();

    openFolder(L"sub");
    pumpFor(100);
    ASSERT_TRUE(tree.file(L"sub\\b.jpg"));
    EXPECT_EQ(rebuildsAfter(0, 0), 0) << "a change below the folder rebuilt it";

    ASSERT_TRUE(tree.file(L"c.jpg"));
    EXPECT_EQ(rebuildsAfter(0, 1), 1);
    EXPECT_EQ(sortedPaths(), full({L"a.jpg", L"c.jpg"}));
}

TEST_F(WatcherTest, SwitchingAutoRefreshOffAndOnLeavesOneWatcher) {
    ASSERT_TRUE(tree.file(L"a.jpg"));
    buildAndWatch();

    viewer->executeCommand(CMD_AUTOREFRESH);
    EXPECT_FALSE(viewer->settings.autorefresh);
    pumpFor(100);
    ASSERT_TRUE(tree.file(L"b.jpg"));
    EXPECT_EQ(rebuildsAfter(0, 0), 0) << "a stopped watcher still rebuilt";

    // A stop that comes while a change is settling still ends the watcher.
    viewer->executeCommand(CMD_AUTOREFRESH);
    pumpFor(300);
    ASSERT_TRUE(tree.file(L"b2.jpg"));
    pumpFor(50);
    viewer->executeCommand(CMD_AUTOREFRESH);
    EXPECT_EQ(rebuildsAfter(0, 0), 0) << "a watcher stopped while settling still rebuilt";

    for (int i = 0; i < 3; ++i) viewer->executeCommand(CMD_AUTOREFRESH);  // on, off, on
    EXPECT_TRUE(viewer->settings.autorefresh);
    pumpFor(300);
    ASSERT_TRUE(tree.file(L"c.jpg"));
    EXPECT_EQ(rebuildsAfter(0, 1), 1);
    EXPECT_EQ(sortedPaths(), full({L"a.jpg", L"b.jpg", L"b2.jpg", L"c.jpg"}));

    // Restarting while a watcher runs (as after a drop or a folder change) also replaces it.
    viewer->startWatcher();
    viewer->startWatcher();
    pumpFor(300);
    ASSERT_TRUE(tree.file(L"d.jpg"));
    EXPECT_EQ(rebuildsAfter(1, 1), 1);
}

TEST_F(WatcherTest, AFolderThatCannotBeWatchedEndsTheWatcherWithoutSpinning) {
    ASSERT_TRUE(tree.file(L"a.jpg"));
    buildAndWatch();
    ASSERT_TRUE(tree.folder(L"gone"));
    viewer->viewFolder(tree / L"gone", false);  // an empty folder: the watcher moves there
    ASSERT_TRUE(waitForBuild());
    pumpFor(300);
    ASSERT_TRUE(fs::remove(tree / L"gone"));
    viewer->startWatcher();  // the build folder no longer exists

    auto cpuTime = [] {
        FILETIME unused, kernel, user;
        GetProcessTimes(GetCurrentProcess(), &unused, &unused, &kernel, &user);
        return (ULARGE_INTEGER{{kernel.dwLowDateTime, kernel.dwHighDateTime}}.QuadPart +
                ULARGE_INTEGER{{user.dwLowDateTime, user.dwHighDateTime}}.QuadPart);
    };
    const ULONGLONG before = cpuTime();
    pumpFor(800);
    // Under Wine a thread that spins on waits spends much of its time in the server, so even a
    // small share of processor time gives it away.
    EXPECT_LT(cpuTime() - before, 1500000ULL) << "more than 150 ms of processor time in 800 ms";
    EXPECT_EQ(autoRefreshCount, 0);
}

TEST_F(WatcherTest, AutoFindJumpsToTheNewestImageOrKeepsTheCurrentOne) {
    for (const wchar_t* name : {L"a.jpg", L"b.jpg", L"z.jpg"}) {
        ASSERT_TRUE(tree.file(name));
        ASSERT_TRUE(tree.setTimes(name, kYear2001));
    }
    buildAndWatch();
    makeCurrent(tree / L"z.jpg");

    // Off: the rebuild keeps the image that was current, at its new place.
    viewer->settings.autofindtype = 0;
    ASSERT_TRUE(tree.file(L"m.jpg"));
    EXPECT_EQ(rebuildsAfter(0, 1), 1);
    EXPECT_EQ(currentEntry(), tree / L"z.jpg");
    EXPECT_EQ(viewer->store.currentIndex, 3);

    // To last created: the rebuild ends on the new arrival, which is not at either end.
    viewer->executeCommand(CMD_AUTOFIND_CREATE);
    ASSERT_TRUE(tree.setTimes(L"m.jpg", kYear2001));
    ASSERT_TRUE(tree.file(L"n.jpg"));
    ASSERT_TRUE(tree.setTimes(L"n.jpg", kYear2001 + 100 * kDay));
    EXPECT_EQ(rebuildsAfter(1, 1), 1);
    EXPECT_EQ(currentEntry(), tree / L"n.jpg");
    EXPECT_EQ(viewer->store.currentPathCopy(), tree / L"n.jpg");
}

}  // namespace
