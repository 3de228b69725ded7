// The black covers a session puts over the monitors other than the primary.
#pragma once

#include <windows.h>

// A cover over `area` (screen pixels), shown: plain black, topmost, borderless, not in the task
// bar, never activated. It is enabled, so that a click on it is not refused with a beep, but the
// click is eaten: the focus and the active window stay where they were. It shows no pointer of
// its own. Null where it cannot be made.
HWND CreateCover(const RECT& area);
