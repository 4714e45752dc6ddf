// The real program on the desktop: wallpaper mode and the wallpaper commands and switches on the
// real registry, closing other instances, the show/hide hotkey, the tray icon and its menu, and the
// clipboard's Copy Image, Copy View and Paste checked pixel for pixel.
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "command_ids.h"
#include "e2e/harness.h"
#include "text.h"

using e2e::Glimvue;
using ::testing::AssertionResult;

namespace {

const std::wstring kQuiet = L" -noslide -notransitions";
const wchar_t* const kDesktopKey = L"Control Panel\\Desktop";
const wchar_t* const kValueNames[] = {L"Wallpaper", L"TileWallpaper", L"WallpaperStyle", L"PrevWallpaper",
                                      L"PrevTileWallpaper"};

std::wstring quoted(const std::wstring& path) { return L"\"" + path + L"\""; }

// A desktop value; nullopt when it does not exist.
std::optional<std::wstring> desktopValue(const wchar_t* name) {
    DWORD bytes = 0;
    if (RegGetValueW(HKEY_CURRENT_USER, kDesktopKey, name, RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND,
                     nullptr, nullptr, &bytes) != ERROR_SUCCESS)
        return std::nullopt;
    std::wstring value(bytes / sizeof(wchar_t) + 1, L'\0');
    bytes = static_cast<DWORD>(value.size() * sizeof(wchar_t));
    if (RegGetValueW(HKEY_CURRENT_USER, kDesktopKey, name, RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND,
                     nullptr, value.data(), &bytes) != ERROR_SUCCESS)
        return std::nullopt;
    value.resize(wcslen(value.c_str()));
    return value;
}

void setDesktopValue(const wchar_t* name, const std::optional<std::wstring>& value) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kDesktopKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    if (value)
        RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value->c_str()),
                       static_cast<DWORD>((value->size() + 1) * sizeof(wchar_t)));
    else
        RegDeleteValueW(key, name);
    RegCloseKey(key);
}

// The desktop's wallpaper values as they were before the test, put back afterwards.
class DesktopValuesKept {
public:
    DesktopValuesKept() {
        for (const wchar_t* name : kValueNames) kept_.push_back(desktopValue(name));
    }
    ~DesktopValuesKept() {
        for (size_t i = 0; i < kept_.size(); ++i) setDesktopValue(kValueNames[i], kept_[i]);
    }

private:
    std::vector<std::optional<std::wstring>> kept_;
};

AssertionResult valueIs(const wchar_t* name, const std::wstring& want) {
    auto now = [name] { return desktopValue(name).value_or(L"<none>"); };
    return e2e::becomes([&] { return now() == want; },
                        [&] { return toUtf8(name) + " is " + toUtf8(now()) + ", expected " + toUtf8(want); }, 10000);
}

// Pixels of an image file or a bitmap, 0xRRGGBB, row by row from the top.
struct Pixels {
    int width = 0, height = 0;
    std::vector<unsigned> rgb;
    unsigned at(int x, int y) const { return rgb[static_cast<size_t>(y) * static_cast<size_t>(width) + x]; }
};

Pixels pixelsOfBitmap(HBITMAP bitmap) {
    Pixels pixels;
    BITMAP info{};
    if (!GetObjectW(bitmap, sizeof(info), &info)) return pixels;
    BITMAPINFO request{};
    request.bmiHeader.biSize = sizeof(request.bmiHeader);
    request.bmiHeader.biWidth = info.bmWidth;
    request.bmiHeader.biHeight = -info.bmHeight;  // top-down
    request.bmiHeader.biPlanes = 1;
    request.bmiHeader.biBitCount = 32;
    request.bmiHeader.biCompression = BI_RGB;
    std::vector<unsigned> bgra(static_cast<size_t>(info.bmWidth) * static_cast<size_t>(info.bmHeight));
    HDC screen = GetDC(nullptr);
    const int rows = GetDIBits(screen, bitmap, 0, static_cast<UINT>(info.bmHeight), bgra.data(), &request,
                               DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    if (rows != info.bmHeight) return pixels;
    pixels.width = info.bmWidth;
    pixels.height = info.bmHeight;
    for (unsigned& p : bgra) p &= 0xFFFFFF;  // a DIB's 0x00RRGGBB is already the order wanted
    pixels.rgb = std::move(bgra);
    return pixels;
}

Pixels pixelsOfFile(const std::wstring& path) {
    static const bool started = [] {
        ULONG_PTR token = 0;
        Gdiplus::GdiplusStartupInput input;
        return Gdiplus::GdiplusStartup(&token, &input, nullptr) == Gdiplus::Ok;
    }();
    Pixels pixels;
    if (!started) return pixels;
    Gdiplus::Bitmap image(path.c_str());
    if (image.GetLastStatus() != Gdiplus::Ok) return pixels;
    HBITMAP bitmap = nullptr;
    if (image.GetHBITMAP(Gdiplus::Color(0, 0, 0), &bitmap) != Gdiplus::Ok) return pixels;
    pixels = pixelsOfBitmap(bitmap);
    DeleteObject(bitmap);
    return pixels;
}

// The bitmap on the clipboard (none: width 0). The program may hold the clipboard for a moment.
Pixels clipboardPixels() {
    Pixels pixels;
    e2e::waitFor([] { return OpenClipboard(nullptr) != FALSE; }, 5000);
    if (HBITMAP bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP))) pixels = pixelsOfBitmap(bitmap);
    CloseClipboard();
    return pixels;
}

void putTextOnClipboard() {
    ASSERT_TRUE(e2e::waitFor([] { return OpenClipboard(nullptr) != FALSE; }, 5000));
    EmptyClipboard();
    const wchar_t text[] = L"no picture here";
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, sizeof(text));
    memcpy(GlobalLock(memory), text, sizeof(text));
    GlobalUnlock(memory);
    SetClipboardData(CF_UNICODETEXT, memory);
    CloseClipboard();
}

// A 24-bit BMP whose every pixel differs from its neighbours: red follows x, green follows y, blue
// the 256-pixel block, so any shift or scaling shows.
unsigned patternAt(int x, int y) {
    return (static_cast<unsigned>(x & 255) << 16) | (static_cast<unsigned>(y & 255) << 8) |
           static_cast<unsigned>(((x >> 8) * 40 + (y >> 8) * 90) & 255);
}
std::string patternBmp(int width, int height) {
    const int stride = (width * 3 + 3) & ~3;
    const uint32_t imageBytes = static_cast<uint32_t>(stride) * static_cast<uint32_t>(height);
    std::string bytes(54 + imageBytes, '\0');
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    bytes[0] = 'B';
    bytes[1] = 'M';
    put32(2, 54 + imageBytes);
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<uint32_t>(width));
    put32(22, static_cast<uint32_t>(height));
    bytes[26] = 1;
    bytes[28] = 24;
    put32(34, imageBytes);
    for (int y = 0; y < height; ++y) {
        const size_t row = 54 + static_cast<size_t>(height - 1 - y) * static_cast<size_t>(stride);
        for (int x = 0; x < width; ++x) {
            const unsigned c = patternAt(x, y);
            bytes[row + x * 3] = static_cast<char>(c & 0xFF);
            bytes[row + x * 3 + 1] = static_cast<char>((c >> 8) & 0xFF);
            bytes[row + x * 3 + 2] = static_cast<char>((c >> 16) & 0xFF);
        }
    }
    return bytes;
}

// Whether the window shows `pixels` at its client's top left, on a grid of sample points.
AssertionResult screenShows(HWND window, const Pixels& pixels, int tolerance = 2) {
    std::string mismatch;
    const bool same = e2e::waitFor(
        [&] {
            for (int sy = 0; sy < 9; ++sy)
                for (int sx = 0; sx < 9; ++sx) {
                    const int x = (pixels.width - 1) * sx / 8, y = (pixels.height - 1) * sy / 8;
                    const unsigned seen = e2e::screenColourAt(window, x, y);
                    if (!e2e::coloursMatch(seen, pixels.at(x, y), tolerance)) {
                        mismatch = "at " + std::to_string(x) + "," + std::to_string(y) + " the screen shows " +
                                   std::to_string(seen) + ", expected " + std::to_string(pixels.at(x, y));
                        return false;
                    }
                }
            return true;
        },
        5000, 100);
    return same ? ::testing::AssertionSuccess() : ::testing::AssertionFailure() << mismatch;
}

bool isVisible(HWND window) { return IsWindowVisible(window) != FALSE; }

AssertionResult visibilityIs(HWND window, bool visible) {
    return e2e::becomes([&] { return isVisible(window) == visible; },
                        [&] { return std::string("the window is ") + (isVisible(window) ? "shown" : "hidden"); },
                        5000);
}

void pressKeys(std::initializer_list<WORD> keys) {
    std::vector<INPUT> inputs;
    for (bool down : {true, false})
        for (WORD key : keys) {
            INPUT input{};
            input.type = INPUT_KEYBOARD;
            input.ki.wVk = key;
            input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
            input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
            inputs.push_back(input);
        }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

// The visible popup menu of a process, or null.
HWND shownMenuOf(DWORD processId) {
    for (HWND window = nullptr; (window = FindWindowExW(nullptr, window, L"#32768", nullptr)) != nullptr;) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == processId && IsWindowVisible(window)) return window;
    }
    return nullptr;
}

}  // namespace

TEST(Wallpaper, ModeRendersTheScreenSizeAndKeepsTheFirstPreviousWallpaper) {
    const DesktopValuesKept kept;
    const std::wstring mine = L"C:\\users\\someone\\mine.bmp";
    setDesktopValue(L"Wallpaper", mine);
    setDesktopValue(L"TileWallpaper", L"1");
    setDesktopValue(L"PrevWallpaper", std::nullopt);
    setDesktopValue(L"PrevTileWallpaper", std::nullopt);

    // A picture of the screen's proportions, a quarter of its size, one colour; stretched to fit.
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN);
    e2e::TempFolder pictures(L"wall");
    pictures.addBmp(L"a.bmp", screenWidth / 4, screenHeight / 4, 0x3060C0);

    Glimvue program;
    const std::wstring rendered = program.file(L"glimpaper.jpg");
    // Entering wallpaper mode twice (two runs of the program) records the user's wallpaper once.
    for (int run = 0; run < 2; ++run) {
        SCOPED_TRACE("run " + std::to_string(run));
        std::filesystem::remove(rendered);
        ASSERT_TRUE(program.start(quoted(pictures.path()) + L" -wallpaper -stretch" + kQuiet));
        HWND main = program.waitForAnyMainWindow();
        ASSERT_NE(main, nullptr);
        ASSERT_TRUE(e2e::becomes([&] { return pixelsOfFile(rendered).width != 0; },
                                 [] { return std::string("no readable glimpaper.jpg"); }));
        const Pixels wallpaper = pixelsOfFile(rendered);
        EXPECT_EQ(wallpaper.width, screenWidth);
        EXPECT_EQ(wallpaper.height, screenHeight);
        EXPECT_TRUE(e2e::coloursMatch(wallpaper.at(screenWidth / 2, screenHeight / 2), 0x3060C0, 8));
        EXPECT_FALSE(isVisible(main)) << "wallpaper mode keeps the window hidden";
        EXPECT_TRUE(valueIs(L"Wallpaper", rendered));
        EXPECT_TRUE(valueIs(L"PrevWallpaper", mine));
        EXPECT_TRUE(valueIs(L"PrevTileWallpaper", L"1"));
        EXPECT_TRUE(valueIs(L"TileWallpaper", L"1")) << "entering the mode leaves the style values";
        ASSERT_TRUE(program.close());
    }
}

TEST(Wallpaper, StylesClearRestoreAndTheSwitches) {
    const DesktopValuesKept kept;
    const std::wstring mine = L"C:\\users\\someone\\mine.bmp";
    setDesktopValue(L"Wallpaper", mine);
    setDesktopValue(L"TileWallpaper", L"0");
    setDesktopValue(L"WallpaperStyle", L"2");
    setDesktopValue(L"PrevWallpaper", std::nullopt);
    setDesktopValue(L"PrevTileWallpaper", std::nullopt);
    e2e::TempFolder pictures(L"wall");
    pictures.addBmp(L"a.bmp", 240, 180, 0xC03020);

    Glimvue program;
    const std::wstring rendered = program.file(L"glimpaper.jpg");
    ASSERT_TRUE(program.start(quoted(pictures.path()) + L" -wrap -z100" + kQuiet));
    ASSERT_NE(program.waitForMainWindow(), nullptr);

    // Clear keeps the user's wallpaper; Restore brings it back.
    program.postCommand(CMD_WALL_CLEAR);
    EXPECT_TRUE(valueIs(L"Wallpaper", L""));
    EXPECT_TRUE(valueIs(L"PrevWallpaper", mine));
    EXPECT_TRUE(valueIs(L"PrevTileWallpaper", L"0"));
    program.postCommand(CMD_WALL_RESTORE);
    EXPECT_TRUE(valueIs(L"Wallpaper", mine));
    EXPECT_TRUE(valueIs(L"WallpaperStyle", L"2")) << "the style is not restored";

    // Tile in windowed mode: the picture at its shown size, the style values, the user's kept.
    program.postCommand(CMD_WALL_TILE);
    EXPECT_TRUE(valueIs(L"Wallpaper", rendered));
    EXPECT_TRUE(valueIs(L"TileWallpaper", L"1"));
    EXPECT_TRUE(valueIs(L"WallpaperStyle", L"0"));
    EXPECT_TRUE(valueIs(L"PrevWallpaper", mine));
    ASSERT_TRUE(e2e::becomes([&] { return pixelsOfFile(rendered).width != 0; },
                             [] { return std::string("no readable glimpaper.jpg"); }));
    const Pixels tile = pixelsOfFile(rendered);
    EXPECT_EQ(tile.width, 240);
    EXPECT_EQ(tile.height, 180);
    EXPECT_TRUE(e2e::coloursMatch(tile.at(120, 90), 0xC03020, 8));

    // Clear then Restore brings back the wallpaper before Clear, here the program's own.
    program.postCommand(CMD_WALL_CLEAR);
    EXPECT_TRUE(valueIs(L"Wallpaper", L""));
    EXPECT_TRUE(valueIs(L"PrevWallpaper", rendered));
    program.postCommand(CMD_WALL_RESTORE);
    EXPECT_TRUE(valueIs(L"Wallpaper", rendered));
    EXPECT_TRUE(valueIs(L"TileWallpaper", L"1"));
    ASSERT_TRUE(program.close());

    // The switches act while the command line is read.
    setDesktopValue(L"Wallpaper", mine);
    ASSERT_TRUE(program.start(quoted(pictures.path()) + L" -stretchwall" + kQuiet));
    ASSERT_NE(program.waitForMainWindow(), nullptr);
    EXPECT_TRUE(valueIs(L"Wallpaper", rendered));
    EXPECT_TRUE(valueIs(L"WallpaperStyle", L"2"));
    EXPECT_TRUE(valueIs(L"TileWallpaper", L"0"));
    EXPECT_TRUE(valueIs(L"PrevWallpaper", mine));
    ASSERT_TRUE(program.close());
    ASSERT_TRUE(program.start(quoted(pictures.path()) + L" -clearwall" + kQuiet));
    ASSERT_NE(program.waitForMainWindow(), nullptr);
    EXPECT_TRUE(valueIs(L"Wallpaper", L""));
    EXPECT_TRUE(valueIs(L"PrevWallpaper", rendered));
    ASSERT_TRUE(program.close());
}

TEST(Instances, SingleInstanceClosesTheOthersOnly) {
    e2e::TempFolder pictures(L"single");
    pictures.addBmp(L"a.bmp", 120, 90, 0x208040);
    const std::wstring arguments = quoted(pictures.path()) + kQuiet;

    // Without the switch instances live side by side.
    Glimvue first, second, third;
    ASSERT_TRUE(first.start(arguments));
    ASSERT_NE(first.waitForMainWindow(), nullptr);
    ASSERT_TRUE(second.start(arguments));
    ASSERT_NE(second.waitForMainWindow(), nullptr);
    EXPECT_FALSE(first.waitForExit(1000));

    // A window of another program that happens to be a dialog is left alone.
    HWND bystander = CreateWindowExW(0, L"#32770", L"bystander", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr,
                                     GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(bystander, nullptr);

    ASSERT_TRUE(third.start(arguments + L" -single"));
    ASSERT_NE(third.waitForMainWindow(), nullptr);
    EXPECT_TRUE(first.waitForExit());
    EXPECT_TRUE(second.waitForExit());
    EXPECT_FALSE(third.waitForExit(1000)) << "the new instance runs on";
    MSG message;
    bool bystanderAsked = false;
    while (PeekMessageW(&message, bystander, 0, 0, PM_REMOVE))
        if (message.message == WM_USER + 5) bystanderAsked = true;
    EXPECT_FALSE(bystanderAsked);
    EXPECT_TRUE(IsWindow(bystander));
    DestroyWindow(bystander);

    EXPECT_TRUE(third.close());
}

TEST(Hotkey, TogglesHideAndShow) {
    e2e::TempFolder pictures(L"hotkey");
    pictures.addBmp(L"a.bmp", 120, 90, 0x804020);
    Glimvue program;
    program.add(L"glimvue.ini", e2e::utf16File(L"[Hotkeys]\r\nhidemod=2\r\nhidekey=120\r\n"));  // Ctrl+F9
    ASSERT_TRUE(program.start(quoted(pictures.path()) + kQuiet));
    HWND main = program.waitForMainWindow();
    ASSERT_NE(main, nullptr);

    pressKeys({VK_CONTROL, VK_F9});
    EXPECT_TRUE(visibilityIs(main, false));
    pressKeys({VK_CONTROL, VK_F9});
    EXPECT_TRUE(visibilityIs(main, true));
    pressKeys({VK_F9});  // without its modifier the key is no hotkey
    Sleep(500);
    EXPECT_TRUE(isVisible(main));
    EXPECT_TRUE(program.close());
}

TEST(TrayIcon, ReplacesTheTaskbarButtonTogglesAndItsMenuWorks) {
    e2e::TempFolder pictures(L"tray");
    pictures.addBmp(L"a.bmp", 120, 90, 0x405060);
    Glimvue program;
    ASSERT_TRUE(program.start(quoted(pictures.path()) + L" -trayicon" + kQuiet));
    HWND main = program.waitForMainWindow();
    ASSERT_NE(main, nullptr);
    // An owned window without the app-window style has no task-bar button.
    EXPECT_EQ(GetWindowLongPtrW(main, GWL_EXSTYLE) & WS_EX_APPWINDOW, 0);
    EXPECT_NE(GetWindow(main, GW_OWNER), nullptr);

    // A left press on the icon hides and shows the window; other clicks do nothing.
    PostMessageW(main, WM_USER + 1, 0, WM_LBUTTONDOWN);
    EXPECT_TRUE(visibilityIs(main, false));
    PostMessageW(main, WM_USER + 1, 0, WM_LBUTTONUP);
    Sleep(300);
    EXPECT_FALSE(isVisible(main));
    PostMessageW(main, WM_USER + 1, 0, WM_LBUTTONDOWN);
    EXPECT_TRUE(visibilityIs(main, true));

    // Tray Icon off gives the button back; on again takes it away.
    program.postCommand(CMD_TRAYICON);
    EXPECT_TRUE(e2e::becomes([&] { return (GetWindowLongPtrW(main, GWL_EXSTYLE) & WS_EX_APPWINDOW) != 0; },
                             [] { return std::string("no task-bar style"); }, 5000));
    EXPECT_TRUE(visibilityIs(main, true));
    program.postCommand(CMD_TRAYICON);
    EXPECT_TRUE(e2e::becomes([&] { return (GetWindowLongPtrW(main, GWL_EXSTYLE) & WS_EX_APPWINDOW) == 0; },
                             [] { return std::string("the task-bar style stays"); }, 5000));

    // A right click opens the Main Menu; Escape closes it with nothing done, then its last item (Exit)
    // chosen with the keys ends the program.
    PostMessageW(main, WM_USER + 1, 0, WM_RBUTTONUP);
    HWND menu = nullptr;
    ASSERT_TRUE(e2e::waitFor([&] { return (menu = shownMenuOf(program.processId())) != nullptr; }, 5000));
    PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
    ASSERT_TRUE(e2e::waitFor([&] { return shownMenuOf(program.processId()) == nullptr; }, 5000));
    EXPECT_FALSE(program.waitForExit(500));
    PostMessageW(main, WM_USER + 1, 0, WM_RBUTTONUP);
    ASSERT_TRUE(e2e::waitFor([&] { return (menu = shownMenuOf(program.processId())) != nullptr; }, 5000));
    PostMessageW(menu, WM_KEYDOWN, VK_UP, 0);
    PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_TRUE(program.waitForExit());
}

TEST(Clipboard, CopyImageFullSizeCopyViewThenPasteShowsExactlyTheView) {
    e2e::TempFolder pictures(L"clip");
    pictures.add(L"pattern.bmp", patternBmp(3200, 2400));
    Glimvue program;
    ASSERT_TRUE(program.start(quoted(pictures.path()) + L" -nowrap -z50 -nostatusbar" + kQuiet));
    HWND main = program.waitForMainWindow();
    ASSERT_NE(main, nullptr);
    const std::wstring fileCaption = pictures.file(L"pattern.bmp");
    ASSERT_TRUE(e2e::becomes([&] { return program.caption().find(fileCaption) == 0; },
                             [&] { return "caption " + toUtf8(program.caption()); }));

    // Copy Image: the whole picture at its own size, whatever the zoom.
    program.postCommand(CMD_COPY_IMAGE);
    Pixels image;
    ASSERT_TRUE(e2e::becomes([&] { return (image = clipboardPixels()).width == 3200; },
                             [&] { return "clipboard picture " + std::to_string(image.width) + " wide"; }));
    EXPECT_EQ(image.height, 2400);
    for (auto [x, y] : {std::pair{0, 0}, {3199, 0}, {0, 2399}, {1801, 613}, {3199, 2399}})
        EXPECT_EQ(image.at(x, y), patternAt(x, y)) << x << "," << y;

    // Paste without a bitmap on the clipboard changes nothing.
    const std::wstring captionBefore = program.caption();
    const Pixels screenBefore = [&] {
        Pixels p;
        p.width = 64;
        p.height = 64;
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x) p.rgb.push_back(e2e::screenColourAt(main, x * 4, y * 4));
        return p;
    }();
    putTextOnClipboard();
    program.postCommand(CMD_PASTE);
    Sleep(700);
    EXPECT_EQ(program.caption(), captionBefore);
    int changed = 0;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            if (!e2e::coloursMatch(e2e::screenColourAt(main, x * 4, y * 4), screenBefore.at(x, y), 2)) ++changed;
    EXPECT_EQ(changed, 0);

    // Copy View: exactly what the client shows (the picture is shown at 1600 x 1200, larger than it).
    program.postCommand(CMD_COPY_VIEW);
    Pixels viewCopy;
    ASSERT_TRUE(e2e::becomes([&] { return (viewCopy = clipboardPixels()).width != 0; },
                             [] { return std::string("no bitmap after Copy View"); }));
    const SIZE client = e2e::clientSize(main);
    EXPECT_EQ(viewCopy.width, std::min<int>(client.cx, 1600));
    EXPECT_EQ(viewCopy.height, std::min<int>(client.cy, 1200));
    EXPECT_TRUE(screenShows(main, viewCopy));

    // Paste: that bitmap becomes the picture, shown at 100 % at the top left of the same client.
    program.postCommand(CMD_PASTE);
    EXPECT_TRUE(e2e::becomes([&] { return program.caption().find(L"Clipboard_Image") == 0; },
                             [&] { return "caption " + toUtf8(program.caption()); }));
    EXPECT_TRUE(screenShows(main, viewCopy));
    EXPECT_TRUE(program.close());
}
