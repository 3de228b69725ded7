// Writes the settings dialog's pictures into OUTPUT_DIR:
//   skin_normal.bmp, skin_highlight.bmp, skin_highlightselect.bmp, skin_selected.bmp,
//   skin_pressed.bmp, skin_disable.bmp   64 x 25 button skins (border strips; the middle is
//                                        never drawn, the button's gradient shows there)
//   band.bmp                             556 x 20 brushed-metal strip for the panel
//   option_off.bmp, option_on.bmp        12 x 12 option marks
//   hand.cur                             32 x 32 monochrome pointing hand, hot spot (12, 10)
// The output depends only on this program, so running it again gives the same bytes.
//
// usage: make_dialog_pictures OUTPUT_DIR
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "saver/session/bmp_writer.h"

namespace {

struct Rgb {
    int r, g, b;
};

Rgb Mix(Rgb a, Rgb b, double t) {
    return {static_cast<int>(std::lround(a.r + (b.r - a.r) * t)), static_cast<int>(std::lround(a.g + (b.g - a.g) * t)),
            static_cast<int>(std::lround(a.b + (b.b - a.b) * t))};
}

class Picture {
public:
    Picture(int w, int h, Rgb fill) : w_(w), h_(h), px_(static_cast<size_t>(w) * h, fill) {}
    void Set(int x, int y, Rgb c) {
        if (x >= 0 && y >= 0 && x < w_ && y < h_) px_[static_cast<size_t>(y) * w_ + x] = c;
    }
    Rgb Get(int x, int y) const { return px_[static_cast<size_t>(y) * w_ + x]; }
    // A one-pixel ring `inset` pixels in from the edge.
    void Ring(int inset, Rgb top, Rgb bottom) {
        for (int y = inset; y < h_ - inset; ++y) {
            const Rgb c = Mix(top, bottom, double(y - inset) / (h_ - 1 - 2 * inset));
            if (y == inset || y == h_ - 1 - inset) {
                for (int x = inset; x < w_ - inset; ++x) Set(x, y, c);
            } else {
                Set(inset, y, c);
                Set(w_ - 1 - inset, y, c);
            }
        }
    }
    // The area inside `inset`, shaded from top to bottom.
    void Inside(int inset, Rgb top, Rgb bottom) {
        for (int y = inset; y < h_ - inset; ++y) {
            const Rgb c = Mix(top, bottom, double(y - inset) / (h_ - 1 - 2 * inset));
            for (int x = inset; x < w_ - inset; ++x) Set(x, y, c);
        }
    }
    // Rounds the ring at `inset`: the corner pixel and its two neighbours soften into the margin.
    void RoundCorners(int inset, Rgb corner, Rgb neighbour) {
        const int xs[2] = {inset, w_ - 1 - inset}, ys[2] = {inset, h_ - 1 - inset};
        for (int xi = 0; xi < 2; ++xi) {
            for (int yi = 0; yi < 2; ++yi) {
                const int x = xs[xi], y = ys[yi], dx = xi ? -1 : 1, dy = yi ? -1 : 1;
                Set(x, y, corner);
                Set(x + dx, y, neighbour);
                Set(x, y + dy, neighbour);
            }
        }
    }
    bool Write(const std::string& path) const {
        const std::vector<uint8_t> file = EncodeBmp(w_, h_, 24, [&](int x, int y, uint8_t rgb[3]) {
            const Rgb c = Get(x, y);
            rgb[0] = static_cast<uint8_t>(c.r);
            rgb[1] = static_cast<uint8_t>(c.g);
            rgb[2] = static_cast<uint8_t>(c.b);
        });
        return WriteFile(path, file);
    }
    static bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
        std::FILE* out = std::fopen(path.c_str(), "wb");
        const bool ok = out && std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
        return out && std::fclose(out) == 0 && ok;
    }

private:
    int w_, h_;
    std::vector<Rgb> px_;
};

constexpr int kSkinW = 64, kSkinH = 25;

// The resting skin: light margin, dark-blue rounded border, near-white inside with the two rows
// above the bottom border shading darker.
Picture NormalSkin() {
    Picture p(kSkinW, kSkinH, {243, 243, 238});
    p.Ring(0, {224, 220, 201}, {248, 247, 240});
    p.Ring(1, {0, 60, 116}, {0, 60, 116});
    p.RoundCorners(1, {122, 149, 168}, {37, 87, 131});
    p.Inside(2, {243, 243, 238}, {254, 254, 254});
    for (int x = 2; x < kSkinW - 2; ++x) {
        p.Set(x, kSkinH - 4, {226, 223, 214});
        p.Set(x, kSkinH - 3, {214, 208, 197});
    }
    return p;
}

// The resting skin with a coloured inner ring: two top rows, shaded side columns, bottom rows.
Picture RingedSkin(Rgb top1, Rgb top2, Rgb sideTop, Rgb sideBottom, Rgb bottom1, Rgb bottom2) {
    Picture p = NormalSkin();
    for (int x = 2; x < kSkinW - 2; ++x) {
        p.Set(x, 2, top1);
        p.Set(x, 3, top2);
        p.Set(x, kSkinH - 4, bottom1);
        p.Set(x, kSkinH - 3, bottom2);
    }
    for (int y = 4; y < kSkinH - 4; ++y) {
        const Rgb c = Mix(sideTop, sideBottom, double(y - 4) / (kSkinH - 9));
        p.Set(2, y, c);
        p.Set(kSkinW - 3, y, c);
    }
    return p;
}

Picture PressedSkin() {
    Picture p(kSkinW, kSkinH, {236, 233, 216});
    p.Ring(1, {224, 220, 201}, {248, 247, 240});
    p.Ring(2, {0, 60, 116}, {0, 60, 116});
    p.RoundCorners(2, {122, 149, 168}, {37, 87, 131});
    p.Inside(3, {209, 204, 193}, {242, 241, 238});  // sunken: darker at the top
    return p;
}

Picture DisabledSkin() {
    Picture p(kSkinW, kSkinH, {245, 244, 234});
    p.Ring(0, {236, 233, 216}, {236, 233, 216});
    p.Ring(1, {201, 199, 186}, {201, 199, 186});
    p.RoundCorners(1, {216, 213, 199}, {203, 201, 188});
    return p;
}

// A repeatable value in [-1, 1].
double Noise(uint32_t n) {
    n ^= n >> 16;
    n *= 0x7feb352du;
    n ^= n >> 15;
    n *= 0x846ca68bu;
    n ^= n >> 16;
    return (n & 0xFFFF) / 32767.5 - 1.0;
}

// Brushed metal: light grey with long horizontal streaks (averaging about 199, 195, 194).
Picture Band() {
    const int w = 556, h = 20;
    Picture p(w, h, {0, 0, 0});
    for (int y = 0; y < h; ++y) {
        const double row = 5.0 * Noise(static_cast<uint32_t>(y) * 7919u + 1);
        double streak = 0;
        for (int x = 0; x < w; ++x) {
            // Each pixel follows its left neighbour closely: streaks run along the rows.
            streak = 0.85 * streak + 0.15 * 9.0 * Noise(static_cast<uint32_t>(y * w + x) + 77u);
            const double v = row + streak;
            p.Set(x, y, {static_cast<int>(std::lround(199 + v)), static_cast<int>(std::lround(195 + v)),
                         static_cast<int>(std::lround(194 + v))});
        }
    }
    return p;
}

Picture OptionMark(bool selected) {
    Picture p(12, 12, selected ? Rgb{48, 96, 208} : Rgb{226, 226, 222});
    p.Ring(0, selected ? Rgb{16, 40, 120} : Rgb{72, 72, 72}, selected ? Rgb{16, 40, 120} : Rgb{72, 72, 72});
    if (selected) p.Inside(3, {104, 150, 240}, {40, 84, 196});  // a little depth in the blue
    return p;
}

// A pointing hand, 32 x 32, one letter a pixel: '#' black, '.' white, ' ' transparent.
// The tip of the index finger is the hot spot (12, 10).
const char* const kHand[32] = {
    "                                ", "                                ", "                                ",
    "                                ", "                                ", "                                ",
    "                                ", "                                ", "                                ",
    "           ##                   ", "          #..#                  ", "          #..#                  ",
    "          #..#                  ", "          #..###                ", "          #..#..###             ",
    "          #..#..#..##           ", "       ## #..#..#..#.#          ", "      #..##........#..#         ",
    "      #...#...........#         ", "       #..............#         ", "        #.............#         ",
    "        #.............#         ", "         #...........#          ", "         #...........#          ",
    "          #.........#           ", "          #.........#           ", "          ###########           ",
    "                                ", "                                ", "                                ",
    "                                ", "                                ",
};

// A monochrome .cur file: AND mask (1 = transparent) and XOR mask (1 = white where opaque).
std::vector<uint8_t> HandCursor() {
    std::vector<uint8_t> out;
    auto put16 = [&](uint32_t v) { out.push_back(v & 0xFF), out.push_back((v >> 8) & 0xFF); };
    auto put32 = [&](uint32_t v) { put16(v & 0xFFFF), put16(v >> 16); };
    const uint32_t imageSize = 40 + 8 + 128 + 128;
    put16(0), put16(2), put16(1);                           // header: a cursor, one image
    out.push_back(32), out.push_back(32), out.push_back(2), out.push_back(0);
    put16(12), put16(10);                                   // hot spot
    put32(imageSize), put32(6 + 16);
    put32(40), put32(32), put32(64), put16(1), put16(1);    // BITMAPINFOHEADER, height doubled
    put32(0), put32(256), put32(0), put32(0), put32(2), put32(0);
    put32(0x000000), put32(0xFFFFFF);                       // black, white
    std::vector<uint8_t> xorMask, andMask;
    for (int row = 31; row >= 0; --row) {                   // bottom-up
        for (int byte = 0; byte < 4; ++byte) {
            uint8_t x = 0, a = 0;
            for (int bit = 0; bit < 8; ++bit) {
                const char c = kHand[row][byte * 8 + bit];
                x = static_cast<uint8_t>(x << 1 | (c == '.'));
                a = static_cast<uint8_t>(a << 1 | (c == ' '));
            }
            xorMask.push_back(x);
            andMask.push_back(a);
        }
    }
    out.insert(out.end(), xorMask.begin(), xorMask.end());
    out.insert(out.end(), andMask.begin(), andMask.end());
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR\n", argv[0]);
        return 2;
    }
    const std::string dir = std::string(argv[1]) + "/";
    const Picture highlight = RingedSkin({255, 240, 207}, {253, 216, 137}, {252, 210, 121}, {249, 180, 53},
                                         {248, 179, 48}, {229, 151, 0});
    const Picture selected = RingedSkin({206, 231, 255}, {206, 231, 255}, {183, 208, 244}, {139, 173, 228},
                                        {105, 130, 238}, {105, 130, 238});
    bool ok = NormalSkin().Write(dir + "skin_normal.bmp") && highlight.Write(dir + "skin_highlight.bmp") &&
              highlight.Write(dir + "skin_highlightselect.bmp") && selected.Write(dir + "skin_selected.bmp") &&
              PressedSkin().Write(dir + "skin_pressed.bmp") && DisabledSkin().Write(dir + "skin_disable.bmp") &&
              Band().Write(dir + "band.bmp") && OptionMark(false).Write(dir + "option_off.bmp") &&
              OptionMark(true).Write(dir + "option_on.bmp") && Picture::WriteFile(dir + "hand.cur", HandCursor());
    if (!ok) {
        std::fprintf(stderr, "make_dialog_pictures: cannot write into %s\n", argv[1]);
        return 1;
    }
    return 0;
}
