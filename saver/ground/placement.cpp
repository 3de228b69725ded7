#include "placement.h"

#include <algorithm>
#include <cstring>

#include "renderer/image/mipmap.h"

namespace {

// a * b / c rounded to the nearest whole number, never below 1 (all positive), nor above 2^30: a
// picture a million times wider than high, filled, is not a negative width, and the sums of such
// a side with a monitor's place stay within an int.
int Scaled(int a, int b, int c) {
    const int64_t value = (2 * int64_t(a) * b + c) / (2 * int64_t(c));
    return static_cast<int>(std::min<int64_t>(int64_t(1) << 30, std::max<int64_t>(1, value)));
}

// The picture's size when as large as `area` holds it whole (cover: as small as still covers
// `area`), its shape kept: one side is the area's, the other rounded.
PixelSize Shaped(PixelSize picture, PixelSize area, bool cover) {
    // Wider than the area's shape, or narrower.
    const bool wider = int64_t(picture.width) * area.height > int64_t(area.width) * picture.height;
    if (wider != cover) return {area.width, Scaled(picture.height, area.width, picture.width)};
    return {Scaled(picture.width, area.height, picture.height), area.height};
}

// A copy of `size` centred in `area`, in the area's coordinates.
PixelRect Centred(PixelSize size, PixelSize area) {
    return {(area.width - size.width) / 2, (area.height - size.height) / 2, size.width, size.height};
}

// a modulo b, from 0 to b - 1 (b > 0).
int Wrap(int64_t a, int b) {
    const int64_t r = a % b;
    return static_cast<int>(r < 0 ? r + b : r);
}

int CeilDiv(int a, int b) { return (a + b - 1) / b; }

}  // namespace

Placement PlaceWallpaper(WallpaperPosition position, PixelSize picture, const PixelRect& monitor,
                         const PixelRect& allMonitors, TileOrigin origin) {
    Placement placement;
    placement.position = position;
    placement.shown = picture;
    const PixelSize area{monitor.width, monitor.height};
    switch (position) {
    case WallpaperPosition::Center: placement.copy = Centred(picture, area); break;
    case WallpaperPosition::Tile: {
        const int64_t x = origin == TileOrigin::AllMonitors ? allMonitors.left : 0;
        const int64_t y = origin == TileOrigin::AllMonitors ? allMonitors.top : 0;
        placement.phaseX = Wrap(x - monitor.left, picture.width);
        placement.phaseY = Wrap(y - monitor.top, picture.height);
        break;
    }
    case WallpaperPosition::Stretch:
        placement.shown = area;
        placement.copy = {0, 0, area.width, area.height};
        break;
    case WallpaperPosition::Fit:
    case WallpaperPosition::Fill:
        placement.shown = Shaped(picture, area, position == WallpaperPosition::Fill);
        placement.copy = Centred(placement.shown, area);
        break;
    case WallpaperPosition::Span: {
        // Filled over the box around all monitors, each monitor showing its own part.
        const PixelSize box{allMonitors.width, allMonitors.height};
        placement.shown = Shaped(picture, box, true);
        const PixelRect inBox = Centred(placement.shown, box);
        placement.copy = {allMonitors.left + inBox.left - monitor.left, allMonitors.top + inBox.top - monitor.top,
                          inBox.width, inBox.height};
        break;
    }
    }
    return placement;
}

PixelRect Surrounding(const std::vector<PixelRect>& monitors) {
    if (monitors.empty()) return {};
    int64_t left = monitors[0].left, top = monitors[0].top, right = left, bottom = top;
    for (const PixelRect& m : monitors) {
        left = std::min<int64_t>(left, m.left);
        top = std::min<int64_t>(top, m.top);
        right = std::max<int64_t>(right, int64_t(m.left) + m.width);
        bottom = std::max<int64_t>(bottom, int64_t(m.top) + m.height);
    }
    return {int(left), int(top), int(right - left), int(bottom - top)};
}

PixelSize LargestShown(WallpaperPosition position, PixelSize picture, const std::vector<PixelRect>& monitors,
                       const PixelRect& allMonitors, TileOrigin origin) {
    PixelSize largest;
    for (const PixelRect& monitor : monitors) {
        const PixelSize shown = PlaceWallpaper(position, picture, monitor, allMonitors, origin).shown;
        largest = {std::max(largest.width, shown.width), std::max(largest.height, shown.height)};
    }
    return largest;
}

DecodeChoice ChooseDecode(PictureFormat format, PixelSize picture, PixelSize shown) {
    DecodeChoice choice;
    choice.size = picture;
    if (picture.width <= 0 || picture.height <= 0) return choice;
    const auto within = [](PixelSize size) { return uint64_t(size.width) * uint64_t(size.height) <= kMaxDecodedPixels; };
    if (format == PictureFormat::Jpeg) {
        for (int denominator : {8, 4, 2}) {
            const PixelSize size{CeilDiv(picture.width, denominator), CeilDiv(picture.height, denominator)};
            if (size.width >= shown.width && size.height >= shown.height) {
                choice.denominator = denominator;
                choice.size = size;
                break;
            }
        }
        // Where that is beyond the bound: the largest fraction within it, a little soft, rather
        // than none.
        for (int denominator : {2, 4, 8}) {
            if (within(choice.size)) break;
            if (denominator <= choice.denominator) continue;
            const PixelSize size{CeilDiv(picture.width, denominator), CeilDiv(picture.height, denominator)};
            if (within(size)) choice = {denominator, size, true};
        }
    }
    choice.fits = within(choice.size);
    return choice;
}

std::vector<uint8_t> ComposeGround(const BgrPicture* picture, const Placement& placement, Rgb background, int width,
                                   int height) {
    if (width <= 0 || height <= 0) return {};
    std::vector<uint8_t> ground(size_t(width) * size_t(height) * 4);
    const uint8_t plain[4] = {background.b, background.g, background.r, 255};
    for (size_t i = 0; i < ground.size(); i += 4) std::memcpy(&ground[i], plain, 4);
    if (!picture || picture->width <= 0 || picture->height <= 0) return ground;
    const int pw = picture->width, ph = picture->height;

    if (placement.position == WallpaperPosition::Tile) {
        // Copies of the picture at its own size, one after another from the phase on.
        for (int y = 0; y < height; ++y) {
            const uint8_t* row = &picture->bgr[size_t(Wrap(int64_t(y) - placement.phaseY, ph)) * pw * 3];
            uint8_t* out = &ground[size_t(y) * width * 4];
            for (int x = 0, sx = Wrap(-int64_t(placement.phaseX), pw); x < width; ++x, out += 4) {
                std::memcpy(out, row + sx * 3, 3);
                if (++sx == pw) sx = 0;
            }
        }
        return ground;
    }

    // The part of the one copy on the monitor, and the part of the picture it shows.
    const PixelRect& copy = placement.copy;
    if (copy.width <= 0 || copy.height <= 0) return ground;
    const int left = std::max(0, copy.left), top = std::max(0, copy.top);
    const int right = static_cast<int>(std::min<int64_t>(width, int64_t(copy.left) + copy.width));
    const int bottom = static_cast<int>(std::min<int64_t>(height, int64_t(copy.top) + copy.height));
    if (left >= right || top >= bottom) return ground;
    const double scaleX = double(pw) / copy.width, scaleY = double(ph) / copy.height;
    const PictureWindow window{(left - copy.left) * scaleX, (top - copy.top) * scaleY, (right - left) * scaleX,
                               (bottom - top) * scaleY};
    ScaleRgbWindowToQuads(picture->bgr.data(), pw, ph, window, &ground[(size_t(top) * width + left) * 4], right - left,
                          bottom - top, size_t(width) * 4);
    return ground;
}
