// Path helpers shared by the saver's parts. Paths are UTF-8 texts with "\" separators.
#pragma once

#include <cstdint>
#include <string>

// The folder part of `path`: everything up to the last ":" or "\", without a trailing "\".
// "C:\Music\a.mp3" gives "C:\Music", "C:\a.mp3" gives "C:", "a.mp3" gives "".
std::string FolderOfPath(const std::string& path);

// Stores a screen coordinate in a 16-bit zoom origin. A coordinate that a 16-bit number cannot
// hold (monitors far out from the primary) leaves the origin as it was, so the zoom still
// starts from a point on a screen instead of one that wrapped round to the other side.
void StoreZoomCoordinate(int32_t coordinate, int16_t& origin);
