// Entry point: the hidden owner window, the main window (a modeless dialog) and the message loop.
#include <windows.h>

#include <shellapi.h>

#include <algorithm>
#include <new>

#include "app.h"
#include "command_ids.h"
#include "decoding/decoder_host.h"
#include "decoding/picture_decoder.h"
#include "decoding/system_codecs.h"
#include "shell/menu_pins.h"
#include "viewer.h"
#include "window_messages.h"

namespace {

// The hidden owner window passes every menu command on to the main window, so a command that
// reaches it while it is the active window still runs.
LRESULT CALLBACK ownerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND) {
        PostMessageW(app.mainWindow, WM_COMMAND, wParam, lParam);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// The Viewer that has been shut down. It is freed after the message loop: the window can be
// destroyed (another instance closing this one, the session ending) while a dialog of a Viewer
// operation runs its own loop, and that operation still runs on the object when the dialog returns.
Viewer* retiredViewer = nullptr;

void destroyViewer() {
    // Shut down at most once: the pointer is cleared before anything else happens.
    Viewer* viewer = theViewer;
    if (!viewer) return;
    theViewer = nullptr;
    viewer->shutDown();
    retiredViewer = viewer;
}

INT_PTR CALLBACK mainDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        app.mainWindow = window;
        theViewer = new Viewer(window, *app.decoder);
        theViewer->startUp();
        return TRUE;
    }
    Viewer* viewer = theViewer;
    if (!viewer) return FALSE;

    switch (message) {
    case WM_COMMAND:
        viewer->executeCommand(LOWORD(wParam));
        return TRUE;
    case WM_TIMER:
        if (wParam == kStartUpTimerId)
            viewer->finishStartUp();
        else
            viewer->onSlideTimer(wParam);
        return TRUE;
    case WM_SYSCOMMAND:
        switch (wParam & 0xFFF0) {
        case SC_SCREENSAVE:
            return TRUE;  // no screen saver while the program runs
        case SC_MINIMIZE:
            viewer->suspendSlideshow(false);
            return FALSE;
        case SC_RESTORE:
            viewer->resumeSlideshow();
            return FALSE;
        default:
            return FALSE;
        }
    case WM_CTLCOLORDLG:
        return reinterpret_cast<INT_PTR>(viewer->dialogBackgroundBrush());
    case WM_ERASEBKGND:
        return viewer->eraseBackground() ? TRUE : FALSE;
    case WM_PAINT:
        viewer->paint();
        return TRUE;
    case WM_SIZE:
        viewer->onSize(wParam, LOWORD(lParam), HIWORD(lParam));
        return TRUE;
    case WM_MOUSEMOVE:
        viewer->onMouseMove();
        return TRUE;
    case WM_LBUTTONDOWN:
        // Ctrl held at the press: a drag carries the current file out of the window.
        if (wParam & MK_CONTROL) {
            POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            ClientToScreen(window, &point);
            if (DragDetect(window, point)) viewer->dragOutCurrent();
            return TRUE;
        }
        viewer->onLeftButtonDown();
        return TRUE;
    case WM_LBUTTONUP:
        viewer->onLeftButtonUp();
        return TRUE;
    case WM_MOUSEWHEEL:
        viewer->onMouseWheel(static_cast<short>(HIWORD(wParam)));
        return TRUE;
    case WM_LBUTTONDBLCLK:
        viewer->executeCommand(CMD_CATALOG);
        return TRUE;
    case WM_MBUTTONDOWN:
        viewer->executeCommand(CMD_ZOOM_100);
        return TRUE;
    case WM_CONTEXTMENU:
        // From the keyboard (Shift+F10) the point is (-1, -1): placed as for F1.
        if (lParam == -1)
            viewer->showMainMenuFromKey();
        else
            viewer->showMainMenu(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)), 0);
        return TRUE;
    case MainMessage::ReopenMenu: {
        int x = 0, y = 0;
        decodeMenuPoint(static_cast<uint32_t>(wParam), x, y);
        viewer->showMainMenu(x, y, static_cast<int>(lParam));
        return TRUE;
    }
    case MainMessage::BuildEnded:
        viewer->onBuildEnded(wParam != 0);
        return TRUE;
    case WM_MOVE:
        viewer->onMove();
        return TRUE;
    case WM_ENTERSIZEMOVE:
        viewer->onEnterSizeMove();
        return TRUE;
    case WM_EXITSIZEMOVE:
        viewer->onExitSizeMove();
        return TRUE;
    case WM_DROPFILES:
        viewer->onDropFiles(reinterpret_cast<HDROP>(wParam));
        return TRUE;
    case MainMessage::FilesDropped:
        viewer->onFilesDropped();
        return TRUE;
    case MainMessage::FolderChanged:
        viewer->onFolderChanged();
        return TRUE;
    case MainMessage::AutoRefreshDone:
        viewer->onAutoRefreshDone();
        return TRUE;
    case MainMessage::PictureDecoded:
        viewer->onPictureDecoded();
        return TRUE;
    case WM_DISPLAYCHANGE:
        viewer->updateScreenRects();
        return TRUE;
    case WM_DPICHANGED:
        viewer->onDpiChanged(LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return TRUE;
    case WM_HOTKEY:
        viewer->onHotkey(wParam);
        return TRUE;
    case MainMessage::TrayNotify:
        viewer->onTrayNotify(static_cast<UINT>(lParam));
        return TRUE;
    case MainMessage::CloseInstance:
    case WM_CLOSE:
        DestroyWindow(window);
        return TRUE;
    case WM_DESTROY:
        destroyViewer();
        return TRUE;
    case WM_ENDSESSION:
        if (wParam) destroyViewer();
        return TRUE;
    default:
        return FALSE;
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    // Started as a decoder process by another instance: decode until it ends.
    if (isDecoderCommandLine(GetCommandLineW())) return runDecoderProcess(GetCommandLineW());

    // The first decoder process starts now, so that its start overlaps the program's own. One per
    // core serves the Catalog's thumbnails; two more serve the shown picture and the one read ahead.
    SYSTEM_INFO system{};
    GetSystemInfo(&system);
    PictureDecoder decoder(thisProgramPath(), std::max<unsigned>(1, system.dwNumberOfProcessors) + 2);
    decoder.warmUp();
    app.decoder = &decoder;
    // The system's decoders are enumerated beside the start, not before the first picture.
    systemImageExtensions();

    std::set_new_handler(outOfMemory);
    _wsetlocale(LC_ALL, L"");
    app.instance = instance;

    WNDCLASSW ownerClass{};
    ownerClass.lpfnWndProc = ownerWindowProc;
    ownerClass.hInstance = instance;
    ownerClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_APP));
    ownerClass.lpszClassName = app.productName;
    RegisterClassW(&ownerClass);
    HWND owner = CreateWindowExW(0, app.productName, L"", 0, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr);

    HWND mainWindow = CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_MAIN), owner, mainDialogProc, 0);
    if (mainWindow) app.mainWindow = mainWindow;
    // A table loaded from a resource is freed by the system with the module.
    HACCEL accelerators = LoadAcceleratorsW(instance, MAKEINTRESOURCEW(IDR_ACCELERATORS));

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (app.mainWindow && TranslateAcceleratorW(app.mainWindow, accelerators, &msg)) continue;
        if (app.mainWindow && IsDialogMessageW(app.mainWindow, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    delete retiredViewer;
    app.decoder = nullptr;
    decoder.shutDown();
    return static_cast<int>(msg.wParam);
}
