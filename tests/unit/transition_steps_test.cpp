// Step schedules of the fifteen transition effects: replayed on a grid of source pixel ids they
// must stay inside the rectangle and end on the new frame, paced by their own latencies; one
// schedule of each kind is checked against a fixed random sequence.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <numeric>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "display/transition_steps.h"

namespace {

constexpr int32_t kOld = -1;      // a pixel still showing the previous picture
constexpr int32_t kBlended = -2;  // a pixel showing a blend of both pictures

// Replays steps on a w x h grid whose pixel (x, y) of the new frame is numbered y * w + x.
struct Replay {
    int32_t w, h;
    std::vector<int32_t> grid;
    std::vector<TransitionStep> steps;  // the first 400
    TransitionStep last;
    int64_t sleptMs = 0;
    int sleeps = 0, copies = 0, finalCopies = 0, captures = 0, blends = 0;
    std::string fault;  // the first step that left the rectangle or the picture

    Replay(int32_t width, int32_t height) : w(width), h(height), grid(width > 0 && height > 0 ? size_t(width) * size_t(height) : 0, kOld) {}

    bool operator()(const TransitionStep& s) {
        if (steps.size() < 400) steps.push_back(s);
        last = s;
        switch (s.kind) {
        case TransitionStep::Copy:
            ++copies;
            if (s.width <= 0 || s.height <= 0 || s.x < 0 || s.y < 0 || s.sourceX < 0 || s.sourceY < 0 ||
                s.x + s.width > w || s.y + s.height > h || s.sourceX + s.width > w || s.sourceY + s.height > h) {
                if (fault.empty())
                    fault = "copy " + std::to_string(s.x) + "," + std::to_string(s.y) + " " + std::to_string(s.width) +
                            "x" + std::to_string(s.height) + " from " + std::to_string(s.sourceX) + "," +
                            std::to_string(s.sourceY);
                return true;
            }
            for (int32_t row = 0; row < s.height; ++row) {
                int32_t* to = &grid[size_t(s.y + row) * w + s.x];
                const int32_t from = (s.sourceY + row) * w + s.sourceX;
                for (int32_t col = 0; col < s.width; ++col) to[col] = from + col;
            }
            break;
        case TransitionStep::Sleep:
            ++sleeps;
            sleptMs += s.value;
            if (s.value < 0 && fault.empty()) fault = "negative sleep";
            break;
        case TransitionStep::Capture:
            ++captures;
            break;
        case TransitionStep::Blend:
            ++blends;
            std::fill(grid.begin(), grid.end(), kBlended);
            break;
        case TransitionStep::FinalCopy:
            ++finalCopies;
            std::iota(grid.begin(), grid.end(), 0);
            break;
        }
        return true;
    }

    bool showsNewFrame() const {
        for (size_t i = 0; i < grid.size(); ++i)
            if (grid[i] != int32_t(i)) return false;
        return true;
    }
};

// Runs one effect into a Replay.
Replay run(int effect, int32_t w, int32_t h, const std::function<int()>& rand, TransitionTimings timings = {}) {
    Replay replay(w, h);
    EXPECT_TRUE(transitionSteps(effect, w, h, timings, rand, std::ref(replay)));
    return replay;
}

// A random source that gives the listed numbers first, then those of a seeded engine (0..32767,
// as the Windows C runtime's rand()). Counts what it gave; `keep` sees it while the function lives.
struct Sequence {
    std::deque<int> first;
    std::mt19937 engine{7};
    int drawn = 0;
    int operator()() {
        ++drawn;
        if (first.empty()) return int(engine() % 32768);
        const int value = first.front();
        first.pop_front();
        return value;
    }
};
std::function<int()> numbers(std::initializer_list<int> first, Sequence** keep = nullptr) {
    auto sequence = std::make_shared<Sequence>();
    sequence->first.assign(first);
    if (keep) *keep = sequence.get();
    return [sequence] { return (*sequence)(); };
}

// Steps as text: "c3" a column, "r3" a row, "z5" a sleep of 5 ms, "F" the final copy.
std::string trace(const Replay& r) {
    std::string text;
    for (const TransitionStep& s : r.steps) {
        if (!text.empty()) text += ' ';
        if (s.kind == TransitionStep::Sleep)
            text += "z" + std::to_string(s.value);
        else if (s.kind == TransitionStep::FinalCopy)
            text += "F";
        else if (s.kind == TransitionStep::Copy && s.width == 1 && s.height == r.h && s.x == s.sourceX && s.y == 0)
            text += "c" + std::to_string(s.x);
        else if (s.kind == TransitionStep::Copy && s.height == 1 && s.width == r.w && s.y == s.sourceY && s.x == 0)
            text += "r" + std::to_string(s.y);
        else
            text += "?";
    }
    return text;
}

// The first n words of a trace.
std::string firstWords(const std::string& text, int n) {
    size_t end = 0;
    for (int i = 0; i < n && end != std::string::npos; ++i) end = text.find(' ', end + (i > 0));
    return text.substr(0, end);
}

TEST(TransitionSteps, EveryEffectEndsOnTheNewFrameWithoutLeavingTheRectangle) {
    const std::pair<int32_t, int32_t> sizes[] = {{1, 1}, {1, 9}, {9, 1}, {2, 3}, {3, 2}, {16, 16},
                                                 {37, 23}, {200, 151}, {1280, 1024}};
    // Extreme random numbers give the fewest and the most strips, the longest pacing, the coarsest grain.
    const std::pair<const char*, std::function<int()>> sources[] = {
        {"engine", numbers({})}, {"zero", [] { return 0; }}, {"RAND_MAX", [] { return 32767; }},
        {"INT_MAX", [] { return INT_MAX; }}};
    for (int effect = 0; effect < kTransitionCount; ++effect)
        for (const auto& [w, h] : sizes)
            for (const auto& [name, rand] : sources) {
                if (w * h > 40000 && std::string(name) != "engine") continue;
                const Replay r = run(effect, w, h, rand);
                SCOPED_TRACE("effect " + std::to_string(effect) + " at " + std::to_string(w) + "x" +
                             std::to_string(h) + ", random " + name);
                EXPECT_EQ(r.fault, "");
                EXPECT_TRUE(r.showsNewFrame());
                if (w >= 2 && h >= 2) EXPECT_GT(r.sleeps, 0);
                if (effect <= kWipeUpDown) {
                    EXPECT_EQ(r.finalCopies, 0);  // the lines alone cover the rectangle
                } else {
                    EXPECT_EQ(r.finalCopies, 1);
                    EXPECT_EQ(r.last.kind, TransitionStep::FinalCopy);
                }
                if (effect == kCrossfade) {
                    EXPECT_EQ(r.steps.front().kind, TransitionStep::Capture);
                    EXPECT_EQ(r.copies, 0);
                }
            }
}

TEST(TransitionSteps, OtherEffectNumbersAndEmptyRectanglesDoNothing) {
    for (const auto& [effect, w, h] : {std::tuple{15, 10, 10}, {100, 10, 10}, {-1, 10, 10}, {INT_MIN, 10, 10},
                                       {0, 0, 10}, {13, 10, 0}, {14, -5, 10}}) {
        Sequence* sequence = nullptr;
        const auto rand = numbers({}, &sequence);
        const Replay r = run(effect, w, h, rand);
        EXPECT_TRUE(r.steps.empty()) << effect << " " << w << "x" << h;
        EXPECT_EQ(sequence->drawn, 0) << effect << " " << w << "x" << h;
    }
}

TEST(TransitionSteps, ShuttersDrawOneLinePerStripAndSpendTheLatencyBudget) {
    // rand 18: s = 20 strips, strip width n = 100 / 20 + 5 = 10, a sleep after every step (s > 10)
    // of 20 / 10 + 500 / 10 = 52 ms.
    const Replay shutRight = run(kShuttersRight, 100, 4, numbers({18}));
    EXPECT_EQ(firstWords(trace(shutRight), 14), "c0 c10 c20 c30 c40 c50 c60 c70 c80 c90 z52 c1 c11 c21");
    EXPECT_EQ(shutRight.sleptMs, 520);
    // Ten strips wide or less, a latency of 0 gives sleeps of 0 ms, still taken.
    TransitionTimings noLatency;
    noLatency.shutterLatency = 0;
    EXPECT_EQ(trace(run(kShuttersRight, 10, 1, numbers({0}), noLatency)), "c0 z0 c1 c2 z0 c3 c4 z0 c5 c6 z0 c7 c8 z0 c9");
}

// Each effect's pace comes from its own latency of [Tweak Transitions]: more latency, longer sleeps,
// the same drawing.
TEST(TransitionSteps, EveryEffectIsPacedByItsOwnLatency) {
    int32_t TransitionTimings::*const latencyOf[] = {
        &TransitionTimings::shutterLatency, &TransitionTimings::shutterLatency, &TransitionTimings::shutterLatency,
        &TransitionTimings::shutterLatency, &TransitionTimings::wipeLatency, &TransitionTimings::wipeLatency,
        &TransitionTimings::wipeLatency, &TransitionTimings::wipeLatency, &TransitionTimings::slideLatency,
        &TransitionTimings::slideLatency, &TransitionTimings::quadrantSlideLatency,
        &TransitionTimings::quadrantWipeLatency, &TransitionTimings::quadrantWipeLatency,
        &TransitionTimings::dissolveLatency, &TransitionTimings::crossfadeLatency};
    static_assert(std::size(latencyOf) == kTransitionCount);
    for (int effect = 0; effect < kTransitionCount; ++effect) {
        TransitionTimings slower;
        slower.*latencyOf[effect] += 1000;
        const Replay normal = run(effect, 64, 48, numbers({5})), slow = run(effect, 64, 48, numbers({5}), slower);
        EXPECT_GT(slow.sleptMs, normal.sleptMs) << effect;
        EXPECT_EQ(slow.copies, normal.copies) << effect;
        EXPECT_EQ(slow.blends, normal.blends) << effect;
    }
}

TEST(TransitionSteps, CrossfadeBlendsFiftyTimesOntoTheCapturedPicture) {
    // rand 33: 30 + 1 + 13 = 44 ms between blends of alpha 2..51.
    const Replay r = run(kCrossfade, 40, 30, numbers({33}));
    ASSERT_EQ(r.steps.size(), 1 + 2 * 50 + 1u);
    EXPECT_EQ(r.steps[0].kind, TransitionStep::Capture);
    for (int i = 0; i < 50; ++i) {
        EXPECT_EQ(r.steps[1 + 2 * i].kind, TransitionStep::Blend);
        EXPECT_EQ(r.steps[1 + 2 * i].value, 2 + i);
        EXPECT_EQ(r.steps[2 + 2 * i].value, 44);
    }
    EXPECT_EQ(r.last.kind, TransitionStep::FinalCopy);
}

TEST(TransitionSteps, SleepsStayBetweenZeroAndThirtyTwoBitsWhateverTheLatencies) {
    TransitionTimings negative{-1000, -5, -50, -50, -50, -50, -50}, huge;
    huge.shutterLatency = huge.wipeLatency = huge.slideLatency = huge.quadrantSlideLatency =
        huge.quadrantWipeLatency = huge.dissolveLatency = huge.crossfadeLatency = INT32_MAX;
    for (int effect = 0; effect < kTransitionCount; ++effect) {
        const Replay low = run(effect, 30, 20, numbers({}), negative);
        EXPECT_EQ(low.fault, "") << effect;
        EXPECT_TRUE(low.showsNewFrame()) << effect;
        const Replay high = run(effect, 30, 20, [] { return 32767; }, huge);
        for (const TransitionStep& s : high.steps)
            if (s.kind == TransitionStep::Sleep && effect > kShuttersUp) EXPECT_EQ(s.value, INT32_MAX) << effect;
    }
}

TEST(TransitionSteps, StoppingEndsAtOnceWithTheFinalCopy) {
    for (int effect = 0; effect < kTransitionCount; ++effect)
        for (int stopAt : {0, 1, 3}) {
            Replay replay(64, 48);
            int seen = 0, afterStop = 0;
            bool stopped = false;
            const bool finished = transitionSteps(effect, 64, 48, {}, numbers({}), [&](const TransitionStep& s) {
                replay(s);
                if (stopped) ++afterStop;
                if (s.kind == TransitionStep::Sleep && seen++ == stopAt) stopped = true;
                return !stopped;
            });
            SCOPED_TRACE("effect " + std::to_string(effect) + " stopped at sleep " + std::to_string(stopAt));
            EXPECT_FALSE(finished);
            EXPECT_EQ(afterStop, 1);
            EXPECT_EQ(replay.last.kind, TransitionStep::FinalCopy);
            EXPECT_TRUE(replay.showsNewFrame());
        }
}

TEST(TransitionChoice, PicksAnEnabledEffectOnlyForANewImage) {
    Sequence* sequence = nullptr;
    auto rand = numbers({7, 2, 1}, &sequence);
    EXPECT_EQ(chooseTransition(false, {1, 2, 3}, true, rand), std::nullopt);
    EXPECT_EQ(chooseTransition(true, {}, true, rand), std::nullopt);
    EXPECT_EQ(chooseTransition(true, {1, 2, 3}, false, rand), std::nullopt);
    EXPECT_EQ(sequence->drawn, 0);
    EXPECT_EQ(chooseTransition(true, {14, 4, 9}, true, rand), 4);  // 7 mod 3
    EXPECT_EQ(chooseTransition(true, {14, 4, 9}, true, rand), 9);
    EXPECT_EQ(chooseTransition(true, {5}, true, rand), 5);
    EXPECT_EQ(sequence->drawn, 3);
}

}  // namespace
