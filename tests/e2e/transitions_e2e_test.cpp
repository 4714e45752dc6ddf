// Transitions in the real program: every effect, enabled alone, takes the window from a red
// picture to a blue one and leaves exactly the blue picture; the crossfade really blends on the
// screen. (A key pressed during an effect is tested on the effects themselves in tests/win.)
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <tuple>
#include <vector>

#include "command_ids.h"
#include "e2e/harness.h"
#include "text.h"

using e2e::Glimvue;
using ::testing::AssertionResult;

namespace {

constexpr unsigned kRed = 0xFF0000, kBlue = 0x0000FF;

// The settings file of a program folder with transitions on and only `effect` enabled (none for
// -1), plus extra lines for [Tweak Transitions].
std::string transitionSettings(int effect, const std::wstring& tweaks = L"") {
    std::wstring text = L"[Slideshow]\r\nslide=FALSE\r\n[Transitions]\r\ntransitions=TRUE\r\n";
    for (int n = 0; n < 15; ++n)
        text += std::to_wstring(n + 1) + (n == effect ? L"=TRUE\r\n" : L"=FALSE\r\n");
    text += L"overlap=TRUE\r\n[Tweak Transitions]\r\n" + tweaks;
    return e2e::utf16File(text);
}

// The centre and a point near each corner of a w x h picture at the client's top-left.
std::vector<POINT> checkPoints(int w, int h) {
    return {{w / 2, h / 2}, {2, 2}, {w - 3, 2}, {2, h - 3}, {w - 3, h - 3}};
}

bool allShow(HWND window, const std::vector<POINT>& points, unsigned colour) {
    for (const POINT& p : points)
        if (e2e::screenColourAt(window, p.x, p.y) != colour) return false;
    return true;
}

std::string seen(HWND window, const std::vector<POINT>& points) {
    std::string text;
    char buffer[48];
    for (const POINT& p : points) {
        std::snprintf(buffer, sizeof buffer, " (%ld,%ld)=%06X", static_cast<long>(p.x), static_cast<long>(p.y),
                      e2e::screenColourAt(window, p.x, p.y));
        text += buffer;
    }
    return text;
}

// Returns once the program's window thread takes messages again (a running effect is over).
bool idle(HWND window) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_BLOCK, 60000, &result) != 0;
}

// The points show the colour, and still do once the paint that drew them is over: an effect may
// reach all five points before it has drawn everything.
AssertionResult endsShowing(HWND window, const std::vector<POINT>& points, unsigned colour, int timeoutMs) {
    AssertionResult reached = e2e::becomes([&] { return allShow(window, points, colour); },
                                           [&] { return "the screen shows" + seen(window, points); }, timeoutMs);
    if (!reached) return reached;
    if (!idle(window)) return ::testing::AssertionFailure() << "the program does not answer";
    if (!allShow(window, points, colour)) return ::testing::AssertionFailure() << "at the end" << seen(window, points);
    return ::testing::AssertionSuccess();
}

// A program folder holding red a.bmp and blue b.bmp, started on it.
struct RedBlue {
    RedBlue(int effect, const std::wstring& tweaks, int w, int h, const std::wstring& switches) {
        images.addBmp(L"a.bmp", w, h, kRed);
        images.addBmp(L"b.bmp", w, h, kBlue);
        program.add(L"glimvue.ini", transitionSettings(effect, tweaks));
        // Without the status bar the window is exactly the picture, however small it is.
        window = program.start(L"\"" + images.path() + L"\" -shortname -nostatusbar" + switches)
                     ? program.waitForMainWindow()
                     : nullptr;
    }
    e2e::TempFolder images{L"transitions"};
    Glimvue program;
    HWND window = nullptr;
};

}  // namespace

TEST(Transitions, EveryEffectEndsWithExactlyTheNewPicture) {
    const int w = 320, h = 240;
    const std::vector<POINT> points = checkPoints(w, h);
    RedBlue run(0, L"", w, h, L"");
    ASSERT_NE(run.window, nullptr);
    ASSERT_TRUE(run.program.captionBecomes(L"a - Glimvue"));
    ASSERT_TRUE(endsShowing(run.window, points, kRed, 15000));
    // Each effect enabled alone in turn, there and back: it draws its random parameters anew each run.
    for (int effect = 0; effect < 15; ++effect) {
        SCOPED_TRACE("effect " + std::to_string(effect + 1));
        run.program.postCommand(CMD_TRANSITIONS_NONE);
        run.program.postCommand(CMD_TRANSITION_0 + effect);
        for (const auto& [command, caption, colour] :
             {std::tuple{CMD_NEXT, L"b - Glimvue", kBlue}, {CMD_PREVIOUS, L"a - Glimvue", kRed}}) {
            run.program.postCommand(command);
            ASSERT_TRUE(run.program.captionBecomes(caption));
            EXPECT_TRUE(endsShowing(run.window, points, colour, 15000));
        }
    }
    ASSERT_TRUE(run.program.close());
    EXPECT_EQ(run.program.exitCode(), 0u);
}

// The crossfade, slowed down, shows blends of the two pictures on the way; with no effect enabled,
// or transitions off, the new picture comes at once, and so does the first picture of all.
TEST(Transitions, CrossfadeBlendsOnScreenAndNoEffectMeansNoAnimation) {
    const int w = 200, h = 150;
    const std::vector<POINT> points = checkPoints(w, h);
    RedBlue run(14, L"crossfade latency=60\r\n", w, h, L"");
    ASSERT_NE(run.window, nullptr);
    // The first picture comes at once: the new window showed nothing to change from.
    const auto opened = std::chrono::steady_clock::now();
    ASSERT_TRUE(endsShowing(run.window, points, kRed, 15000));
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - opened).count(),
              1500)
        << "the first picture was animated";

    run.program.postCommand(CMD_NEXT);
    bool blended = false;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(e2e::waitFor([&] {
        const unsigned c = e2e::screenColourAt(run.window, w / 2, h / 2);
        const unsigned red = c >> 16, green = (c >> 8) & 0xFF, blue = c & 0xFF;
        blended = blended || (red > 40 && red < 215 && blue > 40 && blue < 215 && green < 8);
        return allShow(run.window, points, kBlue);
    }, 20000, 10));
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    EXPECT_TRUE(blended) << "no blend of red and blue was seen";
    EXPECT_GE(ms.count(), 50 * 61) << "fifty steps of at least 61 ms";

    // None (1267): the next change is not animated; All (1266) brings the animation back, and
    // Transitions (1250) turns it off as a whole.
    auto changeTakes = [&](int command, unsigned colour) {
        const auto from = std::chrono::steady_clock::now();
        run.program.postCommand(command);
        EXPECT_TRUE(endsShowing(run.window, points, colour, 20000));
        return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - from).count();
    };
    run.program.postCommand(CMD_TRANSITIONS_NONE);
    EXPECT_LT(changeTakes(CMD_PREVIOUS, kRed), 1500);
    run.program.postCommand(CMD_TRANSITIONS_ALL);
    run.program.postCommand(CMD_TRANSITIONS_NONE);
    run.program.postCommand(CMD_TRANSITION_0 + 14);  // the crossfade alone again
    EXPECT_GE(changeTakes(CMD_NEXT, kBlue), 50 * 61);
    run.program.postCommand(CMD_TRANSITIONS);
    EXPECT_LT(changeTakes(CMD_PREVIOUS, kRed), 1500);
    run.program.postCommand(CMD_TRANSITIONS);
    EXPECT_GE(changeTakes(CMD_NEXT, kBlue), 50 * 61);

    // Overlap off (1268): the window is cleared to the background (black) first, so the crossfade
    // to red comes from black, not from the blue picture.
    run.program.postCommand(CMD_OVERLAP);
    bool fromBlack = false, fromBlue = false;
    run.program.postCommand(CMD_PREVIOUS);
    EXPECT_TRUE(e2e::waitFor([&] {
        const unsigned c = e2e::screenColourAt(run.window, w / 2, h / 2);
        const unsigned red = c >> 16, green = (c >> 8) & 0xFF, blue = c & 0xFF;
        fromBlack = fromBlack || (red > 40 && red < 215 && blue < 8 && green < 8);
        fromBlue = fromBlue || (red > 40 && red < 215 && blue > 40);
        return allShow(run.window, points, kRed);
    }, 20000, 10));
    EXPECT_TRUE(endsShowing(run.window, points, kRed, 20000));
    EXPECT_TRUE(fromBlack) << "no blend of black and red was seen";
    EXPECT_FALSE(fromBlue) << "the old picture was not erased";

    ASSERT_TRUE(run.program.close());
}
