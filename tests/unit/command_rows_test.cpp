// The command rows: one row for every identifier of the command table and none besides, the guards
// the dispatcher applies from a row, and the menu state a row gives.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <vector>

#include "command_ids.h"
#include "display/slideshow_state.h"
#include "shell/command_rows.h"

namespace {

// The identifiers of the program's command table, as its documentation lists them: commands,
// label items, pin items and the Catalog's own View and Close.
std::set<CommandId> documentedIdentifiers() {
    std::set<CommandId> ids = {1, 2};
    const std::vector<std::pair<int, int>> ranges = {
        {901, 907},   {1001, 1002}, {1011, 1014}, {1021, 1022}, {1031, 1034}, {1040, 1049}, {1051, 1058},
        {1061, 1066}, {1101, 1106}, {1111, 1118}, {1121, 1128}, {1131, 1133}, {1141, 1148}, {1151, 1155},
        {1161, 1165}, {1171, 1174}, {1201, 1205}, {1211, 1219}, {1221, 1226}, {1231, 1232}, {1250, 1268},
        {1301, 1306}, {1311, 1315}, {1321, 1325}, {1331, 1335}, {1341, 1346}, {1351, 1353}, {1371, 1376},
        {1381, 1388}, {1401, 1403}, {1411, 1413}, {1421, 1423}, {1431, 1432}, {1441, 1442}, {1451, 1456},
        {1501, 1504}, {1511, 1515}};
    for (const auto& [first, last] : ranges)
        for (int id = first; id <= last; ++id) ids.insert(static_cast<CommandId>(id));
    for (int pin : {2000, 2002, 2003, 2004, 2006, 2007, 2008, 2009, 2010, 2017, 2018, 2019, 2020, 2022, 2023, 2024,
                    2026, 2027, 3011, 3012, 3116, 3213, 3310, 3416, 3417, 3520})
        ids.insert(static_cast<CommandId>(pin));
    return ids;
}

TEST(CommandRows, EveryDocumentedIdentifierHasExactlyOneRowAndNoRowHasAnother) {
    const std::set<CommandId> documented = documentedIdentifiers();
    std::map<CommandId, int> rowsPerId;
    for (const CommandRow& row : commandRows()) {
        ASSERT_LE(row.first, row.last) << row.first;
        for (int id = row.first; id <= row.last; ++id) {
            ++rowsPerId[static_cast<CommandId>(id)];
            EXPECT_EQ(documented.count(static_cast<CommandId>(id)), 1u) << "row for " << id << " not in the table";
        }
    }
    for (CommandId id : documented) {
        EXPECT_EQ(rowsPerId[id], 1) << id;
        const CommandRow* row = findCommandRow(id);
        ASSERT_NE(row, nullptr) << id;
        EXPECT_TRUE(row->covers(id)) << id;
    }
    for (CommandId absent : {0, 3, 900, 908, 1000, 1003, 1050, 1067, 1269, 1516, 2001, 2005, 2028, 3010, 3521})
        EXPECT_EQ(findCommandRow(absent), nullptr) << absent;
}

TEST(CommandRows, GuardsRefuseWhatTheSwitchesAndStateForbid) {
    const GuardState none{};
    auto refused = [](CommandId id, GuardState state) { return commandRefused(id, findCommandRow(id), state); };
    EXPECT_FALSE(refused(CMD_NEXT, none));
    EXPECT_TRUE(refused(CMD_LABEL_X5, none));
    EXPECT_TRUE(refused(CMD_CATALOG_CLOSE, none));
    EXPECT_TRUE(refused(999, none));        // no row

    GuardState noMenu{};
    noMenu.noMenu = true;
    EXPECT_TRUE(refused(CMD_NEXT, noMenu));
    EXPECT_TRUE(refused(CMD_SAVE_NOW, noMenu));
    EXPECT_FALSE(refused(CMD_EXIT, noMenu));
    // -nomenu leaves the menu key, About, Exit and the pin items working; Help is refused.
    for (int id : {CMD_MENU, CMD_ABOUT, CMD_PIN_ROOT, 2004, 3116})
        EXPECT_FALSE(refused(id, noMenu)) << id;
    EXPECT_TRUE(refused(CMD_HELP, noMenu));
    EXPECT_TRUE(refused(CMD_MENU_AT_CURSOR, noMenu));

    GuardState noShell{};
    noShell.noShell = true;
    for (CommandId id : {CMD_CATALOG, CMD_SHELL_VIEW, CMD_BB_LENGTHEN}) EXPECT_TRUE(commandRefused(id, findCommandRow(id), noShell)) << id;
    EXPECT_FALSE(refused(CMD_SAVE_NOW, noShell));

    GuardState building{};
    building.building = true;
    EXPECT_TRUE(refused(CMD_REFRESH, building));
    EXPECT_TRUE(refused(CMD_VIEW_IMAGEDIR, building));
    EXPECT_FALSE(refused(CMD_FORMAT_JPG, building));
    EXPECT_FALSE(refused(CMD_NEXT, building));

    GuardState empty{};
    empty.exhibitEmpty = true;
    EXPECT_TRUE(refused(CMD_WALLPAPER, empty));
    EXPECT_TRUE(refused(CMD_GOTO, empty));
    EXPECT_TRUE(refused(CMD_VIEW_IMAGEDIR, empty));
    EXPECT_FALSE(refused(CMD_NEXT, empty));  // Next clears the view itself
}

// (The marks on the loaded menu are tested with the Viewer in tests/win.)
TEST(CommandRows, TransitionMarksFollowTheOrderOfTheEnabledListAndBlendNeedsAlpha) {
    Settings s;
    CommandContext c;
    SlideshowState slideshow;
    slideshow.enableAllTransitions();
    slideshow.toggleTransition(2);
    slideshow.toggleTransition(2);  // off and back on: now last in the list
    EXPECT_EQ(slideshow.enabledTransitions.back(), 2);
    slideshow.toggleTransition(14);
    for (int t : slideshow.enabledTransitions) c.enabledTransitions |= 1u << t;
    EXPECT_TRUE(menuStateOf(CMD_TRANSITION_0 + 2, s, c).checked);
    EXPECT_FALSE(menuStateOf(CMD_TRANSITION_14, s, c).checked);

    EXPECT_EQ(menuStateOf(CMD_BLEND, s, c), (MenuState{false, true}));  // no per-window alpha: greyed
    c.layeredSupported = true;
    s.blend = true;
    EXPECT_EQ(menuStateOf(CMD_BLEND, s, c), (MenuState{true, false}));
}

}  // namespace
