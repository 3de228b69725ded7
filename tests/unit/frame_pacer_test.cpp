// The frame loop's pace against a simulated clock and display (paced_loop.h): displays at the
// rates they really run at, with the timer's noise and late wake-ups, slow and late frames, a
// stall, a display that stops holding the swaps and holds them again, and a pause. No test here
// is timed: the clock is the simulation's.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include "paced_loop.h"
#include "renderer/scene/frame_pacer.h"

namespace {

double Seconds(const std::vector<SimFrame>& frames, size_t from = 0) {
    return double(frames.back().begun - frames[from].begun) / kTicks;
}

double StepsPerSecond(const std::vector<SimFrame>& frames, size_t from = 0) {
    return double(frames.back().taken - frames[from].taken) / Seconds(frames, from);
}

// The frames from `from` on whose motion (the moment shown, against the frame before) is not
// the motion the display's timing calls for: the time between the refreshes that showed the two
// frames before it, the last two pictures the loop saw go by before it began, at 60 steps a
// second. Where frames fall on steps a frame that moves one step where the time calls for 1.001
// is on time (off by 0.001); one that repeats or skips a step is off by a whole step.
std::vector<size_t> OffTheirDue(const std::vector<SimFrame>& frames, double hz, size_t from = 3) {
    std::vector<size_t> off;
    for (size_t i = std::max<size_t>(from, 2); i < frames.size(); ++i) {
        const double due = double(frames[i - 1].refresh - frames[i - 2].refresh) * kStepsPerSecond / hz;
        if (std::fabs(frames[i].Moment() - frames[i - 1].Moment() - due) > 0.1) off.push_back(i);
    }
    return off;
}

// Displays as they really run, with the clock read up to 1 ms either side of each refresh and
// wake-ups up to 2 ms late, for ten minutes each. Where the display runs within 0.2 % of 60 steps
// a second (59.94, 60.004 Hz; 119.88 Hz every second refresh), each frame takes one step and the
// scene follows the display: no frame ever repeats or skips a step. At 74.97, 90, 110 and
// 143.86 Hz (every second refresh: 71.93 frames a second) each frame shows its own moment, and
// the motion from frame to frame is what the display's timing calls for within a tenth of a step
// (at 110 Hz the noise is most of a quarter of a frame); the scene keeps 60 steps a second.
// Further from a multiple of 60 (59 Hz, 61 Hz, and 59.85 Hz, 0.25 % off), the steps keep to the
// clock, a frame taking two steps or none only as often as the difference demands (once a second
// at 59 Hz). Every rate as the system reports it either way,
// and a 60 Hz display reported only as "the hardware's default" (1), paced by the loop.
TEST(FramePacer, EachFrameMovesTheSceneByWhatItsDisplayCallsFor) {
    const struct {
        double hz;
        int reported;
    } displays[] = {{59.94, 59},  {59.94, 60},   {60.004, 60},  {60.0, 60},    {74.97, 74},   {74.97, 75},
                    {90.0, 90},   {110.0, 110},  {119.88, 119}, {119.88, 120}, {143.86, 143}, {143.86, 144},
                    {165.0, 165}, {240.0, 240},  {59.0, 59},    {61.0, 61},    {59.85, 60},   {60.0, 1},
                    {23.976, 23}, {29.97, 29}};
    uint32_t seed = 11;
    for (const auto& d : displays) {
        PacedLoop loop(NoisyDisplay(d.hz, d.reported, seed++));
        const std::vector<SimFrame>& frames = loop.Run(600.0, [](int) { return 2.0; });
        const int interval = SwapIntervalFor(d.reported);
        const double framesASecond = d.hz / interval;
        EXPECT_NEAR((frames.size() - 1) / Seconds(frames), framesASecond, 0.05) << d.hz << " Hz";
        const bool onSteps = std::fabs(framesASecond - kStepsPerSecond) < 1.5;
        const bool followed = onSteps && std::fabs(framesASecond / kStepsPerSecond - 1.0) <= 0.002;
        EXPECT_EQ(onSteps, FramesFallOnSteps(d.reported)) << d.hz << " Hz";
        // The steps a second: the display's frames where the scene follows them, else the clock's.
        EXPECT_NEAR(StepsPerSecond(frames), followed ? framesASecond : kStepsPerSecond, 0.02) << d.hz << " Hz";
        const std::vector<size_t> off = OffTheirDue(frames, d.hz);
        // The steps the clock itself gains on the frames (or they on it) in ten minutes.
        const double demanded = onSteps && !followed ? std::fabs(framesASecond - kStepsPerSecond) * 600.0 : 0.0;
        EXPECT_LE(double(off.size()), demanded + 2.0)
            << d.hz << " Hz (reported " << d.reported << "): frame " << (off.empty() ? 0 : off[0]) << " of "
            << off.size() << " off its due";
        if (!off.empty() && onSteps) {
            const SimFrame& f = frames[off[0]];
            EXPECT_TRUE(f.steps == 0 || f.steps == 2) << d.hz << " Hz: a correction of a whole step, not " << f.steps;
        }
    }
}

// One late frame makes one hitch: on a 59.94 Hz display a frame drawn for 20 ms misses a refresh,
// the picture before it stays up for two, and the frame after it takes the two steps its own
// spacing calls for; paced by the loop, a frame drawn for 30 ms likewise. No frame around it
// pays for it again.
TEST(FramePacer, ALateFrameIsOneHitch) {
    for (double hz : {59.94, 0.0}) {
        SimDisplay display = NoisyDisplay(hz, hz > 0 ? 59 : 0);
        display.holdsSwaps = hz > 0;
        PacedLoop loop(display);
        const double lateMs = hz > 0 ? 20.0 : 30.0;
        const std::vector<SimFrame>& frames =
            loop.Run(600.0, [lateMs](int frame) { return frame % 300 == 299 ? lateMs : 2.0; });
        if (hz > 0) {
            EXPECT_EQ(OffTheirDue(frames, hz).size(), 0u);
        }
        for (size_t i = 3; i < frames.size(); ++i) {
            const bool afterALateOne = i % 300 == 0;
            ASSERT_EQ(frames[i].steps, afterALateOne ? 2 : 1) << hz << " Hz, frame " << i;
        }
    }
}

// With no vertical blank (or a rate unknown) the loop paces itself: 60 frames a second of one
// step each, waking up to 2 ms late, rather than as many frames as it can draw; and where
// drawing is slower than the steps (software GL on a large screen) each frame takes the steps
// owed, 60 a second however long a frame takes.
TEST(FramePacer, SixtyStepsASecondWhateverAFrameTakes) {
    SimDisplay selfPaced;
    selfPaced.lateMs = 2.0;
    {
        PacedLoop loop(selfPaced);
        const std::vector<SimFrame>& quick = loop.Run(600.0, [](int) { return 1.0; });
        EXPECT_NEAR(double(quick.size()), 36000.0, 3.0) << "frames in 10 minutes without a vertical blank";
        for (size_t i = 0; i < quick.size(); ++i) ASSERT_EQ(quick[i].steps, 1) << "frame " << i;
    }
    for (double drawMs : {20.0, 25.0, 33.0, 66.0, 150.0}) {
        PacedLoop loop(selfPaced);
        EXPECT_NEAR(StepsPerSecond(loop.Run(10.0, [drawMs](int) { return drawMs; })), 60.0, 0.6) << drawMs << " ms frames";
    }
    // Frames now about a step long, now longer, as drawing a large screen goes.
    PacedLoop uneven(selfPaced);
    EXPECT_NEAR(StepsPerSecond(uneven.Run(10.0, [](int frame) { return frame % 3 ? 15.0 + frame % 5 : 24.0; })), 60.0, 0.6);
}

// A stall of two seconds (a suspended machine, a debugger) costs at most a quarter of a
// second's steps in the frame after it; the rest is dropped, and the frames after it go on at
// one step each.
TEST(FramePacer, AStallIsNotRacedThrough) {
    for (double hz : {0.0, 60.0, 75.0}) {
        SimDisplay display;
        display.hz = hz;
        display.reportedHz = static_cast<int>(hz);
        display.holdsSwaps = hz > 0;
        PacedLoop loop(display);
        const std::vector<SimFrame>& frames = loop.Run(6.0, [](int frame) { return frame == 100 ? 2000.0 : 5.0; });
        ASSERT_GT(frames.size(), 110u);
        EXPECT_EQ(frames[101].steps, kMaxStepsPerFrame) << hz << " Hz";
        for (size_t i = 102; i < frames.size(); ++i) ASSERT_LE(frames[i].steps, 1) << hz << " Hz, frame " << i;
    }
}

// A display that takes the swap interval and then stops holding the swaps (the window
// minimised: swaps come back at once) is noticed within eight frames, and the loop paces
// itself, 60 frames a second and not as many as it can; once the display holds the swaps again
// it sets the pace again within a few seconds, and frames are on their beat as before.
TEST(FramePacer, TheLoopPacesItselfOnlyWhileTheDisplayDoesNotHoldTheSwaps) {
    // Seven quick frames in a row are a hiccup; the eighth is a display that does not hold them.
    FramePacer pacer(kTicks, 60, true);
    int64_t now = 0;
    for (int quick : {0, 0, 7, 0, 8}) {
        now += kTicks / 60;
        pacer.BeginFrame(now);
        for (int i = 0; i < quick; ++i) pacer.BeginFrame(now += kTicks / 1000);
        EXPECT_EQ(pacer.DisplayPaces(), quick < 8) << quick << " quick frames";
        EXPECT_TRUE(pacer.SwapsMayHold()) << quick << " quick frames: the display is tried again later";
    }

    const SimDisplay display = NoisyDisplay(59.94, 60);
    PacedLoop loop(display);
    auto held = [](int64_t now) { return now < 10 * kTicks || now >= 60 * kTicks; };
    int64_t gaveUp = -1, tookUp = -1;
    // Minimised, a frame now and then is late (the machine busy): the window's quick frames still
    // tell the display apart from a driver that ignores the interval.
    const std::vector<SimFrame>& frames = loop.Run(120.0, [](int frame) { return frame % 5 ? 0.5 : 13.0; }, held, [&](const SimFrame& f) {
        if (gaveUp < 0 && !loop.Pacer().DisplayPaces()) gaveUp = f.begun;
        if (gaveUp >= 0 && tookUp < 0 && loop.Pacer().DisplayPaces()) tookUp = f.begun;
    });
    ASSERT_GE(gaveUp, 10 * kTicks);
    EXPECT_LT(gaveUp, 10 * kTicks + kTicks / 10) << "noticed after " << double(gaveUp) / kTicks << " s";
    size_t first = 0, last = 0;
    while (frames[first].begun < 11 * kTicks) ++first;
    while (frames[last].begun < 59 * kTicks) ++last;
    EXPECT_NEAR((last - first) / (double(frames[last].begun - frames[first].begun) / kTicks), 60.0, 1.0)
        << "frames a second, paced by the loop";
    ASSERT_GE(tookUp, 60 * kTicks) << "the display paces again while it does not hold the swaps";
    EXPECT_LT(tookUp, 65 * kTicks) << "the display paces again only after " << double(tookUp) / kTicks - 60 << " s";
    size_t back = 0;
    while (frames[back].begun < tookUp) ++back;
    EXPECT_EQ(OffTheirDue(frames, display.hz, back + 2).size(), 0u);

    // A driver that takes the interval and never holds a swap, drawing taking a little under a
    // frame, or now less and now more (never a run of quick frames to tell): within a few
    // seconds the loop paces itself, and stays at 60 frames a second.
    // (Also after a stall at the start, and at 119.88 Hz, every second refresh.)
    const struct {
        const char* what;
        double hz;
        std::function<double(int)> drawMs;
    } ignoring[] = {{"13.6 ms frames", 60.0, [](int) { return 13.6; }},
                    {"15.6 ms frames", 60.0, [](int) { return 15.6; }},
                    {"8.6 and 17 ms frames", 60.0, [](int frame) { return frame % 2 ? 17.0 : 8.6; }},
                    {"15.6 ms frames after a stall", 60.0, [](int frame) { return frame == 5 ? 2000.0 : 15.6; }},
                    {"15.6 ms frames at 119.88 Hz", 119.88, [](int) { return 15.6; }}};
    for (const auto& c : ignoring) {
        PacedLoop ignored(NoisyDisplay(c.hz, int(std::lround(c.hz))));
        const std::vector<SimFrame>& unheld = ignored.Run(60.0, c.drawMs, [](int64_t) { return false; });
        size_t from = 0;
        while (unheld[from].begun < 5 * kTicks) ++from;
        EXPECT_NEAR((unheld.size() - 1 - from) / Seconds(unheld, from), 60.0, 0.5) << c.what;
        EXPECT_NEAR(StepsPerSecond(unheld, from), 60.0, 0.5) << c.what;
    }
    // A display that holds the swaps through a queue of three frames (a swap returns as soon as
    // the frame three before it shows), frames now late, now quick: it keeps the pace.
    for (double hz : {59.94, 74.97, 143.86}) {
        SimDisplay queued = NoisyDisplay(hz, int(hz));
        queued.queue = 3;
        PacedLoop loop(queued);
        loop.Run(120.0, [](int frame) { return frame < 300 ? 28.0 : frame % 25 ? 14.0 : 40.0; }, nullptr,
                 [&](const SimFrame&) { ASSERT_TRUE(loop.Pacer().DisplayPaces()) << hz << " Hz"; });
    }
}

// After a pause (the display off for an hour) the scene goes on where it was: the first frame
// takes one step, as the first frame of all does, and the frames after it one each, the hour
// dropped; between steps likewise, from the moment it stood at. A display that becomes one of
// another rate while the scene runs (a 59.94 Hz monitor swapped for a 143.86 Hz one, and back, or
// for a 74.97 Hz one) likewise goes on from where the scene stood (a step on, or two where frames
// that showed the moments between steps come to show the steps themselves), and is paced from
// then on as its own: its frames a second, each moving the scene by what it calls for.
TEST(FramePacer, AfterAPauseOrAChangeOfDisplayTheSceneGoesOnWhereItWas) {
    const struct {
        double hz;
        int reported;
    } displays[][2] = {{{59.94, 60}, {59.94, 60}},   {{74.97, 75}, {74.97, 75}},  {{59.94, 60}, {143.86, 144}},
                       {{143.86, 144}, {59.94, 60}}, {{59.94, 60}, {74.97, 75}}};
    for (const auto& d : displays) {
        PacedLoop loop(NoisyDisplay(d[0].hz, d[0].reported));
        const size_t before = loop.Run(10.0, [](int) { return 2.0; }).size();
        const double moment = loop.Run(0.0, [](int) { return 2.0; }).back().Moment();
        if (d[1].hz == d[0].hz) {
            loop.Pass(3600.0);
            loop.Pacer().Resume();
        } else {
            loop.ChangeDisplay(d[1].hz, d[1].reported);
        }
        const std::vector<SimFrame>& frames = loop.Run(30.0, [](int) { return 2.0; });
        const char* const what = d[1].hz == d[0].hz ? " Hz, after a pause" : " Hz, after a change of display";
        EXPECT_EQ(frames[before].steps, 1) << d[1].hz << what;
        EXPECT_LE(frames[before].Moment() - moment, d[1].hz == d[0].hz ? 1.0 : 2.0) << d[1].hz << what;
        const double framesASecond = d[1].hz / SwapIntervalFor(d[1].reported);
        EXPECT_NEAR((frames.size() - before - 1) / Seconds(frames, before), framesASecond, 0.05) << d[1].hz << what;
        EXPECT_EQ(OffTheirDue(frames, d[1].hz, before + 3).size(), 0u) << d[1].hz << what;
        EXPECT_NEAR(StepsPerSecond(frames, before), 60.0, 0.5) << d[1].hz << what;
    }
}

// At every rate: never fewer swaps a second than steps where the display can give them (a
// 90 Hz or 165 Hz display must not slow the scene), and as few as that allows; where the rate
// is within a refresh a second of a multiple of 60 (59.94 Hz reported as 59), that multiple, so
// that each frame is a step.
TEST(SwapInterval, AsManyRefreshesAsStillLeaveSixtySwapsASecond) {
    for (int hz = 0; hz <= 500; ++hz) {
        const int interval = SwapIntervalFor(hz);
        ASSERT_GE(interval, 1) << hz << " Hz";
        if (hz <= 1 || FramesFallOnSteps(hz)) {
            EXPECT_NEAR(hz / double(interval), hz <= 1 ? 0.0 : kStepsPerSecond, 1.0) << hz << " Hz";
            continue;
        }
        if (hz < kStepsPerSecond) {
            EXPECT_EQ(interval, 1) << hz << " Hz";
            continue;
        }
        EXPECT_GE(hz / double(interval), kStepsPerSecond) << hz << " Hz";
        EXPECT_LT(hz / double(interval + 1), kStepsPerSecond) << hz << " Hz";
    }
    for (int hz : {59, 60, 61, 119, 120, 121, 179, 180, 181, 239, 240, 241}) EXPECT_TRUE(FramesFallOnSteps(hz)) << hz;
    for (int hz : {50, 58, 62, 75, 90, 118, 122, 144, 165}) EXPECT_FALSE(FramesFallOnSteps(hz)) << hz;
}

}  // namespace
