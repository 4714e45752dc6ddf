// A new exhibit root replaces what the old one set aside; folders reached twice through links are
// scanned once; a watcher rebuild that another build replaces still ends in auto-find.
#include <windows.h>
#include <shlobj.h>

#include <cstring>

#include "core/command_ids.h"
#include "core/win_handles.h"
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
    using UnixName = char*(CDECL*)(const wchar_t*);
    const auto unixName = reinterpret_cast<UnixName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32"), "wine_get_unix_file_name")));
    if (!unixName) return CreateSymbolicLinkW(link.c_str(), target.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY) != 0;
    char* unixLink = unixName(link.c_str());
    if (!unixLink) return false;
    // Wine starts host programs given by their path; ln -s makes the link relative to its folder.
    std::string text(unixLink);
    HeapFree(GetProcessHeap(), 0, unixLink);
    std::wstring command = L"ln -s \"" + target + L"\" \"" + std::wstring(text.begin(), text.end()) + L"\"";
    STARTUPINFOW startup{sizeof(startup)};
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(L"Z:\\bin\\ln", command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    const KernelHandle thread(process.hThread), started(process.hProcess);
    // A host program may be started without a process handle to wait on: wait for its result.
    DWORD attributes = INVALID_FILE_ATTRIBUTES;
    for (int i = 0; i < 250 && attributes == INVALID_FILE_ATTRIBUTES; ++i) {
        attributes = GetFileAttributesW(link.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) Sleep(20);
    }
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
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
    ASSERT_TRUE(tree.file(L"only.png") && tree.folder(L"sub"));
    if (!folderLink(tree / L"sub\\up", L"..") || !folderLink(tree / L"self", L"."))
        GTEST_SKIP() << "folder links cannot be made here";
    ASSERT_TRUE(build());
    EXPECT_EQ(paths(), full({L"only.png"})) << paths().size() << " entries";

    // A folder reached both directly and through a link to it is scanned once as well.
    ASSERT_TRUE(tree.file(L"other\\o.png") && folderLink(tree / L"sub\\again", L"../other"));
    ASSERT_TRUE(build());
    EXPECT_EQ(sortedPaths().size(), 2u) << PrintToString(paths());
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
