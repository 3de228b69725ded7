// The wallpaper ground's own work, natively: a 3840 x 2160 photograph-like JPEG read at a half
// of its size from its coefficients, against stb_image's decode of it whole (what a decoder that
// cannot scale pays); and the ground composed from it for a 1920 x 1080 monitor (fill).
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_JPEG
#include <stb_image.h>
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

#include "saver/ground/jpeg_reduced.h"
#include "saver/ground/placement.h"

namespace {

// A 3840 x 2160 JPEG at quality 90 (colour at half resolution) of smooth shades and fine
// texture, as a photograph has.
const std::vector<uint8_t>& Photograph() {
    static std::vector<uint8_t> file;
    if (!file.empty()) return file;
    const int w = 3840, h = 2160;
    std::vector<uint8_t> rgb(size_t(w) * h * 3);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            uint8_t* p = &rgb[(size_t(y) * w + x) * 3];
            const double grain = std::sin(x * 0.9 + y * 0.3) * std::cos(y * 1.7 - x * 0.2) * 20;
            p[0] = uint8_t(std::lround(100 + 80 * std::sin(x / 300.0) + grain));
            p[1] = uint8_t(std::lround(120 + 60 * std::cos(y / 200.0) + grain));
            p[2] = uint8_t(std::lround(128 + 90 * std::sin((x + y) / 500.0) - grain));
        }
    }
    stbi_write_jpg_to_func(
        [](void* out, void* data, int size) {
            auto* bytes = static_cast<std::vector<uint8_t>*>(out);
            bytes->insert(bytes->end(), static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
        },
        &file, w, h, 3, rgb.data(), 90);
    return file;
}

void ReducedByHalf(benchmark::State& state) {
    const std::vector<uint8_t>& file = Photograph();
    for (auto _ : state) {
        BgrPicture picture;
        benchmark::DoNotOptimize(ReadJpegReduced(file.data(), file.size(), 2, picture));
    }
}

void WholeByStbImage(benchmark::State& state) {
    const std::vector<uint8_t>& file = Photograph();
    for (auto _ : state) {
        int w = 0, h = 0, n = 0;
        stbi_uc* pixels = stbi_load_from_memory(file.data(), int(file.size()), &w, &h, &n, 3);
        benchmark::DoNotOptimize(pixels);
        stbi_image_free(pixels);
    }
}

void ComposedFill1080(benchmark::State& state) {
    const std::vector<uint8_t>& file = Photograph();
    BgrPicture picture;
    ReadJpegReduced(file.data(), file.size(), 2, picture);
    const PixelRect monitor{0, 0, 1920, 1080};
    const Placement fill = PlaceWallpaper(WallpaperPosition::Fill, {3840, 2160}, monitor, monitor, TileOrigin::PrimaryMonitor);
    for (auto _ : state) benchmark::DoNotOptimize(ComposeGround(&picture, fill, Rgb(), 1920, 1080));
}

}  // namespace

BENCHMARK(ReducedByHalf)->Unit(benchmark::kMillisecond);
BENCHMARK(WholeByStbImage)->Unit(benchmark::kMillisecond);
BENCHMARK(ComposedFill1080)->Unit(benchmark::kMillisecond);
