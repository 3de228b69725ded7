// Writes the programs' icon: a wheel seen side-on (dark tyre, silver rim with five spokes, a
// brass hub) on a transparent background, at 16, 32 and 48 pixels, 32 bits with alpha.
//
// The output depends only on this program, so running it again gives the same bytes.
//
// usage: make_icon OUTPUT.ico
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;

struct Rgba {
    double r, g, b, a;
};

// Colour of the wheel at (x, y) in [-1, 1]^2, y up.
Rgba WheelAt(double x, double y) {
    const double r = std::hypot(x, y);
    if (r > 0.96) return {0, 0, 0, 0};
    if (r > 0.66) {  // tyre, a little lighter towards its outer edge
        const double shade = 40 + 40 * (r - 0.66) / 0.30;
        return {shade, shade, shade + 4, 255};
    }
    if (r > 0.58) return {205, 208, 214, 255};  // rim lip
    if (r < 0.16) return {190, 160, 90, 255};   // hub
    // Five spokes, each a band of half-width 0.09 along its axis.
    for (int k = 0; k < 5; ++k) {
        const double a = 2 * kPi * k / 5 + kPi / 2;
        const double along = x * std::cos(a) + y * std::sin(a);
        const double across = -x * std::sin(a) + y * std::cos(a);
        if (along > 0 && std::fabs(across) < 0.09) return {185, 188, 195, 255};
    }
    return {25, 25, 30, 255};  // the dark plate behind the spokes
}

// One icon image as its BITMAPINFOHEADER, bottom-up BGRA pixels and an all-clear AND mask.
std::vector<uint8_t> IconImage(int side) {
    std::vector<uint8_t> out;
    auto put32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
    };
    auto put16 = [&](uint16_t v) {
        out.push_back(static_cast<uint8_t>(v));
        out.push_back(static_cast<uint8_t>(v >> 8));
    };
    const int maskStride = ((side + 31) / 32) * 4;
    put32(40);
    put32(side);
    put32(side * 2);  // colour and mask together
    put16(1);
    put16(32);
    put32(0);
    put32(side * side * 4 + maskStride * side);
    put32(0);
    put32(0);
    put32(0);
    put32(0);
    const int samples = 4;  // 4 x 4 samples a pixel for smooth edges
    for (int row = 0; row < side; ++row) {
        for (int col = 0; col < side; ++col) {
            Rgba sum{0, 0, 0, 0};
            for (int sy = 0; sy < samples; ++sy) {
                for (int sx = 0; sx < samples; ++sx) {
                    const double x = ((col + (sx + 0.5) / samples) / side) * 2 - 1;
                    const double y = ((row + (sy + 0.5) / samples) / side) * 2 - 1;
                    const Rgba c = WheelAt(x, y);
                    sum.r += c.r * c.a;
                    sum.g += c.g * c.a;
                    sum.b += c.b * c.a;
                    sum.a += c.a;
                }
            }
            const double alpha = sum.a / (samples * samples);
            auto channel = [&](double total) {
                return static_cast<uint8_t>(sum.a > 0 ? std::lround(total / sum.a) : 0);
            };
            out.push_back(channel(sum.b));
            out.push_back(channel(sum.g));
            out.push_back(channel(sum.r));
            out.push_back(static_cast<uint8_t>(std::lround(alpha)));
        }
    }
    out.insert(out.end(), static_cast<size_t>(maskStride) * side, 0);
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.ico\n", argv[0]);
        return 2;
    }
    const int sides[] = {16, 32, 48};
    std::vector<std::vector<uint8_t>> images;
    for (int side : sides) images.push_back(IconImage(side));

    std::vector<uint8_t> ico = {0, 0, 1, 0, static_cast<uint8_t>(images.size()), 0};
    uint32_t offset = 6 + 16 * static_cast<uint32_t>(images.size());
    for (size_t i = 0; i < images.size(); ++i) {
        const uint32_t size = static_cast<uint32_t>(images[i].size());
        const uint8_t entry[16] = {static_cast<uint8_t>(sides[i]), static_cast<uint8_t>(sides[i]), 0, 0, 1, 0, 32, 0,
                                   static_cast<uint8_t>(size), static_cast<uint8_t>(size >> 8),
                                   static_cast<uint8_t>(size >> 16), static_cast<uint8_t>(size >> 24),
                                   static_cast<uint8_t>(offset), static_cast<uint8_t>(offset >> 8),
                                   static_cast<uint8_t>(offset >> 16), static_cast<uint8_t>(offset >> 24)};
        ico.insert(ico.end(), entry, entry + 16);
        offset += size;
    }
    for (const auto& image : images) ico.insert(ico.end(), image.begin(), image.end());
    std::FILE* out = std::fopen(argv[1], "wb");
    if (!out || std::fwrite(ico.data(), 1, ico.size(), out) != ico.size() || std::fclose(out) != 0) {
        std::fprintf(stderr, "make_icon: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
