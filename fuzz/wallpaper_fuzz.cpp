// libFuzzer target: any bytes as a wallpaper's file: its header read for its kind and size, and
// read as a JPEG at a half, a quarter or an eighth of its size (by the input's length). Each must
// refuse or read without reading or writing out of bounds; a picture read has the size asked
// for, and its pixels are all touched.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "saver/ground/jpeg_reduced.h"
#include "saver/ground/picture_header.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const PictureHeader header = ReadPictureHeader(data, size);
    if (header.size.width < 0 || header.size.height < 0) std::abort();
    const int denominator = 2 << (size % 3);
    BgrPicture picture;
    if (ReadJpegReduced(data, size, denominator, picture) == ReducedJpeg::Read) {
        if (header.format != PictureFormat::Jpeg || picture.width != (header.size.width + denominator - 1) / denominator ||
            picture.bgr.size() != size_t(picture.width) * picture.height * 3) {
            std::abort();
        }
        unsigned sum = 0;
        for (uint8_t b : picture.bgr) sum += b;
        volatile unsigned sink = sum;
        (void)sink;
    }
    return 0;
}
