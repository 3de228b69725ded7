// Reading BMP files into RgbImage records.
#pragma once

#include "mapped_file.h"
#include "rgb_image.h"

// Maps the file at `path` and decodes it. Returns a new image (free with FreeRgbImage), or null
// after reporting the reason through ReportLoadError.
RgbImage* LoadDibFile(const char* path);

// Returns null silently when there is no path or the file counts as missing (none there, held
// open for writing by someone, not a disk file, or not where `reach` allows); otherwise as
// LoadDibFile(path).
RgbImage* LoadImageFile(const char* path, MappedFile::Reach reach = MappedFile::Reach::Anywhere);
