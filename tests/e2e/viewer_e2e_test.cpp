// The real program showing pictures: the caption while stepping through an exhibit, the window
// sized to the picture, the picture's colours on the screen, zoom, full screen, Exif orientation,
// unreadable images, and the slideshow's count-down and end of pass.
#include <windows.h>

#include <gtest/gtest.h>

#include "command_ids.h"
#include "e2e/harness.h"

using e2e::Glimvue;

namespace {

const std::wstring kProduct = L" - Glimvue";
const std::wstring kQuiet = L" -noslide -notransitions";

std::wstring quoted(const std::wstring& path) { return L"\"" + path + L"\""; }

// A temporary folder of images, removed at the end of the test.
class ImageFolder {
public:
    ImageFolder() : path_(e2e::makeTempFolder(L"viewer")) {}
    ~ImageFolder() { e2e::removeTree(path_); }
    ImageFolder(const ImageFolder&) = delete;
    ImageFolder& operator=(const ImageFolder&) = delete;

    const std::wstring& path() const { return path_; }
    std::wstring file(const std::wstring& name) const { return path_ + L"\\" + name; }
    void add(const std::wstring& name, const std::string& bytes) const { e2e::writeBytes(file(name), bytes); }
    void addBmp(const std::wstring& name, int width, int height, unsigned colour) const {
        add(name, e2e::bmpBytes(width, height, colour));
    }

private:
    std::wstring path_;
};

// Waits for the caption to read `expected`; on failure the message shows what it read instead.
::testing::AssertionResult captionBecomes(const Glimvue& program, const std::wstring& expected, int timeoutMs = 10000) {
    if (e2e::waitFor([&] { return program.caption() == expected; }, timeoutMs))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "caption \"" << e2e::toNarrow(program.caption()) << "\", expected \""
                                         << e2e::toNarrow(expected) << "\"";
}

::testing::AssertionResult clientBecomes(HWND window, int width, int height, int timeoutMs = 5000) {
    if (e2e::waitFor([&] {
            const SIZE size = e2e::clientSize(window);
            return size.cx == width && size.cy == height;
        }, timeoutMs))
        return ::testing::AssertionSuccess();
    const SIZE size = e2e::clientSize(window);
    return ::testing::AssertionFailure() << "client " << size.cx << " x " << size.cy << ", expected " << width << " x "
                                         << height;
}

::testing::AssertionResult colourBecomes(HWND window, int x, int y, unsigned expected, int tolerance,
                                         int timeoutMs = 5000) {
    if (e2e::waitFor([&] { return e2e::coloursMatch(e2e::screenColourAt(window, x, y), expected, tolerance); },
                     timeoutMs))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << std::hex << "colour 0x" << e2e::screenColourAt(window, x, y) << " at ("
                                         << std::dec << x << ", " << y << "), expected 0x" << std::hex << expected;
}

::testing::AssertionResult statusBecomes(const Glimvue& program, int part, const std::wstring& expected,
                                         int timeoutMs = 5000) {
    if (e2e::waitFor([&] { return program.statusText(part) == expected; }, timeoutMs))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "status part " << part << " \"" << e2e::toNarrow(program.statusText(part))
                                         << "\", expected \"" << e2e::toNarrow(expected) << "\"";
}

RECT windowRect(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return r;
}

bool sameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

}  // namespace

TEST(Viewer, CaptionFollowsNextAndPreviousAndWrapsBothWays) {
    ImageFolder images;
    images.addBmp(L"a.bmp", 200, 150, 0x3366CC);
    images.addBmp(L"b.bmp", 180, 120, 0xCC6633);
    images.addBmp(L"c.bmp", 160, 140, 0x33CC66);
    for (const bool shortName : {false, true}) {
        SCOPED_TRACE(shortName ? "-shortname" : "full path");
        auto caption = [&](const wchar_t* name) {
            return (shortName ? std::wstring(name) : images.file(std::wstring(name) + L".bmp")) + kProduct;
        };
        Glimvue program;
        ASSERT_TRUE(program.start(quoted(images.path()) + kQuiet + (shortName ? L" -shortname" : L"")));
        ASSERT_NE(program.waitForMainWindow(), nullptr);
        ASSERT_TRUE(captionBecomes(program, caption(L"a")));
        // Previous from the first entry wraps to the last; Next from the last wraps to the first.
        const std::pair<int, const wchar_t*> steps[] = {
            {CMD_PREVIOUS, L"c"}, {CMD_PREVIOUS, L"b"}, {CMD_NEXT, L"c"}, {CMD_NEXT, L"a"}, {CMD_NEXT, L"b"}};
        for (const auto& [command, name] : steps) {
            program.postCommand(command);
            ASSERT_TRUE(captionBecomes(program, caption(name)));
        }
        ASSERT_TRUE(program.close());
        EXPECT_EQ(program.exitCode(), 0u);
    }
}

TEST(Viewer, WindowWrapsThePictureShowsItAndFollowsZoom) {
    ImageFolder images;
    images.addBmp(L"a.bmp", 200, 150, 0x3366CC);
    images.addBmp(L"b.bmp", 240, 180, 0xCC6633);
    images.addBmp(L"c.bmp", 2000, 1500, 0x33CC66);
    Glimvue program;
    ASSERT_TRUE(program.start(quoted(images.path()) + kQuiet));
    HWND window = program.waitForMainWindow();
    ASSERT_NE(window, nullptr);
    const std::wstring captionA = images.file(L"a.bmp") + kProduct;
    ASSERT_TRUE(captionBecomes(program, captionA));
    const int bar = e2e::statusBarHeight(window);
    ASSERT_GT(bar, 0) << "the status bar is on by default";

    EXPECT_TRUE(clientBecomes(window, 200, 150 + bar));
    EXPECT_TRUE(colourBecomes(window, 100, 75, 0x3366CC, 2));
    EXPECT_TRUE(colourBecomes(window, 2, 2, 0x3366CC, 2)) << "the picture fills the client area";
    EXPECT_TRUE(statusBecomes(program, 1, L"\t200x150x24"));
    EXPECT_TRUE(statusBecomes(program, 2, L"\t100%"));
    EXPECT_TRUE(statusBecomes(program, 5, L"\t!")) << "the slideshow is off";

    // One zoom step is 10 %: the caption names the zoomed size and the window grows with it.
    program.postCommand(CMD_ZOOM_IN);
    EXPECT_TRUE(captionBecomes(program, captionA + L" (Zoom: 220 x 165)"));
    EXPECT_TRUE(clientBecomes(window, 220, 165 + bar));
    EXPECT_TRUE(statusBecomes(program, 2, L"\t110%"));
    EXPECT_TRUE(colourBecomes(window, 215, 160, 0x3366CC, 2));
    program.postCommand(CMD_ZOOM_100);
    EXPECT_TRUE(captionBecomes(program, captionA));
    EXPECT_TRUE(clientBecomes(window, 200, 150 + bar));

    // The next picture resizes the window and is painted.
    program.postCommand(CMD_NEXT);
    EXPECT_TRUE(captionBecomes(program, images.file(L"b.bmp") + kProduct));
    EXPECT_TRUE(clientBecomes(window, 240, 180 + bar));
    EXPECT_TRUE(colourBecomes(window, 120, 90, 0xCC6633, 2));
    EXPECT_TRUE(statusBecomes(program, 4, L"\t2/3"));

    // A picture larger than the screen is shrunk, keeping its shape, into a window that stays inside
    // the work area; the caption names the shrunk size, which is the client area above the status bar.
    program.postCommand(CMD_NEXT);
    const std::wstring captionC = images.file(L"c.bmp") + kProduct + L" (Zoom: ";
    ASSERT_TRUE(e2e::waitFor([&] { return program.caption().rfind(captionC, 0) == 0; }))
        << e2e::toNarrow(program.caption());
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_TRUE(e2e::waitFor([&] {
        const RECT r = windowRect(window);
        return r.left >= work.left && r.top >= work.top && r.right <= work.right && r.bottom <= work.bottom;
    }, 5000));
    const SIZE client = e2e::clientSize(window);
    const int shownWidth = client.cx, shownHeight = client.cy - bar;
    EXPECT_EQ(program.caption(), captionC + std::to_wstring(shownWidth) + L" x " + std::to_wstring(shownHeight) + L")");
    EXPECT_LT(shownWidth, 2000);
    EXPECT_NEAR(shownWidth * 3, shownHeight * 4, 4) << shownWidth << " x " << shownHeight;
    EXPECT_TRUE(statusBecomes(program, 2, L"\t" + std::to_wstring(shownWidth * 100 / 2000) + L"%"));
    EXPECT_TRUE(colourBecomes(window, shownWidth - 3, shownHeight - 3, 0x33CC66, 2));
    ASSERT_TRUE(program.close());
}

TEST(Viewer, FullScreenCoversTheScreenAndReturnsToTheWindow) {
    ImageFolder images;
    images.addBmp(L"a.bmp", 200, 150, 0x3366CC);
    Glimvue program;
    ASSERT_TRUE(program.start(quoted(images.path()) + kQuiet));
    HWND window = program.waitForMainWindow();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(captionBecomes(program, images.file(L"a.bmp") + kProduct));
    const int bar = e2e::statusBarHeight(window);
    ASSERT_TRUE(clientBecomes(window, 200, 150 + bar));
    const RECT before = windowRect(window);

    const int screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN);
    program.postCommand(CMD_FULLSCREEN);
    const RECT screen{0, 0, screenWidth, screenHeight};
    // Hiding and showing the window around the style change can take a second or two under Wine.
    ASSERT_TRUE(e2e::waitFor([&] { return sameRect(windowRect(window), screen); }, 10000))
        << "window " << windowRect(window).left << "," << windowRect(window).top << "," << windowRect(window).right
        << "," << windowRect(window).bottom;
    EXPECT_TRUE(clientBecomes(window, screenWidth, screenHeight)) << "no frame in full screen";
    EXPECT_EQ(e2e::statusBarOf(window), nullptr) << "no status bar in full screen";
    // The picture is centred on the screen.
    EXPECT_TRUE(colourBecomes(window, screenWidth / 2, screenHeight / 2, 0x3366CC, 2));
    EXPECT_TRUE(colourBecomes(window, screenWidth / 2 - 95, screenHeight / 2 - 70, 0x3366CC, 2));
    EXPECT_FALSE(e2e::coloursMatch(e2e::screenColourAt(window, 5, 5), 0x3366CC, 2)) << "background around it";

    program.postCommand(CMD_FULLSCREEN);
    EXPECT_TRUE(e2e::waitFor([&] { return sameRect(windowRect(window), before); }, 10000))
        << "window " << windowRect(window).left << "," << windowRect(window).top << "," << windowRect(window).right
        << "," << windowRect(window).bottom << " expected " << before.left << "," << before.top << "," << before.right
        << "," << before.bottom;
    EXPECT_TRUE(e2e::waitFor([&] { return e2e::statusBarOf(window) != nullptr; }, 5000));
    EXPECT_TRUE(clientBecomes(window, 200, 150 + bar));
    EXPECT_TRUE(colourBecomes(window, 100, 75, 0x3366CC, 2));
    ASSERT_TRUE(program.close());
}

TEST(Viewer, ExifOrientationSixIsShownUprightUnlessTurnedOff) {
    ImageFolder images;
    // Stored 240 x 160, left half red, right half blue; orientation 6 turns it a quarter clockwise,
    // so upright it is 160 x 240 with red on top.
    const unsigned red = 0xCC2020, blue = 0x2020CC;
    const std::string jpeg = e2e::jpegBytes(240, 160, red, blue, 6);
    ASSERT_FALSE(jpeg.empty()) << "the imaging library could not encode a JPEG";
    images.add(L"a.jpg", jpeg);
    const bool orientationReadable = e2e::imagingOrientation(images.file(L"a.jpg")) == 6;

    // As stored first: this also shows that a JPEG is decoded and drawn the right way round.
    for (const bool upright : {false, true}) {
        SCOPED_TRACE(upright ? "Exif orientation on" : "-noexiforient");
        if (upright && !orientationReadable)
            GTEST_SKIP() << "this platform's imaging library does not report the Exif orientation of a JPEG";
        Glimvue program;
        ASSERT_TRUE(program.start(quoted(images.path()) + kQuiet + (upright ? L"" : L" -noexiforient")));
        HWND window = program.waitForMainWindow();
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(captionBecomes(program, images.file(L"a.jpg") + kProduct));
        const int bar = e2e::statusBarHeight(window);
        if (upright) {
            EXPECT_TRUE(clientBecomes(window, 160, 240 + bar));
            EXPECT_TRUE(statusBecomes(program, 1, L"\t160x240x24"));
            EXPECT_TRUE(colourBecomes(window, 80, 50, red, 12));
            EXPECT_TRUE(colourBecomes(window, 80, 190, blue, 12));
        } else {
            EXPECT_TRUE(clientBecomes(window, 240, 160 + bar));
            EXPECT_TRUE(statusBecomes(program, 1, L"\t240x160x24"));
            EXPECT_TRUE(colourBecomes(window, 50, 80, red, 12));
            EXPECT_TRUE(colourBecomes(window, 190, 80, blue, 12));
        }
        ASSERT_TRUE(program.close());
    }
}

TEST(Viewer, UnreadableImageIsLoggedAndSteppedOverOrRemoved) {
    ImageFolder images;
    images.addBmp(L"a.bmp", 200, 150, 0x3366CC);
    // The log keeps the name as it is, beyond ASCII too.
    const std::wstring broken = images.file(L"b \u00FC\u20AC.jpg");
    images.add(L"b \u00FC\u20AC.jpg", "");
    images.addBmp(L"c.bmp", 200, 150, 0x33CC66);
    const std::wstring a = images.file(L"a.bmp") + kProduct, c = images.file(L"c.bmp") + kProduct;

    for (const bool remove : {true, false}) {
        SCOPED_TRACE(remove ? "removefail" : "-noremovefail");
        Glimvue program;
        ASSERT_TRUE(program.start(quoted(images.path()) + kQuiet + (remove ? L"" : L" -noremovefail")));
        ASSERT_NE(program.waitForMainWindow(), nullptr);
        ASSERT_TRUE(captionBecomes(program, a));
        EXPECT_TRUE(statusBecomes(program, 4, L"\t1/3"));
        EXPECT_FALSE(e2e::fileExists(program.file(L"errors.log"))) << "nothing failed yet";

        // Next from a reaches the broken b, which is logged and stepped over to c.
        program.postCommand(CMD_NEXT);
        ASSERT_TRUE(captionBecomes(program, c));
        EXPECT_EQ(e2e::readBytes(program.file(L"errors.log")), e2e::utf16File(broken + L"\r\n"));
        EXPECT_TRUE(statusBecomes(program, 4, remove ? L"\t2/2" : L"\t3/3"));

        // Back from c: a removed entry is gone; a kept one fails again, is logged again, and is stepped
        // over backwards.
        program.postCommand(CMD_PREVIOUS);
        ASSERT_TRUE(captionBecomes(program, a));
        EXPECT_TRUE(statusBecomes(program, 4, remove ? L"\t1/2" : L"\t1/3"));
        if (remove) {
            // Round the whole exhibit both ways: the broken image never comes back.
            for (const auto& [command, expected] : {std::pair{CMD_NEXT, c}, std::pair{CMD_NEXT, a},
                                                    std::pair{CMD_PREVIOUS, c}, std::pair{CMD_PREVIOUS, a}}) {
                program.postCommand(command);
                ASSERT_TRUE(captionBecomes(program, expected));
            }
            EXPECT_EQ(e2e::linesOfUtf16File(e2e::readBytes(program.file(L"errors.log"))),
                      std::vector<std::wstring>{broken});
        } else {
            EXPECT_EQ(e2e::linesOfUtf16File(e2e::readBytes(program.file(L"errors.log"))),
                      (std::vector<std::wstring>{broken, broken}));
        }
        EXPECT_TRUE(e2e::fileExists(broken)) << "a failed image is left on disk";
        ASSERT_TRUE(program.close());
        EXPECT_EQ(program.exitCode(), 0u);
    }
}

TEST(Viewer, SlideshowCountsDownInWholeTicksAndLoopsToTheFirstImage) {
    ImageFolder images;
    images.addBmp(L"a.bmp", 200, 150, 0x3366CC);
    images.addBmp(L"b.bmp", 200, 150, 0x33CC66);
    const std::wstring a = images.file(L"a.bmp") + kProduct, b = images.file(L"b.bmp") + kProduct;
    Glimvue program;
    ASSERT_TRUE(program.start(quoted(images.path()) + L" -notransitions -t2500"));
    ASSERT_NE(program.waitForMainWindow(), nullptr);
    ASSERT_TRUE(captionBecomes(program, a));
    // 2500 ms run as ticks of 1000, 1000 and 500 ms; the read-out shows what is left.
    std::vector<std::wstring> readouts;
    ASSERT_TRUE(e2e::waitFor([&] {
        const std::wstring readout = program.statusText(5);
        if (program.caption() == a && !readout.empty() && (readouts.empty() || readouts.back() != readout))
            readouts.push_back(readout);
        return program.caption() == b;
    }, 6000));
    EXPECT_EQ(readouts, (std::vector<std::wstring>{L"\t2.50", L"\t1.50", L"\t0.50"}));
    EXPECT_TRUE(statusBecomes(program, 5, L"\t2.50")) << "the count-down starts again for the next image";
    // The default loop goes on from the last image to the first.
    EXPECT_TRUE(captionBecomes(program, a, 4000));
    ASSERT_TRUE(program.close());
}

TEST(Viewer, LoopExitEndsTheProgramAfterTheLastImage) {
    ImageFolder images;
    images.addBmp(L"a.bmp", 200, 150, 0x3366CC);
    images.addBmp(L"b.bmp", 200, 150, 0x33CC66);
    Glimvue program;
    ASSERT_TRUE(program.start(quoted(images.path()) + L" -notransitions -loopexit -t100"));
    ASSERT_NE(program.waitForMainWindow(), nullptr);
    // A timer below one tick advances on every tick of one second.
    bool sawFirst = false, sawLast = false;
    const std::wstring last = images.file(L"b.bmp") + kProduct;
    EXPECT_TRUE(e2e::waitFor([&] {
        const std::wstring caption = program.caption();
        sawFirst = sawFirst || caption == images.file(L"a.bmp") + kProduct;
        sawLast = sawLast || caption == last;
        return program.waitForExit(0);
    }, 15000, 10));
    EXPECT_TRUE(sawFirst);
    EXPECT_TRUE(sawLast) << "the last image was shown before the exit";
    EXPECT_EQ(program.exitCode(), 0u);
    const std::wstring settings = e2e::textOfUtf16File(e2e::readBytes(program.file(L"glimvue.ini")));
    EXPECT_NE(settings.find(L"\r\nloop=2\r\n"), std::wstring::npos) << "settings are saved on this exit too";
    EXPECT_NE(settings.find(L"hidekey=27\r\n"), std::wstring::npos) << "the settings file is complete";
}

TEST(Viewer, LoopPauseStopsAtTheLastImageUntilNavigation) {
    ImageFolder images;
    images.addBmp(L"a.bmp", 200, 150, 0x3366CC);
    images.addBmp(L"b.bmp", 200, 150, 0x33CC66);
    const std::wstring a = images.file(L"a.bmp") + kProduct, b = images.file(L"b.bmp") + kProduct;
    Glimvue program;
    ASSERT_TRUE(program.start(quoted(images.path()) + L" -notransitions -loopause -t100"));
    ASSERT_NE(program.waitForMainWindow(), nullptr);
    ASSERT_TRUE(captionBecomes(program, b));
    EXPECT_TRUE(statusBecomes(program, 5, L"\t...", 4000));
    // No further advance: three more ticks leave the last image in place.
    EXPECT_FALSE(e2e::waitFor([&] { return program.caption() != b; }, 3000)) << e2e::toNarrow(program.caption());
    EXPECT_EQ(program.statusText(5), L"\t...");

    // Navigating starts the count-down again.
    program.postCommand(CMD_NEXT);
    ASSERT_TRUE(captionBecomes(program, a));
    EXPECT_TRUE(captionBecomes(program, b, 4000)) << "the show runs again after navigation";
    ASSERT_TRUE(program.close());
}

TEST(Viewer, ExhibitOfOnlyUnreadableImagesStopsWithoutRetrying) {
    ImageFolder images;
    for (const wchar_t* name : {L"x.jpg", L"y.jpg", L"z.jpg"}) images.add(name, "");
    for (const bool remove : {false, true}) {
        SCOPED_TRACE(remove ? "removefail" : "-noremovefail");
        Glimvue program;
        // A short timer: a show that kept retrying would log again on every tick.
        ASSERT_TRUE(program.start(quoted(images.path()) + L" -notransitions -t100" + (remove ? L"" : L" -noremovefail")));
        ASSERT_NE(program.waitForMainWindow(), nullptr);
        auto records = [&] { return e2e::linesOfUtf16File(e2e::readBytes(program.file(L"errors.log"))); };
        ASSERT_TRUE(e2e::waitFor([&] { return records().size() >= 3; }, 10000));
        EXPECT_EQ(records(), (std::vector<std::wstring>{images.file(L"x.jpg"), images.file(L"y.jpg"),
                                                         images.file(L"z.jpg")}));
        EXPECT_TRUE(statusBecomes(program, 5, L"\t..."));
        EXPECT_FALSE(e2e::waitFor([&] { return records().size() != 3; }, 3000)) << records().size() << " records";
        EXPECT_TRUE(statusBecomes(program, 0, L""));
        EXPECT_TRUE(statusBecomes(program, 4, L""));
        // With every entry removed the exhibit is empty, and the caption names its folder.
        if (remove) EXPECT_TRUE(captionBecomes(program, images.path() + kProduct));

        // Still responsive.
        EXPECT_FALSE(program.waitForExit(0));
        EXPECT_EQ(program.findMessageBox(), nullptr);
        const std::wstring before = program.caption();
        program.postCommand(CMD_TITLE);
        EXPECT_TRUE(captionBecomes(program, L"Glimvue"));
        program.postCommand(CMD_TITLE);
        EXPECT_TRUE(captionBecomes(program, before));
        ASSERT_TRUE(program.close());
        EXPECT_EQ(program.exitCode(), 0u);
        EXPECT_TRUE(e2e::fileExists(images.file(L"x.jpg")));
    }
}

// Keys typed at the window reach their commands through the accelerator table.
TEST(Viewer, KeysReachTheirCommands) {
    ImageFolder folder;
    folder.addBmp(L"a.bmp", 120, 90, 0x112233);
    folder.addBmp(L"b.bmp", 120, 90, 0x445566);
    folder.addBmp(L"c.bmp", 120, 90, 0x778899);
    Glimvue program;
    ASSERT_TRUE(program.start(quoted(folder.path()) + L" -shortname" + kQuiet));
    HWND window = program.waitForMainWindow();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(captionBecomes(program, L"a" + kProduct));

    auto press = [&](WORD key, bool shift = false) {
        SetForegroundWindow(window);
        e2e::waitFor([&] { return GetForegroundWindow() == window; }, 2000);
        std::vector<INPUT> inputs;
        auto add = [&inputs](WORD vk, DWORD flags) {
            INPUT input{};
            input.type = INPUT_KEYBOARD;
            input.ki.wVk = vk;
            input.ki.dwFlags = flags;
            inputs.push_back(input);
        };
        if (shift) add(VK_SHIFT, 0);
        add(key, 0);
        add(key, KEYEVENTF_KEYUP);
        if (shift) add(VK_SHIFT, KEYEVENTF_KEYUP);
        SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    };
    press(VK_END);
    EXPECT_TRUE(captionBecomes(program, L"c" + kProduct));
    press(VK_HOME);
    EXPECT_TRUE(captionBecomes(program, L"a" + kProduct));
    press(VK_SPACE);
    EXPECT_TRUE(captionBecomes(program, L"b" + kProduct));
    press(VK_PRIOR);
    EXPECT_TRUE(captionBecomes(program, L"a" + kProduct));
    press('N', true);  // Shift+N: full path name
    EXPECT_TRUE(captionBecomes(program, folder.file(L"a.bmp") + kProduct));
    press(VK_ESCAPE);
    EXPECT_TRUE(program.waitForExit());
}
