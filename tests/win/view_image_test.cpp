// ViewImage on real image files written by GDI+ itself into a private temporary folder.
#include <windows.h>

#include <objidl.h>
#include <gdiplus.h>

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "display/view_image.h"

namespace gp = Gdiplus::DllExports;

namespace {

class TempFolder {
public:
    TempFolder() {
        wchar_t temp[MAX_PATH + 1] = {};
        const DWORD length = GetTempPathW(MAX_PATH, temp);
        static LONG counter = 0;
        path_ = std::wstring(temp, length) + L"glimvue-img-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                std::to_wstring(InterlockedIncrement(&counter));
        CreateDirectoryW(path_.c_str(), nullptr);
    }
    ~TempFolder() {
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW((path_ + L"\\*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do DeleteFileW((*this / found.cFileName).c_str());
            while (FindNextFileW(search, &found));
            FindClose(search);
        }
        RemoveDirectoryW(path_.c_str());
    }
    std::wstring operator/(const std::wstring& name) const { return path_ + L"\\" + name; }

private:
    std::wstring path_;
};

std::string readBytes(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}
void writeBytes(const std::wstring& path, const std::string& bytes) {
    std::ofstream out(path.c_str(), std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}
bool fileExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

CLSID encoderFor(const wchar_t* mimeType) {
    UINT count = 0, bytes = 0;
    gp::GdipGetImageEncodersSize(&count, &bytes);
    std::string block(bytes + 8, '\0');
    auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(block.data());
    gp::GdipGetImageEncoders(count, bytes, codecs);
    for (UINT i = 0; i < count; ++i)
        if (std::wcscmp(codecs[i].MimeType, mimeType) == 0) return codecs[i].Clsid;
    ADD_FAILURE() << "no encoder";
    return CLSID{};
}

// A w x h image of one colour written with the given encoder.
void writeImage(const std::wstring& path, const wchar_t* mimeType, int w, int h, Gdiplus::ARGB colour) {
    Gdiplus::GpBitmap* bitmap = nullptr;
    ASSERT_EQ(gp::GdipCreateBitmapFromScan0(w, h, 0, PixelFormat24bppRGB, nullptr, &bitmap), Gdiplus::Ok);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) gp::GdipBitmapSetPixel(bitmap, x, y, colour);
    const CLSID encoder = encoderFor(mimeType);
    EXPECT_EQ(gp::GdipSaveImageToFile(bitmap, path.c_str(), &encoder, nullptr), Gdiplus::Ok);
    gp::GdipDisposeImage(bitmap);
}

// The JPEG with an APP1 Exif segment right after SOI: little-endian TIFF header, IFD0 holding only
// Orientation (0x0112, SHORT, count 1) = `orientation`.
std::string withExifOrientation(const std::string& jpeg, unsigned char orientation) {
    const unsigned char tiff[] = {
        'I', 'I', 0x2A, 0, 8, 0, 0, 0,                    // little-endian header, IFD0 at offset 8
        1, 0,                                             // one entry
        0x12, 0x01, 3, 0, 1, 0, 0, 0, orientation, 0, 0, 0,  // tag, SHORT, count 1, value
        0, 0, 0, 0,                                       // no next IFD
    };
    const std::string payload =
        std::string("Exif\0\0", 6) + std::string(reinterpret_cast<const char*>(tiff), sizeof tiff);
    const size_t length = payload.size() + 2;
    const std::string segment = std::string("\xFF\xE1") + char(length >> 8) + char(length & 0xFF) + payload;
    return jpeg.substr(0, 2) + segment + jpeg.substr(2);
}

// An uncompressed w x h RGB TIFF (all red) whose IFD carries Orientation (SHORT) when non-zero.
std::string tiffWithOrientation(unsigned w, unsigned h, unsigned orientation) {
    auto u16 = [](unsigned v) { return std::string{char(v & 0xFF), char(v >> 8 & 0xFF)}; };
    auto u32 = [&](unsigned v) { return u16(v & 0xFFFF) + u16(v >> 16); };
    std::string pixels;
    for (unsigned i = 0; i < w * h; ++i) pixels += std::string("\xFF\0\0", 3);
    const unsigned pixelOffset = 8;
    const unsigned depthOffset = (pixelOffset + pixels.size() + 1) & ~1u;  // word-aligned
    const unsigned ifdOffset = depthOffset + 6;
    std::string entries;
    unsigned count = 0;
    auto shortEntry = [&](unsigned tag, unsigned value) {
        entries += u16(tag) + u16(3) + u32(1) + u16(value) + u16(0);
        ++count;
    };
    auto longEntry = [&](unsigned tag, unsigned type, unsigned n, unsigned value) {
        entries += u16(tag) + u16(type) + u32(n) + u32(value);
        ++count;
    };
    shortEntry(256, w);
    shortEntry(257, h);
    longEntry(258, 3, 3, depthOffset);  // BitsPerSample 8, 8, 8
    shortEntry(259, 1);                 // no compression
    shortEntry(262, 2);                 // RGB
    longEntry(273, 4, 1, pixelOffset);
    if (orientation) shortEntry(274, orientation);
    shortEntry(277, 3);
    shortEntry(278, h);
    longEntry(279, 4, 1, static_cast<unsigned>(pixels.size()));
    std::string file = "II" + u16(42) + u32(ifdOffset) + pixels;
    file.resize(depthOffset, '\0');
    return file + u16(8) + u16(8) + u16(8) + u16(count) + entries + u32(0);
}

// Wine's GDI+ (8.0) exposes no property items for JPEG files, only for TIFF and a few others.
bool underWine() { return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr; }

class ViewImageTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        Gdiplus::GdiplusStartupInput input;
        ASSERT_EQ(Gdiplus::GdiplusStartup(&token_, &input, nullptr), Gdiplus::Ok);
    }
    static void TearDownTestSuite() { Gdiplus::GdiplusShutdown(token_); }

    static ULONG_PTR token_;
    TempFolder folder_;
};
ULONG_PTR ViewImageTest::token_ = 0;

constexpr Gdiplus::ARGB kRed = 0xFFFF0000;

TEST_F(ViewImageTest, LoadsWrittenFormatsAndRejectsUndecodableFiles) {
    ViewImage image;
    EXPECT_FALSE(image.loaded());
    EXPECT_EQ(image.naturalWidth(), 0);
    EXPECT_EQ(image.bitsPerPixel(), 0);

    for (const wchar_t* mime : {L"image/png", L"image/bmp", L"image/jpeg"}) {
        const std::wstring type = mime + 6;
        SCOPED_TRACE(std::string(type.begin(), type.end()));
        const std::wstring path = folder_ / (L"pic." + type);
        writeImage(path, mime, 37, 23, kRed);
        ASSERT_TRUE(image.loadFromFile(path));
        EXPECT_TRUE(image.loaded());
        EXPECT_EQ(image.naturalWidth(), 37);
        EXPECT_EQ(image.naturalHeight(), 23);
        const int bits = image.bitsPerPixel();
        EXPECT_TRUE(bits == 24 || bits == 32) << bits;
        EXPECT_EQ(image.orientation, 1u);
    }

    // A failure replaces the image held before: nothing is shown rather than the previous picture.
    writeBytes(folder_ / L"empty.jpg", "");
    writeBytes(folder_ / L"text.png", "this is not a picture\r\n");
    for (const wchar_t* name : {L"empty.jpg", L"text.png", L"missing.bmp"}) {
        EXPECT_FALSE(image.loadFromFile(folder_ / name)) << name;
        EXPECT_FALSE(image.loaded());
        EXPECT_NE(image.lastStatus, 0);
        EXPECT_EQ(image.naturalWidth(), 0);
        EXPECT_EQ(image.naturalHeight(), 0);
        EXPECT_FALSE(image.rotateFlip(1));
    }
}

TEST_F(ViewImageTest, ReadsOrientationWithPropertySizeAskedOnce) {
    writeImage(folder_ / L"plain.jpg", L"image/jpeg", 16, 8, kRed);
    writeBytes(folder_ / L"turned.jpg", withExifOrientation(readBytes(folder_ / L"plain.jpg"), 6));
    writeBytes(folder_ / L"six.tif", tiffWithOrientation(6, 3, 6));
    writeBytes(folder_ / L"three.tif", tiffWithOrientation(6, 3, 3));

    ViewImage image;
    // Without the property the size stays unknown and is asked again at the next file.
    ASSERT_TRUE(image.loadFromFile(folder_ / L"plain.jpg"));
    EXPECT_EQ(image.orientation, 1u);
    EXPECT_EQ(image.propertySize(), 0u);

    ASSERT_TRUE(image.loadFromFile(folder_ / L"six.tif"));
    EXPECT_EQ(image.orientation, 6u);
    EXPECT_EQ(image.naturalWidth(), 6);  // the property does not turn the decoded picture
    const unsigned size = image.propertySize();
    EXPECT_GT(size, 0u);
    EXPECT_LE(size, ViewImage::kPropertyBufferSize);

    // Once known the size is kept, even for a file that has no such property.
    ASSERT_TRUE(image.loadFromFile(folder_ / L"plain.jpg"));
    EXPECT_EQ(image.orientation, 1u);
    EXPECT_EQ(image.propertySize(), size);
    ASSERT_TRUE(image.loadFromFile(folder_ / L"three.tif"));
    EXPECT_EQ(image.orientation, 3u);
    EXPECT_EQ(image.propertySize(), size);

    ASSERT_TRUE(image.loadFromFile(folder_ / L"turned.jpg"));
    EXPECT_EQ(image.naturalWidth(), 16);
    EXPECT_EQ(image.orientation, underWine() ? 1u : 6u);
}

TEST_F(ViewImageTest, RotatesAndSavesScaled) {
    writeImage(folder_ / L"wide.png", L"image/png", 40, 20, kRed);
    ViewImage image;
    EXPECT_NE(image.saveScaled(folder_ / L"none.jpg", ViewImage::SaveJpeg, 10, 10), 0);
    EXPECT_FALSE(fileExists(folder_ / L"none.jpg"));

    ASSERT_TRUE(image.loadFromFile(folder_ / L"wide.png"));
    ASSERT_TRUE(image.rotateFlip(1));  // Rotate90FlipNone
    EXPECT_EQ(image.naturalWidth(), 20);
    EXPECT_EQ(image.naturalHeight(), 40);
    EXPECT_FALSE(image.rotateFlip(8));
    EXPECT_EQ(image.naturalWidth(), 20);

    // Saved at the requested size, whatever the natural one.
    EXPECT_EQ(image.saveScaled(folder_ / L"scaled.jpg", ViewImage::SaveJpeg, 33, 17), 0);
    EXPECT_EQ(image.saveScaled(folder_ / L"scaled.bmp", ViewImage::SaveBmp, 7, 64), 0);
    EXPECT_NE(image.saveScaled(folder_ / L"scaled.xyz", 2, 7, 7), 0);
    EXPECT_FALSE(fileExists(folder_ / L"scaled.xyz"));

    ViewImage back;
    ASSERT_TRUE(back.loadFromFile(folder_ / L"scaled.jpg"));
    EXPECT_EQ(readBytes(folder_ / L"scaled.jpg").substr(0, 2), "\xFF\xD8");
    EXPECT_EQ(back.naturalWidth(), 33);
    EXPECT_EQ(back.naturalHeight(), 17);
    ASSERT_TRUE(back.loadFromFile(folder_ / L"scaled.bmp"));
    EXPECT_EQ(readBytes(folder_ / L"scaled.bmp").substr(0, 2), "BM");
    EXPECT_EQ(back.naturalWidth(), 7);
    EXPECT_EQ(back.naturalHeight(), 64);
}

// A 32-bit top-down DIB section selected into a memory DC, filled white.
struct Canvas {
    Canvas(int w, int h) : dc(CreateCompatibleDC(nullptr)) {
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB};
        void* bits = nullptr;
        bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        old = SelectObject(dc, bitmap);
        PatBlt(dc, 0, 0, w, h, WHITENESS);
    }
    ~Canvas() {
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    HDC dc;
    HBITMAP bitmap;
    HGDIOBJ old;
};

TEST_F(ViewImageTest, DrawsIntoDeviceContextAndLoadsFromBitmapHandle) {
    writeImage(folder_ / L"red.bmp", L"image/bmp", 10, 10, kRed);
    ViewImage image;
    ASSERT_TRUE(image.loadFromFile(folder_ / L"red.bmp"));
    Canvas canvas(60, 60);
    image.interpolation = 7;
    image.drawTo(canvas.dc, 30, 30);
    image.drawAt(canvas.dc, 40, 40, 10, 10);
    EXPECT_EQ(GetPixel(canvas.dc, 15, 15), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(canvas.dc, 35, 35), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(canvas.dc, 45, 45), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(canvas.dc, 55, 5), RGB(255, 255, 255));

    // A device-dependent bitmap painted blue, and the DIB section of the canvas itself.
    HDC screen = GetDC(nullptr);
    HBITMAP compatible = CreateCompatibleBitmap(screen, 30, 12);
    ReleaseDC(nullptr, screen);
    {
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(dc, compatible);
        const RECT all{0, 0, 30, 12};
        HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
        FillRect(dc, &all, blue);
        DeleteObject(blue);
        SelectObject(dc, old);
        DeleteDC(dc);
    }
    image.orientation = 6;
    ASSERT_TRUE(image.loadFromBitmapHandle(compatible));
    DeleteObject(compatible);  // the image keeps its own copy
    EXPECT_EQ(image.naturalWidth(), 30);
    EXPECT_EQ(image.naturalHeight(), 12);
    EXPECT_EQ(image.orientation, 6u);
    Canvas target(30, 12);
    image.drawTo(target.dc, 30, 12);
    EXPECT_EQ(GetPixel(target.dc, 15, 6), RGB(0, 0, 255));

    SelectObject(canvas.dc, canvas.old);  // a bitmap handed over must not be selected into a DC
    EXPECT_TRUE(image.loadFromBitmapHandle(canvas.bitmap));
    EXPECT_EQ(image.naturalWidth(), 60);
    EXPECT_EQ(image.naturalHeight(), 60);
    canvas.old = SelectObject(canvas.dc, canvas.bitmap);

    EXPECT_FALSE(image.loadFromBitmapHandle(nullptr));
    EXPECT_FALSE(image.loaded());
}

}  // namespace
