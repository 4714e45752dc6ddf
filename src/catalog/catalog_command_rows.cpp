// Command rows of the Catalog.
#include "core/command_ids.h"
#include "shell/command_rows.h"

namespace {

using namespace menu_state;
using S = Settings;

const CommandRow kRows[] = {
    {CMD_CATALOG_VIEW, CMD_CATALOG_CLOSE, kCatalogMenuOnly, nullptr},
    {CMD_CATALOG, CMD_CATALOG, kShellOnly | kSuspendsSlideshow, nullptr},
    {CMD_THUMBSIZE, CMD_THUMBSIZE, kDialogWrapper, nullptr},
    {CMD_HIDE_VIEWER, CMD_HIDE_VIEWER, 0, on<&S::hideViewer>},
    {CMD_SHOW_ON_LAUNCH, CMD_SHOW_ON_LAUNCH, 0, on<&S::launch>},
};

}  // namespace

std::span<const CommandRow> catalogCommandRows() { return kRows; }
