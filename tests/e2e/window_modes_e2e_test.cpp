// The real program changing window modes: keys keep working after full screen and crop, the window
// held before full screen survives a drag in full screen, and a small picture keeps the status bar
// whole. Also a start on a folder path too long for the platform.
#include <windows.h>

#include <gtest/gtest.h>

#include "command_ids.h"
#include "e2e/harness.h"
#include "ini_file.h"
#include "settings.h"
#include "text.h"

using e2e::Glimvue;
using ::testing::AssertionResult;

namespace {

const std::wstring kProduct = L" - Glimvue";
const std::wstring kQuiet = L" -noslide -notransitions";

HWND startOn(Glimvue& program, const std::wstring& folder, const std::wstring& switches) {
    return program.start(L"\"" + folder + L"\"" + switches) ? program.waitForMainWindow() : nullptr;
}

std::string rectText(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

AssertionResult windowAt(HWND window, const RECT& wanted, int timeoutMs = 10000) {
    auto now = [&] {
        RECT r{};
        GetWindowRect(window, &r);
        return r;
    };
    return e2e::becomes([&] { const RECT r = now(); return EqualRect(&r, &wanted) != 0; },
                        [&] { return "window at " + rectText(now()) + ", expected " + rectText(wanted); }, timeoutMs);
}

// The window of this process's GUI thread that has the keyboard focus, for the window's thread.
HWND focusOf(HWND window) {
    GUITHREADINFO info{sizeof(info)};
    return GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) ? info.hwndFocus : nullptr;
}

}  // namespace

TEST(WindowModes, KeysKeepWorkingAfterFullScreenAndCrop) {
    e2e::TempFolder images(L"modes");
    images.addBmp(L"a.bmp", 120, 90, 0x112233);
    images.addBmp(L"b.bmp", 120, 90, 0x445566);
    images.addBmp(L"c.bmp", 120, 90, 0x778899);
    Glimvue program;
    HWND window = startOn(program, images.path(), L" -shortname" + kQuiet);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(program.captionBecomes(L"a" + kProduct));
    SetForegroundWindow(window);
    ASSERT_TRUE(e2e::waitFor([&] { return GetForegroundWindow() == window; }, 5000));

    const RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    // Every key below goes wherever the focus is after the previous change: no click in between.
    e2e::pressKey(VK_F11);
    ASSERT_TRUE(windowAt(window, screen));
    EXPECT_TRUE(e2e::waitFor([&] { return GetForegroundWindow() == window && focusOf(window) == window; }, 5000))
        << "full screen left the window without the focus";
    e2e::pressKey(VK_END);
    EXPECT_TRUE(program.captionBecomes(L"c" + kProduct)) << "a key after entering full screen";
    e2e::pressKey(VK_F11);
    ASSERT_TRUE(e2e::waitFor([&] { return e2e::statusBarOf(window) != nullptr; }));
    e2e::pressKey(VK_HOME);
    EXPECT_TRUE(program.captionBecomes(L"a" + kProduct)) << "a key after leaving full screen";

    e2e::pressKey('P');  // crop on
    ASSERT_TRUE(e2e::waitFor([&] { return !(GetWindowLongPtrW(window, GWL_STYLE) & WS_CAPTION); }));
    EXPECT_TRUE(e2e::waitFor([&] { return GetForegroundWindow() == window && focusOf(window) == window; }, 5000))
        << "crop left the window without the focus";
    e2e::pressKey(VK_SPACE);
    EXPECT_TRUE(program.captionBecomes(L"b" + kProduct)) << "a key after crop on";
    e2e::pressKey('P');  // crop off
    ASSERT_TRUE(e2e::waitFor([&] { return (GetWindowLongPtrW(window, GWL_STYLE) & WS_CAPTION) != 0; }));
    e2e::pressKey(VK_SPACE);
    EXPECT_TRUE(program.captionBecomes(L"c" + kProduct)) << "a key after crop off";
    ASSERT_TRUE(program.close());
}

TEST(WindowModes, DragScrollingInFullScreenKeepsTheWindowedRectangle) {
    e2e::TempFolder images(L"drag");
    images.addBmp(L"big.bmp", 2400, 1800, 0x2080C0);  // larger than the screen at 100 %
    Glimvue program;
    HWND window = startOn(program, images.path(), L" -z100 -nowrap" + kQuiet);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(e2e::waitFor([&] { return program.caption().find(L"big") != std::wstring::npos; }));
    RECT before{};
    GetWindowRect(window, &before);

    const RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    program.postCommand(CMD_FULLSCREEN);
    ASSERT_TRUE(windowAt(window, screen));
    // A drag that scrolls the picture: press, move, release.
    SetCursorPos(600, 500);
    PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(600, 500));
    e2e::waitFor([] { return false; }, 300);
    SetCursorPos(500, 420);
    PostMessageW(window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(500, 420));
    e2e::waitFor([] { return false; }, 300);
    PostMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(500, 420));
    e2e::waitFor([] { return false; }, 300);

    program.postCommand(CMD_FULLSCREEN);
    EXPECT_TRUE(windowAt(window, before)) << "F11 twice returns to the window held before full screen";
    ASSERT_TRUE(program.close());
}

TEST(WindowModes, StatusBarKeepsItsPartsBesideASmallPictureCentredInTheRoom) {
    const int grip = GetSystemMetrics(SM_CXVSCROLL);
    for (const auto& [width, height] : {std::pair{1, 1}, std::pair{240, 60}}) {
        e2e::TempFolder images(L"small");
        images.addBmp(L"p.bmp", width, height, 0xC02040);
        Glimvue program;
        HWND window = startOn(program, images.path(), kQuiet);
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(e2e::waitFor([&] { return program.caption().find(L"p.bmp") != std::wstring::npos; }));
        ASSERT_TRUE(e2e::waitFor([&] { return e2e::statusBarOf(window) != nullptr; }));
        EXPECT_TRUE(e2e::waitFor([&] { return program.statusText(4) == L"\t1/1"; }));
        EXPECT_TRUE(e2e::waitFor([&] { return e2e::clientSize(window).cx >= 440 + grip; }))
            << width << " x " << height << ": client " << e2e::clientSize(window).cx << " wide";
        // The picture sits in the middle of the room above the status bar, background beside it.
        const SIZE client = e2e::clientSize(window);
        const int room = client.cy - e2e::statusBarHeight(window);
        const int x = (client.cx - width) / 2 + width / 2, y = (room - height) / 2 + height / 2;
        EXPECT_TRUE(e2e::waitFor([&] { return e2e::coloursMatch(e2e::screenColourAt(window, x, y), 0xC02040, 2); }))
            << width << " x " << height << ": " << e2e::screenColourAt(window, x, y) << " at " << x << "," << y;
        EXPECT_TRUE(e2e::waitFor([&] { return !e2e::coloursMatch(e2e::screenColourAt(window, 2, y), 0xC02040, 2); }))
            << width << " x " << height << ": the left edge is background";
        ASSERT_TRUE(program.close());
    }
}

TEST(CommandLine, AFolderPathTooLongIsReportedAndNeitherScannedNorSaved) {
    Glimvue program;
    program.addBmp(L"own.bmp", 40, 30, 0x3366CC);
    // A real folder 300 characters long, made through the long-path form.
    std::wstring folder = program.path();
    std::vector<std::wstring> made;
    while (folder.size() < 300) {
        folder += L"\\" + std::wstring(std::min<size_t>(100, 300 - folder.size() + 1), L'd');
        CreateDirectoryW((L"\\\\?\\" + folder).c_str(), nullptr);
        made.push_back(folder);
    }
    ASSERT_GE(folder.size(), 300u);

    // Said in the language of the language file, which is read after the command line.
    program.add(L"glimvue.lang.ini", e2e::utf16File(L"[Messages]\r\nis too long=ist zu lang\r\n"));
    ASSERT_TRUE(program.start(L"\"" + folder + L"\""));
    HWND box = nullptr;
    ASSERT_TRUE(e2e::waitFor([&] {
        box = program.findMessageBox();
        return box && e2e::windowTexts(box).find(L"ist zu lang") != std::wstring::npos;
    }, 20000)) << "no word about the path";
    EXPECT_NE(e2e::windowTexts(box).find(folder), std::wstring::npos);
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    ASSERT_NE(program.waitForMainWindow(), nullptr);
    // The program's folder took its place: its image is shown, and no folder chooser opened.
    EXPECT_TRUE(e2e::waitFor([&] { return program.caption() == program.file(L"own.bmp") + kProduct; }))
        << toUtf8(program.caption());
    ASSERT_TRUE(program.close());
    Settings settings;
    IniFile file;
    ASSERT_TRUE(file.open(program.file(L"glimvue.ini"), IniFile::Read));
    readAllSections(file, settings);
    EXPECT_EQ(settings.folder, program.path());
    for (auto it = made.rbegin(); it != made.rend(); ++it) RemoveDirectoryW((L"\\\\?\\" + *it).c_str());
}
