// Shell objects for file lists, the drag source and the drop target, on real files: what the shell
// hands back for paths, what a drop onto the program or onto a folder under the cursor does, and a
// whole drag out of the program with the mouse.
#include <windows.h>
#include <ole2.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "file_ops_fixture.h"
#include "fileops/shell_objects.h"

using namespace fileops_test;

namespace {

class ShellObjectsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
        pics = tree.folder(L"pics");
        other = tree.folder(L"other");
        for (const wchar_t* name : {L"a.jpg", L"b.jpg", L"c.png"}) {
            files.push_back(pics + L"\\" + name);
            ASSERT_TRUE(writeFile(files.back(), content(std::string(name, name + 1))));
        }
        elsewhere = other + L"\\d.jpg";
        ASSERT_TRUE(writeFile(elsewhere, content("d")));
    }
    void TearDown() override { OleUninitialize(); }

    Tree tree;
    std::wstring pics, other, elsewhere;
    std::vector<std::wstring> files;
};

// Wine's shell differs from Windows in two places used here: a data object for items of several
// folders names the first level of each item ("My Computer") instead of the files, and a folder's
// drop target accepts a drop without copying anything.

template <typename T>
struct Held {
    T* object = nullptr;
    ~Held() {
        if (object) object->Release();
    }
    void** out() { return reinterpret_cast<void**>(&object); }
};

TEST_F(ShellObjectsTest, PathsGiveTheShellsObjectsForThoseFiles) {
    {
        Held<IDataObject> data;
        ASSERT_TRUE(shellObjectForPaths(files, IID_IDataObject, data.out()));
        EXPECT_EQ(droppedPaths(data.object), files) << "files of one folder";
    }
    {
        Held<IDataObject> data;
        const std::vector<std::wstring> mixed = {files[0], elsewhere};
        ASSERT_TRUE(shellObjectForPaths(mixed, IID_IDataObject, data.out()));
        if (underWine())
            EXPECT_EQ(droppedPaths(data.object).size(), mixed.size()) << "files of two folders";
        else
            EXPECT_EQ(droppedPaths(data.object), mixed) << "files of two folders";
    }
    {
        Held<IDropTarget> target;
        EXPECT_TRUE(shellObjectForPaths({other}, IID_IDropTarget, target.out())) << "a folder's drop target";
        Held<IContextMenu> menu;
        EXPECT_TRUE(shellObjectForPaths(files, IID_IContextMenu, menu.out())) << "the files' context menu";
    }
    Held<IDataObject> none;
    none.object = reinterpret_cast<IDataObject*>(1);  // must be cleared on failure
    EXPECT_FALSE(shellObjectForPaths({}, IID_IDataObject, none.out()));
    EXPECT_EQ(none.object, nullptr);
    EXPECT_FALSE(shellObjectForPaths({files[0], pics + L"\\missing.jpg"}, IID_IDataObject, none.out()));
    EXPECT_EQ(none.object, nullptr);
}

TEST(FileDropSource, DropsOnReleaseCancelsOnEscapeAndUsesTheDefaultCursors) {
    FileDropSource source;
    EXPECT_EQ(source.QueryContinueDrag(FALSE, MK_LBUTTON), S_OK);
    EXPECT_EQ(source.QueryContinueDrag(FALSE, MK_RBUTTON | MK_SHIFT), S_OK);
    EXPECT_EQ(source.QueryContinueDrag(FALSE, 0), DRAGDROP_S_DROP);
    EXPECT_EQ(source.QueryContinueDrag(FALSE, MK_CONTROL | MK_SHIFT), DRAGDROP_S_DROP);
    EXPECT_EQ(source.QueryContinueDrag(TRUE, MK_LBUTTON), DRAGDROP_S_CANCEL);
    EXPECT_EQ(source.GiveFeedback(DROPEFFECT_COPY), DRAGDROP_S_USEDEFAULTCURSORS);
}

struct Dropped {
    std::vector<std::wstring> paths;
    bool shift = false;
    int count = 0;
};

TEST_F(ShellObjectsTest, FilesDroppedOnTheProgramGoToItWithTheShiftState) {
    Dropped dropped;
    ExhibitDropTarget target(nullptr, [&](const std::vector<std::wstring>& paths, bool shift) {
        dropped.paths = paths;
        dropped.shift = shift;
        ++dropped.count;
    });
    HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(target.registerWindow(window));
    EXPECT_EQ(RegisterDragDrop(window, &target), DRAGDROP_E_ALREADYREGISTERED);

    Held<IDataObject> data;
    ASSERT_TRUE(shellObjectForPaths(files, IID_IDataObject, data.out()));
    const POINTL point{5, 5};
    const DWORD all = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;
    DWORD effect = all;
    EXPECT_EQ(target.DragEnter(data.object, MK_LBUTTON, point, &effect), S_OK);
    EXPECT_EQ(effect, DWORD(DROPEFFECT_COPY)) << "opening files leaves them where they are";
    effect = DROPEFFECT_LINK | DROPEFFECT_MOVE;
    EXPECT_EQ(target.DragOver(MK_LBUTTON, point, &effect), S_OK);
    EXPECT_EQ(effect, DWORD(DROPEFFECT_LINK));
    effect = DROPEFFECT_MOVE;
    EXPECT_EQ(target.DragOver(MK_LBUTTON, point, &effect), S_OK);
    EXPECT_EQ(effect, DWORD(DROPEFFECT_NONE));
    effect = all;
    EXPECT_EQ(target.Drop(data.object, MK_SHIFT, point, &effect), S_OK);
    EXPECT_EQ(effect, DWORD(DROPEFFECT_COPY));
    EXPECT_EQ(dropped.count, 1);
    EXPECT_EQ(dropped.paths, files);
    EXPECT_TRUE(dropped.shift);

    // A drag that leaves drops nothing; the next one without Shift replaces.
    effect = all;
    target.DragEnter(data.object, MK_LBUTTON, point, &effect);
    EXPECT_EQ(target.DragLeave(), S_OK);
    EXPECT_EQ(dropped.count, 1);
    effect = all;
    target.DragEnter(data.object, MK_LBUTTON, point, &effect);
    target.Drop(data.object, 0, point, &effect);
    EXPECT_EQ(dropped.count, 2);
    EXPECT_FALSE(dropped.shift);
    EXPECT_TRUE(exists(files[0])) << "the files themselves are not touched";

    target.revoke();
    EXPECT_EQ(RevokeDragDrop(window), DRAGDROP_E_NOTREGISTERED);
    DestroyWindow(window);
}

TEST_F(ShellObjectsTest, FilesDroppedOnAFolderUnderTheCursorAreCopiedThereByTheShell) {
    const std::wstring into = tree.folder(L"into");
    std::wstring folderUnderCursor = into;
    int dropsToProgram = 0;
    ExhibitDropTarget target([&](POINTL) { return folderUnderCursor; },
                             [&](const std::vector<std::wstring>&, bool) { ++dropsToProgram; });
    Held<IDataObject> data;
    ASSERT_TRUE(shellObjectForPaths({files[0], files[1]}, IID_IDataObject, data.out()));
    const POINTL point{5, 5};
    DWORD effect = DROPEFFECT_COPY;
    EXPECT_EQ(target.DragEnter(data.object, MK_LBUTTON, point, &effect), S_OK);
    EXPECT_EQ(target.dropFolder(), into);
    EXPECT_NE(effect, DWORD(DROPEFFECT_NONE)) << "the folder's own answer";
    if (!underWine()) EXPECT_EQ(effect, DWORD(DROPEFFECT_COPY));
    // Off the folder, the drag is the program's again; back on it, the folder's.
    folderUnderCursor.clear();
    effect = DROPEFFECT_COPY;
    EXPECT_EQ(target.DragOver(MK_LBUTTON, point, &effect), S_OK);
    EXPECT_EQ(target.dropFolder(), L"");
    EXPECT_EQ(effect, DWORD(DROPEFFECT_COPY));
    folderUnderCursor = into;
    effect = DROPEFFECT_COPY;
    EXPECT_EQ(target.DragOver(MK_LBUTTON, point, &effect), S_OK);
    EXPECT_EQ(target.dropFolder(), into);
    effect = DROPEFFECT_COPY;
    EXPECT_TRUE(SUCCEEDED(target.Drop(data.object, 0, point, &effect)));
    EXPECT_EQ(dropsToProgram, 0) << "the drop went to the folder";
    EXPECT_TRUE(exists(files[0]) && exists(files[1])) << "copied, not moved";
    if (underWine()) return;
    EXPECT_EQ(checksum(readFile(into + L"\\a.jpg")), checksum(content("a")));
    EXPECT_EQ(checksum(readFile(into + L"\\b.jpg")), checksum(content("b")));
}

TEST_F(ShellObjectsTest, DraggingFilesOutWithTheMouseDropsThemOnTheWindowReleasedOver) {
    Dropped dropped;
    int overs = 0;
    ExhibitDropTarget target([&](POINTL) { ++overs; return std::wstring(); }, [&](const std::vector<std::wstring>& paths, bool shift) {
        dropped.paths = paths;
        dropped.shift = shift;
        ++dropped.count;
    });
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.lpszClassName = L"GlimvueDropTest";
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    RegisterClassW(&windowClass);
    HWND window = CreateWindowExW(WS_EX_TOPMOST, L"GlimvueDropTest", L"", WS_POPUP | WS_VISIBLE, 400, 300, 200, 200, nullptr,
                                  nullptr, nullptr, nullptr);
    ASSERT_TRUE(target.registerWindow(window));
    // The window the drag starts from: the press goes to this thread, as in the program.
    HWND source = CreateWindowExW(WS_EX_TOPMOST, L"GlimvueDropTest", L"", WS_POPUP | WS_VISIBLE, 50, 50, 150, 150,
                                  nullptr, nullptr, nullptr, nullptr);
    UpdateWindow(window);
    UpdateWindow(source);

    mouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, 100, 100);
    mouse(MOUSEEVENTF_LEFTDOWN);
    // A drag starts from a press the program has seen, as in its mouse handling.
    pumpFor(200);
    std::atomic<bool> stop{false};
    std::thread hand([&] {
        // Drag over to the window in a few steps, rest there, release.
        for (int step = 1; step <= 5 && !stop; ++step) {
            Sleep(100);
            mouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, 100 + step * 80, 100 + step * 60);
        }
        Sleep(300);
        mouse(MOUSEEVENTF_LEFTUP);
    });
    DWORD effect = 12345;
    const bool droppedOut = dragOutFiles(files, effect);
    stop = true;
    hand.join();
    target.revoke();
    DestroyWindow(window);
    DestroyWindow(source);

    EXPECT_TRUE(droppedOut);
    EXPECT_GT(overs, 0) << "the window was asked for a folder while the files were over it";
    EXPECT_EQ(effect, DWORD(DROPEFFECT_COPY));
    EXPECT_EQ(dropped.count, 1);
    EXPECT_EQ(dropped.paths, files);
    EXPECT_FALSE(dropped.shift);

    // No data object for the paths: no drag at all.
    effect = 12345;
    EXPECT_FALSE(dragOutFiles({pics + L"\\missing.jpg"}, effect));
    EXPECT_EQ(effect, 0u);
}

}  // namespace
