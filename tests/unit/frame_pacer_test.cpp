// Frame pacing: the swap interval for a display's refresh rate, and the steps a loop draws
// against a simulated clock (the loop as the renderer runs it: wait whole milliseconds, rounded
// up, while the pacer says so; then draw, which takes its time).
#include <gtest/gtest.h>

#include <vector>

#include "renderer/scene/frame_pacer.h"

namespace {

// At every rate: never fewer swaps a second than steps where the display can give them (a
// 90 Hz or 165 Hz display must not slow the scene), and as few as that allows.
TEST(SwapInterval, AsManyRefreshesAsStillLeaveSixtySwapsASecond) {
    for (int hz = 0; hz <= 500; ++hz) {
        const int interval = SwapIntervalFor(hz);
        ASSERT_GE(interval, 1) << hz << " Hz";
        if (hz < kStepsPerSecond) {
            EXPECT_EQ(interval, 1) << hz << " Hz";
            continue;
        }
        EXPECT_GE(hz / double(interval), kStepsPerSecond) << hz << " Hz";
        EXPECT_LT(hz / double(interval + 1), kStepsPerSecond) << hz << " Hz";
    }
}

// Runs the loop for `seconds` with draws taking drawMs each (one draw taking stallMs instead,
// at the given step); returns the times at which steps were drawn, in microseconds.
std::vector<int64_t> RunLoop(double drawMs, int seconds, int stallAt = -1, double stallMs = 0) {
    constexpr int64_t kTicks = 1000000;  // a microsecond clock
    FramePacer pacer(kTicks);
    std::vector<int64_t> steps;
    int64_t now = 0;
    while (now < seconds * kTicks) {
        const int64_t wait = pacer.TicksToWait(now);
        if (wait > 0) {
            now += (wait + 999) / 1000 * 1000;  // a wait of whole milliseconds, rounded up
            continue;
        }
        pacer.Stepped(now);
        steps.push_back(now);
        const bool stall = static_cast<int>(steps.size()) - 1 == stallAt;
        now += static_cast<int64_t>((stall ? stallMs : drawMs) * 1000);
    }
    return steps;
}

TEST(FramePacer, AtMostSixtyStepsASecondAndNoBurstAfterAStall) {
    for (double drawMs : {0.0, 0.4, 5.0, 12.0, 16.0, 20.0, 40.0}) {
        const std::vector<int64_t> steps = RunLoop(drawMs, 10, 100, 250.0);
        // Whatever the draw costs, the steps come no closer than a step (less the millisecond
        // a wait may round to), a stall included, and as often as the draws allow up to 60.
        for (size_t i = 1; i < steps.size(); ++i) {
            ASSERT_GE(steps[i] - steps[i - 1], 1000000 / 60 - 1000) << drawMs << " ms draws, step " << i;
        }
        const double expected = drawMs <= 1000.0 / 60 ? 60.0 : 1000.0 / drawMs;
        const double rate = (steps.size() - 1) / ((steps.back() - steps.front()) / 1e6 - 0.25);  // less the stall
        EXPECT_NEAR(rate, expected, 1.0) << drawMs << " ms draws";
    }
}

}  // namespace
