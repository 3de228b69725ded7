// The monitors as Windows lists them, and the black covers over monitors that show no scene (the
// saver's over the monitors other than the primary, the renderer's over those its window leaves
// out). Built into both programs.
#pragma once

#include <windows.h>

#include <vector>

#include "monitor_layout.h"

// Every monitor whose information can be read, in the virtual screen's pixels (both programs are
// DPI-aware), each as the system lists it, named by its display device; TakenOnce makes them the
// layout's.
std::vector<Monitor> ListMonitors();

// The primary screen: its size at 0, 0.
ScreenRect PrimaryScreen();

// A cover over `area` (screen pixels), shown: plain black, topmost, borderless, not in the task
// bar, never activated. It is enabled, so that a click on it is not refused with a beep, but the
// click is eaten: the focus and the active window stay where they were. It shows no pointer of
// its own. Null where it cannot be made.
HWND CreateCover(const RECT& area);

// Black covers over a set of areas, laid again as the areas change. Where they are the same as
// before, the covers stay as they are: nothing under them flashes into view.
class Covers {
public:
    Covers() = default;
    Covers(const Covers&) = delete;
    Covers& operator=(const Covers&) = delete;
    // Covers exactly `areas`; Lay({}) takes every cover away.
    void Lay(const std::vector<ScreenRect>& areas);
    const std::vector<HWND>& Windows() const { return windows_; }

private:
    std::vector<ScreenRect> areas_;
    std::vector<HWND> windows_;
};

// The saver's black over every monitor but the primary while its scene shows on the primary
// alone. From the moment the scene shows until the session ends, the covers follow the monitors
// through every change of display: a monitor that comes during the session (waking, docked) is
// covered too, however many there were at the start; one that goes loses its cover.
class OtherMonitorCovers {
public:
    // The scene shows: the other monitors covered, as they now are (TakenOnce's).
    void Begin(const std::vector<Monitor>& monitors);
    // The display changed: the monitors as they now are, covered where the scene has begun.
    void Follow(const std::vector<Monitor>& monitors);
    // Every cover gone; no change of display brings them back.
    void End();
    const Covers& Laid() const { return covers_; }

private:
    bool covering_ = false;
    Covers covers_;
};
