// A new exhibit root replaces what the old one set aside; folders reached twice through links are
// scanned once; a watcher rebuild that another build replaces still ends in auto-find.
#include <windows.h>
#include <shlobj.h>

#include <cstring>

#include "core/command_ids.h"
#include "file_ops_fixture.h"
#include "fileops/file_operations.h"
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

// A file operation changes the entry of the file it acted on, wherever a rebuild moved it, and a
// file moved onto one the exhibit holds leaves one entry for it (paths name a file in any case).
TEST_F(ExhibitRoots, FileOperationsChangeTheEntryOfTheirOwnFileOnly) {
    for (const wchar_t* name : {L"a.bmp", L"b.bmp", L"c.bmp", L"d.bmp"}) ASSERT_TRUE(tree.file(name));
    ASSERT_TRUE(build());
    auto result = [&](ExhibitChange change, const wchar_t* path, const wchar_t* source) {
        return FileOpResult{FileOpOutcome::Done, change, Redisplay::None, tree / path, source ? tree / source : L""};
    };
    // b was recycled while c became the entry at the index: b goes, c stays current.
    makeCurrent(tree / L"c.bmp");
    viewer->applyFileOpResult(result(ExhibitChange::RemoveCurrent, L"b.bmp", L"b.bmp"));
    EXPECT_EQ(paths(), full({L"a.bmp", L"c.bmp", L"d.bmp"}));
    EXPECT_EQ(currentEntry(), tree / L"c.bmp");
    // c moved onto A.BMP, which the exhibit holds as a.bmp: one entry, at c's place, current.
    viewer->applyFileOpResult(result(ExhibitChange::ReplaceCurrent, L"A.BMP", L"c.bmp"));
    EXPECT_EQ(paths(), full({L"A.BMP", L"d.bmp"}, false));
    EXPECT_EQ(viewer->store.currentIndex, 0);
    // A copy onto a name the exhibit holds adds nothing.
    viewer->applyFileOpResult(result(ExhibitChange::InsertIfAbsent, L"d.BMP", nullptr));
    EXPECT_EQ(paths().size(), 2u);
}

// The folder choosers start at the full path of the setting (a relative favorites folder lies beside
// the program) and leave the COM of their thread as they found it; the settings Save As leaves the
// current directory where it was, so relative folders stay where they are.
TEST_F(ExhibitRoots, FolderChoosersAndSaveAsLeaveTheirSurroundingsAlone) {
    ASSERT_TRUE(tree.folder(L"program\\fav") && tree.folder(L"elsewhere"));
    viewer->files.programFolder = tree / L"program";
    viewer->settings.favorites = L"fav";
    std::atomic<bool> cancel{false};
    fileops_test::DialogAnswerer answerer([&](HWND dialog) {
        // The save dialog's name box (edit or combo box), then OK; the folder browser: OK or Cancel.
        for (int box : {0x480, 0x47C}) SetDlgItemTextW(dialog, box, (tree / L"elsewhere\\other.ini").c_str());
        fileops_test::DialogAnswerer::press(dialog, cancel ? IDCANCEL : IDOK);
        return true;
    });
    ASSERT_TRUE(viewer->chooseFolder(Viewer::FolderKind::Favorites));
    EXPECT_EQ(viewer->settings.favorites, tree / L"program\\fav");
    EXPECT_EQ(viewer->folderSetting(Viewer::FolderKind::Favorites), tree / L"program\\fav");

    auto currentDirectory = [] {
        std::wstring directory(MAX_PATH, L'\0');
        return directory.substr(0, GetCurrentDirectoryW(MAX_PATH, directory.data()));
    };
    const std::wstring directory = currentDirectory();
    ASSERT_TRUE(viewer->chooseSettingsFile());
    EXPECT_EQ(viewer->files.settingsPath, tree / L"elsewhere\\other.ini");
    EXPECT_EQ(currentDirectory(), directory) << "the dialog moved the current directory";

    // On a thread already in the multithreaded apartment, a chooser (cancelled here) leaves it there.
    cancel = true;
    std::atomic<bool> done{false};
    HRESULT again = E_FAIL;
    std::thread chooser([&] {
        const HRESULT first = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        viewer->chooseExhibitRoot(false);
        again = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        if (SUCCEEDED(again)) CoUninitialize();
        if (SUCCEEDED(first)) CoUninitialize();
        done = true;
    });
    EXPECT_TRUE(pumpUntil([&] { return done.load(); }, 20000));
    chooser.join();
    EXPECT_EQ(again, S_FALSE) << "the thread's COM was uninitialised under it";
}

// Settings that cannot be written at exit stay as they were, and the error log says so.
TEST_F(ExhibitRoots, SettingsThatCannotBeWrittenAtExitAreKeptAndLogged) {
    const std::wstring ini = tree / L"locked.ini";
    ASSERT_TRUE(writeFile(ini, "old"));
    SetFileAttributesW(ini.c_str(), FILE_ATTRIBUTE_READONLY);
    viewer->files.settingsPath = ini;
    viewer->files.errorLogPath = tree / L"errors.log";
    viewer->settings.savesettings = true;
    viewer->shutDown();
    SetFileAttributesW(ini.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(readFile(ini), "old");
    std::string record = "\xFF\xFE";
    for (wchar_t c : ini + L" could not be written\r\n") record += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
    EXPECT_EQ(readFile(tree / L"errors.log"), record);
}
