// The view of the current image: zoom, rotation, scrolling and dragging with the mouse.
#pragma once

#include <windows.h>

struct ViewState {
    int zoomPercent = 0;       // the zoom in force; 0 fits by the fit switches
    bool manualZoom = false;   // zoomed by hand since the image was shown
    int appliedRotation = 0;   // degrees the shown image was turned by the rotation lock or by hand
    int scrollX = 0, scrollY = 0, scrollRangeX = 0, scrollRangeY = 0;
    int scrollStep = 100;      // pixels per scroll command, before the Shift/Ctrl/Alt factors
    bool autoscrollDone = false;
    bool dragScrolling = false;
    POINT dragOrigin{};        // cursor at the press (updated while drag-scrolling)
    RECT dragWindowRect{};     // the window at the press (for dragging the window)

    // A newly shown image starts at the top left with the locked zoom.
    void resetForNewImage(int zoom) {
        scrollX = scrollY = 0;
        autoscrollDone = false;
        manualZoom = false;
        zoomPercent = zoom;
    }
};
