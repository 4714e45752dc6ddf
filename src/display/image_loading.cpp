// Decoding the current entry, turning it upright, and reporting what could not be shown.
#include <windows.h>

#include "error_log.h"
#include "shortcut_file.h"
#include "viewer.h"
#include "win_handles.h"

void Viewer::loadCurrentEntry(bool forward) {
    const size_t count = store.size();
    if (count == 0) return;
    HCURSOR previous = SetCursor(LoadCursorW(nullptr, IDC_WAIT));

    if (static_cast<size_t>(store.currentIndex) >= count) store.currentIndex = 0;
    const std::wstring path = store.entryPath(static_cast<size_t>(store.currentIndex));
    store.setCurrentPath(path);

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
            const int index = store.currentIndex;
            const int size = static_cast<int>(count);
            store.currentIndex = forward ? (index + 1) % size : (index == 0 ? size - 1 : index - 1);
        } else {
            store.removeCurrentEntry();  // the index now designates the following entry
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

    view.appliedRotation = 0;
    const int rotation = settings.rotation;
    if (rotation == 0) return;
    if (settings.rotateaspect) {
        const Rect32 reference = settings.wrap || settings.layer == kLayerFullScreen
                                     ? Rect32{window.monitorRect.left, window.monitorRect.top, window.monitorRect.right, window.monitorRect.bottom}
                                     : settings.windowRect;
        const int refWidth = reference.right - reference.left, refHeight = reference.bottom - reference.top;
        const int width = image.naturalWidth(), height = image.naturalHeight();
        if (refWidth > refHeight && width > height) return;
        if (refWidth < refHeight && width < height) return;
    }
    if (rotation == 90 || rotation == 180 || rotation == 270) {
        view.appliedRotation = rotation;
        image.rotateFlip(rotation / 90);  // Rotate90FlipNone 1, Rotate180FlipNone 2, Rotate270FlipNone 3
    }
}

void Viewer::reportEmptyOrFailure(int code) {
    if (code == 102) {
        const std::wstring path = store.currentPathCopy();
        if (shouldLogFailure(path, settings.logerrors, settings.loglnkfail)) appendErrorLog(files.errorLogPath, path);
        return;
    }
    if (code != 101) return;
    if (settings.layer == kLayerFullScreen) {
        if (const WindowDC dc(mainWindow); dc) {
            const SelectedObject brush(dc.get(), drawing.backgroundBrush.get());
            PatBlt(dc.get(), 0, 0, window.monitorWidth(), window.monitorHeight(), PATCOPY);
        }
    }
    InvalidateRect(mainWindow, nullptr, TRUE);
    image.release();
    refreshStatus();
}
