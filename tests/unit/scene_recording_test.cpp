// The scene at a steady 60 frames a second, step for step and picture for picture, held against
// a recording: every 100 steps, a hash of the whole state (vehicle, camera, smoke, camera cycle,
// generator) after each step so far, and a hash of every drawing call so far (recording_gl.cpp).
// The recording covers the camera cycle's phases, roadside relocations, wrap-arounds at 400 and a
// minimised stretch (steps swapped and counted, nothing drawn). QM_RECORD=FILE writes it anew.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "recording_gl.h"
#include "renderer/model/mesh_model.h"
#include "renderer/scene/scene.h"

namespace {

constexpr int kSteps = 3600;
constexpr int kMinimisedFrom = 2950, kMinimisedTo = 3050;  // across a switch to the roadside

struct StateHash {
    uint64_t value = 1469598103934665603ull;
    template <typename T>
    void Mix(const T& field) {
        unsigned char bytes[sizeof(T)];
        std::memcpy(bytes, &field, sizeof(T));
        for (unsigned char b : bytes) {
            value ^= b;
            value *= 1099511628211ull;
        }
    }
};

void MixScene(StateHash& h, const Scene& scene) {
    const VehicleState& v = scene.vehicle;
    for (float f : {v.posX, v.posY, v.posZ, v.heading, v.turnRate, v.speed, v.targetSpeed, v.speedStep}) h.Mix(f);
    h.Mix(v.speedRampFrames);
    h.Mix(v.steerAngle);
    h.Mix(v.steerActive);
    h.Mix(v.wheelSpin);
    for (int i = 0; i < 4; ++i) {
        h.Mix(v.wheelOffsetX[i]);
        h.Mix(v.wheelOffsetY[i]);
        h.Mix(v.wheelOffsetZ[i]);
    }
    const CameraState& c = scene.camera;
    h.Mix(c.mode);
    for (float f : {c.roadsideX, c.roadsideY, c.roadsideZ, c.orbitX, c.orbitY, c.orbitZ, c.orbitAngle}) h.Mix(f);
    for (const SmokeParticle& p : scene.smoke) {
        for (float f : {p.x, p.y, p.z, p.vx, p.vy, p.vz, p.life, p.fade}) h.Mix(f);
    }
    h.Mix(scene.cameraCycleFrames);
    h.Mix(scene.random.State());
}

}  // namespace

TEST(SceneRecording, StepsAndDrawingMatchTheRecordingAtSixtyFramesASecond) {
    Ms3dModel wheel;
    ASSERT_TRUE(wheel.Load(QM_RESOURCES "/クイルモア.data"));
    Scene scene;
    scene.Reset();
    scene.random.SeedRandom(20261208);
    ResetRecordedGl();

    // Each step drawn as a frame of its own, as a steady 60 Hz display shows them.
    StateHash state;
    std::ostringstream lines;
    for (int step = 1; step <= kSteps; ++step) {
        const bool shown = step < kMinimisedFrom || step >= kMinimisedTo;
        scene.Step(shown);
        if (shown) DrawScene(scene.View(), {0, 0}, &wheel);
        MixScene(state, scene);
        if (step % 100 == 0) lines << step << ' ' << std::hex << state.value << ' ' << RecordedGlHash() << std::dec << '\n';
    }

    if (const char* out = std::getenv("QM_RECORD")) {
        std::ofstream(out) << lines.str();
        GTEST_SKIP() << "recorded into " << out;
    }
    std::ifstream file(QM_TESTDATA "/scene/steps-60hz.txt");
    ASSERT_TRUE(file) << "no recording";
    std::istringstream got(lines.str());
    std::string want, have;
    while (std::getline(file, want)) {
        ASSERT_TRUE(std::getline(got, have));
        // The first block of 100 steps whose state or drawing differs.
        ASSERT_EQ(have, want) << "(step, state hash, drawing hash)";
    }
}
