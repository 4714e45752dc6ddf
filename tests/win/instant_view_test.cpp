// Showing pictures quickly and safely on a real Viewer: the header checks before decoding, the
// current entry read in one locked step, steps that coalesce, and the picture decoded ahead.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/command_ids.h"
#include "core/window_messages.h"
#include "viewer_fixture.h"

namespace {

using namespace viewer_test;
using namespace std::string_literals;

std::string le16(unsigned v) { return {char(v & 0xFF), char(v >> 8 & 0xFF)}; }
std::string le32(std::uint32_t v) { return le16(v & 0xFFFF) + le16(v >> 16); }
std::string be32(std::uint32_t v) { return {char(v >> 24), char(v >> 16 & 0xFF), char(v >> 8 & 0xFF), char(v & 0xFF)}; }

// A real 24-bit BMP of w x h pixels, all of one colour.
std::string bmpOf(int w, int h, unsigned char shade = 0x80) {
    const std::uint32_t stride = (static_cast<std::uint32_t>(w) * 3 + 3) & ~3u, data = stride * static_cast<std::uint32_t>(h);
    std::string out = "BM"s + le32(54 + data) + le32(0) + le32(54) + le32(40) + le32(static_cast<std::uint32_t>(w)) +
                      le32(static_cast<std::uint32_t>(h)) + le16(1) + le16(24) + le32(0) + le32(data) + le32(2835) +
                      le32(2835) + le32(0) + le32(0);
    return out + std::string(data, static_cast<char>(shade));
}

// A 24-bit BMP of w x h pixels whose colours change from pixel to pixel, so that any resampling shows.
std::string patternBmp(int w, int h, unsigned seed) {
    std::string out = bmpOf(w, h);
    const size_t stride = (static_cast<size_t>(w) * 3 + 3) & ~size_t{3};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c)
                out[54 + static_cast<size_t>(y) * stride + static_cast<size_t>(x) * 3 + c] =
                    static_cast<char>((x * (3 + c) + y * (5 - c) + (x / 7 + y / 5) * 40 + seed * 60) & 0xFF);
    return out;
}

// The pixels of a bitmap selected into `dc` (w x h, top-down, 32 bits each).
std::vector<std::uint32_t> pixelsOf(HDC dc, int w, int h) {
    std::vector<std::uint32_t> pixels(static_cast<size_t>(w) * static_cast<size_t>(h));
    BITMAPINFO info{{sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB}};
    HBITMAP bitmap = static_cast<HBITMAP>(GetCurrentObject(dc, OBJ_BITMAP));
    EXPECT_EQ(GetDIBits(dc, bitmap, 0, static_cast<UINT>(h), pixels.data(), &info, DIB_RGB_COLORS), h);
    for (auto& pixel : pixels) pixel &= 0xFFFFFF;
    return pixels;
}

// The file decoded whole, turned, and drawn at w x h with the interpolation, as the view showed it
// before pictures were held reduced.
std::vector<std::uint32_t> drawnWhole(const std::wstring& path, int w, int h, int interpolation, int turn = 0) {
    ViewImage whole;
    EXPECT_TRUE(wintest::loadPicture(whole, path));
    if (turn) whole.rotateFlip(turn);
    whole.interpolation = interpolation;
    const WindowDC screen(nullptr);
    const MemoryDC dc(CreateCompatibleDC(screen.get()));
    const GdiBitmap bitmap(CreateCompatibleBitmap(screen.get(), w, h));
    const SelectedObject selected(dc.get(), bitmap.get());
    whole.drawTo(dc.get(), w, h);
    return pixelsOf(dc.get(), w, h);
}

// The largest difference of one colour channel between two pictures of the same size.
int largestDifference(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b) {
    if (a.size() != b.size()) return 256;
    int largest = 0;
    for (size_t i = 0; i < a.size(); ++i)
        for (int shift = 0; shift < 24; shift += 8)
            largest = std::max(largest, std::abs(static_cast<int>(a[i] >> shift & 0xFF) - static_cast<int>(b[i] >> shift & 0xFF)));
    return largest;
}

// A PNG whose header says 20000 x 20000: valid up to the header, far above the decoding limit.
std::string hugePng() { return "\x89PNG\r\n\x1A\n"s + be32(13) + "IHDR" + be32(20000) + be32(20000) + "\x08\x02\0\0\0"s + be32(0); }

// A GIF whose one image has neither a global nor a local colour table.
std::string gifWithoutColours() {
    return "GIF89a"s + le16(2) + le16(2) + "\0\0\0"s + "\x2C"s + le16(0) + le16(0) + le16(2) + le16(2) + "\0"s +
           "\x02\x03\x44\x01\x05\0"s + "\x3B"s;
}

class InstantViewTest : public ViewerFixture {
protected:
    void SetUp() override {
        ViewerFixture::SetUp();
        viewer->files.errorLogPath = tree / L"errors.log";
        viewer->settings.logerrors = true;
        viewer->settings.loglnkfail = true;
        viewer->settings.exiforient = false;
        viewer->settings.collage = false;
        viewer->settings.slide = false;
        viewer->settings.zoom = 0;
        viewer->settings.removefail = false;
    }
    // Dispatches messages until no step waits to be shown.
    bool settle() { return pumpUntil([this] { return !viewer->slideshow.showPending; }, 10000); }
    std::wstring log() const {  // the names are ASCII
        std::wstring wide;
        for (char c : readFile(tree / L"errors.log")) if (c) wide += static_cast<wchar_t>(static_cast<unsigned char>(c));
        return wide;
    }
    std::wstring name(const std::wstring& path) const { return path.substr(path.find_last_of(L'\\') + 1); }
};

// The size limit, the GIF check and the metafile bounds decide before the decoder sees the file.
TEST_F(InstantViewTest, HeaderChecksFailOrShrinkBeforeDecoding) {
    ASSERT_TRUE(tree.file(L"a.bmp", bmpOf(3, 2)));
    ASSERT_TRUE(tree.file(L"b.png", hugePng()));
    ASSERT_TRUE(tree.file(L"c.gif", gifWithoutColours()));
    ASSERT_TRUE(tree.file(L"d.emf", hugeEmf()));
    viewer->settings.emf = true;  // metafiles are off by default
    ASSERT_TRUE(build());
    ASSERT_EQ(paths().size(), 4u);

    for (const bool remove : {false, true}) {
        SCOPED_TRACE(remove ? "removefail" : "keep");
        viewer->settings.removefail = remove;
        for (const wchar_t* failing : {L"b.png", L"c.gif"}) {
            makeCurrent(tree / failing);
            const ULONGLONG start = GetTickCount64();
            viewer->loadCurrentEntry(true);
            EXPECT_LT(GetTickCount64() - start, 2000u) << "the decoder was handed the file";
            EXPECT_FALSE(viewer->image.loaded()) << failing;
            EXPECT_NE(log().find(tree / failing), std::wstring::npos) << "not logged: " << PrintToString(failing);
            const bool present = viewer->store.indexOfPath(tree / failing) >= 0;
            EXPECT_EQ(present, !remove) << failing;
        }
    }

    // The metafile is rendered at the size shown, never at its 2e9 claim.
    makeCurrent(tree / L"d.emf");
    viewer->loadCurrentEntry(true);
    ASSERT_TRUE(viewer->image.loaded());
    const SIZE client = viewer->clientSize();
    EXPECT_LE(viewer->image.naturalWidth(), std::max<LONG>(client.cx, 1));
    EXPECT_LE(viewer->image.naturalHeight(), std::max<LONG>(client.cy, 1));
    EXPECT_EQ(log().find(L"d.emf"), std::wstring::npos);
}

// The current entry's path is read with the exhibit's size in one locked step: an index a rebuild
// left past the end shows the first entry and never logs or removes anything; a failure removes
// only the entry that failed, not one a rebuild put at its index since.
TEST_F(InstantViewTest, CurrentEntryReadInOneStepNeverRemovesAValidEntry) {
    ASSERT_TRUE(tree.file(L"a.bmp", bmpOf(2, 2)));
    ASSERT_TRUE(tree.file(L"b.bmp", bmpOf(3, 3)));
    ASSERT_TRUE(build());
    viewer->settings.removefail = true;
    viewer->store.currentIndex = 7;
    viewer->loadCurrentEntry(true);
    EXPECT_TRUE(viewer->image.loaded());
    EXPECT_EQ(viewer->store.currentIndex.load(), 0);
    EXPECT_EQ(viewer->store.currentPathCopy(), tree / L"a.bmp");
    EXPECT_EQ(paths().size(), 2u);
    EXPECT_TRUE(log().empty());

    viewer->store.currentIndex = 1;
    EXPECT_FALSE(viewer->store.removeCurrentEntryIf(tree / L"a.bmp")) << "another entry is at the index now";
    EXPECT_FALSE(viewer->store.removeCurrentEntryIf(L""));
    EXPECT_EQ(paths().size(), 2u);
    EXPECT_TRUE(viewer->store.removeCurrentEntryIf(tree / L"b.bmp"));
    EXPECT_EQ(paths(), full({L"a.bmp"}));
}

// Steps that arrive before the picture is decoded move the target: the caption and the position
// follow at once, the pictures passed over are never decoded (their failures never logged), and
// the last one is shown.
TEST_F(InstantViewTest, QuickStepsCoalesceIntoOneDecode) {
    ASSERT_TRUE(tree.file(L"a.bmp", bmpOf(2, 2)));
    for (const wchar_t* bad : {L"b.bmp", L"c.bmp", L"d.bmp"}) ASSERT_TRUE(tree.file(bad, "BM not a picture"));
    ASSERT_TRUE(tree.file(L"e.bmp", bmpOf(5, 4)));
    ASSERT_TRUE(build());
    viewer->store.currentIndex = 0;
    viewer->showCurrent(true);
    ASSERT_TRUE(viewer->image.loaded());
    ASSERT_EQ(viewer->image.naturalWidth(), 2);

    for (int i = 0; i < 4; ++i) viewer->navigate(CMD_NEXT);
    EXPECT_EQ(viewer->store.currentIndex.load(), 4);
    EXPECT_EQ(viewer->store.currentPathCopy(), tree / L"e.bmp") << "the caption follows the target";
    EXPECT_EQ(viewer->image.naturalWidth(), 2) << "the old picture stays until the new one is decoded";
    ASSERT_TRUE(settle());
    EXPECT_EQ(viewer->image.naturalWidth(), 5);
    EXPECT_TRUE(log().empty()) << "a picture passed over was decoded: " << PrintToString(log());

    // A step and Exit queued together: the step is never decoded.
    viewer->navigate(CMD_PREVIOUS);
    EXPECT_TRUE(viewer->slideshow.showPending);
    viewer->shutDown();
    pumpFor(100);
    EXPECT_TRUE(log().empty());
    delete viewer;
    theViewer = windowViewer = viewer = nullptr;
}

// The next picture is decoded ahead and used by the step; a file changed on disk, a re-order or
// a failing file never shows a stale or wrong picture; a failure is reported only when reached.
TEST_F(InstantViewTest, ReadAheadIsUsedOnlyWhileStillValid) {
    ASSERT_TRUE(tree.file(L"a.bmp", bmpOf(2, 2)));
    ASSERT_TRUE(tree.file(L"b.bmp", bmpOf(3, 3)));
    ASSERT_TRUE(tree.file(L"c.bmp", "BM broken"));
    ASSERT_TRUE(tree.file(L"d.bmp", bmpOf(6, 6)));
    ASSERT_TRUE(build());
    auto& ahead = viewer->readAhead;
    viewer->store.currentIndex = 0;
    viewer->showCurrent(true);
    ASSERT_TRUE(ahead.waitIdle(10000));
    ASSERT_TRUE(ahead.holds(tree / L"b.bmp"));

    // Used as it is.
    viewer->navigate(CMD_NEXT);
    ASSERT_TRUE(settle());
    EXPECT_EQ(viewer->image.naturalWidth(), 3);
    EXPECT_FALSE(ahead.holds(tree / L"b.bmp"));

    // c fails: read ahead silently, reported only once the step reaches it (and stepped over).
    ASSERT_TRUE(ahead.waitIdle(10000));
    EXPECT_TRUE(log().empty()) << "reported before it was reached";
    viewer->navigate(CMD_NEXT);
    ASSERT_TRUE(settle());
    EXPECT_NE(log().find(tree / L"c.bmp"), std::wstring::npos);
    EXPECT_EQ(viewer->store.currentPathCopy(), tree / L"d.bmp");
    EXPECT_EQ(viewer->image.naturalWidth(), 6);

    // Going back: a is read ahead; a changes on disk (another size): the new file is shown.
    ASSERT_TRUE(tree.file(L"c.bmp", bmpOf(4, 4)));  // c is good again
    viewer->navigate(CMD_PREVIOUS);
    ASSERT_TRUE(settle());
    EXPECT_EQ(viewer->image.naturalWidth(), 4);
    ASSERT_TRUE(ahead.waitIdle(10000));
    ASSERT_TRUE(ahead.holds(tree / L"b.bmp"));
    ASSERT_TRUE(tree.file(L"b.bmp", bmpOf(7, 5)));
    viewer->navigate(CMD_PREVIOUS);
    ASSERT_TRUE(settle());
    EXPECT_EQ(viewer->image.naturalWidth(), 7) << "a stale picture was shown";

    // A re-order drops it: reversed, the next entry after b is a, and the picture held is gone.
    ASSERT_TRUE(ahead.waitIdle(10000));
    ASSERT_TRUE(ahead.holds(tree / L"a.bmp"));
    viewer->settings.sort = kSortReverse;
    viewer->sortExhibit();
    EXPECT_FALSE(ahead.holds(tree / L"a.bmp"));
    viewer->navigate(CMD_NEXT);  // reversed: d c b a -> from b to a
    ASSERT_TRUE(settle());
    EXPECT_EQ(viewer->store.currentPathCopy(), tree / L"a.bmp");
    EXPECT_EQ(viewer->image.naturalWidth(), 2);

    // A re-order while a step waits for its decode: the step still ends in its picture.
    viewer->settings.sort = kSortForward;
    viewer->sortExhibit();
    makeCurrent(tree / L"a.bmp");
    viewer->showCurrent(true);
    ahead.drop();
    viewer->navigate(CMD_NEXT);  // from a to b
    viewer->onShowTimer();
    ASSERT_TRUE(viewer->slideshow.awaitingDecode);
    viewer->sortExhibit();
    ASSERT_TRUE(settle()) << "the step was lost";
    EXPECT_EQ(viewer->image.naturalWidth(), 7);

    // A zoom: the picture held is the file's own pixels, never one at another scale.
    viewer->settings.sort = kSortForward;
    viewer->sortExhibit();
    makeCurrent(tree / L"a.bmp");
    viewer->showCurrent(true);
    ASSERT_TRUE(ahead.waitIdle(10000));
    viewer->zoomCommand(CMD_ZOOM_IN);
    viewer->navigate(CMD_NEXT);
    ASSERT_TRUE(settle());
    EXPECT_EQ(viewer->store.currentPathCopy(), tree / L"b.bmp");
    EXPECT_EQ(viewer->image.naturalWidth(), 7);
    EXPECT_EQ(viewer->image.naturalHeight(), 5);
}

// A picture shown smaller than its pixels is held at the shown size, by the step's own decode and
// by the read-ahead, and shows the same pixels as the whole picture resampled; whatever needs all
// pixels (100 %, Copy Image) gets the whole picture back, and a file changed since is never mixed in.
TEST_F(InstantViewTest, PictureShownSmallerIsHeldAtTheShownSize) {
    ASSERT_TRUE(tree.file(L"a.bmp", patternBmp(640, 480, 0)));
    ASSERT_TRUE(tree.file(L"b.bmp", patternBmp(640, 480, 1)));
    ASSERT_TRUE(tree.file(L"c.bmp", patternBmp(480, 640, 2)));
    ASSERT_TRUE(build());
    viewer->settings.wrap = false;  // the test window keeps its size
    viewer->image.interpolation = 7;  // high-quality bicubic
    auto& image = viewer->image;
    auto shownPixels = [&] {
        viewer->paint();
        EXPECT_EQ(viewer->drawing.view.width(), image.width);
        return pixelsOf(viewer->drawing.view.dc(), image.width, image.height);
    };

    makeCurrent(tree / L"a.bmp");
    viewer->showCurrent(true);
    const SIZE client = viewer->clientSize();
    ASSERT_LT(client.cx, 640);
    ASSERT_TRUE(image.reduced());
    EXPECT_EQ(image.naturalWidth(), 640);
    EXPECT_EQ(image.naturalHeight(), 480);
    EXPECT_EQ(image.bitsPerPixel(), 24) << "the status bar tells the file's depth";
    auto shown = shownPixels();
    EXPECT_EQ(image.heldWidth(), image.width) << "held at the size shown";
    EXPECT_LE(largestDifference(shown, drawnWhole(tree / L"a.bmp", image.width, image.height, 7)), 2);

    // Read ahead at the shown size; turned by the user, the picture keeps its natural size turned.
    ASSERT_TRUE(viewer->readAhead.waitIdle(10000));
    ASSERT_TRUE(viewer->readAhead.holds(tree / L"b.bmp"));
    viewer->navigate(CMD_NEXT);
    ASSERT_TRUE(settle());
    EXPECT_TRUE(image.reduced());
    shown = shownPixels();
    EXPECT_LE(largestDifference(shown, drawnWhole(tree / L"b.bmp", image.width, image.height, 7)), 2);
    viewer->rotateCommand(CMD_ROTATE);
    EXPECT_EQ(image.naturalWidth(), 480);
    EXPECT_EQ(image.naturalHeight(), 640);

    // 100 %: the worker decodes the whole picture, which, turned as the held one was, becomes the
    // view (what Save As of the view writes); meanwhile the reduced one is shown enlarged.
    viewer->zoomCommand(CMD_ZOOM_100);
    viewer->paint();
    EXPECT_TRUE(image.wholeRequested);
    ASSERT_TRUE(pumpUntil([&] { return !image.reduced(); }, 10000));
    EXPECT_FALSE(image.wholeRequested);
    shown = shownPixels();
    ASSERT_EQ(image.width, 480);
    ASSERT_EQ(image.height, 640);
    EXPECT_EQ(largestDifference(shown, drawnWhole(tree / L"b.bmp", 480, 640, 0, 1)), 0);

    // Copy Image after a reduced load puts the whole picture on the clipboard.
    viewer->settings.zoom = 0;
    viewer->navigate(CMD_NEXT);
    ASSERT_TRUE(settle());
    ASSERT_TRUE(image.reduced());
    viewer->copyImage();
    EXPECT_FALSE(image.reduced());
    ASSERT_TRUE(OpenClipboard(window));
    BITMAP copied{};
    HBITMAP handle = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
    ASSERT_TRUE(handle && GetObjectW(handle, sizeof copied, &copied));
    CloseClipboard();
    EXPECT_EQ(copied.bmWidth, 480);
    EXPECT_EQ(copied.bmHeight, 640);

    // The file changes under a reduced picture: the whole picture is not taken from the new file;
    // the entry is shown anew instead.
    viewer->navigate(CMD_PREVIOUS);
    ASSERT_TRUE(settle());
    ASSERT_TRUE(image.reduced());
    ASSERT_TRUE(tree.file(L"b.bmp", patternBmp(800, 600, 3)));
    EXPECT_FALSE(viewer->holdPixelsFor(640, 480));
    EXPECT_TRUE(image.reduced());
    EXPECT_EQ(image.naturalWidth(), 640);
    ASSERT_TRUE(settle());
    EXPECT_EQ(image.naturalWidth(), 800);
}

}  // namespace
