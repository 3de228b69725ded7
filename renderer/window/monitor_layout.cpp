#include "monitor_layout.h"

#include <algorithm>

namespace {

// At most this many window pixels to one monitor pixel.
constexpr int64_t kWindowPixelsPerMonitorPixel = 2;

int64_t Pixels(const ScreenRect& r) { return int64_t(r.Width()) * r.Height(); }

bool Overlap(const ScreenRect& a, const ScreenRect& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

ScreenRect Union(const ScreenRect& a, const ScreenRect& b) {
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right), std::max(a.bottom, b.bottom)};
}

// Some of the monitors, the box round them and the pixels they show.
struct Choice {
    std::vector<bool> in;
    ScreenRect box;
    int64_t pixels = 0;

    void Take(const std::vector<Monitor>& monitors, size_t i) {
        box = pixels == 0 ? monitors[i].rect : Union(box, monitors[i].rect);
        pixels += Pixels(monitors[i].rect);
        in[i] = true;
    }
    // Takes in every monitor the box reaches into, until none is left half inside.
    void Close(const std::vector<Monitor>& monitors) {
        for (bool grown = true; grown;) {
            grown = false;
            for (size_t i = 0; i < monitors.size(); ++i) {
                if (!in[i] && Overlap(box, monitors[i].rect)) {
                    Take(monitors, i);
                    grown = true;
                }
            }
        }
    }
};

bool Within(int size, int limit) { return limit <= 0 || size <= limit; }

bool Fits(const Choice& c, const LayoutLimits& limits) {
    const int64_t window = Pixels(c.box);
    return Within(c.box.Width(), limits.maxViewportWidth) && Within(c.box.Height(), limits.maxViewportHeight) &&
           (limits.maxWindowPixels <= 0 || window <= limits.maxWindowPixels) &&
           window <= kWindowPixelsPerMonitorPixel * c.pixels;
}

}  // namespace

std::vector<Monitor> TakenOnce(std::vector<Monitor> monitors, const ScreenRect& primaryScreen) {
    monitors.erase(std::remove_if(monitors.begin(), monitors.end(),
                                  [](const Monitor& m) { return m.rect.Width() <= 0 || m.rect.Height() <= 0; }),
                   monitors.end());
    if (std::none_of(monitors.begin(), monitors.end(), [](const Monitor& m) { return m.primary; }) &&
        primaryScreen.Width() > 0 && primaryScreen.Height() > 0) {
        monitors.insert(monitors.begin(), {primaryScreen, true, {}});
    }
    // Joined pairwise until no two overlap: a union may reach any other, one listed before it too.
    for (bool joined = true; joined;) {
        joined = false;
        for (size_t i = 0; i < monitors.size() && !joined; ++i) {
            for (size_t j = i + 1; j < monitors.size() && !joined; ++j) {
                if (!Overlap(monitors[i].rect, monitors[j].rect)) continue;
                monitors[i].rect = Union(monitors[i].rect, monitors[j].rect);
                monitors[i].primary = monitors[i].primary || monitors[j].primary;
                monitors.erase(monitors.begin() + static_cast<std::ptrdiff_t>(j));
                joined = true;  // the grown one against all the others again, from the first
            }
        }
    }
    std::stable_partition(monitors.begin(), monitors.end(), [](const Monitor& m) { return m.primary; });
    return monitors;
}

MonitorLayout LayOutMonitors(const std::vector<Monitor>& monitors, const LayoutLimits& limits) {
    MonitorLayout layout;
    if (monitors.empty()) return layout;
    const auto primary = std::find_if(monitors.begin(), monitors.end(), [](const Monitor& m) { return m.primary; });
    Choice chosen;
    chosen.in.assign(monitors.size(), false);
    chosen.Take(monitors, primary == monitors.end() ? 0 : static_cast<size_t>(primary - monitors.begin()));
    for (;;) {
        Choice best;
        for (size_t i = 0; i < monitors.size(); ++i) {
            if (chosen.in[i]) continue;
            Choice grown = chosen;
            grown.Take(monitors, i);
            grown.Close(monitors);
            if (!Fits(grown, limits)) continue;
            if (grown.pixels > best.pixels || (grown.pixels == best.pixels && Pixels(grown.box) < Pixels(best.box))) {
                best = grown;
            }
        }
        if (best.pixels == 0) break;
        chosen = best;
    }

    layout.window = chosen.box;
    // The primary's scene first, then the others in their order.
    std::vector<size_t> order(monitors.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_partition(order.begin(), order.end(), [&](size_t i) { return monitors[i].primary; });
    for (size_t i : order) {
        const ScreenRect& r = monitors[i].rect;
        if (!chosen.in[i]) {
            layout.covered.push_back(r);
            continue;
        }
        // Within the viewport limit only where the primary alone passes it: the part from its top left.
        const int width = limits.maxViewportWidth > 0 ? std::min(r.Width(), limits.maxViewportWidth) : r.Width();
        const int height = limits.maxViewportHeight > 0 ? std::min(r.Height(), limits.maxViewportHeight) : r.Height();
        // GL counts rows from the window's bottom.
        layout.scenes.push_back(
            {r, {r.left - chosen.box.left, chosen.box.bottom - r.top - height, width, height}, monitors[i].device});
    }
    return layout;
}

std::vector<int> ScenesCarriedOver(const MonitorLayout& before, const MonitorLayout& after) {
    std::vector<int> from(after.scenes.size(), -1);
    std::vector<bool> taken(before.scenes.size(), false);
    const auto match = [&](bool byDevice) {
        for (size_t i = 0; i < after.scenes.size(); ++i) {
            const LaidScene& now = after.scenes[i];
            for (size_t j = 0; j < before.scenes.size() && from[i] < 0; ++j) {
                const LaidScene& was = before.scenes[j];
                const bool known = !now.device.empty() && !was.device.empty();
                const bool same = byDevice ? known && now.device == was.device
                                           : !known && now.monitor.left == was.monitor.left && now.monitor.top == was.monitor.top;
                if (same && !taken[j]) {
                    from[i] = static_cast<int>(j);
                    taken[j] = true;
                }
            }
        }
    };
    match(true);
    match(false);
    return from;
}

bool FullScreenModeLost(int setWidth, int setHeight, int setBits, int width, int height, int bits) {
    return width != setWidth || height != setHeight || (bits != 0 && bits != setBits);
}
