// Showing the current entry, the slideshow timer and the navigation commands.
#include <windows.h>
#include <commctrl.h>

#include "app.h"
#include "caption_text.h"
#include "command_ids.h"
#include "exhibit_order.h"
#include "slideshow_logic.h"
#include "viewer.h"
#include "window_messages.h"
#include "win_paths.h"

namespace {

FileTime now() {
    FILETIME time;
    GetSystemTimeAsFileTime(&time);
    return toFileTime(time);
}

bool passesOrientationFilter(const ViewImage& image, bool landscape, bool portrait) {
    const int width = image.naturalWidth(), height = image.naturalHeight();
    if (landscape && width < height) return false;
    if (portrait && height < width) return false;
    return true;
}

}  // namespace

void Viewer::setReadout(const std::wstring& text) {
    if (window.statusBarWindow) SendMessageW(window.statusBarWindow, SB_SETTEXTW, 5, reinterpret_cast<LPARAM>(text.c_str()));
}

void Viewer::requestShow(bool forward) {
    slideshow.showPending = true;
    slideshow.pendingForward = forward;
    // The caption and the position follow the target at once; the picture follows when the queue is empty.
    size_t count = 0;
    store.takeCurrentEntry(count);
    refreshCaption();
    if (window.statusBarWindow && count != 0) {
        SendMessageW(window.statusBarWindow, SB_SETTEXTW, 4,
                     reinterpret_cast<LPARAM>(positionPart(false, static_cast<size_t>(store.currentIndex), count).c_str()));
    }
    SetTimer(mainWindow, kShowTimerId, USER_TIMER_MINIMUM, nullptr);
}

void Viewer::onShowTimer() {
    KillTimer(mainWindow, kShowTimerId);
    if (!slideshow.showPending) return;
    size_t count = 0;
    const std::wstring path = store.takeCurrentEntry(count);
    const ShownSizeRule rule = shownSizeRule();
    if (count == 0 || path.empty() || isShortcutPath(path) || readAhead.finished(path, rule)) {
        // Ready (or nothing for the worker to do): show it now.
        showCurrent(slideshow.pendingForward);
        return;
    }
    // The worker decodes it; the interface keeps answering and shows it when it is ready. A decode
    // of an earlier target still under way is thrown away when it ends.
    readAhead.request(path, rule);
    if (!slideshow.awaitingDecode) SetTimer(mainWindow, kLoadingTimerId, 150, nullptr);
    slideshow.awaitingDecode = true;
}

void Viewer::dropReadAhead() {
    readAhead.drop();
    // A step waiting for the decode it had asked for asks again: every step ends in a picture or
    // a failure.
    if (slideshow.showPending && slideshow.awaitingDecode) SetTimer(mainWindow, kShowTimerId, USER_TIMER_MINIMUM, nullptr);
}

void Viewer::onPictureDecoded() {
    if (takeWholePicture()) return;
    if (!slideshow.showPending || !slideshow.awaitingDecode) return;
    const std::wstring path = store.currentPathCopy();
    const ShownSizeRule rule = shownSizeRule();
    if (!readAhead.finished(path, rule)) {
        // An earlier target's decode ended, or the window changed size meanwhile: the target is
        // (still) asked for at the size it will now be shown at.
        readAhead.request(path, rule);
        return;
    }
    showCurrent(slideshow.pendingForward);
}

void Viewer::onLoadingTimer() {
    KillTimer(mainWindow, kLoadingTimerId);
    if ((slideshow.showPending && slideshow.awaitingDecode) || image.wholeRequested) showLoading(store.currentPathCopy());
}

void Viewer::readAheadNext(bool forward) {
    const size_t count = store.size();
    if (!readAhead.aheadEnabled || count < 2 || settings.collage || (settings.slide && settings.loopshuffle)) return;
    const size_t index = static_cast<size_t>(store.currentIndex) % count;
    const std::wstring path = store.entryPath(forward ? nextIndex(index, 1, count) : previousIndex(index, 1, count));
    if (path.empty() || isShortcutPath(path)) return;  // a shortcut is resolved when it is reached
    readAhead.request(path, shownSizeRule());
}

void Viewer::showCurrent(bool forward) {
    if (slideshow.showPending) {
        slideshow.showPending = false;
        KillTimer(mainWindow, kShowTimerId);
    }
    if (slideshow.awaitingDecode) {
        slideshow.awaitingDecode = false;
        KillTimer(mainWindow, kLoadingTimerId);
        SetCursor(LoadCursorW(nullptr, IDC_ARROW));
    }
    slideshow.travelForward = forward;
    const size_t count = store.size();
    if (count == 0) {
        reportEmptyOrFailure(101);
        return;
    }
    loadCurrentEntry(forward);
    size_t attempts = 1;
    while (!image.loaded() && store.size() != 0 && attempts < count) {
        ++attempts;
        loadCurrentEntry(forward);
        if (attempts == count && !image.loaded()) {
            // Every entry failed: stop here rather than retrying for ever.
            if (settings.slide) setReadout(stoppedReadout());
            suspendSlideshow(false);
            InvalidateRect(mainWindow, nullptr, TRUE);
            return;
        }
    }
    if (!image.loaded()) {
        if (store.size() == 0) {
            reportEmptyOrFailure(101);
        } else {
            if (settings.slide) setReadout(stoppedReadout());
            suspendSlideshow(false);
        }
        InvalidateRect(mainWindow, nullptr, TRUE);
        return;
    }

    bool oriented = false;
    if (switches.landscapeFilter || switches.portraitFilter) {
        oriented = true;
        const int start = store.currentIndex;
        // Bounded by the exhibit's size too, in case a rebuild shrinks it below `start` meanwhile.
        for (size_t steps = 0; steps <= count; ++steps) {
            applyOrientation();
            if (passesOrientationFilter(image, switches.landscapeFilter, switches.portraitFilter)) break;
            const size_t size = store.size();
            if (size == 0) break;
            store.currentIndex = static_cast<int>(forward ? nextIndex(static_cast<size_t>(store.currentIndex), 1, size)
                                                    : previousIndex(static_cast<size_t>(store.currentIndex), 1, size));
            if (store.currentIndex == start) break;
            loadCurrentEntry(forward);
            if (!image.loaded()) {
                InvalidateRect(mainWindow, nullptr, TRUE);
                return;
            }
        }
    }

    view.resetForNewImage(settings.zoom);
    if (!oriented) applyOrientation();
    {
        std::lock_guard lock(store.exhibitMutex);
        if (static_cast<size_t>(store.currentIndex) < store.exhibit.size()) store.exhibit[static_cast<size_t>(store.currentIndex)].accessed = now();
    }
    refreshLayout();
    if (settings.slide) restartSlideTimer();
    readAheadNext(forward);
}

void Viewer::restartSlideTimer() {
    KillTimer(mainWindow, kSlideTimerId);
    slideshow.remainingMs = static_cast<uint32_t>(settings.timer);
    if (settings.slide) SetTimer(mainWindow, kSlideTimerId, static_cast<UINT>(slideshow.tickMs), nullptr);
    setReadout(slideshowReadout(slideshow.remainingMs, settings.slide));
    trimWorkingSet();
}

void Viewer::suspendSlideshow(bool byDialog) {
    KillTimer(mainWindow, kSlideTimerId);
    trimWorkingSet();
    if (byDialog) slideshow.suspended = true;
}

void Viewer::resumeSlideshow() {
    slideshow.suspended = false;
    if (settings.slide && (IsWindowVisible(mainWindow) || settings.layer == kLayerWallpaper) && store.size() != 0)
        SetTimer(mainWindow, kSlideTimerId, static_cast<UINT>(slideshow.tickMs), nullptr);
}

void Viewer::onSlideTimer(UINT_PTR timerId) {
    if (timerId == kShowTimerId) {
        onShowTimer();
        return;
    }
    if (timerId == kLoadingTimerId) {
        onLoadingTimer();
        return;
    }
    if (timerId != kSlideTimerId) return;
    KillTimer(mainWindow, kSlideTimerId);
    if (window.catalogWindow) return;
    const size_t count = store.size();
    if (count == 0) {
        slideshow.remainingMs = 0;
        setReadout(stoppedReadout());
        return;
    }
    const TickResult tick = slideTick(slideshow.remainingMs, static_cast<uint32_t>(slideshow.tickMs));
    slideshow.remainingMs = tick.remainingMs;
    if (!tick.advance) {
        SetTimer(mainWindow, kSlideTimerId, tick.armMs, nullptr);
        setReadout(slideshowReadout(slideshow.remainingMs, settings.slide));
        return;
    }

    const AdvancePlan plan = planAdvance(static_cast<size_t>(store.currentIndex), count, settings.loop, settings.loopshuffle,
                                         settings.sort, settings.collage, store.building);
    if (plan.reshuffle) {
        std::lock_guard lock(store.exhibitMutex);
        auto& entries = store.exhibit.entries();
        if (!entries.empty()) shuffleEntries(entries.data(), entries.data() + entries.size(), store.randomEngine);
    }
    switch (plan.action) {
    case AdvanceAction::Exit:
        executeCommand(CMD_EXIT);
        return;
    case AdvanceAction::Pause:
    case AdvanceAction::Stop:
        setReadout(stoppedReadout());
        return;
    case AdvanceAction::Show:
        break;
    }
    if (plan.randomPick) {
        std::lock_guard lock(store.exhibitMutex);
        store.currentIndex = static_cast<int>(randomPick(store.randomEngine, count));
    } else {
        store.currentIndex = static_cast<int>(plan.nextIndex);
    }
    requestShow(true);
}

void Viewer::navigate(int command) {
    const size_t count = store.size();
    const bool shift = GetKeyState(VK_SHIFT) < 0, ctrl = GetKeyState(VK_CONTROL) < 0;
    const size_t index = static_cast<size_t>(store.currentIndex);
    switch (command) {
    case CMD_NEXT:
    case CMD_PREVIOUS:
        if (count == 0) {
            reportEmptyOrFailure(101);
            return;
        }
        if (command == CMD_NEXT) {
            store.currentIndex = static_cast<int>(nextIndex(index, static_cast<size_t>(navigationStep(shift, ctrl)), count));
            requestShow(true);
        } else {
            store.currentIndex = static_cast<int>(previousIndex(index, static_cast<size_t>(navigationStep(shift, ctrl)), count));
            requestShow(false);
        }
        return;
    case CMD_FIRST:
        store.currentIndex = 0;
        requestShow(true);
        return;
    case CMD_LAST:
        store.currentIndex = count == 0 ? 0 : static_cast<int>(count) - 1;
        requestShow(false);
        return;
    case CMD_CURRENT:
        if (settings.collage) resetCollage();
        if (store.building)
            refreshLayout();
        else
            showCurrent(true);
        return;
    case CMD_NEXT_FOLDER:
    case CMD_PREV_FOLDER: {
        if (count == 0) {
            reportEmptyOrFailure(101);
            return;
        }
        if (!checkIsFile()) return;
        {
            std::lock_guard lock(store.exhibitMutex);
            const size_t i = std::min(static_cast<size_t>(store.currentIndex), store.exhibit.size() - 1);
            store.currentIndex = static_cast<int>(command == CMD_NEXT_FOLDER ? nextFolderIndex(store.exhibit, i)
                                                                       : previousFolderIndex(store.exhibit, i));
        }
        requestShow(true);
        return;
    }
    default:
        return;
    }
}
