// Actions of the Catalog commands.
#include <windows.h>

#include "command_ids.h"
#include "shell/command_actions.h"
#include "viewer.h"

namespace {

const CommandActionRow kActions[] = {
    {CMD_CATALOG, CMD_CATALOG, [](Viewer& v, int) { v.openCatalog(); }},
    {CMD_THUMBSIZE, CMD_THUMBSIZE,
     [](Viewer& v, int) { v.askSetting(8, v.settings.thumbsize); }},
    {CMD_HIDE_VIEWER, CMD_HIDE_VIEWER, [](Viewer& v, int) { v.settings.hideViewer = !v.settings.hideViewer; }},
    {CMD_SHOW_ON_LAUNCH, CMD_SHOW_ON_LAUNCH, [](Viewer& v, int) { v.settings.launch = !v.settings.launch; }},
};

}  // namespace

std::span<const CommandActionRow> catalogCommandActions() { return kActions; }
