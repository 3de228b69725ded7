// Reading BMP files into RgbImage records.
#pragma once

#include "rgb_image.h"

// Maps the file at `path` and decodes it. Returns a new image (free with FreeRgbImage), or null
// after reporting the reason through ReportLoadError.
RgbImage* LoadDibFile(const char* path);

// Returns null silently when there is no path or the file cannot be opened for reading;
// otherwise LoadDibFile(path).
RgbImage* LoadImageFile(const char* path);
