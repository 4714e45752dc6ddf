// Fit, placement, zoom steps and scroll arithmetic of the view.
#include <gtest/gtest.h>

#include <climits>
#include <ostream>
#include <vector>

#include "display/view_geometry.h"

// Readable failure messages.
inline void PrintTo(const Size32& s, std::ostream* os) { *os << s.width << "x" << s.height; }
inline void PrintTo(const Point32& p, std::ostream* os) { *os << "(" << p.x << ", " << p.y << ")"; }

namespace {

constexpr FitSwitches kSqueeze{true, false, false};
constexpr FitSwitches kShrink{false, true, false};
constexpr FitSwitches kStretch{false, false, true};
constexpr FitSwitches kStretchSqueeze{true, false, true};
constexpr FitSwitches kNone{false, false, false};

struct FitCase {
    Size32 natural, target;
    int percent;
    FitSwitches fit;
    Size32 expected;
};

// A rand stand-in that hands out the given values in turn and counts the calls.
struct FakeRand {
    std::vector<int> values;
    int calls = 0;
    std::function<int()> fn() {
        return [this] { return values.at(static_cast<size_t>(calls++)); };
    }
};

TEST(FitSize, SwitchesPercentAndSinglePrecisionTruncation) {
    const FitCase cases[] = {
        // squeeze fits inside and never enlarges; it takes precedence over shrink
        {{4000, 3000}, {800, 600}, 0, FitSwitches{}, {800, 600}},
        {{400, 300}, {800, 600}, 0, FitSwitches{}, {400, 300}},
        {{3000, 4000}, {800, 600}, 0, kSqueeze, {450, 600}},
        {{4000, 1000}, {800, 600}, 0, kSqueeze, {800, 200}},
        // stretch covers the target; squeeze then fits the covering size inside
        {{400, 300}, {800, 800}, 0, kStretch, {1066, 800}},
        {{400, 300}, {800, 800}, 0, kStretchSqueeze, {800, 600}},
        {{400, 900}, {800, 800}, 0, kStretch, {800, 1800}},
        {{1000, 1000}, {800, 800}, 0, kStretch, {1000, 1000}},
        // shrink covers, and only when larger in both directions
        {{4000, 3000}, {800, 800}, 0, kShrink, {1066, 800}},
        {{4000, 3000}, {800, 400}, 0, kShrink, {800, 600}},  // 800 / (4000/3000) is 600 in float
        {{4000, 300}, {800, 800}, 0, kShrink, {4000, 300}},
        {{4000, 3000}, {800, 600}, 0, kNone, {4000, 3000}},
        // float ratio and float product: double arithmetic would give 858 and 499
        {{1001, 700}, {2000, 600}, 0, kSqueeze, {857, 600}},
        {{1015, 1218}, {2000, 600}, 0, kSqueeze, {500, 600}},
        // a percent ignores the switches; integer division
        {{333, 333}, {100, 100}, 150, FitSwitches{}, {499, 499}},
        {{4000, 3000}, {800, 600}, 20, kStretch, {800, 600}},
        {{1 << 30, 10}, {800, 600}, 1000, kSqueeze, {INT_MAX, 100}},
        // negative percent fits by the switches
        {{4000, 3000}, {800, 600}, -5, kSqueeze, {800, 600}},
        // bad sizes: nothing to show, or a zero-sized target
        {{0, 300}, {800, 600}, 0, FitSwitches{}, {0, 0}},
        {{400, -1}, {800, 600}, 100, FitSwitches{}, {0, 0}},
        {{400, 300}, {0, 0}, 0, kSqueeze, {0, 0}},
        {{400, 300}, {-50, -50}, 0, kSqueeze, {0, 0}},
        {{10000, 1}, {10, 10}, 0, kStretchSqueeze, {10, 0}},
        {{1, 2000000000}, {2000000000, 10}, 0, kStretch, {2000000000, INT_MAX}},
    };
    for (const FitCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.natural.width << "x" << c.natural.height << " in "
                                        << c.target.width << "x" << c.target.height << " at "
                                        << c.percent << "%");
        EXPECT_EQ(fitSize(c.natural, c.target, c.percent, c.fit), c.expected);
    }
}

TEST(PlaceImage, EffectivePercentAndLayoutOffsets) {
    FakeRand none;
    Placement p = placeImage({4000, 3000}, {800, 600}, 0, FitSwitches{}, 0, false, none.fn());
    EXPECT_EQ(p.size, (Size32{800, 600}));
    EXPECT_EQ(p.effectivePercent, 20);
    EXPECT_EQ(placeImage({100, 100}, {800, 800}, 0, kStretch, 0, false, none.fn()).effectivePercent, 800);
    EXPECT_EQ(placeImage({333, 333}, {800, 600}, 150, kSqueeze, 0, false, none.fn()).effectivePercent, 150);

    // 401 × 301 in 800 × 600: spare 399 × 299.
    p = placeImage({401, 301}, {800, 600}, 0, FitSwitches{}, kLayoutCentred, false, none.fn());
    EXPECT_EQ((Point32{p.offsetX, p.offsetY}), (Point32{199, 149}));
    p = placeImage({401, 301}, {800, 600}, 0, FitSwitches{}, kLayoutTopRight, false, none.fn());
    EXPECT_EQ((Point32{p.offsetX, p.offsetY}), (Point32{399, 0}));
    // A larger image: negative offsets (truncated toward zero) only when allowed.
    p = placeImage({4001, 3001}, {800, 600}, 0, kNone, 0, true, none.fn());
    EXPECT_EQ((Point32{p.offsetX, p.offsetY}), (Point32{-1600, -1200}));
    p = placeImage({4001, 3001}, {800, 600}, 0, kNone, 4, false, none.fn());
    EXPECT_EQ((Point32{p.offsetX, p.offsetY}), (Point32{0, 0}));
    EXPECT_EQ(none.calls, 0);

    EXPECT_EQ(placeImage({0, 10}, {800, 600}, 0, FitSwitches{}, 0, true, none.fn()).size, (Size32{0, 0}));
}

TEST(PlaceImage, RoamingAsksRandOnlyForAxesWithRoom) {
    FakeRand r{{1234, 77}};
    Placement p = placeImage({400, 300}, {800, 600}, 0, FitSwitches{}, kLayoutRoaming, false, r.fn());
    EXPECT_EQ((Point32{p.offsetX, p.offsetY}), (Point32{1234 % 400, 77}));
    EXPECT_EQ(r.calls, 2);

    FakeRand once{{1000}};  // exactly as wide as the target: no rand for x, y gets the first value
    p = placeImage({800, 300}, {800, 600}, 0, kNone, kLayoutRoaming, false, once.fn());
    EXPECT_EQ((Point32{p.offsetX, p.offsetY}), (Point32{0, 1000 % 300}));
    EXPECT_EQ(once.calls, 1);

    FakeRand negative{{-7, -300}};
    p = placeImage({400, 300}, {800, 600}, 0, kNone, kLayoutRoaming, false, negative.fn());
    EXPECT_EQ((Point32{p.offsetX, p.offsetY}), (Point32{393, 0}));
    p = placeImage({400, 300}, {800, 600}, 0, kNone, kLayoutRoaming, false, nullptr);
    EXPECT_EQ((Point32{p.offsetX, p.offsetY}), (Point32{0, 0}));
}

TEST(CropAndCollage, OriginByLayoutAndTileSize) {
    const Point32 origins[] = {{200, 200}, {0, 0}, {400, 0}, {0, 400}, {400, 400}, {0, 0}, {0, 0}};
    for (int layout = 0; layout < 7; ++layout)
        EXPECT_EQ(cropOrigin({1000, 800}, {600, 400}, layout), origins[layout]) << "layout " << layout;
    EXPECT_EQ(cropOrigin({100, 100}, {301, 101}, 0), (Point32{-100, 0}));
    EXPECT_EQ(cropOrigin({100, 100}, {301, 101}, 4), (Point32{-201, -1}));

    EXPECT_EQ(collageTileSize({100, 50}, 250), (Size32{100, 50}));
    EXPECT_EQ(collageTileSize({1000, 500}, 250), (Size32{250, 125}));
    EXPECT_EQ(collageTileSize({500, 1000}, 250), (Size32{125, 250}));
    EXPECT_EQ(collageTileSize({500, 1000}, -3), (Size32{0, 0}));
}

TEST(Zoom, StepsActualSizeAndLock) {
    EXPECT_EQ(zoomIn(20, 10, false), 30);
    EXPECT_EQ(zoomIn(20, 10, true), 21);
    EXPECT_EQ(zoomIn(INT_MAX - 3, 10, false), INT_MAX);
    EXPECT_EQ(zoomOut(30, 10, false), 20);
    EXPECT_EQ(zoomOut(11, 10, false), 1);
    EXPECT_EQ(zoomOut(11, 10, true), 10);
    for (bool alt : {false, true}) {  // at the step itself nothing happens
        EXPECT_FALSE(canZoomOut(10, 10));
        EXPECT_EQ(zoomOut(10, 10, alt), 10);
        EXPECT_EQ(zoomOut(3, 10, alt), 3);
    }
    ZoomState z = toggleActualSize({37, false}, 50);
    EXPECT_EQ(z, (ZoomState{100, true}));
    EXPECT_EQ(toggleActualSize(z, 50), (ZoomState{50, false}));
    EXPECT_EQ(zoomLockFor(100), 0);
    EXPECT_EQ(zoomLockFor(37), 37);
}

TEST(Scroll, MultipliersRangeAndClamp) {
    EXPECT_EQ(scrollMultiplier(100, false, false, false), 100);
    EXPECT_EQ(scrollMultiplier(100, true, true, true), 200);
    EXPECT_EQ(scrollMultiplier(100, false, true, true), 500);
    EXPECT_EQ(scrollMultiplier(100, false, false, true), 1);
    EXPECT_EQ(dragMultiplier(true, true), 2);
    EXPECT_EQ(dragMultiplier(false, true), 5);
    EXPECT_EQ(dragMultiplier(false, false), 1);

    EXPECT_EQ(scrollRange({1000, 700}, {800, 600}), (Point32{200, 100}));
    EXPECT_EQ(scrollRange({400, 700}, {800, 600}), (Point32{0, 100}));
    EXPECT_EQ(autoscrollTarget({201, 100}), (Point32{100, 50}));

    // Larger than the client: the scroll stays within 0..range and no pad.
    ScrollView v = computeScrollView({-5, 500}, {800, 600}, {1000, 700}, {0, 0});
    EXPECT_EQ(v, (ScrollView{{0, 100}, {0, 0}, {0, 100}}));
    // Smaller than the client: the copy starts at −offset, so the image keeps its placed offset.
    for (Point32 offset : {Point32{200, 150}, Point32{0, 0}, Point32{400, 300}}) {
        v = computeScrollView({30, 40}, {800, 600}, {400, 300}, offset);
        EXPECT_EQ(v.scroll, (Point32{-400, -300}));
        EXPECT_EQ(v.pad, (Point32{400 - offset.x, 300 - offset.y}));
        EXPECT_EQ(v.source, (Point32{-offset.x, -offset.y}));
    }
    // Wider than the client but shorter.
    v = computeScrollView({900, 0}, {800, 600}, {1000, 300}, {0, 150});
    EXPECT_EQ(v, (ScrollView{{200, -300}, {0, 150}, {200, -150}}));
}

TEST(Scroll, AutoscrollAnimationSteps) {
    std::vector<Point32> steps = autoscrollSteps({1000, 500}, {2000, 1000}, 100);
    ASSERT_EQ(steps.size(), 48u);  // x advances 21 a step, y 11
    EXPECT_EQ(steps[0], (Point32{21, 11}));
    EXPECT_EQ(steps[1], (Point32{42, 22}));
    EXPECT_EQ(steps[45], (Point32{966, 506}));
    EXPECT_EQ(steps[46], (Point32{987, 506}));  // y has arrived and stays
    EXPECT_EQ(steps.back(), (Point32{1008, 506}));

    const size_t full = autoscrollSteps({2000, 1000}, {2000, 1000}, 100).size();
    EXPECT_GE(full, 90u);
    EXPECT_LE(full, 100u);

    steps = autoscrollSteps({0, 50}, {0, 1000}, 100);
    EXPECT_EQ(steps, (std::vector<Point32>{{0, 11}, {0, 22}, {0, 33}, {0, 44}, {0, 55}}));
    EXPECT_TRUE(autoscrollSteps({0, 0}, {500, 500}, 100).empty());
    EXPECT_TRUE(autoscrollSteps({-3, -3}, {500, 500}, 100).empty());
    // No division by zero, no endless loop from a bad step, range or target.
    EXPECT_EQ(autoscrollSteps({10, 0}, {10, 0}, 0).size(), 1u);
    EXPECT_EQ(autoscrollSteps({5, 0}, {-10, 0}, 100).size(), 0u);
    EXPECT_EQ(autoscrollSteps({INT_MAX, 0}, {1000, 0}, 100).size(), 91u);
}

}  // namespace
