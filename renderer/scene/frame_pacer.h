// Pacing of the frame loop. The scene moves in steps of exactly 1/60 s of the clock, whatever
// the frame rate: before each frame the loop takes the steps owed since the last one, at most a
// quarter of a second's worth (a longer stall, a suspended machine or a debugger, drops the
// rest rather than racing to catch up). Frames come as fast as the display shows them where it
// holds the swaps for its refreshes, and otherwise (no vertical blank, or a driver that ignores
// the interval) at the display's rate, the loop waiting out the rest of each frame itself; at 60
// a second where the rate is unknown.
// Where frames do not fall on steps (a 75, 144 or 165 Hz display), each frame shows the scene at
// its own moment, between the last two steps, so that the motion advances by the same amount
// from frame to frame.
#pragma once

#include <cstdint>

constexpr int kStepsPerSecond = 60;
constexpr int kMaxStepsPerFrame = kStepsPerSecond / 4;

// Returns the swap interval for a display refreshing refreshHz times a second: the most whole
// refreshes that still leave kStepsPerSecond swaps a second (1 below 120 Hz, 2 at 120-179 Hz,
// 3 at 180-239 Hz ...), so that a frame is never shown for longer than a step; 1 where the rate
// is unknown (0 or 1: "the hardware's default") or below 60 Hz.
int SwapIntervalFor(int refreshHz);

// What a frame does: the steps to take before it is drawn, and where between the last two
// steps it shows the scene (1: the last step itself).
struct FramePlan {
    int steps;
    float blend;
};

class FramePacer {
public:
    // On a clock of `ticksPerSecond` ticks, for a display of `refreshHz` (0 or 1: unknown);
    // `displayHoldsSwaps`: the driver took the swap interval, so the display is trusted to hold
    // each swap for its refreshes (until frames come faster than it could show them).
    explicit FramePacer(int64_t ticksPerSecond, int refreshHz = 0, bool displayHoldsSwaps = false);

    // The swap interval to ask of the driver.
    int SwapInterval() const { return interval_; }

    // Returns the ticks to wait at `now` before the next frame may begin; 0: begin it now.
    int64_t TicksToWait(int64_t now) const;

    // A frame begins at `now`: what it does.
    FramePlan BeginFrame(int64_t now);

    // Steps taken so far.
    int64_t Steps() const { return taken_; }

private:
    int64_t ticksPerSecond_;
    int interval_;
    bool blend_;          // frames do not fall on steps: each shows its own moment
    bool displayPaces_;   // the display holds the swaps: the loop does not wait itself
    int fastFrames_ = 0;  // frames in a row that came faster than the display shows them
    int64_t period_;      // between frames: `interval` refreshes (1/60 s where the rate is unknown)
    bool started_ = false;
    int64_t nextDue_ = 0;  // the earliest the next frame may begin
    int64_t lastBegin_ = 0;
    bool stepApart_ = false;  // the last frame came a step after the one before
    int64_t moment_ = 0;   // the moment the last frame shows: its beginning, kept in step with the
                           // frames' own rhythm so that a late wake-up does not jolt the motion
    int64_t origin_ = 0;   // step k falls due at origin_ + k / 60 s
    int64_t phase_ = 0;    // where whole steps are counted from, in sixtieths of a tick past a step
    int64_t taken_ = 0;
};
