#include "ground.h"

#include <cstring>

namespace {

// The colour bytes of a pixel read as a little-endian word: blue, green and red, not the fourth.
constexpr uint32_t kColourBits = 0x00FFFFFFu;

bool SameLetters(const std::string& a, const char* b) {
    if (a.size() != std::strlen(b)) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char c = a[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != b[i]) return false;
    }
    return true;
}

}  // namespace

DesktopKind DesktopKindOf(const std::string& name) {
    return SameLetters(name, "screen-saver") || SameLetters(name, "winlogon") ? DesktopKind::Systems
                                                                               : DesktopKind::Users;
}

bool IsOneColour(const uint8_t* bgrx, int width, int height) {
    if (width <= 0 || height <= 0) return true;
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    // A pixel at a time as one word, its fourth byte masked off (a blank 4K screen is 8 million
    // pixels, all compared).
    uint32_t first;
    std::memcpy(&first, bgrx, 4);
    uint32_t differ = 0;
    for (size_t i = 1; i < count && !differ; ++i) {
        uint32_t pixel;
        std::memcpy(&pixel, bgrx + i * 4, 4);
        differ = (pixel ^ first) & kColourBits;
    }
    return differ == 0;
}

std::vector<GroundSource> GroundOrder(DesktopKind desktop) {
    if (desktop == DesktopKind::Systems) {
        return {GroundSource::WatchersPhotograph, GroundSource::Wallpaper, GroundSource::BackgroundColour};
    }
    return {GroundSource::Photograph, GroundSource::Wallpaper, GroundSource::BackgroundColour};
}
