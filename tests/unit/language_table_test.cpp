// The language table: built-in texts, menu text capture and the language file.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "core/language_table.h"
#include "core/text.h"
#include "temp_files.h"

namespace {

bool isPinId(int32_t id) { return (id >= 2000 && id <= 2027) || (id >= 3011 && id <= 3520); }
// Menu texts as the menu resources would give them: "Pin" for pin items, a text naming the item else;
// or, when `odd`, 80 characters for every item but 1001 and no submenus at all.
struct FakeMenu : MenuTextSource {
    explicit FakeMenu(bool odd = false) : odd(odd) {}
    bool odd;
    bool itemText(int32_t id, std::wstring& text) const override {
        text = odd ? std::wstring(80, L'x') : isPinId(id) ? L"Pin" : L"Item " + std::to_wstring(id);
        return !odd || id != 1001;
    }
    bool submenuText(int32_t at, std::wstring& text) const override { return innerSubmenuText(-1, at, text); }
    bool innerSubmenuText(int32_t parent, int32_t at, std::wstring& text) const override {
        text = L"Sub " + (parent < 0 ? L"" : std::to_wstring(parent) + L".") + std::to_wstring(at);
        return !odd;
    }
};

// Records what the table sets, as (parent or -1, identifier or position, text).
struct RecordingSink : MenuTextSink {
    std::vector<std::tuple<int32_t, int32_t, std::wstring>> items, submenus;
    void setItemText(int32_t id, const std::wstring& text) override { items.emplace_back(-1, id, text); }
    void setSubmenuText(int32_t at, const std::wstring& text) override { submenus.emplace_back(-1, at, text); }
    void setInnerSubmenuText(int32_t parent, int32_t at, const std::wstring& text) override {
        submenus.emplace_back(parent, at, text);
    }
};

LanguageTable capturedTable() {
    LanguageTable table;
    table.captureMenuTexts(FakeMenu());
    table.captureCatalogMenuTexts(FakeMenu());
    return table;
}

// The texts of all seven tables.
std::vector<std::vector<std::wstring>> allTexts(const LanguageTable& table) {
    std::vector<std::vector<std::wstring>> all;
    for (const auto* entries : {&table.menuItems(), &table.level2Menus(), &table.level3Menus(), &table.dialogStrings(),
                                &table.messages(), &table.catalogItems(), &table.catalogLevel2()}) {
        all.emplace_back();
        for (const auto& entry : *entries) all.back().push_back(entry.text);
    }
    return all;
}

using LanguageFileTest = TempDirTest;
TEST(LanguageTable, BuiltInTablesCaptureAndApply) {
    const LanguageTable table;
    std::vector<size_t> sizes;
    for (const auto& texts : allTexts(table)) sizes.push_back(texts.size());
    EXPECT_EQ(sizes, (std::vector<size_t>{228, 17, 8, 36, 31, 38, 3}));
    EXPECT_EQ(table.message(kMsgArchiveSelected) + table.dialogText(35), L"Archive selected images?Visit Quarne :: Donate");
    EXPECT_TRUE(table.dialogText(36).empty() && table.message(-1).empty() && table.message(31).empty());
    // Captured texts are cut to 49 characters; entries without a text leave the menu alone.
    LanguageTable odd;
    odd.captureMenuTexts(FakeMenu(true));
    for (const auto& entry : odd.menuItems())
        EXPECT_EQ(entry.text, entry.id == 1001 ? L"" : std::wstring(49, L'x')) << entry.id;
    RecordingSink oddSink, sink, catalog;
    odd.applyMenuTexts(oddSink);
    EXPECT_EQ(oddSink.items.size(), 227u);
    EXPECT_EQ(oddSink.submenus.size(), 0u);
    capturedTable().applyMenuTexts(sink);
    capturedTable().applyCatalogMenuTexts(catalog);
    ASSERT_EQ(sink.items.size(), 228u);
    ASSERT_EQ(sink.submenus.size(), 25u);
    EXPECT_EQ(sink.items[2], std::make_tuple(-1, 1001, std::wstring(L"Item 1001")));
    EXPECT_EQ(sink.submenus[24], std::make_tuple(24, 20, std::wstring(L"Sub 24.20")));
    EXPECT_EQ(catalog.items.size(), 38u);
    EXPECT_EQ(catalog.submenus.size(), 3u);
}

TEST_F(LanguageFileTest, TemplateMissingOrEmptyFileChangesNothing) {
    const LanguageTable original = capturedTable();
    LanguageTable table = capturedTable();
    table.loadLanguage(path());  // does not exist
    ASSERT_TRUE(original.writeLanguageTemplate(path()));
    const std::wstring text = fromUtf16(fromLe16(readBytes()));
    EXPECT_TRUE(text.starts_with(L"\xFEFF[Language]\r\nGlimvue=1.00\r\nLanguage=English\r\nTranslator=\r\n"
                                 L"Contact=\r\n;=49 chars"));
    size_t at = 0;
    for (const wchar_t* header : {L"\r\n\r\n[Menu Items]\r\nPin=Pin\r\n", L"[Level2 Menus]\r\nSub 2=Sub 2\r\n",
                                  L"[Level3 Menus]\r\nSub 2.11=Sub 2.11\r\n", L"[Dialogs]\r\n&Ok=&Ok\r\n",
                                  L"[Messages]\r\n", L"[Catalog Menu]\r\n", L"[Catalog Level2]\r\nSub 18=Sub 18\r\n"}) {
        at = text.find(header, at);
        ASSERT_NE(at, std::wstring::npos) << toUtf8(header);
    }
    table.loadLanguage(path());
    writeBytes(utf16File(u""));
    table.loadLanguage(path());
    EXPECT_EQ(allTexts(table), allTexts(original));
    EXPECT_FALSE(original.writeLanguageTemplate(path() + L".missing/dir/x.ini"));
    writeBytes(utf16File(u"[Menu Items]\r\n=Empty left side\r\n"));  // gives no text to entries never read
    LanguageTable blank;
    blank.loadLanguage(path());
    EXPECT_EQ(allTexts(blank), allTexts(LanguageTable()));
}

TEST_F(LanguageFileTest, LinesTranslateEveryEntryWithTheirText) {
    writeBytes(utf16File(
        u"[Language]\r\nPin=Ignored\r\n"
        u"[Menu Items]\r\npin=Stift\r\nItem 1001=Diaschau\r\nDiaschau=Bildfolge\r\nNo Such Item=X\r\n"
        u"Item 1002=" + std::u16string(60, u'z') + u"\r\nItem 1011\r\n#Item 1012=Comment\r\n\r\n"
        u"[Messages]\r\nno match=Kein Treffer\r\nItem 1013=Wrong section\r\n"
        // 48 characters and one outside the basic plane: the cut keeps whole characters only.
        u"KB=" + std::u16string(48, u'a') + u"\U0001F600bbbb\r\n[Catalog Level2]\r\nSub 19=Suchen\r\n"));
    LanguageTable table = capturedTable();
    table.loadLanguage(path());
    // Keys match without regard to case, every entry with the text: all 26 pins of the main menu, none of
    // the Catalog's 4 (its items change only through their own section).
    auto pins = [](const std::vector<LanguageEntry>& items, const wchar_t* text) {
        return std::count_if(items.begin(), items.end(), [&](auto& e) { return isPinId(e.id) && e.text == text; });
    };
    EXPECT_EQ(pins(table.menuItems(), L"Stift"), 26);
    EXPECT_EQ(pins(table.catalogItems(), L"Pin"), 4);
    auto menuText = [&](int32_t id) { return std::ranges::find(table.menuItems(), id, &LanguageEntry::id)->text; };
    EXPECT_EQ(menuText(1001), L"Bildfolge");  // a later line translates the earlier translation again
    EXPECT_EQ(menuText(1002), std::wstring(49, L'z'));
    // No value, a comment and another section's line change nothing.
    EXPECT_EQ(menuText(1011) + menuText(1012) + menuText(1013), L"Item 1011Item 1012Item 1013");
    EXPECT_EQ(table.message(kMsgNoMatch), L"Kein Treffer");
    const std::u16string kb = toUtf16(table.message(kMsgKB));
    EXPECT_TRUE(kb.starts_with(std::u16string(48, u'a')) && table.message(kMsgKB).size() <= 49) << toUtf8(table.message(kMsgKB));
    EXPECT_FALSE(kb.back() >= 0xD800 && kb.back() <= 0xDBFF);
    EXPECT_EQ(table.catalogLevel2()[1].text, L"Suchen");
    writeBytes(utf16File(u"[Catalog Menu]\r\nPIN=Nadel\r\n"));
    table.loadLanguage(path());
    EXPECT_EQ(table.catalogItems()[0].text, L"Nadel");
    EXPECT_EQ(menuText(2000), L"Stift");
}

}  // namespace

TEST_F(LanguageFileTest, Utf8TranslationReadsLikeUtf16AndOneThatIsNotTextChangesNothing) {
    writeBytes("\xEF\xBB\xBF[Menu Items]\nPin=Anheften\n[Messages]\r\nNo match=Kein Treffer \xE2\x80\x93 nichts\r\n");
    LanguageTable table = capturedTable();
    table.loadLanguage(path());
    EXPECT_EQ(table.message(21), L"Kein Treffer \u2013 nichts");
    EXPECT_EQ(std::count_if(table.menuItems().begin(), table.menuItems().end(),
                            [](auto& e) { return e.text == L"Anheften"; }),
              26);

    writeBytes("[Messages]\r\nNo match=Kein Treffer \xE9\r\n");  // code-page bytes, not UTF-8
    LanguageTable untouched = capturedTable();
    untouched.loadLanguage(path());
    EXPECT_EQ(allTexts(untouched), allTexts(capturedTable()));
}
