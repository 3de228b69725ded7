// The user's wallpaper as the system reports it, and its picture decoded. Reads only what the
// user's own desktop reads; writes nothing.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "placement.h"
#include "wallpaper.h"

// The wallpaper for `monitors` (virtual-screen pixels, the primary first): through
// IDesktopWallpaper where the system has it (Windows 8 on), the registry's values otherwise, the
// administrator's policy over either. Needs COM on the calling thread.
WallpaperSetup ReadWallpaperSetup(const std::vector<PixelRect>& monitors);

// The size at which a picture of the given full size is shown at the most.
using ShownSize = std::function<PixelSize(PixelSize picture)>;

// The picture in `file` (UTF-8), decoded as small as still covers `shown(its size)` pixel for
// pixel; its full size into `full`. False, with nothing decoded, where it cannot be had: no such
// file, not on this computer's disks, not a picture, damaged, too large for the bound, or more than the memory free now holds. Needs
// COM on the calling thread.
bool LoadWallpaperPicture(const std::string& file, const ShownSize& shown, BgrPicture& picture, PixelSize& full);
