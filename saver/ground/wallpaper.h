// The user's wallpaper as their desktop shows it: which picture on which monitor, in which
// position, over which background colour, from the settings as Windows reports them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// How the picture lies on the monitors, numbered as Windows' DWPOS_ values.
enum class WallpaperPosition {
    Center = 0,   // at its own size, in the middle of each monitor
    Tile = 1,     // at its own size, repeated over every monitor
    Stretch = 2,  // to each monitor's size, its shape lost
    Fit = 3,      // as large as each monitor holds whole, its shape kept
    Fill = 4,     // as small as still covers each monitor, its shape kept, the rest cut off
    Span = 5,     // one picture over all monitors together, as Fill over the box around them
};

struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
};

// Where the copies of a tiled picture start. Windows before 8 anchors them at the primary
// monitor's top left corner (0, 0); Windows 8 and later, whose wallpaper spans the monitors as
// one, at the top left corner of the box around all monitors.
enum class TileOrigin { PrimaryMonitor, AllMonitors };

// The wallpaper values as read, each "" where the system has none.
struct WallpaperValues {
    std::string file;        // the wallpaper's path, as SPI_GETDESKWALLPAPER answers
    std::string style;       // HKCU\Control Panel\Desktop: WallpaperStyle ("0", "2", "6", "10", "22")
    std::string tile;        // HKCU\Control Panel\Desktop: TileWallpaper ("1" tiles style 0)
    std::string background;  // HKCU\Control Panel\Colors: Background, "R G B"
    // HKCU\Software\Microsoft\Windows\CurrentVersion\Policies\System: the administrator's
    // Wallpaper and WallpaperStyle ("0" centre, "1" tile, "2" stretch, "3" fit, "4" fill, "5"
    // span), each winning over the user's own where present (an empty file then means none).
    bool policyFileSet = false;
    std::string policyFile;
    bool policyStyleSet = false;
    std::string policyStyle;
};

// What IDesktopWallpaper answers, where the system has it (Windows 8 and later).
struct DesktopWallpaperAnswer {
    int position = 0;                 // GetPosition: a DWPOS_ value
    uint32_t backgroundColour = 0;    // GetBackgroundColor: 0x00BBGGRR
    // GetWallpaper for each of the session's monitors (matched by GetMonitorRECT), in the
    // session's order.
    struct Monitor {
        bool answered = false;   // a monitor of the answer lies there
        bool slideshow = false;  // S_FALSE and no file: a slideshow, whose picture shown now is the copy
        std::string file;        // the file it names; "" with S_OK: no picture, the colour alone
    };
    std::vector<Monitor> monitors;
};

// The wallpaper a session shows.
struct WallpaperSetup {
    WallpaperPosition position = WallpaperPosition::Center;
    Rgb background;
    TileOrigin tileOrigin = TileOrigin::PrimaryMonitor;
    // For each of the session's monitors (the primary first), the files to try, in order: the
    // first that can be read is the picture; none at all, no wallpaper there.
    std::vector<std::vector<std::string>> files;
};

// The user's own WallpaperStyle and TileWallpaper as a position: 0 centres (tiles with
// TileWallpaper 1), 2 stretches, 6 fits, 10 fills, 22 spans; a missing or unknown style centres.
WallpaperPosition PositionOfStyle(const std::string& style, const std::string& tile);

// "R G B" (three numbers from 0 to 255, blanks between) as a colour; black where it is not
// that (the value is missing, or hand-edited into something else).
Rgb ParseBackground(const std::string& text);

// The setup for `monitors` monitors from the values read, `answer` where the system gave one
// (null otherwise), and `shownCopies`, where the system keeps its own copy of the picture its
// desktop shows now ("%APPDATA%\Microsoft\Windows\Themes\TranscodedWallpaper", with ".jpg"
// before Windows 8): the picture of a slideshow or of a picture of the day, and still there when
// the file it was made from has gone. The administrator's policy wins over both; a file named is
// tried before the copies, and a policy's file alone is tried.
WallpaperSetup ResolveWallpaper(const WallpaperValues& values, const DesktopWallpaperAnswer* answer, size_t monitors,
                                const std::vector<std::string>& shownCopies);
