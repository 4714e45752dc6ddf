// Menu texts between the menu resources and the language table, and the -translate switch.
#include <windows.h>

#include "app.h"
#include "command_ids.h"
#include "fileops/file_operations.h"
#include "viewer.h"
#include "win_handles.h"
#include "win_paths.h"

namespace {

std::wstring menuString(HMENU menu, UINT item, UINT flags) {
    const int length = GetMenuStringW(menu, item, nullptr, 0, flags);
    if (length <= 0) return {};
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const int copied = GetMenuStringW(menu, item, text.data(), length + 1, flags);
    text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
    return text;
}

// Reads texts from a loaded popup menu.
class PopupTextSource : public MenuTextSource {
public:
    explicit PopupTextSource(HMENU popup) : popup_(popup) {}
    bool itemText(int32_t command, std::wstring& text) const override {
        text = menuString(popup_, static_cast<UINT>(command), MF_BYCOMMAND);
        return !text.empty();
    }
    bool submenuText(int32_t position, std::wstring& text) const override {
        text = menuString(popup_, static_cast<UINT>(position), MF_BYPOSITION);
        return !text.empty();
    }
    bool innerSubmenuText(int32_t parent, int32_t position, std::wstring& text) const override {
        HMENU submenu = GetSubMenu(popup_, parent);
        if (!submenu) return false;
        text = menuString(submenu, static_cast<UINT>(position), MF_BYPOSITION);
        return !text.empty();
    }

private:
    HMENU popup_;
};

struct LoadedMenus {
    MenuHandle main{LoadMenuW(app.instance, MAKEINTRESOURCEW(IDR_MAINMENU))};
    MenuHandle catalog{LoadMenuW(app.instance, MAKEINTRESOURCEW(IDR_CATALOGMENU))};
    void captureInto(LanguageTable& language) const {
        if (HMENU popup = main ? GetSubMenu(main.get(), 0) : nullptr) language.captureMenuTexts(PopupTextSource(popup));
        if (HMENU popup = catalog ? GetSubMenu(catalog.get(), 0) : nullptr)
            language.captureCatalogMenuTexts(PopupTextSource(popup));
    }
};

}  // namespace

void Viewer::loadMenusAndLanguage() {
    LoadedMenus menus;
    menus.captureInto(language);
    language.loadLanguage(files.languagePath);
}

void Viewer::writeTranslationTemplate() {
    // The translation there is kept as .bak first; without that copy it is not replaced.
    const std::wstring& path = files.languagePath;
    bool written = !pathExists(path) || keepBackup(path) == 0;
    if (written) {
        LoadedMenus menus;
        menus.captureInto(language);
        written = rewriteFile(path, [this](const std::wstring& temporary) {
                      return language.writeLanguageTemplate(temporary);
                  }) == 0;
    }
    if (!written) reportNotWritten(path, true);
    ExitProcess(0);
}
