// The monitors' layout: layouts people have (side by side, stacked, an L, a diagonal of 4K
// monitors, mirrored displays, a GL with a small viewport), each held to what a viewer needs:
// every monitor a scene over exactly its own pixels or covered black, the primary always a scene,
// the window within the limits; and a layout that changes under running scenes.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "renderer/window/monitor_layout.h"

namespace {

constexpr int64_t k4K = 3840 * 2160;
const LayoutLimits kUsual = {16384, 16384, 4 * k4K};

Monitor M(int left, int top, int width, int height, bool primary = false, const char* device = "") {
    return {{left, top, left + width, top + height}, primary, device};
}

std::string Name(const ScreenRect& r) {
    return std::to_string(r.Width()) + "x" + std::to_string(r.Height()) + "@" + std::to_string(r.left) + "," +
           std::to_string(r.top);
}

bool Overlap(const ScreenRect& a, const ScreenRect& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

// What every layout must be, whatever it chose: the primary's scene first; each monitor once,
// a scene or covered; each scene's viewport, counted from the window's bottom left, over exactly
// its monitor's pixels (its top-left part where the primary alone passes the viewport limit); no
// cover over the window; the window round its scenes and within the limits (but for the primary
// alone).
void ExpectSound(const std::vector<Monitor>& monitors, const LayoutLimits& known, const MonitorLayout& layout) {
    ASSERT_FALSE(layout.scenes.empty());
    auto most = [](int64_t limit) { return limit > 0 ? limit : INT32_MAX; };  // 0: not known, no limit
    const LayoutLimits limits = {int(most(known.maxViewportWidth)), int(most(known.maxViewportHeight)),
                                 most(known.maxWindowPixels)};
    EXPECT_TRUE(std::find_if(monitors.begin(), monitors.end(), [](const Monitor& m) { return m.primary; })->rect ==
                layout.scenes[0].monitor);
    const ScreenRect& w = layout.window;
    ScreenRect box = layout.scenes[0].monitor;
    std::vector<std::string> given, laid;
    for (const Monitor& m : monitors) given.push_back(Name(m.rect));
    for (const LaidScene& s : layout.scenes) {
        SCOPED_TRACE(Name(s.monitor));
        laid.push_back(Name(s.monitor));
        const Viewport& a = s.area;
        EXPECT_EQ(w.left + a.x, s.monitor.left);
        EXPECT_EQ(w.top + (w.Height() - a.y - a.height), s.monitor.top) << "rows from the window's bottom";
        EXPECT_EQ(a.width, std::min(s.monitor.Width(), limits.maxViewportWidth));
        EXPECT_EQ(a.height, std::min(s.monitor.Height(), limits.maxViewportHeight));
        box = {std::min(box.left, s.monitor.left), std::min(box.top, s.monitor.top),
               std::max(box.right, s.monitor.right), std::max(box.bottom, s.monitor.bottom)};
    }
    EXPECT_EQ(w, box);
    for (const ScreenRect& c : layout.covered) {
        laid.push_back(Name(c));
        EXPECT_FALSE(Overlap(c, w)) << "a cover over the window: " << Name(c);
    }
    std::sort(given.begin(), given.end());
    std::sort(laid.begin(), laid.end());
    EXPECT_EQ(laid, given);
    if (layout.scenes.size() > 1) {
        EXPECT_LE(w.Width(), limits.maxViewportWidth);
        EXPECT_LE(w.Height(), limits.maxViewportHeight);
        EXPECT_LE(int64_t(w.Width()) * w.Height(), limits.maxWindowPixels);
    }
}

TEST(MonitorLayout, EveryMonitorASceneOverItsOwnPixelsOrCovered) {
    const struct {
        const char* name;
        std::vector<Monitor> monitors;
        LayoutLimits limits;
        std::vector<int> covered;  // indices of the monitors left black
    } cases[] = {
        {"one", {M(0, 0, 1920, 1080, true)}, kUsual, {}},
        {"side by side, one left of the primary", {M(-1280, 0, 1280, 1024), M(0, 0, 1024, 768, true)}, kUsual, {}},
        {"one above, one below and right", {M(0, 0, 1280, 1024, true), M(0, -768, 1024, 768), M(1280, 200, 800, 600)},
         kUsual, {}},
        {"four 4K side by side", {M(0, 0, 3840, 2160, true), M(3840, 0, 3840, 2160), M(7680, 0, 3840, 2160), M(-3840, 0, 3840, 2160)},
         kUsual, {}},
        // 11520 x 4320: more than four 4K monitors' worth of buffers; the primary's row fits.
        {"an L of four 4K", {M(0, 0, 3840, 2160, true), M(3840, 0, 3840, 2160), M(7680, 0, 3840, 2160), M(0, -2160, 3840, 2160)},
         kUsual, {3}},
        // 15360 x 8640 in all; the primary and its neighbour hold half their box.
        {"a diagonal of four 4K", {M(0, 0, 3840, 2160, true), M(3840, 2160, 3840, 2160), M(7680, 4320, 3840, 2160),
                                   M(11520, 6480, 3840, 2160)},
         kUsual, {2, 3}},
        // Three small monitors on a diagonal: few pixels, but the box would be mostly off them.
        {"a diagonal of three", {M(0, 0, 800, 600, true), M(800, 600, 800, 600), M(1600, 1200, 800, 600)}, kUsual, {2}},
        {"a limit made small", {M(-1280, 0, 1280, 1024), M(0, 0, 1024, 768, true)}, {2000, 2000, 4 * k4K}, {0}},
        {"a limit made small, down", {M(0, 0, 1024, 768, true), M(0, 768, 1024, 768), M(1024, 0, 640, 480)},
         {1664, 1000, 4 * k4K}, {1}},  // the window exactly as wide as the limit
        {"the primary alone passes the limit", {M(0, 0, 3000, 1000, true), M(3000, 0, 800, 600)}, {2048, 2048, 4 * k4K},
         {1}},
        // The box of the primary and its right neighbour reaches into a tall one between them, and
        // that one's into one below it, which does not fit: a monitor is wholly in the window or
        // wholly beside it.
        {"monitors reaching into the box", {M(0, 0, 1000, 1000, true), M(1000, 2600, 1000, 500), M(2000, 0, 1000, 1000),
                                            M(1000, 500, 1000, 2500)},
         {16384, 3000, 4 * k4K}, {1, 2, 3}},
        {"limits not known", {M(0, 0, 3840, 2160, true), M(3840, 0, 3840, 2160), M(7680, 0, 3840, 2160)}, {0, 0, 0}, {}},
        {"a bound of memory", {M(0, 0, 1920, 1080, true), M(1920, 0, 1920, 1080), M(3840, 0, 1920, 1080)},
         {16384, 16384, 2 * 1920 * 1080}, {2}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const MonitorLayout layout = LayOutMonitors(c.monitors, c.limits);
        ExpectSound(c.monitors, c.limits, layout);
        std::vector<ScreenRect> covered;
        for (int i : c.covered) covered.push_back(c.monitors[size_t(i)].rect);
        EXPECT_EQ(layout.covered, covered);
    }
}

// Mirrored displays as X lists them (at one place, of one size or of two) are one monitor, with
// one scene; a primary whose information could not be read is where the primary screen is.
TEST(MonitorLayout, EachMonitorTakenOnce) {
    const ScreenRect screen = {0, 0, 1920, 1080};
    const auto taken = [&](std::vector<Monitor> monitors) {
        std::vector<std::string> names;
        for (const Monitor& m : TakenOnce(monitors, screen)) names.push_back(Name(m.rect) + (m.primary ? " primary" : ""));
        return names;
    };
    using Names = std::vector<std::string>;
    EXPECT_EQ(taken({M(0, 0, 1920, 1080, true), M(0, 0, 1920, 1080)}), Names{"1920x1080@0,0 primary"});
    EXPECT_EQ(taken({M(0, 0, 1280, 1024), M(1920, 0, 800, 600), M(0, 0, 1920, 1080, true)}),
              (Names{"1920x1080@0,0 primary", "800x600@1920,0"}));
    // The union of two reaches a third.
    EXPECT_EQ(taken({M(0, 0, 1920, 1080, true), M(1900, 0, 100, 100), M(1990, 50, 500, 500), M(-800, 0, 800, 600)}),
              (Names{"2490x1080@0,0 primary", "800x600@-800,0"}));
    // ... and one listed before them: the primary, which neither reaches alone.
    EXPECT_EQ(taken({M(0, 0, 100, 100, true), M(150, 0, 100, 160), M(50, 150, 150, 50)}), Names{"250x200@0,0 primary"});
    EXPECT_EQ(taken({M(1920, 0, 1280, 1024), M(5000, 5, 0, 700), M(7000, 0, 800, 0)}),
              (Names{"1920x1080@0,0 primary", "1280x1024@1920,0"}));
    EXPECT_TRUE(TakenOnce({}, {0, 0, 0, 1080}).empty());
}

// Displays that change while the scenes run: a resolution changed and back, a monitor gone and
// back, one new. A monitor keeps its scene wherever it now lies, known by its device (by its top
// left only where a device is not known); the layout read again unchanged is the same; a
// full-screen session ends where its mode has gone.
TEST(MonitorLayout, ScenesGoOnWhereTheirMonitorsStay) {
    const ScreenRect screen = {0, 0, 1280, 1024};
    const auto lay = [&](const std::vector<Monitor>& monitors) { return LayOutMonitors(TakenOnce(monitors, screen), kUsual); };
    std::vector<Monitor> monitors = {M(0, 0, 1280, 1024, true, "1"), M(1280, 0, 1024, 768, false, "2"),
                                     M(-800, 100, 800, 600, false, "3")};
    const MonitorLayout first = lay(monitors);
    EXPECT_TRUE(lay(monitors) == first);
    monitors[0] = M(0, 0, 1024, 768, true, "1");  // the primary's resolution lowered
    monitors[1] = M(1024, 0, 1024, 768, false, "2");  // its neighbour moved with it
    monitors.pop_back();                              // one went to sleep
    monitors.push_back(M(0, 768, 1024, 768, false, "4"));  // a new one below
    const MonitorLayout second = lay(monitors);
    ExpectSound(monitors, kUsual, second);
    EXPECT_TRUE(second != first);
    EXPECT_EQ(ScenesCarriedOver(first, second), (std::vector<int>{0, 1, -1}));
    EXPECT_EQ(second.scenes[0].area, (Viewport{0, 768, 1024, 768}));

    // The primary asleep: the other, the primary now at 0, 0, goes on with its own scene, not
    // the primary's; when the primary is back, each has its own again, and the one back is new.
    const MonitorLayout alone = lay({M(0, 0, 1024, 768, true, "2")});
    EXPECT_EQ(ScenesCarriedOver(second, alone), (std::vector<int>{1}));
    EXPECT_EQ(ScenesCarriedOver(alone, first), (std::vector<int>{-1, 0, -1}));
    EXPECT_EQ(ScenesCarriedOver({}, first), (std::vector<int>{-1, -1, -1}));
    // The primary's information not read (the primary screen stands in for it): by its place;
    // but not the scene of a monitor that is still there, elsewhere.
    EXPECT_EQ(ScenesCarriedOver(first, lay({M(1280, 0, 1024, 768, false, "2"), M(-800, 100, 800, 600, false, "3")})),
              (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(ScenesCarriedOver(first, lay({M(1280, 0, 1024, 768, false, "1")})), (std::vector<int>{-1, 0}));

    EXPECT_FALSE(FullScreenModeLost(1024, 768, 32, 1024, 768, 32) || FullScreenModeLost(1024, 768, 32, 1024, 768, 0));
    EXPECT_TRUE(FullScreenModeLost(1024, 768, 32, 1280, 1024, 32) && FullScreenModeLost(1024, 768, 32, 1024, 600, 32) &&
                FullScreenModeLost(1024, 768, 32, 1024, 768, 16));
}

}  // namespace
