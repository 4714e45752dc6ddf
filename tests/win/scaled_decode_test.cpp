// The header probe on real files, and decoding JPEGs at a reduced scale, in a private temporary folder.
#include <windows.h>

#include <objidl.h>
#include <gdiplus.h>

#include <gtest/gtest.h>

#include "win/imaging_fixture.h"

#include <cstdlib>
#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

#include "decoding/checked_stream.h"
#include "decoding/image_file_probe.h"
#include "decoding/scaled_decode.h"

namespace gp = Gdiplus::DllExports;
using Gdiplus::ARGB;

namespace {

void writeBytes(const std::wstring& path, const std::string& bytes) { ASSERT_TRUE(wintest::writeFile(path, bytes)); }

// The JPEG decoded at a reduced scale from the file's bytes, as the decoder process does.
bool decodeFileScaled(const std::wstring& path, int shownWidth, int shownHeight, ScaledJpeg& out) {
    const std::string bytes = wintest::readFile(path);
    const ComPtr<IStream> stream(createCheckedStream(std::make_shared<std::vector<std::uint8_t>>(bytes.begin(), bytes.end())));
    return decodeJpegScaled(stream.get(), shownWidth, shownHeight, out);
}

// GDI+ encoders, known by class ids that differ only in their first field.
enum Encoder : unsigned long { Bmp = 0x557CF400, Jpeg = 0x557CF401, Tiff = 0x557CF405, Png = 0x557CF406 };

// Colours of the four quadrants of the test pictures: top-left, top-right, bottom-left, bottom-right.
constexpr ARGB kQuadrants[4] = {0xFFE02020, 0xFF20C020, 0xFF2040E0, 0xFFF0F0F0};
ARGB quadrantColour(int x, int y, int w, int h) { return kQuadrants[(x >= w / 2 ? 1 : 0) + (y >= h / 2 ? 2 : 0)]; }

// A w x h picture of the four quadrants written by the encoder.
void writeQuadrants(const std::wstring& path, Encoder encoder, int w, int h) {
    const CLSID clsid{encoder, 0x1A04, 0x11D3, {0x9A, 0x73, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};
    const int stride = (w * 3 + 3) & ~3;
    std::vector<BYTE> pixels(static_cast<size_t>(stride) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const ARGB c = quadrantColour(x, y, w, h);
            BYTE* p = &pixels[static_cast<size_t>(y) * stride + static_cast<size_t>(x) * 3];
            p[0] = BYTE(c), p[1] = BYTE(c >> 8), p[2] = BYTE(c >> 16);
        }
    Gdiplus::GpBitmap* bitmap = nullptr;
    ASSERT_EQ(gp::GdipCreateBitmapFromScan0(w, h, stride, PixelFormat24bppRGB, pixels.data(), &bitmap), Gdiplus::Ok);
    EXPECT_EQ(gp::GdipSaveImageToFile(bitmap, path.c_str(), &clsid, nullptr), Gdiplus::Ok);
    gp::GdipDisposeImage(bitmap);
}

// Whether two colours agree within what JPEG's rounding leaves.
bool closeTo(ARGB a, ARGB b, int tolerance = 40) {
    for (int shift : {0, 8, 16})
        if (std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)) > tolerance) return false;
    return true;
}

// Checks a bitmap's size, format and the colour at the middle of each quadrant.
void expectQuadrants(Gdiplus::GpImage* image, int w, int h, int tolerance) {
    auto* bitmap = static_cast<Gdiplus::GpBitmap*>(image);
    UINT width = 0, height = 0;
    gp::GdipGetImageWidth(bitmap, &width);
    gp::GdipGetImageHeight(bitmap, &height);
    EXPECT_EQ(int(width), w);
    EXPECT_EQ(int(height), h);
    Gdiplus::PixelFormat format = 0;
    gp::GdipGetImagePixelFormat(bitmap, &format);
    EXPECT_EQ(format, PixelFormat24bppRGB);
    for (int q = 0; q < 4; ++q) {
        const int x = (q & 1) ? w * 3 / 4 : w / 4, y = (q & 2) ? h * 3 / 4 : h / 4;
        ARGB seen = 0;
        ASSERT_EQ(gp::GdipBitmapGetPixel(bitmap, x, y, &seen), Gdiplus::Ok);
        EXPECT_TRUE(closeTo(seen, kQuadrants[q], tolerance)) << "quadrant " << q << std::hex << ": " << seen;
    }
}

// A stand-in for a JPEG decoder's source transform over a quadrant picture of natural size W x H.
// It scales like the decoder: 1/1, 1/2, 1/4, 1/8, sides rounded up, or rounded down (then its closest
// size can fall short of the one asked for, and the caller must not trust its own arithmetic), and
// delivers one pixel format.
class FakeTransform final : public IWICBitmapSourceTransform {
public:
    FakeTransform(UINT w, UINT h, const WICPixelFormatGUID& format, bool roundDown = false)
        : w_(w), h_(h), format_(format), roundDown_(roundDown) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, kIidWicSourceTransform)) {
            *out = this;
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    HRESULT STDMETHODCALLTYPE GetClosestSize(UINT* width, UINT* height) override {
        for (UINT d : {8u, 4u, 2u, 1u})
            if ((w_ + d - 1) / d >= *width && (h_ + d - 1) / d >= *height) {
                *width = side(w_, d), *height = side(h_, d);
                return S_OK;
            }
        *width = w_, *height = h_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetClosestPixelFormat(WICPixelFormatGUID* format) override {
        *format = format_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DoesSupportTransform(WICBitmapTransformOptions transform, BOOL* supported) override {
        *supported = transform == WICBitmapTransformRotate0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE CopyPixels(const WICRect* rect, UINT width, UINT height, WICPixelFormatGUID* format,
                                         WICBitmapTransformOptions transform, UINT stride, UINT bufferSize,
                                         BYTE* buffer) override {
        ++copies;
        bool offered = false;
        for (UINT d : {8u, 4u, 2u, 1u}) offered |= width == side(w_, d) && height == side(h_, d);
        const UINT bytes = IsEqualGUID(format_, GUID_WICPixelFormat8bppGray) ? 1 : IsEqualGUID(format_, GUID_WICPixelFormat24bppBGR) ? 3 : 4;
        if (rect || transform != WICBitmapTransformRotate0 || !offered || !IsEqualGUID(*format, format_) ||
            stride < width * bytes || UINT64(stride) * height > bufferSize)
            return E_INVALIDARG;
        for (UINT y = 0; y < height; ++y)
            for (UINT x = 0; x < width; ++x) {
                const ARGB c = quadrantColour(int(x), int(y), int(width), int(height));
                BYTE* p = buffer + UINT64(y) * stride + UINT64(x) * bytes;
                if (bytes == 1) {
                    p[0] = BYTE(((c & 0xFF) + (c >> 8 & 0xFF) + (c >> 16 & 0xFF)) / 3);
                } else {
                    p[0] = BYTE(c), p[1] = BYTE(c >> 8), p[2] = BYTE(c >> 16);
                    if (bytes == 4) p[3] = 0x7F;
                }
            }
        return S_OK;
    }
    int copies = 0;

private:
    UINT side(UINT n, UINT d) const { return roundDown_ ? n / d : (n + d - 1) / d; }
    UINT w_, h_;
    WICPixelFormatGUID format_;
    bool roundDown_;
};

struct ScaledDecodeTestTag {
    static constexpr const char* name = "scaled";
};
class ScaledDecodeTest : public ImagingFolderTest<ScaledDecodeTestTag> {};

TEST_F(ScaledDecodeTest, ProbeAgreesWithTheDecoderOnRealFiles) {
    const struct { Encoder encoder; const wchar_t* name; ImageFormat format; } files[] = {
        {Png, L"p.png", ImageFormat::Png}, {Bmp, L"p.bmp", ImageFormat::Bmp}, {Jpeg, L"p.jpg", ImageFormat::Jpeg},
        {Tiff, L"p.tif", ImageFormat::Tiff}};
    for (const auto& file : files) {
        SCOPED_TRACE(file.name);
        writeQuadrants(at(file.name), file.encoder, 123, 45);
        const ImageProbe probe = probeImageFile(at(file.name));
        EXPECT_EQ(std::tuple(probe.format, probe.verdict, probe.width, probe.height),
                  std::tuple(file.format, ProbeVerdict::Decode, 123, 45));
    }
    // Wine 8's GIF encoder writes an image without colour table or data (its own decoder refuses
    // it), so the GIF is made by hand: 3 x 2, a global table, one image.
    writeBytes(at(L"p.gif"), std::string("GIF89a\x03\0\x02\0\x80\0\0\xFF\0\0\0\0\xFF\x2C\0\0\0\0\x03\0\x02\0\0"
                                         "\x02\x05\x04\x41\x10\x04\x51\0;", 38));
    const ImageProbe gif = probeImageFile(at(L"p.gif"));
    EXPECT_EQ(std::tuple(gif.format, gif.verdict, gif.width, gif.height),
              std::tuple(ImageFormat::Gif, ProbeVerdict::Decode, 3, 2));
    EXPECT_EQ(wintest::decodeInfo(at(L"p.gif")).value_or(wintest::ImageInfo{}).width, 3);

    // An EMF drawn through GDI: the probe's claimed size is the one the imaging library gives it,
    // and the verdict says to render it at the shown size.
    const RECT frame{0, 0, 5000, 2500};  // 50 x 25 mm
    HDC recorder = CreateEnhMetaFileW(nullptr, at(L"p.emf").c_str(), &frame, nullptr);
    ASSERT_NE(recorder, nullptr);
    Rectangle(recorder, 10, 10, 100, 50);
    DeleteEnhMetaFile(CloseEnhMetaFile(recorder));
    const ImageProbe emf = probeImageFile(at(L"p.emf"));
    EXPECT_EQ(emf.format, ImageFormat::Emf);
    EXPECT_EQ(emf.verdict, ProbeVerdict::RenderAtShownSize);
    Gdiplus::GpImage* metafile = nullptr;
    ASSERT_EQ(gp::GdipLoadImageFromFile(at(L"p.emf").c_str(), &metafile), Gdiplus::Ok);
    UINT width = 0, height = 0;
    gp::GdipGetImageWidth(metafile, &width);
    gp::GdipGetImageHeight(metafile, &height);
    gp::GdipDisposeImage(metafile);
    EXPECT_NEAR(emf.width, int(width), 2);
    EXPECT_NEAR(emf.height, int(height), 2);

    // What must never reach the decoder: a GIF image without any colour table (the decoder crashes
    // on it, so it is only probed here) and a PNG claiming 20000 x 20000.
    writeBytes(at(L"bare.gif"), std::string("GIF89a\x02\0\x02\0\0\0\0\x2C\0\0\0\0\x02\0\x02\0\0\x02\x03\x44\x01\x05\0;", 30));
    EXPECT_EQ(probeImageFile(at(L"bare.gif")).verdict, ProbeVerdict::DecoderUnsafe);
    writeBytes(at(L"huge.png"), std::string("\x89PNG\r\n\x1A\n\0\0\0\x0DIHDR\0\0\x4E\x20\0\0\x4E\x20\x08\x02\0\0\0", 29));
    const ImageProbe huge = probeImageFile(at(L"huge.png"));
    EXPECT_EQ(huge.width, 20000);
    EXPECT_EQ(huge.verdict, ProbeVerdict::TooLarge);

    // A file held open for writing by someone else is still probed; a missing one is left undecided.
    HANDLE held = CreateFileW(at(L"p.png").c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(probeImageFile(at(L"p.png")).width, 123);
    CloseHandle(held);
    const ImageProbe missing = probeImageFile(at(L"missing.jpg"));
    EXPECT_EQ(missing.format, ImageFormat::Unknown);
    EXPECT_EQ(missing.verdict, ProbeVerdict::Undecided);
}

TEST_F(ScaledDecodeTest, JpegDecodesAtTheScaleThatCoversTheShownSize) {
    writeQuadrants(at(L"big.jpg"), Jpeg, 800, 600);
    ScaledJpeg scaled;
    const bool decoded = decodeFileScaled(at(L"big.jpg"), 200, 150, scaled);
    if (wintest::underWine()) {
        // Wine 8's JPEG decoder offers no source transform: the caller decodes at full size.
        EXPECT_FALSE(decoded);
        EXPECT_FALSE(scaled.bitmap);
    } else {
        ASSERT_TRUE(decoded);
        EXPECT_EQ(scaled.denominator, 4);
        expectQuadrants(scaled.bitmap.get(), 200, 150, 40);
    }
    // Shown at more than half the size, not a JPEG, missing, nothing shown: never scaled.
    writeQuadrants(at(L"big.png"), Png, 800, 600);
    EXPECT_FALSE(decodeFileScaled(at(L"big.jpg"), 401, 300, scaled));
    EXPECT_FALSE(decodeFileScaled(at(L"big.png"), 100, 75, scaled));
    EXPECT_FALSE(decodeFileScaled(at(L"missing.jpg"), 100, 75, scaled));
    EXPECT_FALSE(decodeFileScaled(at(L"big.jpg"), 0, 0, scaled));
    EXPECT_FALSE(scaled.bitmap);
}

TEST_F(ScaledDecodeTest, TransformPixelsBecomeABitmapDrawnLikeAnyImage) {
    struct Case {
        const char* name;
        WICPixelFormatGUID format;
        bool roundDown;
        int shownW, shownH, expectW, expectH, denominator;
    };
    const Case cases[] = {
        {"colour, 1/4", GUID_WICPixelFormat24bppBGR, false, 1000, 700, 1000, 751, 4},
        {"colour, 1/8 rounded up", GUID_WICPixelFormat24bppBGR, false, 400, 300, 500, 376, 8},
        {"32-bit", GUID_WICPixelFormat32bppBGRA, false, 450, 300, 500, 376, 8},
        {"grey, 1/2", GUID_WICPixelFormat8bppGray, false, 1500, 1000, 2000, 1501, 2},
        // The decoder's 1/8 (500 x 375) falls short of the shown size: the next scale is taken.
        {"rounded down", GUID_WICPixelFormat24bppBGR, true, 500, 376, 1000, 750, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeTransform transform(4000, 3001, c.format, c.roundDown);
        ScaledJpeg scaled;
        ASSERT_TRUE(decodeThroughTransform(&transform, 4000, 3001, c.shownW, c.shownH, scaled));
        EXPECT_EQ(scaled.denominator, c.denominator);
        EXPECT_EQ(scaled.width, c.expectW);
        EXPECT_EQ(scaled.height, c.expectH);
        EXPECT_EQ(transform.copies, 1);
        if (IsEqualGUID(c.format, GUID_WICPixelFormat8bppGray)) {
            ARGB seen = 0;
            gp::GdipBitmapGetPixel(static_cast<Gdiplus::GpBitmap*>(scaled.bitmap.get()), 10, 10, &seen);
            EXPECT_EQ(seen, 0xFF606060u);  // the red quadrant's grey
        } else {
            expectQuadrants(scaled.bitmap.get(), c.expectW, c.expectH, 0);
        }
    }

    // Drawn into a device context as the view draws its image.
    FakeTransform transform(4000, 3000, GUID_WICPixelFormat24bppBGR);
    ScaledJpeg scaled;
    ASSERT_TRUE(decodeThroughTransform(&transform, 4000, 3000, 80, 60, scaled));
    EXPECT_EQ(scaled.width, 500);
    HDC dc = CreateCompatibleDC(nullptr);
    BITMAPINFO info{{sizeof(BITMAPINFOHEADER), 80, -60, 1, 32, BI_RGB}};
    void* bits = nullptr;
    HBITMAP canvas = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, canvas);
    Gdiplus::GpGraphics* graphics = nullptr;
    ASSERT_EQ(gp::GdipCreateFromHDC(dc, &graphics), Gdiplus::Ok);
    gp::GdipSetInterpolationMode(graphics, Gdiplus::InterpolationModeHighQualityBicubic);
    EXPECT_EQ(gp::GdipDrawImageRectI(graphics, scaled.bitmap.get(), 0, 0, 80, 60),
              Gdiplus::Ok);
    gp::GdipDeleteGraphics(graphics);
    EXPECT_TRUE(closeTo(0xFF000000 | GetPixel(dc, 20, 15), 0xFF2020E0, 8));  // COLORREF is 0x00BBGGRR
    EXPECT_TRUE(closeTo(0xFF000000 | GetPixel(dc, 60, 45), 0xFFF0F0F0, 8));
    SelectObject(dc, old);
    DeleteObject(canvas);
    DeleteDC(dc);

    // CMYK and other formats, shown at more than half the size, no transform: nothing made.
    FakeTransform cmyk(4000, 3000, GUID_WICPixelFormat32bppCMYK);
    EXPECT_FALSE(decodeThroughTransform(&cmyk, 4000, 3000, 500, 375, scaled));
    EXPECT_EQ(cmyk.copies, 0);
    EXPECT_FALSE(decodeThroughTransform(&transform, 4000, 3000, 2001, 10, scaled));
    EXPECT_FALSE(decodeThroughTransform(nullptr, 4000, 3000, 500, 375, scaled));
    EXPECT_FALSE(decodeThroughTransform(&transform, 0, 3000, 500, 375, scaled));
    EXPECT_FALSE(scaled.bitmap);
}

TEST_F(ScaledDecodeTest, MetafileIsRenderedAtTheShownSize) {
    // Left half red, right half blue, drawn through GDI in a 100 x 50 mm frame.
    const RECT frame{0, 0, 10000, 5000};
    HDC recorder = CreateEnhMetaFileW(nullptr, at(L"halves.emf").c_str(), &frame, nullptr);
    ASSERT_NE(recorder, nullptr);
    const int mmW = GetDeviceCaps(recorder, HORZSIZE), pxW = GetDeviceCaps(recorder, HORZRES);
    const int w = 100 * pxW / mmW, h = 50 * pxW / mmW;  // the frame in reference pixels
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0)), blue = CreateSolidBrush(RGB(0, 0, 255));
    const RECT left{0, 0, w / 2, h}, right{w / 2, 0, w, h};
    FillRect(recorder, &left, red);
    FillRect(recorder, &right, blue);
    DeleteObject(red);
    DeleteObject(blue);
    DeleteEnhMetaFile(CloseEnhMetaFile(recorder));

    DecodedPicture shown;
    ASSERT_EQ(wintest::testDecoder().decode(at(L"halves.emf"), MetafileTarget(80, 40), shown), DecodeOutcome::Decoded);
    EXPECT_EQ(shown.width, 80);
    EXPECT_EQ(shown.height, 40);
    const auto* pixels = static_cast<const ARGB*>(shown.bits);
    EXPECT_TRUE(closeTo(pixels[20 * 80 + 20], 0xFFFF0000, 8)) << std::hex << pixels[20 * 80 + 20];
    EXPECT_TRUE(closeTo(pixels[20 * 80 + 60], 0xFF0000FF, 8)) << std::hex << pixels[20 * 80 + 60];

    // A header claiming 2e9 x 2e9 costs no more than its shown size.
    writeBytes(at(L"huge.emf"), wintest::hugeEmf());
    EXPECT_EQ(probeImageFile(at(L"huge.emf")).verdict, ProbeVerdict::RenderAtShownSize);
    ASSERT_EQ(wintest::testDecoder().decode(at(L"huge.emf"), MetafileTarget(800, 600), shown), DecodeOutcome::Decoded);
    EXPECT_EQ(shown.width, 800);

    // Not a metafile (declined), missing, no size, a size above the limit: nothing.
    writeQuadrants(at(L"raster.png"), Png, 8, 8);
    for (const auto& [name, w2, h2] : {std::tuple{L"raster.png", 8, 8}, {L"missing.emf", 8, 8}, {L"halves.emf", 0, 8},
                                       {L"halves.emf", 20000, 20000}}) {
        EXPECT_NE(wintest::testDecoder().decode(at(name), MetafileTarget(w2, h2), shown), DecodeOutcome::Decoded) << name;
        EXPECT_FALSE(shown);
    }
}

}  // namespace
