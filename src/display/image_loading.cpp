// Decoding the current entry, turning it upright, and reporting what could not be shown.
#include <windows.h>

#include "error_log.h"
#include "shortcut_file.h"
#include "viewer.h"

void Viewer::loadCurrentEntry(bool forward) {
    const size_t count = exhibitSize();
    if (count == 0) return;
    HCURSOR previous = SetCursor(LoadCursorW(nullptr, IDC_WAIT));

    if (static_cast<size_t>(currentIndex) >= count) currentIndex = 0;
    const std::wstring path = entryPath(static_cast<size_t>(currentIndex));
    setCurrentPath(path);

    if (isShortcutPath(path)) {
        ShortcutFile shortcut;
        std::wstring target;
        if (shortcut.open() && shortcut.readTarget(path, target, true))
            image.loadFromFile(target);
        else
            image.release();
    } else {
        image.loadFromFile(path);
    }

    if (!image.loaded()) {
        reportEmptyOrFailure(102);
        if (!settings.removefail) {
            const int index = currentIndex;
            const int size = static_cast<int>(count);
            currentIndex = forward ? (index + 1) % size : (index == 0 ? size - 1 : index - 1);
        } else {
            removeCurrentEntry();  // the index now designates the following entry
        }
    }
    SetCursor(previous);
}

void Viewer::applyOrientation() {
    if (!image.loaded()) return;
    // EXIF orientation 2..8 -> the rotate/flip that makes the picture upright.
    static const int kUpright[9] = {0, 0, 4, 2, 6, 5, 1, 7, 3};
    if (settings.exiforient && image.orientation >= 2 && image.orientation <= 8)
        image.rotateFlip(kUpright[image.orientation]);

    appliedRotation = 0;
    const int rotation = settings.rotation;
    if (rotation == 0) return;
    if (settings.rotateaspect) {
        const Rect32 reference = settings.wrap || settings.layer == 1
                                     ? Rect32{monitorRect.left, monitorRect.top, monitorRect.right, monitorRect.bottom}
                                     : settings.windowRect;
        const int refWidth = reference.right - reference.left, refHeight = reference.bottom - reference.top;
        const int width = image.naturalWidth(), height = image.naturalHeight();
        if (refWidth > refHeight && width > height) return;
        if (refWidth < refHeight && width < height) return;
    }
    if (rotation == 90 || rotation == 180 || rotation == 270) {
        appliedRotation = rotation;
        image.rotateFlip(rotation / 90);  // Rotate90FlipNone 1, Rotate180FlipNone 2, Rotate270FlipNone 3
    }
}

void Viewer::reportEmptyOrFailure(int code) {
    if (code == 102) {
        const std::wstring path = currentPathCopy();
        if (shouldLogFailure(path, settings.logerrors, settings.loglnkfail)) appendErrorLog(files.errorLogPath, path);
        return;
    }
    if (code != 101) return;
    if (settings.layer == 1) {
        if (HDC dc = GetDC(mainWindow)) {
            HGDIOBJ old = SelectObject(dc, backgroundBrush);
            PatBlt(dc, 0, 0, monitorRect.right - monitorRect.left, monitorRect.bottom - monitorRect.top, PATCOPY);
            SelectObject(dc, old);
            ReleaseDC(mainWindow, dc);
        }
    }
    InvalidateRect(mainWindow, nullptr, TRUE);
    image.release();
    refreshStatus();
}
