// Dragging with the real mouse between the real program and another program (this test): the
// current file dragged out with Ctrl+left drag, copied or moved away by the drop site, and a file
// dragged in from outside shown by the program.
#include <windows.h>
#include <ole2.h>
#include <shellapi.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "e2e/drag_support.h"
#include "e2e/harness.h"
#include "text.h"

using e2e::Glimvue;
using namespace e2e;

namespace {

const std::wstring kProduct = L" - Glimvue";

struct Dragging : ::testing::Test {
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr))); }
    void TearDown() override { OleUninitialize(); }
};

// Ctrl+left drag from the program's picture to the drop site, in the steps of a hand.
void dragOutByHand(POINT from, POINT to, const std::atomic<bool>& stop) {
    mouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, from.x, from.y);
    Sleep(200);
    key(VK_CONTROL, true);
    Sleep(100);
    mouse(MOUSEEVENTF_LEFTDOWN);
    for (int step = 1; step <= 10 && !stop; ++step) {
        Sleep(80);
        mouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, from.x + (to.x - from.x) * step / 10,
              from.y + (to.y - from.y) * step / 10);
    }
    Sleep(400);
    mouse(MOUSEEVENTF_LEFTUP);
    Sleep(100);
    key(VK_CONTROL, false);
}

}  // namespace

TEST_F(Dragging, CtrlDragCarriesTheCurrentFileOutCopiedOrMovedAway) {
    e2e::TempFolder pictures(L"dragout"), site(L"dragout-site");
    pictures.addBmp(L"a.bmp", 160, 120, 0x3366CC);
    pictures.addBmp(L"b.bmp", 160, 120, 0xCC6633);
    const std::string bytes = e2e::readBytes(pictures.file(L"a.bmp"));
    Glimvue program;
    ASSERT_TRUE(program.start(L"\"" + pictures.path() + L"\" -noslide -notransitions"));
    ASSERT_NE(program.waitForMainWindow(), nullptr);
    ASSERT_TRUE(e2e::waitFor([&] { return program.caption() == pictures.file(L"a.bmp") + kProduct; }));

    for (const DWORD effect : {DWORD(DROPEFFECT_COPY), DWORD(DROPEFFECT_MOVE)}) {
        SCOPED_TRACE(effect == DROPEFFECT_COPY ? "copied" : "moved");
        FolderWindowTarget target(site.path(), effect);
        OtherProgramWindow other(&target);
        Sleep(200);
        POINT to = centreOf(other.window);
        std::atomic<bool> stop{false};
        std::thread hand(dragOutByHand, centreOf(program.mainWindow()), to, std::cref(stop));
        const bool dropped = pumpUntil([&] { return target.dropped.load(); }, 15000);
        stop = true;
        hand.join();
        pumpUntil([] { return false; }, 300);
        ASSERT_TRUE(dropped) << "nothing was dropped on the other program";
        EXPECT_EQ(target.paths, std::vector<std::wstring>{pictures.file(L"a.bmp")});
        EXPECT_EQ(target.offered & (DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK),
                  DWORD(DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK));
        EXPECT_EQ(e2e::readBytes(site.file(L"a.bmp")), bytes);
        if (effect == DROPEFFECT_COPY) {
            EXPECT_EQ(e2e::readBytes(pictures.file(L"a.bmp")), bytes);
            EXPECT_TRUE(e2e::waitFor([&] { return program.caption() == pictures.file(L"a.bmp") + kProduct; }));
            DeleteFileW(site.file(L"a.bmp").c_str());
        } else {
            EXPECT_EQ(GetFileAttributesW(pictures.file(L"a.bmp").c_str()), INVALID_FILE_ATTRIBUTES);
            // The file left the folder: its entry went, the next picture shows.
            EXPECT_TRUE(e2e::waitFor([&] { return program.caption() == pictures.file(L"b.bmp") + kProduct; }))
                << toUtf8(program.caption());
        }
    }
}

TEST_F(Dragging, AFileDraggedInFromAnotherProgramIsShown) {
    e2e::TempFolder pictures(L"dragin"), other(L"dragin-other");
    pictures.addBmp(L"a.bmp", 160, 120, 0x3366CC);
    other.addBmp(L"x.bmp", 100, 80, 0x33CC66);
    other.addBmp(L"y.bmp", 100, 80, 0x66CC33);
    Glimvue program;
    ASSERT_TRUE(program.start(L"\"" + pictures.path() + L"\" -noslide -notransitions"));
    ASSERT_NE(program.waitForMainWindow(), nullptr);
    ASSERT_TRUE(e2e::waitFor([&] { return program.caption() == pictures.file(L"a.bmp") + kProduct; }));

    IDataObject* data = dataObjectFor(other.path(), L"y.bmp");
    ASSERT_NE(data, nullptr);
    OtherProgramWindow source(nullptr);
    const POINT from = centreOf(source.window), to = centreOf(program.mainWindow());
    mouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, from.x, from.y);
    mouse(MOUSEEVENTF_LEFTDOWN);
    pumpUntil([] { return false; }, 200);
    std::atomic<bool> stop{false};
    std::thread hand([&] {
        for (int step = 1; step <= 10 && !stop; ++step) {
            Sleep(80);
            mouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, from.x + (to.x - from.x) * step / 10,
                  from.y + (to.y - from.y) * step / 10);
        }
        Sleep(400);
        mouse(MOUSEEVENTF_LEFTUP);
    });
    HandDropSource dropSource;
    DWORD effect = 0;
    const HRESULT result = DoDragDrop(data, &dropSource, DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK, &effect);
    stop = true;
    hand.join();
    data->Release();
    EXPECT_EQ(result, DRAGDROP_S_DROP);
    EXPECT_EQ(effect, DWORD(DROPEFFECT_COPY)) << "the program opens files, it does not take them";
    // One file dropped: its folder becomes the exhibit, starting at that file.
    EXPECT_TRUE(e2e::waitFor([&] { return program.caption() == other.file(L"y.bmp") + kProduct; }))
        << toUtf8(program.caption());
    EXPECT_EQ(e2e::readBytes(other.file(L"y.bmp")).empty(), false);
}
