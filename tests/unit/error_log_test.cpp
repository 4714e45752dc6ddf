#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "error_log.h"
#include "text.h"

namespace fs = std::filesystem;
using namespace std::string_literals;

namespace {

fs::path fsPath(const std::wstring& wide) {
#ifdef _WIN32
    return fs::path(wide);
#else
    return fs::path(toUtf8(wide));
#endif
}

class ErrorLogTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::random_device random;
        dir_ = fs::temp_directory_path() / (L"glimvue-errlog-" + std::to_wstring(random()) + L"-" +
                                            std::to_wstring(random()));
        fs::create_directories(dir_);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }

    std::wstring path(const std::wstring& name) const {
        return dir_.wstring() + static_cast<wchar_t>(fs::path::preferred_separator) + name;
    }
    std::string readBytes(const std::wstring& name) const {
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

TEST_F(ErrorLogTest, NewLogStartsWithMarkAndRecordsEndWithCrLf) {
    const std::wstring log = path(L"errors.log");
    ASSERT_TRUE(appendErrorLog(log, L"C:\\pics\\broken.jpg"));
    EXPECT_EQ(readBytes(L"errors.log"), "\xFF\xFE"s + asciiUtf16("C:\\pics\\broken.jpg\r\n"));

    // The same image failing again is a second record; the mark is not written again.
    ASSERT_TRUE(appendErrorLog(log, L"C:\\pics\\broken.jpg"));
    ASSERT_TRUE(appendErrorLog(log, L"D:\\a.png"));
    EXPECT_EQ(readBytes(L"errors.log"),
              "\xFF\xFE"s + asciiUtf16("C:\\pics\\broken.jpg\r\nC:\\pics\\broken.jpg\r\nD:\\a.png\r\n"));
}

TEST_F(ErrorLogTest, ExistingLogIsAppendedAsItIs) {
    {
        std::ofstream out(fsPath(path(L"errors.log")), std::ios::binary);
        out << "\xFF\xFE" << asciiUtf16("old\r\n");
    }
    ASSERT_TRUE(appendErrorLog(path(L"errors.log"), L"new"));
    EXPECT_EQ(readBytes(L"errors.log"), "\xFF\xFE"s + asciiUtf16("old\r\nnew\r\n"));
}

TEST_F(ErrorLogTest, NonAsciiPathIsWrittenAsUtf16LittleEndian) {
    // e-acute, CJK, and a character outside the basic plane (a surrogate pair in UTF-16).
    const std::wstring image = fromUtf16(u"C:\\f\u00E9\u6F22\\\U0001F600.jpg");
    // The log's own name is non-ASCII as well.
    const std::wstring logName = fromUtf16(u"l\u00F6g.log");
    ASSERT_TRUE(appendErrorLog(path(logName), image));

    const std::string bytes = readBytes(logName);
    const std::string expected = "\xFF\xFE"s + asciiUtf16("C:\\f") + "\xE9\x00"s + "\x22\x6F"s + "\\\0"s +
                                 "\x3D\xD8\x00\xDE"s + asciiUtf16(".jpg\r\n");
    EXPECT_EQ(bytes, expected);

    std::u16string units;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2)
        units += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                       static_cast<unsigned char>(bytes[i + 1]) << 8);
    EXPECT_EQ(fromUtf16(units), image + L"\r\n");
}

TEST_F(ErrorLogTest, UnopenableLogIsSkipped) {
    const std::wstring inMissingFolder =
        path(L"missing-folder") + static_cast<wchar_t>(fs::path::preferred_separator) + L"errors.log";
    EXPECT_FALSE(appendErrorLog(inMissingFolder, L"x.jpg"));
    EXPECT_FALSE(fs::exists(fsPath(path(L"missing-folder"))));
    EXPECT_FALSE(appendErrorLog(L"", L"x.jpg"));
    // A folder where the log should be is not a log either.
    fs::create_directories(fsPath(path(L"errors.log")));
    EXPECT_FALSE(appendErrorLog(path(L"errors.log"), L"x.jpg"));
}

TEST(ErrorLogChoice, ShortcutsAndPlainFilesFollowTheirOwnSwitch) {
    for (bool logerrors : {false, true}) {
        for (bool loglnkfail : {false, true}) {
            SCOPED_TRACE(::testing::Message() << "logerrors=" << logerrors << " loglnkfail=" << loglnkfail);
            EXPECT_EQ(shouldLogFailure(L"C:\\a\\photo.jpg", logerrors, loglnkfail), logerrors);
            EXPECT_EQ(shouldLogFailure(L"C:\\a\\photo.LNK", logerrors, loglnkfail), loglnkfail);
            EXPECT_EQ(shouldLogFailure(L"C:\\a\\photo.lnk", logerrors, loglnkfail), loglnkfail);
            // Only the text from the last dot counts.
            EXPECT_EQ(shouldLogFailure(L"C:\\a\\photo.lnk.jpg", logerrors, loglnkfail), logerrors);
            EXPECT_EQ(shouldLogFailure(L"C:\\a\\photo.jpg.lnk", logerrors, loglnkfail), loglnkfail);
        }
    }
}

}  // namespace
