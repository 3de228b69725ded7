// Where the scenes go on the monitors: the window over them (as large as the GL and memory
// allow), each monitor's scene area in that window, the monitors left black beside it, and, when
// the layout changes while the scenes run, which scenes go on. The window code reads the monitors
// and the GL's limits and asks here; the saver asks which monitors there are to photograph.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A rectangle of the virtual screen in pixels: the primary monitor's top left is 0, 0 and rows
// grow downwards; right and bottom lie just outside.
struct ScreenRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool operator==(const ScreenRect& o) const {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
};

struct Monitor {
    ScreenRect rect;
    bool primary = false;
    // The system's name for the monitor (its display device), which stays as its mode and its
    // place change; empty where it is not known.
    std::string device;
};

// Each monitor once, the primary first and the others in their order: monitors that overlap
// (mirrored displays, as X lists them) become one over both, the primary if either was, named
// as the first listed of them; empty ones are dropped. Where no monitor says it is the primary (its information could not be read),
// `primaryScreen` (the primary's size at 0, 0) stands for it.
std::vector<Monitor> TakenOnce(std::vector<Monitor> monitors, const ScreenRect& primaryScreen);

// A scene's part of the window as GL's viewport takes it: x and y count from the window's
// bottom left.
struct Viewport {
    int x = 0, y = 0, width = 0, height = 0;
    bool operator==(const Viewport& o) const { return x == o.x && y == o.y && width == o.width && height == o.height; }
};

struct LaidScene {
    ScreenRect monitor;  // the monitor it shows
    Viewport area;
    std::string device;  // the monitor's (Monitor::device)
    bool operator==(const LaidScene& o) const { return monitor == o.monitor && area == o.area && device == o.device; }
};

// What the window may be: GL_MAX_VIEWPORT_DIMS, and how many pixels its colour and depth buffers
// may take (0 or less: not known, no limit).
struct LayoutLimits {
    int maxViewportWidth = 0, maxViewportHeight = 0;
    int64_t maxWindowPixels = 0;
};

struct MonitorLayout {
    ScreenRect window;               // the window's place on the virtual screen
    std::vector<LaidScene> scenes;   // the primary's first
    std::vector<ScreenRect> covered;  // the monitors beside the window, to be covered black
    // The same layout: nothing to place again.
    bool operator==(const MonitorLayout& o) const { return window == o.window && scenes == o.scenes && covered == o.covered; }
    bool operator!=(const MonitorLayout& o) const { return !(*this == o); }
};

// One window over as many monitors as fit, each a scene over its whole monitor, the others
// covered. The window is the box round its monitors, and a monitor is wholly in it or wholly
// beside it. It fits when it is within the viewport limit across and down, within the pixel bound,
// and holds at most twice the pixels of its monitors (an L or a diagonal of large monitors would
// otherwise spend most of its buffers off every monitor). Beginning with the primary (always
// kept: where it alone is larger than the viewport, its scene takes the limit's part of it from
// its top left), monitors are taken in while the window fits, each time those that add the most
// monitor pixels: the primary's row of an L, the primary and its neighbour of a diagonal.
// `monitors` as TakenOnce gives them.
MonitorLayout LayOutMonitors(const std::vector<Monitor>& monitors, const LayoutLimits& limits);

// After a change of layout: for each scene of `after`, the index of the scene of `before` on the
// same monitor, which goes on there with its own ground: the monitor of the same device, wherever
// it lies now and whatever its mode; where either's device is not known, the monitor at the same
// place (its top left; its size may have changed). Devices are matched first, so a place never
// takes the scene of a monitor that is still there elsewhere. -1 for a monitor new to the scenes
// (or back after it left), which starts afresh over its photograph if one was taken at its place
// and size. Each scene of `before` goes on at most once; those no index names have lost their
// monitor.
std::vector<int> ScenesCarriedOver(const MonitorLayout& before, const MonitorLayout& after);

// True when the display no longer shows the mode a full-screen session set (`set` width x height
// at bits), as a display change reports the mode now: another program changed it, or its monitor
// went. A bits value of 0 is not told.
bool FullScreenModeLost(int setWidth, int setHeight, int setBits, int width, int height, int bits);
