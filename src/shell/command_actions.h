// The actions of the command rows, one table per subsystem, joined by the dispatcher. A row of
// shell/command_rows.h that is built has exactly one action row with the same identifiers.
#pragma once

#include <span>

#include "shell/command_rows.h"

std::span<const CommandActionRow> displayCommandActions();  // src/display/display_commands.cpp
std::span<const CommandActionRow> transitionCommandActions();  // src/display/transition_commands.cpp
std::span<const CommandActionRow> exhibitCommandActions();  // src/exhibit/exhibit_commands.cpp
std::span<const CommandActionRow> fileCommandActions();     // src/fileops/file_commands.cpp
std::span<const CommandActionRow> catalogCommandActions();  // src/catalog/catalog_commands.cpp
std::span<const CommandActionRow> shellCommandActions();    // src/shell/command_dispatch.cpp
std::span<const CommandActionRow> menuCommandActions();     // src/shell/menu_commands.cpp
std::span<const CommandActionRow> desktopCommandActions();  // src/shell/desktop_commands.cpp

// Every action row, ordered by identifier.
const std::vector<CommandActionRow>& commandActions();
