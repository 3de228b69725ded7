// Textures made by the real reader in an offscreen Mesa context and read back.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "offscreen_gl.h"
#include "renderer/common/gl_api.h"
#include "renderer/image/load_errors.h"
#include "renderer/image/textures.h"
#include "tests/common/dib_builder.h"
#include "tests/common/files.h"

namespace {

struct Level0 {
    int width = 0, height = 0;
    std::vector<unsigned char> rgb;  // bottom row first
    const unsigned char* At(int x, int y) const { return &rgb[(size_t(y) * width + x) * 3]; }
};

Level0 ReadLevel0(unsigned int texture) {
    Level0 level;
    glBindTexture(GL_TEXTURE_2D, texture);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &level.width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &level.height);
    level.rgb.resize(size_t(level.width) * level.height * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, level.rgb.data());
    return level;
}

// A 24-bit picture, blue with a red stripe over columns [from, to).
std::vector<uint8_t> StripePicture(int width, int height, int from, int to) {
    DibLayout s;
    s.width = width;
    s.height = height;
    const int stride = (width * 3 + 3) / 4 * 4;
    s.pixels.assign(size_t(stride) * height, 0);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            uint8_t* p = &s.pixels[size_t(y) * stride + x * 3];
            const bool red = x >= from && x < to;
            p[0] = red ? 0 : 255;  // blue
            p[2] = red ? 255 : 0;  // red
        }
    }
    return BuildDib(s);
}

std::vector<uint8_t> GreyPicture() {
    DibLayout s;
    s.width = s.height = 64;
    s.bitCount = 8;
    for (uint32_t i = 0; i < 256; ++i) s.palette.push_back(i * 0x010101u);
    for (int i = 0; i < 64 * 64; ++i) s.pixels.push_back(static_cast<uint8_t>((i * 37) & 255));
    return BuildDib(s);
}

class GlTextures : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(gl_.Ok());
        ASSERT_TRUE(folder_.Ok());
        SceneTextures[1] = SceneTextures[2] = 0;
        LoadErrorLog().clear();
    }
    OffscreenGl gl_{64, 64};
    ScratchFolder folder_{TestFolder() + "gl_textures"};
};

TEST_F(GlTextures, WidePictureWithPaddedRowsShowsNoShear) {
    ASSERT_TRUE(WriteBytes("wide.bmp", StripePicture(1366, 96, 600, 700)));
    const unsigned int texture = LoadTextureFile("wide.bmp");
    ASSERT_NE(texture, 0u);
    const Level0 level = ReadLevel0(texture);
    ASSERT_GT(level.width, 0);
    // The stripe sits at the same columns in every row, where the scaling puts it.
    const double scale = level.width / 1366.0;
    for (int y = 0; y < level.height; ++y) {
        int first = -1, last = -1;
        for (int x = 0; x < level.width; ++x) {
            const unsigned char* p = level.At(x, y);
            if (p[0] > 128 && p[2] < 128) {
                if (first < 0) first = x;
                last = x;
            }
        }
        ASSERT_NEAR(first, 600 * scale, 2) << "row " << y;
        ASSERT_NEAR(last, 700 * scale, 2) << "row " << y;
    }
}

TEST_F(GlTextures, GreyPaletteStaysGreyAndExact) {
    ASSERT_TRUE(WriteBytes("grey.bmp", GreyPicture()));
    const unsigned int texture = LoadTextureFile("grey.bmp");
    ASSERT_NE(texture, 0u);
    const Level0 level = ReadLevel0(texture);
    ASSERT_EQ(level.width, 64);
    ASSERT_EQ(level.height, 64);
    for (int i = 0; i < 64 * 64; ++i) {
        const unsigned char* p = &level.rgb[size_t(i) * 3];
        ASSERT_EQ(p[0], (i * 37) & 255) << i;
        ASSERT_EQ(p[1], p[0]);
        ASSERT_EQ(p[2], p[0]);
    }
    // The filters the scene relies on.
    GLint mag = 0, min = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &mag);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &min);
    EXPECT_EQ(mag, GL_LINEAR);
    EXPECT_EQ(min, GL_LINEAR_MIPMAP_NEAREST);
}

TEST_F(GlTextures, SceneTexturesFromTheExchangePictures) {
    ASSERT_TRUE(WriteBytes(kGroundPicturePath, StripePicture(100, 50, 0, 50)));
    ASSERT_TRUE(WriteBytes(kSmokePicturePath, GreyPicture()));
    ASSERT_TRUE(LoadSceneTextures());
    EXPECT_NE(SceneTextures[1], 0u);
    EXPECT_NE(SceneTextures[2], 0u);
    EXPECT_NE(SceneTextures[1], SceneTextures[2]);
    EXPECT_EQ(SceneTextures[0], 0u);
    EXPECT_EQ(ReadLevel0(SceneTextures[2]).width, 64);
    EXPECT_TRUE(LoadErrorLog().empty());
    // Another monitor's ground: its photograph at its place and size, or none; given back when
    // its monitor goes, where the primary's stays.
    const ExchangePaths files = ExchangePathsFor("");
    ASSERT_TRUE(WriteBytes(GroundPicturePath(files, -16, 0, 16, 16), StripePicture(16, 16, 0, 5)));
    const unsigned int own = GroundTextureAt(files, -16, 0, 16, 16, 0);
    EXPECT_EQ(ReadLevel0(own).width, 16);
    EXPECT_EQ(GroundTextureAt(files, -16, 0, 16, 32, 7), 7u);
    ReleaseGroundTexture(own, 7);
    ReleaseGroundTexture(SceneTextures[1], 7);
    EXPECT_FALSE(glIsTexture(own));
    EXPECT_TRUE(glIsTexture(SceneTextures[1]));
}

TEST_F(GlTextures, OnePictureIsEnoughAndNoneFails) {
    ASSERT_TRUE(WriteBytes(kGroundPicturePath, StripePicture(10, 10, 0, 5)));
    ASSERT_TRUE(LoadSceneTextures());  // the smoke picture is missing: silent
    EXPECT_NE(SceneTextures[1], 0u);
    EXPECT_EQ(SceneTextures[2], 0u);
    EXPECT_TRUE(LoadErrorLog().empty());

    SceneTextures[1] = 0;
    ASSERT_EQ(std::remove(kGroundPicturePath), 0);
    EXPECT_FALSE(LoadSceneTextures());
    EXPECT_EQ(SceneTextures[1], 0u);
    // A link in a picture's place (the saver never writes one) is not followed.
    ASSERT_TRUE(WriteBytes("linked.bmp", StripePicture(10, 10, 0, 5)));
    ASSERT_EQ(symlink("linked.bmp", kGroundPicturePath), 0);
    EXPECT_FALSE(LoadSceneTextures());
}

TEST_F(GlTextures, AnEmptyGroundPictureIsReportedAndSkipped) {
    ASSERT_TRUE(WriteBytes(kGroundPicturePath, {}));
    ASSERT_TRUE(WriteBytes(kSmokePicturePath, GreyPicture()));
    ASSERT_TRUE(LoadSceneTextures());
    EXPECT_EQ(SceneTextures[1], 0u);
    EXPECT_NE(SceneTextures[2], 0u);
    EXPECT_EQ(LoadErrorLog(), std::vector<std::string>{"Failed to open DIB file c:\\q_mora\\Quillmoor1.bmp.\n"});
}

TEST(GlNoContext, NoTextureWithoutAContext) {
    // Nothing is current here: the model's first texture pass must leave no name behind.
    ASSERT_TRUE(WriteBytes(TestFolder() + "nocontext.bmp", GreyPicture()));
    EXPECT_FALSE(GlContextIsCurrent());
    EXPECT_EQ(LoadTextureFile((TestFolder() + "nocontext.bmp").c_str()), 0u);
}

}  // namespace
