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
