// The renderer program: one full-screen OpenGL window titled "Quillmoor_VC", the frame loop
// that drives the scene (a scene on every monitor, each in its own part of one window over them,
// where asked: monitor_layout.h decides where), and the orderly end that restores the display
// mode.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <vector>

#include "renderer/common/gl_api.h"
#include "renderer/common/startup_trace.h"
#include "renderer/image/textures.h"
#include "renderer/model/mesh_model.h"
#include "renderer/scene/display_power.h"
#include "renderer/scene/frame_pacer.h"
#include "renderer/scene/scene.h"
#include "monitor_layout.h"
#include "win32_monitors.h"

namespace {

const char kClassName[] = "OpenGL";
ExchangePaths Exchange = ExchangePathsFor("");  // c:\q_mora's, unless the command line names a folder

HINSTANCE instanceHandle = nullptr;
HWND windowHandle = nullptr;
HDC deviceContext = nullptr;
HGLRC renderingContext = nullptr;

bool WindowActive = true;  // false while minimised
bool FullScreen = true;    // the display mode was switched
bool CursorHidden = false;  // full screen, or the screen at its own size
bool KeyState[256];        // key-down state by virtual-key code
// Escape seen going down since the loop last looked. A press and its release can both arrive
// between two frames (a slow frame, or keys typed by a program); the key state alone would then
// read "up" when the loop looks, and the Escape would be lost.
bool EscapePressed = false;

PIXELFORMATDESCRIPTOR pixelFormat;

Ms3dModel* WheelModel = nullptr;  // created at start-up and kept until the process ends

// What the scenes cover: the screen as the mode switch left it (a window of the size asked for),
// the primary monitor at its own size, or every monitor.
enum class Placement { RequestedSize, PrimaryScreen, EveryMonitor };
Placement ScenePlacement = Placement::RequestedSize;
int ModeWidth = 0, ModeHeight = 0, ModeBits = 0;  // the mode a full-screen session set

// The most pixels the window may have: four 3840 x 2160 monitors side by side, the largest layout
// measured (505 MB at its peak, the 32-bit renderer well inside its address space).
constexpr int64_t kMaxWindowPixels = 4LL * 3840 * 2160;
LayoutLimits Limits = {0, 0, kMaxWindowPixels};  // the viewport's, once a context can tell it

// The layout the scenes stand on, and each of its scenes in its place in the window (one alone
// over the whole of it, where there is one), the primary monitor's first.
MonitorLayout Layout;
std::vector<AreaScene> Scenes;
Covers LeftOut;                // black over the monitors the window leaves out
unsigned int BlackGround = 0;  // the ground where a monitor's photograph is not known
int ClientWidth = 0, ClientHeight = 0;

// The monitors the scenes are to cover, as they are now.
std::vector<Monitor> ReadMonitors() {
    switch (ScenePlacement) {
    case Placement::RequestedSize: return {{{0, 0, ClientWidth, ClientHeight}, true, {}}};
    case Placement::PrimaryScreen: return {{PrimaryScreen(), true, {}}};
    case Placement::EveryMonitor: break;
    }
    return TakenOnce(ListMonitors(), PrimaryScreen());
}

// Lays the scenes over the monitors as they are now. At the start each scene is new, over its
// monitor's photograph; later a scene whose monitor stays goes on with its ground, and one on a
// monitor new to the scenes starts over its photograph where the session took one at its place
// and size (a monitor that slept and woke), otherwise over black (its desktop was never
// photographed). The grounds of the scenes whose monitors went are given back. Where the layout is
// the one the scenes stand on, all stays as it is.
void PlaceScenes(bool startingUp) {
    const MonitorLayout next = LayOutMonitors(ReadMonitors(), Limits);
    if (!startingUp && next == Layout) return;
    const std::vector<int> from = ScenesCarriedOver(Layout, next);
    std::vector<bool> goesOn(Scenes.size(), false);
    std::vector<AreaScene> scenes(next.scenes.size());
    for (size_t i = 0; i < scenes.size(); ++i) {
        AreaScene& m = scenes[i];
        if (from[i] >= 0) {
            m = Scenes[static_cast<size_t>(from[i])];
            goesOn[static_cast<size_t>(from[i])] = true;
        } else {
            const ScreenRect& r = next.scenes[i].monitor;
            m.pictures = {GroundTextureAt(Exchange, r.left, r.top, r.Width(), r.Height(), BlackGround), SceneTextures[2]};
            // Each monitor its own sequence: at the start the primary's begins at 1, as a single
            // scene's does.
            m.shown.scene.random.SeedRandom(static_cast<uint32_t>(i + 1) +
                                            (startingUp ? 0u : static_cast<uint32_t>(std::clock()) * 7919u));
            m.shown.scene.Reset();
            if (!startingUp) m.shown.Advance(1, true);  // a view to show before the next frame's steps
        }
        const Viewport& a = next.scenes[i].area;
        m.area = {a.x, a.y, a.width, a.height};
    }
    for (size_t j = 0; j < Scenes.size(); ++j) {
        if (!goesOn[j]) ReleaseGroundTexture(Scenes[j].pictures.ground, BlackGround);
    }
    Scenes = std::move(scenes);
    Layout = next;
    LeftOut.Lay(Layout.covered);
}

// The window over the scenes' monitors (not where it is of the size asked for).
void PlaceWindow() {
    if (ScenePlacement == Placement::RequestedSize) return;
    const ScreenRect& w = Layout.window;
    SetWindowPos(windowHandle, nullptr, w.left, w.top, w.Width(), w.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
}

// The display's refresh rate when the swap interval was last asked for (after the mode change,
// and after each change of display): 0 or 1 where unknown.
int RefreshHz = 0;
bool SwapsHeld = false;  // the driver took that interval
bool DisplayChanged = false;  // since the loop last looked: the rate may be another now

// Asks the driver to hold each swap for the whole number of refreshes that keeps frames at 60
// a second or more at the display's rate as it is now (frame_pacer.h), where the driver can.
void RequestSwapInterval() {
    using SwapIntervalProc = BOOL(WINAPI*)(int);
    auto swapInterval = reinterpret_cast<SwapIntervalProc>(
        reinterpret_cast<void*>(wglGetProcAddress("wglSwapIntervalEXT")));
    RefreshHz = GetDeviceCaps(deviceContext, VREFRESH);
    SwapsHeld = swapInterval && swapInterval(SwapIntervalFor(RefreshHz));
}

int64_t Now() {
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return counter.QuadPart;
}

int64_t TicksPerSecond() {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return frequency.QuadPart;
}

DisplayPower Power;  // the display's power, as reported to the window

// Asks the system to report the display's power to the window, by the setting this version of
// Windows reports it by (display_power.h). The calls are looked up, not linked, so that the
// renderer still starts where they do not exist (before Vista). Returns the registration, or null;
// marks the setting asked for and the system's answer ("renderer.display-watch-console-registered").
void* WatchDisplayPower(HWND window) {
    using RegisterProc = void*(WINAPI*)(HANDLE, const GUID*, DWORD);
    using VersionProc = LONG(WINAPI*)(OSVERSIONINFOW*);
    const auto registerFor = reinterpret_cast<RegisterProc>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "RegisterPowerSettingNotification")));
    const auto version = reinterpret_cast<VersionProc>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "RtlGetVersion")));
    OSVERSIONINFOW windows = {};
    windows.dwOSVersionInfoSize = sizeof windows;
    if (!registerFor || !version || version(&windows) != 0) {
        TraceStartup("renderer.display-watch-unavailable");
        return nullptr;
    }
    const PowerSettingId& chosen = DisplayPowerSetting(windows.dwMajorVersion, windows.dwMinorVersion);
    GUID setting;
    static_assert(sizeof setting == sizeof(PowerSettingId), "a GUID as laid out in memory");
    std::memcpy(&setting, &chosen, sizeof setting);
    void* const registration = registerFor(window, &setting, DEVICE_NOTIFY_WINDOW_HANDLE);
    char mark[64];
    std::snprintf(mark, sizeof mark, "renderer.display-watch-%s-%s", chosen == kConsoleDisplayState ? "console" : "monitor",
                  registration ? "registered" : "refused");
    TraceStartup(mark);
    return registration;
}

void StopWatchingDisplayPower(void* registration) {
    using UnregisterProc = BOOL(WINAPI*)(void*);
    const auto unregister = reinterpret_cast<UnregisterProc>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "UnregisterPowerSettingNotification")));
    if (registration && unregister) unregister(registration);
}

// A trace mark of the display going off or coming back, with the frames swapped and the steps
// taken so far (both stand still while it is off).
void TraceDisplay(const char* state, unsigned long frames, int64_t steps) {
    char mark[80];
    std::snprintf(mark, sizeof mark, "renderer.display-%s-frames-%lu-steps-%lld", state, frames, static_cast<long long>(steps));
    TraceStartup(mark);
}

}  // namespace

bool InitScene() {
    if (!LoadSceneTextures(Exchange)) return false;
    const unsigned char black[3] = {0, 0, 0};
    BlackGround = TextureFromPixels(1, 1, black);
    // The viewport's limit, known now that a context is current: the scenes within it.
    GLint most[2] = {0, 0};
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, most);
    Limits.maxViewportWidth = most[0];
    Limits.maxViewportHeight = most[1];
    PlaceScenes(true);
    PlaceWindow();
    WheelModel->ReloadTextures();  // now that a context is current, the model's textures are made
    SetSceneGlState();
    return true;
}

// Draws every scene at `blend` between its last two steps: one alone over the whole window as
// ever (its viewport the window's, set as the window's size changes), several (or one left of
// several) each in its monitor's part of the window.
void DrawScenes(float blend) {
    const SceneArea* first = Scenes.empty() ? nullptr : &Scenes[0].area;
    if (Scenes.size() == 1 && first->x == 0 && first->y == 0 && first->width == ClientWidth &&
        first->height == ClientHeight) {
        const AreaScene& m = Scenes[0];
        DrawScene(m.shown.previous, m.shown.scene.View(), blend, m.pictures, WheelModel);
    } else {
        DrawAreaScenes(Scenes, blend, WheelModel);
    }
}

void DestroySceneWindow() {
    LeftOut.Lay({});
    if (FullScreen) ChangeDisplaySettingsA(nullptr, 0);
    if (CursorHidden) {
        ShowCursor(TRUE);
        CursorHidden = false;
    }
    if (renderingContext) {
        wglMakeCurrent(nullptr, nullptr);
        wglDeleteContext(renderingContext);
        renderingContext = nullptr;
    }
    if (deviceContext) {
        ReleaseDC(windowHandle, deviceContext);
        deviceContext = nullptr;
    }
    if (windowHandle) {
        DestroyWindow(windowHandle);
        windowHandle = nullptr;
    }
    UnregisterClassA(kClassName, instanceHandle);
}

// The monitors may have changed (a mode, a monitor come, gone or moved): the window and its scenes
// are laid over them as they are once the changes settle. A dock or a waking monitor sends a burst
// of changes, each of which restarts the wait, so that the layout is taken once, after the last.
constexpr UINT_PTR kLayoutTimer = 1;
constexpr UINT kLayoutSettleMs = 250;

void FollowMonitors() {
    if (ScenePlacement != Placement::RequestedSize) SetTimer(windowHandle, kLayoutTimer, kLayoutSettleMs, nullptr);
}

LRESULT CALLBACK SceneWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_ACTIVATE:
        WindowActive = HIWORD(wParam) == 0;  // false exactly while minimised
        return 0;
    case WM_SYSCOMMAND:
        // Screen-saver start and monitor power-down are refused; only these exact commands.
        if (wParam == SC_SCREENSAVE || wParam == SC_MONITORPOWER) return 0;
        break;
    case WM_CLOSE:
        PostQuitMessage(0);
        return 0;
    case WM_KEYDOWN:
        KeyState[wParam & 0xFF] = true;
        if (wParam == VK_ESCAPE) EscapePressed = true;
        return 0;
    case WM_KEYUP:
        KeyState[wParam & 0xFF] = false;
        return 0;
    case WM_SIZE:
        ClientWidth = LOWORD(lParam);
        ClientHeight = HIWORD(lParam);
        ResizeScene(ClientWidth, ClientHeight);
        // A window of the size asked for (one the user may resize, where the mode could not be
        // switched): its scene follows it.
        if (ScenePlacement == Placement::RequestedSize && wParam != SIZE_MINIMIZED && !Scenes.empty()) {
            PlaceScenes(false);
        }
        return 0;
    case WM_DISPLAYCHANGE:
        DisplayChanged = true;
        if (FullScreen) {
            // The mode the session set has gone: it ends as on Escape.
            if (FullScreenModeLost(ModeWidth, ModeHeight, ModeBits, LOWORD(lParam), HIWORD(lParam), int(wParam))) {
                PostQuitMessage(0);
            }
        } else {
            FollowMonitors();
        }
        return 0;
    case WM_SETTINGCHANGE:
        // A monitor that comes may tell only the change of the work area.
        if (wParam == SPI_SETWORKAREA && !FullScreen) FollowMonitors();
        break;
    case WM_TIMER:
        if (wParam == kLayoutTimer) {
            KillTimer(window, kLayoutTimer);
            PlaceScenes(false);
            PlaceWindow();
            return 0;
        }
        break;
    case WM_POWERBROADCAST:
        if (wParam == PBT_POWERSETTINGCHANGE && lParam) {
            const auto* setting = reinterpret_cast<const POWERBROADCAST_SETTING*>(lParam);
            PowerSettingId id;
            std::memcpy(&id, &setting->PowerSetting, sizeof id);
            Power.Report(id, setting->Data, setting->DataLength);
            return TRUE;
        }
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// The scene's window: full screen at width x height (the display switched to that mode, or a
// window of that size where it cannot be), or, with `screenSized`, borderless over the whole
// primary monitor at its own resolution with the display left as it is; with `allMonitors` as
// well, over every monitor, each its own scene.
bool CreateSceneWindow(const char* title, int width, int height, int bits, bool fullScreen, bool screenSized,
                       bool allMonitors) {
    FullScreen = fullScreen && !screenSized;
    ScenePlacement = !screenSized ? Placement::RequestedSize
                     : allMonitors ? Placement::EveryMonitor
                                   : Placement::PrimaryScreen;
    ClientWidth = width;
    ClientHeight = height;
    // The window's place on the virtual screen (the monitors' pixels: the process is DPI-aware),
    // before the viewport's limit is known; InitScene lays the scenes out within it.
    const ScreenRect place = LayOutMonitors(ReadMonitors(), Limits).window;
    const int left = place.left, top = place.top;
    width = place.Width();
    height = place.Height();

    // The model first: without it there is nothing to show, and nothing has been changed yet.
    WheelModel = new Ms3dModel();  // lives until the process ends
    if (!WheelModel->Load(Exchange.model.c_str())) return false;
    TraceStartup("renderer.model-loaded");

    instanceHandle = GetModuleHandleA(nullptr);
    WNDCLASSA windowClass = {};
    windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;
    windowClass.lpfnWndProc = SceneWindowProc;
    windowClass.hInstance = instanceHandle;
    windowClass.hIcon = LoadIcon(nullptr, IDI_WINLOGO);
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kClassName;
    if (!RegisterClassA(&windowClass)) return false;

    if (FullScreen) {
        DEVMODEA mode;
        ZeroMemory(&mode, sizeof mode);
        mode.dmSize = 148;
        mode.dmPelsWidth = width;
        mode.dmPelsHeight = height;
        mode.dmBitsPerPel = bits;
        mode.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
        // Any refusal: go on in a window, silently.
        if (ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN) != DISP_CHANGE_SUCCESSFUL) FullScreen = false;
        ModeWidth = width;
        ModeHeight = height;
        ModeBits = bits;
    }

    DWORD exStyle, style;
    if (FullScreen || screenSized) {
        exStyle = screenSized ? WS_EX_APPWINDOW | WS_EX_TOPMOST : WS_EX_APPWINDOW;
        style = WS_POPUP;
        ShowCursor(FALSE);
        CursorHidden = true;
    } else {
        exStyle = WS_EX_APPWINDOW | WS_EX_WINDOWEDGE;
        style = WS_OVERLAPPEDWINDOW;
    }
    RECT rect = {0, 0, width, height};
    AdjustWindowRectEx(&rect, style, FALSE, exStyle);

    windowHandle = CreateWindowExA(exStyle, kClassName, title, style | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, left, top,
                                   rect.right - rect.left, rect.bottom - rect.top, nullptr, nullptr, instanceHandle,
                                   nullptr);
    if (!windowHandle) {
        DestroySceneWindow();
        return false;
    }

    ZeroMemory(&pixelFormat, sizeof pixelFormat);
    pixelFormat.nSize = sizeof pixelFormat;
    pixelFormat.nVersion = 1;
    pixelFormat.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    pixelFormat.iPixelType = PFD_TYPE_RGBA;
    pixelFormat.cColorBits = static_cast<BYTE>(bits);
    pixelFormat.cDepthBits = 16;
    pixelFormat.iLayerType = PFD_MAIN_PLANE;

    deviceContext = GetDC(windowHandle);
    const int format = deviceContext ? ChoosePixelFormat(deviceContext, &pixelFormat) : 0;
    if (!format || !SetPixelFormat(deviceContext, format, &pixelFormat) ||
        !(renderingContext = wglCreateContext(deviceContext)) || !wglMakeCurrent(deviceContext, renderingContext)) {
        DestroySceneWindow();
        return false;
    }
    RequestSwapInterval();

    TraceStartup("renderer.context-made");
    ShowWindow(windowHandle, SW_SHOW);
    SetForegroundWindow(windowHandle);
    SetFocus(windowHandle);
    ResizeScene(width, height);

    if (!InitScene()) {
        DestroySceneWindow();
        return false;
    }
    TraceStartup("renderer.scene-ready");
    return true;
}

int RendererMain(const char* arguments) {
    TraceStartup("renderer.entered");
    // A file on a drive without its medium (a texture named on a card reader or an empty CD
    // drive) fails like any missing file, instead of stopping the start with a system box.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    const RendererArguments read = ReadRendererArguments(arguments ? arguments : "");
    Exchange = read.files;
    const bool keepDisplayMode = read.keepDisplayMode;
    FullScreen = true;
    if (!CreateSceneWindow("Quillmoor_VC", 1024, 768, 32, FullScreen, keepDisplayMode, read.allMonitors)) return 0;
    // Everything drawn so far (the scene reset) used the start seed 1 (another monitor's scene, 2,
    // 3 ...); from here each scene's sequence is its own.
    for (size_t i = 0; i < Scenes.size(); ++i) {
        Scenes[i].shown.scene.random.SeedRandom(static_cast<uint32_t>(std::clock()) + static_cast<uint32_t>(i) * 7919u);
    }

    MSG msg = {};
    int status = 0;
    unsigned long swappedFrames = 0;  // for the trace only
    const int64_t ticksPerSecond = TicksPerSecond();
    FramePacer pacer(ticksPerSecond, RefreshHz, SwapsHeld);
    {
        char mark[80];
        std::snprintf(mark, sizeof mark, "renderer.display-%dhz-interval-%d-%s", RefreshHz, pacer.SwapInterval(),
                      SwapsHeld ? "taken" : "refused");
        TraceStartup(mark);
    }
    bool swapsMayHold = pacer.SwapsMayHold();  // as last marked
    const int64_t ticksPerMs = ticksPerSecond >= 1000 ? ticksPerSecond / 1000 : 1;
    void* const displayWatch = WatchDisplayPower(windowHandle);
    bool displayWasOff = false;
    bool displayBack = false;  // the display came back: the next frame's steps are marked
    timeBeginPeriod(1);  // waits of a millisecond, not of the 15.6 ms default tick
    for (;;) {
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                status = static_cast<int>(msg.wParam);
                break;
            }
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
            continue;
        }
        // Escape ends with status 0.
        if (KeyState[VK_ESCAPE] || EscapePressed) break;
        // While the display is off nothing is drawn or stepped, and the loop waits for messages
        // alone (the fine timer given back); when it comes back the scene goes on where it was.
        if (Power.Off() != displayWasOff) {
            displayWasOff = Power.Off();
            if (displayWasOff) {
                timeEndPeriod(1);
            } else {
                timeBeginPeriod(1);
                pacer.Resume();
                displayBack = true;
            }
            TraceDisplay(displayWasOff ? "off" : "on", swappedFrames, pacer.Steps());
        }
        if (displayWasOff) {
            WaitMessage();
            continue;
        }
        // The display changed (a monitor of another rate, another mode): the swap interval and
        // the pace are taken anew for it, and marked with the rate and the interval.
        if (DisplayChanged) {
            DisplayChanged = false;
            RequestSwapInterval();
            pacer.Retune(RefreshHz, SwapsHeld);
            swapsMayHold = pacer.SwapsMayHold();
            char mark[80];
            std::snprintf(mark, sizeof mark, "renderer.display-changed-%dhz-interval-%d", RefreshHz,
                          pacer.SwapInterval());
            TraceStartup(mark);
        }
        // Too soon for the next frame: sleep until it is due or a message comes, whichever is
        // first, so that a key is handled at once.
        const int64_t wait = pacer.TicksToWait(Now());
        if (wait > 0) {
            const DWORD ms = static_cast<DWORD>((wait + ticksPerMs - 1) / ticksPerMs);
            MsgWaitForMultipleObjects(0, nullptr, FALSE, ms, QS_ALLINPUT);
            continue;
        }
        const int64_t stepsBefore = pacer.Steps();
        const FramePlan plan = pacer.BeginFrame(Now());
        if (swapsMayHold && !pacer.SwapsMayHold()) {
            // More frames came than the display could show: the driver ignores the interval.
            swapsMayHold = false;
            char mark[64];
            std::snprintf(mark, sizeof mark, "renderer.swaps-not-held-at-%lu", swappedFrames);
            TraceStartup(mark);
        }
        for (AreaScene& m : Scenes) m.shown.Advance(plan.steps, WindowActive);  // minimised: the camera cycles go on
        if (WindowActive) DrawScenes(plan.blend);
        SwapBuffers(deviceContext);  // also while minimised
        if (displayBack) {
            // The time off dropped: one step, not the quarter second a stall may take.
            displayBack = false;
            char mark[48];
            std::snprintf(mark, sizeof mark, "renderer.display-back-steps-%d", plan.steps);
            TraceStartup(mark);
        }
        for (int64_t step = stepsBefore / 100 + 1; step <= pacer.Steps() / 100; ++step) {
            char mark[40];
            std::snprintf(mark, sizeof mark, "renderer.step-%lld", static_cast<long long>(step * 100));
            TraceStartup(mark);
        }
        if (++swappedFrames == 1) {
            TraceStartup("renderer.first-frame");
        } else if (swappedFrames % 100 == 0) {
            char mark[40];
            std::snprintf(mark, sizeof mark, "renderer.frame-%lu", swappedFrames);
            TraceStartup(mark);
        }
    }
    if (!displayWasOff) timeEndPeriod(1);
    StopWatchingDisplayPower(displayWatch);
    DestroySceneWindow();
    return status;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR arguments, int) { return RendererMain(arguments); }
