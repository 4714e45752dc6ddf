// The number-input dialog as its commands use it: Go To wraps and ignores 0, every number stays in
// its setting's range, Cancel keeps the value, and the program closed by another instance while it
// is open ends cleanly.
#include <windows.h>

#include <gtest/gtest.h>

#include "command_ids.h"
#include "e2e/harness.h"
#include "window_messages.h"

using e2e::Glimvue;

namespace {

// Opens the dialog with `command`, types `text` and presses OK (or Cancel when text is null).
void answerNumberDialog(const Glimvue& program, int command, const wchar_t* text) {
    program.postCommand(command);
    HWND dialog = nullptr;
    ASSERT_TRUE(e2e::waitFor([&] { return (dialog = program.findMessageBox()) != nullptr; }));
    if (!text) {
        PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    } else {
        SetDlgItemTextW(dialog, IDC_EDIT, text);
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    }
    ASSERT_TRUE(e2e::waitFor([&] { return !IsWindow(dialog); }));
}

}  // namespace

TEST(NumberDialog, GoToWrapsNumbersStayInRangeCancelKeepsTheValueAndAnotherInstanceMayCloseIt) {
    e2e::TempFolder pictures(L"dialogs");
    for (const wchar_t* name : {L"a.bmp", L"b.bmp", L"c.bmp"}) pictures.addBmp(name, 60, 40, 0x336699);
    Glimvue program;
    ASSERT_TRUE(program.start(L"\"" + pictures.path() + L"\" -shortname -noslide"));
    ASSERT_NE(program.waitForMainWindow(), nullptr);
    ASSERT_TRUE(e2e::waitFor([&] { return program.caption() == L"a - Glimvue"; }));

    answerNumberDialog(program, CMD_GOTO, L"5");  // (5 - 1) mod 3 = 1
    EXPECT_TRUE(e2e::waitFor([&] { return program.caption() == L"b - Glimvue"; }));
    answerNumberDialog(program, CMD_GOTO, L"0");  // 0 does not jump
    answerNumberDialog(program, CMD_OPACITY, L"300");
    answerNumberDialog(program, CMD_TIMER, L"1234");
    answerNumberDialog(program, CMD_ZOOM_STEP, nullptr);
    answerNumberDialog(program, CMD_COLLAGE_SIZE, L"999999999");
    EXPECT_EQ(program.caption(), L"b - Glimvue");

    // Another instance may close this one while one of its dialogs is open: it ends cleanly and
    // saves its settings on the way out.
    program.postCommand(CMD_GOTO);
    ASSERT_TRUE(e2e::waitFor([&] { return program.findMessageBox() != nullptr; }));
    PostMessageW(program.mainWindow(), MainMessage::CloseInstance, 0, 0);
    ASSERT_TRUE(program.waitForExit());
    EXPECT_EQ(program.exitCode(), 0u);
    const Settings saved = program.savedSettings();
    EXPECT_EQ(saved.folder, pictures.path());
    EXPECT_EQ(saved.opacity, 255);
    EXPECT_EQ(saved.timer, 1234);
    EXPECT_EQ(saved.zoomstep, 10);
    EXPECT_EQ(saved.collagesize, 4096) << "as large as a collage tile may be, not what 16 bits made of it";
}
