// Showing the current entry, the slideshow timer and the navigation commands.
#include <windows.h>
#include <commctrl.h>

#include "command_ids.h"
#include "exhibit_order.h"
#include "slideshow_logic.h"
#include "viewer.h"
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
    if (statusBarWindow) SendMessageW(statusBarWindow, SB_SETTEXTW, 5, reinterpret_cast<LPARAM>(text.c_str()));
}

void Viewer::showCurrent(bool forward) {
    const size_t count = exhibitSize();
    if (count == 0) {
        reportEmptyOrFailure(101);
        return;
    }
    loadCurrentEntry(forward);
    size_t attempts = 1;
    while (!image.loaded() && exhibitSize() != 0 && attempts < count) {
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
        if (exhibitSize() == 0) {
            reportEmptyOrFailure(101);
        } else {
            if (settings.slide) setReadout(stoppedReadout());
            suspendSlideshow(false);
        }
        InvalidateRect(mainWindow, nullptr, TRUE);
        return;
    }

    bool oriented = false;
    if (landscapeFilter || portraitFilter) {
        oriented = true;
        const int start = currentIndex;
        // Bounded by the exhibit's size too, in case a rebuild shrinks it below `start` meanwhile.
        for (size_t steps = 0; steps <= count; ++steps) {
            applyOrientation();
            if (passesOrientationFilter(image, landscapeFilter, portraitFilter)) break;
            const size_t size = exhibitSize();
            if (size == 0) break;
            currentIndex = static_cast<int>(forward ? nextIndex(static_cast<size_t>(currentIndex), 1, size)
                                                    : previousIndex(static_cast<size_t>(currentIndex), 1, size));
            if (currentIndex == start) break;
            loadCurrentEntry(forward);
            if (!image.loaded()) {
                InvalidateRect(mainWindow, nullptr, TRUE);
                return;
            }
        }
    }

    scrollX = scrollY = 0;
    autoscrollDone = false;
    manualZoom = false;
    zoomPercent = settings.zoom;
    if (!oriented) applyOrientation();
    {
        std::lock_guard lock(exhibitMutex);
        if (static_cast<size_t>(currentIndex) < exhibit.size()) exhibit[static_cast<size_t>(currentIndex)].accessed = now();
    }
    refreshLayout();
    if (settings.slide) restartSlideTimer();
}

void Viewer::restartSlideTimer() {
    KillTimer(mainWindow, kSlideTimerId);
    remainingMs = static_cast<uint32_t>(settings.timer);
    if (settings.slide) SetTimer(mainWindow, kSlideTimerId, static_cast<UINT>(tickMs), nullptr);
    setReadout(slideshowReadout(remainingMs, settings.slide));
    trimWorkingSet();
}

void Viewer::suspendSlideshow(bool byDialog) {
    KillTimer(mainWindow, kSlideTimerId);
    trimWorkingSet();
    if (byDialog) suspended = true;
}

void Viewer::resumeSlideshow() {
    suspended = false;
    if (settings.slide && (IsWindowVisible(mainWindow) || settings.layer == 2) && exhibitSize() != 0)
        SetTimer(mainWindow, kSlideTimerId, static_cast<UINT>(tickMs), nullptr);
}

void Viewer::onSlideTimer(UINT_PTR timerId) {
    if (timerId != kSlideTimerId) return;
    KillTimer(mainWindow, kSlideTimerId);
    if (catalogWindow) return;
    const size_t count = exhibitSize();
    if (count == 0) {
        remainingMs = 0;
        setReadout(stoppedReadout());
        return;
    }
    const TickResult tick = slideTick(remainingMs, static_cast<uint32_t>(tickMs));
    remainingMs = tick.remainingMs;
    if (!tick.advance) {
        SetTimer(mainWindow, kSlideTimerId, tick.armMs, nullptr);
        setReadout(slideshowReadout(remainingMs, settings.slide));
        return;
    }

    const AdvancePlan plan = planAdvance(static_cast<size_t>(currentIndex), count, settings.loop, settings.loopshuffle,
                                         settings.sort, settings.collage, building);
    if (plan.reshuffle) {
        std::lock_guard lock(exhibitMutex);
        auto& entries = exhibit.entries();
        if (!entries.empty()) shuffleEntries(entries.data(), entries.data() + entries.size(), randomEngine);
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
        std::lock_guard lock(exhibitMutex);
        currentIndex = static_cast<int>(randomPick(randomEngine, count));
    } else {
        currentIndex = static_cast<int>(plan.nextIndex);
    }
    showCurrent(true);
}

void Viewer::navigate(int command) {
    const size_t count = exhibitSize();
    const bool shift = GetKeyState(VK_SHIFT) < 0, ctrl = GetKeyState(VK_CONTROL) < 0;
    const size_t index = static_cast<size_t>(currentIndex);
    switch (command) {
    case CMD_NEXT:
    case CMD_PREVIOUS:
        if (count == 0) {
            reportEmptyOrFailure(101);
            return;
        }
        if (command == CMD_NEXT) {
            currentIndex = static_cast<int>(nextIndex(index, static_cast<size_t>(navigationStep(shift, ctrl)), count));
            showCurrent(true);
        } else {
            currentIndex = static_cast<int>(previousIndex(index, static_cast<size_t>(navigationStep(shift, ctrl)), count));
            showCurrent(false);
        }
        return;
    case CMD_FIRST:
        currentIndex = 0;
        showCurrent(true);
        return;
    case CMD_LAST:
        currentIndex = count == 0 ? 0 : static_cast<int>(count) - 1;
        showCurrent(false);
        return;
    case CMD_CURRENT:
        if (settings.collage) resetCollage();
        if (building)
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
            std::lock_guard lock(exhibitMutex);
            const size_t i = std::min(static_cast<size_t>(currentIndex), exhibit.size() - 1);
            currentIndex = static_cast<int>(command == CMD_NEXT_FOLDER ? nextFolderIndex(exhibit, i)
                                                                       : previousFolderIndex(exhibit, i));
        }
        showCurrent(true);
        return;
    }
    default:
        return;
    }
}
