// A Windows program for the end-to-end ring: opens a window with an OpenGL context the way
// the renderer does, loads the exchange pictures and the wheel model from "c:\q_mora" through
// the renderer's own code, and reports what the GL now holds, one "key value" line each.
// Errors from the picture reader show in their real message boxes.
//
// usage: gl_probe.exe [--show SECONDS | --time]
//   Exit status 0 when a picture and the model were loaded. With --show, the window then
//   fills the screen and shows the ground picture with the wheel turning over it until the
//   time is up or Escape is pressed. With --time, the window is the renderer's 1024 x 768 and
//   the start-up steps are timed one by one ("time.STEP_ms N"): the model, the ground picture's
//   decode, both pictures into mipmapped textures, the scene's reset and its first frame.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "renderer/common/gl_api.h"
#include "renderer/image/image_file.h"
#include "renderer/image/textures.h"
#include "renderer/model/mesh_model.h"
#include "renderer/scene/scene.h"

namespace {

bool escapePressed = false;
bool timing = false;

// Milliseconds since `start`.
double Since(const LARGE_INTEGER& start) {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * double(now.QuadPart - start.QuadPart) / double(frequency.QuadPart);
}

// The renderer's start-up steps in its order, each timed; the first frame ends with its swap.
int TimeStartUp(HDC dc, int width, int height) {
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    Ms3dModel wheel;
    if (!wheel.Load("c:\\q_mora\\Quillmoor.data")) return 1;
    std::printf("time.model_ms %.1f\n", Since(t));
    QueryPerformanceCounter(&t);
    RgbImage* ground = LoadImageFile(kGroundPicturePath);
    if (!ground) return 1;
    std::printf("time.decode_ms %.1f (%dx%d)\n", Since(t), ground->width, ground->height);
    FreeRgbImage(ground);
    QueryPerformanceCounter(&t);
    if (!LoadSceneTextures()) return 1;
    std::printf("time.textures_ms %.1f (both pictures: decode and mipmaps)\n", Since(t));
    QueryPerformanceCounter(&t);
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    gluPerspective(45.0, double(width) / height, double(0.1f), 2000.0);
    glMatrixMode(GL_MODELVIEW);
    const ScenePictures pictures = {SceneTextures[1], SceneTextures[2]};
    Scene scene;
    scene.Reset();
    wheel.ReloadTextures();
    SetSceneGlState();
    scene.Step();
    DrawScene(scene.View(), pictures, &wheel);
    SwapBuffers(dc);
    glFinish();
    std::printf("time.first_frame_ms %.1f\n", Since(t));
    QueryPerformanceCounter(&t);
    for (int i = 0; i < 50; ++i) {
        scene.Step();
        DrawScene(scene.View(), pictures, &wheel);
        SwapBuffers(dc);
    }
    glFinish();
    std::printf("time.frame_ms %.1f (mean of 50, swapped)\n", Since(t) / 50);
    std::fflush(stdout);
    return 0;
}

LRESULT CALLBACK ProbeWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_KEYDOWN && wParam == VK_ESCAPE) {
        escapePressed = true;
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// Clears the window and sets up the scene's projection with the eye at the origin.
void BeginFrame(int width, int height) {
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, double(width) / height, 0.1, 2000.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_DEPTH_TEST);
}

// One frame of the show: the ground picture on a plane seen at a slant, the wheel rolling on it.
void DrawShowFrame(const MeshModel& wheel, int width, int height, float angle) {
    BeginFrame(width, height);
    gluLookAt(0.0, 3.0, 6.0, 0.0, 0.5, 0.0, 0.0, 1.0, 0.0);
    if (SceneTextures[1]) {
        glBindTexture(GL_TEXTURE_2D, SceneTextures[1]);
        glEnable(GL_TEXTURE_2D);
    }
    glColor3f(1, 1, 1);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0), glVertex3f(-8, 0, 4.5f);
    glTexCoord2f(1, 0), glVertex3f(8, 0, 4.5f);
    glTexCoord2f(1, 1), glVertex3f(8, 0, -4.5f);
    glTexCoord2f(0, 1), glVertex3f(-8, 0, -4.5f);
    glEnd();
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_LIGHTING);
    glTranslatef(0.0f, 0.95f, 0.0f);
    glRotatef(-60.0f, 0, 1, 0);  // the outer face (+x) towards the eye
    glRotatef(-angle, 1, 0, 0);
    wheel.Draw();
    glDisable(GL_LIGHTING);
}

// Prints the colour at the middle of each quarter of the texture's base level, bottom row
// first as GL stores it (bottom-left, bottom-right, top-left, top-right), then at its centre.
void ReportQuarters(const char* name, unsigned int texture) {
    std::printf("%s.name %u\n", name, texture);
    if (texture == 0) return;
    glBindTexture(GL_TEXTURE_2D, texture);
    GLint w = 0, h = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
    std::printf("%s.size %dx%d\n", name, w, h);
    if (w <= 0 || h <= 0) return;
    std::vector<unsigned char> texels(static_cast<size_t>(w) * h * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
    const int xs[2] = {w / 4, 3 * w / 4}, ys[2] = {h / 4, 3 * h / 4};
    std::printf("%s.quarters", name);
    for (int y : ys) {
        for (int x : xs) {
            const unsigned char* p = &texels[(static_cast<size_t>(y) * w + x) * 3];
            std::printf(" %02x%02x%02x", p[0], p[1], p[2]);
        }
    }
    const unsigned char* c = &texels[(static_cast<size_t>(h / 2) * w + w / 2) * 3];
    std::printf("\n%s.centre %02x%02x%02x\n", name, c[0], c[1], c[2]);
}

// Draws the model lit, the way the scene shows a wheel, and counts the pixels it covered.
int DrawnModelPixels(MeshModel& model, int width, int height) {
    BeginFrame(width, height);
    const GLfloat light[4] = {0.0f, 15.0f, 0.0f, 1.0f};
    glLightfv(GL_LIGHT0, GL_POSITION, light);
    glEnable(GL_LIGHT0);
    glEnable(GL_LIGHTING);
    gluLookAt(3.0, 0.5, 0.0, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0);  // looking at the outer face
    model.Draw();
    glFinish();
    std::vector<unsigned char> pixels(static_cast<size_t>(width) * height * 4);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    int covered = 0;
    for (size_t i = 0; i < pixels.size(); i += 4) covered += (pixels[i] | pixels[i + 1] | pixels[i + 2]) != 0;
    return covered;
}

}  // namespace

int main(int argc, char** argv) {
    const int showSeconds = argc == 3 && std::strcmp(argv[1], "--show") == 0 ? std::atoi(argv[2]) : 0;
    if (argc == 2 && std::strcmp(argv[1], "--time") == 0) timing = true;
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA wc = {};
    wc.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;
    wc.lpfnWndProc = ProbeWindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = "QuillmoorProbe";
    if (!RegisterClassA(&wc)) return 10;
    const int width = showSeconds ? GetSystemMetrics(SM_CXSCREEN) : timing ? 1024 : 320;
    const int height = showSeconds ? GetSystemMetrics(SM_CYSCREEN) : timing ? 768 : 240;
    HWND window = CreateWindowExA(WS_EX_APPWINDOW, "QuillmoorProbe", "Quillmoor_Probe",
                                  WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0, width, height,
                                  nullptr, nullptr, instance, nullptr);
    if (!window) return 11;
    HDC dc = GetDC(window);
    PIXELFORMATDESCRIPTOR pfd = {};
    pfd.nSize = sizeof pfd;
    pfd.nVersion = 1;
    pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    pfd.iPixelType = PFD_TYPE_RGBA;
    pfd.cColorBits = 32;
    pfd.cDepthBits = 16;
    pfd.iLayerType = PFD_MAIN_PLANE;
    const int format = ChoosePixelFormat(dc, &pfd);
    if (!format || !SetPixelFormat(dc, format, &pfd)) return 12;
    HGLRC context = wglCreateContext(dc);
    if (!context || !wglMakeCurrent(dc, context)) return 13;
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    SetFocus(window);
    std::printf("gl.renderer %s\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
    if (timing) return TimeStartUp(dc, width, height);

    const bool pictures = LoadSceneTextures();
    std::printf("pictures %d\n", pictures ? 1 : 0);
    ReportQuarters("ground", SceneTextures[1]);
    ReportQuarters("smoke", SceneTextures[2]);

    Ms3dModel wheel;
    const bool model = wheel.Load("c:\\q_mora\\Quillmoor.data");
    std::printf("model %d\n", model ? 1 : 0);
    if (model) {
        wheel.ReloadTextures();
        std::printf("model.pixels %d\n", DrawnModelPixels(wheel, width, height));
    }
    std::fflush(stdout);

    if (model && showSeconds > 0) {
        const GLfloat light[4] = {0.0f, 15.0f, 0.0f, 1.0f};
        glLightfv(GL_LIGHT0, GL_POSITION, light);
        const DWORD end = GetTickCount() + DWORD(showSeconds) * 1000;
        float angle = 0;
        while (!escapePressed && GetTickCount() < end) {
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
            DrawShowFrame(wheel, width, height, angle += 3.0f);
            SwapBuffers(dc);
            Sleep(15);
        }
    }

    wglMakeCurrent(nullptr, nullptr);
    wglDeleteContext(context);
    ReleaseDC(window, dc);
    DestroyWindow(window);
    return pictures && model ? 0 : 1;
}
