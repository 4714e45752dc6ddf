#include "clipboard_logic.h"

#include <algorithm>

namespace {

struct Span {
    int32_t start = 0, length = 0;
    bool reset = false;
};

Span visibleSpan(int32_t client, int32_t view, int32_t scroll) {
    client = std::max(client, 0);
    view = std::max(view, 0);
    if (client >= view) return {0, view, true};
    // The view scrolls on this axis: the window shows `client` units from the kept scroll position.
    const int32_t start = std::clamp(scroll, 0, view - client);
    return {start, client, false};
}

}  // namespace

ViewCopyRect visibleViewPart(Size32 client, Size32 view, Point32 scroll) {
    const Span x = visibleSpan(client.width, view.width, scroll.x);
    const Span y = visibleSpan(client.height, view.height, scroll.y);
    ViewCopyRect rect{x.start, y.start, x.length, y.length, x.reset, y.reset};
    if (rect.width == 0 || rect.height == 0) rect.width = rect.height = 0;
    return rect;
}
