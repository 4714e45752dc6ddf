// Copy Image, Copy View and Paste through the real clipboard: what lands there pixel for pixel,
// and a paste that finds no bitmap (or no clipboard) changes nothing.
#include <windows.h>

#include "win/imaging_fixture.h"

#include <atomic>
#include <thread>

#include "display/view_image.h"
#include "shell/clipboard.h"

using namespace wintest;

namespace {

// A view bitmap of the pattern in a memory device context, as the paint leaves it.
class ViewBitmap {
public:
    ViewBitmap(int w, int h) : w_(w), h_(h) {
        HDC screen = GetDC(nullptr);
        dc_ = CreateCompatibleDC(screen);
        bitmap_ = CreateCompatibleBitmap(screen, w, h);
        std::vector<uint32_t> pixels(static_cast<size_t>(w) * static_cast<size_t>(h));
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) pixels[static_cast<size_t>(y) * w + x] = patternColour(x, y) & 0xFFFFFF;
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        SetDIBits(screen, bitmap_, 0, static_cast<UINT>(h), pixels.data(), &info, DIB_RGB_COLORS);
        ReleaseDC(nullptr, screen);
        previous_ = SelectObject(dc_, bitmap_);
    }
    ~ViewBitmap() {
        SelectObject(dc_, previous_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    HDC dc() const { return dc_; }
    Size32 size() const { return {w_, h_}; }

private:
    int w_, h_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
};

// Whether `pixels` (w x h) are the pattern's block at (x0, y0); describes the first difference.
::testing::AssertionResult isPatternBlock(const std::vector<uint32_t>& pixels, int w, int h, int x0, int y0) {
    if (pixels.size() != static_cast<size_t>(w) * static_cast<size_t>(h))
        return ::testing::AssertionFailure() << "no pixels";
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint32_t expected = patternColour(x0 + x, y0 + y) & 0xFFFFFF;
            const uint32_t seen = pixels[static_cast<size_t>(y) * w + x];
            if (seen != expected)
                return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is " << std::hex << seen
                                                     << ", expected " << expected;
        }
    return ::testing::AssertionSuccess();
}

// The clipboard's bitmap: its size and pixels.
struct ClipboardBitmap {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;
};
ClipboardBitmap clipboardBitmap(HWND owner) {
    ClipboardBitmap result;
    if (!OpenClipboard(owner)) return result;
    if (HBITMAP bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP)))
        result.pixels = bitmapPixels(bitmap, result.width, result.height);
    CloseClipboard();
    return result;
}

// The image drawn at its own size into a bitmap, read back.
std::vector<uint32_t> imagePixels(const ViewImage& image) {
    const int w = image.naturalWidth(), h = image.naturalHeight();
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
    HGDIOBJ previous = SelectObject(dc, bitmap);
    image.drawTo(dc, w, h);
    SelectObject(dc, previous);
    int bw = 0, bh = 0;
    std::vector<uint32_t> pixels = bitmapPixels(bitmap, bw, bh);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return pixels;
}

void putTextOnClipboard(HWND owner) {
    ASSERT_TRUE(OpenClipboard(owner));
    EmptyClipboard();
    const wchar_t text[] = L"not a picture";
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, sizeof(text));
    memcpy(GlobalLock(memory), text, sizeof(text));
    GlobalUnlock(memory);
    EXPECT_TRUE(SetClipboardData(CF_UNICODETEXT, memory));
    CloseClipboard();
}

class ClipboardTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(imaging_.ok());
        owner_ = CreateWindowExW(0, L"STATIC", L"clipboard owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
        ASSERT_TRUE(owner_);
    }
    void TearDown() override { DestroyWindow(owner_); }

    Imaging imaging_;
    TempFolder folder_;
    HWND owner_ = nullptr;
};

TEST_F(ClipboardTest, CopyViewThenPasteShowsExactlyTheVisiblePart) {
    // A zoomed image scrolled in both directions: the client shows 250 x 150 of it from (100, 120).
    ViewBitmap view(600, 400);
    Point32 scroll{100, 120};
    ASSERT_TRUE(copyViewToClipboard(owner_, view.dc(), view.size(), {250, 150}, scroll));
    EXPECT_EQ(scroll, (Point32{100, 120}));
    const ClipboardBitmap copied = clipboardBitmap(owner_);
    ASSERT_EQ(copied.width, 250);
    ASSERT_EQ(copied.height, 150);
    EXPECT_TRUE(isPatternBlock(copied.pixels, 250, 150, 100, 120));

    ViewImage image;
    ASSERT_EQ(pasteFromClipboard(owner_, image), PasteOutcome::Pasted);
    ASSERT_EQ(image.naturalWidth(), 250);
    ASSERT_EQ(image.naturalHeight(), 150);
    EXPECT_TRUE(isPatternBlock(imagePixels(image), 250, 150, 100, 120));
}

TEST_F(ClipboardTest, CopyImageKeepsTheFullImageSize) {
    const std::wstring source = folder_.file(L"large.png");
    ASSERT_TRUE(writePatternImage(source, 900, 700));
    ViewImage image;
    ASSERT_TRUE(wintest::loadPicture(image, source));
    image.width = 450;  // shown at half size: the copy is still the whole image at its own size
    image.height = 350;
    ASSERT_TRUE(copyImageToClipboard(owner_, image, RGB(0, 0, 0)));
    const ClipboardBitmap copied = clipboardBitmap(owner_);
    ASSERT_EQ(copied.width, 900);
    ASSERT_EQ(copied.height, 700);
    EXPECT_TRUE(isPatternBlock(copied.pixels, 900, 700, 0, 0));

    // Turned a quarter: the copy follows the image as it now stands.
    ASSERT_TRUE(image.rotateFlip(1));
    ASSERT_TRUE(copyImageToClipboard(owner_, image, RGB(0, 0, 0)));
    const ClipboardBitmap turned = clipboardBitmap(owner_);
    EXPECT_EQ(turned.width, 700);
    EXPECT_EQ(turned.height, 900);

    ViewImage none;
    EXPECT_FALSE(copyImageToClipboard(owner_, none, RGB(0, 0, 0)));
}

TEST_F(ClipboardTest, PasteWithoutABitmapOrWithoutTheClipboardChangesNothing) {
    const std::wstring source = folder_.file(L"current.png");
    ASSERT_TRUE(writePatternImage(source, 64, 48));
    ViewImage image;
    ASSERT_TRUE(wintest::loadPicture(image, source));

    putTextOnClipboard(owner_);
    EXPECT_EQ(pasteFromClipboard(owner_, image), PasteOutcome::NoBitmap);
    ASSERT_TRUE(image.loaded());
    EXPECT_EQ(image.naturalWidth(), 64);
    EXPECT_TRUE(isPatternBlock(imagePixels(image), 64, 48, 0, 0));

    ASSERT_TRUE(OpenClipboard(owner_));
    EmptyClipboard();
    CloseClipboard();
    EXPECT_EQ(pasteFromClipboard(owner_, image), PasteOutcome::NoBitmap);
    EXPECT_EQ(image.naturalWidth(), 64);

    // Another program holds the clipboard open: nothing is pasted or copied, nothing changes.
    std::atomic<bool> holding{false}, release{false};
    std::thread holder([&] {
        if (OpenClipboard(nullptr)) {
            holding = true;
            while (!release) Sleep(5);
            CloseClipboard();
        } else {
            holding = true;
        }
    });
    while (!holding) Sleep(5);
    EXPECT_EQ(pasteFromClipboard(owner_, image), PasteOutcome::Unavailable);
    EXPECT_EQ(image.naturalWidth(), 64);
    EXPECT_FALSE(copyImageToClipboard(owner_, image, RGB(0, 0, 0)));
    ViewBitmap view(100, 100);
    Point32 scroll{0, 0};
    EXPECT_FALSE(copyViewToClipboard(owner_, view.dc(), view.size(), {50, 50}, scroll));
    release = true;
    holder.join();
}

}  // namespace
