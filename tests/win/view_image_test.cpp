// ViewImage on real image files, most of them written by GDI+ itself, in a private temporary folder.
#include <windows.h>

#include <objidl.h>
#include <gdiplus.h>

#include <gtest/gtest.h>

#include "win/imaging_fixture.h"

#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

#include "display/view_image.h"

namespace gp = Gdiplus::DllExports;

namespace {

using wintest::loadPicture;
using wintest::readFile;
using wintest::writeFile;

// GDI+ encoders, known by class ids that differ only in their first field.
enum Encoder : unsigned long { Bmp = 0x557CF400, Jpeg = 0x557CF401, Png = 0x557CF406 };

// A w x h red image written by the encoder.
void writeImage(const std::wstring& path, Encoder encoder, int w, int h) {
    const CLSID clsid{encoder, 0x1A04, 0x11D3, {0x9A, 0x73, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};
    Gdiplus::GpBitmap* bitmap = nullptr;
    ASSERT_EQ(gp::GdipCreateBitmapFromScan0(w, h, 0, PixelFormat24bppRGB, nullptr, &bitmap), Gdiplus::Ok);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) gp::GdipBitmapSetPixel(bitmap, x, y, 0xFFFF0000);
    EXPECT_EQ(gp::GdipSaveImageToFile(bitmap, path.c_str(), &clsid, nullptr), Gdiplus::Ok);
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

struct ViewImageTestTag {
    static constexpr const char* name = "img";
};
// One folder for the suite; every test uses file names of its own.
class ViewImageTest : public ImagingFolderTest<ViewImageTestTag> {};

TEST_F(ViewImageTest, LoadsWrittenFormatsAndRejectsWhatDoesNotDecode) {
    ViewImage image;
    for (const auto& [encoder, name] : {std::pair{Png, L"pic.png"}, {Bmp, L"pic.bmp"}, {Jpeg, L"pic.jpg"}}) {
        writeImage(at(name), encoder, 37, 23);
        ASSERT_TRUE(loadPicture(image, at(name))) << name;
        EXPECT_EQ(image.naturalWidth(), 37);
        EXPECT_EQ(image.naturalHeight(), 23);
        EXPECT_EQ(image.bitsPerPixel(), 24);
        EXPECT_EQ(image.orientation, 1u);
    }
    EXPECT_FALSE(image.loadFromBitmapHandle(nullptr));
    EXPECT_FALSE(image.loaded());
    // A failure replaces the image held before: nothing is shown rather than the previous picture.
    writeFile(at(L"empty.jpg"), "");
    writeFile(at(L"text.png"), "this is not a picture\r\n");
    for (const wchar_t* name : {L"empty.jpg", L"text.png", L"missing.bmp"}) {
        ASSERT_TRUE(loadPicture(image, at(L"pic.png")));
        EXPECT_FALSE(loadPicture(image, at(name))) << name;
        EXPECT_FALSE(image.loaded());
        EXPECT_EQ(image.naturalWidth(), 0);
        EXPECT_EQ(image.naturalHeight(), 0);
        EXPECT_EQ(image.bitsPerPixel(), 0);
        EXPECT_FALSE(image.rotateFlip(1));
    }
}

TEST_F(ViewImageTest, TakesTheFilesOrientationWithoutTurningThePicture) {
    writeImage(at(L"plain.png"), Png, 16, 8);
    writeFile(at(L"six.tif"), tiffWithOrientation(6));
    writeFile(at(L"three.tif"), tiffWithOrientation(3));
    ViewImage image;
    for (const auto& [name, orientation] : {std::pair{L"six.tif", 6u}, {L"plain.png", 1u}, {L"three.tif", 3u}}) {
        ASSERT_TRUE(loadPicture(image, at(name))) << name;
        EXPECT_EQ(image.orientation, orientation) << name;
    }
    EXPECT_EQ(image.naturalWidth(), 2);  // the orientation does not turn the decoded picture
}

TEST_F(ViewImageTest, RotatesDrawsAndSavesAtTheAskedSize) {
    ViewImage image;
    EXPECT_NE(image.saveScaled(at(L"none.jpg"), ViewImage::SaveJpeg, 10, 10), 0);
    EXPECT_FALSE(std::filesystem::exists(at(L"none.jpg")));

    writeImage(at(L"wide.png"), Png, 40, 20);
    ASSERT_TRUE(loadPicture(image, at(L"wide.png")));
    ASSERT_TRUE(image.rotateFlip(1));  // Rotate90FlipNone
    EXPECT_EQ(image.naturalWidth(), 20);
    EXPECT_EQ(image.naturalHeight(), 40);
    EXPECT_FALSE(image.rotateFlip(8));
    EXPECT_EQ(image.naturalWidth(), 20);

    HDC dc = CreateCompatibleDC(nullptr);  // a white 60 x 60 DIB section
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
    SelectObject(dc, old);
    DeleteObject(canvas);
    DeleteDC(dc);

    EXPECT_NE(image.saveScaled(at(L"scaled.xyz"), 2, 7, 7), 0);
    EXPECT_FALSE(std::filesystem::exists(at(L"scaled.xyz")));
    const struct { const wchar_t* name; int format, w, h; const char* magic; } saves[] = {
        {L"scaled.jpg", ViewImage::SaveJpeg, 33, 17, "\xFF\xD8"}, {L"scaled.bmp", ViewImage::SaveBmp, 7, 64, "BM"}};
    for (const auto& save : saves) {
        EXPECT_EQ(image.saveScaled(at(save.name), save.format, save.w, save.h), 0);
        EXPECT_EQ(readFile(at(save.name)).substr(0, 2), save.magic);
        ViewImage back;
        ASSERT_TRUE(loadPicture(back, at(save.name)));
        EXPECT_EQ(back.naturalWidth(), save.w);
        EXPECT_EQ(back.naturalHeight(), save.h);
    }
}

// A picture held reduced keeps its natural size through every turn, and comes back whole turned
// exactly as the held one was; from a file changed since it was read it does not come back at all.
TEST_F(ViewImageTest, ReducedPictureComesBackWholeAsTurned) {
    const std::wstring path = at(L"pattern.png");
    // The image drawn at w x h into a 32-bit DIB section.
    auto pixels = [](const ViewImage& image, int w, int h) {
        HDC dc = CreateCompatibleDC(nullptr);
        BITMAPINFO info{{sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB}};
        void* bits = nullptr;
        HBITMAP canvas = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        HGDIOBJ old = SelectObject(dc, canvas);
        image.drawTo(dc, w, h);
        GdiFlush();
        std::vector<std::uint32_t> out(static_cast<const std::uint32_t*>(bits), static_cast<const std::uint32_t*>(bits) + w * h);
        SelectObject(dc, old);
        DeleteObject(canvas);
        DeleteDC(dc);
        return out;
    };
    ASSERT_TRUE(wintest::writePatternImage(path, 90, 60));
    // Shown in a 30 x 20 area, squeezed: held at that size; in a 90 x 30 area it is not smaller both ways.
    ShownSizeRule shown;
    shown.reduce = true;
    shown.area = {90, 30};
    shown.fit = {false, true, false};
    ViewImage whole, held;
    ASSERT_TRUE(loadPicture(whole, path));
    ASSERT_TRUE(loadPicture(held, path, shown));
    EXPECT_FALSE(held.reduced());
    shown.area = {30, 20};
    ASSERT_TRUE(loadPicture(held, path, shown));
    EXPECT_EQ(held.heldWidth(), 30);
    EXPECT_EQ(held.naturalWidth(), 90);
    EXPECT_EQ(held.bitsPerPixel(), 24);

    // Quarter turns and mirrors in a mixed order, the mirror in the middle reversing the later turn.
    for (const int turn : {1, 4, 3, 6, 5}) {
        ASSERT_TRUE(whole.rotateFlip(turn));
        ASSERT_TRUE(held.rotateFlip(turn));
        EXPECT_EQ(held.naturalWidth(), whole.naturalWidth());
        EXPECT_EQ(held.naturalHeight(), whole.naturalHeight());
    }
    ASSERT_EQ(held.naturalWidth(), 60);
    EXPECT_EQ(held.heldWidth(), 20);
    EXPECT_EQ(held.restoreFullPixels(wintest::testDecoder()), ViewImage::Restore::Done);
    EXPECT_FALSE(held.reduced());
    EXPECT_EQ(pixels(held, 60, 90), pixels(whole, 60, 90));

    ASSERT_TRUE(loadPicture(held, path, shown));
    ASSERT_TRUE(wintest::writePatternImage(path, 91, 60));
    EXPECT_EQ(held.restoreFullPixels(wintest::testDecoder()), ViewImage::Restore::Changed);
    EXPECT_TRUE(held.reduced());
    EXPECT_EQ(held.naturalWidth(), 90);
}

}  // namespace
