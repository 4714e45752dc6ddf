// The translatable texts: messages and dialog strings built in, menu texts captured from the menu
// resources at start-up, and the language file (glimvue.lang.ini) that replaces any of them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct LanguageEntry {
    int32_t id = 0;       // message/dialog number, command identifier, or submenu position
    int32_t parent = -1;  // level-3 menus: position of the level-2 submenu holding it
    std::wstring text;    // at most kMaxTextChars characters
};

// Where captured menu texts come from (the loaded menu resources on Windows; a fake in tests).
class MenuTextSource {
public:
    virtual ~MenuTextSource() = default;
    // Text of the item with this command identifier; false when there is none.
    virtual bool itemText(int32_t command, std::wstring& text) const = 0;
    // Text of the submenu at `position` of the popup; false when there is none.
    virtual bool submenuText(int32_t position, std::wstring& text) const = 0;
    // Text of the submenu at `position` inside the submenu at `parent`.
    virtual bool innerSubmenuText(int32_t parent, int32_t position, std::wstring& text) const = 0;
};

// Where translated texts go when a menu is shown (the loaded menu on Windows; a fake in tests).
class MenuTextSink {
public:
    virtual ~MenuTextSink() = default;
    virtual void setItemText(int32_t command, const std::wstring& text) = 0;
    virtual void setSubmenuText(int32_t position, const std::wstring& text) = 0;
    virtual void setInnerSubmenuText(int32_t parent, int32_t position, const std::wstring& text) = 0;
};

class LanguageTable {
public:
    static constexpr size_t kMaxTextChars = 49;

    LanguageTable();  // English messages and dialog strings; menu entries with empty texts

    // The text of message / dialog string `number`; empty when the number is not in the table.
    const std::wstring& message(int number) const;
    const std::wstring& dialogText(int number) const;

    void captureMenuTexts(const MenuTextSource& mainPopup);
    void captureCatalogMenuTexts(const MenuTextSource& catalogPopup);
    void applyMenuTexts(MenuTextSink& mainPopup) const;
    void applyCatalogMenuTexts(MenuTextSink& catalogPopup) const;

    // Reads the seven translatable sections; a file that cannot be opened changes nothing.
    void loadLanguage(const std::wstring& path);
    // Writes all eight sections (English template when nothing was translated). False when the file
    // could not be opened or not all of it could be written.
    bool writeLanguageTemplate(const std::wstring& path) const;

    const std::vector<LanguageEntry>& messages() const { return messages_; }
    const std::vector<LanguageEntry>& dialogStrings() const { return dialogStrings_; }
    const std::vector<LanguageEntry>& menuItems() const { return menuItems_; }
    const std::vector<LanguageEntry>& level2Menus() const { return level2Menus_; }
    const std::vector<LanguageEntry>& level3Menus() const { return level3Menus_; }
    const std::vector<LanguageEntry>& catalogItems() const { return catalogItems_; }
    const std::vector<LanguageEntry>& catalogLevel2() const { return catalogLevel2_; }

private:
    // The translatable sections of the language file, in the order written, with their tables.
    struct Section {
        const wchar_t* header;
        std::vector<LanguageEntry> LanguageTable::*entries;
    };
    static const Section kSections[7];

    std::vector<LanguageEntry> messages_, dialogStrings_, menuItems_, level2Menus_, level3Menus_,
        catalogItems_, catalogLevel2_;
};

// Message numbers used by the program.
enum MessageId : int {
    kMsgSetExhibitRoot = 0, kMsgSetFavorites = 1, kMsgSetArchive = 2, kMsgCopyFile = 3,
    kMsgMoveRenameFile = 4, kMsgSaveSettings = 5, kMsgKB = 6, kMsgNotAFile = 7, kMsgCollage = 8,
    kMsgMoveRenameFailed = 9, kMsgCopyFailed = 10, kMsgSaveFailed = 11, kMsgUnavailable = 12,
    kMsgRecycle = 13, kMsgQuestion = 14, kMsgRecycleFailed = 15, kMsgCreateShortcutFailed = 16,
    kMsgArchive = 17, kMsgArchiveFailed = 18, kMsgNoFiles = 19, kMsgStillNoMatch = 20,
    kMsgNoMatch = 21, kMsgHotkeyUnavailable = 22, kMsgSearching = 23, kMsgAutoUpdating = 24,
    kMsgRecycleSelected = 25, kMsgArchiveSelected = 26, kMsgTooLong = 27,
    kMsgLoading = 28, kMsgHotkeyNeedsModifier = 29, kMsgNotWritten = 30,
};
