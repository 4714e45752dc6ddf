// The Catalog's thumbnail decode on real files: fitted size and offsets, shortcuts decoded through
// their target, files that do not decode, and last-access times left as they were.
#include <windows.h>

#include <objidl.h>
#include <gdiplus.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "catalog/catalog.h"
#include "win/imaging_fixture.h"
#include "fileops/shortcut_file.h"

namespace gp = Gdiplus::DllExports;

namespace {

class CatalogThumbnailTest : public ::testing::Test {
protected:
    void SetUp() override {
        Gdiplus::GdiplusStartupInput input;
        ASSERT_EQ(Gdiplus::GdiplusStartup(&token_, &input, nullptr), Gdiplus::Ok);
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        folder_ = std::wstring(temp) + L"catalog-thumb-" + std::to_wstring(GetCurrentProcessId());
        std::filesystem::create_directories(folder_);
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
        Gdiplus::GdiplusShutdown(token_);
    }
    std::wstring file(const std::wstring& name) const { return folder_ + L"\\" + name; }

    // A w x h BMP of one colour (0xAARRGGBB).
    void writeBmp(const std::wstring& path, int w, int h, unsigned colour) {
        const CLSID bmp{0x557CF400, 0x1A04, 0x11D3, {0x9A, 0x73, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};
        Gdiplus::GpBitmap* bitmap = nullptr;
        ASSERT_EQ(gp::GdipCreateBitmapFromScan0(w, h, 0, PixelFormat24bppRGB, nullptr, &bitmap), Gdiplus::Ok);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) gp::GdipBitmapSetPixel(bitmap, x, y, colour);
        ASSERT_EQ(gp::GdipSaveImageToFile(bitmap, path.c_str(), &bmp, nullptr), Gdiplus::Ok);
        gp::GdipDisposeImage(bitmap);
    }

    static COLORREF pixel(const FinishedThumbnail& thumb, int x, int y) {
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(dc, thumb.bitmap.get());
        const COLORREF colour = GetPixel(dc, x, y);
        SelectObject(dc, old);
        DeleteDC(dc);
        return colour;
    }

    static ThumbnailJob job(const std::wstring& path, int cell = 100) {
        ThumbnailJob j;
        j.path = path;
        j.cell = cell;
        return j;
    }

    ULONG_PTR token_ = 0;
    std::wstring folder_;
};

FILETIME lastAccess(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
    return data.ftLastAccessTime;
}

}  // namespace

TEST_F(CatalogThumbnailTest, PicturesAreFittedIntoTheCellAndDrawn) {
    writeBmp(file(L"wide.bmp"), 400, 200, 0xFFFF0000);
    writeBmp(file(L"small.bmp"), 60, 40, 0xFF0000FF);
    FinishedThumbnail wide = decodeThumbnail(wintest::testDecoder(), job(file(L"wide.bmp")));
    ASSERT_TRUE(wide.bitmap);
    EXPECT_EQ(wide.box.width, 100);
    EXPECT_EQ(wide.box.height, 50);
    EXPECT_EQ(wide.box.offsetY, 25);
    EXPECT_EQ(pixel(wide, 50, 25), RGB(255, 0, 0));
    BITMAP info{};
    GetObjectW(wide.bitmap.get(), sizeof(info), &info);
    EXPECT_EQ(info.bmWidth, 100);
    EXPECT_EQ(info.bmHeight, 50);

    FinishedThumbnail small = decodeThumbnail(wintest::testDecoder(), job(file(L"small.bmp")));
    ASSERT_TRUE(small.bitmap);
    EXPECT_EQ(small.box.width, 60);
    EXPECT_EQ(small.box.height, 40);
    EXPECT_EQ(small.box.offsetX, 20);
    EXPECT_EQ(small.box.offsetY, 30);
    EXPECT_EQ(pixel(small, 59, 39), RGB(0, 0, 255));

    // A shortcut shows its target; a file that does not decode and a missing one give nothing.
    ShortcutFile link;
    ASSERT_TRUE(link.open());
    ASSERT_TRUE(link.create(file(L"small.bmp"), file(L"small.bmp.lnk")));
    link.close();
    FinishedThumbnail linked = decodeThumbnail(wintest::testDecoder(), job(file(L"small.bmp.lnk")));
    ASSERT_TRUE(linked.bitmap);
    EXPECT_EQ(linked.box.width, 60);
    HANDLE broken = CreateFileW(file(L"broken.jpg").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(broken, "not a picture", 13, &written, nullptr);
    CloseHandle(broken);
    EXPECT_FALSE(decodeThumbnail(wintest::testDecoder(), job(file(L"broken.jpg"))).bitmap);
    EXPECT_FALSE(decodeThumbnail(wintest::testDecoder(), job(file(L"missing.bmp"))).bitmap);
}

TEST_F(CatalogThumbnailTest, DecodingLeavesTheLastAccessTimeAsItWas) {
    writeBmp(file(L"old.bmp"), 30, 30, 0xFF00FF00);
    SYSTEMTIME old{2003, 4, 0, 5, 6, 7, 8, 0};
    FILETIME oldTime{};
    SystemTimeToFileTime(&old, &oldTime);
    HANDLE handle = CreateFileW(file(L"old.bmp").c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(SetFileTime(handle, nullptr, &oldTime, nullptr));
    CloseHandle(handle);
    // Read-only files too: only the attributes are written.
    SetFileAttributesW(file(L"old.bmp").c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_TRUE(decodeThumbnail(wintest::testDecoder(), job(file(L"old.bmp"))).bitmap);
    const FILETIME after = lastAccess(file(L"old.bmp"));
    EXPECT_EQ(CompareFileTime(&after, &oldTime), 0);
    SetFileAttributesW(file(L"old.bmp").c_str(), FILE_ATTRIBUTE_NORMAL);
}

// A closed Catalog's thumbnails come back to the next one while their files are unchanged; the
// least recently kept go first when the cache is full.
TEST_F(CatalogThumbnailTest, KeptThumbnailsComeBackUntilTheirFileChanges) {
    for (const wchar_t* name : {L"k1.bmp", L"k2.bmp", L"k3.bmp"}) writeBmp(file(name), 50, 50, 0xFF0000FF);
    ThumbnailCache cache(2 * 50 * 50 * 4);  // room for two
    FinishedThumbnail back;
    EXPECT_FALSE(cache.take(job(file(L"k1.bmp")), back));
    FinishedThumbnail first = decodeThumbnail(wintest::testDecoder(), job(file(L"k1.bmp")));
    const HBITMAP bitmap = first.bitmap.get();
    cache.keep(std::move(first));
    ThumbnailJob again = job(file(L"k1.bmp"));
    again.index = 7;
    EXPECT_FALSE(cache.take(job(file(L"k1.bmp"), 60), back)) << "another cell size";
    ASSERT_TRUE(cache.take(again, back));
    EXPECT_EQ(back.bitmap.get(), bitmap) << "the same pixels, not a new decode";
    EXPECT_EQ(back.job.index, 7u);
    EXPECT_EQ(cache.size(), 0u) << "taken, not copied";

    // Full: the least recently kept goes.
    cache.keep(std::move(back));
    cache.keep(decodeThumbnail(wintest::testDecoder(), job(file(L"k2.bmp"))));
    cache.keep(decodeThumbnail(wintest::testDecoder(), job(file(L"k3.bmp"))));
    EXPECT_EQ(cache.size(), 2u);
    EXPECT_FALSE(cache.take(job(file(L"k1.bmp")), back));
    // A file changed since it was decoded is decoded again.
    writeBmp(file(L"k2.bmp"), 60, 50, 0xFF0000FF);
    EXPECT_FALSE(cache.take(job(file(L"k2.bmp")), back));
    EXPECT_TRUE(cache.take(job(file(L"k3.bmp")), back));
}
