// The real program showing pictures: the caption while stepping through an exhibit, the window
// sized to the picture, the picture's colours on the screen, zoom, full screen, Exif orientation,
// unreadable images, the slideshow's end of pass, and keys.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "command_ids.h"
#include "e2e/harness.h"
#include "text.h"

using e2e::Glimvue;
using ::testing::AssertionResult;

namespace {

const std::wstring kProduct = L" - Glimvue";
const std::wstring kQuiet = L" -noslide -notransitions";

// A temporary folder holding a.bmp, b.bmp, ... of one size, one per colour.
struct Images : e2e::TempFolder {
    explicit Images(std::initializer_list<unsigned> colours = {}, int width = 200, int height = 150)
        : TempFolder(L"viewer") {
        wchar_t name = L'a';
        for (unsigned colour : colours) addBmp(std::wstring(1, name++) + L".bmp", width, height, colour);
    }
    std::wstring caption(const std::wstring& name) const { return file(name) + kProduct; }
};

// Starts the program on a folder with some switches; the main window, or null.
HWND startOn(Glimvue& program, const std::wstring& folder, const std::wstring& switches) {
    return program.start(e2e::quoted(folder) + switches) ? program.waitForMainWindow() : nullptr;
}

AssertionResult statusIs(const Glimvue& p, int part, const std::wstring& want, int timeoutMs = 5000) {
    return e2e::becomes([&] { return p.statusText(part) == want; },
                        [&] { return "status " + toUtf8(p.statusText(part)) + ", expected " + toUtf8(want); },
                        timeoutMs);
}

AssertionResult clientIs(HWND window, int width, int height) {
    auto size = [&] {
        const SIZE s = e2e::clientSize(window);
        return std::to_string(s.cx) + "x" + std::to_string(s.cy);
    };
    const std::string want = std::to_string(width) + "x" + std::to_string(height);
    return e2e::becomes([&] { return size() == want; }, [&] { return "client " + size() + " not " + want; }, 5000);
}

AssertionResult shows(HWND window, int x, int y, unsigned colour, int tolerance = 2) {
    auto at = [&] { return e2e::screenColourAt(window, x, y); };
    const std::string where = " at " + std::to_string(x) + "," + std::to_string(y);
    return e2e::becomes([&] { return e2e::coloursMatch(at(), colour, tolerance); },
                        [&] { return "colour " + std::to_string(at()) + where; }, 5000);
}

}  // namespace

TEST(Viewer, WindowWrapsThePictureFollowsZoomAndGoesFullScreenAndBack) {
    // Wider than the status bar's parts, so that the window is exactly the picture's width.
    const Images images({0x3366CC}, 600, 150);
    Glimvue program;
    HWND window = startOn(program, images.path(), kQuiet);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(program.captionBecomes(images.caption(L"a.bmp")));
    const int bar = e2e::statusBarHeight(window);
    ASSERT_GT(bar, 0) << "the status bar is on by default";
    EXPECT_TRUE(clientIs(window, 600, 150 + bar));
    EXPECT_TRUE(shows(window, 300, 75, 0x3366CC));
    EXPECT_TRUE(shows(window, 2, 2, 0x3366CC)) << "the picture fills the client area";
    EXPECT_TRUE(statusIs(program, 1, L"\t600x150x24"));
    EXPECT_TRUE(statusIs(program, 2, L"\t100%"));

    // One zoom step is 10 %: the caption names the zoomed size and the window grows with it.
    program.postCommand(CMD_ZOOM_IN);
    EXPECT_TRUE(program.captionBecomes(images.caption(L"a.bmp") + L" (Zoom: 660 x 165)"));
    EXPECT_TRUE(clientIs(window, 660, 165 + bar));
    EXPECT_TRUE(statusIs(program, 2, L"\t110%"));
    EXPECT_TRUE(shows(window, 655, 160, 0x3366CC));
    program.postCommand(CMD_ZOOM_100);
    EXPECT_TRUE(program.captionBecomes(images.caption(L"a.bmp")));
    ASSERT_TRUE(clientIs(window, 600, 150 + bar));

    // Full screen, and back to the same window rectangle.
    RECT before{}, now{};
    GetWindowRect(window, &before);
    auto windowAt = [&](const RECT& wanted) { return GetWindowRect(window, &now) && EqualRect(&now, &wanted); };

    const int screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN);
    program.postCommand(CMD_FULLSCREEN);
    ASSERT_TRUE(e2e::waitFor([&] { return windowAt({0, 0, screenWidth, screenHeight}); }));
    EXPECT_TRUE(clientIs(window, screenWidth, screenHeight)) << "no frame in full screen";
    EXPECT_EQ(e2e::statusBarOf(window), nullptr) << "no status bar in full screen";
    // The picture is centred on the screen, with background around it.
    EXPECT_TRUE(shows(window, screenWidth / 2, screenHeight / 2, 0x3366CC));
    EXPECT_TRUE(shows(window, screenWidth / 2 - 295, screenHeight / 2 - 70, 0x3366CC));
    EXPECT_TRUE(e2e::waitFor([&] { return !e2e::coloursMatch(e2e::screenColourAt(window, 5, 5), 0x3366CC, 2); }))
        << "the corner is background";

    program.postCommand(CMD_FULLSCREEN);
    EXPECT_TRUE(e2e::waitFor([&] { return windowAt(before); }));
    EXPECT_TRUE(e2e::waitFor([&] { return e2e::statusBarOf(window) != nullptr; }, 5000));
    EXPECT_TRUE(clientIs(window, 600, 150 + bar));
    EXPECT_TRUE(shows(window, 300, 75, 0x3366CC));
    ASSERT_TRUE(program.close());
}

TEST(Viewer, ExifOrientationSixIsShownUprightUnlessTurnedOff) {
    // Stored 720 x 480, left half red, right half blue; orientation 6 turns it a quarter clockwise,
    // so upright it is 480 x 720 with red on top. Both are wider than the status bar's parts.
    const unsigned red = 0xCC2020, blue = 0x2020CC;
    const Images images;
    const std::string jpeg = e2e::jpegBytes(720, 480, red, blue, 6);
    ASSERT_FALSE(jpeg.empty()) << "the imaging library could not encode a JPEG";
    images.add(L"a.jpg", jpeg);
    const bool orientationReadable = e2e::imagingOrientation(images.file(L"a.jpg")) == 6;

    // As stored first: this also shows that a JPEG is decoded and drawn the right way round.
    for (const bool upright : {false, true}) {
        SCOPED_TRACE(upright ? "Exif orientation on" : "-noexiforient");
        if (upright && !orientationReadable)
            GTEST_SKIP() << "this platform's imaging library does not report the Exif orientation of a JPEG";
        Glimvue program;
        HWND window = startOn(program, images.path(), kQuiet + (upright ? L"" : L" -noexiforient"));
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(program.captionBecomes(images.caption(L"a.jpg")));
        const int w = upright ? 480 : 720, h = upright ? 720 : 480;
        EXPECT_TRUE(clientIs(window, w, h + e2e::statusBarHeight(window)));
        EXPECT_TRUE(statusIs(program, 1, L"\t" + std::to_wstring(w) + L"x" + std::to_wstring(h) + L"x24"));
        EXPECT_TRUE(shows(window, upright ? 240 : 150, upright ? 150 : 240, red, 12));
        EXPECT_TRUE(shows(window, upright ? 240 : 570, upright ? 570 : 240, blue, 12));
        ASSERT_TRUE(program.close());
    }
}

TEST(Viewer, UnreadableImageIsLoggedAndSteppedOverOrRemoved) {
    Images images{0x3366CC};
    images.addBmp(L"c.bmp", 200, 150, 0x33CC66);
    // The log keeps the name as it is, beyond ASCII too.
    images.add(L"b \u00FC\u20AC.jpg", "");
    const std::wstring broken = images.file(L"b \u00FC\u20AC.jpg"), a = images.caption(L"a.bmp"),
                       c = images.caption(L"c.bmp");
    for (const bool remove : {true, false}) {
        SCOPED_TRACE(remove ? "removefail" : "-noremovefail");
        Glimvue program;
        ASSERT_NE(startOn(program, images.path(), kQuiet + (remove ? L"" : L" -noremovefail")), nullptr);
        ASSERT_TRUE(program.captionBecomes(a));
        EXPECT_TRUE(statusIs(program, 4, L"\t1/3"));
        EXPECT_FALSE(std::filesystem::exists(program.file(L"errors.log"))) << "nothing failed yet";
        auto records = [&] { return e2e::linesOfUtf16File(e2e::readBytes(program.file(L"errors.log"))); };

        // Next from a reaches the broken b, which is logged and stepped over to c.
        program.postCommand(CMD_NEXT);
        ASSERT_TRUE(program.captionBecomes(c));
        EXPECT_EQ(e2e::readBytes(program.file(L"errors.log")), e2e::utf16File(broken + L"\r\n"));
        EXPECT_TRUE(statusIs(program, 4, remove ? L"\t2/2" : L"\t3/3"));

        // Back from c: a removed entry is gone for good, round the whole exhibit both ways; a kept
        // one fails again, is logged again, and is stepped over backwards.
        program.postCommand(CMD_PREVIOUS);
        ASSERT_TRUE(program.captionBecomes(a));
        EXPECT_TRUE(statusIs(program, 4, remove ? L"\t1/2" : L"\t1/3"));
        const std::pair<int, std::wstring> round[] = {{CMD_NEXT, c}, {CMD_NEXT, a}, {CMD_PREVIOUS, c},
                                                      {CMD_PREVIOUS, a}};
        for (const auto& [command, expected] : round) {
            if (!remove) break;
            program.postCommand(command);
            ASSERT_TRUE(program.captionBecomes(expected));
        }
        EXPECT_EQ(records(), std::vector<std::wstring>(remove ? 1 : 2, broken));
        EXPECT_TRUE(std::filesystem::exists(broken)) << "a failed image is left on disk";
        ASSERT_TRUE(program.close());
        EXPECT_EQ(program.exitCode(), 0u);
    }
}

TEST(Viewer, LoopExitEndsTheProgramAfterTheLastImage) {
    const Images images{0x3366CC, 0x33CC66};
    Glimvue program;
    ASSERT_NE(startOn(program, images.path(), L" -notransitions -loopexit -t100"), nullptr);
    // A timer below one tick advances on every tick of one second.
    bool sawFirst = false, sawLast = false;
    EXPECT_TRUE(e2e::waitFor([&] {
        sawFirst = sawFirst || program.caption() == images.caption(L"a.bmp");
        sawLast = sawLast || program.caption() == images.caption(L"b.bmp");
        return program.waitForExit(0);
    }, 15000, 10));
    EXPECT_TRUE(sawFirst && sawLast) << "both images were shown before the exit";
    EXPECT_EQ(program.exitCode(), 0u);
    const std::wstring settings = e2e::textOfUtf16File(e2e::readBytes(program.file(L"glimvue.ini")));
    EXPECT_NE(settings.find(L"\r\nloop=2\r\n"), std::wstring::npos) << "settings are saved on this exit too";
    EXPECT_NE(settings.find(L"hidekey=27\r\n"), std::wstring::npos) << "the settings file is complete";
}

// Kept in the exhibit (-noremovefail), pictures that all fail are logged once each and not retried
// on every tick. (Removed, they leave an empty exhibit: see the painting tests.)
TEST(Viewer, ExhibitOfOnlyUnreadableImagesStopsWithoutRetrying) {
    const Images images;
    for (const wchar_t* name : {L"x.jpg", L"y.jpg", L"z.jpg"}) images.add(name, "");
    Glimvue program;
    ASSERT_NE(startOn(program, images.path(), L" -notransitions -t100 -noremovefail"), nullptr);
    auto records = [&] { return e2e::linesOfUtf16File(e2e::readBytes(program.file(L"errors.log"))); };
    ASSERT_TRUE(e2e::waitFor([&] { return records().size() >= 3; }));
    EXPECT_EQ(records(), (std::vector<std::wstring>{images.file(L"x.jpg"), images.file(L"y.jpg"), images.file(L"z.jpg")}));
    EXPECT_TRUE(statusIs(program, 5, L"\t..."));
    EXPECT_FALSE(e2e::waitFor([&] { return records().size() != 3; }, 3000)) << records().size() << " records";
    EXPECT_TRUE(statusIs(program, 0, L""));
    EXPECT_TRUE(statusIs(program, 4, L""));
    // Still responsive, with no message box in the way.
    EXPECT_EQ(program.findMessageBox(), nullptr);
    program.postCommand(CMD_TITLE);
    EXPECT_TRUE(program.captionBecomes(L"Glimvue"));
    ASSERT_TRUE(program.close());
    EXPECT_EQ(program.exitCode(), 0u);
    EXPECT_TRUE(std::filesystem::exists(images.file(L"x.jpg")));
}

// Next and Previous wrap both ways; keys typed at the window reach their commands through the
// accelerator table.
TEST(Viewer, CaptionFollowsNextAndPreviousWrapsAndKeysReachTheirCommands) {
    const Images images({0x112233, 0x445566, 0x778899}, 120, 90);
    Glimvue program;
    HWND window = startOn(program, images.path(), L" -shortname" + kQuiet);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(program.captionBecomes(L"a" + kProduct));
    for (const auto& [command, name] : {std::pair{CMD_PREVIOUS, L"c"}, {CMD_PREVIOUS, L"b"}, {CMD_NEXT, L"c"},
                                        {CMD_NEXT, L"a"}}) {
        program.postCommand(command);
        ASSERT_TRUE(program.captionBecomes(name + kProduct));
    }
    auto press = [&](WORD key) {
        SetForegroundWindow(window);
        e2e::waitFor([&] { return GetForegroundWindow() == window; }, 2000);
        e2e::pressKey(key, key == 'N');  // Shift+N: full path name
    };
    const std::pair<WORD, std::wstring> steps[] = {{VK_END, L"c" + kProduct},   {VK_HOME, L"a" + kProduct},
                                                   {VK_SPACE, L"b" + kProduct}, {VK_PRIOR, L"a" + kProduct},
                                                   {'N', images.caption(L"a.bmp")}};
    for (const auto& [key, caption] : steps) {
        press(key);
        EXPECT_TRUE(program.captionBecomes(caption));
    }
    press(VK_ESCAPE);
    EXPECT_TRUE(program.waitForExit());
    EXPECT_EQ(program.exitCode(), 0u);
}
