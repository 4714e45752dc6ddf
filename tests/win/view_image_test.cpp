// ViewImage on real image files, most of them written by GDI+ itself, in a private temporary folder.
#include <windows.h>

#include <objidl.h>
#include <gdiplus.h>

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "display/view_image.h"

namespace gp = Gdiplus::DllExports;

namespace {

std::string readBytes(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}
void writeBytes(const std::wstring& path, const std::string& bytes) {
    std::ofstream(path.c_str(), std::ios::binary) << bytes;
}
bool fileExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// A w x h red image written with the encoder of the given MIME type.
void writeImage(const std::wstring& path, const wchar_t* mimeType, int w, int h) {
    UINT count = 0, bytes = 0;
    gp::GdipGetImageEncodersSize(&count, &bytes);
    std::vector<long long> block(bytes / sizeof(long long) + 1);
    auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(block.data());
    gp::GdipGetImageEncoders(count, bytes, codecs);
    const Gdiplus::ImageCodecInfo* codec = codecs;
    while (codec < codecs + count && std::wcscmp(codec->MimeType, mimeType) != 0) ++codec;
    ASSERT_LT(codec, codecs + count) << "no encoder";
    Gdiplus::GpBitmap* bitmap = nullptr;
    ASSERT_EQ(gp::GdipCreateBitmapFromScan0(w, h, 0, PixelFormat24bppRGB, nullptr, &bitmap), Gdiplus::Ok);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) gp::GdipBitmapSetPixel(bitmap, x, y, 0xFFFF0000);
    EXPECT_EQ(gp::GdipSaveImageToFile(bitmap, path.c_str(), &codec->Clsid, nullptr), Gdiplus::Ok);
    gp::GdipDisposeImage(bitmap);
}

// A 2 x 1 uncompressed grey TIFF whose one IFD has every entry a single SHORT, Orientation among them.
std::string tiffWithOrientation(unsigned orientation) {
    const unsigned entries[][2] = {{256, 2}, {257, 1}, {258, 8}, {259, 1}, {262, 1}, {273, 8},
                                   {274, orientation}, {277, 1}, {278, 1}, {279, 2}};
    std::string file("II*\0\x0A\0\0\0\x80\x80", 10);  // header, IFD at 10, pixels at 8
    auto u16 = [&file](unsigned v) { file += {char(v & 0xFF), char(v >> 8)}; };
    u16(std::size(entries));
    for (const auto& [tag, value] : entries) u16(tag), u16(3), u16(1), u16(0), u16(value), u16(0);
    return file + std::string(4, '\0');
}

class ViewImageTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        Gdiplus::GdiplusStartupInput input;
        ASSERT_EQ(Gdiplus::GdiplusStartup(&token_, &input, nullptr), Gdiplus::Ok);
    }
    static void TearDownTestSuite() { Gdiplus::GdiplusShutdown(token_); }
    void SetUp() override {
        static int counter = 0;
        const std::string name = "glimvue-img-" + std::to_string(GetCurrentProcessId()) + "-";
        folder_ = std::filesystem::temp_directory_path() / (name + std::to_string(++counter));
        ASSERT_TRUE(std::filesystem::create_directory(folder_));
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    std::wstring at(const std::wstring& name) const { return (folder_ / name).wstring(); }

    static ULONG_PTR token_;
    std::filesystem::path folder_;
};
ULONG_PTR ViewImageTest::token_ = 0;

TEST_F(ViewImageTest, LoadsWrittenFormatsAndRejectsUndecodableFiles) {
    ViewImage image;
    for (const wchar_t* mime : {L"image/png", L"image/bmp", L"image/jpeg"}) {
        SCOPED_TRACE(testing::Message() << mime);
        const std::wstring path = at(L"pic." + std::wstring(mime + 6));
        writeImage(path, mime, 37, 23);
        ASSERT_TRUE(image.loadFromFile(path));
        EXPECT_EQ(image.naturalWidth(), 37);
        EXPECT_EQ(image.naturalHeight(), 23);
        EXPECT_EQ(image.bitsPerPixel(), 24);
        EXPECT_EQ(image.orientation, 1u);
    }

    // A failure replaces the image held before: nothing is shown rather than the previous picture.
    writeBytes(at(L"empty.jpg"), "");
    writeBytes(at(L"text.png"), "this is not a picture\r\n");
    for (const wchar_t* name : {L"empty.jpg", L"text.png", L"missing.bmp"}) {
        SCOPED_TRACE(testing::Message() << name);
        EXPECT_FALSE(image.loadFromFile(at(name)));
        EXPECT_FALSE(image.loaded());
        EXPECT_NE(image.lastStatus, 0);
        EXPECT_EQ(image.naturalWidth() + image.naturalHeight() + image.bitsPerPixel(), 0);
        EXPECT_FALSE(image.rotateFlip(1));
    }
}

TEST_F(ViewImageTest, ReadsOrientationWithThePropertySizeAskedOnce) {
    writeImage(at(L"plain.png"), L"image/png", 16, 8);
    writeBytes(at(L"six.tif"), tiffWithOrientation(6));
    writeBytes(at(L"three.tif"), tiffWithOrientation(3));

    ViewImage image;
    // Without the property the size stays unknown and is asked again at the next file.
    ASSERT_TRUE(image.loadFromFile(at(L"plain.png")));
    EXPECT_EQ(image.propertySize(), 0u);
    ASSERT_TRUE(image.loadFromFile(at(L"six.tif")));
    EXPECT_EQ(image.orientation, 6u);
    EXPECT_EQ(image.naturalWidth(), 2);  // the property does not turn the decoded picture
    const unsigned size = image.propertySize();
    EXPECT_GT(size, 0u);
    EXPECT_LE(size, ViewImage::kPropertyBufferSize);
    // Once known the size is kept, also past a file without the property.
    ASSERT_TRUE(image.loadFromFile(at(L"plain.png")));
    EXPECT_EQ(image.orientation, 1u);
    EXPECT_EQ(image.propertySize(), size);
    ASSERT_TRUE(image.loadFromFile(at(L"three.tif")));
    EXPECT_EQ(image.orientation, 3u);
    EXPECT_EQ(image.propertySize(), size);
}

TEST_F(ViewImageTest, RotatesAndSavesAtTheAskedSize) {
    ViewImage image;
    EXPECT_NE(image.saveScaled(at(L"none.jpg"), ViewImage::SaveJpeg, 10, 10), 0);
    EXPECT_FALSE(fileExists(at(L"none.jpg")));

    writeImage(at(L"wide.png"), L"image/png", 40, 20);
    ASSERT_TRUE(image.loadFromFile(at(L"wide.png")));
    ASSERT_TRUE(image.rotateFlip(1));  // Rotate90FlipNone
    EXPECT_EQ(image.naturalWidth(), 20);
    EXPECT_EQ(image.naturalHeight(), 40);
    EXPECT_FALSE(image.rotateFlip(8));
    EXPECT_EQ(image.naturalWidth(), 20);

    EXPECT_NE(image.saveScaled(at(L"scaled.xyz"), 2, 7, 7), 0);
    EXPECT_FALSE(fileExists(at(L"scaled.xyz")));
    const struct { const wchar_t* name; int format, w, h; const char* magic; } saves[] = {
        {L"scaled.jpg", ViewImage::SaveJpeg, 33, 17, "\xFF\xD8"}, {L"scaled.bmp", ViewImage::SaveBmp, 7, 64, "BM"}};
    for (const auto& save : saves) {
        EXPECT_EQ(image.saveScaled(at(save.name), save.format, save.w, save.h), 0);
        EXPECT_EQ(readBytes(at(save.name)).substr(0, 2), save.magic);
        ViewImage back;
        ASSERT_TRUE(back.loadFromFile(at(save.name)));
        EXPECT_EQ(back.naturalWidth(), save.w);
        EXPECT_EQ(back.naturalHeight(), save.h);
    }
}

TEST_F(ViewImageTest, DrawsIntoDeviceContextAndLoadsFromBitmapHandle) {
    writeImage(at(L"red.bmp"), L"image/bmp", 10, 10);
    ViewImage image;
    ASSERT_TRUE(image.loadFromFile(at(L"red.bmp")));
    // A white 60 x 60 DIB section in a memory DC.
    HDC dc = CreateCompatibleDC(nullptr);
    BITMAPINFO info{{sizeof(BITMAPINFOHEADER), 60, -60, 1, 32, BI_RGB}};
    void* bits = nullptr;
    HBITMAP canvas = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, canvas);
    PatBlt(dc, 0, 0, 60, 60, WHITENESS);

    image.interpolation = 7;  // high-quality bicubic
    image.drawTo(dc, 30, 30);
    image.drawAt(dc, 40, 40, 10, 10);
    EXPECT_EQ(GetPixel(dc, 15, 15), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(dc, 35, 35), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(dc, 45, 45), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(dc, 55, 5), RGB(255, 255, 255));

    // The image keeps its own copy of a bitmap handed over, and its orientation.
    const std::vector<DWORD> bluePixels(30 * 12, 0x000000FF);
    HBITMAP blue = CreateBitmap(30, 12, 1, 32, bluePixels.data());
    image.orientation = 6;
    EXPECT_TRUE(image.loadFromBitmapHandle(blue));
    DeleteObject(blue);
    EXPECT_EQ(image.naturalWidth(), 30);
    EXPECT_EQ(image.naturalHeight(), 12);
    EXPECT_EQ(image.orientation, 6u);
    image.drawTo(dc, 30, 12);
    EXPECT_EQ(GetPixel(dc, 15, 6), RGB(0, 0, 255));
    SelectObject(dc, old);
    DeleteObject(canvas);
    DeleteDC(dc);

    EXPECT_FALSE(image.loadFromBitmapHandle(nullptr));
    EXPECT_FALSE(image.loaded());
}

}  // namespace
