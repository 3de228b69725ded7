#include "scene.h"

#include <cmath>
#include <initializer_list>

#include "ground_smoke.h"
#include "random.h"
#include "renderer/common/gl_api.h"
#include "renderer/model/mesh_model.h"

VehicleState Vehicle;
CameraState Camera;
Ms3dModel* WheelModel = nullptr;

namespace {

// One fresh draw modulo n.
int Draw(int n) { return RandomInt() % n; }

// The difference of two fresh draws modulo n, drawn left to right.
int DrawSpread(int n) {
    const int first = Draw(n);
    return first - Draw(n);
}

}  // namespace

double DegToRad(double degrees) { return degrees * 3.141 / 180.0; }

void PlaceRoadsideCamera() {
    const int dx = DrawSpread(90);
    Camera.roadsideX = static_cast<float>(std::cos(DegToRad(dx + double(Vehicle.heading))) * 50.0 + Vehicle.posX);
    Camera.roadsideY = static_cast<float>(Draw(10) + 1);
    const int dz = DrawSpread(90);
    Camera.roadsideZ = static_cast<float>(std::sin(DegToRad(dz + double(Vehicle.heading))) * 50.0 + Vehicle.posZ);
}

void RelocateRoadsideCamera() {
    SeedRandom(static_cast<uint32_t>(RandomInt()));
    const int h = DrawSpread(45);
    const double angle = DegToRad(double(Vehicle.heading) + 90.0 + h);
    Camera.roadsideX = static_cast<float>(std::cos(angle) * 50.0 + Vehicle.posX);
    Camera.roadsideY = static_cast<float>(Draw(10) + 1);
    Camera.roadsideZ = static_cast<float>(Vehicle.posZ - std::sin(angle) * 50.0);
}

void ResizeScene(int width, int height) {
    if (height == 0) height = 1;
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, static_cast<double>(width) / static_cast<double>(height), static_cast<double>(0.1f), 2000.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void SetSceneGlState() {
    glShadeModel(GL_SMOOTH);
    glClearColor(0.0f, 0.0f, 0.0f, 0.5f);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    const GLfloat ambient[4] = {0.5f, 0.5f, 0.5f, 1.0f};
    const GLfloat diffuse[4] = {0.4f, 0.4f, 0.4f, 1.0f};
    const GLfloat position[4] = {0.0f, 15.0f, 0.0f, 1.0f};
    const GLfloat specular[4] = {0.7f, 0.7f, 0.5f, 1.0f};
    glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
    glLightfv(GL_LIGHT0, GL_POSITION, position);
    glLightfv(GL_LIGHT0, GL_SPECULAR, specular);
    glEnable(GL_LIGHT0);
}

void ResetScene() {
    InitGroundGrid();
    InitSmoke();  // reads the speed before it is set below
    Camera.orbitAngle = -20.0f;
    Vehicle.steerActive = 0;
    Vehicle.speedRampFrames = 0;
    Camera.mode = CameraOrbit;

    Vehicle.posX = 0.0f;
    Vehicle.posY = 0.75f;
    Vehicle.posZ = 0.0f;
    Vehicle.heading = 0.0f;
    Vehicle.turnRate = 0.0f;
    Vehicle.speed = 10.0f;
    Vehicle.targetSpeed = 10.0f;
    Vehicle.speedStep = 0.0f;
    const float offsetX[4] = {2.4f, -2.4f, 2.4f, -2.4f};
    const float offsetZ[4] = {-5.2f, -5.2f, 4.3f, 4.3f};
    for (int i = 0; i < 4; ++i) {
        Vehicle.wheelOffsetX[i] = offsetX[i];
        Vehicle.wheelOffsetY[i] = 0.2f;
        Vehicle.wheelOffsetZ[i] = offsetZ[i];
    }
    Vehicle.steerAngle = 0.0f;
    Vehicle.wheelSpin = 0.0f;
    PlaceRoadsideCamera();
}

namespace {

// Sets the view for the current camera mode.
void PlaceCamera() {
    if (Camera.mode == CameraRoadside) {
        const double dx = double(Vehicle.posX) - Camera.roadsideX;
        const double dz = double(Vehicle.posZ) - Camera.roadsideZ;
        const float distance = static_cast<float>(std::sqrt(dx * dx + dz * dz));
        if (distance > 150.0f) RelocateRoadsideCamera();
        gluLookAt(Camera.roadsideX, Camera.roadsideY, Camera.roadsideZ, Vehicle.posX, 1.0, Vehicle.posZ, 0.0, 1.0, 0.0);
    }
    if (Camera.mode == CameraOrbit) {
        const double angle = DegToRad(Camera.orbitAngle);
        Camera.orbitX = static_cast<float>(std::cos(angle) * 30.0 + Vehicle.posX);
        Camera.orbitY = 8.0f;
        Camera.orbitZ = static_cast<float>(std::sin(angle) * 30.0 + Vehicle.posZ);
        gluLookAt(Camera.orbitX, 8.0, Camera.orbitZ, Vehicle.posX, 0.0, Vehicle.posZ, 0.0, 1.0, 0.0);
        Camera.orbitAngle = static_cast<float>(double(Camera.orbitAngle) + 0.5);
    }
}

// The chances of a new steering impulse and a new speed ramp, and the running ramp.
void ChooseSteeringAndSpeed() {
    if (Vehicle.steerActive == 0 && Draw(100) == 1) {
        Vehicle.steerAngle = static_cast<float>(DrawSpread(30));
        Vehicle.steerActive = 1;
    }
    if (Vehicle.speedRampFrames == 0) {
        if (Draw(100) == 1) {
            Vehicle.targetSpeed = static_cast<float>(Draw(30) + 10);
            Vehicle.speedStep = static_cast<float>((double(Vehicle.targetSpeed) - Vehicle.speed) / 100.0);
            Vehicle.speedRampFrames = 100;
        }
    } else {
        Vehicle.speed = static_cast<float>(double(Vehicle.speed) + Vehicle.speedStep);
        Vehicle.speedRampFrames -= 1;
    }
}

// Turns and moves the vehicle along its own -z axis, wrapping at +-400 on each axis.
void MoveVehicle() {
    Vehicle.heading = static_cast<float>(double(Vehicle.heading) + Vehicle.turnRate);
    Vehicle.turnRate = static_cast<float>(double(Vehicle.steerAngle) / 30.0);
    Vehicle.steerAngle = static_cast<float>(double(Vehicle.steerAngle) / 1.01);
    if (std::fabs(double(Vehicle.steerAngle)) < 2.0) {
        Vehicle.steerActive = 0;
        Vehicle.steerAngle = 0.0f;
    }
    const double direction = DegToRad(double(Vehicle.heading) + 90.0);
    Vehicle.posX = static_cast<float>(Vehicle.posX + std::cos(direction) * Vehicle.speed / 30.0);
    Vehicle.posZ = static_cast<float>(Vehicle.posZ + std::sin(direction) * -double(Vehicle.speed) / 30.0);
    for (float* axis : {&Vehicle.posX, &Vehicle.posZ}) {
        if (*axis < -400.0f) *axis = 400.0f;
        if (*axis > 400.0f) *axis = -400.0f;
    }
}

// The four wheels, lit, each with a fresh vertical jitter; the spin advances after each one.
void DrawWheels() {
    glColor3f(1.0f, 1.0f, 1.0f);
    glEnable(GL_LIGHTING);
    glPushMatrix();
    glTranslatef(Vehicle.posX, Vehicle.posY, Vehicle.posZ);
    glRotatef(Vehicle.heading, 0.0f, 1.0f, 0.0f);
    for (int i = 0; i < 4; ++i) {
        glPushMatrix();
        const double jitter = Draw(10) / 100.0;
        glTranslatef(Vehicle.wheelOffsetX[i], static_cast<float>(jitter + Vehicle.wheelOffsetY[i]), Vehicle.wheelOffsetZ[i]);
        if (i == 0 || i == 1) glRotatef(Vehicle.steerAngle, 0.0f, 1.0f, 0.0f);
        if (i == 1 || i == 3) {
            glRotatef(180.0f, 0.0f, 1.0f, 0.0f);
            glRotatef(-Vehicle.wheelSpin, 1.0f, 0.0f, 0.0f);
        } else {
            glRotatef(Vehicle.wheelSpin, 1.0f, 0.0f, 0.0f);
        }
        if (WheelModel) WheelModel->Draw();
        glPopMatrix();
        Vehicle.wheelSpin = static_cast<float>(double(Vehicle.wheelSpin) - Vehicle.speed / 3.0);
    }
    glPopMatrix();
    glDisable(GL_LIGHTING);
}

}  // namespace

bool DrawScene() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    PlaceCamera();
    ChooseSteeringAndSpeed();
    DrawGround();
    MoveVehicle();
    DrawWheels();
    UpdateAndDrawSmoke();
    return true;
}
