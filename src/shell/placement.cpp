// Window placement arithmetic.
#include "placement.h"

#include <algorithm>
#include <limits>

namespace {

int32_t saturate(int64_t v) {
    return static_cast<int32_t>(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

Rect32 atSize(int64_t left, int64_t top, int64_t w, int64_t h) {
    return {saturate(left), saturate(top), saturate(left + w), saturate(top + h)};
}

// The window's position on one axis of a work area span [start, start + room).
int64_t roamAxis(int64_t start, int64_t room, int64_t size, const std::function<int()>& rand) {
    if (room > size) {
        int64_t value = (rand ? rand() : 0) % (room - size);
        if (value < 0) value += room - size;
        return start + value;
    }
    return start + (room - size) / 2;
}

}  // namespace

int32_t width(Rect32 r) { return saturate(static_cast<int64_t>(r.right) - r.left); }
int32_t height(Rect32 r) { return saturate(static_cast<int64_t>(r.bottom) - r.top); }

Point32 rectCentre(Rect32 r) {
    return {saturate(r.left + static_cast<int64_t>(width(r)) / 2),
            saturate(r.top + static_cast<int64_t>(height(r)) / 2)};
}

Rect32 centredRect(Rect32 window, Rect32 workArea, int captionAdjust) {
    const int64_t w = width(window), h = height(window);
    const int64_t top = static_cast<int64_t>(workArea.top) - captionAdjust;
    const int64_t x = workArea.left + (static_cast<int64_t>(width(workArea)) - w) / 2;
    const int64_t y = top + (workArea.bottom - top - h) / 2;
    return atSize(x, y, w, h);
}

Rect32 roamRect(Rect32 window, Rect32 workArea, int captionAdjust, const std::function<int()>& rand) {
    const int64_t w = width(window), h = height(window);
    const int64_t top = static_cast<int64_t>(workArea.top) - captionAdjust;
    const int64_t x = roamAxis(workArea.left, width(workArea), w, rand);
    const int64_t y = roamAxis(top, workArea.bottom - top, h, rand);
    return atSize(x, y, w, h);
}

Rect32 corralRect(Rect32 window, Rect32 monitor, int minimumSide) {
    int64_t left = window.left, top = window.top, right = window.right, bottom = window.bottom;
    int64_t w = right - left, h = bottom - top;
    if (w < minimumSide) {
        w = minimumSide;
        right = left + w;
    }
    if (h < minimumSide) {
        h = minimumSide;
        bottom = top + h;
    }
    if (!(top <= monitor.bottom && bottom <= monitor.bottom + int64_t{10})) {
        bottom = monitor.bottom;
        top = bottom - h;
    }
    if (!(left <= monitor.right && right <= monitor.right + int64_t{10})) {
        right = monitor.right;
        left = right - w;
    }
    if (right < 0 || left < -10) {
        left = 0;
        right = w;
    }
    if (bottom < 0 || top < -10) {
        top = 0;
        bottom = h;
    }
    return {saturate(left), saturate(top), saturate(right), saturate(bottom)};
}

Rect32 imageBounds(Rect32 workArea, const WindowFrame& frame) {
    if (frame.crop) return workArea;
    int64_t left = workArea.left, right = workArea.right;
    int64_t top = static_cast<int64_t>(workArea.top) + frame.frameHeight + frame.captionHeight;
    int64_t bottom = static_cast<int64_t>(workArea.bottom) - frame.frameHeight - frame.statusBarHeight;
    if (frame.blackboxSkin) {
        top -= frame.captionAdjust;
    } else {
        left += frame.frameWidth;
        right -= frame.frameWidth;
    }
    return {saturate(left), saturate(top), saturate(right), saturate(bottom)};
}

Size32 wrappedImageSize(Size32 natural, Rect32 bounds, int percent, FitSwitches fit, bool manualZoom) {
    const Size32 room{width(bounds), height(bounds)};
    Size32 shown = fitSize(natural, room, percent, fit);
    if (!fit.squeeze || manualZoom) {
        shown.width = std::max(0, std::min(shown.width, room.width));
        shown.height = std::max(0, std::min(shown.height, room.height));
    }
    return shown;
}

Rect32 wrappedClientRect(Point32 topLeft, Size32 shown, int statusBarHeight) {
    return atSize(topLeft.x, topLeft.y, shown.width,
                  static_cast<int64_t>(shown.height) + statusBarHeight);
}

Rect32 growRect(Rect32 r, int dx, int dy) {
    return {saturate(static_cast<int64_t>(r.left) - dx), saturate(static_cast<int64_t>(r.top) - dy),
            saturate(static_cast<int64_t>(r.right) + dx),
            saturate(static_cast<int64_t>(r.bottom) + dy)};
}

std::array<Rect32, 5> initialPresets(Rect32 window, int screenWidth, int screenHeight, int frameWidth) {
    const int64_t strip = static_cast<int64_t>(screenWidth) / 5 + 2 * static_cast<int64_t>(frameWidth);
    return {growRect(window, 56, 31),
            growRect(window, 136, 76),
            growRect(window, 216, 121),
            Rect32{0, 0, saturate(strip), screenHeight},
            Rect32{saturate(static_cast<int64_t>(screenWidth) - strip), 0, screenWidth, screenHeight}};
}
