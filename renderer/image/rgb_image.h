// The picture reader's result: packed RGB rows, bottom row first.
#pragma once

#include <cstdint>

struct RgbImage {
    int32_t width;        // pixels per row
    int32_t height;       // rows
    unsigned char* data;  // width * height * 3 bytes, R G B, no row padding, bottom row first
};

// Both the record and its pixels come from malloc; the caller frees the data, then the record.
// Frees both; accepts null.
void FreeRgbImage(RgbImage* image);
