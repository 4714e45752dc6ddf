// The main window's paint: the frame is composed off-screen and copied in one piece; afterwards
// the view bitmap keeps the displayed image for scrolling. Collage mode adds one tile per paint.
#include <windows.h>

#include <cstdlib>

#include "app.h"
#include "view_geometry.h"
#include "viewer.h"

namespace {

FitSwitches fitSwitches(const Settings& s) { return {s.squeeze, s.shrink, s.stretch}; }

}  // namespace

SIZE Viewer::clientSize() const {
    RECT client;
    GetClientRect(mainWindow, &client);
    return {client.right - client.left, client.bottom - client.top - (statusBarWindow ? statusBarHeight : 0)};
}

// A replaced bitmap is deleted after the one selected before it has been put back.
// When no bitmap of that size can be made, the old one is released all the same and none is held.
static bool replaceBitmap(HDC dc, HBITMAP& current, HBITMAP& initial, HDC reference, int width, int height) {
    HBITMAP fresh = CreateCompatibleBitmap(reference, width > 0 ? width : 1, height > 0 ? height : 1);
    if (!fresh) {
        if (current) {
            SelectObject(dc, initial);
            DeleteObject(current);
            current = nullptr;
        }
        return false;
    }
    HGDIOBJ previous = SelectObject(dc, fresh);
    if (!initial) initial = static_cast<HBITMAP>(previous);
    if (current) DeleteObject(current);
    current = fresh;
    return true;
}

void Viewer::replaceViewBitmap(HDC reference, int width, int height) {
    const bool made = replaceBitmap(viewDC, viewBitmap, viewDCInitialBitmap, reference, width, height);
    viewBitmapWidth = made ? width : 0;
    viewBitmapHeight = made ? height : 0;
}

void Viewer::replaceTileBitmap(HDC reference, int width, int height) {
    const bool made = replaceBitmap(tileDC, tileBitmap, tileDCInitialBitmap, reference, width, height);
    tileWidth = made ? width : 0;
    tileHeight = made ? height : 0;
}

void Viewer::paint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(mainWindow, &ps);
    if (settings.ontop) SetWindowPos(mainWindow, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    if (skinPending && !settings.crop && settings.layer != 1) {
        skinPending = false;
        PostMessageW(mainWindow, app.skinWindowMessage, 0, 0);
        PostMessageW(mainWindow, app.skinMessage, 0, 0);
    }

    if (exhibitSize() == 0 || !image.loaded()) {
        HGDIOBJ old = SelectObject(dc, backgroundBrush);
        if (settings.layer == 1) {
            PatBlt(dc, 0, 0, monitorRect.right - monitorRect.left, monitorRect.bottom - monitorRect.top, PATCOPY);
        } else {
            refreshCaption();
            RECT window;
            GetWindowRect(mainWindow, &window);
            PatBlt(dc, 0, 0, window.right, window.bottom, PATCOPY);
            refreshStatus();
        }
        SelectObject(dc, old);
    } else if (settings.collage) {
        paintCollage(dc);
    } else {
        const SIZE client = clientSize();
        const Placement placed = placeImage({image.naturalWidth(), image.naturalHeight()}, {client.cx, client.cy},
                                            zoomPercent, fitSwitches(settings), settings.layout,
                                            settings.autoscroll && settings.quietautoscroll, [] { return std::rand(); });
        image.width = placed.size.width;
        image.height = placed.size.height;
        image.offsetX = placed.offsetX;
        image.offsetY = placed.offsetY;
        zoomPercent = placed.effectivePercent;

        // The image is resampled once, into the view bitmap that scrolling, Copy View and Save As
        // use; the frame is the background with that bitmap copied in at the placed offset.
        replaceViewBitmap(dc, image.width, image.height);
        const bool resampled = viewBitmap != nullptr && image.width > 0 && image.height > 0;
        if (resampled) image.drawTo(viewDC, image.width, image.height);

        HDC frameDC = CreateCompatibleDC(dc);
        HBITMAP frame = CreateCompatibleBitmap(dc, client.cx > 0 ? client.cx : 1, client.cy > 0 ? client.cy : 1);
        HGDIOBJ previousFrame = SelectObject(frameDC, frame);
        HGDIOBJ previousBrush = SelectObject(frameDC, backgroundBrush);
        PatBlt(frameDC, 0, 0, client.cx, client.cy, PATCOPY);
        SelectObject(frameDC, previousBrush);
        if (resampled)
            BitBlt(frameDC, image.offsetX, image.offsetY, image.width, image.height, viewDC, 0, 0, SRCCOPY);
        else  // an image too large for a bitmap of its own is drawn straight into the frame
            image.drawAt(frameDC, image.offsetX, image.offsetY, image.width, image.height);

        if (settings.title) refreshCaption();
        if (statusBarWindow) refreshStatus();

        const bool scrollMode = !settings.squeeze || manualZoom;
        // (A changed image is handed to a transition once transitions exist; until then it is copied.)
        if (!(scrollMode && autoscrollDone) ||
            (settings.layer == 1 && (client.cx > image.width || client.cy > image.height)))
            BitBlt(dc, 0, 0, client.cx, client.cy, frameDC, 0, 0, SRCCOPY);
        SelectObject(frameDC, previousFrame);
        DeleteObject(frame);
        DeleteDC(frameDC);

        const bool wasDone = autoscrollDone;
        lastShownIndex = currentIndex;

        if (scrollMode) {
            if (settings.autoscroll && !autoscrollDone) {
                computeScrollRange();
                scrollX = scrollRangeX / 2;
                scrollY = scrollRangeY / 2;
                if (settings.quietautoscroll) autoscrollDone = true;
            }
            if (wasDone || (settings.autoscroll && !settings.quietautoscroll)) scrollView(false);
        }
    }
    if (settings.layer == 1 && settings.fullscreenname) drawFileName(dc);
    EndPaint(mainWindow, &ps);
}

HBRUSH Viewer::dialogBackgroundBrush() {
    if (!settings.overlap && !settings.collage) return backgroundBrush;
    return manualZoom ? backgroundBrush : static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
}

bool Viewer::eraseBackground() {
    if (settings.layer != 1 || settings.layout != 5) return false;
    RECT update;
    if (!GetUpdateRect(mainWindow, &update, FALSE) || (update.left == 0 && update.top == 0)) return false;
    ValidateRect(mainWindow, nullptr);
    if (exhibitSize() != 0) {
        InvalidateRect(mainWindow, nullptr, FALSE);
    } else {
        reportEmptyOrFailure(101);
    }
    return true;
}

void Viewer::drawFileName(HDC dc) {
    std::wstring text;
    if (exhibitSize() == 0) {
        text = buildRootCopy();
    } else {
        text = currentPathCopy();
        if (isShortcutPath(text)) text = L"*" + text;
    }
    HGDIOBJ oldFont = SelectObject(dc, textFont);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    TextOutW(dc, 3, 3, text.c_str(), static_cast<int>(text.size()));
    SetTextColor(dc, RGB(255, 255, 255));
    TextOutW(dc, 4, 4, text.c_str(), static_cast<int>(text.size()));
    SelectObject(dc, oldFont);
}

void Viewer::resetCollage() {
    SIZE canvas = clientSize();
    if (settings.layer == 1) canvas = {monitorRect.right - monitorRect.left, monitorRect.bottom - monitorRect.top};
    HDC dc = GetDC(mainWindow);
    replaceViewBitmap(dc, canvas.cx, canvas.cy);
    ReleaseDC(mainWindow, dc);
    HGDIOBJ old = SelectObject(viewDC, backgroundBrush);
    PatBlt(viewDC, 0, 0, canvas.cx, canvas.cy, PATCOPY);
    SelectObject(viewDC, old);
}

void Viewer::paintCollage(HDC dc) {
    if (settings.title) refreshCaption();
    if (!image.loaded()) return;
    const Size32 tile = collageTileSize({image.naturalWidth(), image.naturalHeight()}, settings.collagesize);
    replaceTileBitmap(dc, tile.width, tile.height);
    image.drawTo(tileDC, tile.width, tile.height);

    const SIZE client = clientSize();
    const int x = client.cx > tile.width ? std::rand() % (client.cx - tile.width) : 0;
    const int y = client.cy > tile.height ? std::rand() % (client.cy - tile.height) : 0;
    BitBlt(viewDC, x, y, tile.width, tile.height, tileDC, 0, 0, SRCCOPY);
    BitBlt(dc, 0, 0, viewBitmapWidth, viewBitmapHeight, viewDC, 0, 0, SRCCOPY);
    if (statusBarWindow) refreshStatus();
}
