// Prints what the renderer's MS3D reader makes of a file: one line of counts
// ("groups G triangles T vertices V materials M") and one line per group with its triangles.
//
// usage: ms3dinfo FILE.ms3d
#include <cstdio>

#include "renderer/model/mesh_model.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FILE.ms3d\n", argv[0]);
        return 2;
    }
    Ms3dModel model;
    if (!model.Load(argv[1])) {
        std::fprintf(stderr, "ms3dinfo: %s was refused\n", argv[1]);
        return 1;
    }
    std::printf("groups %d triangles %d vertices %d materials %d\n", model.meshCount, model.triangleCount,
                model.vertexCount, model.materialCount);
    for (int g = 0; g < model.meshCount; ++g) std::printf("group %d %d\n", g, model.meshes[g].triangleCount);
    return 0;
}
