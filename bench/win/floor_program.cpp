// The floor for start-up: the least a picture viewer does before its first picture is on the screen.
//
//   floor_program.exe PATH
//       PATH is a JPEG, or a folder whose first *.jpg is taken. Starts GDI+, decodes the picture,
//       opens a window the size of the picture (shrunk to fit the screen) and paints it, then stays
//       until the window is closed. Exit code 0, or 1 when nothing could be decoded.
//
// Built with the same toolchain and options as Glimvue.exe and linked with the same system libraries,
// so the time from process start to the painted picture is what Wine and the platform cost before
// any of the program's own work (bench/run-start-bench).
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <objidl.h>
#include <gdiplus.h>
#include <shellapi.h>

#include <algorithm>
#include <string>

namespace gp = Gdiplus::DllExports;

namespace {

Gdiplus::GpImage* picture = nullptr;

// The linker imports only what is used, and the libraries a program imports are loaded before it
// starts: one function of each library Glimvue.exe imports is referenced here (never called), so
// that the floor loads the same ones.
void* const volatile kImported[] = {reinterpret_cast<void*>(&InitCommonControlsEx),
                                    reinterpret_cast<void*>(&GetOpenFileNameW), reinterpret_cast<void*>(&CoInitializeEx),
                                    reinterpret_cast<void*>(&GetStockObject)};

std::wstring firstJpeg(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return path;
    WIN32_FIND_DATAW item;
    HANDLE search = FindFirstFileW((path + L"\\*.jpg").c_str(), &item);
    if (search == INVALID_HANDLE_VALUE) return {};
    FindClose(search);
    return path + L"\\" + item.cFileName;
}

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(window, &paint);
            RECT client;
            GetClientRect(window, &client);
            Gdiplus::GpGraphics* graphics = nullptr;
            if (gp::GdipCreateFromHDC(dc, &graphics) == Gdiplus::Ok) {
                gp::GdipDrawImageRectI(graphics, picture, 0, 0, client.right, client.bottom);
                gp::GdipDeleteGraphics(graphics);
            }
            EndPaint(window, &paint);
            return 0;
        }
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    if (!kImported[0]) return 1;
    int count = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
    const std::wstring path = argv && count >= 2 ? firstJpeg(argv[1]) : std::wstring();
    if (argv) LocalFree(argv);

    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartupInput input;
    if (path.empty() || Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) return 1;
    UINT width = 0, height = 0;
    if (gp::GdipLoadImageFromFile(path.c_str(), &picture) != Gdiplus::Ok || !picture ||
        gp::GdipGetImageWidth(picture, &width) != Gdiplus::Ok || gp::GdipGetImageHeight(picture, &height) != Gdiplus::Ok ||
        width == 0 || height == 0) {
        Gdiplus::GdiplusShutdown(token);
        return 1;
    }

    // Shrunk to the screen, keeping the aspect.
    const int screenW = GetSystemMetrics(SM_CXSCREEN), screenH = GetSystemMetrics(SM_CYSCREEN) - 64;
    const double scale = std::min({1.0, double(screenW) / width, double(screenH) / height});
    RECT frame{0, 0, std::max(1, int(width * scale)), std::max(1, int(height * scale))};
    AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);

    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = L"GlimvueFloor";
    RegisterClassW(&windowClass);
    HWND window = CreateWindowExW(0, L"GlimvueFloor", L"Floor", WS_OVERLAPPEDWINDOW, 0, 0, frame.right - frame.left,
                                  frame.bottom - frame.top, nullptr, nullptr, instance, nullptr);
    if (!window) {
        gp::GdipDisposeImage(picture);
        Gdiplus::GdiplusShutdown(token);
        return 1;
    }
    ShowWindow(window, show == SW_HIDE ? SW_SHOWNORMAL : show);
    UpdateWindow(window);

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    gp::GdipDisposeImage(picture);
    Gdiplus::GdiplusShutdown(token);
    return 0;
}
