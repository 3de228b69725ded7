// The moving scene: an unseen vehicle on four wheels driving over the ground with random
// steering impulses and speed ramps, and a camera that watches from the roadside or circles
// the vehicle. The scene moves in steps of 1/60 s: a step makes every motion's increment and
// every random draw, in a fixed order, and needs no GL; drawing shows what steps left and
// draws nothing at random. Real fields are 32-bit floats updated in double arithmetic; angles
// are degrees, converted with the factor 3.141 / 180.
#pragma once

#include <vector>

#include "ground_smoke.h"
#include "random.h"

class MeshModel;

struct VehicleState {
    float posX, posY, posZ;  // vehicle origin in world units; posY never changes
    float heading;           // degrees about the vertical axis, within a turn (-360 to 360)
    float turnRate;          // degrees added to heading per step
    float speed;             // one step moves speed / 30 units
    float targetSpeed;       // goal of the current speed ramp
    float speedStep;         // speed change per step during a ramp
    int speedRampFrames;     // steps left in the ramp
    float steerAngle;        // current steering impulse, also the front wheels' turn (degrees)
    int steerActive;         // an impulse is decaying
    float wheelSpin;         // rolling angle of the wheels (degrees, within a turn)
    float wheelOffsetX[4];   // wheel positions in the vehicle frame; 0 and 1 are the steered
    float wheelOffsetY[4];   // front pair, 1 and 3 the -x side
    float wheelOffsetZ[4];
};

enum CameraMode { CameraRoadside = 0, CameraOrbit = 1 };

struct CameraState {
    int mode;
    float roadsideX, roadsideY, roadsideZ;  // eye of the roadside camera
    float orbitX, orbitY, orbitZ;           // last orbit eye; the smoke faces it
    float orbitAngle;                       // degrees (to DegToRad), within its turn (scene.cpp)
};

// What one step leaves to be drawn, in the order a frame draws it.
struct SceneView {
    float eye[3], target[3];       // the camera's look-at (up is +y), placed before the vehicle moves
    float posX, posY, posZ;        // the vehicle where its wheels and smoke are drawn
    float heading, steerAngle;
    float wheelSpin[4];            // each wheel's roll as it was drawn (it falls after each wheel)
    float wheelX[4], wheelZ[4];    // each wheel's place in the vehicle's frame
    float wheelY[4];               // and its height: its offset and a fresh jitter
    float smokeEye[3];             // the point the smoke turns towards
    struct Puff {
        float x, y, z, life;
        bool fresh;                // spawned anew in the step before: where it starts, not blended
    } smoke[kSmokeCount];          // each particle as it was drawn, before it moved
    // Something jumped in this step (the vehicle wrapped, the camera changed or moved): the view
    // is not blended with the one before.
    bool cut;
};

// The textures a frame draws with: the ground picture and the smoke puff (0: none).
struct ScenePictures {
    unsigned int ground = 0, smoke = 0;
};

// One scene: its vehicle, camera, smoke, camera cycle and random sequence.
class Scene {
public:
    // Builds the smoke, and puts the vehicle and both cameras at their start, drawing from
    // `random` as it stands (a new scene's generator starts at 1).
    void Reset();

    // One step of 1/60 s: the camera, steering and speed, the motion, each wheel's jitter, the
    // smoke, then the camera cycle (orbit from step 500 of the cycle, a new roadside point at
    // 1000). While the window is minimised (`shown` false) only the cycle counts.
    void Step(bool shown = true);

    // What the last step left to draw.
    const SceneView& View() const { return view_; }

    // A new roadside eye about 50 units from the vehicle, to its side.
    void PlaceRoadsideCamera();

    // A new roadside eye 50 units ahead of the vehicle, after reseeding the generator from itself.
    void RelocateRoadsideCamera();

    VehicleState vehicle = {};
    CameraState camera = {};
    SmokeParticle smoke[kSmokeCount] = {};
    float cameraCycleFrames = 0.0f;  // steps since the last switch to the roadside camera: 0 to 1000
    Random random;

private:
    int Draw(int n) { return random.RandomInt() % n; }
    int DrawSpread(int n);
    void LookAt(float x, float y, float z, float targetY);
    void PlaceCamera();
    void ChooseSteeringAndSpeed();
    void MoveVehicle();
    void JitterWheels();
    void StepSmoke();
    void CountCameraCycle();

    SceneView view_ = {};
    bool cameraJumped_ = true;  // since the last view: the first view blends with nothing
    uint64_t spawnedSmoke_ = 0;  // the particles the last step spawned anew, a bit each
};

// A scene as a window shows it: the scene, and the view of the step before its last, to draw
// the moments between them.
struct ShownScene {
    Scene scene;
    SceneView previous = {};

    // Takes `steps` steps (`shown` false while the window is minimised).
    void Advance(int steps, bool shown);
};

// A scene shown in its own part of a window that shows several (a monitor's, of a window over
// them all): its area, the viewport as GL takes it (x and y in pixels from the window's bottom
// left), and the pictures it draws with.
struct SceneArea {
    int x, y, width, height;
};
struct AreaScene {
    SceneArea area;
    ShownScene shown;
    ScenePictures pictures;
};

// Draws each scene in its area, at `blend` between its last two steps, with its own viewport and
// aspect (the same field of view), after clearing the whole window once: black where no area is.
void DrawAreaScenes(const std::vector<AreaScene>& scenes, float blend, const MeshModel* wheel);

// d * 3.141 / 180.
double DegToRad(double degrees);

// The viewport (from x, y, in a window of that size counted from its bottom left) and a
// 45-degree perspective (near 0.1, far 2000) for an area of width x height; a zero height
// counts as one.
void ResizeScene(int width, int height, int x = 0, int y = 0);

// The fixed GL state of the scene, given while the model-view matrix is the identity so that
// light 0 stays fixed relative to the eye: smooth shading, clear values, depth test, and the
// light's colours and position. Lighting itself is switched on only around the wheels.
void SetSceneGlState();

// Draws what a step left: camera, ground, the wheel model four times, smoke. Clears first
// unless `clear` is false (several scenes in one window clear it once).
void DrawScene(const SceneView& view, const ScenePictures& pictures, const MeshModel* wheel, bool clear = true);

// The scene at a moment between two steps: `from` and `to` blended by `t` (0 gives `from`, 1
// gives `to` exactly), angles the short way round. A `to` that jumped is taken as it is; a smoke
// particle spawned anew in `to` is where it starts.
SceneView BlendViews(const SceneView& from, const SceneView& to, float t);

// Draws BlendViews(from, to, t).
void DrawScene(const SceneView& from, const SceneView& to, float t, const ScenePictures& pictures,
               const MeshModel* wheel, bool clear = true);
