// The real program on a 144-DPI screen (LogPixels 144 in the test prefix while it starts): the
// interface scales, the picture stays one picture pixel per device pixel, also after the window
// is told that its monitor's DPI changed.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "command_ids.h"
#include "e2e/harness.h"

using e2e::Glimvue;

namespace {

// LogPixels of the test prefix, for the programs started while it lives; then put back.
struct LogPixels {
    static constexpr const wchar_t* kKey = L"Control Panel\\Desktop";
    explicit LogPixels(DWORD dpi) : set(write(dpi)) {}
    ~LogPixels() { had ? write(before) : RegDeleteKeyValueW(HKEY_CURRENT_USER, kKey, L"LogPixels"); }
    static bool write(DWORD dpi) {
        return RegSetKeyValueW(HKEY_CURRENT_USER, kKey, L"LogPixels", REG_DWORD, &dpi, sizeof dpi) == ERROR_SUCCESS;
    }
    DWORD before = 0, size = sizeof before;
    const bool had = RegGetValueW(HKEY_CURRENT_USER, kKey, L"LogPixels", RRF_RT_REG_DWORD, nullptr, &before, &size) ==
                     ERROR_SUCCESS;
    const bool set;
};

// The right edges of the parts of the status bar of `window`.
std::vector<int> statusEdges(const Glimvue& program, HWND window) {
    int edges[16] = {};
    const auto count = program.sendWithBuffer(e2e::statusBarOf(window), SB_GETPARTS, 16, edges, sizeof edges);
    return std::vector<int>(edges, edges + std::max<LRESULT>(0, std::min<LRESULT>(count, 16)));
}

}  // namespace

TEST(HighDpi, InterfaceScalesAndThePictureStaysOnePixelPerPixel) {
    const unsigned blue = 0x3366CC;
    e2e::TempFolder images(L"dpi");
    images.addBmp(L"a.bmp", 700, 200, blue);
    Glimvue program;
    program.add(L"glimvue.ini", e2e::utf16File(L"[Window]\r\nbgcolor=65280\r\n"));  // green around the picture
    const LogPixels screen(144);
    ASSERT_TRUE(screen.set);
    ASSERT_TRUE(program.start(e2e::quoted(images.path()) + L" -noslide -notransitions"));
    HWND window = program.waitForMainWindow();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(program.captionBecomes(images.file(L"a.bmp") + L" - Glimvue"));

    // The status bar's parts (70, 160, ... 440 at 96 DPI) are half as wide again.
    EXPECT_EQ(statusEdges(program, window), (std::vector<int>{105, 240, 300, 390, 540, 615, 660}));
    const int bar = e2e::statusBarHeight(window);
    EXPECT_GT(bar, 0);
    // At 100 % the window wraps the picture and it covers exactly 700 x 200 device pixels.
    EXPECT_EQ(program.statusText(2), L"\t100%");
    EXPECT_EQ(e2e::clientSize(window).cx, 700);
    EXPECT_EQ(e2e::clientSize(window).cy, 200 + bar);
    // Device pixels of the picture's colour along client row 100 and down the client's middle.
    auto extent = [&] {
        RECT c{};
        GetClientRect(window, &c);
        MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&c), 2);
        auto count = [&](const RECT& line) {
            int n = 0;
            for (unsigned pixel : e2e::screenPixels(line)) n += e2e::coloursMatch(pixel, blue, 2);
            return n;
        };
        const int x = (c.left + c.right) / 2;
        return std::pair{count({c.left, c.top + 100, c.right, c.top + 101}), count({x, c.top, x + 1, c.bottom})};
    };
    auto pictureCoversItsSize = [&] {
        return e2e::becomes([&] { return extent() == std::pair{700, 200}; }, [&] {
            return "picture " + std::to_string(extent().first) + "x" + std::to_string(extent().second);
        });
    };
    EXPECT_TRUE(pictureCoversItsSize());

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
    EXPECT_TRUE(pictureCoversItsSize());

    // The Catalog, at 144 DPI: its parts scale, and so do its cells (thumbsize 100 is 150 pixels).
    program.postCommand(CMD_CATALOG);
    HWND catalog = program.waitForCatalog();
    ASSERT_NE(catalog, nullptr);
    EXPECT_EQ(statusEdges(program, catalog), (std::vector<int>{30, 180, -1}));
    HWND list = FindWindowExW(catalog, nullptr, WC_LISTVIEWW, nullptr);
    EXPECT_GE(LOWORD(SendMessageW(list, LVM_GETITEMSPACING, FALSE, 0)), 150);
    ASSERT_TRUE(program.close());
}
