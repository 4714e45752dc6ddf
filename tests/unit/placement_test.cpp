// Window placement arithmetic: centring, roaming, corralling, wrapping and presets.
#include <gtest/gtest.h>

#include <ostream>
#include <vector>

#include "shell/placement.h"

// Readable failure messages.
inline void PrintTo(const Rect32& r, std::ostream* os) {
    *os << "{" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << "}";
}
inline void PrintTo(const Size32& s, std::ostream* os) { *os << s.width << "x" << s.height; }
inline void PrintTo(const Point32& p, std::ostream* os) { *os << "(" << p.x << ", " << p.y << ")"; }

namespace {

constexpr Rect32 kWork{0, 0, 1920, 1040};
constexpr Rect32 kScreen{0, 0, 1920, 1080};

std::function<int()> sequence(std::vector<int> values, int& calls) {
    return [values, &calls] { return values.at(static_cast<size_t>(calls++)); };
}

TEST(WindowPlacement, CentreAndRoam) {
    const Rect32 window{100, 100, 900, 700};  // 800 × 600
    EXPECT_EQ(centredRect(window, kWork, 0), (Rect32{560, 220, 1360, 820}));
    // The caption adjustment raises the top of the room the window is centred in: top′ = −4,
    // y = −4 + (1040 + 4 − 600) / 2.
    EXPECT_EQ(centredRect(window, kWork, 4), (Rect32{560, 218, 1360, 818}));
    EXPECT_EQ(centredRect({0, 0, 801, 601}, {10, 20, 1010, 820}, 0), (Rect32{109, 119, 910, 720}));

    int calls = 0;
    EXPECT_EQ(roamRect(window, kWork, 0, sequence({1500, 999}, calls)), (Rect32{380, 119, 1180, 719}));
    EXPECT_EQ(calls, 2);
    calls = 0;  // top′ = −4: y = −4 + 999 mod (1044 − 600)
    EXPECT_EQ(roamRect(window, kWork, 4, sequence({0, 999}, calls)), (Rect32{0, 107, 800, 707}));
    // As wide as the work area, or wider: centred on that axis without asking rand.
    calls = 0;
    EXPECT_EQ(roamRect({0, 0, 1920, 600}, kWork, 0, sequence({5}, calls)), (Rect32{0, 5, 1920, 605}));
    EXPECT_EQ(calls, 1);
    calls = 0;
    EXPECT_EQ(roamRect({0, 0, 2001, 1100}, kWork, 0, sequence({}, calls)), (Rect32{-40, -30, 1961, 1070}));
    EXPECT_EQ(calls, 0);
}

TEST(WindowPlacement, CorralKeepsTheWindowOnTheMonitor) {
    const struct { Rect32 window, expected; } cases[] = {
        {{10, 10, 60, 60}, {10, 10, 110, 110}},              // at least 100 × 100
        {{10, 10, 5, 5}, {10, 10, 110, 110}},                // inverted rectangle
        {{1130, 100, 1930, 700}, {1130, 100, 1930, 700}},    // right edge 10 beyond: stays
        {{1131, 100, 1931, 700}, {1120, 100, 1920, 700}},    // 11 beyond: right meets the edge
        {{1921, 100, 2721, 700}, {1120, 100, 1920, 700}},    // starts past the right edge
        {{100, 480, 900, 1090}, {100, 480, 900, 1090}},      // bottom 10 beyond: stays
        {{100, 481, 900, 1091}, {100, 470, 900, 1080}},
        {{-10, -10, 790, 590}, {-10, -10, 790, 590}},        // 10 past left and top: stays
        {{-11, -11, 789, 589}, {0, 0, 800, 600}},            // pulled to 0
        {{-300, 100, -200, 200}, {0, 100, 100, 200}},        // wholly off the left
        {{100, -900, 300, -1}, {100, 0, 300, 899}},          // bottom above 0
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.window.left << "," << c.window.top << ","
                                        << c.window.right << "," << c.window.bottom);
        EXPECT_EQ(corralRect(c.window, kScreen), c.expected);
    }
}

TEST(WindowPlacement, WrappedWindowBoundsAndSize) {
    WindowFrame frame{4, 4, 23, 20, false, false, 4};
    const Rect32 bounds = imageBounds(kWork, frame);
    EXPECT_EQ(bounds, (Rect32{4, 27, 1916, 1016}));
    frame.blackboxSkin = true;
    EXPECT_EQ(imageBounds(kWork, frame), (Rect32{0, 23, 1920, 1016}));
    frame.crop = true;
    EXPECT_EQ(imageBounds(kWork, frame), kWork);

    // Squeezed: the fit itself; a scrollable image is cut to the bounds.
    EXPECT_EQ(wrappedImageSize({4000, 3000}, bounds, 0, FitSwitches{}, false), (Size32{1318, 989}));
    EXPECT_EQ(wrappedImageSize({4000, 3000}, bounds, 100, FitSwitches{false, false, false}, false),
              (Size32{1912, 989}));
    EXPECT_EQ(wrappedImageSize({400, 300}, bounds, 200, FitSwitches{}, true), (Size32{800, 600}));
    EXPECT_EQ(wrappedImageSize({400, 300}, bounds, 300, FitSwitches{}, true), (Size32{1200, 900}));
    EXPECT_EQ(wrappedImageSize({400, 300}, {0, 0, 1000, 800}, 300, FitSwitches{}, true), (Size32{1000, 800}));
    EXPECT_EQ(wrappedImageSize({400, 300}, {0, 0, -5, -5}, 300, FitSwitches{}, true), (Size32{0, 0}));

    EXPECT_EQ(wrappedClientRect({10, 20}, {800, 600}, 20), (Rect32{10, 20, 810, 640}));
    EXPECT_EQ(wrappedClientRect({10, 20}, {800, 600}, 0), (Rect32{10, 20, 810, 620}));
}

TEST(WindowPlacement, InitialPresetsAndCentre) {
    const auto presets = initialPresets({100, 100, 900, 700}, 1920, 1080, 4);
    EXPECT_EQ(presets[0], (Rect32{44, 69, 956, 731}));
    EXPECT_EQ(presets[1], (Rect32{-36, 24, 1036, 776}));
    EXPECT_EQ(presets[2], (Rect32{-116, -21, 1116, 821}));
    EXPECT_EQ(presets[3], (Rect32{0, 0, 392, 1080}));
    EXPECT_EQ(presets[4], (Rect32{1528, 0, 1920, 1080}));
    const auto odd = initialPresets({0, 0, 10, 10}, 1366, 768, 3);  // 1366 / 5 truncates to 273
    EXPECT_EQ(odd[3], (Rect32{0, 0, 279, 768}));
    EXPECT_EQ(odd[4], (Rect32{1087, 0, 1366, 768}));

    EXPECT_EQ(rectCentre({-101, 0, 0, 51}), (Point32{-51, 25}));
    EXPECT_EQ(rectCentre({10, 0, 5, 0}), (Point32{8, 0}));  // width −5 halves toward zero
    EXPECT_EQ(width({INT32_MIN, 0, INT32_MAX, 0}), INT32_MAX);
    EXPECT_EQ(height({0, 5, 0, 2}), -3);
}

}  // namespace
