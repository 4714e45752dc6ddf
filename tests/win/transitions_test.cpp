// Transition effects drawn with GDI: every effect covers exactly its rectangle with the source
// picture, and a key or mouse-button press cuts an effect short without being taken from the queue.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <thread>

#include "core/win_handles.h"
#include "display/transitions.h"

namespace {

constexpr uint32_t kRed = 0xFF0000, kBlue = 0x0000FF, kGreen = 0x00FF00;

// A 32-bit top-down DIB section selected into a memory DC, filled with one colour.
class Picture {
public:
    Picture(int w, int h, uint32_t colour) : w_(w), h_(h) {
        BITMAPINFO info = topDownDib32(w, h);
        dc_.reset(CreateCompatibleDC(nullptr));
        void* bits = nullptr;
        bitmap_.reset(CreateDIBSection(dc_.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        if (!bitmap_) return;
        bits_ = static_cast<uint32_t*>(bits);
        selection_.emplace(dc_.get(), bitmap_.get());
        fill(0, 0, w, h, colour);
    }

    HDC dc() const { return dc_.get(); }
    bool valid() const { return bits_ != nullptr; }
    void fill(int x, int y, int w, int h, uint32_t colour) {
        GdiFlush();
        for (int row = y; row < y + h; ++row)
            for (int col = x; col < x + w; ++col) bits_[row * w_ + col] = colour;
    }
    uint32_t at(int x, int y) const {
        GdiFlush();
        return bits_[y * w_ + x] & 0xFFFFFF;
    }
    // Pixels inside (x, y, w, h) that are not `inside`, and outside it that are not `outside`.
    std::pair<int, int> wrong(int x, int y, int w, int h, uint32_t inside, uint32_t outside) const {
        int in = 0, out = 0;
        for (int row = 0; row < h_; ++row)
            for (int col = 0; col < w_; ++col) {
                const bool within = col >= x && col < x + w && row >= y && row < y + h;
                if (within && at(col, row) != inside) ++in;
                if (!within && at(col, row) != outside) ++out;
            }
        return {in, out};
    }

private:
    int w_, h_;
    MemoryDC dc_;
    GdiBitmap bitmap_;
    std::optional<SelectedObject> selection_;  // goes first, before the bitmap and the context
    uint32_t* bits_ = nullptr;
};

constexpr TransitionTimings kNoLatency{0, 0, 0, 0, 0, 0, 0};

int elapsedMs(std::chrono::steady_clock::time_point since) {
    return int(std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - since).count());
}

TEST(Transitions, EveryEffectCoversExactlyItsRectangleWithTheSource) {
    // The source picture is red; beyond it the source DC is green, which must never be read.
    const struct { int w, h, x, y; bool crtRand; } cases[] = {
        {64, 48, 0, 0, true}, {13, 7, 5, 3, false}, {1, 1, 2, 2, false}, {1, 9, 0, 4, false}, {9, 1, 3, 0, false}};
    for (int effect = -1; effect <= kTransitionCount; ++effect)
        for (const auto& c : cases) {
            Picture source(c.w + 3, c.h + 3, kGreen), destination(c.x + c.w + 4, c.y + c.h + 4, kBlue);
            ASSERT_TRUE(source.valid() && destination.valid());
            source.fill(0, 0, c.w, c.h, kRed);
            if (c.crtRand)
                runTransition(destination.dc(), c.w, c.h, source.dc(), effect, c.x, c.y, kNoLatency);
            else  // the least jitter keeps the sleeps short
                runTransition(destination.dc(), c.w, c.h, source.dc(), effect, c.x, c.y, kNoLatency, [] { return 0; });
            const auto [in, out] = destination.wrong(c.x, c.y, c.w, c.h, kRed, kBlue);
            const bool drawn = effect >= 0 && effect < kTransitionCount;
            SCOPED_TRACE("effect " + std::to_string(effect) + " at " + std::to_string(c.w) + "x" +
                         std::to_string(c.h) + "+" + std::to_string(c.x) + "+" + std::to_string(c.y));
            EXPECT_EQ(in, drawn ? 0 : c.w * c.h);
            EXPECT_EQ(out, 0);
        }
}

// A visible window of this thread with the keyboard focus, for real input sent with SendInput.
class FocusedWindow : public ::testing::Test {
protected:
    void SetUp() override {
        // A class of its own: a static control lets mouse clicks through to what lies below.
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"GlimvueTransitionTest";
        RegisterClassW(&windowClass);
        window_ = CreateWindowExW(WS_EX_TOPMOST, windowClass.lpszClassName, L"transition", WS_POPUP | WS_VISIBLE, 0,
                                  0, 200, 200, nullptr, nullptr, windowClass.hInstance, nullptr);
        ASSERT_TRUE(window_);
        SetForegroundWindow(window_);
        SetFocus(window_);
        SetCursorPos(100, 100);
        drain();
    }
    void TearDown() override {
        drain();
        DestroyWindow(window_);
    }
    static void drain() {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    }
    static void send(DWORD type, WORD key, DWORD flags) {
        INPUT input{};
        input.type = type;
        if (type == INPUT_KEYBOARD) {
            input.ki.wVk = key;
            input.ki.dwFlags = flags;
        } else {
            input.mi.dwFlags = flags;
        }
        SendInput(1, &input, sizeof(input));
    }
    // Waits until the queue holds input of the kind; false after two seconds.
    static bool queued(UINT kind) {
        for (int i = 0; i < 200; ++i) {
            if (HIWORD(GetQueueStatus(kind))) return true;
            Sleep(10);
        }
        return false;
    }
    // Milliseconds one run of the effect takes onto a red-filled memory picture, and whether the
    // rectangle ends red.
    static std::pair<int, bool> timed(int effect, const TransitionTimings& timings) {
        Picture source(40, 30, kRed), destination(40, 30, kBlue);
        const auto start = std::chrono::steady_clock::now();
        runTransition(destination.dc(), 40, 30, source.dc(), effect, 0, 0, timings, [] { return 0; });
        const int took = elapsedMs(start);
        return {took, destination.wrong(0, 0, 40, 30, kRed, kBlue).first == 0};
    }

    HWND window_ = nullptr;
};

TEST_F(FocusedWindow, APressCutsTheEffectShortAndStaysQueued) {
    TransitionTimings slow;
    slow.shutterLatency = slow.wipeLatency = slow.slideLatency = slow.quadrantSlideLatency =
        slow.quadrantWipeLatency = slow.dissolveLatency = slow.crossfadeLatency = 1500;

    // A key already waiting: every effect shows the new picture at once.
    send(INPUT_KEYBOARD, 'Q', 0);
    ASSERT_TRUE(queued(QS_KEY)) << "the key press never reached the test thread";
    for (int effect = 0; effect < kTransitionCount; ++effect) {
        const auto [took, red] = timed(effect, slow);
        EXPECT_LT(took, 1000) << effect;
        EXPECT_TRUE(red) << effect;
    }
    MSG message;
    ASSERT_TRUE(PeekMessageW(&message, nullptr, WM_KEYDOWN, WM_KEYDOWN, PM_REMOVE));
    EXPECT_EQ(message.wParam, WPARAM('Q'));

    // The release of a key is no new press: the effect takes its time (50 blends of 10 ms).
    send(INPUT_KEYBOARD, 'Q', KEYEVENTF_KEYUP);
    ASSERT_TRUE(queued(QS_KEY));
    TransitionTimings fade = kNoLatency;
    fade.crossfadeLatency = 9;
    const auto [fadeTook, fadeRed] = timed(kCrossfade, fade);
    EXPECT_GE(fadeTook, 450);
    EXPECT_TRUE(fadeRed);
    drain();

    // A press that arrives during a sleep wakes it.
    std::thread presser([] {
        Sleep(300);
        send(INPUT_KEYBOARD, 'W', 0);
    });
    const auto [lateTook, lateRed] = timed(kDissolve, slow);
    presser.join();
    EXPECT_GE(lateTook, 250);
    EXPECT_LT(lateTook, 3000);
    EXPECT_TRUE(lateRed);
    EXPECT_TRUE(PeekMessageW(&message, nullptr, WM_KEYDOWN, WM_KEYDOWN, PM_NOREMOVE));
    send(INPUT_KEYBOARD, 'W', KEYEVENTF_KEYUP);
    drain();

    // A mouse button pressed over the window counts too.
    send(INPUT_MOUSE, 0, MOUSEEVENTF_LEFTDOWN);
    ASSERT_TRUE(queued(QS_MOUSEBUTTON));
    const auto [clickTook, clickRed] = timed(kCrossfade, slow);
    EXPECT_LT(clickTook, 1000);
    EXPECT_TRUE(clickRed);
    EXPECT_TRUE(PeekMessageW(&message, nullptr, WM_LBUTTONDOWN, WM_LBUTTONDOWN, PM_NOREMOVE));
    send(INPUT_MOUSE, 0, MOUSEEVENTF_LEFTUP);
}

TEST_F(FocusedWindow, CrossfadeOnAWindowStartsFromWhatItShows) {
    // Onto the window itself, at an offset: the capture reads the window, the end shows the source.
    const WindowDC shown(window_);
    HDC screen = shown.get();
    ASSERT_TRUE(screen);
    const GdiBrush blue(CreateSolidBrush(RGB(0, 0, 255)));
    const RECT all{0, 0, 200, 200};
    FillRect(screen, &all, blue.get());
    Picture source(50, 40, kRed);
    runTransition(screen, 50, 40, source.dc(), kCrossfade, 30, 20, kNoLatency, [] { return 0; });
    Picture seen(200, 200, 0);
    BitBlt(seen.dc(), 0, 0, 200, 200, screen, 0, 0, SRCCOPY);
    const auto [in, out] = seen.wrong(30, 20, 50, 40, kRed, kBlue);
    EXPECT_EQ(in, 0);
    EXPECT_EQ(out, 0);
}

}  // namespace
