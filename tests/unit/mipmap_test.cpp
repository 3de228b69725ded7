// The mipmap chain's level sizes: the power of two GLU picks for a side, and the joint halving
// that keeps level 0 within the GL's largest texture (the GL ring compares the pixels with GLU).
#include <gtest/gtest.h>

#include "renderer/image/mipmap.h"

namespace {

TEST(MipmapSizes, SidesAndTheLargestTexture) {
    // A side rounds down to a power of two unless its two leading bits are both set.
    const int sides[][2] = {{1, 1},       {2, 2},       {3, 4},       {5, 4},       {6, 8},       {64, 64},
                            {768, 1024},  {1080, 1024}, {1366, 1024}, {1920, 2048}, {2160, 2048}, {3840, 4096},
                            {4320, 4096}, {7680, 8192}, {8191, 8192}, {8192, 8192}};
    for (const auto& s : sides) EXPECT_EQ(MipmapSide(s[0]), s[1]) << s[0];

    // Too large for the GL: both sides halve together, never below 1.
    const int sizes[][5] = {{1920, 1080, 16384, 2048, 1024}, {7680, 4320, 4096, 4096, 2048},
                            {7680, 4320, 2048, 2048, 1024},  {3000, 1, 1024, 1024, 1},
                            {1, 8000, 2048, 1, 2048},        {1, 4000, 2048, 1, 2048},
                            {8192, 8192, 1, 1, 1}};
    for (const auto& s : sizes) {
        const MipmapSize size = MipmapBaseSize(s[0], s[1], s[2]);
        EXPECT_EQ(size.width, s[3]) << s[0] << " x " << s[1] << " within " << s[2];
        EXPECT_EQ(size.height, s[4]) << s[0] << " x " << s[1] << " within " << s[2];
    }
}

// A picture of exactly twice the chosen size both ways (a GL whose largest texture made the
// halving necessary) is halved straight into level 0: each pixel the mean of its 2 x 2 block,
// rounded to nearest, opaque.
TEST(MipmapScaling, AnExactHalvingRoundsToNearest) {
    // Two by four RGB pixels, the red channel worked through; green and blue a flat 7 and 200.
    const uint8_t red[2][4] = {{10, 11, 20, 24}, {12, 13, 0, 1}};
    uint8_t rgb[2 * 4 * 3];
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 4; ++x) {
            rgb[(y * 4 + x) * 3] = red[y][x];
            rgb[(y * 4 + x) * 3 + 1] = 7;
            rgb[(y * 4 + x) * 3 + 2] = 200;
        }
    }
    uint8_t out[2 * 4];
    ScaleRgbToQuads(rgb, 4, 2, out, 2, 1);
    // (10 + 11 + 12 + 13) / 4 = 11.5 -> 12; (20 + 24 + 0 + 1) / 4 = 11.25 -> 11.
    const uint8_t expected[8] = {12, 7, 200, 255, 11, 7, 200, 255};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(out[i], expected[i]) << i;
}

// Scaled down by more than two (a GL whose largest texture is small): each pixel the mean of
// the area it covers. A picture 9 x 9 to 2 x 2, red rising by 10 a column and green by 10 a
// row: the mean of a ramp over a box is its value at the box's middle, 4.5 pixels a box, so
// 10 x 1.75 = 17.5 and 10 x 6.25 = 62.5, rounded down; blue a flat 99 stays 99.
TEST(MipmapScaling, AStrongReductionTakesAreaMeans) {
    uint8_t rgb[9 * 9 * 3];
    for (int y = 0; y < 9; ++y) {
        for (int x = 0; x < 9; ++x) {
            rgb[(y * 9 + x) * 3] = static_cast<uint8_t>(10 * x);
            rgb[(y * 9 + x) * 3 + 1] = static_cast<uint8_t>(10 * y);
            rgb[(y * 9 + x) * 3 + 2] = 99;
        }
    }
    uint8_t out[2 * 2 * 4];
    ScaleRgbToQuads(rgb, 9, 9, out, 2, 2);
    const int means[2] = {17, 62};
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 2; ++x) {
            const uint8_t* p = &out[(y * 2 + x) * 4];
            EXPECT_EQ(p[0], means[x]) << x << "," << y;
            EXPECT_EQ(p[1], means[y]) << x << "," << y;
            EXPECT_EQ(p[2], 99) << x << "," << y;
            EXPECT_EQ(p[3], 255) << x << "," << y;
        }
    }
}

}  // namespace
