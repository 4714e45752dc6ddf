// Window DPI and the metrics, fonts and icon at a DPI, through the per-monitor functions where the
// system has them.
#include <windows.h>

#include "dpi.h"

#include "app.h"
#include "command_ids.h"

namespace {

struct PerMonitorFunctions {
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    using GetSystemMetricsForDpiFn = int(WINAPI*)(int, UINT);
    using AdjustWindowRectExForDpiFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
    using SystemParametersInfoForDpiFn = BOOL(WINAPI*)(UINT, UINT, void*, UINT, UINT);

    template <class Fn>
    static Fn find(const char* name) {
        HMODULE user32 = GetModuleHandleW(L"user32");
        return user32 ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(user32, name))) : nullptr;
    }
    GetDpiForWindowFn getDpiForWindow = find<GetDpiForWindowFn>("GetDpiForWindow");
    GetSystemMetricsForDpiFn getSystemMetricsForDpi = find<GetSystemMetricsForDpiFn>("GetSystemMetricsForDpi");
    AdjustWindowRectExForDpiFn adjustWindowRectExForDpi = find<AdjustWindowRectExForDpiFn>("AdjustWindowRectExForDpi");
    SystemParametersInfoForDpiFn systemParametersInfoForDpi =
        find<SystemParametersInfoForDpiFn>("SystemParametersInfoForDpi");
};

const PerMonitorFunctions& perMonitor() {
    static const PerMonitorFunctions functions;
    return functions;
}

}  // namespace

int systemDpi() {
    // Fixed for the life of the process.
    static const int dpi = [] {
        const WindowDC screen(nullptr);
        const int logPixels = screen ? GetDeviceCaps(screen.get(), LOGPIXELSX) : 0;
        return logPixels > 0 ? logPixels : kDesignDpi;
    }();
    return dpi;
}

int windowDpi(HWND window) {
    if (window && perMonitor().getDpiForWindow)
        if (const UINT dpi = perMonitor().getDpiForWindow(window); dpi > 0) return static_cast<int>(dpi);
    return systemDpi();
}

int metricForDpi(int index, int dpi) {
    if (perMonitor().getSystemMetricsForDpi)
        return perMonitor().getSystemMetricsForDpi(index, static_cast<UINT>(dpi));
    return rescaleDpi(GetSystemMetrics(index), systemDpi(), dpi);
}

void adjustWindowRectForDpi(RECT& rect, DWORD style, DWORD exStyle, int dpi) {
    if (perMonitor().adjustWindowRectExForDpi &&
        perMonitor().adjustWindowRectExForDpi(&rect, style, FALSE, exStyle, static_cast<UINT>(dpi)))
        return;
    // The frame at the system DPI, scaled.
    RECT frame{0, 0, 0, 0};
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    rect.left += rescaleDpi(frame.left, systemDpi(), dpi);
    rect.top += rescaleDpi(frame.top, systemDpi(), dpi);
    rect.right += rescaleDpi(frame.right, systemDpi(), dpi);
    rect.bottom += rescaleDpi(frame.bottom, systemDpi(), dpi);
}

LOGFONTW systemFontForDpi(SystemFont which, int dpi) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    const bool atDpi = perMonitor().systemParametersInfoForDpi &&
                       perMonitor().systemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0,
                                                               static_cast<UINT>(dpi));
    if (!atDpi) SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
    LOGFONTW font = which == SystemFont::Status ? metrics.lfStatusFont : metrics.lfMessageFont;
    if (!atDpi) font.lfHeight = rescaleDpi(font.lfHeight, systemDpi(), dpi);
    return font;
}

IconHandle programIconForDpi(int metric, int dpi) {
    const int size = metricForDpi(metric, dpi);
    return IconHandle(static_cast<HICON>(
        LoadImageW(app.instance, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON, size, size, LR_DEFAULTCOLOR)));
}

int setStatusBarFont(HWND bar, HFONT font) {
    SendMessageW(bar, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    SendMessageW(bar, WM_SIZE, 0, 0);
    RECT rect{};
    GetWindowRect(bar, &rect);
    return rect.bottom - rect.top;
}
