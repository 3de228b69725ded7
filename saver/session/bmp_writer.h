// Writing pictures as uncompressed BMP files (24 or 32 bits per pixel, bottom row first).
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

// The colour of pixel (x, y), y counted from the top: red, green, blue.
using PixelSource = std::function<void(int x, int y, uint8_t rgb[3])>;

// A whole BMP file; bits is 24 or 32 (anything else is written as 24).
std::vector<uint8_t> EncodeBmp(int width, int height, int bits, const PixelSource& pixel);
