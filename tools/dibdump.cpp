// Decodes a BMP file with the renderer's reader and writes its pixels as raw RGB, top row
// first (the layout of ImageMagick's "rgb:" format), or prints the reader's message.
//
// usage: dibdump INPUT.bmp OUTPUT.rgb
#include <cstdio>

#include "renderer/image/image_file.h"
#include "renderer/image/load_errors.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s INPUT.bmp OUTPUT.rgb\n", argv[0]);
        return 2;
    }
    RgbImage* image = LoadDibFile(argv[1]);
    if (!image) {
        for (const std::string& m : LoadErrorLog()) std::fprintf(stderr, "dibdump: %s\n", m.c_str());
        return 1;
    }
    std::FILE* out = std::fopen(argv[2], "wb");
    bool ok = out != nullptr;
    const size_t row = static_cast<size_t>(image->width) * 3;
    for (int y = image->height - 1; ok && y >= 0; --y) {
        ok = std::fwrite(image->data + row * static_cast<size_t>(y), 1, row, out) == row;
    }
    if (out && std::fclose(out) != 0) ok = false;
    std::printf("%d %d\n", image->width, image->height);
    FreeRgbImage(image);
    return ok ? 0 : 1;
}
