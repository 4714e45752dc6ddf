// The compiled menus agree with the language table and the pin positions; the key table holds the documented keys.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "core/command_ids.h"
#include "core/language_table.h"

namespace {

struct Item {
    UINT id = 0;
    HMENU submenu = nullptr;
    bool separator = false, grayed = false, checked = false;
    std::wstring text;
};

Item itemAt(HMENU menu, int position) {
    wchar_t buffer[128] = {};
    MENUITEMINFOW info{sizeof info, MIIM_ID | MIIM_SUBMENU | MIIM_FTYPE | MIIM_STATE | MIIM_STRING};
    info.dwTypeData = buffer;
    info.cch = 127;
    if (!GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &info)) return {};
    return {info.wID, info.hSubMenu, (info.fType & MFT_SEPARATOR) != 0, (info.fState & MFS_GRAYED) != 0,
            (info.fState & MFS_CHECKED) != 0, buffer};
}

// Command identifiers in depth-first order; every item's state is collected on the way.
void walk(HMENU menu, std::vector<int32_t>& ids, std::map<UINT, Item>& items) {
    for (int position = 0; position < GetMenuItemCount(menu); ++position) {
        const Item item = itemAt(menu, position);
        if (item.submenu) walk(item.submenu, ids, items);
        else if (!item.separator) {
            ids.push_back(static_cast<int32_t>(item.id));
            items[item.id] = item;
        }
    }
}

// Each submenu begins with its pin item and a separator, and has the expected name.
void expectSubmenu(HMENU parent, int position, const wchar_t* name, UINT pin) {
    const Item item = itemAt(parent, position);
    ASSERT_NE(item.submenu, nullptr) << "position " << position;
    EXPECT_EQ(item.text, name);
    EXPECT_EQ(itemAt(item.submenu, 0).id, pin) << name;
    EXPECT_EQ(itemAt(item.submenu, 0).text, L"Pin") << name;
    EXPECT_TRUE(itemAt(item.submenu, 1).separator) << name;
}

// Checks a popup's item count, its submenus (at the language table's positions, pin 2000 + position) and its
// commands in depth-first order: the table's order but for `moved`, which comes before `before`. Returns their states.
std::map<UINT, Item> checkPopup(HMENU popup, int count, const std::vector<LanguageEntry>& submenus,
                                const std::vector<const wchar_t*>& names, const std::vector<LanguageEntry>& entries,
                                int32_t moved, int32_t before) {
    EXPECT_EQ(GetMenuItemCount(popup), count);
    EXPECT_EQ(submenus.size(), names.size());
    for (size_t i = 0; i < names.size() && i < submenus.size(); ++i)
        expectSubmenu(popup, submenus[i].id, names[i], static_cast<UINT>(2000 + submenus[i].id));
    std::vector<int32_t> ids, expected;
    std::map<UINT, Item> items;
    walk(popup, ids, items);
    for (const auto& entry : entries)
        if (entry.id != moved) expected.push_back(entry.id);
    expected.insert(std::find(expected.begin(), expected.end(), before), moved);
    EXPECT_EQ(ids, expected);
    return items;
}

using Menu = std::unique_ptr<std::remove_pointer_t<HMENU>, decltype(&DestroyMenu)>;
Menu loadMenu(int id) { return Menu(LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id)), &DestroyMenu); }

TEST(MenuResource, MainPopupLayoutMatchesTheLanguageTable) {
    const Menu menu = loadMenu(IDR_MAINMENU);
    HMENU popup = GetSubMenu(menu.get(), 0);
    const LanguageTable table;
    std::map<UINT, Item> items = checkPopup(
        popup, 29, table.level2Menus(),
        {L"Slideshow", L"Sort", L"Navigate", L"View", L"Exhibit", L"Find", L"F&avorites", L"Catalog", L"Zoom",
         L"Rotate", L"Colla&ge", L"Transitions", L"Window", L"Screen", L"S&hell", L"Settings", L"Info"},
        table.menuItems(), 2018, 1221);
    for (int position : {1, 5, 11, 21, 25}) EXPECT_TRUE(itemAt(popup, position).separator) << position;
    for (const auto& [position, id] : std::map<int, UINT>{{0, 2000}, {12, 1201}, {16, 1205}, {28, CMD_EXIT}})
        EXPECT_EQ(itemAt(popup, position).id, id) << position;

    // Second-level submenus: pin identifier 3000 + 100 k + position, k counting the parents in order.
    const std::map<int, int> parentIndex = {{2, 0}, {4, 1}, {7, 2}, {9, 3}, {22, 4}, {24, 5}};
    const wchar_t* innerNames[] = {L"Transparency", L"Loop", L"Scroll", L"Formats", L"Archive",
                                   L"Presets", L"Layout", L"Blackbox\t(Alt Shell)"};
    ASSERT_EQ(table.level3Menus().size(), std::size(innerNames));
    for (size_t i = 0; i < std::size(innerNames); ++i) {
        const LanguageEntry& entry = table.level3Menus()[i];
        const UINT pin = static_cast<UINT>(3000 + 100 * parentIndex.at(entry.parent) + entry.id);
        expectSubmenu(GetSubMenu(popup, entry.parent), entry.id, innerNames[i], pin);
    }
    for (const auto& [id, item] : items) {
        EXPECT_EQ(item.grayed, (id >= 901 && id <= 907) || id == CMD_MENU) << id;  // labels
        EXPECT_EQ(item.checked, id == CMD_MENU) << id;
        EXPECT_LE(item.text.size(), LanguageTable::kMaxTextChars) << id;
    }
}

TEST(MenuResource, CatalogPopupLayoutMatchesTheLanguageTable) {
    const Menu menu = loadMenu(IDR_CATALOGMENU);
    HMENU popup = GetSubMenu(menu.get(), 0);
    const LanguageTable table;
    std::map<UINT, Item> items =
        checkPopup(popup, 28, table.catalogLevel2(), {L"Sort", L"Find", L"File Ops"}, table.catalogItems(), 1102, 1103);
    for (const auto& [position, id] : std::map<int, UINT>{{0, 2000}, {2, 1111}, {16, 1113}, {22, 1115}, {27, CMD_EXIT}})
        EXPECT_EQ(itemAt(popup, position).id, id) << position;
    for (int position : {1, 4, 9, 12, 15, 17, 21, 23}) EXPECT_TRUE(itemAt(popup, position).separator) << position;
    for (const auto& [id, item] : items)
        EXPECT_EQ(item.grayed, id == CMD_MOVE_FILE || id == CMD_COPY_FILE || id == CMD_PASTE) << id;
}

TEST(MenuResource, KeyTableBindsTheDocumentedKeys) {
    HACCEL accelerators = LoadAcceleratorsW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_ACCELERATORS));
    ASSERT_NE(accelerators, nullptr);
    std::vector<ACCEL> entries(static_cast<size_t>(CopyAcceleratorTableW(accelerators, nullptr, 0)));
    CopyAcceleratorTableW(accelerators, entries.data(), static_cast<int>(entries.size()));
    DestroyAcceleratorTable(accelerators);
    // Every key is bound once, and only to commands that exist.
    std::set<int32_t> commands = {CMD_SCREEN_NOTHING};
    for (const LanguageEntry& entry : LanguageTable().menuItems()) commands.insert(entry.id);
    std::map<std::pair<int, int>, int> bound;
    for (const ACCEL& entry : entries) {
        const int modifiers = entry.fVirt & (FVIRTKEY | FSHIFT | FCONTROL | FALT);
        EXPECT_TRUE(bound.emplace(std::pair{modifiers, int{entry.key}}, entry.cmd).second) << entry.key;
        EXPECT_EQ(commands.count(entry.cmd), 1u) << entry.cmd;
    }
    // The modifiers tell keys apart; "?" and "+" are bound as characters, not virtual keys.
    const struct { int modifiers, key, command; } samples[] = {
        {FVIRTKEY, VK_F11, CMD_FULLSCREEN}, {FVIRTKEY | FALT, VK_F11, CMD_SCREEN_NOTHING},
        {FVIRTKEY | FCONTROL | FSHIFT, 'W', CMD_WALL_STRETCH}, {FVIRTKEY, 'W', CMD_WRAP}, {0, '?', CMD_HELP},
    };
    for (const auto& [modifiers, key, command] : samples)  // a key not bound reads as command 0
        EXPECT_EQ((bound[{modifiers, key}]), command) << "key " << key << " modifiers " << modifiers;
}

}  // namespace
