// The real program on the desktop: wallpaper mode and the wallpaper commands on the real registry,
// a new instance closing the others, and Copy View then Paste checked pixel for pixel. (The tray
// icon, the hotkey and the details of each of these are tested on their modules in tests/win.)
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "command_ids.h"
#include "e2e/harness.h"
#include "text.h"
#include "win/win_test_support.h"

using e2e::Glimvue;
using ::testing::AssertionResult;

namespace {

using wintest::DesktopValuesKept;

const std::wstring kQuiet = L" -noslide -notransitions";

std::wstring quoted(const std::wstring& path) { return L"\"" + path + L"\""; }

AssertionResult valueIs(const wchar_t* name, const std::wstring& want) {
    auto now = [name] { return DesktopValuesKept::read(name).value_or(L"<none>"); };
    return e2e::becomes([&] { return now() == want; },
                        [&] { return toUtf8(name) + " is " + toUtf8(now()) + ", expected " + toUtf8(want); }, 10000);
}

// The bitmap on the clipboard, 0xRRGGBB row by row (none: width 0). The program may hold the
// clipboard for a moment.
struct Pixels {
    int width = 0, height = 0;
    std::vector<uint32_t> rgb;
    unsigned at(int x, int y) const { return rgb[static_cast<size_t>(y) * static_cast<size_t>(width) + x]; }
};
Pixels clipboardPixels() {
    Pixels pixels;
    e2e::waitFor([] { return OpenClipboard(nullptr) != FALSE; }, 5000);
    if (HBITMAP bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP)))
        pixels.rgb = wintest::bitmapPixels(bitmap, pixels.width, pixels.height);
    CloseClipboard();
    return pixels;
}

// A 24-bit BMP whose every pixel differs from its neighbours: red follows x, green follows y, blue
// the 256-pixel block, so any shift or scaling shows.
unsigned patternAt(int x, int y) {
    return (static_cast<unsigned>(x & 255) << 16) | (static_cast<unsigned>(y & 255) << 8) |
           static_cast<unsigned>(((x >> 8) * 40 + (y >> 8) * 90) & 255);
}
std::string patternBmp(int width, int height) {
    std::string bytes = e2e::bmpBytes(width, height, 0);  // bottom-up rows after a 54-byte header
    const size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~size_t(3);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const unsigned c = patternAt(x, y);
            char* pixel = &bytes[54 + static_cast<size_t>(height - 1 - y) * stride + static_cast<size_t>(x) * 3];
            pixel[0] = static_cast<char>(c & 0xFF), pixel[1] = static_cast<char>((c >> 8) & 0xFF);
            pixel[2] = static_cast<char>((c >> 16) & 0xFF);
        }
    return bytes;
}

// Whether the window shows `pixels` at its client's top left, on a grid of sample points.
AssertionResult screenShows(HWND window, const Pixels& pixels, int tolerance = 2) {
    std::string mismatch;
    const bool same = e2e::waitFor(
        [&] {
            for (int sy = 0; sy < 9; ++sy)
                for (int sx = 0; sx < 9; ++sx) {
                    const int x = (pixels.width - 1) * sx / 8, y = (pixels.height - 1) * sy / 8;
                    const unsigned seen = e2e::screenColourAt(window, x, y);
                    if (!e2e::coloursMatch(seen, pixels.at(x, y), tolerance)) {
                        mismatch = "at " + std::to_string(x) + "," + std::to_string(y) + " the screen shows " +
                                   std::to_string(seen) + ", expected " + std::to_string(pixels.at(x, y));
                        return false;
                    }
                }
            return true;
        },
        5000, 100);
    return same ? ::testing::AssertionSuccess() : ::testing::AssertionFailure() << mismatch;
}

}  // namespace

// Wallpaper mode renders the picture at the screen's size and records the user's wallpaper; Clear
// and Restore act on the registry (the details, and a second entry, are tested on the module).
TEST(Wallpaper, ModeRendersTheScreenSizeAndClearRestoreActOnTheRegistry) {
    const DesktopValuesKept kept;
    const std::wstring mine = L"C:\\users\\someone\\mine.bmp";
    DesktopValuesKept::write(L"Wallpaper", mine);
    DesktopValuesKept::write(L"TileWallpaper", L"1");
    DesktopValuesKept::remove(L"PrevWallpaper");
    DesktopValuesKept::remove(L"PrevTileWallpaper");

    // A picture of the screen's proportions, a quarter of its size, one colour; stretched to fit.
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN);
    e2e::TempFolder pictures(L"wall");
    pictures.addBmp(L"a.bmp", screenWidth / 4, screenHeight / 4, 0x3060C0);
    const wintest::Imaging imaging;

    Glimvue program;
    const std::wstring rendered = program.file(L"glimpaper.jpg");
    ASSERT_TRUE(program.start(quoted(pictures.path()) + L" -wallpaper -stretch" + kQuiet));
    HWND main = program.waitForAnyMainWindow();
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(e2e::becomes([&] { return wintest::decodeInfo(rendered).has_value(); },
                             [] { return std::string("no readable glimpaper.jpg"); }));
    const wintest::ImageInfo wallpaper = *wintest::decodeInfo(rendered);
    EXPECT_EQ(wallpaper.width, screenWidth);
    EXPECT_EQ(wallpaper.height, screenHeight);
    EXPECT_TRUE(e2e::coloursMatch(wallpaper.centre & 0xFFFFFF, 0x3060C0, 8));
    EXPECT_FALSE(IsWindowVisible(main)) << "wallpaper mode keeps the window hidden";
    EXPECT_TRUE(valueIs(L"Wallpaper", rendered));
    EXPECT_TRUE(valueIs(L"PrevWallpaper", mine));
    EXPECT_TRUE(valueIs(L"PrevTileWallpaper", L"1"));

    program.postCommand(CMD_WALL_CLEAR);
    EXPECT_TRUE(valueIs(L"Wallpaper", L""));
    EXPECT_TRUE(valueIs(L"PrevWallpaper", rendered));
    program.postCommand(CMD_WALL_RESTORE);
    EXPECT_TRUE(valueIs(L"Wallpaper", rendered));
    ASSERT_TRUE(program.close());
}

TEST(Instances, SingleInstanceClosesTheOthers) {
    e2e::TempFolder pictures(L"single");
    pictures.addBmp(L"a.bmp", 120, 90, 0x208040);
    const std::wstring arguments = quoted(pictures.path()) + kQuiet;
    Glimvue first, second;
    ASSERT_TRUE(first.start(arguments));
    ASSERT_NE(first.waitForMainWindow(), nullptr);
    ASSERT_TRUE(second.start(arguments + L" -single"));
    ASSERT_NE(second.waitForMainWindow(), nullptr);
    EXPECT_TRUE(first.waitForExit());
    EXPECT_EQ(first.exitCode(), 0u);
    EXPECT_FALSE(second.waitForExit(1000)) << "the new instance runs on";
    EXPECT_TRUE(second.close());
}

// Copy View takes exactly what the client shows of a zoomed picture, and Paste shows it again at the
// top left of the same client.
TEST(Clipboard, CopyViewThenPasteShowsExactlyTheView) {
    e2e::TempFolder pictures(L"clip");
    pictures.add(L"pattern.bmp", patternBmp(3200, 2400));
    Glimvue program;
    ASSERT_TRUE(program.start(quoted(pictures.path()) + L" -nowrap -z50 -nostatusbar" + kQuiet));
    HWND main = program.waitForMainWindow();
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(e2e::becomes([&] { return program.caption().find(pictures.file(L"pattern.bmp")) == 0; },
                             [&] { return "caption " + toUtf8(program.caption()); }));

    // The picture is shown at 1600 x 1200, larger than the client.
    program.postCommand(CMD_COPY_VIEW);
    Pixels viewCopy;
    ASSERT_TRUE(e2e::becomes([&] { return (viewCopy = clipboardPixels()).width != 0; },
                             [] { return std::string("no bitmap after Copy View"); }));
    const SIZE client = e2e::clientSize(main);
    EXPECT_EQ(viewCopy.width, std::min<int>(client.cx, 1600));
    EXPECT_EQ(viewCopy.height, std::min<int>(client.cy, 1200));
    EXPECT_TRUE(screenShows(main, viewCopy));

    program.postCommand(CMD_PASTE);
    EXPECT_TRUE(e2e::becomes([&] { return program.caption().find(L"Clipboard_Image") == 0; },
                             [&] { return "caption " + toUtf8(program.caption()); }));
    EXPECT_TRUE(screenShows(main, viewCopy));
    EXPECT_TRUE(program.close());
}
