// Transition effects drawn with GDI: each step of the effect's schedule becomes a BitBlt, an
// AlphaBlend onto a memory copy of what the window showed, or a sleep that a key or mouse-button
// press cuts short.
#include <windows.h>

#include <cstdlib>

#include "core/win_handles.h"
#include "display/transitions.h"

namespace {

// Waits `ms` milliseconds; false as soon as a press waits in the queue (also one already waiting).
// A release or a mouse move that wakes the wait early does not end it.
bool pauseUnlessPressed(DWORD ms) {
    if (userPressWaiting()) return false;
    if (ms == 0) {
        Sleep(0);
        return true;
    }
    const ULONGLONG start = GetTickCount64();
    DWORD left = ms;
    for (;;) {
        // Without MWMO_INPUTAVAILABLE only input newer than the last look at the queue wakes it,
        // so a release already looked at does not keep waking it.
        const DWORD woken = MsgWaitForMultipleObjectsEx(0, nullptr, left, QS_KEY | QS_MOUSEBUTTON, 0);
        if (woken == WAIT_TIMEOUT) return true;
        if (woken == WAIT_FAILED) {
            Sleep(left);
            return true;
        }
        if (userPressWaiting()) return false;
        const ULONGLONG elapsed = GetTickCount64() - start;
        if (elapsed >= ms) return true;
        left = static_cast<DWORD>(ms - elapsed);
    }
}

}  // namespace

bool userPressWaiting() {
    // The cheap look first: nothing from the keyboard or the mouse buttons at all.
    if (HIWORD(GetQueueStatus(QS_KEY | QS_MOUSEBUTTON)) == 0) return false;
    static const UINT presses[] = {WM_KEYDOWN,     WM_SYSKEYDOWN,    WM_LBUTTONDOWN, WM_LBUTTONDBLCLK,
                                   WM_RBUTTONDOWN, WM_RBUTTONDBLCLK, WM_MBUTTONDOWN, WM_MBUTTONDBLCLK,
                                   WM_XBUTTONDOWN, WM_XBUTTONDBLCLK};
    MSG message;
    for (UINT press : presses)
        if (PeekMessageW(&message, nullptr, press, press, PM_NOREMOVE | PM_NOYIELD | PM_QS_INPUT)) return true;
    return false;
}

void runTransition(HDC destination, int w, int h, HDC source, int effect, int x, int y,
                   const TransitionTimings& timings, const std::function<int()>& rand) {
    if (effect < 0 || effect >= kTransitionCount || w <= 0 || h <= 0) return;
    if (userPressWaiting()) {  // the user is already on to the next thing
        BitBlt(destination, x, y, w, h, source, 0, 0, SRCCOPY);
        return;
    }
    OffscreenSurface captured;  // what the rectangle showed, for the crossfade to blend onto
    transitionSteps(effect, w, h, timings, rand, [&](const TransitionStep& step) {
        switch (step.kind) {
        case TransitionStep::Copy:
            BitBlt(destination, x + step.x, y + step.y, step.width, step.height, source, step.sourceX,
                   step.sourceY, SRCCOPY);
            return true;
        case TransitionStep::Sleep:
            GdiFlush();  // show the step before waiting
            return pauseUnlessPressed(static_cast<DWORD>(step.value));
        case TransitionStep::Capture:
            // Without a copy of the old picture there is nothing to fade from: show the new one.
            return captured.create(destination) && captured.resize(destination, w, h) &&
                   BitBlt(captured.dc(), 0, 0, w, h, destination, x, y, SRCCOPY);
        case TransitionStep::Blend: {
            const BLENDFUNCTION blend{AC_SRC_OVER, 0, static_cast<BYTE>(step.value), 0};
            AlphaBlend(captured.dc(), 0, 0, w, h, source, 0, 0, w, h, blend);
            BitBlt(destination, x, y, w, h, captured.dc(), 0, 0, SRCCOPY);
            return true;
        }
        case TransitionStep::FinalCopy:
            BitBlt(destination, x, y, w, h, source, 0, 0, SRCCOPY);
            return true;
        }
        return true;
    });
    GdiFlush();
}

void runTransition(HDC destination, int w, int h, HDC source, int effect, int x, int y,
                   const TransitionTimings& timings) {
    runTransition(destination, w, h, source, effect, x, y, timings, [] { return std::rand(); });
}
