// The scene as a paced window draws it, frame by frame, drawn through the recording GL
// (recording_gl.cpp): what each frame draws against what the scene stepped alone gives.
#include <gtest/gtest.h>

#include <vector>

#include "paced_loop.h"
#include "recording_gl.h"
#include "renderer/scene/scene.h"

namespace {

uint64_t Drawing(const SceneView& from, const SceneView& to, float blend) {
    ResetRecordedGl();
    DrawScene(from, to, blend, {1, 2}, nullptr);
    return RecordedGlHash();
}

// Frames that take several steps each and fall between them (a 30 Hz and a 50 Hz display, and
// drawing slower than the steps on a 75 Hz one: a frame every third refresh) draw what the scene
// stepped alone gives: the view of the step before each frame's last blended towards its last,
// whatever the number of steps the frame took; and the scene after each frame is the scene after
// that many steps, its generator and camera included (the roadside camera after 1000 steps, not
// after 1000 frames).
TEST(SceneFrames, EachFrameDrawsTheMomentBetweenTheLastTwoStepsOfTheSceneAlone) {
    Scene alone;
    alone.Reset();
    std::vector<SceneView> views(1);  // views[k]: what step k left to draw (none before the first)
    std::vector<uint32_t> generator(1, alone.random.State());
    std::vector<int> camera(1, alone.camera.mode);
    for (int i = 0; i < 1300; ++i) {
        alone.Step();
        views.push_back(alone.View());
        generator.push_back(alone.random.State());
        camera.push_back(alone.camera.mode);
    }
    ASSERT_EQ(camera[999], CameraOrbit);
    ASSERT_EQ(camera[1000], CameraRoadside);
    const struct {
        int hz;
        double drawMs;
    } displays[] = {{30, 2.0}, {50, 2.0}, {75, 30.0}};
    for (const auto& d : displays) {
        PacedLoop loop(NoisyDisplay(d.hz, d.hz));
        ShownScene shown;
        shown.scene.Reset();
        int severalSteps = 0;
        loop.Run(20.0, [&d](int) { return d.drawMs; }, nullptr, [&](const SimFrame& frame) {
            shown.Advance(frame.steps, true);
            const size_t k = static_cast<size_t>(frame.taken);
            if (k >= views.size()) return;
            ASSERT_EQ(shown.scene.random.State(), generator[k]) << d.hz << " Hz: the generator after " << k << " steps";
            ASSERT_EQ(shown.scene.camera.mode, camera[k]) << d.hz << " Hz: the camera after " << k << " steps";
            ASSERT_EQ(Drawing(shown.previous, shown.scene.View(), frame.blend), Drawing(views[k - 1], views[k], frame.blend))
                << d.hz << " Hz: the frame after step " << k << " (" << frame.steps << " steps), blended by " << frame.blend;
            severalSteps += frame.steps >= 2 && frame.blend > 0.0f && frame.blend < 1.0f && !views[k].cut;
        });
        EXPECT_GT(severalSteps, 100) << d.hz << " Hz: frames of several steps, blended";
    }
}

}  // namespace
