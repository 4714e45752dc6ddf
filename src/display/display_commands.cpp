// Actions of the slideshow, navigation, fit, zoom, rotation, collage and transition commands.
#include <windows.h>

#include "command_ids.h"
#include "shell/command_actions.h"
#include "viewer.h"
#include "win_handles.h"

namespace {

void toggle(bool& flag) { flag = !flag; }

void blendCommand(Viewer& v, int) {
    toggle(v.settings.blend);
    const LONG_PTR exStyle = GetWindowLongPtrW(v.mainWindow, GWL_EXSTYLE);
    if (!v.settings.blend || !v.window.setLayeredWindowAttributes || v.settings.layer == kLayerWallpaper) {
        SetWindowLongPtrW(v.mainWindow, GWL_EXSTYLE, exStyle & ~WS_EX_LAYERED);
    } else {
        SetWindowLongPtrW(v.mainWindow, GWL_EXSTYLE, exStyle | WS_EX_LAYERED);
        v.window.setLayeredWindowAttributes(v.mainWindow, 0, static_cast<BYTE>(v.settings.opacity & 0xFF), LWA_ALPHA);
    }
}

void opacityCommand(Viewer& v, int) {
    v.askSetting(4, v.settings.opacity);  // more than 255 is opaque
    if (v.window.setLayeredWindowAttributes)
        v.window.setLayeredWindowAttributes(v.mainWindow, 0, static_cast<BYTE>(v.settings.opacity), LWA_ALPHA);
}

void scrollBy(Viewer& v, int dx, int dy) {
    if (v.settings.collage) return;
    const int step = v.scrollMultiplier();
    v.view.scrollX += dx * step;
    v.view.scrollY += dy * step;
    v.scrollView(true);
}

void wrapCommand(Viewer& v, int) {
    Settings& s = v.settings;
    if (s.collage) {
        s.wrap = true;
        s.collage = false;
        InvalidateRect(v.mainWindow, nullptr, TRUE);
    } else {
        toggle(s.wrap);
    }
    if (s.layer == kLayerWallpaper) {
        v.refreshLayout();
    } else if (s.layer == kLayerFullScreen) {
        v.view.zoomPercent = s.zoom;
        if (v.store.size() == 0)
            v.reportEmptyOrFailure(101);
        else
            InvalidateRect(v.mainWindow, nullptr, TRUE);
    } else if (!s.wrap) {
        v.readWindowRect();
    } else {
        if (!v.view.manualZoom) v.view.zoomPercent = s.zoom;
        v.fitWindowToImage();
        InvalidateRect(v.mainWindow, nullptr, TRUE);
    }
}

void cropCommand(Viewer& v, int) {
    Settings& s = v.settings;
    if (s.layer == kLayerFullScreen) {
        toggle(s.crop);
    } else if (s.layer == kLayerWindowed) {
        if (!v.view.manualZoom) v.view.zoomPercent = s.zoom;
        toggle(s.crop);
        v.applyCropStyleChange();
    }
}

void collageCommand(Viewer& v, int) {
    toggle(v.settings.collage);
    if (v.settings.collage) {
        if (v.settings.crop) SetWindowRgn(v.mainWindow, nullptr, TRUE);
        v.resetCollage();
    }
    v.refreshLayout();
}

constexpr int16_t kQualities[] = {kQualityDefault, kQualityHigh, kQualityBest};

const CommandActionRow kActions[] = {
    // Slideshow
    {CMD_SLIDESHOW, CMD_SLIDESHOW, [](Viewer& v, int) {
         toggle(v.settings.slide);
         v.restartSlideTimer();
     }},
    {CMD_TIMER, CMD_TIMER, [](Viewer& v, int) {
         v.askSetting(2, v.settings.timer);
         v.restartSlideTimer();
     }},
    {CMD_WINDOWED, CMD_WINDOWED, [](Viewer& v, int) { v.setWindowMode(kLayerWindowed); }},
    {CMD_FULLSCREEN, CMD_FULLSCREEN, [](Viewer& v, int) { v.setWindowMode(kLayerFullScreen); }},
    {CMD_WALLPAPER, CMD_WALLPAPER, [](Viewer& v, int) { v.setWindowMode(kLayerWallpaper); }},
    {CMD_ONTOP, CMD_ONTOP, [](Viewer& v, int) {
         toggle(v.settings.ontop);
         SetWindowPos(v.mainWindow, v.settings.ontop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                      SWP_NOSIZE | SWP_NOMOVE | SWP_NOREDRAW);
     }},
    {CMD_BLEND, CMD_BLEND, blendCommand},
    {CMD_OPACITY, CMD_OPACITY, opacityCommand},
    {CMD_LOOP, CMD_LOOP_EXIT, [](Viewer& v, int offset) { v.settings.loop = static_cast<int16_t>(kLoopRestart + offset); }},
    {CMD_RESHUFFLE, CMD_RESHUFFLE, [](Viewer& v, int) { toggle(v.settings.loopshuffle); }},
    // Navigate and Scroll
    {CMD_NEXT, CMD_NEXT, [](Viewer& v, int) { v.navigate(CMD_NEXT); }},
    {CMD_PREVIOUS, CMD_PREVIOUS, [](Viewer& v, int) { v.navigate(CMD_PREVIOUS); }},
    {CMD_FIRST, CMD_FIRST, [](Viewer& v, int) { v.navigate(CMD_FIRST); }},
    {CMD_LAST, CMD_LAST, [](Viewer& v, int) { v.navigate(CMD_LAST); }},
    {CMD_CURRENT, CMD_CURRENT, [](Viewer& v, int) { v.navigate(CMD_CURRENT); }},
    {CMD_NEXT_FOLDER, CMD_PREV_FOLDER, [](Viewer& v, int offset) { v.navigate(CMD_NEXT_FOLDER + offset); }},
    {CMD_WHEELNAV, CMD_WHEELNAV, [](Viewer& v, int) { toggle(v.settings.wheelnav); }},
    {CMD_SCROLL_LEFT, CMD_SCROLL_DOWN, [](Viewer& v, int offset) {
         static constexpr int kDx[] = {-1, 1, 0, 0}, kDy[] = {0, 0, -1, 1};
         scrollBy(v, kDx[offset], kDy[offset]);
     }},
    {CMD_AUTOSCROLL, CMD_AUTOSCROLL, [](Viewer& v, int) { toggle(v.settings.autoscroll); }},
    {CMD_QUIETSCROLL, CMD_QUIETSCROLL, [](Viewer& v, int) { toggle(v.settings.quietautoscroll); }},
    // Fit modes, Zoom, Rotate
    {CMD_WRAP, CMD_WRAP, wrapCommand},
    {CMD_CROP, CMD_CROP, cropCommand},
    {CMD_SQUEEZE, CMD_SQUEEZE, [](Viewer& v, int) { v.zoomCommand(CMD_SQUEEZE); }},
    {CMD_SHRINK, CMD_SHRINK, [](Viewer& v, int) { v.zoomCommand(CMD_SHRINK); }},
    {CMD_STRETCH, CMD_STRETCH, [](Viewer& v, int) { v.zoomCommand(CMD_STRETCH); }},
    {CMD_ZOOM_IN, CMD_ZOOM_100, [](Viewer& v, int offset) { v.zoomCommand(CMD_ZOOM_IN + offset); }},
    {CMD_ZOOM_STEP, CMD_ZOOM_STEP,
     [](Viewer& v, int) { v.askSetting(10, v.settings.zoomstep); }},
    {CMD_ZOOM_LOCK, CMD_ZOOM_LOCK, [](Viewer& v, int) { v.zoomCommand(CMD_ZOOM_LOCK); }},
    {CMD_QUALITY_DEFAULT, CMD_QUALITY_DEFAULT, [](Viewer& v, int) {
         v.settings.zoomquality = kQualities[0];
         v.image.interpolation = kQualities[0];
     }},
    {CMD_QUALITY_HIGH, CMD_QUALITY_HIGH, [](Viewer& v, int) {
         v.settings.zoomquality = kQualities[1];
         v.image.interpolation = kQualities[1];
     }},
    {CMD_QUALITY_BEST, CMD_QUALITY_BEST, [](Viewer& v, int) {
         v.settings.zoomquality = kQualities[2];
         v.image.interpolation = kQualities[2];
     }},
    {CMD_WHEELZOOM, CMD_WHEELZOOM, [](Viewer& v, int) { toggle(v.settings.wheelnav); }},
    {CMD_ROTATE, CMD_ROTATE_LEFT, [](Viewer& v, int offset) { v.rotateCommand(CMD_ROTATE + offset); }},
    {CMD_ROTATE_LOCK, CMD_ROTATE_LOCK,
     [](Viewer& v, int) { v.settings.rotation = static_cast<int16_t>(v.view.appliedRotation); }},
    {CMD_ASPECT_FILTER, CMD_ASPECT_FILTER, [](Viewer& v, int) { toggle(v.settings.rotateaspect); }},
    {CMD_FLIP, CMD_FLIP, [](Viewer& v, int) { v.rotateCommand(CMD_FLIP); }},
    {CMD_EXIF_ORIENT, CMD_EXIF_ORIENT, [](Viewer& v, int) {
         toggle(v.settings.exiforient);
         if (v.image.loaded() && v.image.orientation != 1) v.showCurrent(true);
     }},
    // Collage and Transitions
    {CMD_COLLAGE, CMD_COLLAGE, collageCommand},
    {CMD_COLLAGE_SIZE, CMD_COLLAGE_SIZE,
     [](Viewer& v, int) { v.askSetting(12, v.settings.collagesize); }},
    {CMD_TRANSITION_0, CMD_TRANSITION_14, [](Viewer& v, int offset) { v.slideshow.toggleTransition(offset); }},
};

}  // namespace

std::span<const CommandActionRow> displayCommandActions() { return kActions; }
