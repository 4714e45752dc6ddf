// Slideshow and navigation arithmetic: index steps, folder jumps, the count-down tick, the decision
// taken when the show advances past an image, and the status read-out of the count-down.
// Pure logic: the window timer and the showing of images stay with the viewer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <random>
#include <string>
#include <string_view>

#include "core/setting_values.h"
#include "exhibit/exhibit.h"

// Step multiplier of the navigation commands: 5 with Shift, else 10 with Ctrl, else 1.
int navigationStep(bool shift, bool ctrl);

// (current + step) mod count. Both current and step may exceed count; an empty exhibit gives 0.
size_t nextIndex(size_t current, size_t step, size_t count);
// (current - step) mod count, always in 0..count-1 (also when step > count); empty gives 0.
size_t previousIndex(size_t current, size_t step, size_t count);

// The folder of a path: the text before its last "\" (empty when there is none).
std::wstring_view folderOf(std::wstring_view path);

// Folder jumps; folders are compared exactly (case matters). An empty exhibit gives 0, and an i
// past the end is taken modulo the size.
// Next: the first entry after i (wrapping) whose folder differs from i's; i when all share it.
size_t nextFolderIndex(const Exhibit& exhibit, size_t i);
// Previous: the nearest entry before i (wrapping) in another folder, then back to the first entry
// of that folder's run without wrapping past index 0; i when all entries share i's folder.
size_t previousFolderIndex(const Exhibit& exhibit, size_t i);

// One tick of the count-down. While not advancing, the timer is re-armed for armMs =
// min(tickMs, remainingMs). A timer of 2500 fires after 1000, 1000 and 500 ms; a timer below one
// tick (0 included) advances at the first tick. A tick length of 0 advances at once.
struct TickResult {
    uint32_t remainingMs;
    bool advance;
    uint32_t armMs;  // 0 when advancing: showing the next image restarts the count-down
};
TickResult slideTick(uint32_t remainingMs, uint32_t tickMs);

// What the slideshow does when it advances.
enum class AdvanceAction {
    Show,   // show AdvancePlan::nextIndex (or a random pick, see randomPick)
    Exit,   // loop 2 at the end: leave the program
    Pause,  // loop 1 at the end: stop with "\t..." until the user navigates
    Stop,   // nothing to advance to (empty exhibit, or one image without collage): "\t..."
};

struct AdvancePlan {
    bool reshuffle;        // reshuffle the whole exhibit before acting
    AdvanceAction action;
    size_t nextIndex;      // for Show without randomPick
    bool randomPick;       // for Show: pick the index with randomPick() instead
};

// loop: 0 Loop, 1 Pause, 2 Exit (other values loop). sort 2 is the random order. At the end
// (currentIndex == count - 1) the exhibit is reshuffled when loopshuffle is on, sort is 2, there
// are at least two entries and loop is not Exit; an index past the end wraps without counting as
// the end.
AdvancePlan planAdvance(size_t currentIndex, size_t count, int loop, bool loopshuffle, int sort,
                        bool collage, bool building);

// Uniform index in 0..count-1: d = 0xFFFFFFFF / count; draw r and take r / d until it is at most
// count - 1. Draws nothing and returns 0 for an empty exhibit; counts beyond 32 bits draw as if
// the count were 0xFFFFFFFF.
size_t randomPick(std::mt19937& engine, size_t count);

// Status read-out of the slideshow: "\t" and the remaining seconds with two decimals (always a
// "." whatever the locale) while running, "\t!" when the slideshow is off.
std::wstring slideshowReadout(uint32_t remainingMs, bool slide);
// Read-out when the show has stopped: "\t...".
std::wstring stoppedReadout();
