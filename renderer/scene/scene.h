// The moving scene: an unseen vehicle on four wheels driving over the ground with random
// steering impulses and speed ramps, and a camera that watches from the roadside or circles
// the vehicle. All motion is counted in frames. Real fields are 32-bit floats updated in double
// arithmetic; angles are degrees, converted with the factor 3.141 / 180.
#pragma once

class Ms3dModel;

struct VehicleState {
    float posX, posY, posZ;  // vehicle origin in world units; posY never changes
    float heading;           // degrees about the vertical axis, unbounded
    float turnRate;          // degrees added to heading per frame
    float speed;             // one frame moves speed / 30 units
    float targetSpeed;       // goal of the current speed ramp
    float speedStep;         // speed change per frame during a ramp
    int speedRampFrames;     // frames left in the ramp
    float steerAngle;        // current steering impulse, also the front wheels' turn (degrees)
    int steerActive;         // an impulse is decaying
    float wheelSpin;         // rolling angle of the wheels (degrees)
    float wheelOffsetX[4];   // wheel positions in the vehicle frame; 0 and 1 are the steered
    float wheelOffsetY[4];   // front pair, 1 and 3 the -x side
    float wheelOffsetZ[4];
};

enum CameraMode { CameraRoadside = 0, CameraOrbit = 1 };

struct CameraState {
    int mode;
    float roadsideX, roadsideY, roadsideZ;  // eye of the roadside camera
    float orbitX, orbitY, orbitZ;           // last orbit eye; the smoke faces it
    float orbitAngle;                       // degrees, unbounded
};

extern VehicleState Vehicle;
extern CameraState Camera;

// The wheel drawn four times per frame; created at start-up and kept until the process ends.
extern Ms3dModel* WheelModel;

// d * 3.141 / 180.
double DegToRad(double degrees);

// The viewport and a 45-degree perspective (near 0.1, far 2000) for a client area of this size;
// a zero height counts as one. The window calls it on every size change.
void ResizeScene(int width, int height);

// The fixed GL state of the scene, given while the model-view matrix is the identity so that
// light 0 stays fixed relative to the eye: smooth shading, clear values, depth test, and the
// light's colours and position. Lighting itself is switched on only around the wheels.
void SetSceneGlState();

// Builds the ground, seeds the smoke, and puts the vehicle and both cameras at their start.
void ResetScene();

// Advances and draws one frame (camera, ground, vehicle, wheels, smoke); always true.
bool DrawScene();

// A new roadside eye about 50 units from the vehicle, to its side.
void PlaceRoadsideCamera();

// A new roadside eye 50 units ahead of the vehicle, after reseeding the generator from itself.
void RelocateRoadsideCamera();
