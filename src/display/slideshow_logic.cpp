// Slideshow and navigation arithmetic.
#include "slideshow_logic.h"

#include <algorithm>

#include "caption_text.h"

int navigationStep(bool shift, bool ctrl) {
    if (shift) return 5;
    if (ctrl) return 10;
    return 1;
}

size_t nextIndex(size_t current, size_t step, size_t count) {
    if (count == 0) return 0;
    // Both terms are below count, so the sum cannot wrap.
    const size_t a = current % count, b = step % count;
    return a >= count - b ? a - (count - b) : a + b;
}

size_t previousIndex(size_t current, size_t step, size_t count) {
    if (count == 0) return 0;
    const size_t a = current % count, b = step % count;
    return a >= b ? a - b : a + (count - b);
}

std::wstring_view folderOf(std::wstring_view path) {
    const size_t slash = path.rfind(L'\\');
    return slash == std::wstring_view::npos ? std::wstring_view() : path.substr(0, slash);
}

namespace {

std::wstring_view folderAt(const Exhibit& exhibit, size_t i) { return folderOf(exhibit[i].path()); }

}  // namespace

size_t nextFolderIndex(const Exhibit& exhibit, size_t i) {
    const size_t count = exhibit.size();
    if (count == 0) return 0;
    i %= count;
    const std::wstring_view folder = folderAt(exhibit, i);
    for (size_t j = nextIndex(i, 1, count); j != i; j = nextIndex(j, 1, count)) {
        if (folderAt(exhibit, j) != folder) return j;
    }
    return i;
}

size_t previousFolderIndex(const Exhibit& exhibit, size_t i) {
    const size_t count = exhibit.size();
    if (count == 0) return 0;
    i %= count;
    const std::wstring_view folder = folderAt(exhibit, i);
    size_t j = previousIndex(i, 1, count);
    while (j != i && folderAt(exhibit, j) == folder) j = previousIndex(j, 1, count);
    if (j == i) return i;
    const std::wstring_view other = folderAt(exhibit, j);
    while (j > 0 && folderAt(exhibit, j - 1) == other) --j;
    return j;
}

TickResult slideTick(uint32_t remainingMs, uint32_t tickMs) {
    if (tickMs != 0 && remainingMs >= tickMs) {
        const uint32_t left = remainingMs - tickMs;
        if (left != 0) return {left, false, std::min(tickMs, left)};
    }
    return {0, true, 0};
}

AdvancePlan planAdvance(size_t currentIndex, size_t count, int loop, bool loopshuffle, int sort,
                        bool collage, bool building) {
    AdvancePlan plan{false, AdvanceAction::Stop, 0, false};
    if (count == 0) return plan;
    size_t next = nextIndex(currentIndex, 1, count);
    if (currentIndex == count - 1) {
        plan.reshuffle = loopshuffle && sort == kSortRandom && count > 1 && loop != kLoopExit;
        if (loop == kLoopExit) {
            plan.action = AdvanceAction::Exit;
            return plan;
        }
        if (loop == kLoopPause) {
            plan.action = AdvanceAction::Pause;
            return plan;
        }
        next = 0;
    }
    if (count == 1 && !collage) return plan;  // Stop
    plan.action = AdvanceAction::Show;
    plan.nextIndex = next;
    plan.randomPick = building && sort == kSortRandom;
    return plan;
}

size_t randomPick(std::mt19937& engine, size_t count) {
    if (count == 0) return 0;
    const uint32_t n = count > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(count);
    const uint32_t d = 0xFFFFFFFFu / n;  // at least 1
    for (;;) {
        const uint32_t k = static_cast<uint32_t>(engine()) / d;
        if (k <= n - 1) return k;
    }
}

std::wstring slideshowReadout(uint32_t remainingMs, bool slide) {
    if (!slide) return L"\t!";
    return L"\t" + formatTwoDecimals(remainingMs, 1000);
}

std::wstring stoppedReadout() { return L"\t..."; }
