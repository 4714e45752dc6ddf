// Window modes (windowed, full screen, wallpaper) and the placement of the main window.
#include <windows.h>

#include <algorithm>
#include <cstdlib>

#include "app.h"
#include "core/dpi.h"
#include "placement.h"
#include "view_geometry.h"
#include "viewer.h"
#include "win_handles.h"

namespace {

constexpr LONG_PTR kFrameStyles = WS_CAPTION | WS_THICKFRAME;
constexpr LONG_PTR kDecorationStyles = WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;

Rect32 toRect32(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

void changeStyle(HWND window, LONG_PTR add, LONG_PTR remove) {
    const LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
    SetWindowLongPtrW(window, GWL_STYLE, (style & ~remove) | add);
    SetWindowPos(window, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

// After a change of mode or style the window is the active one and has the keyboard focus, so the
// next key reaches it without a click.
void activate(HWND window) {
    if (!IsWindowVisible(window)) return;
    SetForegroundWindow(window);
    SetActiveWindow(window);
    SetFocus(window);
}

}  // namespace

void Viewer::readWindowRect() {
    // In full screen the window covers the monitor; the windowed rectangle is kept for its return.
    if (settings.layer == kLayerFullScreen) return;
    RECT window;
    GetWindowRect(mainWindow, &window);
    settings.windowRect = toRect32(window);
}

void Viewer::moveWindowTo(const Rect32& r) {
    MoveWindow(mainWindow, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
    readWindowRect();
}

int Viewer::captionAdjust() const {
    return shell.blackboxPresent && settings.bbSkin && !settings.crop ? settings.bbCaptionAdjust : 0;
}

void Viewer::updateScreenRects() {
    if (GetSystemMetrics(SM_CMONITORS) < 2) {
        window.monitorRect = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &window.workAreaRect, 0);
        return;
    }
    const Rect32& r = settings.windowRect;
    const POINT centre{r.left + (r.right - r.left) / 2, r.top + (r.bottom - r.top) / 2};
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    if (HMONITOR monitor = MonitorFromPoint(centre, MONITOR_DEFAULTTONULL); monitor && GetMonitorInfoW(monitor, &info)) {
        window.monitorRect = info.rcMonitor;
        window.workAreaRect = info.rcWork;
    }
}

void Viewer::centreWindow() {
    moveWindowTo(centredRect(settings.windowRect, toRect32(window.workAreaRect), captionAdjust()));
}

void Viewer::roamWindow() {
    moveWindowTo(roamRect(settings.windowRect, toRect32(window.workAreaRect), captionAdjust(), [] { return std::rand(); }));
}

void Viewer::corralWindow() {
    updateScreenRects();
    moveWindowTo(corralRect(settings.windowRect, toRect32(window.monitorRect), scaleToDpi(kMinimumWindowSide, window.dpi)));
}

void Viewer::applyCropRegion() {
    const Rect32 window = settings.windowRect;
    const Size32 windowSize{window.right - window.left, window.bottom - window.top};
    const Size32 shown = fitSize({image.naturalWidth(), image.naturalHeight()}, windowSize, view.zoomPercent,
                                 {settings.squeeze, settings.shrink, settings.stretch});
    const Point32 origin = cropOrigin(windowSize, shown, settings.layout);
    GdiRegion region(CreateRectRgn(origin.x, origin.y, origin.x + shown.width, origin.y + shown.height));
    // The window owns the region once it is set.
    if (region && SetWindowRgn(mainWindow, region.get(), TRUE)) region.release();
}

WindowFrame Viewer::windowFrame() const {
    WindowFrame frame;
    frame.frameWidth = window.frameWidth;
    frame.frameHeight = window.frameHeight;
    frame.captionHeight = metricForDpi(SM_CYCAPTION, window.dpi);
    frame.statusBarHeight = window.statusBarWindow ? window.statusBarHeight : 0;
    frame.crop = settings.crop;
    frame.blackboxSkin = shell.blackboxPresent && settings.bbSkin;
    frame.captionAdjust = settings.bbCaptionAdjust;
    return frame;
}

void Viewer::fitWindowToImage() {
    if (!image.loaded()) return;
    const WindowFrame frame = windowFrame();
    const Rect32 bounds = imageBounds(toRect32(window.workAreaRect), frame);
    const Size32 boundsSize{bounds.right - bounds.left, bounds.bottom - bounds.top};
    Size32 shown = fitSize({image.naturalWidth(), image.naturalHeight()}, boundsSize, view.zoomPercent,
                           {settings.squeeze, settings.shrink, settings.stretch});
    if (!settings.squeeze || view.manualZoom) {
        shown.width = std::min(shown.width, boundsSize.width);
        shown.height = std::min(shown.height, boundsSize.height);
    }
    // While the status bar shows, the window is never narrower than its parts need; the picture is
    // placed in the extra room by the layout (centred by default).
    const int clientWidth = std::max(shown.width, statusBarMinWidth());
    RECT rect{settings.windowRect.left, settings.windowRect.top, settings.windowRect.left + clientWidth,
              settings.windowRect.top + shown.height + frame.statusBarHeight};
    if (!settings.crop) {
        adjustWindowRectForDpi(rect, static_cast<DWORD>(GetWindowLongPtrW(mainWindow, GWL_STYLE)),
                               static_cast<DWORD>(GetWindowLongPtrW(mainWindow, GWL_EXSTYLE)), window.dpi);
        // The frame grows around the client; keep the window's top-left where it was.
        const LONG dx = settings.windowRect.left - rect.left, dy = settings.windowRect.top - rect.top;
        OffsetRect(&rect, dx, dy);
        if (frame.blackboxSkin) rect.bottom += settings.bbWindowAdjust;
    }
    const Rect32 sized = toRect32(rect);
    if (settings.autocenter) {
        moveWindowTo(centredRect(sized, toRect32(window.workAreaRect), captionAdjust()));
    } else if (!settings.roamwindow) {
        moveWindowTo(sized);
    } else {
        moveWindowTo(sized);
        roamWindow();
    }
    if (settings.crop && settings.layer != kLayerFullScreen && !settings.collage) applyCropRegion();
}

void Viewer::refreshLayout() {
    if (settings.layer == kLayerWallpaper) {
        setWallpaper();  // the window stays hidden: the desktop shows the picture
    } else if (settings.layer == kLayerFullScreen) {
        // Erased through the dialog's background brush: with overlap on that brush is hollow and
        // the previous picture stays for the transition to start from; with overlap off the
        // window is cleared to the background first.
        if (store.size() == 0)
            reportEmptyOrFailure(101);
        else
            InvalidateRect(mainWindow, nullptr, TRUE);
    } else {
        if (!settings.collage && settings.wrap) fitWindowToImage();
        if (!settings.collage && !settings.wrap && settings.crop) applyCropRegion();
        if (settings.corral && !(settings.wrap && settings.autocenter)) corralWindow();
        InvalidateRect(mainWindow, nullptr, TRUE);
        UpdateWindow(mainWindow);
        if (settings.autocenter && settings.wrap) {
            centreWindow();
        } else if (settings.autocenter && !settings.wrap) {
            if (settings.roamwindow) roamWindow();
        } else if (!settings.wrap && settings.roamwindow) {
            roamWindow();
        }
    }
    trimWorkingSet();
}

void Viewer::setWindowMode(int mode) {
    const int old = settings.layer;
    settings.layer = static_cast<int16_t>(mode);
    bool leaveFullScreen = false;

    if (mode == kLayerWindowed) SetWindowPos(mainWindow, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOREDRAW);
    if (mode == kLayerWallpaper) {
        settings.collage = false;
        if (!settings.trayicon) Shell_NotifyIconW(NIM_ADD, &shell.trayIconData);
        ShowWindow(mainWindow, SW_HIDE);
        writeWallpaperStyle(0);  // the user's wallpaper is kept once; the desktop points at ours
        showCurrent(true);
    }
    if (mode == kLayerWindowed || mode == kLayerWallpaper) {
        if (old == kLayerFullScreen) {
            leaveFullScreen = true;
        } else if (old == kLayerWallpaper && mode == kLayerWindowed && !settings.trayicon) {
            Shell_NotifyIconW(NIM_DELETE, &shell.trayIconData);
        }
    } else if (old != kLayerFullScreen) {
        // Enter full screen.
        SetWindowRgn(mainWindow, nullptr, TRUE);
        if (!settings.fullscreencursor) ShowCursor(FALSE);
        destroyStatusBar();
        window.windowedLayout = settings.layout;
        settings.layout = settings.fullscreenlayout;
        if (!view.manualZoom) view.zoomPercent = settings.zoom;
        // The frame goes and the window covers the monitor in one step. (Hiding the window around the
        // change cost seconds under X11, where an unmapped window waits for its withdrawal.)
        SetWindowLongPtrW(mainWindow, GWL_STYLE, GetWindowLongPtrW(mainWindow, GWL_STYLE) & ~kFrameStyles);
        if (settings.collage) resetCollage();
        SetWindowPos(mainWindow, nullptr, window.monitorRect.left, window.monitorRect.top, window.monitorWidth(),
                     window.monitorHeight(), SWP_NOZORDER | SWP_NOREDRAW | SWP_NOCOPYBITS | SWP_FRAMECHANGED | SWP_SHOWWINDOW);
        if (store.size() != 0)
            InvalidateRect(mainWindow, nullptr, TRUE);
        else
            reportEmptyOrFailure(101);
        if (old == kLayerWallpaper && !settings.trayicon) Shell_NotifyIconW(NIM_DELETE, &shell.trayIconData);
    } else {
        settings.layer = kLayerWindowed;  // full screen toggles off
        leaveFullScreen = true;
    }

    if (leaveFullScreen) {
        settings.layout = static_cast<int16_t>(window.windowedLayout);
        if (!settings.crop) changeStyle(mainWindow, kFrameStyles, 0);
        if (settings.statusbar && !settings.crop && !window.statusBarWindow) createStatusBar();
        if (!settings.fullscreencursor) ShowCursor(TRUE);
        if (!settings.wrap || settings.collage) {
            const Rect32& r = settings.windowRect;
            MoveWindow(mainWindow, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
        }
        if (!view.manualZoom) view.zoomPercent = settings.zoom;
        InvalidateRect(nullptr, nullptr, TRUE);
        SetActiveWindow(GetWindow(mainWindow, GW_OWNER));
        BringWindowToTop(mainWindow);
        refreshLayout();
    }

    if (!IsWindowVisible(mainWindow)) {
        if (settings.layer == kLayerWallpaper) {
            SetWindowLongPtrW(mainWindow, GWL_EXSTYLE, GetWindowLongPtrW(mainWindow, GWL_EXSTYLE) & ~WS_EX_LAYERED);
            return;
        }
        ShowWindow(mainWindow, SW_SHOW);
    }
    const LONG_PTR exStyle = GetWindowLongPtrW(mainWindow, GWL_EXSTYLE);
    if (settings.layer != kLayerWallpaper && settings.blend && window.setLayeredWindowAttributes) {
        SetWindowLongPtrW(mainWindow, GWL_EXSTYLE, exStyle | WS_EX_LAYERED);
        window.setLayeredWindowAttributes(mainWindow, 0, static_cast<BYTE>(settings.opacity & 0xFF), LWA_ALPHA);
    } else {
        SetWindowLongPtrW(mainWindow, GWL_EXSTYLE, exStyle & ~WS_EX_LAYERED);
    }
    activate(mainWindow);
}

void Viewer::applyCropStyleChange() {
    if (settings.crop) {
        if (settings.statusbar) destroyStatusBar();
        changeStyle(mainWindow, 0, kFrameStyles);  // in place: hiding around it costs seconds under X11
        ShowWindow(mainWindow, SW_SHOW);
        // A wrapped window is fitted to the image, which cuts it to the image as well.
        if (settings.wrap && !settings.collage)
            fitWindowToImage();
        else if (settings.layer != kLayerFullScreen && !settings.collage)
            applyCropRegion();
        activate(mainWindow);
    } else {
        changeStyle(mainWindow, kFrameStyles | (settings.decorate ? kDecorationStyles : 0), 0);
        if (settings.statusbar && settings.layer != kLayerFullScreen && !window.statusBarWindow) createStatusBar();
        SetWindowRgn(mainWindow, nullptr, TRUE);
        ShowWindow(mainWindow, SW_SHOW);
        SetActiveWindow(GetWindow(mainWindow, GW_OWNER));
        BringWindowToTop(mainWindow);
        if (!settings.wrap)
            refreshLayout();
        else if (!settings.collage)
            fitWindowToImage();
        activate(mainWindow);
    }
}

void Viewer::setLayout(int layout) {
    if (settings.layer == kLayerFullScreen) {
        window.windowedLayout = layout;
        return;
    }
    settings.layout = static_cast<int16_t>(layout);
    refreshLayout();
}

void Viewer::savePreset(int preset) {
    if (settings.layer == kLayerFullScreen || preset < 1 || preset > 5) return;
    readWindowRect();
    settings.presetRects[static_cast<size_t>(preset - 1)] = settings.windowRect;
    settings.wrap = false;
}

void Viewer::restorePreset(int preset) {
    if (preset < 1 || preset > 5) return;
    settings.wrap = false;
    if (!view.manualZoom) view.zoomPercent = settings.zoom;
    settings.windowRect = settings.presetRects[static_cast<size_t>(preset - 1)];
    if (settings.layer == kLayerFullScreen) {
        SetWindowPos(mainWindow, nullptr, window.monitorRect.left, window.monitorRect.top, window.monitorWidth(),
                     window.monitorHeight(), SWP_NOZORDER | SWP_NOREDRAW | SWP_NOCOPYBITS);
    } else {
        const Rect32& r = settings.windowRect;
        MoveWindow(mainWindow, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
    }
    updateScreenRects();
    if (settings.squeeze)
        refreshLayout();
    else
        showCurrent(true);
}

void Viewer::toggleShowHide() {
    if (settings.layer == kLayerWallpaper) return;
    if (IsWindowVisible(mainWindow)) {
        suspendSlideshow(false);
        ShowWindow(mainWindow, SW_HIDE);
        InvalidateRect(nullptr, nullptr, TRUE);
    } else {
        ShowWindow(mainWindow, SW_SHOWNORMAL);
        SetForegroundWindow(mainWindow);
        if (!slideshow.suspended) resumeSlideshow();
    }
}
