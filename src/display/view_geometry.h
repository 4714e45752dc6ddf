// Where and how large the current image is shown: the fit of the natural size into a target under
// the fit switches, the zoom percentage, the placement by layout, the crop region's origin, the
// collage tile size, and the scroll arithmetic of the view. Pure arithmetic; drawing lives elsewhere.
//
// Ratios, products and quotients of the fit are single precision (float) and every float-to-int
// conversion truncates toward zero, so 800 / (4000 / 3000) gives 600, not 599. All results that
// could leave the 32-bit range saturate instead of wrapping.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "core/setting_values.h"

struct Size32 {
    int32_t width = 0, height = 0;
    bool operator==(const Size32&) const = default;
};

struct Point32 {
    int32_t x = 0, y = 0;
    bool operator==(const Point32&) const = default;
};

// The squeeze, shrink and stretch settings, with their defaults.
struct FitSwitches {
    bool squeeze = true;   // shrink to fit inside the target, never enlarge
    bool shrink = true;    // shrink to cover the target (only when squeeze is off)
    bool stretch = false;  // enlarge to cover the target
};


// Displayed size of an image of natural size `natural` in a target of size `target`.
// percent >= 1 zooms (natural × percent / 100, integer division) and ignores the switches; any
// other percent fits by the switches: stretch (cover) first, then squeeze (fit inside), else shrink
// (cover, only when larger in both directions). A natural size with a side <= 0 gives {0, 0}; a
// negative target side counts as 0.
Size32 fitSize(Size32 natural, Size32 target, int percent, FitSwitches fit);

struct Placement {
    Size32 size;                 // the displayed size (fitSize)
    int32_t offsetX = 0, offsetY = 0;
    int effectivePercent = 0;    // what the caller stores back as the zoom percentage
};

// The fitted size placed in the target by layout: centred, in a corner, or at a random place
// (layout 5: offsetX = rand() mod (target width − w) only when w is less than the target width,
// likewise for y; rand is asked for x first and is not called for an axis without room). Other
// layouts place at (0, 0). Negative offsets become 0 unless allowNegative. The effective percent
// is `percent` when it is not 0, else the fitted width × 100 / natural width, truncated.
// A natural size with a side <= 0 places nothing: an all-zero Placement.
Placement placeImage(Size32 natural, Size32 target, int percent, FitSwitches fit, int layout,
                     bool allowNegative, const std::function<int()>& rand);

// Origin of the crop region for an image shown at `shown` in a window of size `window`: the
// placement offsets of the layout, with roaming (5) and unknown layouts at the top-left. Not clamped:
// an image larger than the window gives a negative origin.
Point32 cropOrigin(Size32 window, Size32 shown, int layout);

// Size of one collage tile: the image squeezed into a collageSize square cut to the canvas (large
// images shrink to fit with their aspect kept, small ones keep their size), so that every tile is
// seen whole. A collageSize or canvas side below 0 counts as 0.
Size32 collageTileSize(Size32 natural, int collageSize, Size32 canvas);

// ---- Zoom ----------------------------------------------------------------------------------

// Zoom In (`in`) or Zoom Out: one percent with Alt, else `step`. Zoom In stops at kMaxZoomPercent;
// Zoom Out applies only while the percentage is above the step (it never reaches 0, which would
// mean "fit"), and the percentage then comes back unchanged.
int zoomStepped(int percent, int step, bool alt, bool in);

// ---- Scrolling -----------------------------------------------------------------------------

// Pixels per keyboard scroll: scrollStep × 2 with Shift, else × 5 with Ctrl, else 1 with Alt,
// else scrollStep.
int scrollMultiplier(int scrollStep, bool shift, bool ctrl, bool alt);
// Factor of a drag scroll: 2 with Shift, else 5 with Ctrl, else 1.
int dragMultiplier(bool shift, bool ctrl);

// How far the displayed image can scroll in a client of size `client`: max(0, shown − client) on
// each axis.
Point32 scrollRange(Size32 shown, Size32 client);

// The scroll position an automatic scroll of a new image aims at: the middle of the range.
Point32 autoscrollTarget(Point32 range);

// The blank margin in front of a view bitmap narrower (shorter) than the client: client −
// (offset + bitmap) on that axis, else 0.
Point32 scrollPad(Size32 client, Size32 viewBitmap, Point32 offset);

// The scroll position made valid: negative coordinates become 0, then a position whose visible
// part would run past the bitmap's end is pulled back to bitmap − client. For a bitmap smaller than
// the client that is negative, so that pad + scroll = −offset and the image stays where it was
// placed.
Point32 clampScroll(Point32 scroll, Size32 client, Size32 viewBitmap);

// Everything the view copy needs: the clamped scroll and the point of the view bitmap that is
// copied to the client's top-left (pad + scroll).
struct ScrollView {
    Point32 scroll;
    Point32 pad;
    Point32 source;
    bool operator==(const ScrollView&) const = default;
};
ScrollView computeScrollView(Point32 scroll, Size32 client, Size32 viewBitmap, Point32 offset);

// The positions of the animated scroll from (0, 0) to `target`: while x < target.x, x advances by
// range.x / scrollStep + 1; y advances by range.y / scrollStep + 1 while y < target.y; one entry per
// step, after the step's advance. Each step shows the view bitmap at (x − offsetX, y − offsetY).
// The animation ends at the first position with x >= target.x and y >= target.y; a target at or
// before the origin gives no steps. A target beyond the range counts as the range's end (a valid
// scroll position never lies past it), so there are at most scrollStep + 1 steps; a scrollStep
// below 1 counts as 1 and a negative range as 0.
std::vector<Point32> autoscrollSteps(Point32 target, Point32 range, int scrollStep);
