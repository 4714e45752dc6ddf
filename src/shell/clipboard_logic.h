// Which part of the view bitmap Copy View puts on the clipboard: exactly what the window shows of
// the image, never the background around it nor anything past the bitmap's edges.
#pragma once

#include "display/view_geometry.h"

struct ViewCopyRect {
    int32_t x = 0, y = 0;           // top-left in the view bitmap
    int32_t width = 0, height = 0;  // 0 when there is nothing to copy
    bool resetScrollX = false;      // the image is narrower than the client: its scroll is 0
    bool resetScrollY = false;      // likewise for the height
    bool operator==(const ViewCopyRect&) const = default;
};

// The visible part of a view bitmap of size `view` in a client area of size `client` (the status bar
// excluded) scrolled to `scroll`. On an axis where the image is smaller than the client the whole
// extent is copied and the scroll resets to 0; on the others the client's extent is copied from the
// scroll position, which is first kept inside the bitmap as the window shows it.
ViewCopyRect visibleViewPart(Size32 client, Size32 view, Point32 scroll);
