// Writes the two pictures of the saver's preview pane, made with the renderer's own scene code
// in an offscreen Mesa context:
//   preview.bmp       152 x 112: a real frame of the scene over a sample desktop picture
//                     (drawn 4x larger and averaged down, for smooth edges);
//   preview_back.bmp  152 x 112: a dim, angled 3-D panel on black (the form's background).
// usage: make_preview WHEEL.ms3d OUTPUT_DIR
#include <GL/osmesa.h>

#include <cstdio>
#include <string>
#include <vector>

#include "renderer/common/gl_api.h"
#include "renderer/image/textures.h"
#include "renderer/model/mesh_model.h"
#include "renderer/scene/scene.h"
#include "saver/session/bmp_writer.h"

namespace {

constexpr int kWidth = 152, kHeight = 112, kScale = 4;

// A sample desktop: a blue-violet gradient with two windows, as 24-bit RGB rows, bottom first.
std::vector<uint8_t> SampleDesktop(int w, int h) {
    std::vector<uint8_t> rgb(static_cast<size_t>(w) * h * 3);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            uint8_t* p = &rgb[(static_cast<size_t>(y) * w + x) * 3];
            const int top = h - 1 - y;
            p[0] = static_cast<uint8_t>(30 + 60 * x / w);
            p[1] = static_cast<uint8_t>(50 + 40 * top / h);
            p[2] = static_cast<uint8_t>(140 + 90 * top / h);
            const bool first = x > w / 8 && x < w / 2 && top > h / 6 && top < h / 2;
            const bool second = x > w * 2 / 5 && x < w * 7 / 8 && top > h * 2 / 5 && top < h * 5 / 6;
            if (first || second) {
                const bool title = first ? top < h / 6 + h / 20 : top < h * 2 / 5 + h / 20;
                p[0] = title ? (first ? 58 : 165) : 236;
                p[1] = title ? (first ? 110 : 58) : 233;
                p[2] = title ? (first ? 165 : 58) : 222;
            }
        }
    }
    return rgb;
}

GLuint Texture(const std::vector<uint8_t>& rgb, int w, int h) {
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_NEAREST);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    gluBuild2DMipmaps(GL_TEXTURE_2D, 3, w, h, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    return name;
}

// Averages the big RGBA frame (bottom row first) down to the pane's size and writes it.
bool WriteAveraged(const std::vector<uint8_t>& frame, const std::string& path) {
    const int bigWidth = kWidth * kScale;
    const std::vector<uint8_t> file = EncodeBmp(kWidth, kHeight, 24, [&](int x, int y, uint8_t rgb[3]) {
        const int row = kHeight - 1 - y;  // the frame's rows start at the bottom
        for (int c = 0; c < 3; ++c) {
            int sum = 0;
            for (int dy = 0; dy < kScale; ++dy) {
                for (int dx = 0; dx < kScale; ++dx) {
                    sum += frame[(static_cast<size_t>(row * kScale + dy) * bigWidth + x * kScale + dx) * 4 + c];
                }
            }
            rgb[c] = static_cast<uint8_t>(sum / (kScale * kScale));
        }
    });
    std::FILE* out = std::fopen(path.c_str(), "wb");
    const bool ok = out && std::fwrite(file.data(), 1, file.size(), out) == file.size();
    return out && std::fclose(out) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s WHEEL.ms3d OUTPUT_DIR\n", argv[0]);
        return 2;
    }
    const int w = kWidth * kScale, h = kHeight * kScale;
    std::vector<uint8_t> frame(static_cast<size_t>(w) * h * 4);
    OSMesaContext context = OSMesaCreateContextExt(OSMESA_RGBA, 16, 0, 0, nullptr);
    if (!context || !OSMesaMakeCurrent(context, frame.data(), GL_UNSIGNED_BYTE, w, h)) return 1;
    Ms3dModel wheel;
    if (!wheel.Load(argv[1])) return 1;

    // The scene at work: the start-up of the renderer, then 150 steps, the last one drawn.
    ResizeScene(w, h);
    const ScenePictures pictures = {Texture(SampleDesktop(640, 480), 640, 480), 0};
    Scene scene;
    scene.Reset();
    SetSceneGlState();
    for (int i = 0; i < 150; ++i) scene.Step();
    DrawScene(scene.View(), pictures, &wheel);
    glFinish();
    const std::string dir = argv[2];
    if (!WriteAveraged(frame, dir + "/preview.bmp")) return 1;

    // The background: a dim panel seen at an angle, on black.
    ResizeScene(w, h);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    gluLookAt(0.0, 0.0, 3.2, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0);
    glRotatef(-28.0f, 0, 1, 0);
    glRotatef(12.0f, 1, 0, 0);
    glBegin(GL_QUADS);
    glColor3f(0.10f, 0.12f, 0.20f), glVertex3f(-1.1f, -0.8f, 0);
    glColor3f(0.16f, 0.18f, 0.28f), glVertex3f(1.1f, -0.8f, 0);
    glColor3f(0.24f, 0.26f, 0.38f), glVertex3f(1.1f, 0.8f, 0);
    glColor3f(0.14f, 0.16f, 0.26f), glVertex3f(-1.1f, 0.8f, 0);
    glEnd();
    glFinish();
    if (!WriteAveraged(frame, dir + "/preview_back.bmp")) return 1;
    OSMesaMakeCurrent(nullptr, nullptr, 0, 0, 0);
    OSMesaDestroyContext(context);
    return 0;
}
