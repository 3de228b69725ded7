// The real scene drawn offscreen at 1024 x 768 with a four-colour ground picture and the
// shipped wheel: what a viewer of the first frames would see.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "offscreen_gl.h"
#include "renderer/common/gl_api.h"
#include "renderer/image/image_file.h"
#include "renderer/image/textures.h"
#include "renderer/model/mesh_model.h"
#include "renderer/scene/ground_smoke.h"
#include "renderer/scene/scene.h"
#include "tests/common/dib_builder.h"
#include "tests/common/files.h"

namespace {

constexpr int kWidth = 1024, kHeight = 768;

// Four quadrants: red and blue at the bottom, green and white at the top.
std::vector<uint8_t> QuadrantPicture() {
    DibLayout layout;
    layout.width = 128;
    layout.height = 64;
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 128; ++x) {
            const bool right = x >= 64, top = y >= 32;
            const uint32_t rgb = top ? (right ? 0xFFFFFF : 0x00FF00) : (right ? 0x0000FF : 0xFF0000);
            layout.pixels.push_back(rgb & 0xFF);
            layout.pixels.push_back((rgb >> 8) & 0xFF);
            layout.pixels.push_back(rgb >> 16);
        }
    }
    return BuildDib(layout);
}

class GlScene : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(gl_.Ok());
        ASSERT_TRUE(folder_.Ok());
        ASSERT_TRUE(WriteBytes(kGroundPicturePath, QuadrantPicture()));
        ASSERT_TRUE(WriteBytes(kSmokePicturePath, ReadBytes(std::string(QM_RESOURCES) + "/smoke.bmp")));
        ASSERT_TRUE(wheel_.Load((std::string(QM_RESOURCES) + "/クイルモア.data").c_str()));

        // What the renderer's start-up does once its context is current.
        ResizeScene(kWidth, kHeight);
        ASSERT_TRUE(LoadSceneTextures());
        pictures_ = {SceneTextures[1], SceneTextures[2]};
        scene_.Reset();
        wheel_.ReloadTextures();
        SetSceneGlState();
    }

    // A step, drawn as its frame.
    void StepAndDraw() {
        scene_.Step();
        DrawScene(scene_.View(), pictures_, &wheel_);
    }

    // Share of the frame's pixels within `tolerance` of (r, g, b) in every channel, in the box
    // [x0, x1) x [y0, y1) counted from the bottom left.
    double Share(int r, int g, int b, int tolerance, int x0 = 0, int y0 = 0, int x1 = kWidth, int y1 = kHeight) {
        const std::vector<unsigned char>& px = gl_.Pixels();
        int hits = 0;
        for (int y = y0; y < y1; ++y) {
            for (int x = x0; x < x1; ++x) {
                const unsigned char* p = &px[(size_t(y) * kWidth + x) * 4];
                hits += std::abs(p[0] - r) <= tolerance && std::abs(p[1] - g) <= tolerance && std::abs(p[2] - b) <= tolerance;
            }
        }
        return double(hits) / ((x1 - x0) * (y1 - y0));
    }

    OffscreenGl gl_{kWidth, kHeight};
    Ms3dModel wheel_;
    Scene scene_;
    ScenePictures pictures_;
    ScratchFolder folder_{TestFolder() + "gl_scene"};
};

TEST_F(GlScene, GroundShowsThePictureAndWheelsSitInTheMiddle) {
    StepAndDraw();
    EXPECT_GT(Share(255, 0, 0, 40), 0.02);
    EXPECT_GT(Share(0, 0, 255, 40), 0.02);
    EXPECT_GT(Share(0, 255, 0, 40), 0.02);
    EXPECT_GT(Share(255, 255, 255, 40), 0.02);
    // The ground has no dark colour; near the centre, where the orbit camera looks, the tyres do.
    EXPECT_GT(Share(20, 20, 20, 40, 312, 184, 712, 584), 0.003);
    EXPECT_EQ(Share(20, 20, 20, 40, 0, 0, kWidth, 100), 0.0);
}

TEST_F(GlScene, FirstFrameLooksAtTheVehicleFromTheOrbit) {
    const float posX = scene_.vehicle.posX, posZ = scene_.vehicle.posZ;
    StepAndDraw();
    GLdouble drawn[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, drawn);
    glLoadIdentity();
    gluLookAt(scene_.camera.orbitX, 8.0, scene_.camera.orbitZ, posX, 0.0, posZ, 0.0, 1.0, 0.0);
    GLdouble expected[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, expected);
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(drawn[i], expected[i], 1e-5) << i;
}

TEST_F(GlScene, SmokeOnlyAddsLight) {
    // The smoke picture in red only: smoke drawn with it adds red and nothing else, where the
    // ground's picture (or none) would add other colours, and drawing over would take some away.
    RgbImage* puff = LoadImageFile((std::string(QM_RESOURCES) + "/smoke.bmp").c_str());
    ASSERT_NE(puff, nullptr);
    for (int i = 0; i < puff->width * puff->height; ++i) puff->data[3 * i + 1] = puff->data[3 * i + 2] = 0;
    GLuint red = 0;
    glGenTextures(1, &red);
    glBindTexture(GL_TEXTURE_2D, red);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_NEAREST);
    ASSERT_TRUE(BuildTextureMipmaps(puff->width, puff->height, puff->data));
    FreeRgbImage(puff);
    pictures_.smoke = red;
    // The same frame twice: once with every puff at size 0, once with the puffs as they are.
    for (int frame = 0; frame < 30; ++frame) StepAndDraw();  // the first set of puffs is gone
    const VehicleState vehicle = scene_.vehicle;
    const CameraState camera = scene_.camera;
    SmokeParticle smoke[kSmokeCount];
    std::copy(std::begin(scene_.smoke), std::end(scene_.smoke), smoke);
    auto frameWith = [&](bool puffs) {
        scene_.vehicle = vehicle;
        scene_.camera = camera;
        std::copy(std::begin(smoke), std::end(smoke), scene_.smoke);
        if (!puffs) {
            for (SmokeParticle& p : scene_.smoke) p.life = 0.0f;
        }
        scene_.random.SeedRandom(99);
        StepAndDraw();
        return gl_.Pixels();
    };
    const std::vector<unsigned char> without = frameWith(false);
    const std::vector<unsigned char> with = frameWith(true);
    int brighter = 0;
    for (size_t i = 0; i < with.size(); i += 4) {
        ASSERT_GE(with[i] + 1, without[i]) << "pixel " << i / 4;
        for (int c = 1; c < 3; ++c) ASSERT_NEAR(with[i + c], without[i + c], 1) << "pixel " << i / 4;
        brighter += with[i] > without[i] + 8;
    }
    EXPECT_GT(brighter, 50);  // and there is smoke to see
}

TEST_F(GlScene, FrameThousandUsesTheRoadsideCamera) {
    for (int frame = 0; frame < 1000; ++frame) scene_.Step(false);
    ASSERT_EQ(scene_.camera.mode, CameraRoadside);
    const float posX = scene_.vehicle.posX, posZ = scene_.vehicle.posZ;
    const float eyeX = scene_.camera.roadsideX, eyeY = scene_.camera.roadsideY, eyeZ = scene_.camera.roadsideZ;
    StepAndDraw();
    GLdouble drawn[16], expected[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, drawn);
    glLoadIdentity();
    gluLookAt(eyeX, eyeY, eyeZ, posX, 1.0, posZ, 0.0, 1.0, 0.0);
    glGetDoublev(GL_MODELVIEW_MATRIX, expected);
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(drawn[i], expected[i], 1e-5) << i;
}

// Scenes side by side in one window, a monitor's each, in shapes other than 4:3 and below the
// window's top: each drawn in its viewport (counted from the window's bottom left) exactly as it
// would be alone in a window of its own size, over its own picture; black where no area is.
TEST(GlAreaScenes, EachSceneAsAloneInAWindowOfItsOwnSize) {
    constexpr int kW = 520, kH = 300;
    OffscreenGl gl(kW, kH);
    ASSERT_TRUE(gl.Ok());
    SetSceneGlState();
    // Two halves, so that the ground's cells show how wide the scene is drawn.
    auto halves = [](uint32_t left, uint32_t right) {
        unsigned char rgb[2 * 2 * 3];
        for (int i = 0; i < 4; ++i) {
            const uint32_t c = i % 2 ? right : left;
            rgb[3 * i] = c >> 16, rgb[3 * i + 1] = (c >> 8) & 0xFF, rgb[3 * i + 2] = c & 0xFF;
        }
        return TextureFromPixels(2, 2, rgb);
    };
    std::vector<AreaScene> scenes(2);
    scenes[0].area = {0, 40, 320, 180};  // 16:9, its top 80 rows below the window's
    scenes[0].pictures = {halves(0xFF0000, 0xFFFF00), 0};
    scenes[1].area = {330, 0, 160, 260};  // upright, its top 40 rows down, 30 columns from the right
    scenes[1].pictures = {halves(0x0000FF, 0x00FFFF), 0};
    for (AreaScene& s : scenes) {
        s.shown.scene.Reset();
        s.shown.Advance(2, true);
    }
    DrawAreaScenes(scenes, 1.0f, nullptr);
    const std::vector<unsigned char> together = gl.Pixels();
    auto at = [](const std::vector<unsigned char>& px, int x, int y) { return &px[(size_t(y) * kW + x) * 4]; };
    auto near = [](const unsigned char* p, uint32_t c) {
        return std::abs(p[0] - int(c >> 16)) < 60 && std::abs(p[1] - int((c >> 8) & 0xFF)) < 60 &&
               std::abs(p[2] - int(c & 0xFF)) < 60;
    };
    const uint32_t own[2][2] = {{0xFF0000, 0xFFFF00}, {0x0000FF, 0x00FFFF}};
    for (size_t i = 0; i < scenes.size(); ++i) {
        const SceneArea& a = scenes[i].area;
        ResizeScene(a.width, a.height);
        DrawScene(scenes[i].shown.previous, scenes[i].shown.scene.View(), 1.0f, scenes[i].pictures, nullptr);
        const std::vector<unsigned char>& alone = gl.Pixels();
        int differ = 0, mine = 0, others = 0;
        for (int y = 0; y < a.height; ++y) {
            for (int x = 0; x < a.width; ++x) {
                const unsigned char *p = at(together, a.x + x, a.y + y), *q = at(alone, x, y);
                differ += std::abs(p[0] - q[0]) > 30 || std::abs(p[1] - q[1]) > 30 || std::abs(p[2] - q[2]) > 30;
                mine += near(p, own[i][0]) || near(p, own[i][1]);
                others += near(p, own[1 - i][0]) || near(p, own[1 - i][1]);
            }
        }
        const double pixels = double(a.width) * a.height;
        EXPECT_LT(differ / pixels, 0.01) << "scene " << i << " is not drawn as alone at its size";
        EXPECT_GT(mine / pixels, 0.2) << "scene " << i << "'s own ground";
        EXPECT_EQ(others, 0) << "the other picture in scene " << i;
    }
    int lit = 0;
    for (int y = 0; y < kH; ++y) {
        for (int x = 0; x < kW; ++x) {
            const bool inside = std::any_of(scenes.begin(), scenes.end(), [&](const AreaScene& s) {
                return x >= s.area.x && x < s.area.x + s.area.width && y >= s.area.y && y < s.area.y + s.area.height;
            });
            const unsigned char* p = at(together, x, y);
            lit += !inside && (p[0] || p[1] || p[2]);
        }
    }
    EXPECT_EQ(lit, 0) << "pixels outside every area";
}

}  // namespace
