#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "ini_file.h"
#include "text.h"

namespace fs = std::filesystem;
using namespace std::string_literals;

namespace {

// A file-system path for a wide path: byte-string systems take its UTF-8 form.
fs::path fsPath(const std::wstring& wide) {
#ifdef _WIN32
    return fs::path(wide);
#else
    return fs::path(toUtf8(wide));
#endif
}

// A fresh folder under the system temp folder, removed with everything in it afterwards.
class IniFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::random_device random;
        dir_ = fs::temp_directory_path() / (L"glimvue-ini-" + std::to_wstring(random()) + L"-" +
                                            std::to_wstring(random()));
        fs::create_directories(dir_);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }

    std::wstring path(const std::wstring& name = L"test.ini") const {
        return dir_.wstring() + static_cast<wchar_t>(fs::path::preferred_separator) + name;
    }

    void writeBytes(const std::string& bytes, const std::wstring& name = L"test.ini") const {
        std::ofstream out(fsPath(path(name)), std::ios::binary);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    std::string readBytes(const std::wstring& name = L"test.ini") const {
        std::ifstream in(fsPath(path(name)), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    fs::path dir_;
};

// ASCII text as UTF-16LE bytes, built without the code under test.
std::string asciiUtf16(const std::string& text) {
    std::string bytes;
    for (char c : text) bytes += std::string{c, '\0'};
    return bytes;
}

// A settings file in the written format: byte-order mark, then the text as UTF-16LE.
std::string utf16File(const std::wstring& text) {
    std::string bytes = "\xFF\xFE";
    for (char16_t unit : toUtf16(text)) bytes += std::string{char(unit & 0xFF), char(unit >> 8)};
    return bytes;
}

struct Targets {
    int32_t timer = 5000;
    int16_t sort = 0;
    bool slide = true;
    std::wstring folder = L"unchanged";

    SettingsTable table() {
        return {{L"timer", SettingType::Long, &timer},
                {L"sort", SettingType::Short, &sort},
                {L"slide", SettingType::Bool, &slide},
                {L"folder", SettingType::String, &folder}};
    }
};

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
    file.writeSection({{L"folder", SettingType::String, &folder},
                       {L"end", SettingType::Short, nullptr},
                       {L"after", SettingType::Short, &afterEnd}},
                      L"[Portable]");
    file.close();
    EXPECT_EQ(readBytes(), "\xFF\xFE" + asciiUtf16("[Slideshow]\r\ntimer=42\r\nslide=FALSE\r\n"
                                                   "\r\n[Portable]\r\nfolder=C:\\pics\r\n"));
}

TEST_F(IniFileTest, HeaderMatchesAsPrefixCaseSensitivelyAtFirstOccurrence) {
    writeBytes(utf16File(L"[Catalog Position]\r\ntimer=1\r\n[Tweak Transitions]\r\ntimer=2\r\n"
                         L"[catalog]\r\ntimer=3\r\n[Catalog] trailing text\r\ntimer=4\r\n[Tweak]\r\ntimer=5\r\n"
                         L"[Catalog]\r\ntimer=6\r\n"));
    IniFile file;
    ASSERT_TRUE(file.open(path(), IniFile::Read));
    Targets t;
    file.readSection(t.table(), L"[Catalog]", 260);
    EXPECT_EQ(t.timer, 4);
    file.readSection(t.table(), L"[Tweak]", 260);
    EXPECT_EQ(t.timer, 5);
    file.readSection(t.table(), L"[Catalog Position]", 260);  // sections read in any order
    EXPECT_EQ(t.timer, 1);
    t.timer = 99;
    file.readSection(t.table(), L"[Missing]", 260);
    EXPECT_EQ(t.timer, 99);
    file.readSection(t.table(), nullptr, 260);  // top of the file up to the first header: nothing
    EXPECT_EQ(t.timer, 99);
}

TEST_F(IniFileTest, LinesAreSplitIntoKeyAndValueByTheReadingRules) {
    writeBytes(utf16File(L"[S]\r\nTimer=3000\r\ntimer = 4000\r\nSORT=2\r\nslide=yes\r\n"
                         L"folder=C:\\a=b\r\nfolder=\r\n#sort=5\r\n #sort=6\r\nnothing here\r\n"
                         L"==sort==7==\r\n[T]\r\nslide=true\r\n"));
    IniFile file;
    ASSERT_TRUE(file.open(path(), IniFile::Read));
    Targets t;
    t.slide = false;
    int16_t hashSort = 0;
    SettingsTable table = t.table();
    table.push_back({L" #sort", SettingType::Short, &hashSort});
    file.readSection(table, L"[S]", 260);
    EXPECT_EQ(t.timer, 3000);        // key compared without regard to case; "timer " is another key
    EXPECT_EQ(t.sort, 7);            // runs of delimiters count as one
    EXPECT_FALSE(t.slide);           // "yes" is not a boolean
    EXPECT_EQ(t.folder, L"C:\\a");   // cut at "=", and the empty value changed nothing
    EXPECT_EQ(hashSort, 6);          // a blank before "#" makes no comment
    file.readSection(t.table(), L"[T]", 260);
    EXPECT_TRUE(t.slide);

    std::vector<std::pair<std::wstring, std::wstring>> entries;
    file.forEachEntry(L"[S]", [&](const std::wstring& k, const std::wstring& v) { entries.emplace_back(k, v); });
    ASSERT_EQ(entries.size(), 7u);
    EXPECT_EQ(entries[1], std::make_pair(std::wstring(L"timer "), std::wstring(L" 4000")));
    EXPECT_EQ(entries[5], std::make_pair(std::wstring(L" #sort"), std::wstring(L"6")));

    // Every descriptor with a matching key is filled, not only the first.
    int32_t a = 0, b = 0;
    file.readSection({{L"TIMER", SettingType::Long, &a}, {L"timer", SettingType::Long, &b}}, L"[S]", 260);
    EXPECT_EQ(a, 3000);
    EXPECT_EQ(b, 3000);
}

TEST_F(IniFileTest, EveryTypeParses) {
    int16_t i16 = 0, s16 = 0;
    int32_t l32 = 0;
    uint16_t o16 = 0, h16 = 0;
    uint32_t o32 = 0, h32 = 0;
    float f = 0;
    double d = 0;
    bool flag = false;
    std::wstring text;
    EXPECT_TRUE(parseSettingValue(L"  -12abc", SettingType::Int16, &i16, 0));
    EXPECT_EQ(i16, -12);
    EXPECT_TRUE(parseSettingValue(L"70000", SettingType::Int16, &i16, 0));
    EXPECT_EQ(i16, 4464);  // wrapped to 16 bits
    EXPECT_TRUE(parseSettingValue(L"+32767", SettingType::Short, &s16, 0));
    EXPECT_EQ(s16, 32767);
    EXPECT_TRUE(parseSettingValue(L"-2147483648", SettingType::Long, &l32, 0));
    EXPECT_EQ(l32, INT32_MIN);
    EXPECT_TRUE(parseSettingValue(L"4294967297", SettingType::Long, &l32, 0));
    EXPECT_EQ(l32, 1);
    EXPECT_TRUE(parseSettingValue(L"178", SettingType::ShortOctal, &o16, 0));
    EXPECT_EQ(o16, 15);
    EXPECT_TRUE(parseSettingValue(L"37777777777", SettingType::LongOctal, &o32, 0));
    EXPECT_EQ(o32, 0xFFFFFFFFu);
    EXPECT_TRUE(parseSettingValue(L"0xBeEf", SettingType::ShortHex, &h16, 0));
    EXPECT_EQ(h16, 0xBEEF);
    EXPECT_TRUE(parseSettingValue(L"-1", SettingType::ShortHex, &h16, 0));
    EXPECT_EQ(h16, 0xFFFF);
    EXPECT_TRUE(parseSettingValue(L"deadbeefz", SettingType::LongHex, &h32, 0));
    EXPECT_EQ(h32, 0xDEADBEEFu);
    EXPECT_TRUE(parseSettingValue(L" 1.5e3x", SettingType::Float, &f, 0));
    EXPECT_EQ(f, 1500.0f);
    EXPECT_TRUE(parseSettingValue(L"-.25", SettingType::Double, &d, 0));
    EXPECT_EQ(d, -0.25);
    EXPECT_TRUE(parseSettingValue(L"1e400", SettingType::Double, &d, 0));
    EXPECT_TRUE(std::isinf(d));
    EXPECT_TRUE(parseSettingValue(L"tRuE", SettingType::Bool, &flag, 0));
    EXPECT_TRUE(flag);
    EXPECT_TRUE(parseSettingValue(L"abcdef", SettingType::String, &text, 4));
    EXPECT_EQ(text, L"abc");
    // A surrogate pair is kept whole or not at all.
    EXPECT_TRUE(parseSettingValue(std::wstring(L"a") + fromUtf16(u"\U0001F600") + L"b", SettingType::String,
                                  &text, 3));
    EXPECT_EQ(text, L"a");

    // Text without a number, and booleans other than TRUE/FALSE, leave the target unchanged.
    for (const wchar_t* bad : {L"", L"abc", L"+", L"-", L" x1", L"."}) {
        EXPECT_FALSE(parseSettingValue(bad, SettingType::Long, &l32, 0)) << bad;
        EXPECT_FALSE(parseSettingValue(bad, SettingType::Double, &d, 0)) << bad;
    }
    EXPECT_FALSE(parseSettingValue(L"8", SettingType::ShortOctal, &o16, 0));
    EXPECT_FALSE(parseSettingValue(L"TRUE ", SettingType::Bool, &flag, 0));
    EXPECT_FALSE(parseSettingValue(L"1", SettingType::Bool, &flag, 0));
    EXPECT_EQ(l32, 1);
    EXPECT_EQ(o16, 15);
    EXPECT_TRUE(flag);
    EXPECT_TRUE(std::isinf(d));
}

TEST_F(IniFileTest, EveryTypeFormatsAndRoundTripsThroughTheFile) {
    int16_t i16 = -5, s16 = -32768;
    int32_t l32 = -2147483647 - 1;
    uint16_t o16 = 8, h16 = 0xBEEF;
    uint32_t o32 = 0xFFFFFFFFu, h32 = 0xDEADBEEFu;
    float f = 0.1f;
    double d = 1e20;
    bool flag = true;
    std::wstring text = L"x y";
    const SettingsTable table = {
        {L"i16", SettingType::Int16, &i16},      {L"s16", SettingType::Short, &s16},
        {L"l32", SettingType::Long, &l32},       {L"o16", SettingType::ShortOctal, &o16},
        {L"o32", SettingType::LongOctal, &o32},  {L"h16", SettingType::ShortHex, &h16},
        {L"h32", SettingType::LongHex, &h32},    {L"f", SettingType::Float, &f},
        {L"d", SettingType::Double, &d},         {L"flag", SettingType::Bool, &flag},
        {L"text", SettingType::String, &text}};
    const std::vector<std::wstring> expected = {L"-5", L"-32768", L"-2147483648", L"10", L"37777777777",
                                                L"beef", L"deadbeef", L"0.1", L"1e+20", L"TRUE", L"x y"};
    for (size_t i = 0; i < table.size(); ++i)
        EXPECT_EQ(formatSettingValue(table[i].type, table[i].target), expected[i]) << table[i].key;

    IniFile out;
    ASSERT_TRUE(out.open(path(), IniFile::Write));
    out.writeSection(table, L"[All]");
    out.close();
    i16 = s16 = 1, l32 = 1, o16 = h16 = 1, o32 = h32 = 1, f = 1, d = 1, flag = false, text.clear();
    IniFile in;
    ASSERT_TRUE(in.open(path(), IniFile::Read));
    in.readSection(table, L"[All]", 260);
    for (size_t i = 0; i < table.size(); ++i)
        EXPECT_EQ(formatSettingValue(table[i].type, table[i].target), expected[i]) << table[i].key;
}

TEST_F(IniFileTest, LongLinesAreReadWhole) {
    const std::wstring longPath = L"C:\\" + std::wstring(256, L'p');  // 259 characters
    {
        Targets t;
        t.folder = longPath;
        IniFile file;
        ASSERT_TRUE(file.open(path(), IniFile::Write));
        file.writeSection(t.table(), L"[S]");
    }
    Targets back;
    IniFile file;
    ASSERT_TRUE(file.open(path(), IniFile::Read));
    file.readSection(back.table(), L"[S]", 260);
    EXPECT_EQ(back.folder, longPath);
    file.close();

    // The tail of an overlong line never reads as a line of its own, and the next line is intact.
    writeBytes(utf16File(L"[S]\r\nx" + std::wstring(253, L'a') + L"timer=1\r\n" + std::wstring(4096, L'b') +
                         L"timer=2\r\nfolder=" + std::wstring(10000, L'c') + L"\r\nsort=3\r\n"));
    Targets t;
    ASSERT_TRUE(file.open(path(), IniFile::Read));
    file.readSection(t.table(), L"[S]", 260);
    EXPECT_EQ(t.timer, 5000);
    EXPECT_EQ(t.folder, std::wstring(259, L'c'));
    EXPECT_EQ(t.sort, 3);
}

TEST_F(IniFileTest, DamagedOrMissingFilesLoadWhatTheyCan) {
    Targets t;
    IniFile file;
    EXPECT_FALSE(file.open(path(L"missing.ini"), IniFile::Read));
    EXPECT_FALSE(file.isOpen());
    file.readSection(t.table(), L"[S]", 260);
    file.writeSection(t.table(), L"[S]");
    EXPECT_EQ(t.timer, 5000);
    EXPECT_FALSE(fs::exists(fsPath(path(L"missing.ini"))));

    // Odd byte count: the last lone byte is ignored.
    writeBytes(utf16File(L"[S]\r\ntimer=42\r\nsort=3") + "\x34");
    ASSERT_TRUE(file.open(path(), IniFile::Read));
    file.readSection(t.table(), L"[S]", 260);
    EXPECT_EQ(t.timer, 42);
    EXPECT_EQ(t.sort, 3);

    // Garbage with null characters and stray line feeds in front of a good section.
    std::string garbage;
    std::mt19937 random(7);
    for (int i = 0; i < 4000; ++i) garbage.push_back(static_cast<char>(random() & 0xFF));
    garbage += asciiUtf16("\n[S]\r\ntimer=77\r\nfolder=abc\0def\r\nsort=\0\r\n"s);
    writeBytes("\xFF\xFE" + garbage);
    ASSERT_TRUE(file.open(path(), IniFile::Read));
    t.sort = 11;
    file.readSection(t.table(), L"[S]", 260);
    EXPECT_EQ(t.timer, 77);
    EXPECT_EQ(t.folder, L"abc");  // a line ends at its first null character
    EXPECT_EQ(t.sort, 11);

    // The first two bytes are taken as the byte-order mark even when they are not one.
    writeBytes(asciiUtf16("[S]\r\ntimer=5\r\n"));
    ASSERT_TRUE(file.open(path(), IniFile::Read));
    file.readSection(t.table(), L"[S]", 260);
    EXPECT_EQ(t.timer, 77);
    file.readSection(t.table(), L"S]", 260);
    EXPECT_EQ(t.timer, 5);

    writeBytes("");
    ASSERT_TRUE(file.open(path(), IniFile::Read));
    file.readSection(t.table(), nullptr, 260);
    EXPECT_EQ(t.timer, 5);
}

TEST_F(IniFileTest, NonAsciiTextAndWidePathsRoundTrip) {
    const std::wstring name = L"\u00e9\u4e2d.ini";
    const std::wstring emoji = fromUtf16(u"\U0001F600");
    Targets t;
    t.folder = L"\u00e9\u4e2d" + emoji;
    {
        IniFile file;
        ASSERT_TRUE(file.open(path(name), IniFile::Write));
        file.writeSection(t.table(), L"[\u00c9t\u00e9]");
    }
    const std::string bytes = readBytes(name);
    EXPECT_NE(bytes.find(asciiUtf16("folder=") + "\xE9\x00\x2D\x4E\x3D\xD8\x00\xDE\r\0\n\0"s), std::string::npos);
    Targets back;
    IniFile file;
    ASSERT_TRUE(file.open(path(name), IniFile::Read));
    file.readSection(back.table(), L"[\u00c9t\u00e9]", 260);
    EXPECT_EQ(back.folder, t.folder);
}

TEST_F(IniFileTest, CallsOnTheWrongModeOrAClosedFileDoNothing) {
    writeBytes(utf16File(L"[S]\r\ntimer=1\r\n"));
    const std::string before = readBytes();
    Targets t;
    IniFile file;
    ASSERT_TRUE(file.open(path(), IniFile::Read));
    file.writeSection(t.table(), L"[X]");
    file.close();
    EXPECT_EQ(readBytes(), before);
    file.readSection(t.table(), L"[S]", 260);
    EXPECT_EQ(t.timer, 5000);
    EXPECT_FALSE(file.open(std::wstring(L"a\0b", 3), IniFile::Read));

    ASSERT_TRUE(file.open(path(), IniFile::Write));
    file.readSection(t.table(), L"[S]", 260);
    file.close();
    EXPECT_EQ(t.timer, 5000);
    EXPECT_EQ(readBytes(), "\xFF\xFE");
}

TEST_F(IniFileTest, PlainFileOpensByWidePath) {
    const std::wstring name = path(L"\u4e2d\u00e9.log");
    {
        PlainFile log;
        ASSERT_TRUE(log.open(name, L"wb"));
        std::fputs("one\n", log.stream());
    }
    {
        PlainFile log;
        ASSERT_TRUE(log.open(name, L"ab"));
        std::fputs("two\n", log.stream());
    }
    EXPECT_EQ(readBytes(L"\u4e2d\u00e9.log"), "one\ntwo\n");
    PlainFile missing;
    EXPECT_FALSE(missing.open(path(L"none.log"), L"rb"));
    EXPECT_EQ(missing.stream(), nullptr);
    EXPECT_EQ(openFileWide(name + std::wstring(1, L'\0') + L"x", L"rb"), nullptr);
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
