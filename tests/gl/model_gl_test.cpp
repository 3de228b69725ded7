// The wheel model drawn by the real Draw into an offscreen Mesa context.
#include <gtest/gtest.h>

#include <string>

#include "offscreen_gl.h"
#include "renderer/common/gl_api.h"
#include "renderer/model/mesh_model.h"

namespace {

const std::string kWheel = std::string(QM_RESOURCES) + "/クイルモア.data";

// Share of the viewport that the model covers, drawn lit under an orthographic view of
// [-1, 1] x [-1, 1] after `turn` degrees about the vertical axis.
double Coverage(OffscreenGl& gl, const MeshModel& model, float turn) {
    glViewport(0, 0, gl.Width(), gl.Height());
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-1, 1, -1, 1, -10, 10);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    const GLfloat light[4] = {0.0f, 15.0f, 10.0f, 1.0f};
    glLightfv(GL_LIGHT0, GL_POSITION, light);
    glEnable(GL_LIGHT0);
    glEnable(GL_LIGHTING);
    glEnable(GL_DEPTH_TEST);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glRotatef(turn, 0, 1, 0);
    model.Draw();
    const std::vector<unsigned char>& pixels = gl.Pixels();
    size_t covered = 0;
    for (size_t i = 0; i < pixels.size(); i += 4) covered += (pixels[i] | pixels[i + 1] | pixels[i + 2]) != 0;
    return double(covered) / (gl.Width() * gl.Height());
}

TEST(GlModel, TheWheelIsRoundEndOnAndARectangleSideOn) {
    OffscreenGl gl(256, 256);
    ASSERT_TRUE(gl.Ok());
    Ms3dModel wheel;
    ASSERT_TRUE(wheel.Load(kWheel.c_str()));
    // The axle (x) turned towards the eye: a disc of radius 0.95 in a 2 x 2 view.
    EXPECT_NEAR(Coverage(gl, wheel, -90.0f), 3.14159 * 0.95 * 0.95 / 4, 0.02);
    // Seen along z: the tyre's 0.8 width by its 1.9 height (the shoulders are rounded).
    EXPECT_NEAR(Coverage(gl, wheel, 0.0f), 0.8 * 1.9 / 4, 0.03);
    // The outer face and the back both show: both sides are closed.
    EXPECT_NEAR(Coverage(gl, wheel, 90.0f), Coverage(gl, wheel, -90.0f), 0.01);
}

TEST(GlModel, DrawLeavesTexturingAsItFoundIt) {
    OffscreenGl gl(32, 32);
    ASSERT_TRUE(gl.Ok());
    Ms3dModel model;
    ASSERT_TRUE(model.Load((std::string(QM_TESTDATA) + "/ms3d/InvalidMaterialIndex.ms3d").c_str()));
    for (bool enabled : {true, false}) {
        if (enabled) {
            glEnable(GL_TEXTURE_2D);
        } else {
            glDisable(GL_TEXTURE_2D);
        }
        model.Draw();  // its one group names a material past the table: drawn without one
        EXPECT_EQ(glIsEnabled(GL_TEXTURE_2D), enabled ? GL_TRUE : GL_FALSE);
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    }
}

TEST(GlModel, MaterialsReachTheGl) {
    OffscreenGl gl(32, 32);
    ASSERT_TRUE(gl.Ok());
    Ms3dModel model;
    ASSERT_TRUE(model.Load((std::string(QM_TESTDATA) + "/ms3d/twospheres_withmats.ms3d").c_str()));
    model.Draw();
    // The last group drawn uses material 0; its diffuse colour is the current material's.
    GLfloat diffuse[4];
    glGetMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse);
    for (int i = 0; i < 4; ++i) EXPECT_FLOAT_EQ(diffuse[i], model.materials[0].diffuse[i]) << i;
    GLfloat shininess = 0;
    glGetMaterialfv(GL_FRONT, GL_SHININESS, &shininess);
    EXPECT_FLOAT_EQ(shininess, model.materials[0].shininess);
}

}  // namespace
