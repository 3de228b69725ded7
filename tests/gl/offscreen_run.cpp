// The renderer's whole life offscreen: its start-up over the exchange files in a folder, a number
// of frames through the camera cycle, and an orderly end that gives back everything it took.
// Run under the sanitizer tree it is the leak check of a renderer run; natively it prints the
// time per frame.
//
// usage: offscreen_run FOLDER [FRAMES] [WIDTH] [HEIGHT]
//   FOLDER holds the exchange files under their renderer-side names (see textures.h).
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "offscreen_gl.h"
#include "renderer/common/gl_api.h"
#include "renderer/image/textures.h"
#include "renderer/model/mesh_model.h"
#include "renderer/scene/scene.h"

int main(int argc, char** argv) {
    if (argc < 2 || chdir(argv[1]) != 0) {
        std::fprintf(stderr, "usage: offscreen_run FOLDER [FRAMES] [WIDTH] [HEIGHT]\n");
        return 2;
    }
    const int frames = argc > 2 ? std::atoi(argv[2]) : 1200;
    const int width = argc > 3 ? std::atoi(argv[3]) : 320;
    const int height = argc > 4 ? std::atoi(argv[4]) : 240;
    if (frames < 0 || width <= 0 || height <= 0) return 2;

    const auto start = std::chrono::steady_clock::now();
    int drawn = 0;
    {
        OffscreenGl gl(width, height);
        if (!gl.Ok()) {
            std::fprintf(stderr, "no offscreen context\n");
            return 1;
        }
        Ms3dModel* wheel = new Ms3dModel();
        if (!wheel->Load("c:\\q_mora\\Quillmoor.data")) {
            std::fprintf(stderr, "the model did not load\n");
            delete wheel;
            return 1;
        }
        ResizeScene(width, height);
        bool ok = LoadSceneTextures();
        if (ok) {
            const ScenePictures pictures = {SceneTextures[1], SceneTextures[2]};
            Scene scene;
            scene.Reset();
            wheel->ReloadTextures();
            SetSceneGlState();
            scene.random.SeedRandom(7);
            for (; drawn < frames; ++drawn) {
                scene.Step();
                DrawScene(scene.View(), pictures, wheel);
                glFinish();  // what a swap waits for
            }
        } else {
            std::fprintf(stderr, "no scene picture loaded\n");
        }
        glDeleteTextures(3, SceneTextures);
        delete wheel;
        if (!ok || drawn < frames) return 1;
    }
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    std::printf("%d frames at %dx%d in %.0f ms (%.2f ms per frame, start-up included)\n", drawn, width, height, ms,
                drawn ? ms / drawn : 0.0);
    return 0;
}
