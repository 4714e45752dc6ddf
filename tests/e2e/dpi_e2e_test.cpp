// The real program on a 144-DPI screen (LogPixels 144 in the test prefix while it starts): the
// interface scales, the picture stays one picture pixel per device pixel, also after the window
// is told that its monitor's DPI changed.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "command_ids.h"
#include "e2e/harness.h"
#include "text.h"
#include "win_handles.h"

using e2e::Glimvue;

namespace {

// The screen's DPI for the processes started while it lives; the value before is put back.
class LogPixels {
public:
    explicit LogPixels(DWORD dpi) {
        HKEY key = nullptr;
        RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                        nullptr, &key, nullptr);
        key_.reset(key);
        DWORD size = sizeof(before_);
        hadValue_ = RegQueryValueExW(key_.get(), L"LogPixels", nullptr, nullptr, reinterpret_cast<BYTE*>(&before_), &size) ==
                    ERROR_SUCCESS;
        set_ = RegSetValueExW(key_.get(), L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi), sizeof(dpi)) ==
               ERROR_SUCCESS;
    }
    ~LogPixels() {
        if (hadValue_)
            RegSetValueExW(key_.get(), L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&before_), sizeof(before_));
        else
            RegDeleteValueW(key_.get(), L"LogPixels");
    }
    bool set() const { return set_; }

private:
    RegistryKey key_;
    DWORD before_ = 0;
    bool hadValue_ = false, set_ = false;
};

// The right edges of the parts of the status bar of `window`.
std::vector<int> statusEdges(const Glimvue& program, HWND window) {
    int edges[16] = {};
    const auto count = program.sendWithBuffer(e2e::statusBarOf(window), SB_GETPARTS, 16, edges, sizeof edges);
    return std::vector<int>(edges, edges + std::max<LRESULT>(0, std::min<LRESULT>(count, 16)));
}

// Device pixels of `colour` in the client row y and in the client column x.
SIZE colourExtent(HWND window, int x, int y, unsigned colour) {
    RECT client{};
    GetClientRect(window, &client);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
    SIZE extent{};
    for (unsigned pixel : e2e::screenPixels({client.left, client.top + y, client.right, client.top + y + 1}))
        extent.cx += e2e::coloursMatch(pixel, colour, 2);
    for (unsigned pixel : e2e::screenPixels({client.left + x, client.top, client.left + x + 1, client.bottom}))
        extent.cy += e2e::coloursMatch(pixel, colour, 2);
    return extent;
}

}  // namespace

TEST(HighDpi, InterfaceScalesAndThePictureStaysOnePixelPerPixel) {
    const unsigned blue = 0x3366CC;
    e2e::TempFolder images(L"dpi");
    images.addBmp(L"a.bmp", 700, 200, blue);
    Glimvue program;
    program.add(L"glimvue.ini", e2e::utf16File(L"[Window]\r\nbgcolor=65280\r\n"));  // green around the picture
    HWND window = nullptr;
    {
        const LogPixels screen(144);
        ASSERT_TRUE(screen.set());
        ASSERT_TRUE(program.start(e2e::quoted(images.path()) + L" -noslide -notransitions"));
        window = program.waitForMainWindow();
    }
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(program.captionBecomes(images.file(L"a.bmp") + L" - Glimvue"));

    // The status bar's parts (70, 160, ... 440 at 96 DPI) are half as wide again.
    EXPECT_EQ(statusEdges(program, window), (std::vector<int>{105, 240, 300, 390, 540, 615, 660}));
    const int bar = e2e::statusBarHeight(window);
    EXPECT_GT(bar, 0);
    // At 100 % the window wraps the picture and it covers exactly 700 x 200 device pixels.
    EXPECT_EQ(program.statusText(2), L"\t100%");
    const SIZE client = e2e::clientSize(window);
    EXPECT_EQ(client.cx, 700);
    EXPECT_EQ(client.cy, 200 + bar);
    auto extent = [&] { return colourExtent(window, e2e::clientSize(window).cx / 2, 100, blue); };
    EXPECT_TRUE(e2e::becomes([&] { const SIZE s = extent(); return s.cx == 700 && s.cy == 200; },
                             [&] { const SIZE s = extent(); return "picture " + std::to_string(s.cx) + "x" + std::to_string(s.cy); }));

    // The window moves to a 192-DPI monitor (Wine never sends this itself): the interface follows,
    // the zoom stays. The window is wrapped again, now as wide as the status bar needs (at least
    // 880), with the picture centred in it at its own size.
    RECT suggested{};
    GetWindowRect(window, &suggested);
    program.sendWithBuffer(window, WM_DPICHANGED, MAKEWPARAM(192, 192), &suggested, sizeof suggested);
    EXPECT_EQ(statusEdges(program, window), (std::vector<int>{140, 320, 400, 520, 720, 820, 880}));
    EXPECT_GE(e2e::statusBarHeight(window), bar);
    EXPECT_GE(e2e::clientSize(window).cx, 880);
    EXPECT_EQ(program.statusText(2), L"\t100%");
    EXPECT_TRUE(e2e::becomes([&] { const SIZE s = extent(); return s.cx == 700 && s.cy == 200; },
                             [&] { const SIZE s = extent(); return "picture " + std::to_string(s.cx) + "x" + std::to_string(s.cy); }));

    // The Catalog, at 144 DPI: its parts scale, and so do its cells (thumbsize 100 is 150 pixels).
    program.postCommand(CMD_CATALOG);
    HWND catalog = program.waitForCatalog();
    ASSERT_NE(catalog, nullptr);
    EXPECT_EQ(statusEdges(program, catalog), (std::vector<int>{30, 180, -1}));
    HWND list = FindWindowExW(catalog, nullptr, WC_LISTVIEWW, nullptr);
    EXPECT_GE(LOWORD(SendMessageW(list, LVM_GETITEMSPACING, FALSE, 0)), 150);
    ASSERT_TRUE(program.close());
}
