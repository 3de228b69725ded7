// Writing pictures as uncompressed BMP files (24 or 32 bits per pixel, bottom row first).
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

// The colour of pixel (x, y), y counted from the top: red, green, blue.
using PixelSource = std::function<void(int x, int y, uint8_t rgb[3])>;

// A whole BMP file; bits is 24 or 32 (anything else is written as 24).
std::vector<uint8_t> EncodeBmp(int width, int height, int bits, const PixelSource& pixel);

// The same file for a screen capture held as 32-bit blue-green-red-x pixels, rows from the top,
// mirrored left to right on the way: the picture's leftmost column is the capture's rightmost.
// Made in one pass over the pixels, as it runs while the user waits for the session.
std::vector<uint8_t> EncodeMirroredCapture(const uint8_t* bgrx, int width, int height, int bits);
