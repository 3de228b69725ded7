// Decoding of a device-independent bitmap held in memory into an RgbImage.
//
// Accepts a file image with or without the 14-byte "BM" file header, and the 12-byte core and
// 40-byte info headers. Pixel formats: 1, 4 and 8 bits with a colour table, 16 bits (5-5-5, or
// by bit-field masks), 24 bits, 32 bits (B G R x, or by bit-field masks), RLE8 and RLE4.
// Every read is bounded by the buffer; nothing is allocated before the sizes are checked.
#pragma once

#include <cstddef>
#include <cstdint>

#include "rgb_image.h"

enum class DibError {
    None,
    UnknownFormat,    // header size neither 12 nor 40, or the header is cut short
    OutOfMemory,      // no memory, or a size no bitmap surface could take (zero, negative, absurd)
    ConversionError,  // pixel data that cannot be converted: bad format, truncated, bad RLE
};

// Longest side accepted, in pixels: an 8K screen (7680 x 4320) fits. A picture may claim any
// size in a few bytes (run-length data), so what it claims is bounded before anything is
// allocated: at most 8192 x 8192 x 3 bytes (192 MiB) for the largest picture accepted.
constexpr int64_t kMaxDibSide = 8192;

// Returns None and sets *out to a new image (free with FreeRgbImage), or the reason for refusal
// with *out set to null.
DibError DecodeDib(const uint8_t* bytes, size_t size, RgbImage** out);
