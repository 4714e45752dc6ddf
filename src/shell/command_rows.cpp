#include "command_rows.h"

#include <algorithm>

#include "core/command_ids.h"

const std::vector<CommandRow>& commandRows() {
    static const std::vector<CommandRow> rows = [] {
        std::vector<CommandRow> all;
        for (std::span<const CommandRow> part : {displayCommandRows(), exhibitCommandRows(), fileCommandRows(),
                                                 catalogCommandRows(), shellCommandRows()})
            all.insert(all.end(), part.begin(), part.end());
        std::sort(all.begin(), all.end(), [](const CommandRow& a, const CommandRow& b) { return a.first < b.first; });
        return all;
    }();
    return rows;
}

const CommandRow* findCommandRow(CommandId id) {
    const std::vector<CommandRow>& rows = commandRows();
    // The last row that starts at or before the identifier is the only one that can cover it.
    auto after = std::upper_bound(rows.begin(), rows.end(), id,
                                  [](CommandId value, const CommandRow& row) { return value < row.first; });
    if (after == rows.begin()) return nullptr;
    const CommandRow& row = *std::prev(after);
    return row.covers(id) ? &row : nullptr;
}

MenuState menuStateOf(CommandId id, const Settings& settings, const CommandContext& context) {
    const CommandRow* row = findCommandRow(id);
    return row && row->menuState ? row->menuState(settings, context, id) : MenuState{};
}

bool commandRefused(CommandId id, const CommandRow* row, const GuardState& state) {
    if (!row || row->has(kNoAction | kNotBuilt | kCatalogMenuOnly)) return true;
    if (state.noShell && row->has(kShellOnly)) return true;
    if (state.noMenu && id < CMD_ABOUT && id != CMD_MENU) return true;
    if (state.exhibitEmpty && row->has(kNeedsExhibit | kNeedsFile)) return true;
    if (state.building && row->has(kNotWhileBuilding)) return true;
    return false;
}
