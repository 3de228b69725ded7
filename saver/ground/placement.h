// A wallpaper placed on a monitor as Windows places it, the size it is decoded at, and the
// monitor's picture composed from it.
//
// Choices where Windows documents nothing: a scaled side is rounded to the nearest pixel; a
// picture narrower or wider than the monitor by an odd number of pixels puts the odd one on the
// right (and below): its left edge is at (monitor - picture) / 2, rounded toward zero.
#pragma once

#include <cstdint>
#include <vector>

#include "wallpaper.h"

// Pixels of the virtual screen (the primary monitor's top left corner is 0, 0).
struct PixelRect {
    int left = 0, top = 0, width = 0, height = 0;
};

struct PixelSize {
    int width = 0, height = 0;
};

// Where the picture lies on one monitor, in that monitor's own pixels (its top left is 0, 0).
struct Placement {
    WallpaperPosition position = WallpaperPosition::Center;
    // The whole picture's size on the screen (a tiled or centred picture: its own).
    PixelSize shown;
    // Every position but Tile: where the one copy lies (it may reach beyond the monitor).
    PixelRect copy;
    // Tile: the monitor's pixel that shows the picture's top left pixel, within one period
    // (0 <= phase < the picture's size).
    int phaseX = 0, phaseY = 0;
};

// The picture (its full size) on `monitor`, among monitors whose surrounding box is
// `allMonitors`, in `position`; a tiled picture's copies start at `origin`.
Placement PlaceWallpaper(WallpaperPosition position, PixelSize picture, const PixelRect& monitor,
                         const PixelRect& allMonitors, TileOrigin origin);

// The box around `monitors` (none: an empty box).
PixelRect Surrounding(const std::vector<PixelRect>& monitors);

// The largest size at which the picture is shown on any of `monitors` (each side on its own).
PixelSize LargestShown(WallpaperPosition position, PixelSize picture, const std::vector<PixelRect>& monitors,
                       const PixelRect& allMonitors, TileOrigin origin);

// The picture's kind, from its first bytes.
enum class PictureFormat { Jpeg, Png, Gif, Bmp, Tiff, Other };

// A decoded picture is at most this many pixels (an 8K picture, 7680 x 4320, and a little more):
// its three bytes a pixel, the decoder's own copy and the monitors' pictures stay well inside a
// 32-bit program's memory.
constexpr uint64_t kMaxDecodedPixels = 40000000;

// How a picture is decoded: at 1/denominator of its size (JPEG alone has a decoder that
// scales, by 2, 4 or 8), to `size`; `fits` is false where even that is beyond the bound, or the
// picture has no pixels: it counts as unreadable, and is never decoded.
struct DecodeChoice {
    int denominator = 1;
    PixelSize size;
    bool fits = false;
};

// The smallest decode that still covers `shown` (the largest size the picture is shown at, on
// any monitor), pixel for pixel; where that is beyond the bound, a JPEG's largest fraction
// within it.
DecodeChoice ChooseDecode(PictureFormat format, PixelSize picture, PixelSize shown);

// A decoded picture: packed blue-green-red rows, the top row first.
struct BgrPicture {
    int width = 0, height = 0;
    std::vector<uint8_t> bgr;
};

// The ground of a width x height monitor: `picture` (decoded at any size, standing for a
// picture of the size the placement was made for) where the placement puts it, `background`
// everywhere else; 32-bit blue-green-red-x pixels, rows from the top, as a photograph of the
// monitor is held. Without a picture, the background alone.
std::vector<uint8_t> ComposeGround(const BgrPicture* picture, const Placement& placement, Rgb background, int width,
                                   int height);
