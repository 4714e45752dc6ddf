// Showing the current entry, the slideshow timer and the navigation commands.
#include <windows.h>
#include <commctrl.h>

#include "command_ids.h"
#include "exhibit_order.h"
#include "slideshow_logic.h"
#include "viewer.h"
#include "window_messages.h"
#include "win_paths.h"

namespace {

void trimWorkingSet() {
    SetProcessWorkingSetSize(GetCurrentProcess(), static_cast<SIZE_T>(-1), static_cast<SIZE_T>(-1));
}

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

void Viewer::showCurrent(bool forward) {
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
    showCurrent(true);
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
            showCurrent(true);
        } else {
            store.currentIndex = static_cast<int>(previousIndex(index, static_cast<size_t>(navigationStep(shift, ctrl)), count));
            showCurrent(false);
        }
        return;
    case CMD_FIRST:
        store.currentIndex = 0;
        showCurrent(true);
        return;
    case CMD_LAST:
        store.currentIndex = count == 0 ? 0 : static_cast<int>(count) - 1;
        showCurrent(false);
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
        showCurrent(true);
        return;
    }
    default:
        return;
    }
}
