// Pacing of the frame loop. The scene moves in steps of 1/60 s, whatever the frame rate: before
// each frame the loop takes the steps the frame calls for, at most a quarter of a second's worth
// (a longer stall, a suspended machine or a debugger, drops the rest rather than racing to catch
// up). Frames come as fast as the display shows them where it holds the swaps for its refreshes,
// and otherwise at the loop's own pace, the loop waiting out the rest of each frame itself.
//
// Where the display refreshes at a whole multiple of 60 a second, or within a refresh a second of
// one (59.94, 60.004, 119.88 Hz: the rates displays really run at), each frame that comes on time
// takes exactly one step. Where the display holds the swaps and keeps within 0.2 % of that rate,
// the scene follows it: its frames are the scene's clock, so that it never repeats or skips a
// step for a clock a thousandth faster or slower (59.94 Hz runs the scene at 59.94 steps a
// second). Otherwise the steps are held to the clock, corrected only where the count has come a
// whole step off it, so that timing noise never flips a frame between none and two.
// Where frames do not fall on steps (a 75, 144 or 165 Hz display), each frame shows the scene at
// its own moment between the last two steps, drawn to the beat of the display's refreshes, so
// that the motion advances by the same amount from frame to frame.
#pragma once

#include <cstdint>

constexpr int kStepsPerSecond = 60;
constexpr int kMaxStepsPerFrame = kStepsPerSecond / 4;

// Whether frames at a display's reported rate fall on steps: a rate within one refresh a second
// of a whole multiple of 60 (rates are reported in whole hertz: 59.94 Hz as 59 or 60), or one
// that is unknown (0 or 1: "the hardware's default"), where the loop paces itself at 60.
bool FramesFallOnSteps(int refreshHz);

// Returns the swap interval for a display refreshing refreshHz times a second: that multiple of
// 60 where frames fall on steps (2 at 119-121 Hz), otherwise the most whole refreshes that still
// leave 60 swaps a second (1 at 75 or 90 Hz, 2 at 144 or 165 Hz); 1 where the rate is unknown or
// below 60 Hz.
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
    // each swap for its refreshes (while frames do not come faster than it could show them).
    explicit FramePacer(int64_t ticksPerSecond, int refreshHz = 0, bool displayHoldsSwaps = false);

    // The swap interval to ask of the driver.
    int SwapInterval() const { return interval_; }

    // Returns the ticks to wait at `now` before the next frame may begin; 0: begin it now.
    int64_t TicksToWait(int64_t now) const;

    // A frame begins at `now`: what it does.
    FramePlan BeginFrame(int64_t now);

    // Frames were held back (the display was off): the next one begins afresh, taking one step,
    // and the time between is dropped.
    void Resume() { started_ = false; }

    // The display changed (another mode, another monitor): its rate and whether it holds the
    // swaps are taken anew, and the next frame begins afresh as after a pause. The steps taken so
    // far are kept.
    void Retune(int refreshHz, bool displayHoldsSwaps);

    // Steps taken so far.
    int64_t Steps() const { return taken_; }

    // The display sets the pace (it holds the swaps); otherwise the loop does.
    bool DisplayPaces() const { return displayPaces_; }

    // The display may yet set the pace: the driver took the interval, and the frames have not
    // shown that it ignores it.
    bool SwapsMayHold() const { return swapsMayHold_; }

private:
    void WatchTheSwaps(int64_t now, int64_t spacing);
    void RestartGrid(int64_t now);
    int64_t Due(int64_t frame) const;  // when frame `frame` of the loop's own grid is due
    int StepsOnSteps(int64_t spacing);
    int StepsBetweenSteps(int64_t now);
    bool FollowsTheDisplay() const;

    int64_t ticksPerSecond_;
    int interval_;
    bool onSteps_;         // frames fall on steps; otherwise each shows its own moment
    bool swapsMayHold_;    // the driver took the interval: the display may set the pace
    bool displayPaces_;    // it does now: the loop does not wait itself
    double frame_;         // ticks between the display's frames: `interval` refreshes
    // The loop's own pace: frame k of the grid is due at gridStart_ + k * gridNum_ / gridDen_ (a
    // sixtieth of a second where frames fall on steps, the display's frame otherwise), kept exact
    // so that it never drifts from the clock.
    int64_t gridNum_, gridDen_;
    int64_t gridStart_ = 0, gridFrame_ = 0;  // the next frame is number gridFrame_
    bool started_ = false;
    int64_t lastBegin_ = 0;
    int64_t taken_ = 0;
    // Steps owed and not taken, where frames fall on steps: held within a step either way. Where
    // frames fall between steps: how far past the last step the frame's moment lies (0 to 1).
    double owed_ = 0.0;
    // The display's measured pace: ticks and frames of the frames that came on its beat.
    double beatTicks_ = 0.0, beatFrames_ = 0.0;
    // Between steps: the beat of the display's frames (the moment the last frame shows) and the
    // frame's length as the beat has measured it.
    double beat_ = 0.0, beatFrame_;
    // Frames that come faster than the display shows them (a window it does not show, a
    // driver that takes the interval and ignores it): the loop paces itself. After quick frames
    // it now and then (after waits that double from half a second to four seconds) lets a few
    // frames come unpaced to see whether the display holds them again; after more frames than
    // the display could have shown, however they came, it paces itself until the display changes.
    int fastFrames_ = 0;
    // While the display sets the pace: how many frames have come beyond the most it could have
    // shown (its frames a tick, at most), never counted below none.
    double ahead_ = 0.0, mostFramesPerTick_ = 0.0;
    int longestFast_ = 0;  // the longest run of quick frames since none were ahead
    int64_t retryAt_ = 0, retryWait_ = 0;
    int trialFrames_ = -1;  // frames into a trial of the display's pace; -1: no trial
};
