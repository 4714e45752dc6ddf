// Placement arithmetic of the main window on the screen: centring, random roaming, keeping the
// window on its monitor, the bounds and size of a window wrapped around the image, and the initial
// presets. Pure arithmetic on rectangles; moving the window is the caller's business. Every result
// that could leave the 32-bit range saturates instead of wrapping.
#pragma once

#include <array>
#include <cstdint>
#include <functional>

#include "core/settings.h"
#include "display/view_geometry.h"

int32_t width(Rect32 r);   // right − left
int32_t height(Rect32 r);  // bottom − top

// The centre used to find the monitor holding a window: (left + width / 2, top + height / 2),
// divisions truncating toward zero.
Point32 rectCentre(Rect32 r);

// `window`'s size moved to the centre of the work area. captionAdjust raises the top of the work
// area used (the Blackbox caption adjustment when it applies, else 0):
// x = work.left + (work width − w) / 2, y = top′ + (work.bottom − top′ − h) / 2, top′ = work.top −
// captionAdjust.
Rect32 centredRect(Rect32 window, Rect32 workArea, int captionAdjust);

// `window`'s size moved to a random place in the work area (top raised by captionAdjust as above):
// x = work.left + rand() mod (W − w) when the work area is wider than the window, else centred on
// that axis, likewise for y. rand is asked for x first and not called for an axis without room.
Rect32 roamRect(Rect32 window, Rect32 workArea, int captionAdjust, const std::function<int()>& rand);

// The smallest side corralWindow leaves a window, at 96 DPI.
inline constexpr int kMinimumWindowSide = 100;

// The window kept on the monitor: at least minimumSide × minimumSide (100 × 100 at 96 DPI); pulled back to the monitor's right (bottom)
// edge when it starts past it or overhangs it by more than 10 pixels, and to 0 when its right
// (bottom) edge is below 0 or its left (top) edge below −10.
Rect32 corralRect(Rect32 window, Rect32 monitor, int minimumSide = kMinimumWindowSide);

// The parts of the window frame around the image when the window is wrapped around it.
struct WindowFrame {
    int frameWidth = 0, frameHeight = 0;  // sizing frame (SM_CXFRAME, SM_CYFRAME)
    int captionHeight = 0;                // SM_CYCAPTION
    int statusBarHeight = 0;              // 0 when there is no status bar
    bool crop = false;                    // borderless window cut to the image
    bool blackboxSkin = false;            // Blackbox present and its skin in use
    int captionAdjust = 0;                // the Blackbox caption adjustment
};

// The room the image may take in the work area: the work area less the frame, caption and status
// bar; with the Blackbox skin the sides stay at the work area's and the top is raised by the
// caption adjustment; a cropped window has the whole work area.
Rect32 imageBounds(Rect32 workArea, const WindowFrame& frame);

// The image size the wrapped window is made for: the fit into the bounds, and, when the image
// may scroll (squeeze off, or a manual zoom), cut to the bounds' width and height (never below 0).
Size32 wrappedImageSize(Size32 natural, Rect32 bounds, int percent, FitSwitches fit, bool manualZoom);

// The client rectangle of the wrapped window: from `topLeft`, the image size plus the status bar
// below it.
Rect32 wrappedClientRect(Point32 topLeft, Size32 shown, int statusBarHeight);

// `r` grown by dx on the left and right and by dy at the top and bottom.
Rect32 growRect(Rect32 r, int dx, int dy);

// The presets before the settings are read: the window grown by 56 × 31, 136 × 76 and 216 × 121,
// then strips of a fifth of the screen width (plus two frame widths) at the left and right edges,
// full screen height.
std::array<Rect32, 5> initialPresets(Rect32 window, int screenWidth, int screenHeight, int frameWidth);
