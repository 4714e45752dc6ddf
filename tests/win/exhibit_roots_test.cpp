// A new exhibit root replaces what the old one set aside; folders reached twice through links are
// scanned once; a watcher rebuild that another build replaces still ends in auto-find.
#include <windows.h>
#include <shlobj.h>

#include <cstring>

#include "core/command_ids.h"
#include "viewer_fixture.h"

using namespace viewer_test;

namespace {

class ExhibitRoots : public ViewerFixture {};

// A drop of one item, as the shell hands it to the window.
HDROP dropOf(const std::wstring& item) {
    const size_t bytes = sizeof(DROPFILES) + (item.size() + 2) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GHND, bytes);
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    std::memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), item.c_str(), item.size() * sizeof(wchar_t));
    GlobalUnlock(memory);
    return static_cast<HDROP>(memory);
}

// A link to a folder: a symbolic link made on the host when running under Wine (Wine shows it as
// the folder it points to), else a Windows directory symbolic link. False when neither can be made.
bool folderLink(const std::wstring& link, const std::wstring& target) {
    const std::wstring host = hostPath(link);
    if (host.empty()) return CreateSymbolicLinkW(link.c_str(), target.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY) != 0;
    return runHost(L"ln -s '" + target + L"' '" + host + L"'") == 0 && exists(link);
}

// Removes the links again before the tree is removed (its removal would follow them round).
void removeLinks(const std::vector<std::wstring>& links) {
    for (const std::wstring& link : links) {
        const std::wstring host = hostPath(link);
        host.empty() ? RemoveDirectoryW(link.c_str()) : runHost(L"rm -f '" + host + L"'");
    }
}

}  // namespace

TEST_F(ExhibitRoots, ANewRootChosenOrDroppedEndsTheFilterOfTheOldOne) {
    ASSERT_TRUE(tree.file(L"old\\apple.jpg") && tree.file(L"old\\banana.jpg"));
    ASSERT_TRUE(tree.file(L"chosen\\cherry.jpg") && tree.file(L"dropped\\date.jpg"));
    for (const std::wstring& newRoot : {tree / L"chosen", tree / L"dropped"}) {
        ASSERT_TRUE(build(tree / L"old"));
        viewer->find.searchText = L"apple";
        ASSERT_TRUE(viewer->filterExhibit(false));  // exclude: the banana stays
        ASSERT_EQ(paths(), full({L"old\\banana.jpg"}));

        if (newRoot == tree / L"chosen")
            viewer->openExhibitRoot(newRoot, false);  // what Folder... does with the chosen folder
        else
            viewer->onDropFiles(dropOf(newRoot));
        ASSERT_TRUE(waitForBuild());
        EXPECT_FALSE(viewer->store.filterActive) << PrintToString(newRoot);
        EXPECT_EQ(viewer->store.exhibitRoot, newRoot);

        viewer->executeCommand(CMD_VIEW_EXHIBIT);
        ASSERT_TRUE(waitForBuild());
        const std::vector<std::wstring> want =
            newRoot == tree / L"chosen" ? full({L"chosen\\cherry.jpg"}) : full({L"dropped\\date.jpg"});
        EXPECT_EQ(paths(), want) << "View Exhibit brought back the old root's exhibit";
        EXPECT_EQ(viewer->store.buildRootCopy(), newRoot);
    }
}

TEST_F(ExhibitRoots, FolderLinksThatLoopYieldEachPictureOnce) {
    ASSERT_TRUE(tree.file(L"only.png") && tree.file(L"other\\o.png") && tree.folder(L"sub"));
    const std::vector<std::wstring> links = {tree / L"sub\\up", tree / L"self", tree / L"sub\\again"};
    const bool made = folderLink(links[0], L"..") && folderLink(links[1], L".") && folderLink(links[2], L"../other");
    if (made) {
        EXPECT_TRUE(build());
        // The loops give nothing twice, and a folder reached directly and through a link is scanned once.
        EXPECT_EQ(sortedPaths(), full({L"only.png", L"other\\o.png"})) << paths().size() << " entries";
    }
    removeLinks(links);
    if (!made) GTEST_SKIP() << "folder links cannot be made here";
}

TEST_F(ExhibitRoots, AWatcherRebuildReplacedByAnotherBuildStillEndsInAutoFind) {
    // Enough folders that the watcher's build is still scanning when the next one is asked for.
    for (int f = 0; f < 40; ++f)
        for (int i = 0; i < 40; ++i)
            ASSERT_TRUE(tree.file(L"n" + std::to_wstring(f) + L"\\p" + std::to_wstring(i) + L".bmp"));
    ASSERT_TRUE(build());
    const size_t count = viewer->store.size();
    ASSERT_EQ(count, 1600u);

    viewer->store.autoRefreshBuild = true;
    viewer->buildExhibit(tree.path(), false, nullptr, true);  // the watcher's rebuild
    ASSERT_TRUE(viewer->store.building);
    viewer->buildExhibit(tree.path(), false);  // replaced at once by one the interface asks for
    ASSERT_TRUE(waitForBuild());
    EXPECT_TRUE(pumpUntil([] { return autoRefreshCount > 0; }, 10000)) << "auto-find never ran";
    pumpFor(300);
    EXPECT_EQ(autoRefreshCount, 1);
    EXPECT_FALSE(viewer->store.autoRefreshBuild);
    EXPECT_EQ(viewer->store.size(), count);

    // An interface build on its own is not taken for the watcher's.
    viewer->buildExhibit(tree.path(), false);
    ASSERT_TRUE(waitForBuild());
    pumpFor(300);
    EXPECT_EQ(autoRefreshCount, 1);
}
