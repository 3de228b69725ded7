#include "paths.h"

std::string FolderOfPath(const std::string& path) {
    const size_t last = path.find_last_of(":\\");
    if (last == std::string::npos) return "";
    std::string folder = path.substr(0, last + 1);
    if (folder.back() == '\\') folder.pop_back();
    return folder;
}

void StoreZoomCoordinate(int32_t coordinate, int16_t& origin) {
    if (coordinate >= INT16_MIN && coordinate <= INT16_MAX) origin = static_cast<int16_t>(coordinate);
}
