// Puts translated texts on a menu loaded from the resources (the Main Menu, the Catalog menu).
// Only the text changes: the items keep their state and the submenus stay attached.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "language_table.h"

class LoadedMenuTexts : public MenuTextSink {
public:
    explicit LoadedMenuTexts(HMENU popup) : popup_(popup) {}
    void setItemText(int32_t command, const std::wstring& text) override {
        setText(popup_, static_cast<UINT>(command), FALSE, text);
    }
    void setSubmenuText(int32_t position, const std::wstring& text) override {
        setText(popup_, static_cast<UINT>(position), TRUE, text);
    }
    void setInnerSubmenuText(int32_t parent, int32_t position, const std::wstring& text) override {
        if (HMENU submenu = GetSubMenu(popup_, parent)) setText(submenu, static_cast<UINT>(position), TRUE, text);
    }

private:
    static void setText(HMENU menu, UINT item, BOOL byPosition, const std::wstring& text) {
        std::wstring copy = text;
        MENUITEMINFOW info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_STRING;
        info.dwTypeData = copy.data();
        SetMenuItemInfoW(menu, item, byPosition, &info);
    }
    HMENU popup_;
};
