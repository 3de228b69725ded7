// The frame loop as the renderer runs it, against a simulated clock and display: wait whole
// milliseconds, rounded up, while the pacer says so (waking up to `lateMs` late); begin a frame
// and take its steps; draw, which takes its time; swap, which where the display holds the swaps
// returns at the refresh that shows the frame (no sooner than `interval` refreshes after the last
// one; with a queue, at the refresh that shows the frame that many before it), the loop reading
// the clock up to `jitterMs` before or after it and waking up to `lateMs` late. The display's
// true rate need not be the one it reports (59.94 Hz reported as 59). Nothing here is timed: the
// clock is the simulation's, the noise from a fixed seed.
#pragma once

#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

#include "renderer/scene/frame_pacer.h"

constexpr int64_t kTicks = 10000000;  // the performance counter's usual 10 MHz

struct SimDisplay {
    double hz = 0;           // refreshes a second; 0: no vertical blank (a swap returns at once)
    int reportedHz = 0;      // as the system reports it (0: unknown)
    bool holdsSwaps = true;  // the driver takes the swap interval
    double jitterMs = 0;     // the clock read this far either side of the refresh a swap returns at
    double lateMs = 0;       // wake-ups (after a wait or a swap) up to this late
    int queue = 0;           // held swaps return once the frame this many before shows (0: it)
    uint32_t seed = 1;
};

// A display at `hz` that reports itself as `reportedHz`, holding the swaps, the clock read up to
// 1 ms either side of each refresh and wake-ups up to 2 ms late.
inline SimDisplay NoisyDisplay(double hz, int reportedHz, uint32_t seed = 1) {
    SimDisplay display;
    display.hz = hz;
    display.reportedHz = reportedHz;
    display.jitterMs = 1.0;
    display.lateMs = 2.0;
    display.seed = seed;
    return display;
}

struct SimFrame {
    int64_t begun;    // ticks
    int steps;        // taken before it was drawn
    float blend;      // where between the last two steps it shows the scene
    int64_t taken;    // steps taken so far, this frame's included
    int64_t refresh;  // the refresh that showed it; -1 without a vertical blank
    double shown;     // when it was shown: that refresh, or the end of its drawing (ticks)

    // The scene's moment the frame shows, in steps (one step late between steps).
    double Moment() const { return double(taken) - 1.0 + blend; }
};

class PacedLoop {
public:
    explicit PacedLoop(const SimDisplay& display)
        : display_(display), pacer_(kTicks, display.reportedHz, display.holdsSwaps && display.hz > 0),
          noise_(display.seed ? display.seed : 1) {}

    // Runs the loop until `seconds` of the clock have passed, drawing each frame for
    // drawMs(frame) milliseconds; `swapsHeld(now)`, where given, says whether the display holds
    // a swap made at `now` (a minimised window's do not come back at a refresh); `each` sees each
    // frame as it begins. Returns the frames, continuing from any run before.
    std::vector<SimFrame>& Run(double seconds, const std::function<double(int)>& drawMs,
                               const std::function<bool(int64_t)>& swapsHeld = nullptr,
                               const std::function<void(const SimFrame&)>& each = nullptr) {
        const int64_t end = now_ + static_cast<int64_t>(seconds * kTicks);
        while (now_ < end) {
            const int64_t wait = pacer_.TicksToWait(now_);
            if (wait > 0) {
                now_ += (wait + kTicks / 1000 - 1) / (kTicks / 1000) * (kTicks / 1000) + Late();
                continue;
            }
            const FramePlan plan = pacer_.BeginFrame(now_);
            SimFrame frame = {now_, plan.steps, plan.blend, pacer_.Steps(), -1, 0.0};
            now_ += static_cast<int64_t>(drawMs(static_cast<int>(frames_.size())) * kTicks / 1000);
            frame.shown = double(now_);
            if (display_.hz > 0) {
                // The first refresh from now on; held, no sooner than the interval allows.
                int64_t refresh = static_cast<int64_t>(std::ceil(double(now_) * display_.hz / kTicks));
                const bool held = display_.holdsSwaps && (!swapsHeld || swapsHeld(now_));
                if (held && lastRefresh_ >= 0 && refresh < lastRefresh_ + pacer_.SwapInterval()) {
                    refresh = lastRefresh_ + pacer_.SwapInterval();
                }
                lastRefresh_ = refresh;
                frame.refresh = refresh;
                frame.shown = double(refresh) * kTicks / display_.hz;
                if (held) {
                    // With a queue, the swap returns when the frame `queue` before this one shows.
                    const size_t n = frames_.size();
                    const double at = display_.queue == 0 ? frame.shown
                                      : n >= size_t(display_.queue) ? frames_[n - display_.queue].shown : 0.0;
                    const int64_t back = static_cast<int64_t>(at) + Jitter() + Late();
                    if (back > now_) now_ = back;
                }
            }
            frames_.push_back(frame);
            if (each) each(frames_.back());
        }
        return frames_;
    }

    // The display becomes another (a mode or a monitor of another rate), as the renderer hears
    // of it: the pacer is retuned to its reported rate.
    void ChangeDisplay(double hz, int reportedHz) {
        display_.hz = hz;
        display_.reportedHz = reportedHz;
        lastRefresh_ = -1;
        pacer_.Retune(reportedHz, display_.holdsSwaps && hz > 0);
    }

    FramePacer& Pacer() { return pacer_; }
    int64_t Now() const { return now_; }
    // The clock moves on without a frame (the display off).
    void Pass(double seconds) { now_ += static_cast<int64_t>(seconds * kTicks); }

private:
    // The noise: uniform over [0, 1), from a generator of our own (the same on every library).
    double Uniform() {
        noise_ ^= noise_ << 13;
        noise_ ^= noise_ >> 17;
        noise_ ^= noise_ << 5;
        return (noise_ >> 8) / double(1u << 24);
    }
    int64_t Late() { return static_cast<int64_t>(Uniform() * display_.lateMs * kTicks / 1000); }
    int64_t Jitter() { return static_cast<int64_t>((2.0 * Uniform() - 1.0) * display_.jitterMs * kTicks / 1000); }

    SimDisplay display_;
    FramePacer pacer_;
    uint32_t noise_;
    int64_t now_ = 0;
    int64_t lastRefresh_ = -1;
    std::vector<SimFrame> frames_;
};
