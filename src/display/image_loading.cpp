// Decoding the current entry, turning it upright, and reporting what could not be shown.
#include <windows.h>

#include <algorithm>
#include <cstdint>

#include "decoding/image_file_probe.h"
#include "display/picture_targets.h"
#include "error_log.h"
#include "placement.h"
#include "shown_size.h"
#include "shortcut_file.h"
#include "window_messages.h"
#include "viewer.h"
#include "win_handles.h"

namespace {

// Pictures of this many pixels or more take over 150 ms to decode on a slow machine: the status
// says that they are loading.
constexpr std::uint64_t kSlowDecodePixels = 3'000'000;

// Size a metafile is rendered at: its claimed size fitted into the shown area, never larger than
// the area and never its claimed bounds (which may be billions of pixels).
SIZE metafileShownSize(const ImageProbe& probe, SIZE area) {
    const long long areaWidth = std::max<long>(area.cx, 1), areaHeight = std::max<long>(area.cy, 1);
    long long width = probe.width > 0 ? probe.width : areaWidth, height = probe.height > 0 ? probe.height : areaHeight;
    if (width > areaWidth || height > areaHeight) {
        // Scale down keeping the aspect: the side that overflows most decides.
        if (width * areaHeight >= height * areaWidth) {
            height = std::max<long long>(1, height * areaWidth / width);
            width = areaWidth;
        } else {
            width = std::max<long long>(1, width * areaHeight / height);
            height = areaHeight;
        }
    }
    return SIZE{static_cast<LONG>(width), static_cast<LONG>(height)};
}

}  // namespace

void Viewer::showLoading(const std::wstring& path) {
    SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    const std::wstring& text = language.message(kMsgLoading);
    if (window.statusBarWindow && IsWindowVisible(window.statusBarWindow)) {
        SendMessageW(window.statusBarWindow, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(text.c_str()));
        UpdateWindow(window.statusBarWindow);
    } else {
        const size_t slash = path.find_last_of(L"\\/");
        const std::wstring caption = text + L" " + (slash == std::wstring::npos ? path : path.substr(slash + 1));
        SetWindowTextW(mainWindow, caption.c_str());
    }
}

bool Viewer::decodePicture(const std::wstring& path) {
    const ImageProbe probe = probeImageFile(path);
    if (failsBeforeDecoding(probe)) {
        // Too large to decode, or something a decoder is known to crash on: unreadable.
        image.release();
        return false;
    }
    DecodedPicture picture;
    if (probe.verdict == ProbeVerdict::RenderAtShownSize) {
        const SIZE shown = metafileShownSize(probe, clientSize());
        if (decoder.decode(path, MetafileTarget(shown.cx, shown.cy), picture) == DecodeOutcome::Decoded) {
            // A metafile's own size is the one it is drawn at: it claims whatever it likes.
            picture.naturalWidth = picture.width;
            picture.naturalHeight = picture.height;
            return image.adoptDecoded(std::move(picture), path);
        }
        image.release();
        return false;
    }
    // A picture decoded ahead for this step is used at once (and one found not to decode is not
    // tried again); otherwise one of this size takes long enough to say so.
    const ShownSizeRule rule = shownSizeRule();
    switch (readAhead.take(path, rule, picture)) {
    case ReadAhead::Taken::Picture:
        if (image.adoptDecoded(std::move(picture), path)) return true;
        break;
    case ReadAhead::Taken::Unreadable:
        image.release();
        return false;
    case ReadAhead::Taken::Nothing:
        break;
    }
    if (static_cast<std::uint64_t>(std::max(probe.width, 0)) * static_cast<std::uint64_t>(std::max(probe.height, 0)) >= kSlowDecodePixels)
        showLoading(path);
    if (decoder.decode(path, ViewTarget(rule), picture) == DecodeOutcome::Decoded) return image.adoptDecoded(std::move(picture), path);
    image.release();
    return false;
}

ShownSizeRule Viewer::shownSizeRule() const {
    ShownSizeRule rule;
    // Collages and wallpapers size the picture otherwise: held whole.
    rule.reduce = !settings.collage && (settings.layer == kLayerWindowed || settings.layer == kLayerFullScreen);
    if (!rule.reduce) return rule;
    if (settings.wrap && settings.layer == kLayerWindowed) {
        // The window will be fitted around the picture: the picture is fitted into the room the
        // work area leaves it, as fitWindowToImage fits it.
        const RECT& work = window.workAreaRect;
        const Rect32 bounds = imageBounds({work.left, work.top, work.right, work.bottom}, windowFrame());
        rule.area = {bounds.right - bounds.left, bounds.bottom - bounds.top};
    } else {
        const SIZE client = clientSize();
        rule.area = {client.cx, client.cy};
    }
    rule.zoomPercent = settings.zoom;
    rule.fit = {settings.squeeze, settings.shrink, settings.stretch};
    rule.exifOrient = settings.exiforient;
    rule.rotation = settings.rotation;
    rule.rotateAspect = settings.rotateaspect;
    const Rect32 reference = settings.wrap || settings.layer == kLayerFullScreen
                                 ? Rect32{window.monitorRect.left, window.monitorRect.top, window.monitorRect.right, window.monitorRect.bottom}
                                 : settings.windowRect;
    rule.reference = {reference.right - reference.left, reference.bottom - reference.top};
    rule.interpolation = image.interpolation;
    return rule;
}

void Viewer::askForPixels(int w, int h) {
    if (!image.reduced() || image.wholeRequested || (image.heldWidth() >= w && image.heldHeight() >= h)) return;
    // Held whole: the rule that never reduces. The read-ahead of the next picture gives way to it.
    readAhead.request(image.source().path, ShownSizeRule{});
    image.wholeRequested = true;
    SetTimer(mainWindow, kLoadingTimerId, 150, nullptr);
}

bool Viewer::takeWholePicture() {
    const ViewImage::Source source = image.source();
    if (!image.wholeRequested || !readAhead.finished(source.path, ShownSizeRule{})) return false;
    DecodedPicture whole;
    const bool taken = readAhead.take(source.path, ShownSizeRule{}, whole) == ReadAhead::Taken::Picture &&
                       image.adoptWhole(std::move(whole));
    image.wholeRequested = false;
    if (!slideshow.awaitingDecode) {
        KillTimer(mainWindow, kLoadingTimerId);
        SetCursor(LoadCursorW(nullptr, IDC_ARROW));
    }
    if (taken) {
        if (window.statusBarWindow) refreshStatus();
        InvalidateRect(mainWindow, nullptr, FALSE);
        readAheadNext(slideshow.travelForward);
    } else {
        // The file is no longer the picture held, or no longer decodes: it is shown anew.
        requestShow(slideshow.travelForward);
    }
    return true;
}

bool Viewer::holdPixelsFor(int w, int h) {
    if (!image.reduced() || (image.heldWidth() >= w && image.heldHeight() >= h)) return image.loaded();
    const std::wstring path = store.currentPathCopy();
    const HCURSOR previous = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    if (static_cast<std::uint64_t>(image.naturalWidth()) * static_cast<std::uint64_t>(image.naturalHeight()) >= kSlowDecodePixels)
        showLoading(path);
    const ViewImage::Restore restored = image.restoreFullPixels(decoder);
    SetCursor(previous);
    refreshCaption();  // either may have said that the picture was loading
    if (window.statusBarWindow) refreshStatus();
    // The file is no longer the picture held: it is shown anew rather than mixed with the old one.
    if (restored == ViewImage::Restore::Changed) requestShow(slideshow.travelForward);
    return restored == ViewImage::Restore::Done;
}

void Viewer::loadCurrentEntry(bool forward) {
    // The size and the path are read in one locked step: a rebuild in between cannot make the
    // index point past the end and give an empty path.
    size_t count = 0;
    const std::wstring path = store.takeCurrentEntry(count);
    if (count == 0) return;
    if (path.empty()) {
        // Nothing to load; not the file's fault: never logged, never removed.
        image.release();
        return;
    }
    HCURSOR previous = SetCursor(LoadCursorW(nullptr, IDC_WAIT));

    if (isShortcutPath(path)) {
        ShortcutFile shortcut;
        std::wstring target;
        if (shortcut.open() && shortcut.readTarget(path, target, true) && !target.empty())
            decodePicture(target);
        else
            image.release();
    } else {
        decodePicture(path);
    }

    if (!image.loaded()) {
        reportEmptyOrFailure(102);
        if (!settings.removefail) {
            const int index = store.currentIndex;
            const int size = static_cast<int>(count);
            store.currentIndex = forward ? (index + 1) % size : (index == 0 ? size - 1 : index - 1);
        } else {
            // The index now designates the following entry; a rebuild meanwhile leaves it alone.
            store.removeCurrentEntryIf(path);
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
