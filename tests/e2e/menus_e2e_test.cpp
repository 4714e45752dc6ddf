// The Main Menu of the real program: a right click and F1 open it where the user expects it, keys
// choose its items, a pinned submenu opens again in place after each command and Esc unpins it,
// check marks follow the settings, and a language file's menu texts are the ones shown.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "command_ids.h"
#include "e2e/harness.h"
#include "e2e/menu_support.h"
#include "text.h"

using e2e::Glimvue;
using e2e::keys;
using e2e::menuOpensAt;
using e2e::menusClose;
using e2e::rectOf;
using ::testing::AssertionResult;

namespace {

const std::wstring kProduct = L" - Glimvue";

struct Pictures : e2e::TempFolder {
    Pictures() : TempFolder(L"menus") {
        for (const wchar_t* name : {L"a.bmp", L"b.bmp", L"c.bmp"}) addBmp(name, 200, 150, 0x4477AA);
    }
};

// Starts the program on the pictures, its window in front.
HWND startShowing(Glimvue& program, const Pictures& pictures, const std::wstring& switches = {}) {
    if (!program.start(L"\"" + pictures.path() + L"\" -shortname -noslide -notransitions" + switches)) return nullptr;
    HWND window = program.waitForMainWindow();
    if (!window || !e2e::waitFor([&] { return program.caption() == L"a" + kProduct; })) return nullptr;
    SetForegroundWindow(window);
    e2e::waitFor([&] { return GetForegroundWindow() == window; }, 2000);
    return window;
}

POINT screenPoint(HWND window, int x, int y) {
    POINT point{x, y};
    ClientToScreen(window, &point);
    return point;
}

// Moves the pointer and gives the display time to report it to every program.
void moveCursor(POINT to) {
    SetCursorPos(to.x, to.y);
    e2e::waitFor([&] {
        POINT now{};
        return GetCursorPos(&now) && now.x == to.x && now.y == to.y;
    }, 2000);
    Sleep(400);
}

// A typed character to the open menu: the item whose mnemonic it is.
void typeInMenu(const Glimvue& program, wchar_t character) {
    const std::vector<HWND> menus = program.popupMenus();
    ASSERT_FALSE(menus.empty()) << "no menu open for the character";
    PostMessageW(menus.front(), WM_CHAR, character, 1);
}

// Rows of a menu whose check-mark column (its left edge) holds dark pixels.
std::vector<bool> markedRows(HWND menu) {
    const RECT r = rectOf(menu);
    // The mark sits a few pixels in from the border, left of where the item texts begin.
    const int width = 12;
    const RECT column{r.left + 3, r.top, r.left + 3 + width, r.bottom};
    std::vector<unsigned> pixels;
    // The menu is painted by then when two captures agree.
    e2e::waitFor([&] {
        std::vector<unsigned> again = e2e::screenPixels(column);
        const bool stable = !again.empty() && again == pixels;
        pixels = std::move(again);
        return stable;
    }, 3000, 100);
    std::vector<bool> rows;
    for (size_t y = 0; y * width < pixels.size(); ++y) {
        bool dark = false;
        for (int x = 0; x < width; ++x) {
            const unsigned p = pixels[y * width + x];
            dark = dark || ((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF) < 150;
        }
        rows.push_back(dark);
    }
    return rows;
}

// Bands of consecutive rows that are marked in one picture and not in the other: (first row, marked
// before).
std::vector<std::pair<int, bool>> changedBands(const std::vector<bool>& before, const std::vector<bool>& after) {
    std::vector<std::pair<int, bool>> bands;
    bool inBand = false;
    for (size_t y = 0; y < before.size() && y < after.size(); ++y) {
        const bool changed = before[y] != after[y];
        if (changed && !inBand) bands.push_back({static_cast<int>(y), before[y]});
        inBand = changed;
    }
    return bands;
}

}  // namespace

TEST(MenuMain, RightClickAndF1OpenWhereExpectedAndKeysChooseAnItem) {
    const Pictures pictures;
    Glimvue program;
    HWND window = startShowing(program, pictures);
    ASSERT_NE(window, nullptr);

    // A right click opens the menu at the pointer; Navigate > Next chosen with the keys runs Next.
    const POINT click = screenPoint(window, 30, 30);
    e2e::rightClickAt(click);
    RECT root{};
    ASSERT_TRUE(menuOpensAt(program, click, &root));
    // The pointer leaves the menu, so that no mouse movement over it changes what the keys select.
    moveCursor({1200, 1000});
    keys(program, {VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RIGHT});  // Pin, Slideshow, Sort, Navigate, into it
    ASSERT_TRUE(e2e::waitFor([&] { return program.popupMenus().size() == 2; }));
    keys(program, {VK_DOWN, VK_RETURN});  // from its Pin to Next
    EXPECT_TRUE(program.captionBecomes(L"b" + kProduct));
    EXPECT_TRUE(menusClose(program)) << "nothing pinned: the menu does not come back";

    // F1 with the pointer at `pointer` opens the menu at `expected`; Esc closes it.
    auto f1OpensAt = [&](POINT pointer, POINT expected) {
        moveCursor(pointer);
        SetForegroundWindow(window);
        e2e::pressKey(VK_F1);
        EXPECT_TRUE(menuOpensAt(program, expected));
        keys(program, {VK_ESCAPE});
        ASSERT_TRUE(menusClose(program));
    };
    // Over the window ("at cursor" is on by default): at the pointer; elsewhere: at the client
    // corner offset by the sizing frame.
    const POINT inside = screenPoint(window, 60, 45);
    const POINT corner = screenPoint(window, GetSystemMetrics(SM_CXSIZEFRAME), GetSystemMetrics(SM_CYSIZEFRAME));
    f1OpensAt(inside, inside);
    f1OpensAt({1200, 1000}, corner);
    EXPECT_EQ(program.caption(), L"b" + kProduct) << "Esc closed the menu, not the program";
    // "...at cursor" off: F1 opens at the corner even with the pointer over the window.
    program.postCommand(CMD_MENU_AT_CURSOR);
    f1OpensAt(inside, corner);
    ASSERT_TRUE(program.close());
}

TEST(MenuMain, PinnedNavigateReopensInPlaceEscUnpinsAndExitEndsFromAPinnedMenu) {
    const Pictures pictures;
    Glimvue program;
    HWND window = startShowing(program, pictures);
    ASSERT_NE(window, nullptr);
    POINT click = screenPoint(window, 40, 30);

    e2e::rightClickAt(click);
    RECT root{};
    ASSERT_TRUE(menuOpensAt(program, click, &root));
    moveCursor({1200, 1000});  // off the menu, as above
    keys(program, {VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RIGHT, VK_RETURN});  // Navigate's Pin
    // Navigate alone opens again where the menu was.
    RECT navigate{};
    ASSERT_TRUE(e2e::waitFor([&] {
        const std::vector<HWND> menus = program.popupMenus();
        if (menus.size() != 1) return false;
        navigate = rectOf(menus.front());
        return navigate.bottom - navigate.top < root.bottom - root.top;
    })) << "the pinned Navigate submenu did not open on its own";
    EXPECT_EQ(navigate.left, click.x);
    EXPECT_EQ(navigate.top, click.y);

    // It opens with the item chosen last selected: Pin at first, then Next.
    for (const wchar_t* name : {L"b", L"c", L"a"}) {
        if (name == std::wstring(L"b")) keys(program, {VK_DOWN});
        keys(program, {VK_RETURN});
        EXPECT_TRUE(program.captionBecomes(name + kProduct));
        RECT again{};
        ASSERT_TRUE(menuOpensAt(program, click, &again)) << "after Next to " << toUtf8(name);
        EXPECT_EQ(again.bottom - again.top, navigate.bottom - navigate.top) << "the same submenu";
    }
    // Taken away by the system (as when a command's window changes take the focus while they
    // settle) rather than dismissed, it opens again as it was, pinned, with Next still selected.
    SendMessageW(window, WM_CANCELMODE, 0, 0);
    Sleep(500);
    ASSERT_TRUE(menuOpensAt(program, click));
    keys(program, {VK_RETURN});
    EXPECT_TRUE(program.captionBecomes(L"b" + kProduct));
    ASSERT_TRUE(menuOpensAt(program, click));

    // Esc closes it and unpins it: nothing comes back, and the next right click shows the whole menu.
    keys(program, {VK_ESCAPE});
    ASSERT_TRUE(menusClose(program));
    Sleep(500);
    EXPECT_TRUE(program.popupMenus().empty());
    // (Showing a picture may have placed the window anew: the point is taken where it is now.)
    click = screenPoint(window, 40, 30);
    SetForegroundWindow(window);
    e2e::rightClickAt(click);
    RECT whole{};
    ASSERT_TRUE(menuOpensAt(program, click, &whole));
    EXPECT_EQ(whole.bottom - whole.top, root.bottom - root.top);

    // Pin the root, then Navigate; Esc returns to the pinned root, where Exit ends the program.
    const HWND unpinned = program.popupMenus().front();
    keys(program, {VK_DOWN, VK_RETURN});  // the root's Pin
    ASSERT_TRUE(e2e::waitFor([&] { return !IsWindow(unpinned) || !IsWindowVisible(unpinned); }));
    ASSERT_TRUE(menuOpensAt(program, click));
    keys(program, {VK_DOWN, VK_DOWN, VK_DOWN, VK_RIGHT, VK_RETURN});  // from its Pin, selected, to Navigate
    ASSERT_TRUE(e2e::waitFor([&] {
        const std::vector<HWND> menus = program.popupMenus();
        return menus.size() == 1 && rectOf(menus.front()).bottom - rectOf(menus.front()).top ==
                                        navigate.bottom - navigate.top;
    }));
    keys(program, {VK_ESCAPE});
    ASSERT_TRUE(e2e::waitFor([&] {
        const std::vector<HWND> menus = program.popupMenus();
        return menus.size() == 1 && rectOf(menus.front()).bottom - rectOf(menus.front()).top == root.bottom - root.top;
    })) << "Esc on the pinned submenu went back to the pinned root";
    typeInMenu(program, L'x');  // E&xit
    EXPECT_TRUE(program.waitForExit());
    EXPECT_EQ(program.exitCode(), 0u);
}

TEST(MenuMain, CheckMarksFollowTheSettings) {
    const Pictures pictures;
    Glimvue program;
    HWND window = startShowing(program, pictures);
    ASSERT_NE(window, nullptr);
    // The Exhibit submenu, opened with the keys; its rows' marks, then closed again.
    auto exhibitMarks = [&] {
        const POINT click = screenPoint(window, 30, 30);  // a rebuild may have placed the window anew
        SetForegroundWindow(window);
        e2e::rightClickAt(click);
        EXPECT_TRUE(menuOpensAt(program, click));
        moveCursor({1200, 1000});  // off the menu, as above
        keys(program, {VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RIGHT});
        std::vector<bool> marks;
        if (e2e::waitFor([&] { return program.popupMenus().size() == 2; })) marks = markedRows(program.popupMenus().front());
        keys(program, {VK_ESCAPE});  // the submenu, then the menu
        EXPECT_TRUE(e2e::waitFor([&] { return program.popupMenus().size() == 1; }));
        keys(program, {VK_ESCAPE});
        EXPECT_TRUE(menusClose(program));
        return marks;
    };
    auto toggle = [&](int command) {
        program.postCommand(command);
        Sleep(700);  // it rebuilds the exhibit, and the next toggle is refused while that runs
    };

    toggle(CMD_HIDDEN);  // Subfolders on, Hidden Folders off
    const std::vector<bool> before = exhibitMarks();
    toggle(CMD_SUBFOLDERS);
    toggle(CMD_HIDDEN);  // Subfolders off, Hidden Folders on
    const std::vector<bool> after = exhibitMarks();
    ASSERT_FALSE(before.empty());

    // The mark left the Subfolders row for the Hidden Folders row just below it.
    const auto bands = changedBands(before, after);
    ASSERT_EQ(bands.size(), 2u);
    EXPECT_TRUE(bands[0].second) << "the upper row lost its mark";
    EXPECT_FALSE(bands[1].second) << "the lower row gained one";
    EXPECT_GT(bands[1].first - bands[0].first, 8);
    EXPECT_LT(bands[1].first - bands[0].first, 40) << "one row apart";
    ASSERT_TRUE(program.close());
    const std::wstring ini = e2e::textOfUtf16File(e2e::readBytes(program.file(L"glimvue.ini")));
    EXPECT_NE(ini.find(L"subfolders=FALSE"), std::wstring::npos);
    EXPECT_NE(ini.find(L"hidden=TRUE"), std::wstring::npos);
}

TEST(MenuMain, LanguageFileTextsAreTheOnesShown) {
    const Pictures pictures;
    Glimvue program;
    // Exit becomes "&Quit": its key is now Q, and X no longer chooses it.
    program.add(L"glimvue.lang.ini", e2e::utf16File(L"[Menu Items]\r\nE&xit\tEsc=&Quit\tEsc\r\n"));
    HWND window = startShowing(program, pictures);
    ASSERT_NE(window, nullptr);
    const POINT click = screenPoint(window, 30, 30);
    e2e::rightClickAt(click);
    ASSERT_TRUE(menuOpensAt(program, click));
    typeInMenu(program, L'x');
    Sleep(800);
    ASSERT_EQ(program.exitCode(), static_cast<DWORD>(STILL_ACTIVE)) << "X chose Exit";
    // A key that names no item may close the menu (the system beeps); open it again if so.
    if (program.popupMenus().empty()) {
        SetForegroundWindow(window);
        e2e::rightClickAt(click);
        ASSERT_TRUE(menuOpensAt(program, click));
    }
    typeInMenu(program, L'q');
    EXPECT_TRUE(program.waitForExit());
}

