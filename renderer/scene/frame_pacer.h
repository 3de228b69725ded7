// Pacing of the frame loop. The scene moves a fixed step per drawn frame, so the loop draws at
// most kStepsPerSecond frames a second: the swap waits for whole refreshes where the display
// has a vertical blank, and the loop waits out the rest of a step where a swap returns early
// (no vertical blank, a driver that ignores the interval, a display faster than the steps).
#pragma once

#include <cstdint>

constexpr int kStepsPerSecond = 60;

// Returns the swap interval for a display refreshing refreshHz times a second: the whole number
// of refreshes nearest to one step (1 at 50-89 Hz, 2 at 90-149 Hz, 3 at 150-209 Hz ...), and 1
// where the rate is unknown (0 or 1, as the display reports "the hardware's default").
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
