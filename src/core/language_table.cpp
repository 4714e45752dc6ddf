// The translatable texts and the language file (glimvue.lang.ini).
#include "language_table.h"

#include <initializer_list>
#include <utility>

#include "ini_file.h"
#include "settings.h"
#include "text.h"

namespace {

// ---------------------------------------------------------------------------------------------------
// Where every entry belongs. These lists are the only place that names the entries: the constructor
// builds the tables from them, and the language file's sections are written in their order.

// A run of consecutive identifiers, first..last inclusive (a single identifier has last == first).
struct IdRun {
    int32_t first;
    int32_t last;
};

// Command identifiers of main menu 1000, in the order of the [Menu Items] section.
constexpr IdRun kMenuItemIds[] = {
    {2000, 2000}, {2002, 2002}, {1001, 1002}, {1011, 1014}, {3011, 3011}, {1021, 1022},
    {3012, 3012}, {1031, 1034}, {2003, 2003}, {1040, 1049}, {2004, 2004}, {1051, 1052},
    {901, 902},   {1053, 1058}, {3116, 3116}, {1061, 1064}, {903, 906},   {1065, 1066},
    {2006, 2006}, {1101, 1101}, {1103, 1103}, {1102, 1102}, {1104, 1106}, {2007, 2007},
    {1111, 1118}, {3213, 3213}, {1121, 1128}, {1131, 1133}, {2008, 2008}, {1141, 1148},
    {2009, 2009}, {1151, 1152}, {1154, 1155}, {1153, 1153}, {3310, 3310}, {1161, 1165},
    {2010, 2010}, {1171, 1174}, {1201, 1205}, {2017, 2018}, {1211, 1213}, {907, 907},
    {1214, 1219}, {1221, 1226}, {2019, 2019}, {1231, 1232}, {2020, 2020}, {1250, 1268},
    {2022, 2022}, {1301, 1306}, {1311, 1315}, {3416, 3416}, {1321, 1325}, {1331, 1335},
    {3417, 3417}, {1341, 1346}, {1351, 1353}, {2023, 2023}, {1371, 1375}, {1381, 1388},
    {2024, 2024}, {1401, 1403}, {1411, 1413}, {1421, 1423}, {1431, 1432}, {1441, 1442},
    {3520, 3520}, {1451, 1456}, {2026, 2026}, {1501, 1504}, {2027, 2027}, {1511, 1515},
};

// Positions of the submenus in the main popup menu.
constexpr int32_t kLevel2Positions[] = {2, 3, 4, 6, 7, 8, 9, 10, 17, 18, 19, 20, 22, 23, 24, 26, 27};

// Second-level submenus: (position of the submenu holding it, position inside that submenu).
constexpr std::pair<int32_t, int32_t> kLevel3Positions[] = {
    {2, 11}, {2, 12}, {4, 16}, {7, 13}, {9, 10}, {22, 16}, {22, 17}, {24, 20},
};

// Command identifiers of Catalog menu 104, in the order of the [Catalog Menu] section.
constexpr IdRun kCatalogItemIds[] = {
    {2000, 2000}, {1111, 1112}, {1101, 1101}, {1103, 1103}, {1102, 1102}, {1104, 1106},
    {1056, 1057}, {1113, 1113}, {2018, 2018}, {1040, 1049}, {2019, 2019}, {1141, 1142},
    {2020, 2020}, {1412, 1412}, {1411, 1411}, {1423, 1423}, {1431, 1431}, {1161, 1161},
    {1151, 1151}, {1115, 1115}, {1055, 1055}, {1, 2},       {1515, 1515},
};

// Positions of the submenus in the Catalog popup menu.
constexpr int32_t kCatalogLevel2Positions[] = {18, 19, 20};

// Messages by number (MessageId).
constexpr const wchar_t* kMessages[] = {
    L"Set exhibit root. Hold SHIFT to append",
    L"Set the favorites folder",
    L"Set the archive folder",
    L"Copy File",
    L"Move/Rename File",
    L"Save Glimvue Settings",
    L"KB",
    L"Not a file",
    L"Collage",
    L"Move/Rename failed",
    L"Copy failed",
    L"Save failed",
    L"is unavailable",
    L"Recycle",
    L"?",
    L"Recycle failed",
    L"Create shortcut failed",
    L"Archive",
    L"Archive operation failed",
    L"No files",
    L"Building exhibit... still no match",
    L"No match",
    L"Hotkey unavailable",
    L"Searching... press any key",
    L"Auto-updating... press any key",
    L"Recycle selected images?",
    L"Archive selected images?",
    L"is too long",
    L"Loading...",
    L"A hotkey needs Control, Shift, Alt or Win",
    L"could not be written",
};

// Dialog captions and labels by number. A number-input dialog uses string N as its caption and N + 1
// as its label.
constexpr const wchar_t* kDialogStrings[] = {
    L"&Ok",
    L"&Cancel",
    L"Slideshow Timer",
    L"Milliseconds",
    L"Blend Opacity",
    L"(255: opaque)",
    L"Go To",
    L"(Image index)",
    L"Thumbnail Size",
    L"(Default: 100)",
    L"Zoom Step",
    L"(Default: 10)",
    L"Collage Size",
    L"(Default: 250)",
    L"Raise Caption",
    L"(Default: 4)",
    L"Lengthen Window",
    L"(Default: 2)",
    L"Image Viewer",
    L"File Manager",
    L"Find/Filter",
    L"Match file&name only",
    L"Match &case",
    L"&Find",
    L"Filter",
    L"E&xclude",
    L"Hide/Show HotKey",
    L"Press Key",
    L"Control",
    L"Shift",
    L"Alt",
    L"Win",
    L":: Freeware ::",
    L"All donations appreciated",
    L"Language: Default (English)",
    L"Visit Quarne :: Donate",
};

// ---------------------------------------------------------------------------------------------------

template <size_t N>
std::vector<LanguageEntry> entriesFromRuns(const IdRun (&runs)[N]) {
    std::vector<LanguageEntry> entries;
    for (const IdRun& run : runs)
        for (int32_t id = run.first; id <= run.last; ++id) entries.push_back({id, -1, {}});
    return entries;
}

template <size_t N>
std::vector<LanguageEntry> entriesFromPositions(const int32_t (&positions)[N]) {
    std::vector<LanguageEntry> entries;
    for (int32_t position : positions) entries.push_back({position, -1, {}});
    return entries;
}

template <size_t N>
std::vector<LanguageEntry> entriesFromTexts(const wchar_t* const (&texts)[N]) {
    std::vector<LanguageEntry> entries;
    for (size_t number = 0; number < N; ++number)
        entries.push_back({static_cast<int32_t>(number), -1, texts[number]});
    return entries;
}

// The text as kept in a table: at most kMaxTextChars characters. Where wchar_t holds UTF-16 units a
// surrogate pair is never split by the cut.
std::wstring cutText(const std::wstring& text) {
    constexpr size_t limit = LanguageTable::kMaxTextChars;
    if (text.size() <= limit) return text;
    size_t length = limit;
    if constexpr (sizeof(wchar_t) == 2) {
        const auto last = static_cast<unsigned>(text[length - 1]);
        if (last >= 0xD800 && last <= 0xDBFF) --length;
    }
    return text.substr(0, length);
}

const std::wstring& textOf(const std::vector<LanguageEntry>& entries, int number) {
    static const std::wstring none;
    for (const LanguageEntry& entry : entries)
        if (entry.id == number) return entry.text;
    return none;
}

// Applies the lines of one section in file order: each line gives its right side to every entry whose
// current text equals its left side, without regard to case.
void translateSection(IniFile& file, const wchar_t* header, std::vector<LanguageEntry>& entries) {
    file.forEachEntry(header, [&entries](const std::wstring& key, const std::wstring& value) {
        if (key.empty()) return;
        for (LanguageEntry& entry : entries)
            if (equalsNoCase(entry.text, key)) entry.text = cutText(value);
    });
}

// One "text=text" line per entry.
void writeEntries(IniFile& file, const wchar_t* header, const std::vector<LanguageEntry>& entries) {
    std::vector<std::wstring> values;
    values.reserve(entries.size());  // the table below points into it
    SettingsTable table;
    for (const LanguageEntry& entry : entries) {
        values.push_back(entry.text);
        table.push_back({entry.text, SettingType::String, &values.back()});
    }
    file.writeSection(table, header);
}

constexpr const wchar_t* kMenuItemsHeader = L"[Menu Items]";
constexpr const wchar_t* kLevel2Header = L"[Level2 Menus]";
constexpr const wchar_t* kLevel3Header = L"[Level3 Menus]";
constexpr const wchar_t* kDialogsHeader = L"[Dialogs]";
constexpr const wchar_t* kMessagesHeader = L"[Messages]";
constexpr const wchar_t* kCatalogMenuHeader = L"[Catalog Menu]";
constexpr const wchar_t* kCatalogLevel2Header = L"[Catalog Level2]";

}  // namespace

LanguageTable::LanguageTable()
    : messages_(entriesFromTexts(kMessages)),
      dialogStrings_(entriesFromTexts(kDialogStrings)),
      menuItems_(entriesFromRuns(kMenuItemIds)),
      level2Menus_(entriesFromPositions(kLevel2Positions)),
      catalogItems_(entriesFromRuns(kCatalogItemIds)),
      catalogLevel2_(entriesFromPositions(kCatalogLevel2Positions)) {
    for (const auto& [parent, position] : kLevel3Positions) level3Menus_.push_back({position, parent, {}});
}

const std::wstring& LanguageTable::message(int number) const { return textOf(messages_, number); }

const std::wstring& LanguageTable::dialogText(int number) const { return textOf(dialogStrings_, number); }

void LanguageTable::captureMenuTexts(const MenuTextSource& mainPopup) {
    std::wstring text;
    for (LanguageEntry& entry : menuItems_)
        if (mainPopup.itemText(entry.id, text)) entry.text = cutText(text);
    for (LanguageEntry& entry : level2Menus_)
        if (mainPopup.submenuText(entry.id, text)) entry.text = cutText(text);
    for (LanguageEntry& entry : level3Menus_)
        if (mainPopup.innerSubmenuText(entry.parent, entry.id, text)) entry.text = cutText(text);
}

void LanguageTable::captureCatalogMenuTexts(const MenuTextSource& catalogPopup) {
    std::wstring text;
    for (LanguageEntry& entry : catalogItems_)
        if (catalogPopup.itemText(entry.id, text)) entry.text = cutText(text);
    for (LanguageEntry& entry : catalogLevel2_)
        if (catalogPopup.submenuText(entry.id, text)) entry.text = cutText(text);
}

// An entry that never received a text (its menu could not be read) leaves the menu's own text.
void LanguageTable::applyMenuTexts(MenuTextSink& mainPopup) const {
    for (const LanguageEntry& entry : menuItems_)
        if (!entry.text.empty()) mainPopup.setItemText(entry.id, entry.text);
    for (const LanguageEntry& entry : level2Menus_)
        if (!entry.text.empty()) mainPopup.setSubmenuText(entry.id, entry.text);
    for (const LanguageEntry& entry : level3Menus_)
        if (!entry.text.empty()) mainPopup.setInnerSubmenuText(entry.parent, entry.id, entry.text);
}

void LanguageTable::applyCatalogMenuTexts(MenuTextSink& catalogPopup) const {
    for (const LanguageEntry& entry : catalogItems_)
        if (!entry.text.empty()) catalogPopup.setItemText(entry.id, entry.text);
    for (const LanguageEntry& entry : catalogLevel2_)
        if (!entry.text.empty()) catalogPopup.setSubmenuText(entry.id, entry.text);
}

const LanguageTable::Section LanguageTable::kSections[7] = {
    {kMenuItemsHeader, &LanguageTable::menuItems_},      {kLevel2Header, &LanguageTable::level2Menus_},
    {kLevel3Header, &LanguageTable::level3Menus_},       {kDialogsHeader, &LanguageTable::dialogStrings_},
    {kMessagesHeader, &LanguageTable::messages_},        {kCatalogMenuHeader, &LanguageTable::catalogItems_},
    {kCatalogLevel2Header, &LanguageTable::catalogLevel2_},
};

void LanguageTable::loadLanguage(const std::wstring& path) {
    IniFile file;
    if (!file.open(path, IniFile::Read)) return;
    for (const Section& section : kSections) translateSection(file, section.header, this->*section.entries);
}

bool LanguageTable::writeLanguageTemplate(const std::wstring& path) const {
    IniFile file;
    if (!file.open(path, IniFile::Write)) return false;

    std::wstring version = kProductVersion, language = L"English", translator, contact,
                 note = L"49 chars, name and menu key separated by a tab, key may be translated, not changed";
    const SettingsTable header = {
        {L"Glimvue", SettingType::String, &version},
        {L"Language", SettingType::String, &language},
        {L"Translator", SettingType::String, &translator},
        {L"Contact", SettingType::String, &contact},
        {L";", SettingType::String, &note},
    };
    file.writeSection(header, L"[Language]");
    for (const Section& section : kSections) writeEntries(file, section.header, this->*section.entries);
    return file.close();
}
