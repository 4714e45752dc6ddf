// Runs a transition effect on real device contexts: the steps of transition_steps.h drawn with
// BitBlt and AlphaBlend, with the sleeps between them cut short when the user presses a key or a
// mouse button, so that the press is handled at once and the new picture is shown whole.
#pragma once

#include <windows.h>

#include <functional>

#include "display/transition_steps.h"

// Draws the w x h picture at (0, 0) of `source` onto the rectangle (x, y, w, h) of `destination`
// with effect 0..14, drawing its random numbers from the C runtime's rand(). Another effect number,
// or an empty rectangle, draws nothing. When a key or mouse-button press is waiting in this
// thread's queue (it is left there), the effect stops and copies the whole picture at once. Runs
// on the thread that owns the window being drawn.
void runTransition(HDC destination, int w, int h, HDC source, int effect, int x, int y,
                   const TransitionTimings& timings);

// The same with another source of random numbers.
void runTransition(HDC destination, int w, int h, HDC source, int effect, int x, int y,
                   const TransitionTimings& timings, const std::function<int()>& rand);

// True when a key or mouse-button press (not a release) waits in this thread's queue; it is not
// removed.
bool userPressWaiting();
