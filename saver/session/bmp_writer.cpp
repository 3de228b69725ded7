#include "bmp_writer.h"

namespace {

void Put(std::vector<uint8_t>& b, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

}  // namespace

std::vector<uint8_t> EncodeBmp(int width, int height, int bits, const PixelSource& pixel) {
    if (bits != 32) bits = 24;
    const uint32_t bytesPerPixel = static_cast<uint32_t>(bits / 8);
    const uint32_t stride = (static_cast<uint32_t>(width) * bytesPerPixel + 3) & ~3u;
    const uint32_t imageSize = stride * static_cast<uint32_t>(height);
    std::vector<uint8_t> b;
    b.reserve(54 + imageSize);
    b.push_back('B');
    b.push_back('M');
    Put(b, 54 + imageSize, 4);
    Put(b, 0, 4);
    Put(b, 54, 4);
    Put(b, 40, 4);
    Put(b, static_cast<uint32_t>(width), 4);
    Put(b, static_cast<uint32_t>(height), 4);
    Put(b, 1, 2);
    Put(b, static_cast<uint32_t>(bits), 2);
    Put(b, 0, 4);  // uncompressed
    Put(b, imageSize, 4);
    Put(b, 3780, 4);  // 96 pixels per inch
    Put(b, 3780, 4);
    Put(b, 0, 4);
    Put(b, 0, 4);
    uint8_t rgb[3];
    for (int row = height - 1; row >= 0; --row) {
        const size_t start = b.size();
        for (int x = 0; x < width; ++x) {
            pixel(x, row, rgb);
            b.push_back(rgb[2]);
            b.push_back(rgb[1]);
            b.push_back(rgb[0]);
            if (bytesPerPixel == 4) b.push_back(0);
        }
        b.resize(start + stride, 0);
    }
    return b;
}
