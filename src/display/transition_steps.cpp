// Step schedules of the transition effects. The arithmetic is done in 64 bits so that no size or
// latency can overflow it; every step is trimmed to the rectangle and the source picture.
#include "display/transition_steps.h"

#include <algorithm>
#include <limits>

namespace {

using Int = int64_t;

// A number from the random source, taken as rand() gives it: never negative.
Int draw(const std::function<int()>& rand) {
    return static_cast<Int>(static_cast<unsigned>(rand()));
}

// Emits the steps of one run and remembers whether the sink asked to stop.
class Schedule {
public:
    Schedule(Int width, Int height, const TransitionSink& sink) : w_(width), h_(height), sink_(sink) {}

    Int width() const { return w_; }
    Int height() const { return h_; }
    bool stopped() const { return stopped_; }

    // Copies the piece (x, y, w, h) of the rectangle from (sx, sy) of the picture, trimmed to both;
    // nothing when the trimmed piece is empty. False once the effect is to stop.
    bool copy(Int x, Int y, Int w, Int h, Int sx, Int sy) {
        const Int cutLeft = std::max<Int>({0, -x, -sx}), cutTop = std::max<Int>({0, -y, -sy});
        x += cutLeft, sx += cutLeft, w -= cutLeft;
        y += cutTop, sy += cutTop, h -= cutTop;
        w = std::min({w, w_ - x, w_ - sx});
        h = std::min({h, h_ - y, h_ - sy});
        if (w <= 0 || h <= 0) return !stopped_;
        TransitionStep step;
        step.kind = TransitionStep::Copy;
        step.x = static_cast<int32_t>(x), step.y = static_cast<int32_t>(y);
        step.width = static_cast<int32_t>(w), step.height = static_cast<int32_t>(h);
        step.sourceX = static_cast<int32_t>(sx), step.sourceY = static_cast<int32_t>(sy);
        return send(step);
    }
    bool column(Int c) { return copy(c, 0, 1, h_, c, 0); }
    bool row(Int r) { return copy(0, r, w_, 1, 0, r); }

    // A negative total (from negative latencies) sleeps 0; a huge one stays within 32 bits.
    bool sleep(Int ms) {
        return send(TransitionStep::Sleep, static_cast<int32_t>(std::clamp<Int>(ms, 0, std::numeric_limits<int32_t>::max())));
    }
    bool capture() { return send(TransitionStep::Capture, 0); }
    bool blend(Int alpha) { return send(TransitionStep::Blend, static_cast<int32_t>(alpha)); }

    // The whole frame; the last step of an effect, or of an effect that was stopped.
    void finalCopy() {
        if (finished_) return;
        finished_ = true;
        TransitionStep step;
        step.kind = TransitionStep::FinalCopy;
        step.width = static_cast<int32_t>(w_), step.height = static_cast<int32_t>(h_);
        sink_(step);
    }

private:
    bool send(TransitionStep::Kind kind, int32_t value) {
        TransitionStep step;
        step.kind = kind;
        step.value = value;
        return send(step);
    }
    bool send(const TransitionStep& step) {
        if (!stopped_ && !sink_(step)) stopped_ = true;
        return !stopped_;
    }

    const Int w_, h_;
    const TransitionSink& sink_;
    bool stopped_ = false;
    bool finished_ = false;
};

// Shutters: s strips; step k draws the line at offset k of every strip, each strip n lines wide.
// Reversed shutters take k = 0 first, then n - 1 down to 1.
void shutters(Schedule& out, bool rows, bool reversed, Int latency, const std::function<int()>& rand) {
    const Int s = draw(rand) % 80 + 2;
    const Int length = rows ? out.height() : out.width();
    const Int n = length / s + 5;
    for (Int j = 0; j < n; ++j) {
        const Int k = reversed && j > 0 ? n - j : j;
        const Int counter = reversed ? n - j : j;
        for (Int line = k; line < length; line += n)
            if (!(rows ? out.row(line) : out.column(line))) return;
        if ((counter % 2 == 0 || s > 10) && !out.sleep(s / 10 + latency / n)) return;
    }
}

// Wipes: two interleaved passes of every other line. Lines past the edge are counted (they pace
// the sleeps) but draw nothing.
void wipe(Schedule& out, bool rows, bool fromFarEnd, Int latency, const std::function<int()>& rand) {
    const Int q = draw(rand) % 5 + 1 + out.width() / 200;
    const Int length = rows ? out.height() : out.width();
    auto pass = [&](Int first, Int last, Int by) {
        Int i = 0;
        for (Int line = first; by > 0 ? line <= last : line >= last; line += by, ++i) {
            if (!(rows ? out.row(line) : out.column(line))) return false;
            if (i % q == 0 && !out.sleep(latency + 1)) return false;
        }
        return true;
    };
    if (!fromFarEnd) {
        // Even lines forwards, then the odd ones from the last odd line back to 1.
        const Int lastOdd = (length - 1) % 2 == 1 ? length - 1 : length - 2;
        if (pass(0, length - 1, 2)) pass(lastOdd, 1, -2);
    } else {
        // Lines of the length's parity from the far end back, then the others forwards.
        if (pass(length, length % 2, -2)) pass(length % 2 == 0 ? 1 : 0, length - 1, 2);
    }
}

// Horizontal slide: the top half enters from the left, the bottom half from the right.
// Vertical slide: the left half enters from the top, the right half from the bottom.
void slide(Schedule& out, bool vertical, Int latency, const std::function<int()>& rand) {
    const Int r = draw(rand);
    const Int w = out.width(), h = out.height(), halfW = w / 2, halfH = h / 2;
    const Int pause = latency + 1 + r % 10;
    if (!vertical) {
        const Int step = w / 50 + 1;
        for (Int p = 0; p < w; p += step)
            if (!out.copy(0, 0, p, halfH, w - p, 0) || !out.copy(w - p, halfH, p, halfH, 0, halfH) ||
                !out.sleep(pause))
                return;
    } else {
        const Int step = h / 50 + 1;
        for (Int p = 0; p < h; p += step)
            if (!out.copy(0, 0, halfW, p, 0, h - p) || !out.copy(halfW, h - p, halfW, p, halfW, 0) ||
                !out.sleep(pause))
                return;
    }
    out.finalCopy();
}

// The four quadrants move in together, each from its own side.
void quadrantSlide(Schedule& out, Int latency, const std::function<int()>& rand) {
    const Int r = draw(rand);
    const Int w = out.width(), h = out.height(), halfW = w / 2, halfH = h / 2;
    const Int stepX = w / 80 + 1, stepY = h / 80 + 1;
    for (Int px = 0, py = 0; px < halfW; px += stepX, py += stepY) {
        if (!out.copy(0, 0, halfW, py, 0, halfH - py) ||                  // top left, downwards
            !out.copy(w - px, 0, px, halfH, halfW, 0) ||                   // top right, from the right
            !out.copy(halfW, h - py, halfW, py, halfW, halfH) ||           // bottom right, upwards
            !out.copy(0, halfH, px, halfH, halfW - px, halfH) ||           // bottom left, from the left
            !out.sleep(latency + 1 + r % 20))
            return;
    }
    out.finalCopy();
}

// The picture stays in place; the quadrants are uncovered one after another, clockwise from the
// top left: from the centre lines outwards (wipe) or from the outer edges inwards (peel).
void quadrants(Schedule& out, bool peel, Int latency, const std::function<int()>& rand) {
    const Int pause = latency + 1 + draw(rand) % 36;
    const Int w = out.width(), h = out.height(), halfW = w / 2, halfH = h / 2;
    const Int sx = w / 20 + 1, sy = h / 20 + 1;
    auto show = [&](Int x, Int y, Int cw, Int ch) { return out.copy(x, y, cw, ch, x, y) && out.sleep(pause); };
    if (!peel) {
        for (Int t = 0; t < halfH + h / 20; t += sy)
            if (!show(0, halfH - t, halfW, t)) return;
        for (Int t = 0; t < halfW + w / 20; t += sx)
            if (!show(halfW, 0, t, halfH)) return;
        for (Int t = 2; t - 2 < halfH + h / 20; t += sy)
            if (!show(halfW, halfH, halfW + 1, t)) return;
        for (Int t = 0; t < halfW + w / 20; t += sx)
            if (!show(halfW - t, halfH, t, halfH + 1)) return;
    } else {
        for (Int t = 0; t < halfH; t += sy)
            if (!show(0, 0, halfW, t)) return;
        if (!out.copy(0, 0, halfW, halfH, 0, 0)) return;
        for (Int t = 0; t < halfW + w / 20; t += sx)
            if (!show(w - t, 0, t, halfH)) return;
        for (Int t = 0; t < halfH + h / 20; t += sy)
            if (!show(halfW, h - t, halfW + 1, t)) return;
        for (Int t = 0; t < halfW + w / 20; t += sx)
            if (!show(0, halfH, t, halfH + 1)) return;
    }
    out.finalCopy();
}

// Random blocks, H of them per pass; the block size grows with a random grain g.
void dissolve(Schedule& out, Int latency, const std::function<int()>& rand) {
    const Int w = out.width(), h = out.height();
    const Int g = draw(rand) % w / 100 + 2;
    const Int blockW = w / 120 + g, blockH = h / 120 + g;
    const Int passes = 20 / g + 60;
    for (Int pass = 0; pass < passes; ++pass) {
        for (Int block = 0; block < h; ++block) {
            const Int rx = draw(rand) % w;
            const Int ry = draw(rand) % h;
            if (!out.copy(rx, ry, blockW, blockH, rx, ry)) return;
        }
        if (!out.sleep(latency + 1)) return;
    }
    out.finalCopy();
}

// Fifty blends onto what the rectangle showed, each at a slightly higher alpha.
void crossfade(Schedule& out, Int latency, const std::function<int()>& rand) {
    if (!out.capture()) return;
    const Int r = draw(rand);
    for (Int alpha = 2; alpha <= 51; ++alpha)
        if (!out.blend(alpha) || !out.sleep(latency + 1 + r % 20)) return;
    out.finalCopy();
}

}  // namespace

bool transitionSteps(int effect, int32_t width, int32_t height, const TransitionTimings& timings,
                     const std::function<int()>& rand, const TransitionSink& sink) {
    if (effect < 0 || effect >= kTransitionCount || width <= 0 || height <= 0) return true;
    Schedule out(width, height, sink);
    switch (effect) {
    case kShuttersRight:
    case kShuttersLeft:
    case kShuttersDown:
    case kShuttersUp:
        shutters(out, effect >= kShuttersDown, effect == kShuttersLeft || effect == kShuttersUp,
                 timings.shutterLatency, rand);
        break;
    case kWipeRightLeft:
    case kWipeLeftRight:
    case kWipeDownUp:
    case kWipeUpDown:
        wipe(out, effect >= kWipeDownUp, effect == kWipeLeftRight || effect == kWipeUpDown, timings.wipeLatency,
             rand);
        break;
    case kHorizontalSlide:
    case kVerticalSlide:
        slide(out, effect == kVerticalSlide, timings.slideLatency, rand);
        break;
    case kQuadrantSlide:
        quadrantSlide(out, timings.quadrantSlideLatency, rand);
        break;
    case kQuadrantWipe:
    case kQuadrantPeel:
        quadrants(out, effect == kQuadrantPeel, timings.quadrantWipeLatency, rand);
        break;
    case kDissolve:
        dissolve(out, timings.dissolveLatency, rand);
        break;
    case kCrossfade:
        crossfade(out, timings.crossfadeLatency, rand);
        break;
    }
    if (!out.stopped()) return true;
    out.finalCopy();
    return false;
}

std::optional<int> chooseTransition(bool transitionsOn, const std::vector<int>& enabled, bool shownIndexChanged,
                                    const std::function<int()>& rand) {
    if (!transitionsOn || enabled.empty() || !shownIndexChanged) return std::nullopt;
    return enabled[static_cast<size_t>(draw(rand)) % enabled.size()];
}
