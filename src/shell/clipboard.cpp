#include <windows.h>

#include "shell/clipboard.h"

#include <functional>
#include <utility>

#include "core/win_handles.h"

namespace {

// Hands a bitmap to the clipboard, which then owns it; when the clipboard does not take it, the
// owner deletes it.
bool giveToClipboard(HWND owner, GdiBitmap bitmap) {
    if (!bitmap || !OpenClipboard(owner)) return false;
    EmptyClipboard();
    const bool taken = SetClipboardData(CF_BITMAP, bitmap.get()) != nullptr;
    CloseClipboard();
    if (taken) bitmap.release();
    return taken;
}

// A w x h bitmap compatible with the screen, drawn by `draw` on a memory context it is selected
// into; none when it cannot be made.
GdiBitmap drawnBitmap(int w, int h, const std::function<bool(HDC)>& draw) {
    const WindowDC screen(nullptr);
    if (!screen) return {};
    MemoryDC dc(CreateCompatibleDC(screen.get()));
    GdiBitmap bitmap(CreateCompatibleBitmap(screen.get(), w, h));
    if (!dc || !bitmap) return {};
    bool drawn = false;
    {
        const SelectedObject selected(dc.get(), bitmap.get());
        drawn = draw(dc.get());
        GdiFlush();
    }
    return drawn ? std::move(bitmap) : GdiBitmap();
}

}  // namespace

bool copyBlockToClipboard(HWND owner, HDC source, int x, int y, int w, int h) {
    if (!source || w <= 0 || h <= 0) return false;
    return giveToClipboard(owner, drawnBitmap(w, h, [&](HDC dc) {
                               return BitBlt(dc, 0, 0, w, h, source, x, y, SRCCOPY) != FALSE;
                           }));
}

bool copyImageToClipboard(HWND owner, const ViewImage& image, COLORREF background) {
    const int w = image.naturalWidth(), h = image.naturalHeight();
    if (!image.loaded() || w <= 0 || h <= 0) return false;
    return giveToClipboard(owner, drawnBitmap(w, h, [&](HDC dc) {
                               const GdiBrush brush(CreateSolidBrush(background));
                               const RECT all{0, 0, w, h};
                               if (brush) FillRect(dc, &all, brush.get());
                               image.drawTo(dc, w, h);  // at its own size: pixel for pixel
                               return true;
                           }));
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
