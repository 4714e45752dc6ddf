// Scrolling, zooming, rotating and the mouse in the main window.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>

#include "command_ids.h"
#include "view_geometry.h"
#include "viewer.h"

void Viewer::computeScrollRange() {
    const SIZE client = clientSize();
    const Point32 range = scrollRange({image.width, image.height}, {client.cx, client.cy});
    scrollRangeX = range.x;
    scrollRangeY = range.y;
}

int Viewer::scrollMultiplier() const {
    return ::scrollMultiplier(scrollStep, GetKeyState(VK_SHIFT) < 0, GetKeyState(VK_CONTROL) < 0, GetKeyState(VK_MENU) < 0);
}

void Viewer::scrollView(bool askedByUser) {
    if (settings.squeeze && !manualZoom) {
        scrollX = scrollY = 0;
        return;
    }
    if (settings.slide && askedByUser && GetCapture() != mainWindow) restartSlideTimer();
    const SIZE client = clientSize();
    const ScrollView view = computeScrollView({scrollX, scrollY}, {client.cx, client.cy},
                                              {viewBitmapWidth, viewBitmapHeight}, {image.offsetX, image.offsetY});
    scrollX = view.scroll.x;
    scrollY = view.scroll.y;

    HDC dc = GetDC(mainWindow);
    if (!autoscrollDone && settings.autoscroll) {
        // Animate from the top-left to the scroll position.
        for (const Point32& step : autoscrollSteps({scrollX, scrollY}, {scrollRangeX, scrollRangeY}, scrollStep)) {
            BitBlt(dc, 0, 0, client.cx, client.cy, viewDC, step.x - image.offsetX, step.y - image.offsetY, SRCCOPY);
            Sleep(1);
        }
    }
    BitBlt(dc, 0, 0, client.cx, client.cy, viewDC, view.source.x, view.source.y, SRCCOPY);
    if (settings.layer == 1 && settings.fullscreenname) drawFileName(dc);
    ReleaseDC(mainWindow, dc);
    autoscrollDone = true;
}

void Viewer::onSize(WPARAM type, int width, int height) {
    if (statusBarWindow) SendMessageW(statusBarWindow, WM_SIZE, type, MAKELPARAM(width, height));
    if (settings.collage) resetCollage();
    if (!sizingMove || type == SIZE_MINIMIZED) return;
    settings.wrap = false;
    readWindowRect();
    InvalidateRect(mainWindow, nullptr, TRUE);
    UpdateWindow(mainWindow);
    const SIZE client = clientSize();
    wchar_t text[64];
    std::swprintf(text, 64, L"%ld x %ld", static_cast<long>(client.cx), static_cast<long>(client.cy));
    if (HDC dc = GetDC(mainWindow)) {
        TextOutW(dc, 3, 3, text, static_cast<int>(wcslen(text)));
        ReleaseDC(mainWindow, dc);
    }
}

void Viewer::onLeftButtonDown() {
    const SIZE client = clientSize();
    const bool larger = viewBitmapWidth > client.cx || viewBitmapHeight > client.cy;
    if (!larger && settings.layer == 1) return;
    if (larger && !settings.collage) {
        dragScrolling = true;
        SetCursor(LoadCursorW(nullptr, IDC_SIZEALL));
    }
    if (!dragScrolling && !settings.draggable) return;
    suspendSlideshow(false);
    GetCursorPos(&dragOrigin);
    GetWindowRect(mainWindow, &dragWindowRect);
    SetCapture(mainWindow);
}

void Viewer::onMouseMove() {
    if (GetCapture() != mainWindow) return;
    POINT cursor;
    GetCursorPos(&cursor);
    if (dragScrolling) {
        if (cursor.x == dragOrigin.x && cursor.y == dragOrigin.y) return;
        const int factor = dragMultiplier(GetKeyState(VK_SHIFT) < 0, GetKeyState(VK_CONTROL) < 0);
        scrollX += (dragOrigin.x - cursor.x) * factor;
        scrollY += (dragOrigin.y - cursor.y) * factor;
        scrollView(true);
        dragOrigin = cursor;
        return;
    }
    // Dragging the window: its top-left follows the cursor's displacement since the press.
    SetWindowPos(mainWindow, nullptr, dragWindowRect.left + cursor.x - dragOrigin.x,
                 dragWindowRect.top + cursor.y - dragOrigin.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Viewer::onLeftButtonUp() {
    if (GetCapture() != mainWindow) return;
    ReleaseCapture();
    readWindowRect();
    updateScreenRects();
    dragScrolling = false;
    resumeSlideshow();
}

void Viewer::onMouseWheel(int delta) {
    if (dragScrolling) {
        scrollY -= delta / 10;
        scrollView(true);
    } else if (settings.wheelnav) {
        executeCommand(delta <= 0 ? CMD_NEXT : CMD_PREVIOUS);
    } else if (delta > 0) {
        executeCommand(CMD_ZOOM_IN);
    } else if (delta < 0) {
        executeCommand(CMD_ZOOM_OUT);
    }
}

void Viewer::zoomCommand(int command) {
    if (settings.collage) return;
    const bool alt = GetKeyState(VK_MENU) < 0;
    switch (command) {
    case CMD_ZOOM_IN:
        manualZoom = true;
        zoomPercent += alt ? 1 : settings.zoomstep;
        if (settings.slide) restartSlideTimer();
        break;
    case CMD_ZOOM_OUT:
        if (zoomPercent <= settings.zoomstep) return;
        manualZoom = true;
        zoomPercent -= alt ? 1 : settings.zoomstep;
        if (settings.slide) restartSlideTimer();
        break;
    case CMD_ZOOM_100:
        if (zoomPercent != 100) {
            zoomPercent = 100;
            manualZoom = true;
            if (settings.slide) restartSlideTimer();
        } else {
            zoomPercent = settings.zoom;
            manualZoom = false;
        }
        if (!(settings.squeeze && settings.autoscroll)) {
            autoscrollDone = false;
            scrollX = scrollY = 0;
        }
        break;
    case CMD_ZOOM_LOCK:
        manualZoom = false;
        settings.squeeze = settings.shrink = settings.stretch = false;
        settings.zoom = static_cast<int16_t>(zoomPercent == 100 ? 0 : zoomPercent);
        refreshStatus();
        return;
    case CMD_SQUEEZE:
    case CMD_SHRINK:
    case CMD_STRETCH: {
        bool& fit = command == CMD_SQUEEZE ? settings.squeeze : command == CMD_SHRINK ? settings.shrink : settings.stretch;
        fit = !fit;
        zoomPercent = 0;
        settings.zoom = 0;
        manualZoom = false;
        break;
    }
    default:
        return;
    }
    refreshLayout();
}

void Viewer::rotateCommand(int command) {
    if (!image.loaded()) return;
    switch (command) {
    case CMD_ROTATE:
        appliedRotation = (appliedRotation + 90) % 360;
        image.rotateFlip(1);
        break;
    case CMD_ROTATE_LEFT:
        appliedRotation = (appliedRotation + 270) % 360;
        image.rotateFlip(3);
        break;
    case CMD_FLIP:
        image.rotateFlip(4);
        break;
    default:
        return;
    }
    const bool fitMode = settings.squeeze || settings.shrink || settings.stretch;
    if (fitMode && !manualZoom) {
        zoomPercent = 0;
        settings.zoom = 0;
    }
    refreshLayout();
}
