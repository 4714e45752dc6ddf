// Scrolling, zooming, rotating and the mouse in the main window.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>

#include "command_ids.h"
#include "view_geometry.h"
#include "viewer.h"
#include "win_handles.h"

void Viewer::computeScrollRange() {
    const SIZE client = clientSize();
    const Point32 range = scrollRange({image.width, image.height}, {client.cx, client.cy});
    view.scrollRangeX = range.x;
    view.scrollRangeY = range.y;
}

namespace {

// The size of what scrolling moves over: the view bitmap, or the displayed image when no bitmap of
// that size could be made (an extreme zoom).
Size32 scrolledSize(const Viewer& v) {
    if (v.drawing.view.hasBitmap()) return {v.drawing.view.width(), v.drawing.view.height()};
    return {v.image.width, v.image.height};
}

// Shows the client-sized part of the displayed image whose top-left is at `source` within it.
// Without a view bitmap the part is drawn from the image into a client-sized frame first, so the
// window never shows an empty surface.
void showScrolled(Viewer& v, HDC dc, SIZE client, int sourceX, int sourceY) {
    if (v.drawing.view.hasBitmap()) {
        BitBlt(dc, 0, 0, client.cx, client.cy, v.drawing.view.dc(), sourceX, sourceY, SRCCOPY);
        return;
    }
    OffscreenSurface frame;
    if (!frame.create(dc) || !frame.resize(dc, client.cx, client.cy)) return;
    {
        const SelectedObject brush(frame.dc(), v.drawing.backgroundBrush.get());
        PatBlt(frame.dc(), 0, 0, client.cx, client.cy, PATCOPY);
    }
    if (v.image.loaded() && v.image.width > 0 && v.image.height > 0)
        v.image.drawAt(frame.dc(), -sourceX, -sourceY, v.image.width, v.image.height);
    BitBlt(dc, 0, 0, client.cx, client.cy, frame.dc(), 0, 0, SRCCOPY);
}

}  // namespace

int Viewer::scrollMultiplier() const {
    return ::scrollMultiplier(view.scrollStep, GetKeyState(VK_SHIFT) < 0, GetKeyState(VK_CONTROL) < 0, GetKeyState(VK_MENU) < 0);
}

void Viewer::scrollView(bool askedByUser) {
    if (settings.squeeze && !view.manualZoom) {
        view.scrollX = view.scrollY = 0;
        return;
    }
    if (settings.slide && askedByUser && GetCapture() != mainWindow) restartSlideTimer();
    const SIZE client = clientSize();
    const ScrollView scrolled = computeScrollView({view.scrollX, view.scrollY}, {client.cx, client.cy},
                                                  scrolledSize(*this), {image.offsetX, image.offsetY});
    view.scrollX = scrolled.scroll.x;
    view.scrollY = scrolled.scroll.y;

    const WindowDC windowDC(mainWindow);
    HDC dc = windowDC.get();
    if (!view.autoscrollDone && settings.autoscroll) {
        // Animate from the top-left to the scroll position.
        for (const Point32& step : autoscrollSteps({view.scrollX, view.scrollY}, {view.scrollRangeX, view.scrollRangeY}, view.scrollStep)) {
            showScrolled(*this, dc, client, step.x - image.offsetX, step.y - image.offsetY);
            Sleep(1);
        }
    }
    showScrolled(*this, dc, client, scrolled.source.x, scrolled.source.y);
    if (settings.layer == kLayerFullScreen && settings.fullscreenname) drawFileName(dc);
    view.autoscrollDone = true;
}

void Viewer::onSize(WPARAM type, int width, int height) {
    if (window.statusBarWindow) SendMessageW(window.statusBarWindow, WM_SIZE, type, MAKELPARAM(width, height));
    if (settings.collage) resetCollage();
    if (!window.sizingMove || type == SIZE_MINIMIZED) return;
    settings.wrap = false;
    readWindowRect();
    InvalidateRect(mainWindow, nullptr, TRUE);
    UpdateWindow(mainWindow);
    const SIZE client = clientSize();
    wchar_t text[64];
    std::swprintf(text, 64, L"%ld x %ld", static_cast<long>(client.cx), static_cast<long>(client.cy));
    if (const WindowDC dc(mainWindow); dc) TextOutW(dc.get(), 3, 3, text, static_cast<int>(wcslen(text)));
}

void Viewer::onLeftButtonDown() {
    const SIZE client = clientSize();
    const Size32 shown = settings.collage ? Size32{drawing.view.width(), drawing.view.height()} : scrolledSize(*this);
    const bool larger = shown.width > client.cx || shown.height > client.cy;
    if (!larger && settings.layer == kLayerFullScreen) return;
    if (larger && !settings.collage) {
        view.dragScrolling = true;
        SetCursor(LoadCursorW(nullptr, IDC_SIZEALL));
    }
    if (!view.dragScrolling && !settings.draggable) return;
    suspendSlideshow(false);
    GetCursorPos(&view.dragOrigin);
    GetWindowRect(mainWindow, &view.dragWindowRect);
    SetCapture(mainWindow);
}

void Viewer::onMouseMove() {
    if (GetCapture() != mainWindow) return;
    POINT cursor;
    GetCursorPos(&cursor);
    if (view.dragScrolling) {
        if (cursor.x == view.dragOrigin.x && cursor.y == view.dragOrigin.y) return;
        const int factor = dragMultiplier(GetKeyState(VK_SHIFT) < 0, GetKeyState(VK_CONTROL) < 0);
        view.scrollX += (view.dragOrigin.x - cursor.x) * factor;
        view.scrollY += (view.dragOrigin.y - cursor.y) * factor;
        scrollView(true);
        view.dragOrigin = cursor;
        return;
    }
    // Dragging the window: its top-left follows the cursor's displacement since the press.
    SetWindowPos(mainWindow, nullptr, view.dragWindowRect.left + cursor.x - view.dragOrigin.x,
                 view.dragWindowRect.top + cursor.y - view.dragOrigin.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Viewer::onLeftButtonUp() {
    if (GetCapture() != mainWindow) return;
    ReleaseCapture();
    readWindowRect();
    updateScreenRects();
    view.dragScrolling = false;
    resumeSlideshow();
}

void Viewer::onMouseWheel(int delta) {
    if (view.dragScrolling) {
        view.scrollY -= delta / 10;
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
    case CMD_ZOOM_OUT: {
        const int stepped = zoomStepped(view.zoomPercent, settings.zoomstep, alt, command == CMD_ZOOM_IN);
        if (stepped == view.zoomPercent) return;
        view.manualZoom = true;
        view.zoomPercent = stepped;
        if (settings.slide) restartSlideTimer();
        break;
    }
    case CMD_ZOOM_100:
        if (view.zoomPercent != 100) {
            view.zoomPercent = 100;
            view.manualZoom = true;
            if (settings.slide) restartSlideTimer();
        } else {
            view.zoomPercent = settings.zoom;
            view.manualZoom = false;
        }
        if (!(settings.squeeze && settings.autoscroll)) {
            view.autoscrollDone = false;
            view.scrollX = view.scrollY = 0;
        }
        break;
    case CMD_ZOOM_LOCK:
        view.manualZoom = false;
        settings.squeeze = settings.shrink = settings.stretch = false;
        settings.zoom = static_cast<int16_t>(view.zoomPercent == 100 ? 0 : std::clamp(view.zoomPercent, 0, kMaxZoomPercent));
        refreshStatus();
        return;
    case CMD_SQUEEZE:
    case CMD_SHRINK:
    case CMD_STRETCH: {
        bool& fit = command == CMD_SQUEEZE ? settings.squeeze : command == CMD_SHRINK ? settings.shrink : settings.stretch;
        fit = !fit;
        view.zoomPercent = 0;
        settings.zoom = 0;
        view.manualZoom = false;
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
        view.appliedRotation = (view.appliedRotation + 90) % 360;
        image.rotateFlip(1);
        break;
    case CMD_ROTATE_LEFT:
        view.appliedRotation = (view.appliedRotation + 270) % 360;
        image.rotateFlip(3);
        break;
    case CMD_FLIP:
        image.rotateFlip(4);
        break;
    default:
        return;
    }
    const bool fitMode = settings.squeeze || settings.shrink || settings.stretch;
    if (fitMode && !view.manualZoom) {
        view.zoomPercent = 0;
        settings.zoom = 0;
    }
    refreshLayout();
}
