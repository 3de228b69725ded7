// The frame loop's pace against a simulated clock and display: the loop as the renderer runs it
// (wait whole milliseconds, rounded up, while the pacer says so; begin a frame, take its steps,
// draw, which takes its time; swap, which with a vertical blank returns when the frame is shown
// at the refresh its interval allows). No test here is timed: the clock is the simulation's.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <utility>
#include <vector>

#include "renderer/scene/frame_pacer.h"
#include "renderer/scene/scene.h"

namespace {

constexpr int64_t kTicks = 10000000;  // the performance counter's usual 10 MHz

struct Frame {
    int64_t begun;
    int steps;
    double moment;  // the scene time it shows, in steps
};

// Runs the loop for `seconds` on a display of `hz` (0: no vertical blank: a swap returns at
// once) with draws of drawMs(frame) milliseconds; `each` sees every frame's plan as it begins.
std::vector<Frame> RunLoop(int hz, double seconds, const std::function<double(int)>& drawMs,
                           const std::function<void(const FramePlan&)>& each = nullptr) {
    FramePacer pacer(kTicks, hz, hz > 0);
    std::vector<Frame> frames;
    int64_t now = 0, lastShown = -1;  // the refresh the last frame was shown at
    while (now < static_cast<int64_t>(seconds * kTicks)) {
        const int64_t wait = pacer.TicksToWait(now);
        if (wait > 0) {
            now += (wait + kTicks / 1000 - 1) / (kTicks / 1000) * (kTicks / 1000);
            continue;
        }
        const FramePlan plan = pacer.BeginFrame(now);
        if (each) each(plan);
        // Blending, a frame shows the moment one step late; otherwise its last step.
        const double moment = double(pacer.Steps()) - (hz % 60 != 0 ? 1.0 - plan.blend : 0.0);
        frames.push_back({now, plan.steps, moment});
        now += static_cast<int64_t>(drawMs(static_cast<int>(frames.size()) - 1) * kTicks / 1000);
        if (hz > 0) {
            int64_t refresh = (now * hz + kTicks - 1) / kTicks;  // the first refresh from now on
            if (lastShown >= 0 && refresh < lastShown + pacer.SwapInterval()) refresh = lastShown + pacer.SwapInterval();
            lastShown = refresh;
            now = refresh * kTicks / hz;
        }
    }
    return frames;
}

double StepsPerSecond(const std::vector<Frame>& frames) {
    int steps = 0;
    for (size_t i = 1; i < frames.size(); ++i) steps += frames[i].steps;
    return steps / (double(frames.back().begun - frames.front().begun) / kTicks);
}

// At every refresh rate, 60 steps a second, and each frame moves the scene on by the same
// amount: one step at 60, 120 and 240 Hz; at 75, 90, 144 and 165 Hz each frame shows its own
// moment between steps. Frames come at the rate the swap interval leaves (72 at 144 Hz), never
// below 60 a second.
TEST(FramePacer, EvenMotionAtSixtyStepsASecondAtEveryRefreshRate) {
    for (int hz : {60, 75, 90, 120, 144, 165, 240}) {
        const std::vector<Frame> frames = RunLoop(hz, 10.0, [](int) { return 2.0; });
        EXPECT_NEAR(StepsPerSecond(frames), 60.0, 0.6) << hz << " Hz";
        const double rate = (frames.size() - 1) / (double(frames.back().begun - frames.front().begun) / kTicks);
        EXPECT_NEAR(rate, double(hz) / SwapIntervalFor(hz), 0.5) << hz << " Hz";
        // From the fourth frame on: the display shows the first frame at its next refresh, the
        // second `interval` refreshes later; the steps settle on the frames' rhythm from there.
        double least = 1e9, most = 0, sum = 0;
        for (size_t i = 4; i < frames.size(); ++i) {
            const double motion = frames[i].moment - frames[i - 1].moment;
            least = std::min(least, motion);
            most = std::max(most, motion);
            sum += motion;
        }
        const double mean = sum / double(frames.size() - 4);
        EXPECT_NEAR(mean, 60.0 * SwapIntervalFor(hz) / hz, 0.01) << hz << " Hz";
        EXPECT_LT(most - mean, 0.02 * mean) << hz << " Hz: a frame moved the scene by " << most;
        EXPECT_LT(mean - least, 0.02 * mean) << hz << " Hz: a frame moved the scene by " << least;
    }
}

// Drawing slower than the steps (software GL on a large screen), and no vertical blank: the
// steps owed are taken before each frame, 60 a second however long a frame takes; and where
// frames are quick, the loop waits out the rest of each sixtieth of a second itself, one step a
// frame, rather than drawing as fast as it can.
TEST(FramePacer, SixtyStepsASecondWhateverAFrameTakes) {
    for (double drawMs : {20.0, 33.0, 66.0, 150.0}) {
        const std::vector<Frame> frames = RunLoop(0, 10.0, [drawMs](int) { return drawMs; });
        EXPECT_NEAR(StepsPerSecond(frames), 60.0, 0.6) << drawMs << " ms frames";
    }
    // Frames now about a step long, now longer, as drawing a large screen goes.
    const std::vector<Frame> uneven = RunLoop(0, 10.0, [](int frame) { return frame % 3 ? 15.0 + frame % 5 : 24.0; });
    EXPECT_NEAR(StepsPerSecond(uneven), 60.0, 0.6) << "uneven frames";
    const std::vector<Frame> quick = RunLoop(0, 10.0, [](int) { return 1.0; });
    EXPECT_NEAR(double(quick.size()), 600.0, 3.0) << "frames in 10 s without a vertical blank";
    for (size_t i = 1; i < quick.size(); ++i) ASSERT_EQ(quick[i].steps, 1) << "frame " << i;
}

// A stall of two seconds (a suspended machine, a debugger) costs at most a quarter of a
// second's steps in the frame after it; the rest is dropped, and the frames after it go on at
// one step each.
TEST(FramePacer, AStallIsNotRacedThrough) {
    const std::vector<Frame> frames = RunLoop(0, 6.0, [](int frame) { return frame == 100 ? 2000.0 : 5.0; });
    ASSERT_GT(frames.size(), 110u);
    EXPECT_EQ(frames[101].steps, kMaxStepsPerFrame);
    for (size_t i = 102; i < frames.size(); ++i) ASSERT_LE(frames[i].steps, 1) << "frame " << i;
}

// Frames of any length take the scene through the same steps: after each step its generator and
// camera are what they are when it is stepped alone (a random draw made per frame, or a camera
// phase counted in frames, parts them); at 20 frames a second the roadside camera comes after
// 1000 steps (16.7 s), not after 1000 frames.
TEST(FramePacer, TheSceneAfterEachStepIsTheSameAtAnyFrameRate) {
    // The scene stepped alone, as a steady 60 Hz display takes it: its generator and camera
    // after each step.
    Scene alone;
    alone.Reset();
    std::vector<std::pair<uint32_t, int>> after(1);
    for (int i = 0; i < 1100; ++i) {
        alone.Step();
        after.push_back({alone.random.State(), alone.camera.mode});
    }
    // The same scene behind frames of 50 ms, several steps a frame.
    ShownScene shown;
    shown.scene.Reset();
    size_t steps = 0;
    RunLoop(0, 18, [](int) { return 50.0; }, [&](const FramePlan& plan) {
        shown.Advance(plan.steps, true);
        steps += static_cast<size_t>(plan.steps);
        ASSERT_LT(steps, after.size());
        EXPECT_EQ(shown.scene.random.State(), after[steps].first) << "the generator after " << steps << " steps";
        EXPECT_EQ(shown.scene.camera.mode, after[steps].second) << "the camera after " << steps << " steps";
    });
    EXPECT_GT(steps, 1020u);
    EXPECT_EQ(after[999].second, CameraOrbit);
    EXPECT_EQ(after[1000].second, CameraRoadside);
}

// What a frame between two steps shows: the step before the last blended towards the last (a
// quarter of the way here), the last itself at 1; a step that jumped (the vehicle wrapped, the
// camera switched or moved) as it is; and a smoke particle that started afresh where it starts.
TEST(FramePacer, FramesBetweenStepsShowTheMomentBetweenTheLastTwo) {
    ShownScene shown;
    shown.scene.Reset();
    shown.Advance(3, true);
    const SceneView &before = shown.previous, &last = shown.scene.View();
    ASSERT_NE(before.posZ, last.posZ);
    const SceneView quarter = BlendViews(before, last, 0.25f);
    EXPECT_FLOAT_EQ(quarter.posZ, before.posZ + 0.25f * (last.posZ - before.posZ));
    EXPECT_FLOAT_EQ(quarter.eye[0], before.eye[0] + 0.25f * (last.eye[0] - before.eye[0]));
    EXPECT_FLOAT_EQ(quarter.wheelSpin[2], before.wheelSpin[2] + 0.25f * (last.wheelSpin[2] - before.wheelSpin[2]));
    const SceneView whole = BlendViews(before, last, 1.0f);
    EXPECT_EQ(std::memcmp(&whole, &last, sizeof last), 0);

    // Over wraps of the vehicle, camera switches and roadside moves, every step that is blended
    // with the one before moves the eye, the target and the vehicle a little; the jumps are cut.
    auto apart = [](const float* a, const float* b) { return std::hypot(a[0] - b[0], a[1] - b[1], a[2] - b[2]); };
    int cuts = 0;
    for (int step = 0; step < 20000; ++step) {
        shown.Advance(1, true);
        const SceneView &from = shown.previous, &to = shown.scene.View();
        if (to.cut) {
            ++cuts;
            EXPECT_EQ(BlendViews(from, to, 0.25f).posX, to.posX);
            continue;
        }
        const float fromPos[3] = {from.posX, from.posY, from.posZ}, toPos[3] = {to.posX, to.posY, to.posZ};
        ASSERT_LT(apart(from.eye, to.eye), 3.0) << "step " << step;
        ASSERT_LT(apart(from.target, to.target), 3.0) << "step " << step;
        ASSERT_LT(apart(fromPos, toPos), 3.0) << "step " << step;
    }
    EXPECT_GT(cuts, 20);

    SceneView fresh = last;
    fresh.smoke[3] = {9.0f, 9.0f, 9.0f, 0.0f};  // younger than before: spawned anew
    EXPECT_EQ(BlendViews(before, fresh, 0.5f).smoke[3].x, 9.0f);
}

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

}  // namespace
