// What a viewer would see go wrong in the scene, measured in world space: the real DrawScene is
// run in GL feedback mode with a probe for a wheel (a marked triangle), and every vertex it
// sends is taken back to world coordinates through the camera matrix the frame leaves behind.
// Over many frames with a fixed seed: the wheels at the vehicle's corners, front pair ahead in
// the direction of travel and steering, outer faces outwards, rolling forwards; the vehicle
// moving along its heading; the smoke on the ground beside the wheels, turning with the vehicle;
// the light from above; the roadside camera where its draws put it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <utility>
#include <vector>

#include "offscreen_gl.h"
#include "renderer/common/gl_api.h"
#include "renderer/image/textures.h"
#include "renderer/model/mesh_model.h"
#include "renderer/scene/ground_smoke.h"
#include "renderer/scene/scene.h"

namespace {

struct P {
    double x, y, z;
};
P operator-(P a, P b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
P operator+(P a, P b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
P operator*(P a, double s) { return {a.x * s, a.y * s, a.z * s}; }
double Dot(P a, P b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
P Cross(P a, P b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
double Length(P a) { return std::sqrt(Dot(a, a)); }
P Flat(P a) { return {a.x, 0.0, a.z}; }
P Unit(P a) { return a * (1.0 / Length(a)); }
constexpr double kDegrees = 180.0 / 3.141592653589793;

// A wheel stand-in: one triangle marking the wheel's centre, the end of its axle (+x, the
// outer face of an unturned wheel) and its top (+y), facing up; and one facing down, for the
// light. No material: the GL's default one, lit.
class ProbeWheel : public Ms3dModel {
public:
    ProbeWheel() {
        const float points[6][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, -1.5f, 0.5f}, {0.5f, -1.5f, 0}};
        vertexCount = 6;
        vertices.reset(new ModelVertex[6]);
        for (int i = 0; i < 6; ++i) std::copy(points[i], points[i] + 3, vertices[i].position);
        triangleCount = 2;
        triangles.reset(new ModelTriangle[2]);
        for (int t = 0; t < 2; ++t) {
            for (int c = 0; c < 3; ++c) {
                const float up = t == 0 ? 1.0f : -1.0f;
                triangles[t].normals[c][0] = 0, triangles[t].normals[c][1] = up, triangles[t].normals[c][2] = 0;
                triangles[t].s[c] = triangles[t].t[c] = 0;
                triangles[t].vertexIndices[c] = 3 * t + c;
            }
        }
        meshCount = 1;
        meshes.reset(new ModelMesh[1]);
        meshes[0].materialIndex = -1;
        meshes[0].triangleCount = 2;
        meshes[0].triangleIndices.reset(new int[2]{0, 1});
    }
};

struct Vertex {
    P world;
    float colour[4];
    float st[2];  // texture coordinates
};

// One frame as drawn: each polygon's vertices in world space, in drawing order, and where the
// light is (it was given in eye space, 15 units above the eye).
struct Frame {
    std::vector<std::vector<Vertex>> polygons;
    P light;
};

constexpr double kReach = 4096.0;  // eye-space half-width that the feedback projection keeps

class SceneGeometry : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(gl_.Ok());
        scene_.Reset();
        SetSceneGlState();
        // An orthographic view of everything within kReach of the eye, nothing clipped, and
        // window coordinates that give eye coordinates back.
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glScaled(1.0 / kReach, 1.0 / kReach, 1.0 / kReach);
        glMatrixMode(GL_MODELVIEW);
        glViewport(0, 0, 8192, 8192);
        glDepthRange(0.0, 1.0);
        // Once for the number of polygons the ground makes, which come first in every frame.
        groundPolygons_ = Feedback([] { DrawGround(0); }, nullptr).polygons.size();
    }

    // A step, drawn (without pictures) as its frame.
    void StepAndDraw() {
        scene_.Step();
        DrawScene(scene_.View(), {}, &probe_);
    }

    // Runs `draw` in feedback mode; world coordinates come from the model-view matrix that is
    // current afterwards (`view`, or the one the drawing leaves), inverted.
    Frame Feedback(const std::function<void()>& draw, const GLdouble* view) {
        std::vector<GLfloat> buffer(1 << 20);
        glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D_COLOR_TEXTURE, buffer.data());
        glRenderMode(GL_FEEDBACK);
        glLoadIdentity();
        draw();
        const GLint used = glRenderMode(GL_RENDER);
        EXPECT_GE(used, 0) << "feedback buffer too small";
        GLdouble m[16];
        if (view) {
            std::copy(view, view + 16, m);
        } else {
            glGetDoublev(GL_MODELVIEW_MATRIX, m);
        }
        // The camera matrix is a rotation R and a translation t: world = R^T (eye - t).
        auto toWorld = [&](double ex, double ey, double ez) {
            const double d[3] = {ex - m[12], ey - m[13], ez - m[14]};
            return P{m[0] * d[0] + m[1] * d[1] + m[2] * d[2], m[4] * d[0] + m[5] * d[1] + m[6] * d[2],
                     m[8] * d[0] + m[9] * d[1] + m[10] * d[2]};
        };
        Frame frame;
        frame.light = toWorld(0.0, 15.0, 0.0);
        for (GLint i = 0; i < used;) {
            const GLint token = static_cast<GLint>(buffer[i++]);
            if (token != GL_POLYGON_TOKEN) {
                ADD_FAILURE() << "unexpected feedback token " << token;
                break;
            }
            const int count = static_cast<int>(buffer[i++]);
            std::vector<Vertex> polygon;
            for (int v = 0; v < count; ++v, i += 11) {  // x y z, r g b a, s t r q
                const double ex = buffer[i] / 4096.0 * kReach - kReach;
                const double ey = buffer[i + 1] / 4096.0 * kReach - kReach;
                const double ez = (2.0 * buffer[i + 2] - 1.0) * kReach;
                Vertex vertex{toWorld(ex, ey, ez),
                              {buffer[i + 3], buffer[i + 4], buffer[i + 5], buffer[i + 6]},
                              {buffer[i + 7], buffer[i + 8]}};
                polygon.push_back(vertex);
            }
            frame.polygons.push_back(polygon);
        }
        return frame;
    }

    Frame DrawFrame() { return Feedback([this] { StepAndDraw(); }, nullptr); }

    // The probe's triangles of wheel i (0 facing up, 1 facing down) in a frame.
    const std::vector<Vertex>& Probe(const Frame& frame, int wheel, int triangle) {
        return frame.polygons.at(groundPolygons_ + 2 * wheel + triangle);
    }

    OffscreenGl gl_{16, 16};
    ProbeWheel probe_;
    Scene scene_;
    size_t groundPolygons_ = 0;
};

TEST_F(SceneGeometry, WheelsVehicleAndSmokeOverManyFrames) {
    P previousCentre[4], previousTop[4];
    P previousPosition{scene_.vehicle.posX, 0, scene_.vehicle.posZ};
    int steered = 0, compared = 0;
    for (int n = 0; n < 700; ++n) {
        const Frame frame = DrawFrame();
        // Each puff is one quad, which the GL may hand back as two triangles.
        const size_t smokePolygons = frame.polygons.size() - groundPolygons_ - 8;
        ASSERT_TRUE(smokePolygons == kSmokeCount || smokePolygons == 2 * kSmokeCount) << "frame " << n;
        const size_t perPuff = smokePolygons / kSmokeCount;
        P centre[4], axle[4], top[4];
        for (int i = 0; i < 4; ++i) {
            const std::vector<Vertex>& t = Probe(frame, i, 0);
            ASSERT_EQ(t.size(), 3u);
            centre[i] = t[0].world;
            axle[i] = t[1].world - t[0].world;
            top[i] = t[2].world - t[0].world;
        }
        const P position{scene_.vehicle.posX, 0, scene_.vehicle.posZ};
        const P travel = Flat(position - previousPosition);
        const P middle = (centre[0] + centre[1] + centre[2] + centre[3]) * 0.25;
        const P front = (centre[0] + centre[1]) * 0.5, rear = (centre[2] + centre[3]) * 0.5;
        const P forward = Unit(Flat(front - rear));

        for (int i = 0; i < 4; ++i) {
            // Standing on the ground at the vehicle's height, a little jitter above it.
            EXPECT_GE(centre[i].y, 0.75 + 0.2 - 1e-3) << "wheel " << i << ", frame " << n;
            EXPECT_LE(centre[i].y, 0.75 + 0.2 + 0.09 + 1e-3) << "wheel " << i << ", frame " << n;
            // The outer face (the axle's +x end) looks away from the vehicle.
            EXPECT_GT(Dot(Flat(axle[i]), Flat(centre[i] - middle)), 0.5) << "wheel " << i << ", frame " << n;
        }
        // A rectangle 4.8 wide and 9.5 long, the vehicle's origin 0.45 behind its middle; the
        // front pair (0, 1) ahead, 0 and 2 on one side and 1 and 3 on the other.
        EXPECT_NEAR(Length(Flat(centre[0] - centre[1])), 4.8, 1e-3);
        EXPECT_NEAR(Length(Flat(centre[2] - centre[3])), 4.8, 1e-3);
        EXPECT_NEAR(Length(Flat(front - rear)), 9.5, 1e-3);
        EXPECT_NEAR(Dot(Flat(centre[0] - centre[1]), Flat(centre[2] - centre[3])), 4.8 * 4.8, 1e-2);
        EXPECT_NEAR(Length(Flat(middle - position) - forward * 0.45), 0.0, 1e-3) << "frame " << n;
        // The vehicle moves along its heading, front first, speed / 30 a frame (but where it
        // wraps at the edge of the world).
        if (n > 0 && Length(travel) < 10.0) {
            EXPECT_NEAR(Length(travel), scene_.vehicle.speed / 30.0, 1e-3) << "frame " << n;
            EXPECT_GT(Dot(Unit(travel), forward), 0.9999) << "frame " << n;
        }
        // The front pair turns with the steering about the vertical, the rear pair never.
        // (Feedback coordinates are floats of the window: a unit vector far out is good to
        // about a thousandth of a radian.)
        const double rearTurn = std::atan2(Cross(Flat(axle[2]), Flat(axle[3]) * -1.0).y, Dot(Flat(axle[2]), Flat(axle[3]) * -1.0));
        EXPECT_NEAR(rearTurn * kDegrees, 0.0, 0.15);
        for (int i : {0, 1}) {
            const P reference = i == 0 ? axle[2] : axle[3];
            const double turn = std::atan2(Cross(Flat(reference), Flat(axle[i])).y, Dot(Flat(reference), Flat(axle[i])));
            EXPECT_NEAR(turn * kDegrees, scene_.vehicle.steerAngle, 0.15) << "wheel " << i << ", frame " << n;
        }
        steered += scene_.vehicle.steerAngle != 0.0f;
        // Rolling forwards: from frame to frame each wheel turns so that its top moves ahead.
        if (n > 0 && Length(travel) < 10.0) {
            for (int i = 0; i < 4; ++i) {
                const P spin = Cross(previousTop[i], top[i]);
                EXPECT_GT(Dot(spin, Cross(P{0, 1, 0}, forward)), 0.0) << "wheel " << i << ", frame " << n;
                ++compared;
            }
        }
        // Lit from where the light is: of the probe's two faces (normals along its top marker
        // and against it) the one turned towards the light is the brighter.
        const double towardsLight = Dot(Unit(top[0]), Unit(frame.light - centre[0]));
        const float topLit = Probe(frame, 0, 0)[0].colour[0], bottomLit = Probe(frame, 0, 1)[0].colour[0];
        if (towardsLight > 0.2) {
            EXPECT_GT(topLit, bottomLit + 0.05f) << "frame " << n;
        } else if (towardsLight < -0.2) {
            EXPECT_GT(bottomLit, topLit + 0.05f) << "frame " << n;
        }
        // The smoke (once the first puffs, thrown forwards at the start, have gone): on the
        // ground, beside the wheels' lines in the vehicle's own frame (so it turns with the
        // vehicle), and never ahead of the front wheels.
        const P side = Cross(forward, P{0, 1, 0});
        for (int s = 0; s < (n >= 5 ? kSmokeCount : 0); ++s) {
            // The puff's centre: the mean of its quad's corners (centre +- right, centre +- up).
            std::vector<P> corners;
            std::vector<std::pair<float, float>> picture;  // the picture's corners on them
            for (size_t q = 0; q < perPuff; ++q) {
                for (const Vertex& v : frame.polygons.at(groundPolygons_ + 8 + perPuff * s + q)) {
                    if (std::none_of(corners.begin(), corners.end(), [&](P k) { return Length(k - v.world) < 1e-4; })) {
                        corners.push_back(v.world);
                        picture.emplace_back(v.st[0], v.st[1]);
                    }
                }
            }
            if (corners.size() == 4) {  // the whole smoke picture, once, corner to corner
                std::sort(picture.begin(), picture.end());
                EXPECT_EQ(picture, (std::vector<std::pair<float, float>>{{0, 0}, {0, 1}, {1, 0}, {1, 1}}))
                    << "puff " << s << ", frame " << n;
            }
            P c{0, 0, 0};
            for (P k : corners) c = c + k * (1.0 / corners.size());
            // A square facing its eye point: all four corners as far from the centre; its size
            // is the puff's age, its grey what is left of its life, so the two add up to 1.
            const double size = Length(corners[0] - c);
            for (P k : corners) EXPECT_NEAR(Length(k - c), size, 2e-3) << "puff " << s << ", frame " << n;
            const float* grey = frame.polygons.at(groundPolygons_ + 8 + perPuff * s)[0].colour;
            EXPECT_NEAR(grey[0] + size, 1.0, 2e-3) << "puff " << s << ", frame " << n;
            EXPECT_EQ(grey[0], grey[1]);
            EXPECT_EQ(grey[0], grey[2]);
            EXPECT_LT(c.y, 0.3 + 0.01 * 20 + 1e-3) << "puff " << s << ", frame " << n;
            const double across = std::fabs(Dot(Flat(c - position), side));
            EXPECT_NEAR(across, 2.4, 0.11) << "puff " << s << ", frame " << n << " at " << c.x << "," << c.y << "," << c.z;
            EXPECT_LT(Dot(Flat(c - position), forward), 4.5 + 1e-3) << "puff " << s << ", frame " << n;
        }
        for (int i = 0; i < 4; ++i) previousCentre[i] = centre[i], previousTop[i] = top[i];
        previousPosition = position;
    }
    EXPECT_GT(steered, 50);    // the run steered for a while
    EXPECT_GT(compared, 1000);
}

// The roadside camera looks at the vehicle from where its draws put it: with every draw 0
// (spreads of 0, height 1), 50 units out along the vehicle's heading angle, 1 unit up; and when
// the vehicle has gone beyond 150 units, 50 units ahead of it.
int ZeroDraw() { return 0; }

TEST_F(SceneGeometry, RoadsideCameraFromItsDraws) {
    scene_.vehicle.heading = 30.0f;
    scene_.vehicle.posX = 7.0f;
    scene_.vehicle.posZ = -3.0f;
    scene_.random.SetSource(ZeroDraw);
    scene_.PlaceRoadsideCamera();
    scene_.camera.mode = CameraRoadside;
    const P vehicle{scene_.vehicle.posX, 1.0, scene_.vehicle.posZ};
    StepAndDraw();
    GLdouble m[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, m);
    // The eye, -R^T t, and the direction it looks in, -(third row of R).
    const P eye{-(m[0] * m[12] + m[1] * m[13] + m[2] * m[14]), -(m[4] * m[12] + m[5] * m[13] + m[6] * m[14]),
                -(m[8] * m[12] + m[9] * m[13] + m[10] * m[14])};
    const P look{-m[2], -m[6], -m[10]};
    EXPECT_NEAR(eye.x, 7.0 + 50.0 * std::cos(30.0 * 3.141 / 180.0), 1e-3);
    EXPECT_NEAR(eye.z, -3.0 + 50.0 * std::sin(30.0 * 3.141 / 180.0), 1e-3);
    EXPECT_NEAR(eye.y, 1.0, 1e-4);
    EXPECT_GT(Dot(Unit(vehicle - eye), Unit(look)), 0.99999);

    // Far away: the next frame puts the eye 50 units ahead in the direction of travel.
    scene_.camera.roadsideX = scene_.vehicle.posX + 200.0f;
    const P before{scene_.vehicle.posX, 0, scene_.vehicle.posZ};
    StepAndDraw();
    const P after{scene_.vehicle.posX, 0, scene_.vehicle.posZ};
    const P ahead{scene_.camera.roadsideX - before.x, 0, scene_.camera.roadsideZ - before.z};
    EXPECT_NEAR(Length(ahead), 50.0, 1e-3);
    EXPECT_GT(Dot(Unit(ahead), Unit(after - before)), 0.9999);
    scene_.random.SetSource(nullptr);
}

// The fixed GL state a frame relies on: the projection of a 45-degree field of view at the
// window's aspect (1 / tan 22.5 = 2.41421), near 0.1 and far 2000, and depth testing on with
// "less or equal"; after a frame, depth writes on and blending off again.
TEST_F(SceneGeometry, ProjectionAndDepthState) {
    GLdouble p[16];
    // Any window's own aspect and size (the screen at its own resolution), then the usual one.
    for (const auto& size : {std::pair<int, int>{1920, 1080}, {1080, 1920}, {1024, 768}}) {
        ResizeScene(size.first, size.second);
        glGetDoublev(GL_PROJECTION_MATRIX, p);
        EXPECT_NEAR(p[5], 2.41421, 1e-4) << size.first;
        EXPECT_NEAR(p[0], 2.41421 * size.second / size.first, 1e-4) << size.first;
        GLint viewport[4];
        glGetIntegerv(GL_VIEWPORT, viewport);
        EXPECT_EQ(std::vector<GLint>(viewport, viewport + 4), (std::vector<GLint>{0, 0, size.first, size.second}));
    }
    const double nearPlane = p[14] / (p[10] - 1.0), farPlane = p[14] / (p[10] + 1.0);
    EXPECT_NEAR(nearPlane, 0.1, 1e-4);
    EXPECT_NEAR(farPlane, 2000.0, 1.0);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    GLint depthFunc = 0;
    glGetIntegerv(GL_DEPTH_FUNC, &depthFunc);
    EXPECT_EQ(depthFunc, GL_LEQUAL);
    StepAndDraw();
    GLboolean depthWrites = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
    EXPECT_TRUE(depthWrites);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(glIsEnabled(GL_LIGHT0));
    // The clear colour and the light: fixed to the eye, 15 above it, its four colours.
    GLfloat clear[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_EQ(std::vector<GLfloat>(clear, clear + 4), (std::vector<GLfloat>{0, 0, 0, 0.5f}));
    const struct {
        GLenum name;
        std::vector<GLfloat> value;
    } light[] = {{GL_AMBIENT, {0.5f, 0.5f, 0.5f, 1}}, {GL_DIFFUSE, {0.4f, 0.4f, 0.4f, 1}},
                 {GL_SPECULAR, {0.7f, 0.7f, 0.5f, 1}}, {GL_POSITION, {0, 15, 0, 1}}};
    for (const auto& l : light) {
        GLfloat got[4];
        glGetLightfv(GL_LIGHT0, l.name, got);
        EXPECT_EQ(std::vector<GLfloat>(got, got + 4), l.value) << std::hex << l.name;
    }
    GLint hint = 0;
    glGetIntegerv(GL_PERSPECTIVE_CORRECTION_HINT, &hint);
    EXPECT_EQ(hint, GL_NICEST);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));  // no call of a frame was refused
}

}  // namespace
