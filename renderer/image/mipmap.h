// The mipmap chain of an RGB picture, built on the CPU: the sizes and the scaling that GLU's
// mipmap builder uses, in tight loops over rows. Portable; uploading the levels is the caller's.
//
// The levels are made four bytes a pixel (red, green, blue, 255): the GL stores an RGB texture
// four bytes a texel, and takes such pixels at the cost of a copy, where three-byte pixels are
// converted one by one.
#pragma once

#include <cstdint>
#include <functional>

struct MipmapSize {
    int width;
    int height;
};

// Returns the power of two that GLU picks for a side of n pixels (n >= 1): n rounded down to a
// power of two, except that a side whose two leading bits are both set rounds up (3 -> 4,
// 768 -> 1024, 1920 -> 2048, but 1080 -> 1024, 1366 -> 1024).
int MipmapSide(int n);

// Returns the size of level 0 for a width x height picture: both sides by MipmapSide, then both
// halved together (never below 1) until neither exceeds maxTextureSize.
MipmapSize MipmapBaseSize(int width, int height, int maxTextureSize);

// Scales packed RGB rows (sw x sh, no padding) to dw x dh four-byte pixels with an
// area-weighted box filter: each output pixel is the mean of the input area it covers, partly
// covered pixels weighted by the part covered, rounded down (fixed point, 14-bit weights).
void ScaleRgbToQuads(const uint8_t* src, int sw, int sh, uint8_t* dst, int dw, int dh);

// A part of a picture, in its pixels, fractions allowed: from (x, y), width x height.
struct PictureWindow {
    double x, y, width, height;
};

// The same filter over a window of the picture (lying within it): the window scaled to dw x dh
// four-byte pixels, the output rows `dstStride` bytes apart (a part of a larger picture). Three
// channels are scaled alike, whatever their order.
void ScaleRgbWindowToQuads(const uint8_t* src, int sw, int sh, const PictureWindow& window, uint8_t* dst, int dw,
                           int dh, size_t dstStride);

// Halves four-byte pixels: a w x h level (power-of-two sides, not both 1) becomes
// max(w/2,1) x max(h/2,1): each pixel the mean of the 2 x 2 pixels above it, rounded to
// nearest; where a side is 1, the mean of 2 neighbours, rounded down.
void HalveQuads(const uint8_t* src, int w, int h, uint8_t* dst);

// Builds every level of the chain for a width x height RGB picture (rows packed, bottom row
// first) and hands each to `level` in order, from level 0 down to 1 x 1, as four-byte pixels.
// Level 0 is the picture itself where its sides already are the chosen powers of two,
// otherwise the picture scaled by ScaleRgbToQuads; each further level is HalveQuads of the one
// before. Returns false when memory for the levels cannot be had (nothing is handed on then).
using MipmapLevelSink = std::function<void(int level, int width, int height, const uint8_t* quads)>;
bool BuildMipmapChain(const uint8_t* rgb, int width, int height, int maxTextureSize, const MipmapLevelSink& level);
