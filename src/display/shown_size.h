// The size a picture is held at when it is shown smaller than its pixels.
//
// A picture fitted into the window needs only the pixels it is shown with: holding it at that size
// instead of whole keeps a large picture (and the one decoded ahead) to a few megabytes. The rule
// carries everything that decides the shown size of the next picture before its pixels are known:
// the area, the zoom and fit switches, the turns applied after decoding, and the interpolation the
// painting uses (a reduced picture is resampled exactly as the painting would resample it).
// Pure arithmetic.
#pragma once

#include "view_geometry.h"

struct ShownSizeRule {
    bool reduce = false;     // false: pictures are held whole
    Size32 area;             // where the picture is placed (the client area)
    int zoomPercent = 0;     // >= 1 zooms; otherwise the fit switches decide
    FitSwitches fit;
    bool exifOrient = false; // EXIF orientations 5..8 turn the picture on its side
    int rotation = 0;        // 0, 90, 180 or 270, applied after the EXIF turn
    bool rotateAspect = false;
    Size32 reference;        // with rotateAspect: a picture already of this shape is not rotated
    int interpolation = 0;   // GDI+ interpolation mode of the painting

    bool operator==(const ShownSizeRule& o) const {
        return reduce == o.reduce && area == o.area && zoomPercent == o.zoomPercent && fit.squeeze == o.fit.squeeze &&
               fit.shrink == o.fit.shrink && fit.stretch == o.fit.stretch && exifOrient == o.exifOrient &&
               rotation == o.rotation && rotateAspect == o.rotateAspect && reference == o.reference &&
               interpolation == o.interpolation;
    }
};

// The size, in the picture's stored axes, to hold a picture of stored size `stored` with EXIF
// orientation `orientation` at: its shown size, turned back into the stored axes. {0, 0} when it is
// to be held whole: the rule does not reduce, the size is unknown, or the picture is shown at or
// above its own size in either direction.
Size32 reducedStoredSize(const ShownSizeRule& rule, Size32 stored, unsigned orientation);
