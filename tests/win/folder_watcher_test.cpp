// The folder watcher on a real folder: one rebuild per burst of changes, none for content changes
// or (without subfolders) for changes below the folder, one watcher after switching Auto Refresh
// off and on, and auto-find after the rebuild.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/command_ids.h"
#include "viewer_fixture.h"

using namespace viewer_test;

namespace {

// A rebuild needs 200 ms of quiet, the latency and the scan: this is ample under Wine.
constexpr DWORD kRebuildWait = 5000;
// After a rebuild nothing more may arrive within this; it is also ample for a rebuild to come when
// none should.
constexpr DWORD kQuietWait = 1500;

class WatcherTest : public ViewerFixture {
protected:
    void SetUp() override {
        ViewerFixture::SetUp();
        if (HasFatalFailure()) return;
        viewer->settings.autorefresh = true;
        viewer->settings.autorefreshLatency = 50;
    }

    // Builds the tree's folder and starts watching it.
    void buildAndWatch() {
        ASSERT_TRUE(build());
        viewer->startWatcher();
        pumpFor(300);  // the watcher thread arms its notification
    }

    // Lists a subfolder. Wine watches a subtree only through folders opened after the watch
    // began; on Windows this changes nothing.
    void openFolder(const std::wstring& relative) {
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW((tree / relative + L"\\*").c_str(), &found);
        ASSERT_NE(search, INVALID_HANDLE_VALUE);
        FindClose(search);
    }

    // Waits for `count` more completed rebuilds after `before` (none expected: for as long as one
    // would take), then for quiet; returns how many came.
    int rebuildsAfter(int before, int count) {
        if (count > 0) pumpUntil([&] { return autoRefreshDone() >= before + count; }, kRebuildWait);
        pumpFor(kQuietWait);
        EXPECT_TRUE(waitForBuild());
        return autoRefreshDone() - before;
    }
};

TEST_F(WatcherTest, ABurstOfNewFilesCausesOneRebuild) {
    ASSERT_TRUE(tree.file(L"a.jpg"));
    ASSERT_TRUE(tree.file(L"sub\\b.jpg"));
    buildAndWatch();
    ASSERT_EQ(viewer->exhibitSize(), 2u);

    for (int i = 0; i < 50; ++i) ASSERT_TRUE(tree.file(L"burst" + std::to_wstring(i) + L".jpg"));
    EXPECT_EQ(rebuildsAfter(0, 1), 1);
    EXPECT_EQ(viewer->exhibitSize(), 52u);
    EXPECT_FALSE(viewer->autoRefreshBuild);

    // With subfolders on, the whole tree is watched.
    openFolder(L"sub");
    ASSERT_TRUE(tree.file(L"sub\\c.jpg"));
    EXPECT_EQ(rebuildsAfter(1, 1), 1);
    EXPECT_EQ(viewer->exhibitSize(), 53u);
}

TEST_F(WatcherTest, ContentChangesCauseNoRebuildButRenamesDo) {
    ASSERT_TRUE(tree.file(L"a.jpg"));
    ASSERT_TRUE(tree.file(L"b.jpg"));
    buildAndWatch();

    // Saving over an existing image: new content, same name.
    HANDLE file = CreateFileW((tree / L"a.jpg").c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(file, "different content, longer than before", 37, &written, nullptr));
    CloseHandle(file);
    EXPECT_EQ(rebuildsAfter(0, 0), 0) << "a content change rebuilt the exhibit";

    ASSERT_TRUE(MoveFileW((tree / L"a.jpg").c_str(), (tree / L"renamed.jpg").c_str()));
    EXPECT_EQ(rebuildsAfter(0, 1), 1);
    EXPECT_EQ(sortedPaths(), full({L"b.jpg", L"renamed.jpg"}));
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
    EXPECT_TRUE(viewer->settings.autorefresh);
    pumpFor(300);
    ASSERT_TRUE(tree.file(L"b2.jpg"));
    pumpFor(50);
    viewer->executeCommand(CMD_AUTOREFRESH);
    EXPECT_EQ(rebuildsAfter(0, 0), 0) << "a watcher stopped while settling still rebuilt";

    viewer->executeCommand(CMD_AUTOREFRESH);
    EXPECT_TRUE(viewer->settings.autorefresh);
    viewer->executeCommand(CMD_AUTOREFRESH);
    viewer->executeCommand(CMD_AUTOREFRESH);
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
    ASSERT_TRUE(RemoveDirectoryW((tree / L"gone").c_str()));
    viewer->startWatcher();  // the build folder no longer exists

    auto cpuTime = [] {
        FILETIME created, exited, kernel, user;
        GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
        auto value = [](const FILETIME& t) { return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
        return value(kernel) + value(user);
    };
    const ULONGLONG before = cpuTime();
    pumpFor(800);
    // Under Wine a thread that spins on waits spends much of its time in the server, so even
    // a small share of processor time gives it away.
    EXPECT_LT(cpuTime() - before, 1500000ULL) << "more than 150 ms of processor time in 800 ms";
    EXPECT_EQ(autoRefreshDone(), 0);
}

TEST_F(WatcherTest, AutoFindJumpsToTheNewestImageOrKeepsTheCurrentOne) {
    // Old images get old times; creation and last-write are set alike because some file systems
    // report one for the other.
    for (const wchar_t* name : {L"a.jpg", L"b.jpg", L"z.jpg"}) {
        ASSERT_TRUE(tree.file(name));
        ASSERT_TRUE(tree.setTimes(name, kYear2001, kYear2001, kYear2001));
    }
    buildAndWatch();
    makeCurrent(tree / L"z.jpg");
    ASSERT_EQ(viewer->currentIndex, 2);

    // Off: the rebuild keeps the image that was current, at its new place.
    viewer->settings.autofindtype = 0;
    ASSERT_TRUE(tree.file(L"m.jpg"));
    EXPECT_EQ(rebuildsAfter(0, 1), 1);
    EXPECT_EQ(viewer->exhibitSize(), 4u);
    EXPECT_EQ(currentEntry(), tree / L"z.jpg");
    EXPECT_EQ(viewer->currentIndex, 3);

    // To last created: the rebuild ends on the new arrival, which is not at either end.
    viewer->executeCommand(CMD_AUTOFIND_CREATE);
    ASSERT_EQ(viewer->settings.autofindtype, 1);
    ASSERT_TRUE(tree.setTimes(L"m.jpg", kYear2001, kYear2001, kYear2001));
    ASSERT_TRUE(tree.file(L"n.jpg"));
    ASSERT_TRUE(tree.setTimes(L"n.jpg", kYear2001 + 100 * kDay, kYear2001 + 100 * kDay, 0));
    EXPECT_EQ(rebuildsAfter(1, 1), 1);
    EXPECT_EQ(currentEntry(), tree / L"n.jpg");
    EXPECT_EQ(viewer->currentPathCopy(), tree / L"n.jpg");
}

}  // namespace
