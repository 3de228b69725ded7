// libFuzzer target: any bytes through the MS3D parser. A model it accepts must hold only
// indices inside its tables, as drawing relies on.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "renderer/model/mesh_model.h"

// Textures need a GL context; the parser under test never asks for them.
void MeshModel::ReloadTextures() {}

namespace {
class FuzzModel : public MeshModel {
public:
    bool Load(const char*) override { return false; }
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzModel model;
    if (!ParseMs3d(data, size, model)) return 0;
    for (int t = 0; t < model.triangleCount; ++t) {
        for (int v : model.triangles[t].vertexIndices) {
            if (v < 0 || v >= model.vertexCount) std::abort();
        }
    }
    for (int m = 0; m < model.meshCount; ++m) {
        for (int k = 0; k < model.meshes[m].triangleCount; ++k) {
            const int t = model.meshes[m].triangleIndices[k];
            if (t < 0 || t >= model.triangleCount) std::abort();
        }
    }
    return 0;
}
