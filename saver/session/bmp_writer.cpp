#include "bmp_writer.h"

#include <cstring>

namespace {

void Put(uint8_t* at, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) at[i] = static_cast<uint8_t>(v >> (8 * i));
}

struct BmpLayout {
    uint32_t bytesPerPixel;
    uint32_t stride;  // bytes per row, padded to four
    std::vector<uint8_t> file;
};

// The file with its 54-byte header written and the pixel rows zeroed (padding stays zero).
BmpLayout StartBmp(int width, int height, int& bits) {
    if (bits != 32) bits = 24;
    BmpLayout layout;
    layout.bytesPerPixel = static_cast<uint32_t>(bits / 8);
    layout.stride = (static_cast<uint32_t>(width) * layout.bytesPerPixel + 3) & ~3u;
    const uint32_t imageSize = layout.stride * static_cast<uint32_t>(height);
    layout.file.assign(54 + size_t(imageSize), 0);
    uint8_t* h = layout.file.data();
    h[0] = 'B';
    h[1] = 'M';
    Put(h + 2, 54 + imageSize, 4);
    Put(h + 10, 54, 4);
    Put(h + 14, 40, 4);
    Put(h + 18, static_cast<uint32_t>(width), 4);
    Put(h + 22, static_cast<uint32_t>(height), 4);
    Put(h + 26, 1, 2);
    Put(h + 28, static_cast<uint32_t>(bits), 2);
    // compression 0: uncompressed
    Put(h + 34, imageSize, 4);
    Put(h + 38, 3780, 4);  // 96 pixels per inch
    Put(h + 42, 3780, 4);
    return layout;
}

}  // namespace

std::vector<uint8_t> EncodeBmp(int width, int height, int bits, const PixelSource& pixel) {
    BmpLayout layout = StartBmp(width, height, bits);
    uint8_t rgb[3];
    for (int y = 0; y < height; ++y) {
        uint8_t* out = layout.file.data() + 54 + size_t(height - 1 - y) * layout.stride;
        for (int x = 0; x < width; ++x, out += layout.bytesPerPixel) {
            pixel(x, y, rgb);
            out[0] = rgb[2];
            out[1] = rgb[1];
            out[2] = rgb[0];
        }
    }
    return std::move(layout.file);
}

std::vector<uint8_t> EncodeMirroredCapture(const uint8_t* bgrx, int width, int height, int bits) {
    BmpLayout layout = StartBmp(width, height, bits);
    for (int y = 0; y < height; ++y) {
        const uint8_t* in = bgrx + (size_t(y) * width + width) * 4;  // one past the row's last pixel
        uint8_t* out = layout.file.data() + 54 + size_t(height - 1 - y) * layout.stride;
        if (layout.bytesPerPixel == 4) {
            for (int x = 0; x < width; ++x, out += 4) {
                in -= 4;
                std::memcpy(out, in, 3);  // the fourth byte stays 0
            }
        } else {
            for (int x = 0; x < width; ++x, out += 3) {
                in -= 4;
                out[0] = in[0];
                out[1] = in[1];
                out[2] = in[2];
            }
        }
    }
    return std::move(layout.file);
}
