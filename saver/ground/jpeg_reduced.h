// A sequential JPEG read at a half, a quarter or an eighth of its size straight from its
// coefficients. Each pixel of the smaller picture is the mean of the d x d pixels of the full
// picture it stands for, worked out from the block's coefficients at once, so the full picture
// is never made: the memory used is that of the smaller picture. This is the decoder that
// scales where the system's has none (Wine's decodes the whole picture as it opens it).
#pragma once

#include <cstddef>
#include <cstdint>

#include "placement.h"

enum class ReducedJpeg {
    Read,
    // Sound, perhaps, but not of the kinds read here: progressive, lossless, arithmetic-coded,
    // 12-bit, four components (CMYK), sampling beyond 2 x 2, components in separate scans.
    Unsupported,
    // Cut short, or not what its headers say.
    Damaged,
};

// Reads the JPEG in `data` at 1/denominator (2, 4 or 8) of its size into `picture`:
// ceil(width / denominator) x ceil(height / denominator) pixels, as a scaling JPEG decoder
// gives them. A picture of more than kMaxDecodedPixels at that size is not read (Unsupported).
ReducedJpeg ReadJpegReduced(const uint8_t* data, size_t size, int denominator, BgrPicture& picture);
