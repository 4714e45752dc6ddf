// The Blackbox route of the wallpaper, with a stand-in window of Blackbox's class that records the
// copy-data messages it is sent, and the skin messages posted to the program's own window.
#include <windows.h>

#include "win/imaging_fixture.h"

#include "display/view_image.h"
#include "fileops/shortcut_file.h"
#include "shell/wallpaper.h"

using namespace wintest;

namespace {

struct Received {
    ULONG_PTR id = 0;
    std::string bytes;
};
std::vector<Received> received;
std::vector<std::pair<UINT, WPARAM>> posted;

LRESULT CALLBACK standInProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COPYDATA) {
        const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        received.push_back({data->dwData, std::string(static_cast<const char*>(data->lpData), data->cbData)});
        return TRUE;
    }
    if (message >= 0xC000) posted.emplace_back(message, wParam);  // registered messages
    return DefWindowProcW(window, message, wParam, lParam);
}

// A hidden top-level window of class "BlackboxClass" titled "Blackbox".
class BlackboxStandIn {
public:
    BlackboxStandIn() {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = standInProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"BlackboxClass";
        RegisterClassW(&windowClass);
        window_ = CreateWindowExW(0, L"BlackboxClass", L"Blackbox", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
        received.clear();
        posted.clear();
    }
    ~BlackboxStandIn() {
        if (window_) DestroyWindow(window_);
    }
    HWND window() const { return window_; }

private:
    HWND window_ = nullptr;
};

// The command text of a received root command, after checking its form.
std::string commandOf(const Received& message) {
    EXPECT_EQ(message.id, 10882u);
    EXPECT_EQ(message.bytes.size(), 308u);
    if (message.bytes.size() != 308) return {};
    EXPECT_EQ(message.bytes.substr(0, 8), std::string(8, '\0'));
    const std::string field = message.bytes.substr(8);
    const size_t end = field.find('\0');
    EXPECT_NE(end, std::string::npos);
    EXPECT_EQ(field.find_first_not_of('\0', end), std::string::npos) << "the field is zero-filled";
    return field.substr(0, end);
}

std::string narrow(const std::wstring& path) {
    bool exact = false;
    std::string text = narrowPath(path, exact);
    EXPECT_TRUE(exact);
    return text;
}

class BlackboxTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(imaging_.ok());
        ASSERT_TRUE(standIn_.window());
        context_.wallpaperPath = folder_.file(L"glimpaper.jpg");
        context_.blackbox = {true, true, false, 1};
        context_.blackboxWindow = findBlackboxWindow();
        picture_ = folder_.file(L"my picture.png");
        ASSERT_TRUE(writePatternImage(picture_, 80, 60));
        ASSERT_TRUE(wintest::loadPicture(image_, picture_));
        DesktopValuesKept::write(L"Wallpaper", L"C:\\mine.bmp");
    }

    Imaging imaging_;
    DesktopValuesKept kept_;
    TempFolder folder_;
    BlackboxStandIn standIn_;
    WallpaperContext context_;
    std::wstring picture_;
    ViewImage image_;
};

TEST_F(BlackboxTest, TheStandInIsFoundAndGetsTheImageItself) {
    EXPECT_EQ(context_.blackboxWindow, standIn_.window());

    ASSERT_TRUE(setDesktopWallpaper(context_, image_, {800, 600}, picture_));
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(commandOf(received[0]), "@BBCore.rootCommand bsetroot -center \"" + narrow(picture_) + "\"");
    // Nothing rendered, the desktop's own values untouched.
    EXPECT_FALSE(std::filesystem::exists(context_.wallpaperPath));
    EXPECT_EQ(DesktopValuesKept::read(L"Wallpaper").value_or(L""), L"C:\\mine.bmp");
    EXPECT_TRUE(writeDesktopWallpaperStyle(context_, 0));
    EXPECT_EQ(DesktopValuesKept::read(L"Wallpaper").value_or(L""), L"C:\\mine.bmp");

    // A shortcut entry names its target, as recorded in the shortcut.
    const std::wstring shortcut = folder_.file(L"link to picture.lnk");
    {
        ShortcutFile file;
        ASSERT_TRUE(file.open());
        ASSERT_TRUE(file.create(picture_, shortcut));
    }
    received.clear();
    context_.blackbox.style = 2;
    ASSERT_TRUE(setDesktopWallpaper(context_, image_, {800, 600}, shortcut));
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(commandOf(received[0]), "@BBCore.rootCommand bsetroot -tile \"" + narrow(picture_) + "\"");

    // A picture without a file of its own (pasted) is rendered and the rendered file named.
    received.clear();
    context_.blackbox.style = 3;
    ASSERT_TRUE(setDesktopWallpaper(context_, image_, {160, 120}, L""));
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(commandOf(received[0]), "@BBCore.rootCommand bsetroot -full \"" + narrow(context_.wallpaperPath) + "\"");
    EXPECT_EQ(decodeInfo(context_.wallpaperPath)->width, 160);
}

TEST_F(BlackboxTest, ScaledRouteResetsTheRootThenNamesTheRenderedFile) {
    context_.blackbox.scale = true;
    context_.blackbox.style = 3;
    const ULONGLONG start = GetTickCount64();
    ASSERT_TRUE(setDesktopWallpaper(context_, image_, {240, 180}, picture_));
    EXPECT_GE(GetTickCount64() - start, 450u) << "a pause between the two commands";
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(commandOf(received[0]), "@BBCore.rootCommand bsetroot -center bsetroot.bmp");
    EXPECT_EQ(commandOf(received[1]), "@BBCore.rootCommand bsetroot -full \"" + narrow(context_.wallpaperPath) + "\"");
    const auto written = decodeInfo(context_.wallpaperPath);
    ASSERT_TRUE(written.has_value());
    EXPECT_EQ(written->width, 240);
    EXPECT_EQ(written->height, 180);
    EXPECT_EQ(DesktopValuesKept::read(L"Wallpaper").value_or(L""), L"C:\\mine.bmp");
}

TEST_F(BlackboxTest, APathTheNarrowCodePageCannotHoldIsNeverSentCut) {
    // (Where the narrow code page is UTF-8 it holds every character.)
    if (GetACP() != CP_UTF8) {
        const std::wstring foreign = folder_.file(L"\x5C71\x6C34 \x0416.png");
        ASSERT_TRUE(writePatternImage(foreign, 30, 20));
        bool exact = true;
        narrowPath(foreign, exact);
        EXPECT_FALSE(exact);
        ASSERT_TRUE(setDesktopWallpaper(context_, image_, {30, 20}, foreign));
        ASSERT_EQ(received.size(), 1u);
        EXPECT_EQ(commandOf(received[0]),
                  "@BBCore.rootCommand bsetroot -center \"" + narrow(context_.wallpaperPath) + "\"");
    }

    // A path beyond 260 narrow bytes is not cut into the name of another file either.
    const std::wstring longPath =
        folder_.path() + L"\\" + std::wstring(120, L'd') + L"\\" + std::wstring(120, L'e') + L"\\picture.png";
    ASSERT_GT(narrow(longPath).size(), 260u);
    received.clear();
    ASSERT_TRUE(setDesktopWallpaper(context_, image_, {30, 20}, longPath));
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(commandOf(received[0]).find("eeee"), std::string::npos);
}

TEST_F(BlackboxTest, CopyDataOfAnyLengthAndTheSkinMessages) {
    const uint8_t prefix[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    std::string block(5000, 'b');
    block[0] = 'a';
    block[4999] = 'z';
    ASSERT_TRUE(sendCopyData(standIn_.window(), 77, prefix, block.data(), block.size()));
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].id, 77u);
    EXPECT_EQ(received[0].bytes, std::string("\1\2\3\4\5\6\7\10", 8) + block);
    EXPECT_FALSE(sendCopyData(nullptr, 77, prefix, block.data(), block.size()));

    postSkinMessages(standIn_.window());
    ASSERT_TRUE(pumpUntil([] { return posted.size() >= 2; }));
    EXPECT_EQ(posted[0].first, RegisterWindowMessageW(L"BBLEANSKIN_WINDOWMSG"));
    EXPECT_EQ(posted[0].second, 2u);
    EXPECT_EQ(posted[1].first, RegisterWindowMessageW(L"BBLEANSKIN_MSG"));
    EXPECT_EQ(posted[1].second, 5u);
}

}  // namespace
