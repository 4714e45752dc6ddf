// Fit, placement, zoom steps and scroll arithmetic of the view.
#include "view_geometry.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr int64_t kMin32 = std::numeric_limits<int32_t>::min();
constexpr int64_t kMax32 = std::numeric_limits<int32_t>::max();

int32_t saturate(int64_t v) { return static_cast<int32_t>(std::clamp(v, kMin32, kMax32)); }

// float → int32, truncating toward zero; out-of-range values saturate and NaN gives 0.
int32_t truncToInt(float v) {
    if (std::isnan(v)) return 0;
    if (v >= 2147483648.0f) return std::numeric_limits<int32_t>::max();
    if (v <= -2147483648.0f) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(v);
}

// The product and quotient are each rounded to float before truncation, so that the fit matches
// single-precision arithmetic on every compiler (no wider intermediate).
int32_t timesRatio(int32_t side, float ratio) {
    const float product = static_cast<float>(side) * ratio;
    return truncToInt(product);
}

int32_t overRatio(int32_t side, float ratio) {
    const float quotient = static_cast<float>(side) / ratio;
    return truncToInt(quotient);
}

int32_t scaleByPercent(int32_t side, int percent) {
    return saturate(static_cast<int64_t>(side) * percent / 100);
}

// The offset of a `shown`-long image in a `room`-long space for the fixed layouts.
struct AxisPlacement {
    bool centre, far;
};

AxisPlacement axisOf(int layout, bool horizontal) {
    switch (layout) {
    case kLayoutCentred: return {true, false};
    case kLayoutTopRight: return {false, horizontal};
    case kLayoutBottomLeft: return {false, !horizontal};
    case kLayoutBottomRight: return {false, true};
    default: return {false, false};  // top-left, roaming and unknown layouts
    }
}

int32_t fixedOffset(int32_t room, int32_t shown, AxisPlacement axis) {
    const int64_t spare = static_cast<int64_t>(room) - shown;
    if (axis.centre) return saturate(spare / 2);
    return axis.far ? saturate(spare) : 0;
}

int32_t randomOffset(int32_t room, int32_t shown, const std::function<int()>& rand) {
    if (shown >= room) return 0;
    const int64_t spare = static_cast<int64_t>(room) - shown;
    int64_t value = (rand ? rand() : 0) % spare;
    if (value < 0) value += spare;
    return static_cast<int32_t>(value);
}

}  // namespace

Size32 fitSize(Size32 natural, Size32 target, int percent, FitSwitches fit) {
    if (natural.width <= 0 || natural.height <= 0) return {};
    if (percent >= 1)
        return {scaleByPercent(natural.width, percent), scaleByPercent(natural.height, percent)};

    const int32_t rw = std::max(0, target.width);
    const int32_t rh = std::max(0, target.height);
    int32_t w = natural.width;
    int32_t h = natural.height;

    if (fit.stretch && !(w >= rw && h >= rh)) {
        const float r = static_cast<float>(w) / static_cast<float>(h);
        if (w < rw && h >= rh) {
            w = rw;
            h = overRatio(rw, r);
        } else {
            h = rh;
            w = timesRatio(rh, r);
            if (w < rw) {
                w = rw;
                h = overRatio(rw, r);
            }
        }
    }
    // A side truncated to 0 leaves no ratio to fit by; the size stays as it is.
    if (w <= 0 || h <= 0) return {std::max(0, w), std::max(0, h)};

    const float r = static_cast<float>(w) / static_cast<float>(h);
    if (fit.squeeze) {
        if (h > rh) {
            h = rh;
            w = timesRatio(rh, r);
        }
        if (w > rw) {
            w = rw;
            h = overRatio(rw, r);
        }
    } else if (fit.shrink && w > rw && h > rh) {
        h = rh;
        w = timesRatio(rh, r);
        if (w < rw) {
            w = rw;
            h = overRatio(rw, r);
        }
    }
    return {w, h};
}

Placement placeImage(Size32 natural, Size32 target, int percent, FitSwitches fit, int layout,
                     bool allowNegative, const std::function<int()>& rand) {
    Placement placed;
    if (natural.width <= 0 || natural.height <= 0) return placed;
    placed.size = fitSize(natural, target, percent, fit);
    const int32_t w = placed.size.width, h = placed.size.height;

    if (percent != 0) {
        placed.effectivePercent = percent;
    } else {
        const uint64_t scaled = static_cast<uint64_t>(std::max(0, w)) * 100u /
                                static_cast<uint64_t>(natural.width);
        placed.effectivePercent = static_cast<int>(std::min<uint64_t>(scaled, kMax32));
    }

    const int32_t rw = std::max(0, target.width);
    const int32_t rh = std::max(0, target.height);
    if (layout == kLayoutRoaming) {
        placed.offsetX = randomOffset(rw, w, rand);
        placed.offsetY = randomOffset(rh, h, rand);
    } else {
        placed.offsetX = fixedOffset(rw, w, axisOf(layout, true));
        placed.offsetY = fixedOffset(rh, h, axisOf(layout, false));
    }
    if (!allowNegative) {
        placed.offsetX = std::max(0, placed.offsetX);
        placed.offsetY = std::max(0, placed.offsetY);
    }
    return placed;
}

Point32 cropOrigin(Size32 window, Size32 shown, int layout) {
    return {fixedOffset(window.width, shown.width, axisOf(layout, true)),
            fixedOffset(window.height, shown.height, axisOf(layout, false))};
}

Size32 collageTileSize(Size32 natural, int collageSize, Size32 canvas) {
    const int32_t side = std::max(0, collageSize);
    const Size32 box{std::clamp(canvas.width, 0, side), std::clamp(canvas.height, 0, side)};
    return fitSize(natural, box, 0, FitSwitches{true, false, false});
}

int zoomStepped(int percent, int step, bool alt, bool in) {
    const int64_t by = alt ? 1 : step;
    if (in) return static_cast<int>(std::clamp<int64_t>(percent + by, percent, std::max(percent, kMaxZoomPercent)));
    if (percent <= step) return percent;
    return static_cast<int>(std::max<int64_t>(percent - by, 1));
}

int scrollMultiplier(int scrollStep, bool shift, bool ctrl, bool alt) {
    if (shift) return saturate(static_cast<int64_t>(scrollStep) * 2);
    if (ctrl) return saturate(static_cast<int64_t>(scrollStep) * 5);
    if (alt) return 1;
    return scrollStep;
}

int dragMultiplier(bool shift, bool ctrl) { return shift ? 2 : ctrl ? 5 : 1; }

Point32 scrollRange(Size32 shown, Size32 client) {
    return {saturate(std::max<int64_t>(0, static_cast<int64_t>(shown.width) - client.width)),
            saturate(std::max<int64_t>(0, static_cast<int64_t>(shown.height) - client.height))};
}

Point32 autoscrollTarget(Point32 range) { return {range.x / 2, range.y / 2}; }

namespace {

int32_t padOf(int32_t client, int32_t bitmap, int32_t offset) {
    if (client <= bitmap) return 0;
    return saturate(static_cast<int64_t>(client) - (static_cast<int64_t>(offset) + bitmap));
}

int32_t clampAxis(int32_t scroll, int32_t client, int32_t bitmap) {
    int64_t s = std::max(0, scroll);
    if (s + client > bitmap) s = static_cast<int64_t>(bitmap) - client;
    return saturate(s);
}

}  // namespace

Point32 scrollPad(Size32 client, Size32 viewBitmap, Point32 offset) {
    return {padOf(client.width, viewBitmap.width, offset.x),
            padOf(client.height, viewBitmap.height, offset.y)};
}

Point32 clampScroll(Point32 scroll, Size32 client, Size32 viewBitmap) {
    return {clampAxis(scroll.x, client.width, viewBitmap.width),
            clampAxis(scroll.y, client.height, viewBitmap.height)};
}

ScrollView computeScrollView(Point32 scroll, Size32 client, Size32 viewBitmap, Point32 offset) {
    ScrollView view;
    view.scroll = clampScroll(scroll, client, viewBitmap);
    view.pad = scrollPad(client, viewBitmap, offset);
    view.source = {saturate(static_cast<int64_t>(view.pad.x) + view.scroll.x),
                   saturate(static_cast<int64_t>(view.pad.y) + view.scroll.y)};
    return view;
}

std::vector<Point32> autoscrollSteps(Point32 target, Point32 range, int scrollStep) {
    const int64_t step = std::max(1, scrollStep);
    const int64_t rangeX = std::max(0, range.x), rangeY = std::max(0, range.y);
    // The scroll position never lies past the range; keeping the target inside it bounds the
    // animation to about scrollStep steps.
    const int64_t targetX = std::min<int64_t>(target.x, rangeX);
    const int64_t targetY = std::min<int64_t>(target.y, rangeY);
    const int64_t advanceX = rangeX / step + 1, advanceY = rangeY / step + 1;

    std::vector<Point32> steps;
    int64_t x = 0, y = 0;
    while (x < targetX || y < targetY) {
        bool advanced = false;
        if (x < targetX) {
            x += advanceX;
            advanced = true;
        }
        if (!advanced || y < targetY) y += advanceY;
        steps.push_back({saturate(x), saturate(y)});
    }
    return steps;
}
