// Closing other instances: the close message reaches only the main windows of Glimvue instances,
// never this instance's own nor other programs' windows. (That a real instance so asked ends is
// tested end to end.)
#include <windows.h>

#include "win_test_support.h"

#include "shell/single_instance.h"

using namespace wintest;

namespace {

LRESULT CALLBACK plainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(window, message, wParam, lParam);
}

void registerClass(const wchar_t* name) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = plainProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = name;
    RegisterClassW(&windowClass);
}

HWND makeWindow(const wchar_t* className, HWND owner) {
    return CreateWindowExW(0, className, L"", WS_POPUP, 0, 0, 10, 10, owner, nullptr, GetModuleHandleW(nullptr), nullptr);
}

// Whether the close message waits in the window's queue (taken out, so the window stays).
bool askedToClose(HWND window) {
    MSG msg;
    bool asked = false;
    while (PeekMessageW(&msg, window, MainMessage::CloseInstance, MainMessage::CloseInstance, PM_REMOVE)) asked = true;
    return asked;
}

TEST(SingleInstance, OnlyOtherInstancesMainWindowsAreAskedToClose) {
    registerClass(L"Glimvue");
    registerClass(L"SomeOtherProgram");
    // Two instances as the program builds them: a hidden "Glimvue" owner and a dialog it owns.
    HWND ownOwner = makeWindow(L"Glimvue", nullptr), ownMain = makeWindow(L"#32770", ownOwner);
    HWND otherOwner = makeWindow(L"Glimvue", nullptr), otherMain = makeWindow(L"#32770", otherOwner);
    // Windows of other programs: a dialog of another owner, a plain top-level window, an unowned dialog.
    HWND foreignOwner = makeWindow(L"SomeOtherProgram", nullptr);
    HWND foreignDialog = makeWindow(L"#32770", foreignOwner);
    HWND foreignWindow = makeWindow(L"SomeOtherProgram", nullptr);
    HWND lonelyDialog = makeWindow(L"#32770", nullptr);
    const HWND all[] = {ownOwner, ownMain, otherOwner, otherMain, foreignOwner, foreignDialog, foreignWindow, lonelyDialog};
    for (HWND window : all) ASSERT_TRUE(window);
    for (HWND window : all) askedToClose(window);

    EXPECT_GE(closeOtherInstances(ownMain), 1);
    EXPECT_TRUE(askedToClose(otherMain));
    for (HWND spared : {ownOwner, ownMain, otherOwner, foreignOwner, foreignDialog, foreignWindow, lonelyDialog})
        EXPECT_FALSE(askedToClose(spared)) << "window " << spared;

    for (HWND window : all) DestroyWindow(window);
}

}  // namespace
