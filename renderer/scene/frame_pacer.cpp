#include "frame_pacer.h"

int SwapIntervalFor(int refreshHz) {
    if (refreshHz <= 1) return 1;
    const int interval = refreshHz / kStepsPerSecond;
    return interval < 1 ? 1 : interval;
}

FramePacer::FramePacer(int64_t ticksPerSecond, int refreshHz, bool displayHoldsSwaps)
    : ticksPerSecond_(ticksPerSecond < 1 ? 1 : ticksPerSecond), interval_(SwapIntervalFor(refreshHz)) {
    const bool known = refreshHz > 1;
    blend_ = known && refreshHz != kStepsPerSecond * interval_;
    displayPaces_ = known && displayHoldsSwaps;
    period_ = known ? ticksPerSecond_ * interval_ / refreshHz : ticksPerSecond_ / kStepsPerSecond;
    if (period_ < 1) period_ = 1;
}

int64_t FramePacer::TicksToWait(int64_t now) const {
    if (!started_ || displayPaces_ || now >= nextDue_) return 0;
    return nextDue_ - now;
}

FramePlan FramePacer::BeginFrame(int64_t now) {
    const int64_t step = ticksPerSecond_ / kStepsPerSecond;  // ticks, rounded down
    bool rhythmBegins = false;  // the first of frames a step apart
    if (!started_) {
        started_ = true;
        nextDue_ = now + period_;
        moment_ = now;
        origin_ = now - (ticksPerSecond_ + kStepsPerSecond - 1) / kStepsPerSecond;  // the first frame takes one step
    } else {
        const int64_t spacing = now - lastBegin_;
        if (displayPaces_) {
            // Frames that keep coming faster than the display can show them: it does not hold
            // the swaps after all (a driver set to ignore the interval), and the loop paces itself.
            fastFrames_ = spacing < period_ * 3 / 4 ? fastFrames_ + 1 : 0;
            if (fastFrames_ >= 8) displayPaces_ = false;
        }
        // Frames keep to a grid, so that short waits even out; one that begins a whole frame
        // late starts the grid again from itself.
        nextDue_ = now >= nextDue_ + period_ ? now + period_ : nextDue_ + period_;
        // The moment this frame shows: where it began; between steps, drawn towards the beat of
        // the display's frames by seven eighths of the way off it (so that a late wake-up or a
        // timer's granularity does not jolt the motion, while a display a little off its
        // reported rate is followed). A frame that does not come at that beat (a slow frame, a
        // stall, the first frames' settling) is taken as it is.
        const int64_t off = now - (moment_ + period_);
        const bool onBeat = spacing - period_ <= period_ / 8 && period_ - spacing <= period_ / 8 &&
                            off <= period_ / 4 && off >= -period_ / 4;
        moment_ = blend_ && onBeat ? now - off + off / 8 : now;
        const bool stepApart = spacing - step <= step / 8 && step - spacing <= step / 8;
        rhythmBegins = stepApart && !stepApart_;
        stepApart_ = stepApart;
    }
    lastBegin_ = now;

    // Steps fall due at origin_ + k / 60 s: the time since origin_ in units of a sixtieth of a
    // tick, a step being ticksPerSecond_ of them.
    int64_t scaled = (moment_ - origin_) * kStepsPerSecond;
    if (scaled < 0) scaled = 0;
    if (!blend_ && rhythmBegins) {
        // Each frame shows a whole step: where frames begin to come a step apart, the steps are
        // counted from half a step before this frame, so that each of them takes one step
        // however they jitter. Only the counting moves, never the clock: over any stretch the
        // steps keep to real time within a step.
        phase_ = scaled % ticksPerSecond_;
    }
    const int64_t due = blend_ ? scaled / ticksPerSecond_ : (scaled - phase_ + ticksPerSecond_ / 2) / ticksPerSecond_;
    int64_t owed = due - taken_;
    if (owed > kMaxStepsPerFrame) {
        // A longer stall: the rest is dropped, the clock moved on past it.
        owed = kMaxStepsPerFrame;
        origin_ += (due - taken_ - owed) * ticksPerSecond_ / kStepsPerSecond;
    }
    if (owed < 0) owed = 0;  // the moment lies before a step already taken: none more yet
    taken_ += owed;

    FramePlan plan = {static_cast<int>(owed), 1.0f};
    if (blend_) {
        // Between steps, a frame shows its moment one step late: that far from the step before
        // the last towards the last.
        const double sinceLast = double(moment_ - origin_) * kStepsPerSecond / double(ticksPerSecond_) - double(taken_);
        plan.blend = sinceLast <= 0.0 ? 0.0f : sinceLast >= 1.0 ? 1.0f : static_cast<float>(sinceLast);
    }
    return plan;
}
