// Pacing of the frame loop. The scene moves a fixed step per drawn frame, so the loop draws at
// most kStepsPerSecond frames a second: the swap waits for whole refreshes where the display
// has a vertical blank, and the loop waits out the rest of a step where a swap returns early
// (no vertical blank, a driver that ignores the interval, a display faster than the steps).
#pragma once

#include <cstdint>

constexpr int kStepsPerSecond = 60;

// Returns the swap interval for a display refreshing refreshHz times a second: the most whole
// refreshes that still leave kStepsPerSecond swaps a second (1 below 120 Hz, 2 at 120-179 Hz,
// 3 at 180-239 Hz ...), so that the swaps never hold the scene below its speed; the pacer waits
// out the rest. 1 where the rate is unknown (0 or 1: "the hardware's default") or below 60 Hz.
int SwapIntervalFor(int refreshHz);

// Decides when the next step may be drawn, on a clock of `ticksPerSecond` ticks.
class FramePacer {
public:
    explicit FramePacer(int64_t ticksPerSecond);

    // Returns the ticks to wait at `now` before the next step may be drawn; 0: draw it now.
    int64_t TicksToWait(int64_t now) const;

    // Records a step drawn at `now`. Steps keep to a grid one step apart, so that short waits
    // (a timer's granularity) even out; a step drawn more than a step late starts the grid
    // again from itself, so a stall is never made up with a burst of steps.
    void Stepped(int64_t now);

private:
    int64_t step_;
    int64_t nextDue_ = 0;
    bool started_ = false;
};
