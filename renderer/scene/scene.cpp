#include "scene.h"

#include <cmath>
#include <initializer_list>

#include "renderer/common/gl_api.h"
#include "renderer/model/mesh_model.h"

double DegToRad(double degrees) { return degrees * 3.141 / 180.0; }

namespace {

// Each angle is kept within one turn in the step, so that it keeps its precision for as long as
// the scene runs (a float that only grows loses the wheels' roll within hours). A turn is what
// the angle's uses repeat after:
// - the wheels' roll and the heading are handed to the GL's rotations, in true degrees: 360. The
//   heading also sets the direction of travel through DegToRad, whose turn is a little longer, so
//   at its wrap the vehicle's course turns by 0.068 degrees (360 x (pi - 3.141) / 180 radians)
//   and nothing that is drawn moves; kept within a turn, the course never strays more than that
//   from where the wheels point, as it did from the first turn on.
// - the orbit camera's angle is used only through DegToRad: its turn is 2 pi radians at 3.141 /
//   180 a degree, and the eye does not move at its wrap.
constexpr double kTurn = 360.0;
constexpr double kOrbitTurn = 2.0 * 3.14159265358979323846 * 180.0 / 3.141;

// `degrees` within one turn of `turn`, its sign kept, as a float.
float WithinATurn(double degrees, double turn) { return static_cast<float>(std::fmod(degrees, turn)); }

}  // namespace

int Scene::DrawSpread(int n) {  // two fresh draws modulo n, their difference, drawn left to right
    const int first = Draw(n);
    return first - Draw(n);
}

void Scene::PlaceRoadsideCamera() {
    const int dx = DrawSpread(90);
    camera.roadsideX = static_cast<float>(std::cos(DegToRad(dx + double(vehicle.heading))) * 50.0 + vehicle.posX);
    camera.roadsideY = static_cast<float>(Draw(10) + 1);
    const int dz = DrawSpread(90);
    camera.roadsideZ = static_cast<float>(std::sin(DegToRad(dz + double(vehicle.heading))) * 50.0 + vehicle.posZ);
    cameraJumped_ = true;
}

void Scene::RelocateRoadsideCamera() {
    random.SeedRandom(static_cast<uint32_t>(random.RandomInt()));
    const int h = DrawSpread(45);
    const double angle = DegToRad(double(vehicle.heading) + 90.0 + h);
    camera.roadsideX = static_cast<float>(std::cos(angle) * 50.0 + vehicle.posX);
    camera.roadsideY = static_cast<float>(Draw(10) + 1);
    camera.roadsideZ = static_cast<float>(vehicle.posZ - std::sin(angle) * 50.0);
    cameraJumped_ = true;
}

void Scene::Reset() {
    InitGroundGrid();
    InitSmoke(smoke, random, vehicle.speed);  // reads the speed before it is set below
    camera.orbitAngle = -20.0f;
    vehicle.steerActive = 0;
    vehicle.speedRampFrames = 0;
    camera.mode = CameraOrbit;

    vehicle.posX = 0.0f;
    vehicle.posY = 0.75f;
    vehicle.posZ = 0.0f;
    vehicle.heading = 0.0f;
    vehicle.turnRate = 0.0f;
    vehicle.speed = 10.0f;
    vehicle.targetSpeed = 10.0f;
    vehicle.speedStep = 0.0f;
    const float offsetX[4] = {2.4f, -2.4f, 2.4f, -2.4f};
    const float offsetZ[4] = {-5.2f, -5.2f, 4.3f, 4.3f};
    for (int i = 0; i < 4; ++i) {
        vehicle.wheelOffsetX[i] = offsetX[i];
        vehicle.wheelOffsetY[i] = 0.2f;
        vehicle.wheelOffsetZ[i] = offsetZ[i];
    }
    vehicle.steerAngle = 0.0f;
    vehicle.wheelSpin = 0.0f;
    PlaceRoadsideCamera();
}

// The view from (x, y, z) at the vehicle's ground point, `targetY` high.
void Scene::LookAt(float x, float y, float z, float targetY) {
    view_.eye[0] = x;
    view_.eye[1] = y;
    view_.eye[2] = z;
    view_.target[0] = vehicle.posX;
    view_.target[1] = targetY;
    view_.target[2] = vehicle.posZ;
}

// The view for the current camera mode, placed before the vehicle moves.
void Scene::PlaceCamera() {
    if (camera.mode == CameraRoadside) {
        const double dx = double(vehicle.posX) - camera.roadsideX;
        const double dz = double(vehicle.posZ) - camera.roadsideZ;
        const float distance = static_cast<float>(std::sqrt(dx * dx + dz * dz));
        if (distance > 150.0f) RelocateRoadsideCamera();
        LookAt(camera.roadsideX, camera.roadsideY, camera.roadsideZ, 1.0f);
    }
    if (camera.mode == CameraOrbit) {
        const double angle = DegToRad(camera.orbitAngle);
        camera.orbitX = static_cast<float>(std::cos(angle) * 30.0 + vehicle.posX);
        camera.orbitY = 8.0f;
        camera.orbitZ = static_cast<float>(std::sin(angle) * 30.0 + vehicle.posZ);
        LookAt(camera.orbitX, camera.orbitY, camera.orbitZ, 0.0f);
        camera.orbitAngle = WithinATurn(double(camera.orbitAngle) + 0.5, kOrbitTurn);
    }
}

// The chances of a new steering impulse and a new speed ramp, and the running ramp.
void Scene::ChooseSteeringAndSpeed() {
    if (vehicle.steerActive == 0 && Draw(100) == 1) {
        vehicle.steerAngle = static_cast<float>(DrawSpread(30));
        vehicle.steerActive = 1;
    }
    if (vehicle.speedRampFrames == 0) {
        if (Draw(100) == 1) {
            vehicle.targetSpeed = static_cast<float>(Draw(30) + 10);
            vehicle.speedStep = static_cast<float>((double(vehicle.targetSpeed) - vehicle.speed) / 100.0);
            vehicle.speedRampFrames = 100;
        }
    } else {
        vehicle.speed = static_cast<float>(double(vehicle.speed) + vehicle.speedStep);
        vehicle.speedRampFrames -= 1;
    }
}

// Turns and moves the vehicle along its own -z axis, wrapping at +-400 on each axis.
void Scene::MoveVehicle() {
    vehicle.heading = WithinATurn(double(vehicle.heading) + vehicle.turnRate, kTurn);
    vehicle.turnRate = static_cast<float>(double(vehicle.steerAngle) / 30.0);
    vehicle.steerAngle = static_cast<float>(double(vehicle.steerAngle) / 1.01);
    if (std::fabs(double(vehicle.steerAngle)) < 2.0) {
        vehicle.steerActive = 0;
        vehicle.steerAngle = 0.0f;
    }
    const double direction = DegToRad(double(vehicle.heading) + 90.0);
    vehicle.posX = static_cast<float>(vehicle.posX + std::cos(direction) * vehicle.speed / 30.0);
    vehicle.posZ = static_cast<float>(vehicle.posZ + std::sin(direction) * -double(vehicle.speed) / 30.0);
    for (float* axis : {&vehicle.posX, &vehicle.posZ}) {
        if (*axis < -400.0f || *axis > 400.0f) {
            *axis = *axis < 0.0f ? 400.0f : -400.0f;
            // The vehicle jumps in this view, the camera's target in the next (placed before the move).
            view_.cut = cameraJumped_ = true;
        }
    }
}

// Each wheel as it is drawn: a fresh vertical jitter, and the spin, which falls after each one.
void Scene::JitterWheels() {
    for (int i = 0; i < 4; ++i) {
        const double jitter = Draw(10) / 100.0;
        view_.wheelX[i] = vehicle.wheelOffsetX[i];
        view_.wheelY[i] = static_cast<float>(jitter + vehicle.wheelOffsetY[i]);
        view_.wheelZ[i] = vehicle.wheelOffsetZ[i];
        view_.wheelSpin[i] = vehicle.wheelSpin;
        vehicle.wheelSpin = WithinATurn(double(vehicle.wheelSpin) - vehicle.speed / 3.0, kTurn);
    }
}

// The smoke as it is drawn, facing the last orbit eye, then its step.
void Scene::StepSmoke() {
    view_.smokeEye[0] = camera.orbitX;
    view_.smokeEye[1] = camera.orbitY;
    view_.smokeEye[2] = camera.orbitZ;
    for (int i = 0; i < kSmokeCount; ++i) {
        view_.smoke[i] = {smoke[i].x, smoke[i].y, smoke[i].z, smoke[i].life, ((spawnedSmoke_ >> i) & 1) != 0};
    }
    spawnedSmoke_ = ::StepSmoke(smoke, random, vehicle.speed);
}

// The camera cycle, counted in steps: the scene starts in orbit, switches to the roadside at
// 1000, back to orbit at 500, and so on.
void Scene::CountCameraCycle() {
    cameraCycleFrames += 1.0f;
    if (cameraCycleFrames == 500.0f) {
        camera.mode = CameraOrbit;
        cameraJumped_ = true;
    }
    if (cameraCycleFrames == 1000.0f) {
        PlaceRoadsideCamera();
        camera.mode = CameraRoadside;
        cameraCycleFrames = 0.0f;
    }
}

void Scene::Step(bool shown) {
    if (shown) {
        // A view is cut where the camera was placed or switched since the last one, or moves
        // now (to a new roadside point): it is not blended with the one before.
        const bool placedSince = cameraJumped_;
        cameraJumped_ = false;
        PlaceCamera();
        view_.cut = placedSince || cameraJumped_;
        cameraJumped_ = false;
        ChooseSteeringAndSpeed();
        MoveVehicle();
        view_.posX = vehicle.posX;
        view_.posY = vehicle.posY;
        view_.posZ = vehicle.posZ;
        view_.heading = vehicle.heading;
        view_.steerAngle = vehicle.steerAngle;
        JitterWheels();
        StepSmoke();
    }
    CountCameraCycle();
}

void ShownScene::Advance(int steps, bool shown) {
    for (int i = 0; i < steps; ++i) {
        previous = scene.View();
        scene.Step(shown);
    }
}

void DrawAreaScenes(const std::vector<AreaScene>& scenes, float blend, const MeshModel* wheel) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);  // the whole window, whatever the viewport
    for (const AreaScene& s : scenes) {
        const SceneArea& a = s.area;
        ResizeScene(a.width, a.height, a.x, a.y);
        DrawScene(s.shown.previous, s.shown.scene.View(), blend, s.pictures, wheel, false);
    }
}

void ResizeScene(int width, int height, int x, int y) {
    if (height == 0) height = 1;
    glViewport(x, y, width, height);
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

namespace {

// The four wheels, lit, each at its own jitter and spin.
void DrawWheels(const SceneView& v, const MeshModel* wheel) {
    glColor3f(1.0f, 1.0f, 1.0f);
    glEnable(GL_LIGHTING);
    glPushMatrix();
    glTranslatef(v.posX, v.posY, v.posZ);
    glRotatef(v.heading, 0.0f, 1.0f, 0.0f);
    for (int i = 0; i < 4; ++i) {
        glPushMatrix();
        glTranslatef(v.wheelX[i], v.wheelY[i], v.wheelZ[i]);
        if (i == 0 || i == 1) glRotatef(v.steerAngle, 0.0f, 1.0f, 0.0f);
        if (i == 1 || i == 3) {
            glRotatef(180.0f, 0.0f, 1.0f, 0.0f);
            glRotatef(-v.wheelSpin[i], 1.0f, 0.0f, 0.0f);
        } else {
            glRotatef(v.wheelSpin[i], 1.0f, 0.0f, 0.0f);
        }
        if (wheel) wheel->Draw();
        glPopMatrix();
    }
    glPopMatrix();
    glDisable(GL_LIGHTING);
}

void DrawSmoke(const SceneView& v, unsigned int texture) {
    for (const SceneView::Puff& p : v.smoke) {
        const float brightness = static_cast<float>(1.0 - p.life);
        glPushMatrix();
        glTranslatef(v.posX, 0.0f, v.posZ);  // on the ground, not at the vehicle's height
        glRotatef(v.heading, 0.0f, 1.0f, 0.0f);
        DrawBillboard({p.x, p.y, p.z}, p.life, brightness, brightness, brightness, v.smokeEye[0], v.smokeEye[1],
                      v.smokeEye[2], texture);
        glPopMatrix();
    }
    glColor3f(1.0f, 1.0f, 1.0f);
}

float Mix(float a, float b, float t) { return static_cast<float>(a + (double(b) - a) * t); }

// Between two angles the short way round (the steps turn by far less than half a turn).
float MixTurn(float a, float b, float t) { return static_cast<float>(a + std::remainder(double(b) - a, kTurn) * t); }

template <size_t N>
void MixAll(float (&out)[N], const float (&a)[N], const float (&b)[N], float t) {
    for (size_t i = 0; i < N; ++i) out[i] = Mix(a[i], b[i], t);
}

}  // namespace

void DrawScene(const SceneView& v, const ScenePictures& pictures, const MeshModel* wheel, bool clear) {
    if (clear) glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    gluLookAt(v.eye[0], v.eye[1], v.eye[2], v.target[0], v.target[1], v.target[2], 0.0, 1.0, 0.0);
    DrawGround(pictures.ground);
    DrawWheels(v, wheel);
    DrawSmoke(v, pictures.smoke);
}

SceneView BlendViews(const SceneView& from, const SceneView& to, float t) {
    if (t >= 1.0f || to.cut) return to;
    if (t <= 0.0f) return from;
    SceneView v = to;
    MixAll(v.eye, from.eye, to.eye, t);
    MixAll(v.target, from.target, to.target, t);
    v.posX = Mix(from.posX, to.posX, t);
    v.posZ = Mix(from.posZ, to.posZ, t);
    v.heading = MixTurn(from.heading, to.heading, t);
    v.steerAngle = Mix(from.steerAngle, to.steerAngle, t);
    for (int i = 0; i < 4; ++i) v.wheelSpin[i] = MixTurn(from.wheelSpin[i], to.wheelSpin[i], t);
    MixAll(v.wheelY, from.wheelY, to.wheelY, t);
    MixAll(v.smokeEye, from.smokeEye, to.smokeEye, t);
    for (int i = 0; i < kSmokeCount; ++i) {
        const SceneView::Puff &a = from.smoke[i], &b = to.smoke[i];
        if (b.fresh) continue;  // spawned anew: drawn where it starts
        v.smoke[i] = {Mix(a.x, b.x, t), Mix(a.y, b.y, t), Mix(a.z, b.z, t), Mix(a.life, b.life, t), false};
    }
    return v;
}

void DrawScene(const SceneView& from, const SceneView& to, float t, const ScenePictures& pictures,
               const MeshModel* wheel, bool clear) {
    if (t >= 1.0f || to.cut) return DrawScene(to, pictures, wheel, clear);  // the step itself, as it was drawn
    DrawScene(BlendViews(from, to, t), pictures, wheel, clear);
}
