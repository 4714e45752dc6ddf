#include "slideshow_state.h"

#include <algorithm>

void SlideshowState::toggleTransition(int transition) {
    auto found = std::find(enabledTransitions.begin(), enabledTransitions.end(), transition);
    if (found != enabledTransitions.end())
        enabledTransitions.erase(found);
    else
        enabledTransitions.push_back(transition);
}

void SlideshowState::enableAllTransitions() {
    enabledTransitions.clear();
    for (int t = 0; t < kTransitionCount; ++t) enabledTransitions.push_back(t);
}

std::array<bool, kTransitionCount> transitionFlagsOf(const std::vector<int>& transitions) {
    std::array<bool, kTransitionCount> flags{};
    for (int transition : transitions)
        if (transition >= 0 && transition < kTransitionCount) flags[static_cast<size_t>(transition)] = true;
    return flags;
}

std::vector<int> transitionListOf(const std::array<bool, kTransitionCount>& flags) {
    std::vector<int> list;
    for (int transition = 0; transition < kTransitionCount; ++transition)
        if (flags[static_cast<size_t>(transition)]) list.push_back(transition);
    return list;
}
