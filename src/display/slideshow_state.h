// The slideshow's run-time state: the count-down and the transitions enabled for use.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "display/transition_steps.h"  // kTransitionCount

struct SlideshowState {
    int tickMs = 1000;             // the count-down advances in ticks of at most this
    uint32_t remainingMs = 0;      // time left before the next image
    bool suspended = false;        // a modal dialog started by a command is open
    std::vector<int> enabledTransitions;  // 0..14, in the order they were enabled
    bool showPending = false;      // a step waits to be shown (requestShow)
    bool pendingForward = true;    // its direction
    bool awaitingDecode = false;   // the pending step's picture is being decoded by the worker
    bool travelForward = true;     // direction of the last step: the read-ahead follows it
    int lastShownIndex = 99999;    // none yet; a transition runs only when the index changed

    // Removes the transition when it is enabled (the others keep their order), else appends it.
    void toggleTransition(int transition);
    // All fifteen, in order.
    void enableAllTransitions();
};

// The [Transitions] flags for a list (flag n is on when transition n is in it) and the list for the
// flags (ascending).
std::array<bool, kTransitionCount> transitionFlagsOf(const std::vector<int>& transitions);
std::vector<int> transitionListOf(const std::array<bool, kTransitionCount>& flags);
