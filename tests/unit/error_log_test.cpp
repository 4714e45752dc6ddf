#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "error_log.h"
#include "temp_files.h"

using namespace std::string_literals;

namespace {

class ErrorLogTest : public TempDirTest {};

TEST_F(ErrorLogTest, NewLogStartsWithMarkAndRecordsEndWithCrLf) {
    const std::wstring log = path(L"errors.log");
    ASSERT_TRUE(appendErrorLog(log, L"C:\\pics\\broken.jpg"));
    EXPECT_EQ(readBytes(L"errors.log"), utf16File(u"C:\\pics\\broken.jpg\r\n"));
    // A second failure is a second record; the mark is not written again.
    ASSERT_TRUE(appendErrorLog(log, L"C:\\pics\\broken.jpg"));
    EXPECT_EQ(readBytes(L"errors.log"), utf16File(u"C:\\pics\\broken.jpg\r\nC:\\pics\\broken.jpg\r\n"));

    // An existing log is appended as it is.
    writeBytes(utf16File(u"old\r\n"), L"old.log");
    ASSERT_TRUE(appendErrorLog(path(L"old.log"), L"new"));
    EXPECT_EQ(readBytes(L"old.log"), utf16File(u"old\r\nnew\r\n"));
}

TEST_F(ErrorLogTest, NonAsciiPathIsWrittenAsUtf16LittleEndian) {
    // e-acute, CJK and a character outside the basic plane, in a log with a non-ASCII name.
    const std::wstring logName = fromUtf16(u"l\u00F6g.log");
    ASSERT_TRUE(appendErrorLog(path(logName), fromUtf16(u"C:\\f\u00E9\u6F22\\\U0001F600.jpg")));
    EXPECT_EQ(readBytes(logName), "\xFF\xFE" + le16(u"C:\\f") + "\xE9\x00\x22\x6F\\\0\x3D\xD8\x00\xDE"s +
                                      le16(u".jpg\r\n"));
}

TEST_F(ErrorLogTest, UnopenableLogIsSkipped) {
    const wchar_t separator = std::filesystem::path::preferred_separator;
    EXPECT_FALSE(appendErrorLog(path(L"missing-folder") + separator + L"errors.log", L"x.jpg"));
    EXPECT_FALSE(std::filesystem::exists(fsPath(path(L"missing-folder"))));
    EXPECT_FALSE(appendErrorLog(L"", L"x.jpg"));
    std::filesystem::create_directories(fsPath(path(L"errors.log")));  // a folder is no log either
    EXPECT_FALSE(appendErrorLog(path(L"errors.log"), L"x.jpg"));
}

TEST(ErrorLogChoice, ShortcutsAndPlainFilesFollowTheirOwnSwitch) {
    for (bool logerrors : {false, true})
        for (bool loglnkfail : {false, true}) {
            SCOPED_TRACE(::testing::Message() << "logerrors=" << logerrors << " loglnkfail=" << loglnkfail);
            // Only the text from the last dot counts, in any case.
            for (const wchar_t* plain : {L"C:\\a\\photo.jpg", L"C:\\a\\photo.lnk.jpg"})
                EXPECT_EQ(shouldLogFailure(plain, logerrors, loglnkfail), logerrors);
            for (const wchar_t* link : {L"C:\\a\\photo.LNK", L"C:\\a\\photo.jpg.lnk"})
                EXPECT_EQ(shouldLogFailure(link, logerrors, loglnkfail), loglnkfail);
        }
}

}  // namespace
