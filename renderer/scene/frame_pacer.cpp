#include "frame_pacer.h"

int SwapIntervalFor(int refreshHz) {
    if (refreshHz <= 1) return 1;
    const int interval = refreshHz / kStepsPerSecond;
    return interval < 1 ? 1 : interval;
}

FramePacer::FramePacer(int64_t ticksPerSecond) : step_(ticksPerSecond / kStepsPerSecond) {
    if (step_ < 1) step_ = 1;
}

int64_t FramePacer::TicksToWait(int64_t now) const {
    if (!started_ || now >= nextDue_) return 0;
    return nextDue_ - now;
}

void FramePacer::Stepped(int64_t now) {
    if (!started_ || now >= nextDue_ + step_) {
        nextDue_ = now + step_;
        started_ = true;
    } else {
        nextDue_ += step_;
    }
}
