// Actions of the Catalog commands.
#include <windows.h>

#include "command_ids.h"
#include "shell/command_actions.h"
#include "viewer.h"

namespace {

const CommandActionRow kActions[] = {
    {CMD_THUMBSIZE, CMD_THUMBSIZE,
     [](Viewer& v, int) { v.settings.thumbsize = static_cast<int32_t>(v.askNumber(8, v.settings.thumbsize)); }},
};

}  // namespace

std::span<const CommandActionRow> catalogCommandActions() { return kActions; }
