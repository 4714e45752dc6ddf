#include <windows.h>

#include "shell/clipboard.h"

namespace {

// Hands a bitmap to the clipboard; it is deleted when the clipboard does not take it.
bool giveToClipboard(HWND owner, HBITMAP bitmap) {
    if (!bitmap) return false;
    bool taken = false;
    if (OpenClipboard(owner)) {
        EmptyClipboard();
        taken = SetClipboardData(CF_BITMAP, bitmap) != nullptr;
        CloseClipboard();
    }
    if (!taken) DeleteObject(bitmap);
    return taken;
}

// A w x h bitmap compatible with the screen, selected into a memory context for drawing.
struct Canvas {
    HDC screen = GetDC(nullptr);
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ previous = nullptr;

    Canvas(int w, int h) {
        if (!screen) return;
        dc = CreateCompatibleDC(screen);
        bitmap = CreateCompatibleBitmap(screen, w, h);
        if (dc && bitmap) previous = SelectObject(dc, bitmap);
    }
    bool ready() const { return dc && bitmap && previous; }
    // The bitmap, no longer selected; the caller owns it.
    HBITMAP release() {
        if (previous) SelectObject(dc, previous);
        previous = nullptr;
        HBITMAP made = bitmap;
        bitmap = nullptr;
        return made;
    }
    ~Canvas() {
        if (previous) SelectObject(dc, previous);
        if (bitmap) DeleteObject(bitmap);
        if (dc) DeleteDC(dc);
        if (screen) ReleaseDC(nullptr, screen);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;
};

}  // namespace

bool copyBlockToClipboard(HWND owner, HDC source, int x, int y, int w, int h) {
    if (!source || w <= 0 || h <= 0) return false;
    Canvas canvas(w, h);
    if (!canvas.ready() || !BitBlt(canvas.dc, 0, 0, w, h, source, x, y, SRCCOPY)) return false;
    return giveToClipboard(owner, canvas.release());
}

bool copyImageToClipboard(HWND owner, const ViewImage& image, COLORREF background) {
    const int w = image.naturalWidth(), h = image.naturalHeight();
    if (!image.loaded() || w <= 0 || h <= 0) return false;
    Canvas canvas(w, h);
    if (!canvas.ready()) return false;
    if (HBRUSH brush = CreateSolidBrush(background)) {
        const RECT all{0, 0, w, h};
        FillRect(canvas.dc, &all, brush);
        DeleteObject(brush);
    }
    image.drawTo(canvas.dc, w, h);  // at its own size: pixel for pixel
    GdiFlush();
    return giveToClipboard(owner, canvas.release());
}

bool copyViewToClipboard(HWND owner, HDC viewDC, Size32 view, Size32 client, Point32& scroll) {
    const ViewCopyRect part = visibleViewPart(client, view, scroll);
    if (part.resetScrollX) scroll.x = 0;
    if (part.resetScrollY) scroll.y = 0;
    if (part.width == 0) return false;
    return copyBlockToClipboard(owner, viewDC, part.x, part.y, part.width, part.height);
}

PasteOutcome pasteFromClipboard(HWND owner, ViewImage& image) {
    if (!OpenClipboard(owner)) return PasteOutcome::Unavailable;
    PasteOutcome outcome = PasteOutcome::NoBitmap;
    if (IsClipboardFormatAvailable(CF_BITMAP)) {
        // The handle stays the clipboard's; the image takes a copy of its pixels.
        if (HBITMAP bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP)))
            outcome = image.loadFromBitmapHandle(bitmap) ? PasteOutcome::Pasted : PasteOutcome::Unconvertible;
    }
    CloseClipboard();
    return outcome;
}
