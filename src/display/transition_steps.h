// The fifteen transition effects as schedules of drawing steps: which pieces of the new frame are
// copied onto the window in which order, where the effect sleeps and for how long, and the random
// parameters that make two runs of one effect look different. Pure logic: the device contexts,
// BitBlt, AlphaBlend and the sleeping itself are in transitions.cpp.
//
// Coordinates of a step are relative to the top-left corner of the W x H rectangle that receives
// the new frame, and the new frame is the W x H picture at (0, 0) of the source. Every copy lies
// inside the rectangle and reads inside the source picture; pieces of an effect that would fall
// outside are trimmed, and copies trimmed to nothing are left out.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

// Effect numbers; command 1251 + n toggles effect n.
enum TransitionEffect : int {
    kShuttersRight = 0,
    kShuttersLeft = 1,
    kShuttersDown = 2,
    kShuttersUp = 3,
    kWipeRightLeft = 4,
    kWipeLeftRight = 5,
    kWipeDownUp = 6,
    kWipeUpDown = 7,
    kHorizontalSlide = 8,
    kVerticalSlide = 9,
    kQuadrantSlide = 10,
    kQuadrantWipe = 11,
    kQuadrantPeel = 12,
    kDissolve = 13,
    kCrossfade = 14,
};
constexpr int kTransitionCount = 15;

// The pacing settings of [Tweak Transitions], in milliseconds, with their defaults.
struct TransitionTimings {
    int32_t shutterLatency = 500;       // whole sleep budget of the shutters
    int32_t wipeLatency = 2;            // the four wipes
    int32_t slideLatency = 5;           // horizontal and vertical slide
    int32_t quadrantSlideLatency = 10;  // quadrant slide
    int32_t quadrantWipeLatency = 12;   // quadrant wipe and quadrant peel
    int32_t dissolveLatency = 2;        // dissolve
    int32_t crossfadeLatency = 30;      // crossfade
};

struct TransitionStep {
    enum Kind {
        Copy,       // copy (sourceX, sourceY, width, height) of the new frame to (x, y)
        Sleep,      // wait `value` milliseconds (0 included: the effect yields its time slice)
        Capture,    // keep what the rectangle shows now as the picture to blend onto
        Blend,      // blend the whole new frame over the kept picture with constant alpha `value`
                    // (of 255) and show the result in the rectangle
        FinalCopy,  // copy the whole new frame into the rectangle
    };
    Kind kind = Copy;
    int32_t x = 0, y = 0, width = 0, height = 0;
    int32_t sourceX = 0, sourceY = 0;
    int32_t value = 0;
};

// Receives the steps in order. Answering false stops the effect: no further step comes except
// one FinalCopy, so the rectangle always ends showing the new frame.
using TransitionSink = std::function<bool(const TransitionStep&)>;

// Yields the steps of effect 0..14 for a width x height rectangle. `rand` answers what the C
// runtime's rand() would (0..RAND_MAX); each effect draws its parameters from it once per run, the
// dissolve also its block positions. Another effect number, or an empty rectangle, yields nothing
// and draws no number. Sleeps never come out negative whatever the timings. Returns false when the
// sink stopped the effect early.
bool transitionSteps(int effect, int32_t width, int32_t height, const TransitionTimings& timings,
                     const std::function<int()>& rand, const TransitionSink& sink);

// The effect a paint shows a new image with: enabled[rand() mod size] when transitions are on, the
// list is not empty and the shown image changed; otherwise none, and no number is drawn.
std::optional<int> chooseTransition(bool transitionsOn, const std::vector<int>& enabled, bool shownIndexChanged,
                                    const std::function<int()>& rand);
