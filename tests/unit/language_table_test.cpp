// The language table: built-in texts, menu text capture and the language file.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "core/language_table.h"
#include "core/text.h"

namespace {

bool isPinId(int32_t id) { return (id >= 2000 && id <= 2027) || (id >= 3011 && id <= 3520); }

// Menu texts as the menu resources would give them: "Pin" for pin items, a text naming the item else.
class FakeMenu : public MenuTextSource {
public:
    bool itemText(int32_t command, std::wstring& text) const override {
        text = isPinId(command) ? L"Pin" : L"Item " + std::to_wstring(command);
        return true;
    }
    bool submenuText(int32_t position, std::wstring& text) const override {
        text = L"Sub " + std::to_wstring(position);
        return true;
    }
    bool innerSubmenuText(int32_t parent, int32_t position, std::wstring& text) const override {
        text = L"Sub " + std::to_wstring(parent) + L"." + std::to_wstring(position);
        return true;
    }
};

// A menu whose texts are very long, or missing.
class OddMenu : public MenuTextSource {
public:
    bool itemText(int32_t command, std::wstring& text) const override {
        text = std::wstring(80, L'x');
        return command != 1001;
    }
    bool submenuText(int32_t, std::wstring&) const override { return false; }
    bool innerSubmenuText(int32_t, int32_t, std::wstring&) const override { return false; }
};

class RecordingSink : public MenuTextSink {
public:
    std::vector<std::tuple<int32_t, int32_t, std::wstring>> items, submenus;
    void setItemText(int32_t command, const std::wstring& text) override { items.emplace_back(-1, command, text); }
    void setSubmenuText(int32_t position, const std::wstring& text) override {
        submenus.emplace_back(-1, position, text);
    }
    void setInnerSubmenuText(int32_t parent, int32_t position, const std::wstring& text) override {
        submenus.emplace_back(parent, position, text);
    }
};

LanguageTable capturedTable() {
    LanguageTable table;
    table.captureMenuTexts(FakeMenu());
    table.captureCatalogMenuTexts(FakeMenu());
    return table;
}

std::vector<std::wstring> textsOf(const std::vector<LanguageEntry>& entries) {
    std::vector<std::wstring> texts;
    for (const auto& entry : entries) texts.push_back(entry.text);
    return texts;
}

class LanguageFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        path_ = std::filesystem::temp_directory_path() /
                ("glimvue_lang_" + std::string(info->name()) + ".ini");
        std::filesystem::remove(path_);
    }
    void TearDown() override { std::filesystem::remove(path_); }

    // Writes the text as the program writes its files: UTF-16LE with a byte-order mark.
    void writeFile(const std::wstring& text) const {
        std::ofstream out(path_, std::ios::binary);
        out.put(static_cast<char>(0xFF)).put(static_cast<char>(0xFE));
        for (char16_t unit : toUtf16(text)) out.put(static_cast<char>(unit & 0xFF)).put(static_cast<char>(unit >> 8));
    }
    // The whole file, its byte-order mark included.
    std::wstring readFile() const {
        std::ifstream in(path_, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::u16string units;
        for (size_t i = 0; i + 1 < bytes.size(); i += 2)
            units.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                                  static_cast<unsigned char>(bytes[i + 1]) << 8));
        return fromUtf16(units);
    }
    std::wstring path() const { return path_.wstring(); }

    std::filesystem::path path_;
};

TEST(LanguageTable, TablesHoldEveryEntryWithBuiltInTexts) {
    const LanguageTable table;
    EXPECT_EQ(table.messages().size(), 27u);
    EXPECT_EQ(table.dialogStrings().size(), 36u);
    EXPECT_EQ(table.menuItems().size(), 227u);
    EXPECT_EQ(table.level2Menus().size(), 17u);
    EXPECT_EQ(table.level3Menus().size(), 8u);
    EXPECT_EQ(table.catalogItems().size(), 38u);
    EXPECT_EQ(table.catalogLevel2().size(), 3u);

    // No command appears twice in one menu, so capture by command identifier reaches every entry.
    std::set<int32_t> mainIds, catalogIds;
    for (const auto& entry : table.menuItems()) EXPECT_TRUE(mainIds.insert(entry.id).second) << entry.id;
    for (const auto& entry : table.catalogItems()) EXPECT_TRUE(catalogIds.insert(entry.id).second) << entry.id;
    EXPECT_EQ(table.menuItems().front().id, 2000);
    EXPECT_EQ(table.menuItems().back().id, 1515);
    EXPECT_EQ(table.level3Menus()[7].parent, 24);
    EXPECT_EQ(table.level3Menus()[7].id, 20);

    EXPECT_EQ(table.message(kMsgSetExhibitRoot), L"Set exhibit root. Hold SHIFT to append");
    EXPECT_EQ(table.message(kMsgNoMatch), L"No match");
    EXPECT_EQ(table.message(kMsgArchiveSelected), L"Archive selected images?");
    EXPECT_EQ(table.dialogText(0), L"&Ok");
    EXPECT_EQ(table.dialogText(21), L"Match file&name only");
    EXPECT_EQ(table.dialogText(35), L"Visit Quarne :: Donate");
    EXPECT_TRUE(table.message(27).empty());
    EXPECT_TRUE(table.message(-1).empty());
    EXPECT_TRUE(table.dialogText(-1).empty());
    EXPECT_TRUE(table.dialogText(36).empty());
    for (const auto& entry : table.menuItems()) EXPECT_TRUE(entry.text.empty());
}

TEST(LanguageTable, CapturesAndAppliesMenuTexts) {
    LanguageTable table;
    table.captureMenuTexts(OddMenu());
    for (const auto& entry : table.menuItems())
        EXPECT_EQ(entry.text, entry.id == 1001 ? L"" : std::wstring(49, L'x')) << entry.id;

    // Entries without a text leave the menu alone; the others are set by identifier and position.
    RecordingSink odd;
    table.applyMenuTexts(odd);
    EXPECT_EQ(odd.items.size(), 226u);
    EXPECT_TRUE(odd.submenus.empty());

    RecordingSink sink;
    capturedTable().applyMenuTexts(sink);
    ASSERT_EQ(sink.items.size(), 227u);
    EXPECT_EQ(sink.items[0], std::make_tuple(-1, 2000, std::wstring(L"Pin")));
    EXPECT_EQ(sink.items[2], std::make_tuple(-1, 1001, std::wstring(L"Item 1001")));
    ASSERT_EQ(sink.submenus.size(), 25u);
    EXPECT_EQ(sink.submenus[16], std::make_tuple(-1, 27, std::wstring(L"Sub 27")));
    EXPECT_EQ(sink.submenus[24], std::make_tuple(24, 20, std::wstring(L"Sub 24.20")));

    RecordingSink catalog;
    capturedTable().applyCatalogMenuTexts(catalog);
    EXPECT_EQ(catalog.items.size(), 38u);
    ASSERT_EQ(catalog.submenus.size(), 3u);
    EXPECT_EQ(catalog.submenus[2], std::make_tuple(-1, 20, std::wstring(L"Sub 20")));
}

TEST_F(LanguageFileTest, TemplateReadBackChangesNothing) {
    const LanguageTable original = capturedTable();
    ASSERT_TRUE(original.writeLanguageTemplate(path()));

    const std::wstring text = readFile();
    EXPECT_EQ(text.rfind(L"\xFEFF[Language]\r\nGlimvue=1.00\r\nLanguage=English\r\nTranslator=\r\nContact=\r\n;=49 chars", 0), 0u);
    size_t at = 0;
    for (const wchar_t* header : {L"\r\n\r\n[Menu Items]\r\nPin=Pin\r\n", L"[Level2 Menus]\r\nSub 2=Sub 2\r\n",
                                  L"[Level3 Menus]\r\nSub 2.11=Sub 2.11\r\n", L"[Dialogs]\r\n&Ok=&Ok\r\n",
                                  L"[Messages]\r\n", L"[Catalog Menu]\r\n", L"[Catalog Level2]\r\nSub 18=Sub 18\r\n"}) {
        at = text.find(header, at);
        ASSERT_NE(at, std::wstring::npos) << toUtf8(header);
    }

    LanguageTable readBack = capturedTable();
    readBack.loadLanguage(path());
    EXPECT_EQ(textsOf(readBack.menuItems()), textsOf(original.menuItems()));
    EXPECT_EQ(textsOf(readBack.level2Menus()), textsOf(original.level2Menus()));
    EXPECT_EQ(textsOf(readBack.level3Menus()), textsOf(original.level3Menus()));
    EXPECT_EQ(textsOf(readBack.dialogStrings()), textsOf(original.dialogStrings()));
    EXPECT_EQ(textsOf(readBack.messages()), textsOf(original.messages()));
    EXPECT_EQ(textsOf(readBack.catalogItems()), textsOf(original.catalogItems()));
    EXPECT_EQ(textsOf(readBack.catalogLevel2()), textsOf(original.catalogLevel2()));

    EXPECT_FALSE(original.writeLanguageTemplate(path() + L".missing/dir/x.ini"));
}

TEST_F(LanguageFileTest, LinesTranslateEveryEntryWithTheirText) {
    const std::wstring sixty(60, L'z');
    writeFile(L"[Language]\r\nPin=Ignored\r\n"
              L"[Menu Items]\r\npin=Stift\r\nItem 1001=Diaschau\r\nDiaschau=Bildfolge\r\nNo Such Item=X\r\n"
              L"Item 1002=" + sixty + L"\r\nItem 1011\r\n#Item 1012=Comment\r\n\r\n"
              L"[Messages]\r\nno match=Kein Treffer\r\nItem 1013=Wrong section\r\n"
              L"[Catalog Level2]\r\nSub 19=Suchen\r\n");
    LanguageTable table = capturedTable();
    table.loadLanguage(path());

    int mainPins = 0;
    for (const auto& entry : table.menuItems()) {
        if (isPinId(entry.id)) {
            EXPECT_EQ(entry.text, L"Stift") << entry.id;
            ++mainPins;
        }
    }
    EXPECT_EQ(mainPins, 26);
    for (const auto& entry : table.catalogItems())
        if (isPinId(entry.id)) {
            EXPECT_EQ(entry.text, L"Pin") << entry.id;
        }

    auto menuText = [&table](int32_t id) {
        for (const auto& entry : table.menuItems())
            if (entry.id == id) return entry.text;
        return std::wstring(L"(none)");
    };
    EXPECT_EQ(menuText(1001), L"Bildfolge");  // a later line translates the earlier translation again
    EXPECT_EQ(menuText(1002), sixty.substr(0, 49));
    EXPECT_EQ(menuText(1011), L"Item 1011");
    EXPECT_EQ(menuText(1012), L"Item 1012");
    EXPECT_EQ(menuText(1013), L"Item 1013");
    EXPECT_EQ(table.message(kMsgNoMatch), L"Kein Treffer");
    EXPECT_EQ(table.message(kMsgStillNoMatch), L"Building exhibit... still no match");
    EXPECT_EQ(table.catalogLevel2()[1].text, L"Suchen");
    EXPECT_EQ(table.level2Menus()[0].text, L"Sub 2");

    // The Catalog's items change only through their own section.
    writeFile(L"[Catalog Menu]\r\nPIN=Nadel\r\n");
    table.loadLanguage(path());
    EXPECT_EQ(table.catalogItems()[0].text, L"Nadel");
    EXPECT_EQ(menuText(2000), L"Stift");
}

TEST_F(LanguageFileTest, CutNeverSplitsACharacter) {
    // 48 characters and one outside the basic plane: the cut keeps whole characters only.
    writeFile(L"[Messages]\r\nKB=" + std::wstring(48, L'a') + fromUtf16(u"\U0001F600") + L"bbbb\r\n");
    LanguageTable table;
    table.loadLanguage(path());
    const std::wstring& text = table.message(kMsgKB);
    EXPECT_EQ(text.substr(0, 48), std::wstring(48, L'a'));
    EXPECT_LE(text.size(), 49u);
    EXPECT_EQ(fromUtf16(toUtf16(text)), text);
    const std::u16string units = toUtf16(text);
    EXPECT_FALSE(units.back() >= 0xD800 && units.back() <= 0xDBFF);
}

TEST_F(LanguageFileTest, MissingOrEmptyFileChangesNothing) {
    const LanguageTable original = capturedTable();
    LanguageTable table = capturedTable();
    table.loadLanguage(path());  // does not exist
    table.loadLanguage(L"");
    writeFile(L"");
    table.loadLanguage(path());
    EXPECT_EQ(textsOf(table.menuItems()), textsOf(original.menuItems()));
    EXPECT_EQ(textsOf(table.messages()), textsOf(original.messages()));
    EXPECT_EQ(textsOf(table.catalogItems()), textsOf(original.catalogItems()));

    // A line with an empty left side does not give texts to entries whose menu was never read.
    writeFile(L"[Menu Items]\r\n=Empty left side\r\n");
    LanguageTable blank;
    blank.loadLanguage(path());
    for (const auto& entry : blank.menuItems()) EXPECT_TRUE(entry.text.empty()) << entry.id;
}

}  // namespace
