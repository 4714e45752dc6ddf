// The dialogs of the Info, Shell and Window menus on the real program: the About box, the path
// dialog of View With..., the background colour chooser, Decorate, and Save As of the settings.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "command_ids.h"
#include "e2e/harness.h"
#include "text.h"

using e2e::Glimvue;

namespace {

const std::wstring kProduct = L" - Glimvue";

HWND startOn(Glimvue& program, const e2e::TempFolder& pictures, const std::wstring& switches = {}) {
    if (!program.start(L"\"" + pictures.path() + L"\" -shortname -noslide -notransitions" + switches)) return nullptr;
    HWND window = program.waitForMainWindow();
    if (!window || !e2e::waitFor([&] { return program.caption() == L"a" + kProduct; })) return nullptr;
    return window;
}

// The visible dialog-class windows of the program other than its main window.
std::vector<HWND> dialogsOf(HWND mainWindow) {
    DWORD process = 0;
    GetWindowThreadProcessId(mainWindow, &process);
    std::vector<HWND> dialogs;
    for (HWND window = nullptr; (window = FindWindowExW(nullptr, window, L"#32770", nullptr)) != nullptr;) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == process && window != mainWindow && IsWindowVisible(window)) dialogs.push_back(window);
    }
    return dialogs;
}

// Waits for a dialog of the program that is not one of `known`.
HWND waitForNewDialog(HWND mainWindow, const std::vector<HWND>& known = {}) {
    HWND found = nullptr;
    e2e::waitFor([&] {
        for (HWND dialog : dialogsOf(mainWindow))
            if (std::find(known.begin(), known.end(), dialog) == known.end()) found = dialog;
        return found != nullptr;
    });
    return found;
}

// The text of a window of the program; a control's text is asked of the control itself (the
// system keeps only captions for windows of other processes).
std::wstring textOf(HWND window) {
    std::wstring text(1024, L'\0');
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG,
                             5000, &length))
        return L"(no answer)";
    text.resize(std::min<size_t>(length, text.size()));
    return text;
}

void closeDialog(HWND dialog, int button) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, button)));
    e2e::waitFor([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); });
}

std::wstring iniText(const Glimvue& program, const std::wstring& name = L"glimvue.ini") {
    return e2e::textOfUtf16File(e2e::readBytes(program.file(name)));
}

}  // namespace

// One program start goes through the dialogs in turn; the settings file written at the end holds
// what each stored.
TEST(DialogBoxes, ColourAboutPathDialogsDecorateAndSettingsSaveAs) {
    e2e::TempFolder pictures(L"dialogs");
    pictures.addBmp(L"a.bmp", 40, 30, 0x336699);
    Glimvue program;
    HWND window = startOn(program, pictures, L" -nowrap");
    ASSERT_NE(window, nullptr);

    // Background Colour: the chooser's red, green and blue boxes; the colour around a small picture.
    const SIZE client = e2e::clientSize(window);
    ASSERT_GT(client.cx, 80) << "the window is larger than the picture";
    auto shows = [&](int x, int y, unsigned colour) {
        return e2e::waitFor([&] { return e2e::coloursMatch(e2e::screenColourAt(window, x, y), colour, 2); }, 5000);
    };
    const int middleY = (client.cy - e2e::statusBarHeight(window)) / 2;
    EXPECT_TRUE(shows(client.cx / 2, middleY, 0x336699));
    EXPECT_TRUE(shows(3, 3, 0x000000)) << "black around the picture at first";
    program.postCommand(CMD_BGCOLOR);
    HWND chooser = waitForNewDialog(window);
    ASSERT_NE(chooser, nullptr);
    SetDlgItemTextW(chooser, 706, L"200");
    SetDlgItemTextW(chooser, 707, L"40");
    SetDlgItemTextW(chooser, 708, L"60");
    closeDialog(chooser, IDOK);
    EXPECT_TRUE(shows(3, 3, 0xC8283C)) << "around the picture";
    EXPECT_TRUE(shows(client.cx / 2, middleY, 0x336699));

    // The About box: the version and the language texts; while it is open the menu stays shut.
    program.postCommand(CMD_ABOUT);
    HWND about = waitForNewDialog(window);
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(textOf(about), L"Quarne Glimvue");
    const std::wstring texts = e2e::windowTexts(about);
    for (const wchar_t* line : {L"Glimvue 1.00.0011 (64-bit)", L":: Freeware ::", L"All donations appreciated",
                                L"Language: Default (English)", L"Visit Quarne :: Donate"})
        EXPECT_NE(texts.find(line), std::wstring::npos) << toUtf8(line) << " in " << toUtf8(texts);
    EXPECT_TRUE(GetWindowLongPtrW(about, GWL_STYLE) & WS_SYSMENU) << "the About box has a system menu";
    RECT r{};
    GetWindowRect(window, &r);
    PostMessageW(window, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(window), MAKELPARAM(r.left + 10, r.top + 10));
    Sleep(800);
    EXPECT_TRUE(program.popupMenus().empty());
    PostMessageW(about, WM_COMMAND, IDCANCEL, 0);  // Esc
    EXPECT_TRUE(e2e::waitFor([&] { return !IsWindow(about); }));

    // View With...: typed, then "..." and the file dialog cancelled: the edit holds the setting again;
    // typed and OK: stored.
    program.postCommand(CMD_VIEW_WITH);
    HWND dialog = waitForNewDialog(window);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(textOf(dialog), L"Image Viewer");
    EXPECT_EQ(textOf(GetDlgItem(dialog, IDC_EDIT)), L"");
    SetDlgItemTextW(dialog, IDC_EDIT, L"C:\\typed.exe");
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_BROWSE, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_BROWSE)));
    HWND browser = waitForNewDialog(window, {dialog});
    ASSERT_NE(browser, nullptr) << "the program browser did not open";
    PostMessageW(browser, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(e2e::waitFor([&] { return !IsWindow(browser); }));
    EXPECT_TRUE(e2e::waitFor([&] { return textOf(GetDlgItem(dialog, IDC_EDIT)).empty(); }));
    SetDlgItemTextW(dialog, IDC_EDIT, L"C:\\Programs\\Viewer\\viewer.exe");
    closeDialog(dialog, IDOK);

    // Decorate gives the window a system menu and takes it away.
    constexpr LONG_PTR kDecoration = WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
    auto decoration = [&] { return GetWindowLongPtrW(window, GWL_STYLE) & kDecoration; };
    EXPECT_EQ(decoration(), 0) << "plain by default";
    program.postCommand(CMD_DECORATE);
    EXPECT_TRUE(e2e::waitFor([&] { return decoration() == kDecoration && IsWindowVisible(window); }));
    program.postCommand(CMD_DECORATE);
    EXPECT_TRUE(e2e::waitFor([&] { return decoration() == 0 && IsWindowVisible(window); }));

    // Save As of the settings writes the chosen file, and later changes go to it at the end.
    program.postCommand(CMD_SAVE_AS);
    dialog = waitForNewDialog(window);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(textOf(dialog), L"Save Glimvue Settings");
    const std::wstring other = program.file(L"other.ini");
    // The file name box: edt1, or the explorer-style combo box cmb13.
    if (!SetDlgItemTextW(dialog, 0x480, other.c_str())) SetDlgItemTextW(dialog, 0x47c, other.c_str());
    closeDialog(dialog, IDOK);
    EXPECT_TRUE(e2e::waitFor([&] { return GetFileAttributesW(other.c_str()) != INVALID_FILE_ATTRIBUTES; }));
    EXPECT_NE(iniText(program, L"other.ini").find(L"[Window]"), std::wstring::npos);
    program.postCommand(CMD_TITLE);
    ASSERT_TRUE(program.close());
    EXPECT_EQ(program.exitCode(), 0u);
    const std::wstring ini = iniText(program, L"other.ini");
    EXPECT_NE(ini.find(L"title=FALSE"), std::wstring::npos);
    EXPECT_NE(ini.find(L"bgcolor=" + std::to_wstring(0x3C28C8)), std::wstring::npos);
    EXPECT_NE(ini.find(L"image viewer=C:\\Programs\\Viewer\\viewer.exe"), std::wstring::npos) << toUtf8(ini);
}
