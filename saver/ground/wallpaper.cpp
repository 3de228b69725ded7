#include "wallpaper.h"

#include <climits>

#include "saver/main/command_line.h"

namespace {

// The whole number at the start of a registry string, read leniently as Windows reads these
// values ("10", " 2"); 0 where there is none.
int WholeNumber(const std::string& text) {
    const double value = LeadingNumber(text);
    return value >= INT_MIN && value <= INT_MAX ? static_cast<int>(value) : 0;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The policy's style, numbered as the positions.
bool PolicyPosition(const std::string& style, WallpaperPosition& position) {
    const int number = WholeNumber(style);
    if (style.empty() || number < 0 || number > static_cast<int>(WallpaperPosition::Span)) return false;
    position = static_cast<WallpaperPosition>(number);
    return true;
}

// The files to try for a picture named `file`: it, then the system's copies of what it shows.
std::vector<std::string> NamedThenCopies(const std::string& file, const std::vector<std::string>& shownCopies) {
    std::vector<std::string> files;
    if (!file.empty()) files.push_back(file);
    files.insert(files.end(), shownCopies.begin(), shownCopies.end());
    return files;
}

}  // namespace

WallpaperPosition PositionOfStyle(const std::string& style, const std::string& tile) {
    switch (WholeNumber(style)) {
    case 2: return WallpaperPosition::Stretch;
    case 6: return WallpaperPosition::Fit;
    case 10: return WallpaperPosition::Fill;
    case 22: return WallpaperPosition::Span;
    default: return WholeNumber(tile) == 1 ? WallpaperPosition::Tile : WallpaperPosition::Center;
    }
}

Rgb ParseBackground(const std::string& text) {
    int parts[3];
    size_t i = 0;
    for (int& part : parts) {
        while (i < text.size() && IsBlank(text[i])) ++i;
        const size_t start = i;
        int value = 0;
        for (; i < text.size() && IsDigit(text[i]) && i - start < 3; ++i) value = value * 10 + (text[i] - '0');
        if (i == start || value > 255 || (i < text.size() && !IsBlank(text[i]))) return Rgb();
        part = value;
    }
    while (i < text.size() && IsBlank(text[i])) ++i;
    if (i != text.size()) return Rgb();
    return {static_cast<uint8_t>(parts[0]), static_cast<uint8_t>(parts[1]), static_cast<uint8_t>(parts[2])};
}

WallpaperSetup ResolveWallpaper(const WallpaperValues& values, const DesktopWallpaperAnswer* answer, size_t monitors,
                                const std::vector<std::string>& shownCopies) {
    WallpaperSetup setup;
    if (answer) {
        const int position = answer->position;
        setup.position = position >= 0 && position <= static_cast<int>(WallpaperPosition::Span)
                             ? static_cast<WallpaperPosition>(position)
                             : PositionOfStyle(values.style, values.tile);
        const uint32_t c = answer->backgroundColour;
        setup.background = {static_cast<uint8_t>(c), static_cast<uint8_t>(c >> 8), static_cast<uint8_t>(c >> 16)};
        setup.tileOrigin = TileOrigin::AllMonitors;
    } else {
        setup.position = PositionOfStyle(values.style, values.tile);
        setup.background = ParseBackground(values.background);
    }
    if (values.policyStyleSet) PolicyPosition(values.policyStyle, setup.position);

    for (size_t m = 0; m < monitors; ++m) {
        if (values.policyFileSet) {
            // "If the specified file is not available, no wallpaper is displayed."
            setup.files.push_back(values.policyFile.empty() ? std::vector<std::string>{}
                                                             : std::vector<std::string>{values.policyFile});
        } else if (answer && m < answer->monitors.size() && answer->monitors[m].answered) {
            const DesktopWallpaperAnswer::Monitor& said = answer->monitors[m];
            setup.files.push_back(said.slideshow || !said.file.empty() ? NamedThenCopies(said.file, shownCopies)
                                                                        : std::vector<std::string>{});
        } else {
            setup.files.push_back(values.file.empty() ? std::vector<std::string>{} : NamedThenCopies(values.file, shownCopies));
        }
    }
    // One picture over all monitors: the primary's.
    if (setup.position == WallpaperPosition::Span) {
        for (size_t m = 1; m < setup.files.size(); ++m) setup.files[m] = setup.files[0];
    }
    return setup;
}
