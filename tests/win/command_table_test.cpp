// The command rows against the compiled resources and the action tables: every identifier a menu
// or the key table can produce has exactly one row, and every row that is built has exactly one
// action over the same identifiers.
#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <vector>

#include "core/command_ids.h"
#include "core/win_handles.h"
#include "shell/command_actions.h"
#include "shell/command_rows.h"

namespace {

void collectMenuIds(HMENU menu, std::set<CommandId>& ids) {
    for (int position = 0; position < GetMenuItemCount(menu); ++position) {
        MENUITEMINFOW info{sizeof info, MIIM_ID | MIIM_SUBMENU | MIIM_FTYPE};
        if (!GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &info)) continue;
        if (info.hSubMenu)
            collectMenuIds(info.hSubMenu, ids);
        else if (!(info.fType & MFT_SEPARATOR))
            ids.insert(static_cast<CommandId>(info.wID));
    }
}

std::set<CommandId> resourceIdentifiers() {
    std::set<CommandId> ids;
    for (int menuId : {IDR_MAINMENU, IDR_CATALOGMENU}) {
        const MenuHandle menu(LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(menuId)));
        EXPECT_TRUE(menu) << menuId;
        if (menu) collectMenuIds(menu.get(), ids);
    }
    const AcceleratorTable keys(LoadAcceleratorsW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_ACCELERATORS)));
    EXPECT_TRUE(keys);
    std::vector<ACCEL> entries(static_cast<size_t>(CopyAcceleratorTableW(keys.get(), nullptr, 0)));
    CopyAcceleratorTableW(keys.get(), entries.data(), static_cast<int>(entries.size()));
    for (const ACCEL& entry : entries) ids.insert(static_cast<CommandId>(entry.cmd));
    return ids;
}

TEST(CommandTable, EveryMenuItemAndKeyHasExactlyOneRow) {
    const std::set<CommandId> ids = resourceIdentifiers();
    EXPECT_GT(ids.size(), 200u);
    for (CommandId id : ids) {
        int rows = 0;
        for (const CommandRow& row : commandRows()) rows += row.covers(id) ? 1 : 0;
        EXPECT_EQ(rows, 1) << "command " << id;
    }
}

TEST(CommandTable, EveryBuiltRowHasExactlyOneActionOverTheSameIdentifiers) {
    std::map<CommandId, int> actionsPerId;
    for (const CommandActionRow& action : commandActions()) {
        EXPECT_NE(action.run, nullptr) << action.first;
        for (int id = action.first; id <= action.last; ++id) ++actionsPerId[static_cast<CommandId>(id)];
        const CommandRow* row = findCommandRow(action.first);
        ASSERT_NE(row, nullptr) << "action " << action.first << " has no row";
        EXPECT_FALSE(row->has(kNotBuilt | kNoAction | kCatalogMenuOnly)) << "action " << action.first;
        EXPECT_TRUE(row->covers(action.last)) << "action " << action.first << " reaches past its row";
    }
    for (const CommandRow& row : commandRows()) {
        const bool built = !row.has(kNotBuilt | kNoAction | kCatalogMenuOnly);
        for (int id = row.first; id <= row.last; ++id)
            EXPECT_EQ(actionsPerId[static_cast<CommandId>(id)], built ? 1 : 0) << "command " << id;
    }
}

}  // namespace
