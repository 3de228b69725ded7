#include "dialog_rules.h"

#include <cmath>

#include "saver/main/command_line.h"
#include "saver/main/settings.h"

MusicSourceControls ControlsForSource(int16_t kind) {
    return {kind == 1, kind == 2, (kind >= 0 && kind <= 2) ? kind : -1};
}

std::string RepeatText(int32_t value) { return value == 0 ? "" : std::to_string(value); }

int16_t RepeatFromText(const std::string& text) {
    double value = 0;
    int32_t whole = 0;
    if (!ParseNumber(text, value) || !RoundToInt32(value, whole)) return 0;
    if (whole < -32768 || whole > 32767) return 0;  // cannot be held: treated as no number
    return static_cast<int16_t>(whole);
}

void ConfirmSettings(SettingsWriter& writer, const std::string& repeatText) {
    writer.Write(kKeyBgmKind, std::to_string(BgmKind));
    BgmRepeat = RepeatFromText(repeatText);
    writer.Write(kKeyBgmRepeat, std::to_string(BgmRepeat));
    writer.Write(kKeyBgmFile, BgmFile);
}

void BackgroundColourAt(int y, double height, uint8_t& red, uint8_t& green, uint8_t& blue) {
    const double period = height / 3.142;
    const double c = std::nearbyint(std::fabs(std::sin(y / period)) * 220.0);
    red = green = static_cast<uint8_t>(c);
    blue = static_cast<uint8_t>(c + 30.0);
}

std::vector<std::pair<int, int>> BandTiles(int bw, int bh, int tw, int th) {
    std::vector<std::pair<int, int>> tiles;
    if (bw <= 0 || bh <= 0) return tiles;
    int x = 0, y = 0;
    for (;;) {
        tiles.emplace_back(x, y);
        if (y > th) {
            if (x > tw) break;
            x += bw;
            y = 0;
        } else {
            y += bh;
        }
    }
    return tiles;
}

std::pair<int, int> DialogPosition(int screenWidth, int screenHeight, int windowWidth, int windowHeight) {
    return {(screenWidth - windowWidth) / 2, (screenHeight - windowHeight) / 3};
}
