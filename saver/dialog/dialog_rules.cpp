#include "dialog_rules.h"

#include <algorithm>
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

std::string ConfirmSettings(SettingsWriter& writer, const std::string& repeatText, const std::vector<std::string>& files) {
    BgmRepeat = RepeatFromText(repeatText);
    for (const std::string& file : files) {
        if (writer.Write(file, kKeyBgmKind, std::to_string(BgmKind)) &&
            writer.Write(file, kKeyBgmRepeat, std::to_string(BgmRepeat)) && writer.Write(file, kKeyBgmFile, BgmFile) &&
            (ScreenMode == 1 ? writer.Write(file, kKeyScreenMode, "1") : writer.Remove(file, kKeyScreenMode)) &&
            (AllMonitors == 1 ? writer.Write(file, kKeyAllMonitors, "1") : writer.Remove(file, kKeyAllMonitors))) {
            return file;
        }
    }
    return "";
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

int DialogPixels(int pixelsAt96, int dpi) {
    const int64_t scaled = static_cast<int64_t>(pixelsAt96) * dpi;
    return static_cast<int>(scaled >= 0 ? (scaled + 48) / 96 : -((-scaled + 48) / 96));
}

int CheckTextOffset(int dpi) { return DialogPixels(13, dpi) + DialogPixels(4, dpi); }

std::pair<int, int> CheckBoxSpan(int textWidth, int dpi) {
    const int width = CheckTextOffset(dpi) + textWidth;
    return {std::min(DialogPixels(316, dpi), DialogPixels(481, dpi) - width), width};
}

namespace {

// For each of n new pixels along one side, the source pixels it covers and by how much (shares
// of a new pixel, adding up to 1).
struct Cover {
    int first;
    std::vector<double> weights;
};
std::vector<Cover> Covers(int from, int to) {
    std::vector<Cover> covers(static_cast<size_t>(to));
    const double step = static_cast<double>(from) / to;
    for (int i = 0; i < to; ++i) {
        const double begin = i * step, end = (i + 1) * step;
        Cover& c = covers[static_cast<size_t>(i)];
        c.first = static_cast<int>(begin);
        for (int s = c.first; s < from && s < end; ++s) {
            c.weights.push_back((std::min<double>(end, s + 1) - std::max<double>(begin, s)) / step);
        }
    }
    return covers;
}

}  // namespace

std::vector<uint32_t> ScalePicture(const uint32_t* pixels, int w, int h, int dw, int dh) {
    std::vector<uint32_t> out;
    if (!pixels || w <= 0 || h <= 0 || dw <= 0 || dh <= 0) return out;
    out.resize(static_cast<size_t>(dw) * static_cast<size_t>(dh));
    const std::vector<Cover> across = Covers(w, dw), down = Covers(h, dh);
    for (int y = 0; y < dh; ++y) {
        const Cover& cy = down[static_cast<size_t>(y)];
        for (int x = 0; x < dw; ++x) {
            const Cover& cx = across[static_cast<size_t>(x)];
            double alpha = 0, red = 0, green = 0, blue = 0;
            for (size_t j = 0; j < cy.weights.size(); ++j) {
                const uint32_t* row = pixels + static_cast<size_t>(cy.first + static_cast<int>(j)) * static_cast<size_t>(w);
                for (size_t i = 0; i < cx.weights.size(); ++i) {
                    const uint32_t p = row[cx.first + static_cast<int>(i)];
                    const double a = (p >> 24) * cy.weights[j] * cx.weights[i];
                    alpha += a;
                    red += a * ((p >> 16) & 0xff);
                    green += a * ((p >> 8) & 0xff);
                    blue += a * (p & 0xff);
                }
            }
            const auto channel = [alpha](double sum) {
                return alpha > 0 ? static_cast<uint32_t>(std::lround(std::min(255.0, sum / alpha))) : 0u;
            };
            const auto a = static_cast<uint32_t>(std::lround(std::min(255.0, alpha)));
            out[static_cast<size_t>(y) * static_cast<size_t>(dw) + static_cast<size_t>(x)] =
                a << 24 | channel(red) << 16 | channel(green) << 8 | channel(blue);
        }
    }
    return out;
}
