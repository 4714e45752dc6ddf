// Window placement arithmetic: centring, roaming, corralling, wrapping and presets.
#include <gtest/gtest.h>

#include <ostream>
#include <vector>

#include "core/dpi_scale.h"
#include "shell/placement.h"

inline void PrintTo(const Rect32& r, std::ostream* os) { *os << r.left << "," << r.top << "," << r.right << "," << r.bottom; }

namespace {

constexpr Rect32 kWork{0, 0, 1920, 1040};
TEST(WindowPlacement, CentreAndRoam) {
    const Rect32 window{100, 100, 900, 700};  // 800 × 600
    EXPECT_EQ(centredRect(window, kWork, 0), (Rect32{560, 220, 1360, 820}));
    // The caption adjustment raises the top of the room: top′ = −4, y = −4 + (1040 + 4 − 600) / 2.
    EXPECT_EQ(centredRect(window, kWork, 4), (Rect32{560, 218, 1360, 818}));
    EXPECT_EQ(centredRect({0, 0, 801, 601}, {10, 20, 1010, 820}, 0), (Rect32{109, 119, 910, 720}));
    int calls = 0;
    auto roam = [&](Rect32 w, int adjust, std::vector<int> values) {
        calls = 0;
        return roamRect(w, kWork, adjust, [&, values] { return values.at(static_cast<size_t>(calls++)); });
    };
    EXPECT_EQ(roam(window, 0, {1500, 999}), (Rect32{380, 119, 1180, 719}));
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(roam(window, 4, {0, 999}), (Rect32{0, 107, 800, 707}));  // y = −4 + 999 mod (1044 − 600)
    // As wide as the work area, or larger: centred on that axis without asking rand.
    EXPECT_EQ(roam({0, 0, 1920, 600}, 0, {5}), (Rect32{0, 5, 1920, 605}));
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(roam({0, 0, 2001, 1100}, 0, {}), (Rect32{-40, -30, 1961, 1070}));
    EXPECT_EQ(calls, 0);
}

TEST(WindowPlacement, CorralKeepsTheWindowOnTheMonitor) {
    const struct { Rect32 window, expected; } cases[] = {
        {{10, 10, 60, 60}, {10, 10, 110, 110}},            // at least 100 × 100
        {{1130, 100, 1930, 700}, {1130, 100, 1930, 700}},  // right edge 10 beyond: stays
        {{1131, 100, 1931, 700}, {1120, 100, 1920, 700}},  // 11 beyond: right meets the edge
        {{100, 480, 900, 1090}, {100, 480, 900, 1090}},    // bottom 10 beyond: stays
        {{100, 481, 900, 1091}, {100, 470, 900, 1080}},
        {{-10, -10, 790, 590}, {-10, -10, 790, 590}},      // 10 past left and top: stays
        {{-11, -11, 789, 589}, {0, 0, 800, 600}},          // pulled to 0
        {{100, -900, 300, -1}, {100, 0, 300, 899}},        // wholly above
    };
    for (const auto& c : cases) EXPECT_EQ(corralRect(c.window, {0, 0, 1920, 1080}), c.expected) << testing::PrintToString(c.window);
    // At 144 DPI the smallest window is 150 × 150: interface metrics scale by DPI / 96, rounded to
    // the nearest pixel, halves away from zero; an unknown DPI (0) counts as 96.
    EXPECT_EQ(corralRect({10, 10, 60, 160}, {0, 0, 1920, 1080}, scaleToDpi(kMinimumWindowSide, 144)),
              (Rect32{10, 10, 160, 160}));
    EXPECT_EQ(std::vector<int>({scaleToDpi(1, 144), scaleToDpi(-1, 144), rescaleDpi(30, 144, 192), scaleToDpi(70, 0)}),
              std::vector<int>({2, -2, 40, 70}));
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
    EXPECT_EQ(wrappedImageSize({400, 300}, {0, 0, 1000, 800}, 300, FitSwitches{}, true), (Size32{1000, 800}));
    EXPECT_EQ(wrappedImageSize({400, 300}, {0, 0, -5, -5}, 300, FitSwitches{}, true), (Size32{0, 0}));
    EXPECT_EQ(wrappedClientRect({10, 20}, {800, 600}, 20), (Rect32{10, 20, 810, 640}));
}

TEST(WindowPlacement, InitialPresetsAndCentre) {
    EXPECT_EQ(initialPresets({100, 100, 900, 700}, 1920, 1080, 4),
              (std::array<Rect32, 5>{Rect32{44, 69, 956, 731}, Rect32{-36, 24, 1036, 776},
                                     Rect32{-116, -21, 1116, 821}, Rect32{0, 0, 392, 1080},
                                     Rect32{1528, 0, 1920, 1080}}));
    const auto odd = initialPresets({0, 0, 10, 10}, 1366, 768, 3);  // 1366 / 5 truncates to 273
    EXPECT_EQ(odd[3], (Rect32{0, 0, 279, 768}));
    EXPECT_EQ(odd[4], (Rect32{1087, 0, 1366, 768}));
    EXPECT_EQ(rectCentre({10, 0, 5, 51}), (Point32{8, 25}));  // width −5 halves toward zero
    EXPECT_EQ(width({INT32_MIN, 0, INT32_MAX, 0}), INT32_MAX);
}

}  // namespace
