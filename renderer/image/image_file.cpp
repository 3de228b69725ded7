#include "image_file.h"

#include <cstdio>
#include <string>

#include "dib_decode.h"
#include "load_errors.h"
#include "mapped_file.h"

RgbImage* LoadDibFile(const char* path) {
    MappedFile file;
    if (!file.Open(path)) {
        std::string message = "Failed to open DIB file ";
        message += path;
        message += ".\n";
        ReportLoadError(message.c_str());
        return nullptr;
    }
    RgbImage* image = nullptr;
    switch (DecodeDib(file.Data(), file.Size(), &image)) {
    case DibError::None: return image;
    case DibError::UnknownFormat: ReportLoadError("Unknown DIB file format."); break;
    case DibError::OutOfMemory: ReportLoadError("Out of memory."); break;
    case DibError::ConversionError: ReportLoadError("Image file conversion error."); break;
    }
    return nullptr;
}

RgbImage* LoadImageFile(const char* path) {
    if (!path) return nullptr;
    std::FILE* probe = std::fopen(path, "r");
    if (!probe) return nullptr;
    std::fclose(probe);
    return LoadDibFile(path);
}
