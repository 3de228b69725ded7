// The skinned push button as a Win32 child window: the portable Command logic bound to mouse,
// focus and timer messages, and its face painted with GradientFill and the skin pictures.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

// Resource numbers (RCDATA, BMP files) of the six skins, in Skin order.
constexpr int kSkinResourceFirst = 10;

// Creates a button at (x, y), width x height pixels, in `parent`; `onClick` runs on Click.
// Its face and caption are laid out for a screen of `dpi` (0: the screen's own). The button is
// initialised (hover polling on) and enabled. Returns its window.
HWND CreateCommandButton(HWND parent, int x, int y, int width, int height, const std::string& caption,
                         std::function<void()> onClick, int dpi = 0);

// Enables or disables the button (its Enabled property); a disabled button is no tab stop.
void SetCommandEnabled(HWND button, bool enabled);

// Returns whether the button is enabled (its own state; the window itself stays enabled).
bool CommandEnabled(HWND button);

// Where a button of width x height pixels on a screen of `dpi` draws its caption, centred and
// clipped: its caption label's rectangle in the button's client area.
RECT CommandCaptionRect(int width, int height, int dpi);
