// Closing other instances: the close message reaches only the main windows of Glimvue instances,
// never this instance's own nor other programs' windows; a real Glimvue.exe so asked ends.
#include <windows.h>

#include "shell_test_support.h"

#include <cstdlib>
#include <cstring>

#include "shell/single_instance.h"

using namespace shell_test;

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

    EXPECT_TRUE(isInstanceMainWindow(ownMain));
    EXPECT_TRUE(isInstanceMainWindow(otherMain));
    EXPECT_FALSE(isInstanceMainWindow(ownOwner));
    EXPECT_FALSE(isInstanceMainWindow(foreignDialog));
    EXPECT_FALSE(isInstanceMainWindow(lonelyDialog));

    EXPECT_GE(closeOtherInstances(ownMain), 1);
    EXPECT_TRUE(askedToClose(otherMain));
    for (HWND spared : {ownOwner, ownMain, otherOwner, foreignOwner, foreignDialog, foreignWindow, lonelyDialog})
        EXPECT_FALSE(askedToClose(spared)) << "window " << spared;

    for (HWND window : all) DestroyWindow(window);
}

// The main window of a process: its dialog owned by a "Glimvue" window.
struct FindMain {
    DWORD process;
    HWND found;
};
BOOL CALLBACK findMainOf(HWND window, LPARAM data) {
    auto& find = *reinterpret_cast<FindMain*>(data);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != find.process || !isInstanceMainWindow(window)) return TRUE;
    find.found = window;
    return FALSE;
}

TEST(SingleInstance, ARunningGlimvueAskedToCloseEnds) {
    const char* exe = std::getenv("GLIMVUE_EXE");
    if (!exe || !*exe) GTEST_SKIP() << "GLIMVUE_EXE names no program to start";
    ASSERT_TRUE(Imaging().ok());

    // The program in a folder of its own (its settings and logs land there), showing one picture.
    TempFolder folder;
    const std::wstring program = folder.file(L"Glimvue.exe");
    std::wstring source(exe, exe + std::strlen(exe));
    if (source.size() > 1 && source[0] == L'/') source = L"Z:" + source;  // a Unix path under Wine
    ASSERT_TRUE(CopyFileW(source.c_str(), program.c_str(), FALSE)) << "cannot copy the program";
    ASSERT_TRUE(writePatternImage(folder.file(L"picture.png"), 64, 48));

    std::wstring commandLine = L"\"" + program + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started{};
    ASSERT_TRUE(CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               folder.path().c_str(), &startup, &started));
    CloseHandle(started.hThread);

    FindMain find{started.dwProcessId, nullptr};
    for (int waited = 0; waited < 30000 && !find.found; waited += 50) {
        EnumWindows(findMainOf, reinterpret_cast<LPARAM>(&find));
        if (!find.found) Sleep(50);
    }
    ASSERT_TRUE(find.found) << "the program showed no main window";

    // This test stands for a new instance whose own main window is not the running one's.
    registerClass(L"Glimvue");
    HWND owner = makeWindow(L"Glimvue", nullptr), ownMain = makeWindow(L"#32770", owner);
    EXPECT_GE(closeOtherInstances(ownMain), 1);
    const DWORD waited = WaitForSingleObject(started.hProcess, 20000);
    EXPECT_EQ(waited, WAIT_OBJECT_0) << "the running instance did not end";
    if (waited != WAIT_OBJECT_0) TerminateProcess(started.hProcess, 1);
    DWORD exitCode = 99;
    GetExitCodeProcess(started.hProcess, &exitCode);
    EXPECT_EQ(exitCode, 0u);
    CloseHandle(started.hProcess);
    DestroyWindow(ownMain);
    DestroyWindow(owner);
}

}  // namespace
