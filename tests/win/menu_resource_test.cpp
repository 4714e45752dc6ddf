// The compiled resources: the menus agree with the language table and with the positions the pin
// state uses, the key table holds the documented keys, and the other resources are in place.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/command_ids.h"
#include "core/language_table.h"

namespace {

struct Item {
    UINT id = 0;
    HMENU submenu = nullptr;
    bool separator = false;
    bool grayed = false;
    bool checked = false;
    std::wstring text;
};

Item itemAt(HMENU menu, int position) {
    wchar_t buffer[128] = {};
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_ID | MIIM_SUBMENU | MIIM_FTYPE | MIIM_STATE | MIIM_STRING;
    info.dwTypeData = buffer;
    info.cch = 127;
    Item item;
    if (!GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &info)) return item;
    item.id = info.wID;
    item.submenu = info.hSubMenu;
    item.separator = (info.fType & MFT_SEPARATOR) != 0;
    item.grayed = (info.fState & MFS_GRAYED) != 0;
    item.checked = (info.fState & MFS_CHECKED) != 0;
    item.text = buffer;
    return item;
}

// Command identifiers in depth-first order; every item's state is collected on the way.
void walk(HMENU menu, std::vector<int32_t>& ids, std::map<UINT, Item>& items) {
    for (int position = 0; position < GetMenuItemCount(menu); ++position) {
        const Item item = itemAt(menu, position);
        if (item.submenu) {
            walk(item.submenu, ids, items);
        } else if (!item.separator) {
            ids.push_back(static_cast<int32_t>(item.id));
            items[item.id] = item;
        }
    }
}

std::vector<int32_t> idsOf(const std::vector<LanguageEntry>& entries) {
    std::vector<int32_t> ids;
    for (const auto& entry : entries) ids.push_back(entry.id);
    return ids;
}

// The language file lists a few items in another order than the menus show them: the Rotate
// submenu's pin item right after the Zoom submenu's, and in the Catalog menu "View Favorites" before
// "View Desktop" as in the main menu. Apart from these the order is the menus' own.
std::vector<int32_t> menuOrder(std::vector<int32_t> ids, int32_t moved, int32_t before) {
    auto from = std::find(ids.begin(), ids.end(), moved);
    EXPECT_NE(from, ids.end());
    if (from == ids.end()) return ids;
    ids.erase(from);
    ids.insert(std::find(ids.begin(), ids.end(), before), moved);
    return ids;
}

// Each submenu begins with its pin item and a separator, and has the expected name.
void expectSubmenu(HMENU parent, int position, const wchar_t* name, UINT pin) {
    const Item item = itemAt(parent, position);
    ASSERT_NE(item.submenu, nullptr) << "position " << position;
    EXPECT_EQ(item.text, name);
    const Item first = itemAt(item.submenu, 0);
    EXPECT_EQ(first.id, pin);
    EXPECT_EQ(first.text, L"Pin");
    EXPECT_TRUE(itemAt(item.submenu, 1).separator) << "position " << position;
}

struct LoadedMenu {
    explicit LoadedMenu(int id) : menu(LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id))) {}
    ~LoadedMenu() {
        if (menu) DestroyMenu(menu);
    }
    HMENU popup() const { return menu ? GetSubMenu(menu, 0) : nullptr; }
    HMENU menu;
};

TEST(MenuResource, MainPopupLayoutMatchesTheLanguageTable) {
    LoadedMenu loaded(IDR_MAINMENU);
    HMENU popup = loaded.popup();
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(itemAt(loaded.menu, 0).text, L"Main Menu");
    ASSERT_EQ(GetMenuItemCount(popup), 29);

    const LanguageTable table;
    const wchar_t* names[] = {L"Slideshow", L"Sort", L"Navigate", L"View", L"Exhibit", L"Find",
                              L"F&avorites", L"Catalog", L"Zoom", L"Rotate", L"Colla&ge", L"Transitions",
                              L"Window", L"Screen", L"S&hell", L"Settings", L"Info"};
    ASSERT_EQ(table.level2Menus().size(), std::size(names));
    for (size_t i = 0; i < std::size(names); ++i) {
        const int position = table.level2Menus()[i].id;
        expectSubmenu(popup, position, names[i], static_cast<UINT>(2000 + position));
    }
    for (int position : {1, 5, 11, 21, 25}) EXPECT_TRUE(itemAt(popup, position).separator) << position;
    const std::pair<int, UINT> rootItems[] = {{0, 2000}, {12, 1201}, {13, 1202}, {14, 1203},
                                              {15, 1204}, {16, 1205}, {28, 1515}};
    for (const auto& [position, id] : rootItems) EXPECT_EQ(itemAt(popup, position).id, id) << position;
    EXPECT_EQ(itemAt(popup, 28).text, L"E&xit\tEsc");

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

    std::vector<int32_t> ids;
    std::map<UINT, Item> items;
    walk(popup, ids, items);
    EXPECT_EQ(ids, menuOrder(idsOf(table.menuItems()), 2018, 1221));
    for (const auto& [id, item] : items) {
        const bool label = (id >= 901 && id <= 907) || id == CMD_MENU;
        EXPECT_EQ(item.grayed, label) << id;
        EXPECT_EQ(item.checked, id == CMD_MENU) << id;
        EXPECT_FALSE(item.text.empty()) << id;
        EXPECT_LE(item.text.size(), LanguageTable::kMaxTextChars) << id;
    }
    EXPECT_EQ(items[CMD_ZOOM_100].text, L"100%\t=");
    EXPECT_EQ(items[CMD_LABEL_ZOOM1].text, L"+/- 1%\tAlt +/-");
    EXPECT_EQ(items[CMD_OPEN_WITH].text, L"Open Wit&h...\tShift+H");
    EXPECT_EQ(items.count(CMD_SCREEN_NOTHING), 0u);
}

TEST(MenuResource, CatalogPopupLayoutMatchesTheLanguageTable) {
    LoadedMenu loaded(IDR_CATALOGMENU);
    HMENU popup = loaded.popup();
    ASSERT_NE(popup, nullptr);
    ASSERT_EQ(GetMenuItemCount(popup), 28);

    const std::map<int, UINT> positions = {
        {0, 2000},  {2, 1111},  {3, 1112},  {5, 1101},  {6, 1102},  {7, 1103},  {8, 1104},
        {10, 1105}, {11, 1106}, {13, 1056}, {14, 1057}, {16, 1113}, {22, 1115}, {24, 1055},
        {25, 1},    {26, 2},    {27, 1515}};
    for (int position = 0; position < 28; ++position) {
        const Item item = itemAt(popup, position);
        if (positions.count(position)) {
            EXPECT_EQ(item.id, positions.at(position)) << position;
        } else if (position < 18 || position > 20) {
            EXPECT_TRUE(item.separator) << position;
        }
    }
    const LanguageTable table;
    const wchar_t* names[] = {L"Sort", L"Find", L"File Ops"};
    for (size_t i = 0; i < 3; ++i) {
        const int position = table.catalogLevel2()[i].id;
        expectSubmenu(popup, position, names[i], static_cast<UINT>(2000 + position));
    }
    EXPECT_EQ(itemAt(popup, 2).text, L"New Exhibit\tIns");
    EXPECT_EQ(itemAt(popup, 27).text, L"Exit\tAlt+F4");

    std::vector<int32_t> ids;
    std::map<UINT, Item> items;
    walk(popup, ids, items);
    EXPECT_EQ(ids, menuOrder(idsOf(table.catalogItems()), 1102, 1103));
    for (const auto& [id, item] : items)
        EXPECT_EQ(item.grayed, id == CMD_MOVE_FILE || id == CMD_COPY_FILE || id == CMD_PASTE) << id;
    EXPECT_EQ(items[CMD_MOVE_FILE].text, L"Cut\tCtrl+X");
    EXPECT_EQ(items[CMD_ARCHIVE_MOVE].text, L"Archive\tF9");
}

TEST(MenuResource, KeyTableBindsTheDocumentedKeys) {
    HACCEL accelerators = LoadAcceleratorsW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_ACCELERATORS));
    ASSERT_NE(accelerators, nullptr);
    std::vector<ACCEL> entries(static_cast<size_t>(CopyAcceleratorTableW(accelerators, nullptr, 0)));
    ASSERT_GT(entries.size(), 100u);
    CopyAcceleratorTableW(accelerators, entries.data(), static_cast<int>(entries.size()));
    DestroyAcceleratorTable(accelerators);

    // Every key is bound once, and only to commands that exist.
    std::set<int32_t> commands;
    for (int32_t id : idsOf(LanguageTable().menuItems())) commands.insert(id);
    commands.insert(CMD_SCREEN_NOTHING);
    std::map<std::pair<int, int>, int> bound;
    for (const ACCEL& entry : entries) {
        const int modifiers = entry.fVirt & (FVIRTKEY | FSHIFT | FCONTROL | FALT);
        EXPECT_TRUE(bound.emplace(std::make_pair(modifiers, static_cast<int>(entry.key)), entry.cmd).second)
            << "key " << entry.key << " modifiers " << modifiers;
        EXPECT_EQ(commands.count(entry.cmd), 1u) << entry.cmd;
    }
    auto command = [&bound](int modifiers, int key) {
        const auto found = bound.find({modifiers, key});
        return found == bound.end() ? -1 : found->second;
    };
    EXPECT_EQ(command(FVIRTKEY, VK_F11), CMD_FULLSCREEN);
    EXPECT_EQ(command(FVIRTKEY, VK_ESCAPE), CMD_EXIT);
    EXPECT_EQ(command(FVIRTKEY, VK_SPACE), CMD_NEXT);
    EXPECT_EQ(command(FVIRTKEY | FCONTROL, VK_NEXT), CMD_NEXT);
    EXPECT_EQ(command(FVIRTKEY | FSHIFT, VK_BACK), CMD_PREVIOUS);
    EXPECT_EQ(command(FVIRTKEY | FALT, 'W'), CMD_WALLPAPER);
    EXPECT_EQ(command(FVIRTKEY, 'W'), CMD_WRAP);
    EXPECT_EQ(command(FVIRTKEY | FCONTROL | FSHIFT, 'W'), CMD_WALL_STRETCH);
    EXPECT_EQ(command(FVIRTKEY | FALT, VK_LEFT), CMD_SCROLL_LEFT);
    EXPECT_EQ(command(FVIRTKEY | FCONTROL, '0'), 1341);
    EXPECT_EQ(command(FVIRTKEY | FALT, '5'), 1325);
    EXPECT_EQ(command(FVIRTKEY | FSHIFT, '5'), CMD_SCREEN_ROAMING);
    EXPECT_EQ(command(FVIRTKEY | FALT, VK_F11), CMD_SCREEN_NOTHING);
    EXPECT_EQ(command(FVIRTKEY, VK_APPS), CMD_MENU);
    EXPECT_EQ(command(0, '?'), CMD_HELP);
    EXPECT_EQ(command(0, '!'), CMD_SLIDESHOW);
    EXPECT_EQ(command(0, '+'), CMD_ZOOM_IN);
    EXPECT_EQ(command(0, '~'), CMD_CLOSE_OTHERS);
    EXPECT_EQ(command(FVIRTKEY | FALT, VK_ADD), CMD_ZOOM_IN);
}

std::string resourceBytes(const wchar_t* type, int id) {
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), type);
    if (!found) return {};
    const char* data = static_cast<const char*>(LockResource(LoadResource(module, found)));
    return data ? std::string(data, SizeofResource(module, found)) : std::string();
}

bool containsWide(const std::string& bytes, const wchar_t* text) {
    const std::string wanted(reinterpret_cast<const char*>(text), std::wcslen(text) * sizeof(wchar_t));
    return bytes.find(wanted) != std::string::npos;
}

TEST(MenuResource, WindowIconVersionAndManifest) {
    // Main window template: DIALOGEX header, no controls, hidden, 352 x 198 units, caption "Glimvue".
    const std::string dialog = resourceBytes(MAKEINTRESOURCEW(5) /* RT_DIALOG */, IDD_MAIN);
    ASSERT_GE(dialog.size(), 32u);
    WORD words[13];
    std::memcpy(words, dialog.data(), sizeof words);
    EXPECT_EQ(words[0], 1);
    EXPECT_EQ(words[1], 0xFFFF);
    DWORD style;
    std::memcpy(&style, dialog.data() + 12, sizeof style);
    const DWORD wanted = WS_POPUP | WS_CAPTION | WS_THICKFRAME | DS_CENTER;
    EXPECT_EQ(style & wanted, wanted);
    EXPECT_EQ(style & WS_VISIBLE, 0u);
    EXPECT_EQ(words[8], 0);    // controls
    EXPECT_EQ(words[11], 352);  // width
    EXPECT_EQ(words[12], 198);  // height
    EXPECT_TRUE(containsWide(dialog, L"Glimvue"));
    EXPECT_TRUE(containsWide(dialog, L"MS Sans Serif"));

    // Icon group with the four sizes (256 is stored as 0).
    const std::string group = resourceBytes(MAKEINTRESOURCEW(14) /* RT_GROUP_ICON */, IDI_APP);
    ASSERT_GE(group.size(), 6u + 4 * 14);
    std::set<int> sizes;
    for (int i = 0; i < 4; ++i) sizes.insert(static_cast<unsigned char>(group[6 + 14 * i]));
    EXPECT_EQ(sizes, (std::set<int>{0, 16, 32, 48}));

    const std::string version = resourceBytes(MAKEINTRESOURCEW(16) /* RT_VERSION */, 1);
    const DWORD signature = 0xFEEF04BD;
    const size_t fixed = version.find(std::string(reinterpret_cast<const char*>(&signature), 4));
    ASSERT_NE(fixed, std::string::npos);
    VS_FIXEDFILEINFO info;
    ASSERT_GE(version.size(), fixed + sizeof info);
    std::memcpy(&info, version.data() + fixed, sizeof info);
    EXPECT_EQ(info.dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(info.dwFileVersionLS, 0x0000000Bu);
    for (const wchar_t* text : {L"Glimvue image viewer", L"1.0.0.11", L"Quarne", L"1.00"})
        EXPECT_TRUE(containsWide(version, text)) << text;

    const std::string manifest = resourceBytes(MAKEINTRESOURCEW(24) /* RT_MANIFEST */, 1);
    EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls"), std::string::npos);
    EXPECT_NE(manifest.find("version=\"6.0.0.0\""), std::string::npos);
    EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos);
}

}  // namespace
