// Our mipmap chain against GLU's: every level read back from two textures, one built by
// gluBuild2DMipmaps and one by our code, over pictures of the sizes screens and models bring.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "offscreen_gl.h"
#include "renderer/common/gl_api.h"
#include "renderer/image/mipmap.h"
#include "renderer/image/textures.h"

namespace {

struct Level {
    int width = 0, height = 0;
    std::vector<unsigned char> rgb;
};

std::vector<Level> ReadLevels(GLuint texture) {
    std::vector<Level> levels;
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    for (int n = 0;; ++n) {
        Level level;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, n, GL_TEXTURE_WIDTH, &level.width);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, n, GL_TEXTURE_HEIGHT, &level.height);
        if (level.width == 0 || level.height == 0) break;
        level.rgb.resize(size_t(level.width) * level.height * 3);
        glGetTexImage(GL_TEXTURE_2D, n, GL_RGB, GL_UNSIGNED_BYTE, level.rgb.data());
        levels.push_back(std::move(level));
    }
    return levels;
}

// A picture with detail at every scale: smooth ramps, a hard-edged checker that does not line
// up with any power of two, and noise, so that each way of weighting the pixels shows.
std::vector<unsigned char> Picture(int w, int h) {
    std::vector<unsigned char> rgb(size_t(w) * h * 3);
    uint32_t noise = 12345;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            noise = noise * 1103515245u + 12345u;
            unsigned char* p = &rgb[(size_t(y) * w + x) * 3];
            p[0] = static_cast<unsigned char>(x * 255 / std::max(1, w - 1) + (noise >> 28));
            p[1] = ((x / 7 + y / 5) & 1) ? 230 : 20;
            p[2] = static_cast<unsigned char>(noise >> 24);
        }
    }
    return rgb;
}

GLuint NewTexture() {
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    return name;
}

class MipmapChain : public testing::TestWithParam<std::pair<int, int>> {
protected:
    void SetUp() override { ASSERT_TRUE(gl_.Ok()); }
    OffscreenGl gl_{16, 16};
};

TEST_P(MipmapChain, EveryLevelMatchesGluWithinOne) {
    const int w = GetParam().first, h = GetParam().second;
    const std::vector<unsigned char> picture = Picture(w, h);
    const GLuint ours = NewTexture();
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);  // ours sets what it needs
    ASSERT_TRUE(BuildTextureMipmaps(w, h, picture.data()));
    const std::vector<Level> actual = ReadLevels(ours);

    // GLU's scaler gives a picture one row high that needs scaling no height: its box over the
    // rows is empty, and the whole level comes out black. Its answer for the same row given
    // twice (scaled across alike, rows untouched) is what that level should be; the levels
    // below it then differ by the rounding of 2 x 2 and 2 x 1 means, so only sizes are compared.
    const bool oneScaledRow = h == 1 && w != MipmapBaseSize(w, h, 1 << 30).width;
    std::vector<unsigned char> reference = picture;
    if (oneScaledRow) reference.insert(reference.end(), picture.begin(), picture.end());
    const GLuint glu = NewTexture();
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    ASSERT_EQ(gluBuild2DMipmaps(GL_TEXTURE_2D, 3, w, oneScaledRow ? 2 : h, GL_RGB, GL_UNSIGNED_BYTE, reference.data()), 0);
    std::vector<Level> expected = ReadLevels(glu);
    if (oneScaledRow) {
        ASSERT_EQ(expected[0].height, 2);
        expected[0].height = 1;
        expected[0].rgb.resize(expected[0].rgb.size() / 2);
    }

    ASSERT_FALSE(expected.empty());
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t n = 0; n < actual.size(); ++n) {
        const Level& a = actual[n];
        const Level& e = expected[n];
        ASSERT_EQ(a.width, e.width) << "level " << n;
        if (oneScaledRow && n > 0) continue;  // GLU's halves of two rows, ours of one
        ASSERT_EQ(a.height, e.height) << "level " << n;
        // Ours sums in fixed point (14-bit weights, rows kept to 1/128), GLU in floating point,
        // and both round the mean down: where a mean lies within a few hundredths of a whole
        // number the two can fall on either side of it. One step per channel is all they may
        // differ by, and in a few bytes in a hundred at most (a rounding rule of their own,
        // such as the halving's, would move every other byte).
        int worst = 0;
        size_t worstAt = 0, differing = 0;
        for (size_t i = 0; i < e.rgb.size(); ++i) {
            const int d = std::abs(int(a.rgb[i]) - int(e.rgb[i]));
            differing += d != 0;
            if (d > worst) worst = d, worstAt = i;
        }
        EXPECT_LE(worst, 1) << "level " << n << " (" << e.width << " x " << e.height << "), byte " << worstAt;
        if (e.rgb.size() >= 3000) {
            EXPECT_LE(differing, e.rgb.size() * 3 / 100) << "level " << n;
        }
    }
    glDeleteTextures(1, &glu);
    glDeleteTextures(1, &ours);
}

INSTANTIATE_TEST_SUITE_P(Sizes, MipmapChain,
                         testing::Values(std::make_pair(64, 64), std::make_pair(256, 32), std::make_pair(37, 23),
                                         std::make_pair(1366, 768), std::make_pair(1920, 1080),
                                         std::make_pair(3840, 2160), std::make_pair(1, 300), std::make_pair(300, 1),
                                         std::make_pair(1, 1), std::make_pair(3, 5)),
                         [](const testing::TestParamInfo<std::pair<int, int>>& info) {
                             return std::to_string(info.param.first) + "x" + std::to_string(info.param.second);
                         });

}  // namespace
