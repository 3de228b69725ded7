// The wheel model drawn by the real Draw into an offscreen Mesa context.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "offscreen_gl.h"
#include "renderer/common/gl_api.h"
#include "renderer/model/mesh_model.h"
#include "renderer/model/texture_names.h"
#include "tests/common/dib_builder.h"
#include "tests/common/files.h"

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

// A model of one triangle over the whole view, with one material of our making.
class ScreenTriangle : public Ms3dModel {
public:
    ScreenTriangle() {
        const float corners[3][3] = {{-3, -3, 0}, {3, -3, 0}, {0, 6, 0}};
        vertexCount = 3;
        vertices.reset(new ModelVertex[3]);
        triangleCount = 1;
        triangles.reset(new ModelTriangle[1]);
        for (int c = 0; c < 3; ++c) {
            std::copy(corners[c], corners[c] + 3, vertices[c].position);
            triangles[0].normals[c][0] = triangles[0].normals[c][1] = 0, triangles[0].normals[c][2] = 1;
            triangles[0].s[c] = triangles[0].t[c] = 0.5f;
            triangles[0].vertexIndices[c] = c;
        }
        meshCount = 1;
        meshes.reset(new ModelMesh[1]);
        meshes[0].materialIndex = 0;
        meshes[0].triangleCount = 1;
        meshes[0].triangleIndices.reset(new int[1]{0});
        materialCount = 1;
        materials.reset(new ModelMaterial[1]);
        const float values[4][4] = {{0.1f, 0.2f, 0.3f, 1}, {0.4f, 0.5f, 0.6f, 1}, {0.7f, 0.8f, 0.9f, 1}, {0, 0.6f, 0, 1}};
        std::copy(values[0], values[0] + 4, materials[0].ambient);
        std::copy(values[1], values[1] + 4, materials[0].diffuse);
        std::copy(values[2], values[2] + 4, materials[0].specular);
        std::copy(values[3], values[3] + 4, materials[0].emissive);
        materials[0].shininess = 17.0f;
        materials[0].texture = 0;
    }
};

// Every colour of a material reaches the GL, its emission shows on an unlit scene, and a
// material that names a picture shows the picture.
TEST(GlModel, AMaterialsColoursAndPictureShow) {
    OffscreenGl gl(16, 16);
    ASSERT_TRUE(gl.Ok());
    ScreenTriangle model;
    glViewport(0, 0, 16, 16);
    glEnable(GL_LIGHTING);  // and no light: what shows is the emission and the scene's ambient
    glClear(GL_COLOR_BUFFER_BIT);
    model.Draw();
    const struct {
        GLenum name;
        const float* value;
    } fields[] = {{GL_AMBIENT, model.materials[0].ambient}, {GL_DIFFUSE, model.materials[0].diffuse},
                  {GL_SPECULAR, model.materials[0].specular}, {GL_EMISSION, model.materials[0].emissive}};
    for (const auto& f : fields) {
        GLfloat got[4];
        glGetMaterialfv(GL_FRONT, f.name, got);
        for (int i = 0; i < 4; ++i) EXPECT_FLOAT_EQ(got[i], f.value[i]) << std::hex << f.name << " " << i;
    }
    GLfloat shininess = 0;
    glGetMaterialfv(GL_FRONT, GL_SHININESS, &shininess);
    EXPECT_FLOAT_EQ(shininess, 17.0f);
    const unsigned char* centre = &gl.Pixels()[(8 * 16 + 8) * 4];
    // The emission (0, 0.6, 0) plus the GL's default ambient light 0.2 times the material's
    // ambient (0.1, 0.2, 0.3): 0.02, 0.64, 0.06.
    EXPECT_NEAR(centre[0], 5, 1);
    EXPECT_NEAR(centre[1], 163, 1);
    EXPECT_NEAR(centre[2], 15, 1);

    // A red picture named by the material, made into its texture, drawn unlit.
    ScratchFolder folder(TestFolder() + "gl_model");
    DibLayout red;
    red.width = red.height = 4;
    for (int i = 0; i < 16; ++i) red.pixels.insert(red.pixels.end(), {0, 0, 255});
    ASSERT_TRUE(WriteBytes("red.bmp", BuildDib(red)));
    model.materials[0].textureFile.reset(new char[8]{'r', 'e', 'd', '.', 'b', 'm', 'p', 0});
    model.ReloadTextures();
    ASSERT_NE(model.materials[0].texture, 0u);
    glDisable(GL_LIGHTING);
    glColor3f(1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glBindTexture(GL_TEXTURE_2D, 0);  // the material binds its own
    model.Draw();
    centre = &gl.Pixels()[(8 * 16 + 8) * 4];
    EXPECT_EQ(centre[0], 255);
    EXPECT_EQ(centre[1], 0);
    EXPECT_EQ(centre[2], 0);

    // A group whose material is past the table is drawn without a picture, whatever texturing
    // was on before: white in the current colour.
    model.meshes[0].materialIndex = 7;
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, model.materials[0].texture);
    glClear(GL_COLOR_BUFFER_BIT);
    model.Draw();
    centre = &gl.Pixels()[(8 * 16 + 8) * 4];
    EXPECT_EQ(centre[0], 255);
    EXPECT_EQ(centre[1], 255);
    EXPECT_EQ(centre[2], 255);
}

// Texture names as a planted model may give them: each distinct picture read once (letter case
// aside), at most a fixed number of them, and a device name never, even where a file of that
// name exists (as it may here, off Windows).
TEST(GlModel, EachDistinctTextureNameIsReadOnceAndOnlySoMany) {
    OffscreenGl gl(8, 8);
    ASSERT_TRUE(gl.Ok());
    ScratchFolder folder(TestFolder() + "gl_model_names");
    DibLayout grey;
    grey.width = grey.height = 4;
    for (int i = 0; i < 16; ++i) grey.pixels.insert(grey.pixels.end(), {90, 90, 90});
    std::vector<std::string> names = {"con.bmp"};
    for (int i = 0; i < kMaxModelTextures + 2; ++i) names.push_back("p" + std::to_string(i) + ".bmp");
    names.push_back("P0.BMP");
    for (const std::string& name : names) ASSERT_TRUE(WriteBytes(name, BuildDib(grey)));

    Ms3dModel model;
    model.materialCount = static_cast<int>(names.size());
    model.materials.reset(new ModelMaterial[names.size()]());
    for (size_t i = 0; i < names.size(); ++i) {
        model.materials[i].textureFile.reset(new char[names[i].size() + 1]);
        std::copy(names[i].c_str(), names[i].c_str() + names[i].size() + 1, model.materials[i].textureFile.get());
    }
    model.ReloadTextures();
    EXPECT_EQ(model.materials[0].texture, 0u) << "a device name was read";
    std::vector<unsigned int> made;
    for (int i = 1; i <= kMaxModelTextures; ++i) made.push_back(model.materials[i].texture);
    std::sort(made.begin(), made.end());
    EXPECT_NE(made.front(), 0u);
    EXPECT_EQ(std::unique(made.begin(), made.end()), made.end()) << "two names share a texture";
    EXPECT_EQ(model.materials[kMaxModelTextures + 1].texture, 0u) << "more names read than allowed";
    EXPECT_EQ(model.materials[kMaxModelTextures + 2].texture, 0u);
    EXPECT_EQ(model.materials[kMaxModelTextures + 3].texture, model.materials[1].texture) << "P0.BMP read again";

    // Names past the first so many distinct ones are not looked at, refused ones included: a
    // model of many materials costs one pass over them.
    Ms3dModel many;
    many.materialCount = static_cast<int>(kMaxExaminedTextureNames) + 1;
    many.materials.reset(new ModelMaterial[many.materialCount]());
    for (int i = 0; i < many.materialCount; ++i) {
        const std::string name = i < many.materialCount - 1 ? "nul." + std::to_string(i) : "p0.bmp";
        many.materials[i].textureFile.reset(new char[name.size() + 1]);
        std::copy(name.c_str(), name.c_str() + name.size() + 1, many.materials[i].textureFile.get());
    }
    many.ReloadTextures();
    EXPECT_EQ(many.materials[many.materialCount - 1].texture, 0u) << "a name past the examined ones was read";
}

}  // namespace
