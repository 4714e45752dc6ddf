// The marks and greyed items the Main Menu shows for the Viewer's settings and run-time state.
#include <windows.h>

#include <gtest/gtest.h>

#include "core/command_ids.h"
#include "viewer_fixture.h"
#include "win_handles.h"

namespace {

using viewer_test::ViewerFixture;

class MainMenuState : public ViewerFixture {
protected:
    MenuHandle loaded{LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINMENU))};
    HMENU root() const { return GetSubMenu(loaded.get(), 0); }
    bool checked(UINT item, UINT by = MF_BYCOMMAND) const { return GetMenuState(root(), item, by) & MF_CHECKED; }
    bool greyed(UINT item) const { return GetMenuState(root(), item, MF_BYCOMMAND) & MF_GRAYED; }
};

}  // namespace

TEST_F(MainMenuState, MarksAndGreyedItemsFollowTheSettingsAndTheRunTimeState) {
    ASSERT_NE(root(), nullptr);
    Settings& s = viewer->settings;
    s.slide = true;
    s.layer = kLayerFullScreen;
    s.sort = 2;
    s.sortby = 3;
    s.wheelnav = false;
    s.autofindtype = 2;
    s.zoomquality = 7;
    s.layout = 3;
    s.subfolders = false;
    s.hidden = true;
    s.atCursor = true;
    viewer->view.manualZoom = true;
    viewer->view.appliedRotation = 0;
    viewer->window.setLayeredWindowAttributes = nullptr;
    viewer->slideshow.enabledTransitions = {2, 14};
    viewer->shell.pins = {false, 4, 16, 4};  // Navigate and its Scroll submenu pinned

    viewer->applyMenuState(root(), true);

    const UINT marked[] = {CMD_SLIDESHOW, CMD_FULLSCREEN, CMD_SCREEN_FULL, CMD_SORT_RANDOM, CMD_SORT_CREATED,
                           CMD_WHEELZOOM, 1117, CMD_QUALITY_BEST, 1344, CMD_HIDDEN, CMD_MENU_AT_CURSOR, 1253, 1265,
                           2004, 3116};
    for (UINT id : marked) EXPECT_TRUE(checked(id)) << id;
    const UINT unmarked[] = {CMD_WINDOWED, CMD_WALLPAPER, CMD_SORT_FORWARD, CMD_SORT_NAME, CMD_WHEELNAV, 1116,
                             CMD_QUALITY_DEFAULT, 1341, CMD_SUBFOLDERS, 1251, 2000, 2002, 3011};
    for (UINT id : unmarked) EXPECT_FALSE(checked(id)) << id;
    // Submenu titles of the Main Menu: Slideshow running and a hand zoom, but no turn.
    EXPECT_TRUE(checked(2, MF_BYPOSITION));
    EXPECT_TRUE(checked(17, MF_BYPOSITION));
    EXPECT_FALSE(checked(18, MF_BYPOSITION));
    // Blend and Opacity need per-window alpha; the label items and the F1 item stay as loaded.
    EXPECT_TRUE(greyed(CMD_BLEND) && greyed(CMD_OPACITY));
    EXPECT_TRUE(greyed(CMD_LABEL_X5) && greyed(CMD_MENU) && checked(CMD_MENU));
    EXPECT_FALSE(greyed(CMD_NEXT));
}

TEST_F(MainMenuState, APinnedSubmenuShownAloneMarksNoTitles) {
    viewer->settings.slide = true;
    viewer->view.appliedRotation = 90;
    viewer->window.setLayeredWindowAttributes = nullptr;
    HMENU slideshow = GetSubMenu(root(), 2);
    ASSERT_NE(slideshow, nullptr);
    viewer->applyMenuState(slideshow, false);
    EXPECT_TRUE(GetMenuState(slideshow, CMD_SLIDESHOW, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_TRUE(GetMenuState(slideshow, CMD_BLEND, MF_BYCOMMAND) & MF_GRAYED);
    // The titles of the whole menu are not touched when only a submenu is shown.
    EXPECT_FALSE(GetMenuState(root(), 2, MF_BYPOSITION) & MF_CHECKED);
    EXPECT_FALSE(GetMenuState(root(), 18, MF_BYPOSITION) & MF_CHECKED);
}
