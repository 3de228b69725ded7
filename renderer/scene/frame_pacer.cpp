#include "frame_pacer.h"

#include <algorithm>
#include <cmath>

namespace {

// How far a frame may come from a whole number of the display's frames and still be on its
// beat: a quarter of a frame (4 ms at 60 Hz), and never less than the timer's noise and a late
// wake-up take (up to 2 ms either side of the beat; a quarter of a 110 Hz frame is 2.3 ms), yet
// under half a frame, so that a frame on the beat still tells how many frames it spans.
constexpr double kBeat = 0.25;
constexpr double kBeatLeastSeconds = 0.003;
constexpr double kBeatMost = 0.4;

double BeatWindow(double frame, int64_t ticksPerSecond) {
    return std::min(std::max(frame * kBeat, kBeatLeastSeconds * double(ticksPerSecond)), frame * kBeatMost);
}

// How far from 60 steps a second a display's frames may be for the scene to follow them.
constexpr double kFollow = 0.002;
// The display's pace is judged once this many of its frames have been measured.
constexpr double kFramesToJudge = 2.0 * kStepsPerSecond;
// Frames ahead of the most the display could have shown that tell that it does not hold the
// swaps: more than any queue of frames a driver lets through at once.
constexpr double kAheadMost = 8.0;
// The most frames a driver's queue lets through at once.
constexpr int kQueueMost = 3;

}  // namespace

bool FramesFallOnSteps(int refreshHz) {
    if (refreshHz <= 1) return true;
    const int multiple = (refreshHz + kStepsPerSecond / 2) / kStepsPerSecond;
    return multiple >= 1 && std::abs(refreshHz - multiple * kStepsPerSecond) <= 1;
}

int SwapIntervalFor(int refreshHz) {
    if (refreshHz <= 1) return 1;
    if (FramesFallOnSteps(refreshHz)) return (refreshHz + kStepsPerSecond / 2) / kStepsPerSecond;
    return std::max(1, refreshHz / kStepsPerSecond);
}

FramePacer::FramePacer(int64_t ticksPerSecond, int refreshHz, bool displayHoldsSwaps)
    : ticksPerSecond_(std::max<int64_t>(ticksPerSecond, 1)),
      interval_(SwapIntervalFor(refreshHz)),
      onSteps_(FramesFallOnSteps(refreshHz)) {
    const bool known = refreshHz > 1;
    swapsMayHold_ = known && displayHoldsSwaps;
    displayPaces_ = swapsMayHold_;
    frame_ = known ? double(ticksPerSecond_) * interval_ / refreshHz : double(ticksPerSecond_) / kStepsPerSecond;
    // Paced by the loop, frames that fall on steps come a step apart; others at the display's rate.
    gridNum_ = onSteps_ ? ticksPerSecond_ : ticksPerSecond_ * interval_;
    gridDen_ = onSteps_ ? kStepsPerSecond : refreshHz;
    beatFrame_ = frame_;
    retryWait_ = ticksPerSecond_ / 2;
    // The display's true rate is within a hertz over the one reported, and the clock's rate
    // within half a percent of its own.
    mostFramesPerTick_ = known ? (refreshHz + 1.0) * 1.005 / (double(interval_) * double(ticksPerSecond_)) : 0.0;
}

void FramePacer::Retune(int refreshHz, bool displayHoldsSwaps) {
    const int64_t taken = taken_;
    *this = FramePacer(ticksPerSecond_, refreshHz, displayHoldsSwaps);
    taken_ = taken;
}

void FramePacer::RestartGrid(int64_t now) {
    gridStart_ = now;
    gridFrame_ = 1;
}

int64_t FramePacer::Due(int64_t frame) const {
    // gridStart_ + frame * gridNum_ / gridDen_, without overflowing in a long session.
    return gridStart_ + frame / gridDen_ * gridNum_ + frame % gridDen_ * gridNum_ / gridDen_;
}

int64_t FramePacer::TicksToWait(int64_t now) const {
    if (!started_ || displayPaces_ || trialFrames_ >= 0) return 0;
    const int64_t due = Due(gridFrame_);
    return now >= due ? 0 : due - now;
}

FramePlan FramePacer::BeginFrame(int64_t now) {
    if (!started_) {
        // The first frame (or the first after a pause) takes one step and shows it.
        started_ = true;
        lastBegin_ = now;
        RestartGrid(now);
        owed_ = 0.0;
        beat_ = double(now);
        fastFrames_ = 0;
        trialFrames_ = -1;
        ahead_ = 0.0;
        longestFast_ = 0;
        taken_ += 1;
        return {1, onSteps_ ? 1.0f : 0.0f};
    }
    const int64_t spacing = now - lastBegin_;
    lastBegin_ = now;
    // Paced by the loop, frames keep to a grid, so that late wake-ups even out: the next frame is
    // due at the first point of the grid at least half a frame away, so that after a slow frame
    // the next one is not hurried in between, and the grid keeps its phase.
    const double position = double(now - gridStart_) * double(gridDen_) / double(gridNum_);
    gridFrame_ = std::max(gridFrame_ + 1, static_cast<int64_t>(std::floor(position + 0.5)) + 1);
    if (gridFrame_ >= gridDen_) {
        // The grid's start moved on by whole repeats of its fraction (gridDen_ frames are
        // gridNum_ ticks exactly), so that its numbers stay small and it never drifts.
        const int64_t repeats = gridFrame_ / gridDen_ * gridDen_;
        gridStart_ = Due(repeats);
        gridFrame_ -= repeats;
    }
    const int steps = onSteps_ ? StepsOnSteps(spacing) : StepsBetweenSteps(now);
    WatchTheSwaps(now, spacing);
    taken_ += steps;
    return {steps, onSteps_ ? 1.0f : static_cast<float>(owed_)};
}

bool FramePacer::FollowsTheDisplay() const {
    if (beatFrames_ < kFramesToJudge) return true;  // until measured: the display is as it says
    const double ratio = beatTicks_ * kStepsPerSecond / (beatFrames_ * double(ticksPerSecond_));
    return std::fabs(ratio - 1.0) <= kFollow;
}

int FramePacer::StepsOnSteps(int64_t spacing) {
    const bool paced = displayPaces_ || trialFrames_ >= 0;
    const double frame = paced ? frame_ : double(gridNum_) / double(gridDen_);
    const double frames = double(spacing) / frame;
    const double whole = std::floor(frames + 0.5);
    const bool onBeat = std::fabs(double(spacing) - whole * frame) <= BeatWindow(frame, ticksPerSecond_);
    // A frame on the beat of a display that holds the swaps counts as the frames it spans.
    const bool displayFrame = displayPaces_ && onBeat && whole >= 1.0;
    if (displayFrame) {
        beatTicks_ += double(spacing);
        beatFrames_ += whole;
    }
    owed_ += displayFrame && FollowsTheDisplay() ? whole : double(spacing) * kStepsPerSecond / double(ticksPerSecond_);
    // A frame on time takes one step, a late one the frames it spans, one off the beat one; and
    // against the clock only where the count has come a whole step off it.
    double steps = onBeat ? whole : 1.0;
    const double left = owed_ - steps;
    if (left >= 1.0) {
        steps += std::floor(left);
    } else if (left <= -1.0) {
        steps = std::max(0.0, steps - std::floor(-left));
    }
    if (steps > kMaxStepsPerFrame) {
        // A longer stall: the rest is dropped.
        owed_ = 0.0;
        return kMaxStepsPerFrame;
    }
    owed_ -= steps;
    return static_cast<int>(steps);
}

int FramePacer::StepsBetweenSteps(int64_t now) {
    const bool paced = displayPaces_ || trialFrames_ >= 0;
    const double frame = paced ? beatFrame_ : double(gridNum_) / double(gridDen_);
    // The moment the frame shows: where it began, drawn towards the beat of the display's
    // frames by seven eighths of the way off it, so that a late wake-up or the timer's noise
    // does not jolt the motion; the beat's frame length follows the display's own (a 74.97 Hz
    // display reported as 74). A frame off the beat (a slow frame, a stall) is taken as it is.
    const double since = double(now) - beat_;
    const double whole = std::max(1.0, std::floor(since / frame + 0.5));
    const double off = since - whole * frame;
    const double before = beat_;
    if (std::fabs(off) <= BeatWindow(frame, ticksPerSecond_)) {
        beat_ += whole * frame + off / 8.0;
        if (displayPaces_) beatFrame_ = std::clamp(beatFrame_ + off / (128.0 * whole), frame_ * 0.98, frame_ * 1.02);
    } else {
        beat_ = double(now);
    }
    // The frame shows its moment one step late: that far from the step before the last towards
    // the last.
    owed_ += (beat_ - before) * kStepsPerSecond / double(ticksPerSecond_);
    double steps = std::floor(owed_);
    if (steps > kMaxStepsPerFrame) {
        steps = kMaxStepsPerFrame;  // a longer stall: the rest is dropped
        owed_ -= std::floor(owed_);
    } else {
        owed_ -= steps;
    }
    return static_cast<int>(steps);
}

void FramePacer::WatchTheSwaps(int64_t now, int64_t spacing) {
    if (!swapsMayHold_) return;
    const bool fast = double(spacing) < frame_ * 0.75;
    if (displayPaces_) {
        // Frames that keep coming faster than the display can show them: it does not hold the
        // swaps (a minimised window), and the loop paces itself.
        fastFrames_ = fast ? fastFrames_ + 1 : 0;
        longestFast_ = std::max(longestFast_, fastFrames_);
        // The frames come beyond the most the display could have shown (drawing takes a little
        // under a frame, or now less and now more, and the driver, set to ignore the interval,
        // returns every swap at once): a display that holds the swaps shows no more than its
        // rate, a hertz over the one reported at most, and is never more ahead of that than the
        // few frames a queue lets through at once, whatever the timer's noise or a late frame.
        ahead_ = std::max(0.0, ahead_ + 1.0 - double(spacing) * mostFramesPerTick_);
        if (ahead_ == 0.0) longestFast_ = 0;
        // Frames ahead of the display in runs of quick frames longer than any queue lets through
        // (a minimised window, its run now and then broken by a late frame) are the window's,
        // and the display is tried again later; otherwise the driver's.
        if (fastFrames_ >= 8 || (ahead_ > kAheadMost && !fast && longestFast_ > kQueueMost)) {
            displayPaces_ = false;
            fastFrames_ = longestFast_ = 0;
            ahead_ = 0.0;
            RestartGrid(now);
            retryAt_ = now + retryWait_;
        } else if (ahead_ > kAheadMost && !fast) {  // not while quick frames may yet tell more
            // A driver that ignores the interval does so until the display changes: no trials.
            displayPaces_ = false;
            swapsMayHold_ = false;
            RestartGrid(now);
        }
        return;
    }
    if (trialFrames_ < 0) {
        if (now >= retryAt_) trialFrames_ = 0;  // the next frames come unpaced
        return;
    }
    // The first frame of a trial begins whenever the last paced frame's swap came back; from
    // the second on, frames that the display holds come a frame apart.
    if (++trialFrames_ < 2) return;
    if (fast) {
        trialFrames_ = -1;
        retryWait_ = std::min(retryWait_ * 2, ticksPerSecond_ * 4);
        retryAt_ = now + retryWait_;
        RestartGrid(now);
    } else if (trialFrames_ >= 5) {
        trialFrames_ = -1;
        displayPaces_ = true;
        ahead_ = 0.0;
        longestFast_ = 0;
        retryWait_ = ticksPerSecond_ / 2;
    }
}
