// The saver's picture of the screen, encoded as the session writes it: a 1920 x 1080 capture
// (32-bit pixels, rows from the top) mirrored into a BMP file, by the one-pass encoder the
// session uses and by the general per-pixel writer it replaced.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "saver/session/bmp_writer.h"

namespace {

std::vector<uint8_t> Capture(int width, int height) {
    std::vector<uint8_t> bgrx(size_t(width) * height * 4);
    for (size_t i = 0; i < bgrx.size(); ++i) bgrx[i] = static_cast<uint8_t>(i * 31 + (i >> 12));
    return bgrx;
}

void MirroredCapture(benchmark::State& state) {
    const int width = 1920, height = 1080, bits = static_cast<int>(state.range(0));
    const std::vector<uint8_t> capture = Capture(width, height);
    for (auto _ : state) benchmark::DoNotOptimize(EncodeMirroredCapture(capture.data(), width, height, bits));
}

void GeneralWriter(benchmark::State& state) {
    const int width = 1920, height = 1080, bits = static_cast<int>(state.range(0));
    const std::vector<uint8_t> capture = Capture(width, height);
    for (auto _ : state) {
        benchmark::DoNotOptimize(EncodeBmp(width, height, bits, [&](int x, int y, uint8_t rgb[3]) {
            const uint8_t* p = &capture[(size_t(y) * width + (width - 1 - x)) * 4];
            rgb[0] = p[2];
            rgb[1] = p[1];
            rgb[2] = p[0];
        }));
    }
}

}  // namespace

BENCHMARK(MirroredCapture)->Arg(32)->Arg(24)->Unit(benchmark::kMillisecond);
BENCHMARK(GeneralWriter)->Arg(32)->Arg(24)->Unit(benchmark::kMillisecond);
