// The vehicle, camera, ground and smoke simulation, stepped without a GL context, with the real
// generator or a scripted one.
#include <gtest/gtest.h>

#include "renderer/image/textures.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <deque>
#include <vector>

#include "renderer/scene/ground_smoke.h"
#include "renderer/scene/random.h"
#include "renderer/scene/scene.h"

namespace {

// A generator that hands out scripted values, then `fallback`, and counts its draws.
struct Script {
    static std::deque<int> values;
    static int draws;
    static int fallback;
    static int Next() {
        ++draws;
        if (values.empty()) return fallback;
        const int v = values.front();
        values.pop_front();
        return v;
    }
};
std::deque<int> Script::values;
int Script::draws = 0;
int Script::fallback = 0;

class SceneSteps : public testing::Test {
protected:
    // Resets the scene on the real generator, then scripts every later draw.
    void ResetThenScript(std::deque<int> values, int fallback = 0) {
        scene.Reset();
        Script::values = std::move(values);
        Script::draws = 0;
        Script::fallback = fallback;
        scene.random.SetSource(Script::Next);
    }
    // No particle respawns (and draws) during the test.
    void StillSmoke() {
        for (SmokeParticle& p : scene.smoke) p.life = p.fade = 0.0f;
    }
    Scene scene;
};

float F(double v) { return static_cast<float>(v); }

TEST_F(SceneSteps, FirstFrameOrbitsAndTheAngleGrowsByHalfADegree) {
    scene.Reset();
    EXPECT_EQ(scene.camera.mode, CameraOrbit);
    EXPECT_EQ(scene.camera.orbitAngle, -20.0f);
    scene.Step();
    // The eye is placed before the vehicle moves: 30 units from its start, 8 high.
    EXPECT_EQ(scene.camera.orbitX, F(std::cos(-20 * 3.141 / 180) * 30));
    EXPECT_EQ(scene.camera.orbitY, 8.0f);
    EXPECT_EQ(scene.camera.orbitZ, F(std::sin(-20 * 3.141 / 180) * 30));
    EXPECT_EQ(scene.camera.orbitAngle, -19.5f);
    for (int i = 0; i < 99; ++i) scene.Step();
    EXPECT_EQ(scene.camera.orbitAngle, 30.0f);
    EXPECT_NEAR(DegToRad(180), 3.141, 1e-12);  // the factor is 3.141, not pi
}

TEST_F(SceneSteps, SteeringImpulseDecaysInFramesAndTurnsOneFrameLate) {
    // Frame 1: the chance hits (101 % 100 = 1), the spread is 29 - 0, no speed ramp.
    ResetThenScript({101, 29, 0});
    StillSmoke();
    scene.Step();
    EXPECT_EQ(scene.vehicle.steerActive, 1);
    EXPECT_EQ(scene.vehicle.heading, 0.0f);  // the rate is taken before it is set
    EXPECT_EQ(scene.vehicle.turnRate, F(29.0 / 30));
    EXPECT_EQ(scene.vehicle.steerAngle, F(29.0 / 1.01));
    scene.Step();
    EXPECT_EQ(scene.vehicle.heading, F(29.0 / 30));

    int frames = 2;
    while (scene.vehicle.steerActive && frames < 1000) {
        scene.Step();
        ++frames;
    }
    EXPECT_EQ(frames, 269);  // 29 / 1.01^269 is the first value below 2
    EXPECT_EQ(scene.vehicle.steerAngle, 0.0f);
    const float heading = scene.vehicle.heading;
    scene.Step();  // the last rate still applies once
    EXPECT_GT(scene.vehicle.heading, heading);
    const float settled = scene.vehicle.heading;
    scene.Step();
    EXPECT_EQ(scene.vehicle.heading, settled);
}

TEST_F(SceneSteps, SpeedRampTakesExactlyOneHundredFrames) {
    // Frame 1: no impulse (0), a ramp (1), target 29 + 10.
    ResetThenScript({0, 1, 29});
    StillSmoke();
    scene.Step();
    EXPECT_EQ(scene.vehicle.speedRampFrames, 100);
    EXPECT_EQ(scene.vehicle.targetSpeed, 39.0f);
    EXPECT_EQ(scene.vehicle.speed, 10.0f);  // the starting frame does not change the speed yet
    for (int i = 0; i < 99; ++i) scene.Step();
    EXPECT_EQ(scene.vehicle.speedRampFrames, 1);
    EXPECT_LT(scene.vehicle.speed, 39.0f - 0.2f);
    scene.Step();
    EXPECT_EQ(scene.vehicle.speedRampFrames, 0);
    EXPECT_NEAR(scene.vehicle.speed, 39.0f, 1e-3);
}

TEST_F(SceneSteps, WrapAroundAtFourHundred) {
    const struct {
        float from, to;
    } cases[] = {{400.0f, 400.0f}, {-400.0f, -400.0f}, {400.5f, -400.0f}, {-400.5f, 400.0f}, {12.0f, 12.0f}};
    for (const auto& c : cases) {
        ResetThenScript({});
        StillSmoke();
        scene.vehicle.speed = 0.0f;  // no motion: only the wrap rule acts
        scene.vehicle.posX = c.from;
        scene.vehicle.posZ = c.from;
        scene.Step();
        EXPECT_EQ(scene.vehicle.posX, c.to) << c.from;
        EXPECT_EQ(scene.vehicle.posZ, c.to) << c.from;
    }
}

TEST_F(SceneSteps, RoadsideCameraRelocatesBeyond150AndReseeds) {
    ResetThenScript({});
    StillSmoke();
    scene.camera.mode = CameraRoadside;
    scene.camera.roadsideX = 150.0f;  // the vehicle is at the origin: exactly 150 away
    scene.camera.roadsideY = 4.0f;
    scene.camera.roadsideZ = 0.0f;
    scene.Step();
    EXPECT_EQ(scene.camera.roadsideX, 150.0f);

    // A little further: a new point, drawn from a generator reseeded with its own next value.
    scene.random.SetSource(nullptr);
    const float heading = scene.vehicle.heading, posX = scene.vehicle.posX, posZ = scene.vehicle.posZ;
    scene.camera.roadsideX = posX + 150.01f;
    scene.camera.roadsideZ = posZ;
    scene.random.SeedRandom(777);
    const uint32_t reseed = 777u * 214013u + 2531011u;
    uint32_t state = (reseed >> 16) & 0x7FFF;
    auto next = [&state] {
        state = state * 214013u + 2531011u;
        return static_cast<int>((state >> 16) & 0x7FFF);
    };
    const int a = next() % 45, b = next() % 45, height = next() % 10 + 1;
    const double angle = (double(heading) + 90 + (a - b)) * 3.141 / 180;
    scene.Step();
    EXPECT_EQ(scene.camera.roadsideX, F(std::cos(angle) * 50 + posX));
    EXPECT_EQ(scene.camera.roadsideY, float(height));
    EXPECT_EQ(scene.camera.roadsideZ, F(posZ - std::sin(angle) * 50));
    EXPECT_GE(scene.camera.roadsideY, 1.0f);
    EXPECT_LE(scene.camera.roadsideY, 10.0f);
}

TEST_F(SceneSteps, WheelSpinFallsByFourThirdsOfTheSpeed) {
    ResetThenScript({});
    StillSmoke();
    scene.Step();
    EXPECT_NEAR(scene.vehicle.wheelSpin, -40.0 / 3, 1e-4);
    scene.Step();
    EXPECT_NEAR(scene.vehicle.wheelSpin, -80.0 / 3, 1e-4);
}

// Where days of steps would leave the scene's angles had they only ever grown (the wheels' roll
// after three and a half days at speed 25, the orbit camera's after six days, a heading that a
// week of steering might reach), every step still moves each motion at its rate: the wheels'
// roll by four times the speed / 3 (a third after each wheel), the orbit camera by half a
// degree (at 3.141 / 180 a degree), the heading by the turn rate, each within 1 %, none standing
// still; from the first step on each angle lies within a turn; and a frame between two steps
// turns each angle the short way round.
TEST_F(SceneSteps, EveryMotionAtItsRateAfterDays) {
    scene.Reset();
    scene.random.SeedRandom(4242);
    scene.vehicle.wheelSpin = -6.0e8f;
    scene.camera.orbitAngle = 1.5552e7f;
    scene.vehicle.heading = 1200239.0f;  // a turn and 359 degrees short of the next
    // The difference a to b the short way round, in degrees, and an angle's direction in radians.
    auto turned = [](double a, double b) { return std::remainder(b - a, 360.0); };
    auto orbit = [](const SceneView& v) { return std::atan2(v.eye[2] - v.target[2], v.eye[0] - v.target[0]); };
    scene.Step();
    SceneView before = scene.View();
    float speed = scene.vehicle.speed, turnRate = scene.vehicle.turnRate, heading = scene.vehicle.heading;
    int orbitSteps = 0, turningSteps = 0, headingWraps = 0;
    for (int step = 2; step <= 20000; ++step) {
        scene.Step();
        const SceneView& v = scene.View();
        ASSERT_LT(std::fabs(scene.vehicle.wheelSpin), 360.0f) << "step " << step;
        ASSERT_LT(std::fabs(scene.vehicle.heading), 360.0f) << "step " << step;
        ASSERT_LT(std::fabs(scene.camera.orbitAngle), 361.0f) << "step " << step;
        const double roll = turned(before.wheelSpin[0], v.wheelSpin[0]);
        ASSERT_NEAR(roll, -4.0 * speed / 3.0, 0.04 * speed / 3.0) << "step " << step;
        const double third = scene.vehicle.speed / 3.0;  // this step's, after each wheel
        for (int i = 1; i < 4; ++i) ASSERT_NEAR(turned(v.wheelSpin[i - 1], v.wheelSpin[i]), -third, 0.01 * third);
        const double turn = turned(heading, scene.vehicle.heading);
        ASSERT_NEAR(turn, turnRate, 0.01 * std::fabs(turnRate)) << "step " << step;
        ASSERT_EQ(turn != 0.0, turnRate != 0.0f) << "step " << step;
        turningSteps += turnRate != 0.0f;
        headingWraps += std::fabs(scene.vehicle.heading - heading) > 180.0f;
        if (!v.cut && before.target[1] == 0.0f && v.target[1] == 0.0f) {  // two orbit views (roadside ones look 1 high)
            const double moved = std::remainder(orbit(v) - orbit(before), 2.0 * 3.14159265358979323846);
            ASSERT_NEAR(moved, DegToRad(0.5), 0.01 * DegToRad(0.5)) << "step " << step;
            ++orbitSteps;
        }
        if (!v.cut) {
            const SceneView half = BlendViews(before, v, 0.5f);
            ASSERT_NEAR(turned(before.heading, half.heading), turned(before.heading, v.heading) / 2, 1e-3) << "step " << step;
            ASSERT_NEAR(turned(before.wheelSpin[2], half.wheelSpin[2]), turned(before.wheelSpin[2], v.wheelSpin[2]) / 2, 1e-3)
                << "step " << step;
        }
        before = v;
        speed = scene.vehicle.speed;
        turnRate = scene.vehicle.turnRate;
        heading = scene.vehicle.heading;
    }
    EXPECT_GT(orbitSteps, 9000);
    EXPECT_GT(turningSteps, 5000);
    EXPECT_GT(headingWraps, 0);
}

TEST_F(SceneSteps, DrawsPerFrameInEachState) {
    // Idle: the impulse chance, the ramp chance, four wheel jitters.
    ResetThenScript({});
    StillSmoke();
    scene.Step();
    EXPECT_EQ(Script::draws, 6);

    // Both chances hit: impulse spread and ramp target are drawn in that order, in between.
    ResetThenScript({1, 20, 5, 1, 7});
    StillSmoke();
    scene.Step();
    EXPECT_EQ(Script::draws, 9);
    EXPECT_EQ(scene.vehicle.steerActive, 1);
    EXPECT_EQ(scene.vehicle.turnRate, F(15.0 / 30));
    EXPECT_EQ(scene.vehicle.targetSpeed, 17.0f);

    // Impulse decaying and ramp running: only the jitters.
    Script::draws = 0;
    scene.Step();
    EXPECT_EQ(Script::draws, 4);

    // Each respawning particle draws twice.
    Script::draws = 0;
    scene.smoke[5].life = 0.95f;
    scene.smoke[5].fade = 0.1f;
    scene.Step();
    EXPECT_EQ(Script::draws, 6);
}

TEST_F(SceneSteps, SmokeStartsAndRespawnsAtItsPoints) {
    scene.random.SetSource(Script::Next);
    Script::values.clear();
    Script::fallback = 37;
    scene.vehicle.speed = 0.0f;  // a fresh start: the speed is read before the reset sets it
    scene.Reset();
    const float startX[4] = {2.5f, -2.5f, 2.5f, -2.5f}, z[4] = {4.5f, 4.5f, -4.5f, -4.5f};
    for (int i = 0; i < kSmokeCount; ++i) {
        const SmokeParticle& p = scene.smoke[i];
        EXPECT_EQ(p.x, startX[i % 4]);
        EXPECT_EQ(p.y, 0.3f);
        EXPECT_EQ(p.z, z[i % 4]);
        EXPECT_EQ(p.life, 0.0f);
        EXPECT_EQ(p.fade, F(0.037 + 0.5));
        EXPECT_EQ(p.vx, 0.0f);
        EXPECT_EQ(p.vy, 0.01f);
        EXPECT_EQ(p.vz, -0.0f);
    }
    StillSmoke();
    SmokeParticle& old = scene.smoke[5];  // the -x side: respawns at x -2.3
    old.life = 0.95f;
    old.fade = 0.1f;
    SmokeParticle& young = scene.smoke[6];
    young = {1.0f, 2.0f, 3.0f, 0.5f, 0.25f, 1.1f, 0.2f, 0.1f};
    Script::values = {0, 0, 0, 0, 0, 0, 42, 3};  // chances, jitters, then the respawn's two
    scene.Step();
    EXPECT_EQ(old.x, -2.3f);
    EXPECT_EQ(old.z, 4.5f);
    EXPECT_EQ(old.life, 0.42f);
    EXPECT_EQ(old.fade, F(0.003 + 0.1));
    EXPECT_EQ(old.vz, F(10.0 / 50));
    EXPECT_EQ(young.vz, F(1.1 / 1.1));
    EXPECT_EQ(young.x, 1.5f);
    EXPECT_EQ(young.y, 2.25f);
    EXPECT_EQ(young.z, F(3.0 + double(F(1.1 / 1.1))));
    EXPECT_EQ(young.life, F(0.2 + double(0.1f)));
}

// A reset starts the same scene whatever the last one left: the vehicle at the origin, at
// speed 10, unturned, no ramp or impulse running, the orbit camera first and the roadside eye
// by the vehicle.
TEST_F(SceneSteps, ResetForgetsTheSceneBefore) {
    scene.Reset();
    VehicleState fresh = scene.vehicle;
    const CameraState freshCamera = scene.camera;
    std::memset(&scene.vehicle, 0x5A, sizeof scene.vehicle);  // what a long run might leave
    std::memset(&scene.camera, 0x5A, sizeof scene.camera);
    scene.random.SeedRandom(1);
    scene.Reset();
    EXPECT_EQ(std::memcmp(&scene.vehicle, &fresh, sizeof scene.vehicle), 0);
    EXPECT_EQ(scene.camera.mode, CameraOrbit);
    EXPECT_EQ(scene.camera.orbitAngle, -20.0f);
    EXPECT_EQ(scene.camera.roadsideX, freshCamera.roadsideX);
    EXPECT_EQ(scene.camera.roadsideY, freshCamera.roadsideY);
    EXPECT_EQ(scene.camera.roadsideZ, freshCamera.roadsideZ);
    EXPECT_LE(std::hypot(scene.camera.roadsideX, scene.camera.roadsideZ), 50.0 * std::sqrt(2.0) + 1e-3);
    EXPECT_GE(scene.camera.roadsideY, 1.0f);
    EXPECT_LE(scene.camera.roadsideY, 10.0f);
    EXPECT_EQ(scene.vehicle.posX, 0.0f);
    EXPECT_EQ(scene.vehicle.posY, 0.75f);
    EXPECT_EQ(scene.vehicle.posZ, 0.0f);
    EXPECT_EQ(scene.vehicle.heading, 0.0f);
    EXPECT_EQ(scene.vehicle.turnRate, 0.0f);
    EXPECT_EQ(scene.vehicle.speed, 10.0f);
    EXPECT_EQ(scene.vehicle.targetSpeed, 10.0f);
    EXPECT_EQ(scene.vehicle.speedStep, 0.0f);
    EXPECT_EQ(scene.vehicle.speedRampFrames, 0);
    EXPECT_EQ(scene.vehicle.steerAngle, 0.0f);
    EXPECT_EQ(scene.vehicle.steerActive, 0);
    EXPECT_EQ(scene.vehicle.wheelSpin, 0.0f);
}

TEST_F(SceneSteps, GroundRimIsRowsZeroAndSixtyTwo) {
    InitGroundGrid();
    for (int k = 0; k < kGridSize; ++k) {
        EXPECT_EQ(GroundGrid[0][k][1], 30.0);
        EXPECT_EQ(GroundGrid[62][k][1], 30.0);
        EXPECT_EQ(GroundGrid[k][62][1], 30.0);
        if (k != 0 && k != 62) {
            EXPECT_EQ(GroundGrid[63][k][1], 0.0) << k;  // flat again beyond the ridge
            EXPECT_EQ(GroundGrid[31][k][1], 0.0) << k;
        }
    }
    EXPECT_EQ(GroundGrid[0][5][0], -1024.0);
    EXPECT_EQ(GroundGrid[63][5][0], 992.0);
    EXPECT_EQ(GroundGrid[5][63][2], 992.0);
}

TEST_F(SceneSteps, CameraCycleSwitchesAt500And1000) {
    ResetThenScript({});
    for (int frame = 1; frame <= 999; ++frame) scene.Step(false);
    EXPECT_EQ(scene.camera.mode, CameraOrbit);
    EXPECT_EQ(scene.cameraCycleFrames, 999.0f);
    Script::draws = 0;
    scene.Step(false);  // frame 1000: a new roadside point
    EXPECT_EQ(scene.camera.mode, CameraRoadside);
    EXPECT_EQ(scene.cameraCycleFrames, 0.0f);
    EXPECT_EQ(Script::draws, 5);
    for (int frame = 1; frame < 500; ++frame) scene.Step(false);
    EXPECT_EQ(scene.camera.mode, CameraRoadside);
    scene.Step(false);
    EXPECT_EQ(scene.camera.mode, CameraOrbit);
}

// What a frame between two steps shows: the step before the last blended towards the last (a
// quarter of the way here), the last itself at 1; a step that jumped (the vehicle wrapped, the
// camera switched or moved) as it is; and a smoke particle that the step before spawned anew
// where it starts, whether its new life is shorter than its old one or not.
TEST(BlendViews, FramesBetweenStepsShowTheMomentBetweenTheLastTwo) {
    ShownScene shown;
    shown.scene.Reset();
    shown.Advance(3, true);
    const SceneView before = shown.previous, last = shown.scene.View();
    ASSERT_NE(before.posZ, last.posZ);
    const SceneView quarter = BlendViews(before, last, 0.25f);
    EXPECT_FLOAT_EQ(quarter.posZ, before.posZ + 0.25f * (last.posZ - before.posZ));
    EXPECT_FLOAT_EQ(quarter.eye[0], before.eye[0] + 0.25f * (last.eye[0] - before.eye[0]));
    EXPECT_FLOAT_EQ(quarter.wheelSpin[2], before.wheelSpin[2] + 0.25f * (last.wheelSpin[2] - before.wheelSpin[2]));
    const SceneView whole = BlendViews(before, last, 1.0f);
    EXPECT_EQ(std::memcmp(&whole, &last, sizeof last), 0);

    // Over wraps of the vehicle, camera switches, roadside moves and thousands of smoke
    // particles' lives: every step that is blended with the one before moves the eye, the target
    // and the vehicle a little, and the jumps are cut. A particle is marked as spawned anew
    // exactly where the step before gave it a new life rather than adding its fade to the old.
    auto apart = [](const float* a, const float* b) { return std::hypot(a[0] - b[0], a[1] - b[1], a[2] - b[2]); };
    int cuts = 0, spawned = 0, spawnedOlder = 0;
    bool spawnedInStep[kSmokeCount] = {};
    for (int step = 0; step < 20000; ++step) {
        SmokeParticle smoke[kSmokeCount];
        std::copy(std::begin(shown.scene.smoke), std::end(shown.scene.smoke), smoke);
        shown.Advance(1, true);
        const SceneView &from = shown.previous, &to = shown.scene.View();
        const SceneView half = BlendViews(from, to, 0.5f);
        for (int i = 0; i < kSmokeCount; ++i) {
            if (step > 0) {
                ASSERT_EQ(to.smoke[i].fresh, spawnedInStep[i]) << "particle " << i << ", step " << step;
            }
            const SceneView::Puff& drawn = half.smoke[i];
            if (to.smoke[i].fresh && !to.cut) {
                EXPECT_TRUE(drawn.x == to.smoke[i].x && drawn.y == to.smoke[i].y && drawn.z == to.smoke[i].z &&
                            drawn.life == to.smoke[i].life)
                    << "particle " << i << " spawned anew, drawn between steps at life " << drawn.life;
                ++spawned;
                spawnedOlder += to.smoke[i].life >= from.smoke[i].life;
            }
            spawnedInStep[i] = shown.scene.smoke[i].life != static_cast<float>(double(smoke[i].life) + smoke[i].fade);
        }
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
    EXPECT_GT(spawnedOlder, 1000) << "of " << spawned << " spawned anew, none older than before";
}

TEST(Vec3, NormalizeGuardsZero) {
    const Vec3 zero = Vec3Normalize({0, 0, 0});
    EXPECT_EQ(zero.x, 0.0);
    EXPECT_EQ(zero.y, 0.0);
    EXPECT_EQ(zero.z, 0.0);
    const Vec3 unit = Vec3Normalize({3, 0, 4});
    EXPECT_DOUBLE_EQ(unit.x, 0.6);
    EXPECT_DOUBLE_EQ(unit.z, 0.8);
    const Vec3 c = Vec3Cross({1, 0, 0}, {0, 1, 0});
    EXPECT_EQ(c.z, 1.0);
}

TEST(Random, MatchesTheDocumentedGenerator) {
    Random random;  // starts at 1
    EXPECT_EQ(random.RandomInt(), 41);
    EXPECT_EQ(random.RandomInt(), 18467);
    EXPECT_EQ(random.RandomInt(), 6334);
    random.SeedRandom(1);
    EXPECT_EQ(random.RandomInt(), 41);
}

// The renderer's argument: none reads c:\q_mora as ever; a folder, quoted or not, its files.
TEST(RendererArguments, TheExchangeFolderFromTheCommandLine) {
    const struct {
        const char* arguments;
        const char* ground;
        const char* model;
    } cases[] = {
        {"", "c:\\q_mora\\Quillmoor1.bmp", "c:\\q_mora\\Quillmoor.data"},
        {" \t ", "c:\\q_mora\\Quillmoor1.bmp", "c:\\q_mora\\Quillmoor.data"},
        {"\"\"", "c:\\q_mora\\Quillmoor1.bmp", "c:\\q_mora\\Quillmoor.data"},
        {"\"C:\\Users\\a b\\AppData\\Local\\Quillmoor\" ", "C:\\Users\\a b\\AppData\\Local\\Quillmoor\\Quillmoor1.bmp",
         "C:\\Users\\a b\\AppData\\Local\\Quillmoor\\Quillmoor.data"},
        {"  D:\\exchange", "D:\\exchange\\Quillmoor1.bmp", "D:\\exchange\\Quillmoor.data"},
        {"D:\\", "D:\\Quillmoor1.bmp", "D:\\Quillmoor.data"},
        {"\"D:\\x", "D:\\x\\Quillmoor1.bmp", "D:\\x\\Quillmoor.data"},  // no closing quote: to the end
    };
    for (const auto& c : cases) {
        // The folder alone, and with the screen option before or after it.
        // (After a quote left open, all of the rest is the folder.)
        const bool open = std::count(c.arguments, c.arguments + std::strlen(c.arguments), '"') % 2 != 0;
        std::vector<std::string> texts = {c.arguments, "/keepmode " + std::string(c.arguments)};
        if (!open) texts.push_back(std::string(c.arguments) + " /KeepMode");
        for (const std::string& text : texts) {
            const RendererArguments read = ReadRendererArguments(text);
            EXPECT_EQ(read.files.ground, c.ground) << text;
            EXPECT_EQ(read.files.model, c.model) << text;
            EXPECT_EQ(read.files.smoke.substr(0, read.files.smoke.size() - 5),
                      read.files.ground.substr(0, read.files.ground.size() - 5));
            EXPECT_EQ(read.keepDisplayMode, text != c.arguments) << text;
        }
    }
    // A folder whose name has blanks and slashes, in quotes, is not an option.
    const RendererArguments quoted = ReadRendererArguments("\"C:\\a /keepmode b\"");
    EXPECT_FALSE(quoted.keepDisplayMode);
    EXPECT_EQ(quoted.files.model, "C:\\a /keepmode b\\Quillmoor.data");
    EXPECT_FALSE(ReadRendererArguments("/keep").keepDisplayMode);
    EXPECT_EQ(ReadRendererArguments("/other").files.model, "c:\\q_mora\\Quillmoor.data");

    // Every monitor: its own option, beside the other and the folder in any order.
    const RendererArguments every = ReadRendererArguments("\"D:\\x\" /KEEPMODE /AllMonitors");
    EXPECT_TRUE(every.keepDisplayMode && every.allMonitors);
    EXPECT_EQ(every.files.model, "D:\\x\\Quillmoor.data");
    EXPECT_FALSE(ReadRendererArguments("/keepmode").allMonitors);
    // Each monitor's photograph beside the primary's, by its place and size; the primary's place
    // (0, 0, whatever its size) is the ground picture's, and no other is.
    EXPECT_EQ(GroundPicturePath(every.files, -1920, 0, 1920, 1080), "D:\\x\\Quillmoor1_m-1920_0_1920x1080.bmp");
    EXPECT_EQ(GroundPicturePath(ExchangePathsFor(""), 2560, -300, 1080, 1920), "c:\\q_mora\\Quillmoor1_m2560_-300_1080x1920.bmp");
    EXPECT_EQ(GroundPicturePath(every.files, 0, 0, 2560, 1440), "D:\\x\\Quillmoor1.bmp");
    EXPECT_EQ(GroundPicturePath(every.files, 0, 1080, 1920, 1080), "D:\\x\\Quillmoor1_m0_1080_1920x1080.bmp");
    // Those names and no others are photographs of monitors (the session removes old ones by it).
    for (const std::string& name : {MonitorPictureName(-1920, 0, 1920, 1080), MonitorPictureName(2560, -300, 1080, 1920),
                                    std::string("QUILLMOOR1_M5_5_5X5.BMP")}) {
        EXPECT_TRUE(IsMonitorPictureName(name)) << name;
    }
    for (const char* name : {"Quillmoor1_mine.bmp", "Quillmoor1_m01_2_3x4.bmp", "Quillmoor1_m+1_2_3x4.bmp", "Quillmoor1_m-0_2_3x4.bmp",
                             "Quillmoor1_m 1_2_3x4.bmp", "Quillmoor1_m1_2_-3x4.bmp", "Quillmoor1_m1_2_3x0.bmp",
                             "Quillmoor1_m1_2_3x4294967300.bmp", "Quillmoor1_m1_2_3x4.bmp.txt", "Quillmoor1_m1_2_3x4.bm"}) {
        EXPECT_FALSE(IsMonitorPictureName(name)) << name;
    }
}

}  // namespace
