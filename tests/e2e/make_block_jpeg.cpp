// Writes a JPEG of flat 8 x 8 blocks in four quarters of four colours, of any size, cheaply (a
// 16000 x 16000 picture in a fraction of a second, where ImageMagick's limits refuse it).
// usage: make_block_jpeg OUT WIDTH HEIGHT RRGGBB RRGGBB RRGGBB RRGGBB
//        (the top left, top right, bottom left and bottom right quarters)
#include <cstdio>
#include <cstdlib>

#include "tests/common/block_jpeg.h"

int main(int argc, char** argv) {
    if (argc != 8) {
        std::fprintf(stderr, "usage: make_block_jpeg OUT WIDTH HEIGHT RRGGBB RRGGBB RRGGBB RRGGBB\n");
        return 2;
    }
    const int width = std::atoi(argv[2]), height = std::atoi(argv[3]);
    uint8_t quarters[4][3];
    for (int q = 0; q < 4; ++q) {
        const unsigned long rgb = std::strtoul(argv[4 + q], nullptr, 16);
        quarters[q][0] = uint8_t(rgb >> 16), quarters[q][1] = uint8_t(rgb >> 8), quarters[q][2] = uint8_t(rgb);
    }
    const int blocksX = (width + 7) / 8, blocksY = (height + 7) / 8;
    BlockJpegWriter writer(width, height, blocksX);  // a restart marker at each row of blocks
    const std::vector<uint8_t> file = writer.Write([&](int bx, int by, uint8_t rgb[3]) {
        const uint8_t* c = quarters[(by >= blocksY / 2) * 2 + (bx >= blocksX / 2)];
        rgb[0] = c[0], rgb[1] = c[1], rgb[2] = c[2];
    });
    std::FILE* out = std::fopen(argv[1], "wb");
    if (!out) return 1;
    const bool written = std::fwrite(file.data(), 1, file.size(), out) == file.size();
    return std::fclose(out) == 0 && written ? 0 : 1;
}
