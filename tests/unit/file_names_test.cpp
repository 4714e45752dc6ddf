// Destination names, Save As extensions, the archive log's records and the shared-folder test for
// shell objects.
#include <gtest/gtest.h>

#include <set>
#include <tuple>
#include <string>
#include <vector>

#include "fileops/file_names.h"
#include "temp_files.h"

namespace {

TEST(FileNames, DestinationsKeepTheNameAndNeverDoubleTheSeparator) {
    EXPECT_EQ(nameOfPath(L"C:\\pics\\photo.jpg"), L"photo.jpg");
    EXPECT_EQ(nameOfPath(L"photo.jpg"), L"photo.jpg");
    EXPECT_EQ(destinationInFolder(L"D:\\archive", L"C:\\pics\\photo.jpg"), L"D:\\archive\\photo.jpg");
    EXPECT_EQ(destinationInFolder(L"D:\\", L"C:\\pics\\photo.jpg"), L"D:\\photo.jpg");
    EXPECT_EQ(destinationInFolder(L"D:\\archive\\", L"C:\\photo.jpg.lnk"), L"D:\\archive\\photo.jpg.lnk");
}

TEST(FileNames, RelativeFolderSettingsLieBesideTheProgram) {
    for (const auto& [base, path, expected] : {
             std::tuple{L"D:\\Glimvue", L"pics", L"D:\\Glimvue\\pics"}, {L"D:\\", L"..\\arch", L"D:\\..\\arch"},
             {L"D:\\Glimvue", L"\\pics", L"D:\\pics"}, {L"\\\\srv\\share\\Glimvue", L"\\pics", L"\\\\srv\\share\\pics"},
             {L"D:\\Glimvue", L"E:\\pics", L"E:\\pics"}, {L"D:\\Glimvue", L"\\\\srv\\pics", L"\\\\srv\\pics"},
             {L"D:\\Glimvue", L"E:pics", L"E:pics"}, {L"D:\\Glimvue", L"", L""}})
        EXPECT_EQ(resolveAgainst(base, path), expected) << toUtf8(path);
}

TEST(FileNames, VariantsNumberTheNameBeforeItsExtension) {
    EXPECT_EQ(numberedVariant(L"C:\\a\\photo.jpg", 1), L"C:\\a\\photo-01.jpg");
    EXPECT_EQ(numberedVariant(L"C:\\a\\photo.jpg.lnk", 2), L"C:\\a\\photo.jpg-02.lnk");
    EXPECT_EQ(numberedVariant(L"C:\\a\\notes", 99), L"C:\\a\\notes-99");
    // A dot in a folder name is not the file's extension: the variant stays in the same folder.
    EXPECT_EQ(numberedVariant(L"C:\\my.pics\\notes", 3), L"C:\\my.pics\\notes-03");
    EXPECT_EQ(numberedVariant(L"C:\\a\\.hidden", 4), L"C:\\a\\-04.hidden");
}

TEST(FileNames, UniquePathTakesTheFirstFreeVariantAndGivesUpAfterNinetyNine) {
    std::set<std::wstring> taken;
    auto exists = [&](const std::wstring& p) { return taken.count(p) != 0; };

    std::wstring path = L"D:\\a\\photo.jpg";
    EXPECT_TRUE(makeUniquePath(path, exists));
    EXPECT_EQ(path, L"D:\\a\\photo.jpg");

    taken = {L"D:\\a\\photo.jpg", L"D:\\a\\photo-01.jpg", L"D:\\a\\photo-03.jpg"};
    EXPECT_TRUE(makeUniquePath(path, exists));
    EXPECT_EQ(path, L"D:\\a\\photo-02.jpg");

    for (unsigned n = 1; n <= 99; ++n) taken.insert(numberedVariant(L"D:\\a\\photo.jpg", n));
    path = L"D:\\a\\photo.jpg";
    EXPECT_FALSE(makeUniquePath(path, exists));
    EXPECT_EQ(path, L"D:\\a\\photo-99.jpg");
    // The variants are formed from the name asked for, not from the previous variant.
    taken.erase(L"D:\\a\\photo-57.jpg");
    path = L"D:\\a\\photo.jpg";
    EXPECT_TRUE(makeUniquePath(path, exists));
    EXPECT_EQ(path, L"D:\\a\\photo-57.jpg");
}

TEST(FileNames, SaveAsAppendsTheFiltersExtensionUnlessPresent) {
    EXPECT_EQ(savePathForFilter(L"C:\\v\\view.png", kSaveFilterJpeg), L"C:\\v\\view.png.jpg");
    EXPECT_EQ(savePathForFilter(L"C:\\v\\view.JPG", kSaveFilterJpeg), L"C:\\v\\view.JPG");
    EXPECT_EQ(savePathForFilter(L"C:\\v\\view", kSaveFilterJpeg), L"C:\\v\\view.jpg");
    EXPECT_EQ(savePathForFilter(L"C:\\v\\view.jpeg", kSaveFilterJpeg), L"C:\\v\\view.jpeg.jpg");
    EXPECT_EQ(savePathForFilter(L"C:\\v\\view.Bmp", kSaveFilterBmp), L"C:\\v\\view.Bmp");
    EXPECT_EQ(savePathForFilter(L"C:\\v\\view.jpg", kSaveFilterBmp), L"C:\\v\\view.jpg.bmp");
    EXPECT_EQ(savePathForFilter(L"C:\\v\\view.jpg", 0), L"");
    EXPECT_EQ(savePathForFilter(L"C:\\v\\view.jpg", 3), L"");
}

TEST(FileNames, QuestionsAndRecordsReadAsTheUserSeesThem) {
    EXPECT_EQ(confirmationText(L"Recycle", L"C:\\p\\a b.jpg", L"?"), L"Recycle C:\\p\\a b.jpg ?");
    EXPECT_EQ(archiveLogRecord(L"C:\\p\\a.jpg", L"D:\\arch"), L"C:\\p\\a.jpg -> D:\\arch\r\n");
}

TEST(FileNames, SharedFolderOnlyForPathsOfOneRealFolder) {
    std::wstring folder = L"unchanged";
    EXPECT_FALSE(sharedFolderOf({}, folder));
    EXPECT_TRUE(sharedFolderOf({L"C:\\p\\a.jpg", L"C:\\p\\b.jpg", L"C:\\p\\c.png"}, folder));
    EXPECT_EQ(folder, L"C:\\p");
    EXPECT_TRUE(sharedFolderOf({L"C:\\a.jpg", L"C:\\b.jpg"}, folder));
    EXPECT_EQ(folder, L"C:");
    folder = L"unchanged";
    EXPECT_FALSE(sharedFolderOf({L"C:\\p\\a.jpg", L"C:\\q\\b.jpg"}, folder));
    EXPECT_FALSE(sharedFolderOf({L"C:\\p\\a.jpg", L"C:\\p\\sub\\b.jpg"}, folder));
    EXPECT_FALSE(sharedFolderOf({L"C:\\p\\a.jpg", L"C:\\P\\b.jpg"}, folder)) << "folders compare exactly";
    EXPECT_FALSE(sharedFolderOf({L"C:"}, folder));
    EXPECT_FALSE(sharedFolderOf({L"C:\\"}, folder));
    EXPECT_FALSE(sharedFolderOf({L"a.jpg"}, folder));
    EXPECT_FALSE(sharedFolderOf({L"C:\\p\\a.jpg", L"b.jpg"}, folder));
    EXPECT_EQ(folder, L"unchanged");
}

class Utf16LogTest : public TempDirTest {};

TEST_F(Utf16LogTest, StartsWithTheMarkOnceAndAppendsLittleEndianRecords) {
    const std::wstring log = path(L"archived.log");
    ASSERT_TRUE(startUtf16Log(log));
    EXPECT_EQ(readBytes(L"archived.log"), "\xFF\xFE");
    ASSERT_TRUE(startUtf16Log(log));
    EXPECT_EQ(readBytes(L"archived.log"), "\xFF\xFE") << "a started log is left as it is";

    ASSERT_TRUE(appendUtf16Log(log, archiveLogRecord(L"C:\\p\\a.jpg", L"D:\\arch")));
    const std::wstring beyondBmp = L"C:\\p\\\U0001F600\u00e9.jpg";
    ASSERT_TRUE(appendUtf16Log(log, archiveLogRecord(beyondBmp, L"D:\\arch")));
    EXPECT_EQ(readBytes(L"archived.log"),
              utf16File(u"C:\\p\\a.jpg -> D:\\arch\r\nC:\\p\\\U0001F600\u00e9.jpg -> D:\\arch\r\n"));

    // A missing log is started by its first record; an empty file gets its mark; existing text is
    // never rewritten, whatever it holds.
    ASSERT_TRUE(appendUtf16Log(path(L"fresh.log"), L"x\r\n"));
    EXPECT_EQ(readBytes(L"fresh.log"), utf16File(u"x\r\n"));
    writeBytes("", L"empty.log");
    ASSERT_TRUE(startUtf16Log(path(L"empty.log")));
    EXPECT_EQ(readBytes(L"empty.log"), "\xFF\xFE");
    writeBytes("not a log", L"other.log");
    ASSERT_TRUE(appendUtf16Log(path(L"other.log"), L"y"));
    EXPECT_EQ(readBytes(L"other.log"), "not a log" + le16(u"y"));

    // A log that cannot be opened (its folder is missing) is reported and nothing is created.
    const std::wstring inMissingFolder =
        path(L"missing") + wchar_t(std::filesystem::path::preferred_separator) + L"archived.log";
    EXPECT_FALSE(startUtf16Log(inMissingFolder));
    EXPECT_FALSE(appendUtf16Log(inMissingFolder, L"z"));
    EXPECT_FALSE(std::filesystem::exists(dir_ / "missing"));
}

}  // namespace
