#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "ini_file.h"
#include "temp_files.h"
#include "text.h"

using namespace std::string_literals;

namespace {

class IniFileTest : public TempDirTest {
protected:
    // One section written to a new file, or read from the file opened afresh.
    void write(const SettingsTable& table, const wchar_t* header, const std::wstring& name = L"test.ini") const {
        IniFile file;
        ASSERT_TRUE(file.open(path(name), IniFile::Write));
        file.writeSection(table, header);
    }
    void read(const SettingsTable& table, const wchar_t* header, const std::wstring& name = L"test.ini") const {
        IniFile file;
        ASSERT_TRUE(file.open(path(name), IniFile::Read));
        file.readSection(table, header, 260);
    }
};

struct Targets {
    int32_t timer = 5000;
    int16_t sort = 0;
    bool slide = true;
    std::wstring folder = L"unchanged";
    SettingsTable table() {
        return {{L"timer", SettingType::Long, &timer}, {L"sort", SettingType::Short, &sort},
                {L"slide", SettingType::Bool, &slide}, {L"folder", SettingType::String, &folder}};
    }
};

// The text parsed into a target of the type and formatted again; "-" when it does not parse, and then
// the target must be unchanged.
std::wstring reparse(SettingType type, const std::wstring& text, size_t maxChars = 260) {
    std::tuple<int16_t, int32_t, uint16_t, uint32_t, float, double, bool, std::wstring> v{1, 1, 1, 1, 1, 1, true, L"1"};
    using std::get;  // the targets by the value of SettingType, from 1 on
    void* const targets[] = {nullptr, &get<0>(v), &get<6>(v), &get<0>(v), &get<1>(v), &get<2>(v), &get<3>(v),
                             &get<2>(v), &get<3>(v), &get<4>(v), &get<5>(v), &get<7>(v)};
    void* target = targets[static_cast<int>(type)];
    const std::wstring before = formatSettingValue(type, target);
    if (parseSettingValue(text, type, target, maxChars)) return formatSettingValue(type, target);
    EXPECT_EQ(formatSettingValue(type, target), before);
    return L"-";
}

}  // namespace

TEST_F(IniFileTest, WrittenFileHasBomCrLfAndBlankLineBetweenSections) {
    int32_t timer = 42;
    bool slide = false;
    std::wstring folder = L"C:\\pics";
    int16_t afterEnd = 7;
    IniFile file;
    ASSERT_TRUE(file.open(path(), IniFile::Write));
    EXPECT_TRUE(file.wideText());
    file.writeSection({{L"timer", SettingType::Long, &timer}, {L"slide", SettingType::Bool, &slide}},
                      L"[Slideshow]");
    file.writeSection({{L"folder", SettingType::String, &folder}, {L"end", SettingType::Short, nullptr},
                       {L"after", SettingType::Short, &afterEnd}},
                      L"[Portable]");
    file.close();
    EXPECT_EQ(readBytes(),
              utf16File(u"[Slideshow]\r\ntimer=42\r\nslide=FALSE\r\n\r\n[Portable]\r\nfolder=C:\\pics\r\n"));
}

TEST_F(IniFileTest, HeaderMatchesAsPrefixCaseSensitivelyAtFirstOccurrence) {
    writeBytes(utf16File(u"[Catalog Position]\r\ntimer=1\r\n[Tweak Transitions]\r\ntimer=2\r\n[catalog]\r\ntimer=3\r\n"
                         u"[Catalog] trailing text\r\ntimer=4\r\n[Tweak]\r\ntimer=5\r\n[Catalog]\r\ntimer=6\r\n"));
    IniFile file;
    ASSERT_TRUE(file.open(path(), IniFile::Read));
    Targets t;
    // Sections read in any order from one open file; a missing one and the top of the file give nothing.
    const std::pair<const wchar_t*, int> steps[] = {
        {L"[Catalog]", 4}, {L"[Catalog Position]", 1}, {L"[Tweak]", 5}, {L"[Missing]", 5}, {nullptr, 5}};
    for (auto [header, timer] : steps) {
        file.readSection(t.table(), header, 260);
        EXPECT_EQ(t.timer, timer) << (header ? toUtf8(header) : "top");
    }
}

TEST_F(IniFileTest, LinesAreSplitIntoKeyAndValueByTheReadingRules) {
    writeBytes(utf16File(u"[S]\r\nTimer=3000\r\ntimer = 4000\r\nSORT=2\r\nslide=yes\r\nfolder=C:\\a=b\r\nfolder=\r\n"
                         u"#sort=5\r\n #sort=6\r\nnothing here\r\n==sort==7==\r\n[T]\r\nslide=true\r\n"));
    Targets t;
    t.slide = false;
    int32_t upper = 0;  // every descriptor with a matching key is filled, not only the first
    SettingsTable table = t.table();
    table.push_back({L"TIMER", SettingType::Long, &upper});
    read(table, L"[S]");
    EXPECT_EQ(t.timer, 3000);       // key compared without regard to case; "timer " is another key
    EXPECT_EQ(upper, 3000);
    EXPECT_EQ(t.sort, 7);           // runs of delimiters count as one
    EXPECT_FALSE(t.slide);          // "yes" is not a boolean
    EXPECT_EQ(t.folder, L"C:\\a");  // cut at "=", and the empty value changed nothing
    read(t.table(), L"[T]");
    EXPECT_TRUE(t.slide);

    // The entries as the reader sees them: untrimmed, no comment, no line without a value; a blank before
    // "#" makes no comment.
    std::vector<std::wstring> entries;
    IniFile file;
    ASSERT_TRUE(file.open(path(), IniFile::Read));
    file.forEachEntry(L"[S]", [&](const std::wstring& k, const std::wstring& v) { entries.push_back(k + L"|" + v); });
    EXPECT_EQ(entries, (std::vector<std::wstring>{L"Timer|3000", L"timer | 4000", L"SORT|2", L"slide|yes",
                                                  L"folder|C:\\a", L" #sort|6", L"sort|7"}));
}

TEST(IniValues, EveryTypeParsesLikeScanfFormatsLikePrintfAndBadTextChangesNothing) {
    using T = SettingType;
    const std::wstring emoji = fromUtf16(u"\U0001F600");
    const std::tuple<T, std::wstring, std::wstring> cases[] = {
        {T::Int16, L"  -12abc", L"-12"},        {T::Int16, L"70000", L"4464"},  // wrapped to 16 bits
        {T::Short, L"+32767", L"32767"},        {T::Short, L"-32768", L"-32768"},
        {T::Long, L"-2147483648", L"-2147483648"}, {T::Long, L"4294967297", L"1"},
        {T::ShortOctal, L"178", L"17"},         {T::ShortOctal, L"10", L"10"},
        {T::LongOctal, L"37777777777", L"37777777777"},
        {T::ShortHex, L"0xBeEf", L"beef"},      {T::ShortHex, L"-1", L"ffff"},
        {T::LongHex, L"deadbeefz", L"deadbeef"},
        {T::Float, L" 1.5e3x", L"1500"},        {T::Float, L"0.1", L"0.1"},
        {T::Double, L"-.25", L"-0.25"},         {T::Double, L"1e20", L"1e+20"},
        {T::Double, L"1e400", L"inf"},          {T::Double, L"-1e400", L"-inf"},
        {T::Bool, L"tRuE", L"TRUE"},            {T::Bool, L"FALSE", L"FALSE"},
        {T::ShortOctal, L"8", L"-"},            {T::Bool, L"TRUE ", L"-"},
        {T::Bool, L"1", L"-"},
    };
    for (const auto& [type, text, expected] : cases)
        EXPECT_EQ(reparse(type, text), expected) << toUtf8(text);
    for (const wchar_t* bad : {L"", L"abc", L"+", L"-", L" x1", L"."}) {
        EXPECT_EQ(reparse(T::Long, bad), L"-") << toUtf8(bad);
        EXPECT_EQ(reparse(T::Double, bad), L"-") << toUtf8(bad);
    }
    // Strings keep maxChars - 1 characters; a surrogate pair is kept whole or not at all.
    EXPECT_EQ(reparse(T::String, L"abcdef", 4), L"abc");
    EXPECT_EQ(reparse(T::String, L"a" + emoji + L"b", 3), L"a");
    EXPECT_EQ(reparse(T::String, L"a" + emoji + L"b", 4), L"a" + emoji);
}

TEST_F(IniFileTest, LongLinesAreReadWhole) {
    const std::wstring longPath = L"C:\\" + std::wstring(256, L'p');  // 259 characters
    Targets t, back;
    t.folder = longPath;
    write(t.table(), L"[S]");
    read(back.table(), L"[S]");
    EXPECT_EQ(back.folder, longPath);

    // The tail of an overlong line never reads as a line of its own, and the next line is intact.
    writeBytes(utf16File(u"[S]\r\nx" + std::u16string(253, u'a') + u"timer=1\r\n" + std::u16string(4096, u'b') +
                         u"timer=2\r\nfolder=" + std::u16string(10000, u'c') + u"\r\nsort=3\r\n"));
    Targets l;
    read(l.table(), L"[S]");
    EXPECT_EQ(l.timer, 5000);
    EXPECT_EQ(l.folder, std::wstring(259, L'c'));
    EXPECT_EQ(l.sort, 3);
}

TEST_F(IniFileTest, DamagedFilesLoadWhatTheyCan) {
    Targets t;
    writeBytes(utf16File(u"[S]\r\ntimer=42\r\nsort=3") + "\x34");  // odd byte count: the lone byte is ignored
    read(t.table(), L"[S]");
    EXPECT_EQ(t.timer, 42);
    EXPECT_EQ(t.sort, 3);

    // Garbage with null characters and stray line feeds in front of a good section.
    std::string garbage = "\xFF\xFE";
    std::mt19937 random(7);
    for (int i = 0; i < 4000; ++i) garbage.push_back(static_cast<char>(random() & 0xFF));
    writeBytes(garbage + le16(u"\n[S]\r\ntimer=77\r\nfolder=abc\0def\r\nsort=\0\r\n"s));
    t.sort = 11;
    read(t.table(), L"[S]");
    EXPECT_EQ(t.timer, 77);
    EXPECT_EQ(t.folder, L"abc");  // a line ends at its first null character
    EXPECT_EQ(t.sort, 11);

    // The first two bytes are taken as the byte-order mark even when they are not one.
    writeBytes(le16(u"[S]\r\ntimer=5\r\n"));
    read(t.table(), L"[S]");
    EXPECT_EQ(t.timer, 77);
    read(t.table(), L"S]");
    EXPECT_EQ(t.timer, 5);
    writeBytes("");
    read(t.table(), nullptr);
    EXPECT_EQ(t.timer, 5);
}

TEST_F(IniFileTest, NonAsciiTextAndWidePathsRoundTrip) {
    const std::wstring name = L"\u00e9\u4e2d.ini", header = L"[\u00c9t\u00e9]";
    Targets t, back;
    t.folder = L"\u00e9\u4e2d" + fromUtf16(u"\U0001F600");
    write(t.table(), header.c_str(), name);
    EXPECT_NE(readBytes(name).find(le16(u"folder=") + "\xE9\x00\x2D\x4E\x3D\xD8\x00\xDE\r\0\n\0"s), std::string::npos);
    read(back.table(), header.c_str(), name);
    EXPECT_EQ(back.folder, t.folder);
}

TEST_F(IniFileTest, CallsOnTheWrongModeOrAClosedFileDoNothing) {
    Targets t;
    IniFile file;
    EXPECT_FALSE(file.open(path(L"missing.ini"), IniFile::Read));
    EXPECT_FALSE(file.isOpen());
    file.readSection(t.table(), L"[S]", 260);
    file.writeSection(t.table(), L"[S]");
    EXPECT_FALSE(std::filesystem::exists(fsPath(path(L"missing.ini"))));

    writeBytes(utf16File(u"[S]\r\ntimer=1\r\n"));
    ASSERT_TRUE(file.open(path(), IniFile::Read));
    file.writeSection(t.table(), L"[X]");
    file.close();
    EXPECT_EQ(readBytes(), utf16File(u"[S]\r\ntimer=1\r\n"));
    file.readSection(t.table(), L"[S]", 260);
    EXPECT_FALSE(file.open(std::wstring(L"a\0b", 3), IniFile::Read));
    ASSERT_TRUE(file.open(path(), IniFile::Write));
    file.readSection(t.table(), L"[S]", 260);
    file.close();
    EXPECT_EQ(t.timer, 5000);
    EXPECT_EQ(readBytes(), "\xFF\xFE");
    EXPECT_EQ(openFileWide(path() + L'\0' + L"x", L"rb"), nullptr);
}

TEST(TextTest, ConvertsAndComparesIndependentlyOfWcharWidth) {
    const std::u16string units = u"a\u00e9\U0001F600\xD800z";  // with a lone surrogate
    const std::wstring wide = fromUtf16(units);
    EXPECT_EQ(toUtf16(wide), units);
    EXPECT_EQ(wide.size(), sizeof(wchar_t) == 2 ? 6u : 5u);
    EXPECT_EQ(toUtf8(fromUtf16(u"\u00e9\U0001F600")), "\xC3\xA9\xF0\x9F\x98\x80");
    EXPECT_EQ(fromUtf8("\xC3\xA9\xF0\x9F\x98\x80"), fromUtf16(u"\u00e9\U0001F600"));
    EXPECT_EQ(fromUtf8("a\xC0\x80\xED\xA0\x80"), L"a\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD");  // overlong, surrogate
    EXPECT_EQ(toUtf8(fromUtf16(u"\xDC00")), "\xEF\xBF\xBD");
    EXPECT_TRUE(equalsNoCase(L"Hide Viewer", L"hide VIEWER"));
    EXPECT_FALSE(equalsNoCase(L"timer", L"timer "));
    EXPECT_EQ(trimTrailingBlanks(L" a b  "), L" a b");
    EXPECT_EQ(trimTrailingBlanks(L"   "), L"");
}
