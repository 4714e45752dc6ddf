// The language table: built-in texts, menu text capture and the language file.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
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
class FakeMenu : public MenuTextSource {
public:
    explicit FakeMenu(bool odd = false) : odd_(odd) {}
    bool itemText(int32_t command, std::wstring& text) const override {
        text = odd_ ? std::wstring(80, L'x') : isPinId(command) ? L"Pin" : L"Item " + std::to_wstring(command);
        return !odd_ || command != 1001;
    }
    bool submenuText(int32_t position, std::wstring& text) const override {
        text = L"Sub " + std::to_wstring(position);
        return !odd_;
    }
    bool innerSubmenuText(int32_t parent, int32_t position, std::wstring& text) const override {
        text = L"Sub " + std::to_wstring(parent) + L"." + std::to_wstring(position);
        return !odd_;
    }
    bool odd_;
};

// Records what the table sets, as (parent or -1, identifier or position, text).
class RecordingSink : public MenuTextSink {
public:
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

class LanguageFileTest : public TempDirTest {
protected:
    void writeFile(const std::u16string& text) const { writeBytes(utf16File(text)); }
};

TEST(LanguageTable, TablesHoldEveryEntryWithBuiltInTexts) {
    const LanguageTable table;
    std::vector<size_t> sizes;
    for (const auto& texts : allTexts(table)) sizes.push_back(texts.size());
    EXPECT_EQ(sizes, (std::vector<size_t>{227, 17, 8, 36, 27, 38, 3}));
    // No command appears twice in one menu, so capture by command identifier reaches every entry.
    for (const auto* items : {&table.menuItems(), &table.catalogItems()}) {
        std::set<int32_t> ids;
        for (const auto& entry : *items) EXPECT_TRUE(ids.insert(entry.id).second) << entry.id;
    }

    EXPECT_EQ(table.message(kMsgSetExhibitRoot), L"Set exhibit root. Hold SHIFT to append");
    EXPECT_EQ(table.message(kMsgArchiveSelected), L"Archive selected images?");
    EXPECT_EQ(table.dialogText(35), L"Visit Quarne :: Donate");
    for (int outside : {-1, 36}) EXPECT_TRUE(table.dialogText(outside).empty()) << outside;
    for (int outside : {-1, 27}) EXPECT_TRUE(table.message(outside).empty()) << outside;
    for (const auto& entry : table.menuItems()) EXPECT_TRUE(entry.text.empty());
}

TEST(LanguageTable, CapturesAndAppliesMenuTexts) {
    // Captured texts are cut to 49 characters; entries without a text leave the menu alone.
    LanguageTable odd;
    odd.captureMenuTexts(FakeMenu(true));
    for (const auto& entry : odd.menuItems())
        EXPECT_EQ(entry.text, entry.id == 1001 ? L"" : std::wstring(49, L'x')) << entry.id;
    RecordingSink oddSink;
    odd.applyMenuTexts(oddSink);
    EXPECT_EQ(oddSink.items.size(), 226u);
    EXPECT_TRUE(oddSink.submenus.empty());

    RecordingSink sink, catalog;
    capturedTable().applyMenuTexts(sink);
    capturedTable().applyCatalogMenuTexts(catalog);
    ASSERT_EQ(sink.items.size(), 227u);
    EXPECT_EQ(sink.items[2], std::make_tuple(-1, 1001, std::wstring(L"Item 1001")));
    ASSERT_EQ(sink.submenus.size(), 25u);
    EXPECT_EQ(sink.submenus[16], std::make_tuple(-1, 27, std::wstring(L"Sub 27")));
    EXPECT_EQ(sink.submenus[24], std::make_tuple(24, 20, std::wstring(L"Sub 24.20")));
    EXPECT_EQ(catalog.items.size(), 38u);
    ASSERT_EQ(catalog.submenus.size(), 3u);
    EXPECT_EQ(catalog.submenus[2], std::make_tuple(-1, 20, std::wstring(L"Sub 20")));
}

TEST_F(LanguageFileTest, TemplateMissingOrEmptyFileChangesNothing) {
    const LanguageTable original = capturedTable();
    LanguageTable table = capturedTable();
    table.loadLanguage(path());  // does not exist
    table.loadLanguage(L"");
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
    writeFile(u"");
    table.loadLanguage(path());
    EXPECT_EQ(allTexts(table), allTexts(original));
    EXPECT_FALSE(original.writeLanguageTemplate(path() + L".missing/dir/x.ini"));

    // A line with an empty left side does not give texts to entries whose menu was never read.
    writeFile(u"[Menu Items]\r\n=Empty left side\r\n");
    LanguageTable blank;
    blank.loadLanguage(path());
    for (const auto& entry : blank.menuItems()) EXPECT_TRUE(entry.text.empty()) << entry.id;
}

TEST_F(LanguageFileTest, LinesTranslateEveryEntryWithTheirText) {
    const std::u16string sixty(60, u'z');
    writeFile(u"[Language]\r\nPin=Ignored\r\n"
              u"[Menu Items]\r\npin=Stift\r\nItem 1001=Diaschau\r\nDiaschau=Bildfolge\r\nNo Such Item=X\r\n"
              u"Item 1002=" + sixty + u"\r\nItem 1011\r\n#Item 1012=Comment\r\n\r\n"
              u"[Messages]\r\nno match=Kein Treffer\r\nItem 1013=Wrong section\r\n"
              // 48 characters and one outside the basic plane: the cut keeps whole characters only.
              u"KB=" + std::u16string(48, u'a') + u"\U0001F600bbbb\r\n"
              u"[Catalog Level2]\r\nSub 19=Suchen\r\n");
    LanguageTable table = capturedTable();
    table.loadLanguage(path());

    // Keys match without regard to case, every entry with the text: all 26 pins of the main menu, none of
    // the Catalog's 4 (its items change only through their own section).
    auto pins = [](const std::vector<LanguageEntry>& items, const wchar_t* text) {
        return std::count_if(items.begin(), items.end(), [&](auto& e) { return isPinId(e.id) && e.text == text; });
    };
    EXPECT_EQ(pins(table.menuItems(), L"Stift"), 26);
    EXPECT_EQ(pins(table.catalogItems(), L"Pin"), 4);
    auto menuText = [&table](int32_t id) {
        for (const auto& entry : table.menuItems())
            if (entry.id == id) return entry.text;
        return std::wstring(L"(none)");
    };
    EXPECT_EQ(menuText(1001), L"Bildfolge");  // a later line translates the earlier translation again
    EXPECT_EQ(menuText(1002), std::wstring(49, L'z'));
    EXPECT_EQ(menuText(1011), L"Item 1011");  // no value
    EXPECT_EQ(menuText(1012), L"Item 1012");  // comment
    EXPECT_EQ(menuText(1013), L"Item 1013");  // another section's line
    EXPECT_EQ(table.message(kMsgNoMatch), L"Kein Treffer");
    EXPECT_EQ(table.message(kMsgStillNoMatch), L"Building exhibit... still no match");
    const std::u16string kb = toUtf16(table.message(kMsgKB));
    EXPECT_EQ(kb.substr(0, 48), std::u16string(48, u'a'));
    EXPECT_LE(table.message(kMsgKB).size(), 49u);
    EXPECT_FALSE(kb.back() >= 0xD800 && kb.back() <= 0xDBFF);
    EXPECT_EQ(table.catalogLevel2()[1].text, L"Suchen");
    EXPECT_EQ(table.level2Menus()[0].text, L"Sub 2");

    writeFile(u"[Catalog Menu]\r\nPIN=Nadel\r\n");
    table.loadLanguage(path());
    EXPECT_EQ(table.catalogItems()[0].text, L"Nadel");
    EXPECT_EQ(menuText(2000), L"Stift");
}

}  // namespace
