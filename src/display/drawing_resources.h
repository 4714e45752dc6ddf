// What the main window is drawn with: the off-screen surfaces, the background brush and the font
// for text drawn over the image.
#pragma once

#include <windows.h>

#include <array>

#include "core/win_handles.h"

struct DrawingResources {
    // The view surface (viewDC and its bitmap): the displayed image, kept for scrolling, Copy View and
    // Save As; in collage mode the whole collage.
    OffscreenSurface view;
    // What the view surface was last resampled from: while the image, its shown size and the
    // interpolation stay the same, a repaint copies the surface instead of resampling again.
    struct ViewSource {
        unsigned generation = 0;
        int width = 0, height = 0, interpolation = 0;
        bool valid = false;
        bool operator==(const ViewSource&) const = default;
    } viewSource;
    // The tile surface (tileDC and its bitmap): one collage tile.
    OffscreenSurface tile;
    GdiBrush backgroundBrush;  // solid brush of `bgcolor`
    GdiFont textFont;          // variable-pitch default font
    // The colour chooser's sixteen custom colours, kept for the run (not saved); white at first.
    std::array<COLORREF, 16> customColours = [] {
        std::array<COLORREF, 16> colours;
        colours.fill(RGB(255, 255, 255));
        return colours;
    }();
};
