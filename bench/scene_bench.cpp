// The renderer's frame and start-up costs, natively in an offscreen Mesa context (llvmpipe) at
// the renderer's 1024 x 768: one DrawScene frame, and the start-up steps one by one (the
// model, the ground picture's decode and its mipmaps at 1920 x 1080 and 3840 x 2160, the first
// frame).
#include <benchmark/benchmark.h>
#include <GL/osmesa.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "renderer/common/gl_api.h"
#include "renderer/image/image_file.h"
#include "renderer/image/textures.h"
#include "renderer/model/mesh_model.h"
#include "renderer/scene/scene.h"
#include "tests/common/dib_builder.h"
#include "tests/common/files.h"

namespace {

constexpr int kWidth = 1024, kHeight = 768;
const std::string kWheel = std::string(QM_RESOURCES) + "/クイルモア.data";

// An offscreen context at the renderer's size with its projection, current for the process.
void EnsureContext() {
    static std::vector<unsigned char> pixels(size_t(kWidth) * kHeight * 4);
    static OSMesaContext context = nullptr;
    if (context) return;
    context = OSMesaCreateContextExt(OSMESA_RGBA, 16, 0, 0, nullptr);
    OSMesaMakeCurrent(context, pixels.data(), GL_UNSIGNED_BYTE, kWidth, kHeight);
    glViewport(0, 0, kWidth, kHeight);
    glMatrixMode(GL_PROJECTION);
    gluPerspective(45.0, double(kWidth) / kHeight, double(0.1f), 2000.0);
    glMatrixMode(GL_MODELVIEW);
    SetSceneGlState();
}

// A desktop-sized 24-bit picture written once, into this run's own folder; returns its path.
std::string Desktop(int width, int height) {
    const std::string path = TestFolder() + "desktop_" + std::to_string(width) + ".bmp";  // this run's own folder
    if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
        std::fclose(f);
        return path;
    }
    DibLayout layout;
    layout.width = width;
    layout.height = height;
    layout.pixels.resize(size_t((width * 3 + 3) / 4 * 4) * height);
    for (size_t i = 0; i < layout.pixels.size(); ++i) layout.pixels[i] = static_cast<uint8_t>((i * 7) ^ (i >> 11));
    const std::vector<uint8_t> file = BuildDib(layout);
    if (!WriteBytes(path, file)) std::fprintf(stderr, "cannot write %s\n", path.c_str());
    return path;
}

void DrawSceneFrame(benchmark::State& state) {
    EnsureContext();
    static Ms3dModel wheel;
    wheel.Load(kWheel.c_str());
    Scene scene;
    scene.Reset();
    for (auto _ : state) {
        scene.Step();
        DrawScene(scene.View(), {}, &wheel);
        glFinish();
    }
}

void ModelLoad(benchmark::State& state) {
    for (auto _ : state) {
        Ms3dModel wheel;
        benchmark::DoNotOptimize(wheel.Load(kWheel.c_str()));
    }
}

void PictureDecode(benchmark::State& state) {
    const std::string path = Desktop(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    for (auto _ : state) FreeRgbImage(LoadImageFile(path.c_str()));
}

// The ground picture's mipmap chain, as GLU builds it and as the renderer builds it now.
template <bool kOurs>
void PictureMipmaps(benchmark::State& state) {
    EnsureContext();
    RgbImage* image = LoadImageFile(Desktop(static_cast<int>(state.range(0)), static_cast<int>(state.range(1))).c_str());
    GLuint name;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    for (auto _ : state) {
        if (kOurs) {
            BuildTextureMipmaps(image->width, image->height, image->data);
        } else {
            gluBuild2DMipmaps(GL_TEXTURE_2D, 3, image->width, image->height, GL_RGB, GL_UNSIGNED_BYTE, image->data);
        }
        glFinish();
    }
    glDeleteTextures(1, &name);
    FreeRgbImage(image);
}
void GluMipmaps(benchmark::State& state) { PictureMipmaps<false>(state); }
void OurMipmaps(benchmark::State& state) { PictureMipmaps<true>(state); }

// A planted model's textures: as many materials as the format allows, each naming a picture of
// its own that is not there. Before the names were capped this grew with the square of the count.
void ManyMaterialTextures(benchmark::State& state) {
    EnsureContext();
    Ms3dModel model;
    model.materialCount = static_cast<int>(state.range(0));
    model.materials.reset(new ModelMaterial[model.materialCount]());
    for (int i = 0; i < model.materialCount; ++i) {
        const std::string name = TestFolder() + "absent_" + std::to_string(i) + ".bmp";
        model.materials[i].textureFile.reset(new char[name.size() + 1]);
        std::copy(name.c_str(), name.c_str() + name.size() + 1, model.materials[i].textureFile.get());
    }
    for (auto _ : state) model.ReloadTextures();
}

}  // namespace

BENCHMARK(ManyMaterialTextures)->Arg(1024)->Arg(65535)->Unit(benchmark::kMillisecond);
BENCHMARK(DrawSceneFrame)->Unit(benchmark::kMillisecond)->Iterations(500)->Repetitions(3)->ReportAggregatesOnly(true);
BENCHMARK(ModelLoad)->Unit(benchmark::kMicrosecond);
BENCHMARK(PictureDecode)->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMillisecond);
BENCHMARK(GluMipmaps)->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMillisecond);
BENCHMARK(OurMipmaps)->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMillisecond);
