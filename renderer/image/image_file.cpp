#include "image_file.h"

#include <string>

#include "dib_decode.h"
#include "load_errors.h"
#include "mapped_file.h"

namespace {

void ReportNotOpened(const char* path) {
    std::string message = "Failed to open DIB file ";
    message += path;
    message += ".\n";
    ReportLoadError(message.c_str());
}

RgbImage* Decode(const MappedFile& file) {
    RgbImage* image = nullptr;
    switch (DecodeDib(file.Data(), file.Size(), &image)) {
    case DibError::None: return image;
    case DibError::UnknownFormat: ReportLoadError("Unknown DIB file format."); break;
    case DibError::OutOfMemory: ReportLoadError("Out of memory."); break;
    case DibError::ConversionError: ReportLoadError("Image file conversion error."); break;
    }
    return nullptr;
}

}  // namespace

RgbImage* LoadDibFile(const char* path) {
    MappedFile file;
    if (file.Open(path) != MappedFile::Result::Mapped) {
        ReportNotOpened(path);
        return nullptr;
    }
    return Decode(file);
}

RgbImage* LoadImageFile(const char* path, MappedFile::Reach reach) {
    if (!path) return nullptr;
    MappedFile file;
    switch (file.Open(path, reach)) {
    case MappedFile::Result::Missing: return nullptr;
    case MappedFile::Result::Unmappable: ReportNotOpened(path); return nullptr;
    case MappedFile::Result::Mapped: break;
    }
    return Decode(file);
}
