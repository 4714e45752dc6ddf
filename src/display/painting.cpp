// The main window's paint: the frame is composed off-screen and copied in one piece; afterwards
// the view bitmap keeps the displayed image for scrolling. Collage mode adds one tile per paint.
#include <windows.h>

#include <cstdlib>

#include "app.h"
#include "display/transitions.h"
#include "shell/wallpaper.h"
#include "view_geometry.h"
#include "viewer.h"

namespace {

FitSwitches fitSwitches(const Settings& s) { return {s.squeeze, s.shrink, s.stretch}; }

TransitionTimings transitionTimings(const Settings& s) {
    TransitionTimings t;
    t.shutterLatency = s.shutterLatency;
    t.wipeLatency = s.wipeLatency;
    t.slideLatency = s.slideLatency;
    t.quadrantSlideLatency = s.quadrantSlideLatency;
    t.quadrantWipeLatency = s.quadrantWipeLatency;
    t.dissolveLatency = s.dissolveLatency;
    t.crossfadeLatency = s.crossfadeLatency;
    return t;
}

int crtRand() { return std::rand(); }

}  // namespace

SIZE Viewer::clientSize() const {
    RECT client;
    GetClientRect(mainWindow, &client);
    return {client.right - client.left, client.bottom - client.top - (window.statusBarWindow ? window.statusBarHeight : 0)};
}

void Viewer::paint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(mainWindow, &ps);
    if (settings.ontop) SetWindowPos(mainWindow, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    if (shell.skinPending && !settings.crop && settings.layer != kLayerFullScreen) {
        shell.skinPending = false;
        postSkinMessages(mainWindow);
    }

    if (store.size() == 0 || !image.loaded()) {
        const SelectedObject brush(dc, drawing.backgroundBrush.get());
        if (settings.layer == kLayerFullScreen) {
            PatBlt(dc, 0, 0, window.monitorWidth(), window.monitorHeight(), PATCOPY);
        } else {
            refreshCaption();
            // Only the part above the status bar: the main window does not clip its children, and
            // the status bar does not necessarily repaint after this paint.
            const SIZE client = clientSize();
            PatBlt(dc, 0, 0, client.cx, client.cy, PATCOPY);
            refreshStatus();
        }
    } else if (settings.collage) {
        paintCollage(dc);
    } else {
        const SIZE client = clientSize();
        const Placement placed = placeImage({image.naturalWidth(), image.naturalHeight()}, {client.cx, client.cy},
                                            view.zoomPercent, fitSwitches(settings), settings.layout,
                                            settings.autoscroll && settings.quietautoscroll, [] { return std::rand(); });
        image.width = placed.size.width;
        image.height = placed.size.height;
        image.offsetX = placed.offsetX;
        image.offsetY = placed.offsetY;
        view.zoomPercent = placed.effectivePercent;

        // The image is resampled once, into the view bitmap that scrolling, Copy View and Save As
        // use; the frame is the background with that bitmap copied in at the placed offset.
        // A picture held at a smaller size than it is now shown at is decoded whole again; until
        // it arrives the reduced one is shown enlarged.
        askForPixels(image.width, image.height);
        // A repaint of the same image at the same size (a mode change, a window uncovered) copies it.
        const DrawingResources::ViewSource source{image.generation(), image.width, image.height, image.interpolation, true};
        bool resampled = drawing.viewSource == source && drawing.view.hasBitmap() &&
                         drawing.view.width() == image.width && drawing.view.height() == image.height;
        if (!resampled) {
            drawing.viewSource = {};
            drawing.view.resize(dc, image.width, image.height);
            resampled = drawing.view.hasBitmap() && image.width > 0 && image.height > 0;
            if (resampled) {
                image.drawTo(drawing.view.dc(), image.width, image.height);
                drawing.viewSource = source;
            }
        }

        OffscreenSurface frame;
        frame.create(dc);
        frame.resize(dc, client.cx, client.cy);
        {
            const SelectedObject brush(frame.dc(), drawing.backgroundBrush.get());
            PatBlt(frame.dc(), 0, 0, client.cx, client.cy, PATCOPY);
        }
        if (resampled)
            BitBlt(frame.dc(), image.offsetX, image.offsetY, image.width, image.height, drawing.view.dc(), 0, 0, SRCCOPY);
        else  // an image too large for a bitmap of its own is drawn straight into the frame
            image.drawAt(frame.dc(), image.offsetX, image.offsetY, image.width, image.height);

        if (settings.title) refreshCaption();
        if (window.statusBarWindow) refreshStatus();

        const bool scrollMode = !settings.squeeze || view.manualZoom;
        // A changed image is shown with a transition; otherwise the frame is copied, except in
        // scroll mode, where the scroll below copies (in full screen the frame still goes first
        // when the image leaves part of the screen uncovered).
        const std::optional<int> effect = chooseTransition(
            settings.transitions, slideshow.enabledTransitions, store.currentIndex != slideshow.lastShownIndex, crtRand);
        if (effect)
            runTransition(dc, client.cx, client.cy, frame.dc(), *effect, 0, 0, transitionTimings(settings));
        else if (!(scrollMode && view.autoscrollDone) ||
                 (settings.layer == kLayerFullScreen && (client.cx > image.width || client.cy > image.height)))
            BitBlt(dc, 0, 0, client.cx, client.cy, frame.dc(), 0, 0, SRCCOPY);

        const bool wasDone = view.autoscrollDone;
        slideshow.lastShownIndex = store.currentIndex;

        if (scrollMode) {
            if (settings.autoscroll && !view.autoscrollDone) {
                computeScrollRange();
                view.scrollX = view.scrollRangeX / 2;
                view.scrollY = view.scrollRangeY / 2;
                if (settings.quietautoscroll) view.autoscrollDone = true;
            }
            if (wasDone || (settings.autoscroll && !settings.quietautoscroll)) scrollView(false);
        }
    }
    if (settings.layer == kLayerFullScreen && settings.fullscreenname) drawFileName(dc);
    EndPaint(mainWindow, &ps);
}

HBRUSH Viewer::dialogBackgroundBrush() {
    if (!settings.overlap && !settings.collage) return drawing.backgroundBrush.get();
    return view.manualZoom ? drawing.backgroundBrush.get() : static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
}

bool Viewer::eraseBackground() {
    if (settings.layer != kLayerFullScreen || settings.layout != kLayoutRoaming) return false;
    RECT update;
    if (!GetUpdateRect(mainWindow, &update, FALSE) || (update.left == 0 && update.top == 0)) return false;
    ValidateRect(mainWindow, nullptr);
    if (store.size() != 0) {
        InvalidateRect(mainWindow, nullptr, FALSE);
    } else {
        reportEmptyOrFailure(101);
    }
    return true;
}

void Viewer::drawFileName(HDC dc) {
    std::wstring text;
    if (store.size() == 0) {
        text = store.buildRootCopy();
    } else {
        text = store.currentPathCopy();
        if (isShortcutPath(text)) text = L"*" + text;
    }
    const SelectedObject font(dc, drawing.textFont.get());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    TextOutW(dc, 3, 3, text.c_str(), static_cast<int>(text.size()));
    SetTextColor(dc, RGB(255, 255, 255));
    TextOutW(dc, 4, 4, text.c_str(), static_cast<int>(text.size()));
}

SIZE Viewer::collageCanvas() const {
    if (settings.layer == kLayerFullScreen) return {window.monitorWidth(), window.monitorHeight()};
    return clientSize();
}

Size32 Viewer::collageTile() const {
    const SIZE canvas = collageCanvas();
    return collageTileSize({image.naturalWidth(), image.naturalHeight()}, settings.collagesize, {canvas.cx, canvas.cy});
}

void Viewer::resetCollage() {
    const SIZE canvas = collageCanvas();
    drawing.viewSource = {};  // the surface becomes the collage's canvas
    {
        const WindowDC dc(mainWindow);
        drawing.view.resize(dc.get(), canvas.cx, canvas.cy);
    }
    const SelectedObject brush(drawing.view.dc(), drawing.backgroundBrush.get());
    PatBlt(drawing.view.dc(), 0, 0, canvas.cx, canvas.cy, PATCOPY);
}

void Viewer::paintCollage(HDC dc) {
    if (settings.title) refreshCaption();
    if (!image.loaded()) return;
    const Size32 tile = collageTile();
    askForPixels(tile.width, tile.height);
    drawing.tile.resize(dc, tile.width, tile.height);
    image.drawTo(drawing.tile.dc(), tile.width, tile.height);
    drawing.viewSource = {};  // tiles go onto the view surface

    const SIZE client = clientSize();
    const int x = client.cx > tile.width ? std::rand() % (client.cx - tile.width) : 0;
    const int y = client.cy > tile.height ? std::rand() % (client.cy - tile.height) : 0;
    // The collage does not record the shown index: while the image differs from the one last shown
    // singly, each tile comes in with a transition over the canvas as it was.
    const std::optional<int> effect = chooseTransition(
        settings.transitions, slideshow.enabledTransitions, store.currentIndex != slideshow.lastShownIndex, crtRand);
    if (effect) {
        BitBlt(dc, 0, 0, drawing.view.width(), drawing.view.height(), drawing.view.dc(), 0, 0, SRCCOPY);
        runTransition(dc, tile.width, tile.height, drawing.tile.dc(), *effect, x, y, transitionTimings(settings));
        BitBlt(drawing.view.dc(), x, y, tile.width, tile.height, drawing.tile.dc(), 0, 0, SRCCOPY);
    } else {
        BitBlt(drawing.view.dc(), x, y, tile.width, tile.height, drawing.tile.dc(), 0, 0, SRCCOPY);
        BitBlt(dc, 0, 0, drawing.view.width(), drawing.view.height(), drawing.view.dc(), 0, 0, SRCCOPY);
    }
    if (window.statusBarWindow) refreshStatus();
}
