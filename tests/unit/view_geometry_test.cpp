// Fit, placement, zoom steps and scroll arithmetic of the view.
#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "display/view_geometry.h"

namespace {

constexpr FitSwitches kSqueeze{true, false, false}, kShrink{false, true, false}, kStretch{false, false, true},
    kStretchSqueeze{true, false, true}, kNone{false, false, false};
TEST(FitSize, SwitchesPercentAndSinglePrecisionTruncation) {
    const struct { Size32 natural, target; int percent; FitSwitches fit; Size32 expected; } cases[] = {
        // squeeze fits inside and never enlarges; it takes precedence over shrink
        {{4000, 3000}, {800, 600}, 0, FitSwitches{}, {800, 600}},
        {{400, 300}, {800, 600}, 0, FitSwitches{}, {400, 300}},
        // stretch covers the target; squeeze then fits the covering size inside
        {{400, 300}, {800, 800}, 0, kStretch, {1066, 800}},
        {{400, 300}, {800, 800}, 0, kStretchSqueeze, {800, 600}},
        {{1000, 1000}, {800, 800}, 0, kStretch, {1000, 1000}},
        // shrink covers, and only when larger in both directions
        {{4000, 3000}, {800, 800}, 0, kShrink, {1066, 800}},
        {{4000, 3000}, {800, 400}, 0, kShrink, {800, 600}},  // 800 / (4000/3000) is 600 in float
        {{4000, 3000}, {800, 600}, 0, kNone, {4000, 3000}},
        // float ratio and float product: double arithmetic would give 858 and 499
        {{1001, 700}, {2000, 600}, 0, kSqueeze, {857, 600}},
        {{1015, 1218}, {2000, 600}, 0, kSqueeze, {500, 600}},
        // a percent ignores the switches, divides as integers and saturates; a negative one is ignored
        {{333, 333}, {100, 100}, 150, FitSwitches{}, {499, 499}},
        {{1 << 30, 10}, {800, 600}, 1000, kSqueeze, {INT_MAX, 100}},
        {{4000, 3000}, {800, 600}, -5, kSqueeze, {800, 600}},
        // bad sizes: nothing to show, a zero-sized target, overflow
        {{400, -1}, {800, 600}, 100, FitSwitches{}, {0, 0}},
        {{400, 300}, {-50, -50}, 0, kSqueeze, {0, 0}},
        {{1, 2000000000}, {2000000000, 10}, 0, kStretch, {2000000000, INT_MAX}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(fitSize(c.natural, c.target, c.percent, c.fit), c.expected)
            << c.natural.width << "x" << c.natural.height << " in " << c.target.width << "x" << c.target.height
            << " at " << c.percent << "%";
}

TEST(PlaceImage, EffectivePercentLayoutOffsetsAndRoaming) {
    int calls = 0;
    std::vector<int> values;  // what the rand stand-in hands out in turn
    auto place = [&](Size32 natural, int percent, FitSwitches fit, int layout, bool negative, bool useRand = true) {
        calls = 0;
        const auto rand = [&] { return values.at(static_cast<size_t>(calls++)); };
        return placeImage(natural, {800, 600}, percent, fit, layout, negative, useRand ? std::function<int()>(rand) : nullptr);
    };
    auto at = [](const Placement& p) { return Point32{p.offsetX, p.offsetY}; };
    const Placement p = place({4000, 3000}, 0, FitSwitches{}, 0, false);
    EXPECT_EQ(p.size, (Size32{800, 600}));
    EXPECT_EQ(p.effectivePercent, 20);
    EXPECT_EQ(place({100, 100}, 0, kStretch, 0, false).effectivePercent + place({333, 333}, 150, kSqueeze, 0, false).effectivePercent, 950);
    // 401 × 301: spare 399 × 299. Larger: negative offsets (toward zero) only when allowed.
    EXPECT_EQ(at(place({401, 301}, 0, FitSwitches{}, kLayoutCentred, false)), (Point32{199, 149}));
    EXPECT_EQ(at(place({401, 301}, 0, FitSwitches{}, kLayoutTopRight, false)), (Point32{399, 0}));
    EXPECT_EQ(at(place({4001, 3001}, 0, kNone, 0, true)), (Point32{-1600, -1200}));
    EXPECT_EQ(at(place({4001, 3001}, 0, kNone, 4, false)), (Point32{0, 0}));
    EXPECT_EQ(place({0, 10}, 0, FitSwitches{}, 0, true).size, (Size32{0, 0}));
    // Roaming asks rand only for an axis with room; negative values and no rand give no bad offset.
    values = {1234, 77};
    EXPECT_EQ(at(place({400, 300}, 0, FitSwitches{}, kLayoutRoaming, false)), (Point32{1234 % 400, 77}));
    EXPECT_EQ(calls, 2);
    values = {1000};
    EXPECT_EQ(at(place({800, 300}, 0, kNone, kLayoutRoaming, false)), (Point32{0, 1000 % 300}));
    EXPECT_EQ(calls, 1);
    values = {-7, -300};
    EXPECT_EQ(at(place({400, 300}, 0, kNone, kLayoutRoaming, false)), (Point32{393, 0}));
    EXPECT_EQ(at(place({400, 300}, 0, kNone, kLayoutRoaming, false, false)), (Point32{0, 0}));
}

TEST(CropAndCollage, OriginByLayoutAndTileSize) {
    const Point32 origins[] = {{200, 200}, {0, 0}, {400, 0}, {0, 400}, {400, 400}, {0, 0}, {0, 0}};
    for (int layout = 0; layout < 7; ++layout)
        EXPECT_EQ(cropOrigin({1000, 800}, {600, 400}, layout), origins[layout]) << "layout " << layout;
    EXPECT_EQ(cropOrigin({100, 100}, {301, 101}, 0), (Point32{-100, 0}));
    EXPECT_EQ(cropOrigin({100, 100}, {301, 101}, 4), (Point32{-201, -1}));
    // A tile fits the collage size and the canvas, with its aspect: in a 50 x 50 window a
    // 640 x 480 picture is 50 x 37, not a strip.
    const Size32 big{2000, 2000};
    EXPECT_EQ((std::vector<Size32>{collageTileSize({100, 50}, 250, big), collageTileSize({1000, 500}, 250, big),
                                   collageTileSize({500, 1000}, 250, big), collageTileSize({500, 1000}, -3, big),
                                   collageTileSize({640, 480}, 250, {50, 50}), collageTileSize({640, 480}, 250, {-1, 9})}),
              (std::vector<Size32>{{100, 50}, {250, 125}, {125, 250}, {0, 0}, {50, 37}, {0, 0}}));
}

TEST(Zoom, StepsByTheStepOrOneAndSaturates) {
    EXPECT_EQ((std::vector<int>{zoomStepped(20, 10, false, true), zoomStepped(20, 10, true, true),
                                zoomStepped(11, 10, false, false), zoomStepped(11, 10, true, false)}),
              (std::vector<int>{30, 21, 1, 10}));
    // At or below the step Zoom Out does nothing, also with Alt; Zoom In stops at the largest zoom.
    EXPECT_EQ(zoomStepped(10, 10, false, false) + zoomStepped(3, 10, true, false), 13);
    EXPECT_EQ(zoomStepped(kMaxZoomPercent - 3, 1000, false, true), kMaxZoomPercent);
    EXPECT_EQ(zoomStepped(INT_MAX - 3, 1000, false, true), INT_MAX - 3);
}

TEST(Scroll, MultipliersRangeClampAndAutoscroll) {
    EXPECT_EQ((std::vector<int>{scrollMultiplier(100, false, false, false), scrollMultiplier(100, true, true, true),
                                scrollMultiplier(100, false, true, true), scrollMultiplier(100, false, false, true)}),
              (std::vector<int>{100, 200, 500, 1}));
    EXPECT_EQ(dragMultiplier(true, true) * 100 + dragMultiplier(false, true) * 10 + dragMultiplier(false, false), 251);
    EXPECT_EQ(scrollRange({400, 700}, {800, 600}), (Point32{0, 100}));
    EXPECT_EQ(autoscrollTarget({201, 100}), (Point32{100, 50}));
    // Larger than the client: the scroll stays within 0..range and no pad.
    EXPECT_EQ(computeScrollView({-5, 500}, {800, 600}, {1000, 700}, {0, 0}), (ScrollView{{0, 100}, {0, 0}, {0, 100}}));
    // Smaller than the client: the copy starts at −offset, so the image keeps its placed offset.
    for (Point32 offset : {Point32{200, 150}, Point32{400, 300}})
        EXPECT_EQ(computeScrollView({30, 40}, {800, 600}, {400, 300}, offset),
                  (ScrollView{{-400, -300}, {400 - offset.x, 300 - offset.y}, {-offset.x, -offset.y}}));
    // Wider than the client but shorter.
    EXPECT_EQ(computeScrollView({900, 0}, {800, 600}, {1000, 300}, {0, 150}),
              (ScrollView{{200, -300}, {0, 150}, {200, -150}}));
    // Autoscroll animation: x advances 21 a step, y 11; no division by zero or endless loop from bad input.
    const std::vector<Point32> steps = autoscrollSteps({1000, 500}, {2000, 1000}, 100);
    ASSERT_EQ(steps.size(), 48u);
    EXPECT_EQ(steps[46], (Point32{987, 506}));  // y has arrived and stays
    EXPECT_EQ(steps.back(), (Point32{1008, 506}));
    EXPECT_TRUE(autoscrollSteps({-3, -3}, {500, 500}, 100).empty());
    EXPECT_EQ(autoscrollSteps({10, 0}, {10, 0}, 0).size() + autoscrollSteps({5, 0}, {-10, 0}, 100).size(), 1u);
    EXPECT_EQ(autoscrollSteps({INT_MAX, 0}, {1000, 0}, 100).size(), 91u);
}

}  // namespace
