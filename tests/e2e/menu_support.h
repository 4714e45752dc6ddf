// The program's popup menus seen from outside: where the newest one opens, keys to the open menu,
// and waiting for every menu to close.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e/harness.h"

namespace e2e {

inline RECT rectOf(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return r;
}

inline std::string describeRect(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + " " + std::to_string(r.right - r.left) + "x" +
           std::to_string(r.bottom - r.top);
}

// Waits for exactly `count` open menus, the newest with its top-left corner at `corner`; its
// rectangle is returned through `rect`.
inline ::testing::AssertionResult menuOpensAt(const Glimvue& program, POINT corner, RECT* rect = nullptr, size_t count = 1) {
    RECT seen{};
    size_t open = 0;
    const bool ok = e2e::waitFor([&] {
        const std::vector<HWND> menus = program.popupMenus();
        open = menus.size();
        if (open != count) return false;
        seen = rectOf(menus.front());
        return seen.left == corner.x && seen.top == corner.y;
    });
    if (rect) *rect = seen;
    if (ok) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << open << " menus open, the newest at " << describeRect(seen) << ", expected "
                                         << count << " at " << corner.x << "," << corner.y;
}

inline ::testing::AssertionResult menusClose(const Glimvue& program) {
    return e2e::becomes([&] { return program.popupMenus().empty(); }, [] { return std::string("a menu stays open"); },
                        5000);
}

// Keys to the open menu: a tracked menu runs its own loop, which takes the keys posted to its
// window in order, whichever window has the focus.
inline void keys(const Glimvue& program, std::initializer_list<WORD> sequence) {
    const std::vector<HWND> menus = program.popupMenus();
    ASSERT_FALSE(menus.empty()) << "no menu open for the keys";
    for (WORD key : sequence) {
        PostMessageW(menus.front(), WM_KEYDOWN, key, 1);
        PostMessageW(menus.front(), WM_KEYUP, key, 0xC0000001);
    }
}
}  // namespace e2e
