// Where a monitor's ground comes from. A screen saver that Windows starts by itself after the
// idle time runs on a desktop of Windows' own (Winsta0\Screen-saver), where a photograph of the
// screen shows that desktop's flat colour and nothing of the user's: there the ground is the
// user's wallpaper as their desktop places it. Preview and the settings page's test run on the
// user's own desktop, where the photograph taken now is the ground, as ever.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class DesktopKind {
    Users,    // the user's own desktop (Winsta0\Default, or any desktop of another name)
    Systems,  // a desktop of Windows' own: "Screen-saver" or "Winlogon", in any letter case
};

// The kind of the desktop named `name` (UTF-8, as GetUserObjectInformation's UOI_NAME gives it).
DesktopKind DesktopKindOf(const std::string& name);

// True when a capture (32-bit blue-green-red-x pixels, rows from the top, the fourth byte
// ignored) is one colour from edge to edge: a blank desktop, or a capture the system refused.
// Such a photograph shows nothing of the user's and counts as none. An empty capture counts as
// one colour.
bool IsOneColour(const uint8_t* bgrx, int width, int height);

// The sources of a monitor's ground, best first. The session takes each monitor's ground from
// the first source that gives one there: a photograph that IsOneColour counts as none, and a
// wallpaper that cannot be read, give none; the background colour always gives one.
enum class GroundSource {
    Photograph,        // the screen as it is now, photographed
    WatchersPhotograph,  // the user's desktop photographed by the watcher in the seconds before
                         // Windows switched away from it, where fresh and the session not locked
    Wallpaper,         // the user's desktop picture, placed as their desktop places it
    BackgroundColour,  // their desktop's background colour, plain
};

// The order on a desktop of this kind. Windows' own desktop shows nothing of the user's, so it is
// never photographed there: the watcher's photograph of the user's desktop comes first.
std::vector<GroundSource> GroundOrder(DesktopKind desktop);
