// The DPI a window is shown at, and the system's metrics, fonts and the program's icon at a DPI.
// The program is per-monitor DPI aware: picture pixels are device pixels, and the interface (status
// bars, fonts, thumbnail cells, minimum sizes, the frame) follows the DPI of its window.
// The per-monitor functions (Windows 10 1607 and later) are looked up at run time; without them
// every window has the system DPI, which the screen reports.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "dpi_scale.h"
#include "win_handles.h"

int systemDpi();
int windowDpi(HWND window);
// GetSystemMetrics for a window at `dpi`.
int metricForDpi(int index, int dpi);
// `rect`, a client rectangle, grown to the rectangle of a window with these styles at `dpi`.
void adjustWindowRectForDpi(RECT& rect, DWORD style, DWORD exStyle, int dpi);

// The system's fonts at `dpi`.
enum class SystemFont { Status, Message };
LOGFONTW systemFontForDpi(SystemFont which, int dpi);
inline GdiFont createSystemFont(SystemFont which, int dpi) {
    const LOGFONTW font = systemFontForDpi(which, dpi);
    return GdiFont(CreateFontIndirectW(&font));
}

// The program's icon at the size of `metric` (SM_CXICON or SM_CXSMICON) at `dpi`.
IconHandle programIconForDpi(int metric, int dpi);

// Gives a status bar its font; the bar takes the height the font needs, which is returned.
int setStatusBarFont(HWND bar, HFONT font);

// Status bar parts whose right edges are designed at 96 DPI, set at `dpi`; -1 (to the window's
// right end) stays.
template <size_t N>
void setStatusBarParts(HWND bar, const int (&edges)[N], int dpi) {
    int scaled[N];
    for (size_t i = 0; i < N; ++i) scaled[i] = edges[i] < 0 ? -1 : scaleToDpi(edges[i], dpi);
    SendMessageW(bar, SB_SETPARTS, N, reinterpret_cast<LPARAM>(scaled));
}
