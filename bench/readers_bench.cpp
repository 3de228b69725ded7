// Start-up costs of the renderer's two readers, each against a widely used reader of the same
// files in the same run: a 3840 x 2160 desktop picture at 24 and 32 bits (stb_image), and
// the Wuson model (assimp, without post-processing).
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <cstdio>
#include <string>
#include <vector>

#include <assimp/Importer.hpp>
#include <assimp/scene.h>

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_BMP
#include <stb_image.h>

#include "renderer/image/image_file.h"
#include "renderer/model/mesh_model.h"
#include "tests/common/dib_builder.h"
#include "tests/common/files.h"

namespace {

// glibc hands large blocks back to the kernel on every free and takes them again, page by page,
// on the next load, and when it does depends on what ran before. Keeping them in the heap makes
// every reader here pay the same for its memory, so the figures compare the readers' own work.
const bool kSteadyHeap = mallopt(M_MMAP_THRESHOLD, 256 << 20) && mallopt(M_TRIM_THRESHOLD, 512 << 20);

// Writes (once) a 3840 x 2160 picture of the given depth with busy content; returns its path.
const std::string& Desktop(int bits) {
    static std::string paths[33];
    std::string& path = paths[bits];
    if (!path.empty()) return path;
    path = TestFolder() + "desktop_" + std::to_string(bits) + ".bmp";  // this run's own folder
    DibLayout s;
    s.width = 3840;
    s.height = 2160;
    s.bitCount = static_cast<uint16_t>(bits);
    const size_t stride = (size_t(s.width) * bits / 8 + 3) / 4 * 4;
    s.pixels.resize(stride * s.height);
    uint32_t state = 12345;
    for (uint8_t& b : s.pixels) b = static_cast<uint8_t>((state = state * 1103515245u + 12345u) >> 24);
    const std::vector<uint8_t> file = BuildDib(s);
    if (!WriteBytes(path, file)) std::fprintf(stderr, "cannot write %s\n", path.c_str());
    return path;
}

void OursDib(benchmark::State& state) {
    const std::string& path = Desktop(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        RgbImage* image = LoadDibFile(path.c_str());
        benchmark::DoNotOptimize(image->data);
        FreeRgbImage(image);
    }
}

void StbDib(benchmark::State& state) {
    const std::string& path = Desktop(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        int w, h, n;
        unsigned char* data = stbi_load(path.c_str(), &w, &h, &n, 3);
        benchmark::DoNotOptimize(data);
        stbi_image_free(data);
    }
}

const std::string kWuson = std::string(QM_TESTDATA) + "/ms3d/Wuson.ms3d";

void OursMs3d(benchmark::State& state) {
    for (auto _ : state) {
        Ms3dModel model;
        benchmark::DoNotOptimize(model.Load(kWuson.c_str()));
    }
}

void AssimpMs3d(benchmark::State& state) {
    for (auto _ : state) {
        Assimp::Importer importer;
        const aiScene* scene = importer.ReadFile(kWuson, 0);
        benchmark::DoNotOptimize(scene);
    }
}

}  // namespace

BENCHMARK(OursDib)->Arg(24)->Arg(32)->Unit(benchmark::kMillisecond);
BENCHMARK(StbDib)->Arg(24)->Arg(32)->Unit(benchmark::kMillisecond);
BENCHMARK(OursMs3d)->Unit(benchmark::kMicrosecond);
BENCHMARK(AssimpMs3d)->Unit(benchmark::kMicrosecond);
