#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "ini_file.h"
#include "ini_text.h"
#include "temp_files.h"
#include "text.h"

using namespace std::string_literals;

namespace {

class IniFileTest : public TempDirTest {
protected:
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
    Targets t;
    t.folder = L"C:\\pics";
    const SettingsTable ended = {t.table()[3], {L"end", SettingType::Short, nullptr}, t.table()[0]};
    IniFile file;
    ASSERT_TRUE(file.open(path(), IniFile::Write));
    file.writeSection(t.table(), L"[Slideshow]");
    file.writeSection(ended, L"[Portable]");  // a null target ends the table
    file.close();
    EXPECT_EQ(readBytes(), utf16File(u"[Slideshow]\r\ntimer=5000\r\nsort=0\r\nslide=TRUE\r\nfolder=C:\\pics\r\n\r\n"
                                     u"[Portable]\r\nfolder=C:\\pics\r\n"));
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
    writeBytes(utf16File(u"[S]\r\nTimer=3000\r\ntimer = 4000\r\nslide=yes\r\nfolder=C:\\a=b\r\nfolder=\r\n"
                         u"#sort=5\r\n #sort=6\r\nnothing here\r\n==sort==7==\r\n[T]\r\nsort=8\r\n"));
    // As the reader sees them: keys untrimmed, no comment, no line without a value, the value cut at
    // "=", runs of delimiters taken as one; a blank before "#" makes no comment.
    std::vector<std::wstring> entries;
    IniFile file;
    ASSERT_TRUE(file.open(path(), IniFile::Read));
    file.forEachEntry(L"[S]", [&](const std::wstring& k, const std::wstring& v) { entries.push_back(k + L"|" + v); });
    EXPECT_EQ(entries, (std::vector<std::wstring>{L"Timer|3000", L"timer | 4000", L"slide|yes", L"folder|C:\\a",
                                                  L" #sort|6", L"sort|7"}));
    int32_t lower = 0, upper = 0;  // every descriptor with a matching key is filled, not only the first
    read({{L"timer", SettingType::Long, &lower}, {L"TIMER", SettingType::Long, &upper}}, L"[S]");
    EXPECT_EQ(lower, 3000);  // key compared without regard to case; "timer " is another key
    EXPECT_EQ(upper, 3000);
}

TEST(IniValues, EveryTypeParsesLikeScanfFormatsLikePrintfAndBadTextChangesNothing) {
    using T = SettingType;
    const std::wstring emoji = fromUtf16(u"\U0001F600");
    const std::tuple<T, std::wstring, std::wstring> cases[] = {
        {T::Int16, L"  -12abc", L"-12"},        {T::Int16, L"70000", L"32767"},  // stops at the limit
        {T::Short, L"-99999", L"-32768"},       {T::Long, L"-99999999999999999999999", L"-2147483648"},
        {T::LongOctal, L"77777777777", L"37777777777"}, {T::ShortOctal, L"178", L"17"},
        {T::ShortHex, L"0xBeEf", L"beef"},      {T::LongHex, L"deadbeefz", L"deadbeef"},
        {T::Float, L" 1.5e3x", L"1500"},        {T::Double, L"-1e400", L"-inf"},
        {T::Bool, L"tRuE", L"TRUE"},            {T::Bool, L"TRUE ", L"-"},
    };
    for (const auto& [type, text, expected] : cases)
        EXPECT_EQ(reparse(type, text), expected) << toUtf8(text);
    for (const wchar_t* bad : {L"", L"+", L" x1", L"."}) {
        EXPECT_EQ(reparse(T::Long, bad), L"-") << toUtf8(bad);
        EXPECT_EQ(reparse(T::Double, bad), L"-") << toUtf8(bad);
    }
    // Strings keep maxChars - 1 characters; a surrogate pair is kept whole or not at all.
    EXPECT_EQ(reparse(T::String, L"abcdef", 4), L"abc");
    EXPECT_EQ(reparse(T::String, L"a" + emoji + L"b", 3), L"a");
    EXPECT_EQ(reparse(T::String, L"a" + emoji + L"b", 4), L"a" + emoji);
}

TEST_F(IniFileTest, LongLinesAreReadWhole) {
    // A 259-unit path with text beyond ASCII, under a wide header in a file of a wide name.
    const std::wstring name = L"\u00e9\u4e2d.ini", header = L"[\u00c9t\u00e9]";
    Targets t, back;
    t.folder = L"C:\\" + std::wstring(252, L'p') + L"\u00e9\u4e2d" + fromUtf16(u"\U0001F600");
    IniFile file;
    ASSERT_TRUE(file.open(path(name), IniFile::Write));
    file.writeSection(t.table(), header.c_str());
    file.close();
    EXPECT_NE(readBytes(name).find("p\0\xE9\0\x2D\x4E\x3D\xD8\x00\xDE\r\0\n\0"s), std::string::npos);
    read(back.table(), header.c_str(), name);
    EXPECT_EQ(back.folder, t.folder);

    // The tail of an overlong line never reads as a line of its own, and the next line is intact.
    writeBytes(utf16File(u"[S]\r\nx" + std::u16string(253, u'a') + u"timer=1\r\n" + std::u16string(4096, u'b') +
                         u"timer=2\r\nfolder=" + std::u16string(10000, u'c') + u"\r\nsort=3\r\n"));
    read(back.table(), L"[S]");
    EXPECT_EQ(back.timer, 5000);
    EXPECT_EQ(back.folder, std::wstring(259, L'c'));
    EXPECT_EQ(back.sort, 3);
}

TEST_F(IniFileTest, DamagedFilesLoadWhatTheyCan) {
    // Garbage with null characters and stray line feeds in front of a good section; its last line has
    // no line end and is followed by a lone byte.
    std::string garbage = "\xFF\xFE";
    std::mt19937 random(7);
    for (int i = 0; i < 4000; ++i) garbage.push_back(static_cast<char>(random() & 0xFF));
    writeBytes(garbage + le16(u"\n[S]\r\ntimer=77\r\nfolder=abc\0def\r\nsort=3"s) + "\x34");
    Targets t;
    read(t.table(), L"[S]");
    EXPECT_EQ(t.timer, 77);
    EXPECT_EQ(t.folder, L"abc");  // a line ends at its first null character
    EXPECT_EQ(t.sort, 3);

    writeBytes(le16(u"[S]\r\ntimer=5\r\n"));  // UTF-16 without a byte-order mark is read from its start
    read(t.table(), L"[S]");
    EXPECT_EQ(t.timer, 5);
}

TEST_F(IniFileTest, ClosedFileCallsDoNothingAndPathsWithNullsDoNotOpen) {
    Targets t;
    IniFile file;
    EXPECT_FALSE(file.open(path(L"missing.ini"), IniFile::Read));
    file.readSection(t.table(), L"[S]", 260);
    file.writeSection(t.table(), L"[S]");
    EXPECT_FALSE(std::filesystem::exists(fsPath(path(L"missing.ini"))));
    EXPECT_FALSE(file.open(path() + L'\0' + L"x", IniFile::Write));
    EXPECT_EQ(openFileWide(path() + L'\0' + L"x", L"wb"), nullptr);
    EXPECT_FALSE(std::filesystem::exists(fsPath(path())));
}

TEST(IniText, BytesDecideHowAFileIsRead) {
    using E = IniTextEncoding;
    const std::tuple<std::string, E, size_t> cases[] = {
        {"", E::Utf8, 0},
        {"\xEF\xBB\xBF[S]", E::Utf8, 3},
        {"[S]\r\nfolder=C:\\\xC3\xA9t\xC3\xA9\\\xE4\xB8\xAD\xF0\x9F\x98\x80\r\n", E::Utf8, 0},
        {"\xFF\xFE", E::Utf16LE, 2},
        {"\xFF\xFE\x00\xD8\xFF\xFF\x00"s, E::Utf16LE, 2},  // whatever follows the mark
        {"\xFE\xFF\x00["s, E::Utf16BE, 2},
        {"[\0S\0"s, E::Utf16LE, 0},
        {"\0[\0S"s, E::Utf16BE, 0},
        // Not text: code-page bytes that are no UTF-8, broken, overlong or surrogate sequences, a
        // sequence cut off at the end, null bytes, a zero-filled file, binary data.
        {"folder=C:\\\xE9t\xE9", E::Unreadable, 0},
        {"\xEF\xBB\xBF" "folder=\xE9", E::Unreadable, 0},
        {"a\xC0\xAF", E::Unreadable, 0},
        {"a\xED\xA0\x80", E::Unreadable, 0},
        {"a\xE4\xB8", E::Unreadable, 0},
        {"[S]\r\ntimer=1\0\r\n"s, E::Unreadable, 0},
        {std::string(4096, '\0'), E::Unreadable, 0},
        {"\x89PNG\r\n\x1A\n\0\0\0\rIHDR"s, E::Unreadable, 0},
    };
    for (const auto& [bytes, encoding, start] : cases) {
        const IniTextFormat format = detectIniText(bytes);
        EXPECT_EQ(format.encoding, encoding) << testing::PrintToString(bytes);
        EXPECT_EQ(format.start, start) << testing::PrintToString(bytes);
    }
    // Fed in pieces, a sequence split between them is judged whole.
    IniTextSniffer pieces;
    const std::string text = "a=\xF0\x9F\x98\x80\xE4\xB8\xAD";
    for (char c : text) pieces.feed(reinterpret_cast<const unsigned char*>(&c), 1);
    EXPECT_EQ(pieces.result().encoding, E::Utf8);
}

TEST_F(IniFileTest, EveryTextEncodingReadsTheSameAndWritingStaysUtf16) {
    const std::u16string text = u"[\u00c9t\u00e9]\r\ntimer=3000\nfolder=C:\\Bilder\\\u00e9t\u00e9 \u4e2d\U0001F600\r\n";
    std::u16string swapped;
    for (char16_t u : text) swapped += char16_t((u >> 8) | (u << 8));
    const std::string utf8 = toUtf8(fromUtf16(text));
    const std::pair<std::string, IniTextEncoding> files[] = {
        {utf16File(text), IniTextEncoding::Utf16LE},
        {le16(text), IniTextEncoding::Utf16LE},
        {"\xFE\xFF" + le16(swapped), IniTextEncoding::Utf16BE},
        {"\xEF\xBB\xBF" + utf8, IniTextEncoding::Utf8},
        {utf8, IniTextEncoding::Utf8},
    };
    for (const auto& [bytes, encoding] : files) {
        writeBytes(bytes);
        Targets t;
        IniFile file;
        ASSERT_TRUE(file.open(path(), IniFile::Read));
        EXPECT_EQ(file.encoding(), encoding);
        file.readSection(t.table(), L"[\u00c9t\u00e9]", 260);
        EXPECT_EQ(t.timer, 3000) << testing::PrintToString(bytes);
        EXPECT_EQ(t.folder, L"C:\\Bilder\\\u00e9t\u00e9 \u4e2d" + fromUtf16(u"\U0001F600"));
        file.close();

        ASSERT_TRUE(file.open(path(), IniFile::Write));
        file.writeSection(t.table(), L"[S]");
        file.close();
        EXPECT_EQ(readBytes().substr(0, 8), utf16File(u"[S]"));
    }

    // A UTF-8 line longer than a line may be keeps its first characters, like a UTF-16 one.
    writeBytes("[S]\nfolder=" + std::string(3000, 'x') + toUtf8(std::wstring(3000, L'\u00e9')) + "\ntimer=9\n");
    Targets t;
    read(t.table(), L"[S]");
    EXPECT_EQ(t.folder, std::wstring(259, L'x'));
    EXPECT_EQ(t.timer, 9);
}

TEST_F(IniFileTest, FileThatIsNotTextIsNotReadAndIsKeptBeforeItIsReplaced) {
    writeBytes("\x89PNG\r\n\x1A\n" + std::string(100, '\0') + "timer=1\r\n");
    IniFile file;
    EXPECT_FALSE(file.open(path(), IniFile::Read));
    EXPECT_EQ(checkBeforeOverwrite(path()), BeforeOverwrite::KeepFirst);
    writeBytes("timer=\xE9\xE9\r\n");
    EXPECT_EQ(checkBeforeOverwrite(path()), BeforeOverwrite::KeepFirst);
    // A readable file or none needs no copy.
    writeBytes("\xEF\xBB\xBFtimer=1\r\n");
    EXPECT_EQ(checkBeforeOverwrite(path()), BeforeOverwrite::Free);
    EXPECT_EQ(checkBeforeOverwrite(path(L"missing.ini")), BeforeOverwrite::Free);
}
