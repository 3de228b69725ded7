// A picture file's kind and size read from its header alone, before any decoder sees it, so that
// a picture too large to decode is refused without a byte of its pixels read.
#pragma once

#include <cstddef>
#include <cstdint>

#include "placement.h"

struct PictureHeader {
    PictureFormat format = PictureFormat::Other;
    PixelSize size;  // 0 x 0 where the header does not give it (a format not read here)
};

// The kind by the first bytes (JPEG, PNG, GIF, BMP, TIFF; anything else is Other), and the size
// as the header states it: JPEG its frame; PNG its IHDR; GIF the larger of its logical screen
// and its first image; BMP its info header; TIFF its first directory's width and length. A
// header that is cut short or inconsistent gives a size of 0 x 0 (a file to refuse).
PictureHeader ReadPictureHeader(const uint8_t* data, size_t size);
