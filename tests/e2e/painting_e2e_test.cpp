// Painting faults seen in the real program: the status bar under the background fill of an empty
// exhibit, and scrolling an image zoomed beyond what one bitmap can hold.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "command_ids.h"
#include "e2e/harness.h"

using e2e::Glimvue;

namespace {

const std::wstring kProduct = L" - Glimvue";

std::string colourText(unsigned colour) {
    char text[16];
    std::snprintf(text, sizeof text, "%06X", colour);
    return text;
}

}  // namespace

// The main window does not clip its children: a repaint of the main window alone must not paint
// the background over the status bar, which need not repaint itself afterwards.
TEST(Painting, EmptyExhibitRepaintLeavesTheStatusBarVisible) {
    e2e::TempFolder images(L"painting");
    for (const wchar_t* name : {L"x.jpg", L"y.jpg"}) images.add(name, "");  // unreadable: removed
    Glimvue program;
    const unsigned green = 0x00FF00;  // the background; as a colour reference too
    program.add(L"glimvue.ini", e2e::utf16File(L"[Window]\r\nbgcolor=65280\r\n"));
    ASSERT_TRUE(program.start(L"\"" + images.path() + L"\" -noslide -notransitions"));
    HWND window = program.waitForMainWindow();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(program.captionBecomes(images.path() + kProduct));
    const int bar = e2e::statusBarHeight(window);
    ASSERT_GT(bar, 0);
    const SIZE client = e2e::clientSize(window);
    ASSERT_GT(client.cx, 20);
    const int barY = static_cast<int>(client.cy) - bar / 2;
    EXPECT_TRUE(e2e::becomes([&] { return e2e::coloursMatch(e2e::screenColourAt(window, 5, 5), green, 2); },
                             [&] { return "above the bar " + colourText(e2e::screenColourAt(window, 5, 5)); }));

    for (int round = 0; round < 3; ++round) {
        // The main window alone, as when the status bar is not asked to repaint.
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_NOCHILDREN | RDW_UPDATENOW);
        DWORD_PTR result = 0;
        SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_BLOCK, 10000, &result);
        Sleep(300);
        for (const int x : {4, int(client.cx / 3), int(client.cx / 2), int(client.cx - 20)}) {
            const unsigned seen = e2e::screenColourAt(window, x, barY);
            EXPECT_FALSE(e2e::coloursMatch(seen, green, 8))
                << "the status bar at " << x << "," << barY << " shows the background " << colourText(seen);
        }
        EXPECT_TRUE(e2e::coloursMatch(e2e::screenColourAt(window, 5, 5), green, 2)) << "the client is filled";
    }
    ASSERT_TRUE(program.close());
}

// At a zoom whose displayed size no bitmap can hold (100 times a 400 x 200 picture, 40000 x 20000),
// the view is drawn straight from the image, and so is every scrolled view.
TEST(Painting, ScrollingAnImageTooLargeForABitmapShowsThePicture) {
    const unsigned red = 0xCC2020, blue = 0x2020CC;
    e2e::TempFolder images(L"painting");
    const std::string jpeg = e2e::jpegBytes(400, 200, red, blue, 0);
    ASSERT_FALSE(jpeg.empty());
    images.add(L"a.jpg", jpeg);
    Glimvue program;
    ASSERT_TRUE(program.start(L"\"" + images.path() + L"\" -noslide -notransitions -fullscreen -noscreenname -z10000"));
    HWND window = program.waitForMainWindow();
    ASSERT_NE(window, nullptr);
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    auto shows = [&](int x, unsigned colour) {
        return e2e::becomes([&] { return e2e::coloursMatch(e2e::screenColourAt(window, x, h / 2), colour, 24); },
                            [&] { return "at " + std::to_string(x) + ": " + colourText(e2e::screenColourAt(window, x, h / 2)); },
                            15000);
    };
    // Centred: the boundary between the halves runs down the middle of the screen. (The decoder
    // blends colours across a source pixel or two, 100 to 200 screen pixels at this zoom.)
    int boundary = w / 2;
    EXPECT_TRUE(shows(boundary - 400, red));
    EXPECT_TRUE(shows(boundary + 400, blue));

    // Three steps of 100 pixels to the right: the boundary moves 300 pixels to the left.
    for (int step = 0; step < 3; ++step) program.postCommand(CMD_SCROLL_RIGHT);
    boundary -= 300;
    EXPECT_TRUE(shows(boundary - 300, red));
    EXPECT_TRUE(shows(boundary + 300, blue));
    EXPECT_TRUE(shows(boundary + 600, blue));
    // And back again, past the start.
    for (int step = 0; step < 6; ++step) program.postCommand(CMD_SCROLL_LEFT);
    boundary += 600;
    EXPECT_TRUE(shows(boundary - 300, red));
    EXPECT_TRUE(shows(boundary - 600, red));
    EXPECT_TRUE(shows(boundary + 300, blue));
    ASSERT_TRUE(program.close());
}
