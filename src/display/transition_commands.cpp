// Actions of the Transitions menu: transitions on and off, all or no effects, and overlap. (The
// fifteen effect toggles are with the other display commands.)
#include <windows.h>

#include "command_ids.h"
#include "shell/command_actions.h"
#include "viewer.h"

namespace {

const CommandActionRow kActions[] = {
    {CMD_TRANSITIONS, CMD_TRANSITIONS, [](Viewer& v, int) { v.settings.transitions = !v.settings.transitions; }},
    {CMD_TRANSITIONS_ALL, CMD_TRANSITIONS_ALL, [](Viewer& v, int) { v.slideshow.enableAllTransitions(); }},
    {CMD_TRANSITIONS_NONE, CMD_TRANSITIONS_NONE, [](Viewer& v, int) { v.slideshow.enabledTransitions.clear(); }},
    // Whether the window is erased to the background before the next picture: the dialog's
    // background brush follows the setting.
    {CMD_OVERLAP, CMD_OVERLAP, [](Viewer& v, int) { v.settings.overlap = !v.settings.overlap; }},
};

}  // namespace

std::span<const CommandActionRow> transitionCommandActions() { return kActions; }
