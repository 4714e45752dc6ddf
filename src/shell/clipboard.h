// Pictures to and from the system clipboard, as platform bitmaps (CF_BITMAP).
#pragma once

#include <windows.h>

#include "display/view_image.h"
#include "shell/clipboard_logic.h"

// Copies the w x h block of `source` at (x, y) into a new bitmap and hands that to the clipboard
// (opened for `owner`). The bitmap then belongs to the clipboard; when the clipboard cannot be
// opened or refuses it, it is deleted. False when nothing was put on the clipboard.
bool copyBlockToClipboard(HWND owner, HDC source, int x, int y, int w, int h);

// Copy Image (command 1421): the whole image at its natural size (as it now stands, turned or
// flipped), drawn over `background` where it is transparent. False without an image, when no bitmap
// of that size can be made, or when the clipboard cannot be opened.
bool copyImageToClipboard(HWND owner, const ViewImage& image, COLORREF background);

// Copy View (command 1422): exactly the part of the view bitmap (held by `viewDC`, of size `view`)
// that the window shows in a client area of size `client` (status bar excluded) at the scroll
// position `scroll`. On an axis where the image is smaller than the client the scroll becomes 0,
// as the window shows it. False when there is nothing to copy or the clipboard cannot be opened.
bool copyViewToClipboard(HWND owner, HDC viewDC, Size32 view, Size32 client, Point32& scroll);

enum class PasteOutcome {
    Pasted,         // the image now holds the clipboard's bitmap
    NoBitmap,       // the clipboard holds no bitmap: nothing changed
    Unavailable,    // the clipboard could not be opened: nothing changed
    Unconvertible,  // a bitmap that could not be converted: the image was released
};

// Paste (command 1423): a bitmap on the clipboard becomes the image. Only Pasted makes the image a
// pasted picture (the caller then shows it as "Clipboard_Image", zoom 100%, no rotation, scroll 0).
PasteOutcome pasteFromClipboard(HWND owner, ViewImage& image);
