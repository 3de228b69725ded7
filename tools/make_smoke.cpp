// Writes the built-in smoke picture: 64 x 64 pixels, 8 bits per pixel, grey colour table
// (entry i is i, i, i). One soft, slightly irregular puff on black: non-black pixels only in
// columns 17..48 and rows 17..47 (counted from the top), brightest grey 200, about 150 near
// the middle, falling to 0 at the rim.
//
// The output depends only on this program, so running it again gives the same bytes.
//
// usage: make_smoke OUTPUT.bmp
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

constexpr int kSide = 64;

// A repeatable value in [-1, 1] for a pixel, for the puff's grain.
double Grain(int x, int y) {
    uint32_t h = static_cast<uint32_t>(x) * 73856093u ^ static_cast<uint32_t>(y) * 19349663u;
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    h ^= h >> 15;
    return (h & 0xFFFF) / 32767.5 - 1.0;
}

void Put16(std::vector<uint8_t>& b, uint32_t v) {
    b.push_back(v & 0xFF);
    b.push_back((v >> 8) & 0xFF);
}
void Put32(std::vector<uint8_t>& b, uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.bmp\n", argv[0]);
        return 2;
    }
    // Top-down grey values; the puff's centre sits in the middle of the allowed box.
    const double cx = 33.0, cy = 32.5;
    std::vector<double> field(kSide * kSide, 0.0);
    double peak = 0;
    for (int y = 17; y <= 47; ++y) {
        for (int x = 17; x <= 48; ++x) {
            double dx = x + 0.5 - cx, dy = y + 0.5 - cy;
            double angle = std::atan2(dy, dx);
            double radius = 14.0 + 1.0 * std::sin(3 * angle + 0.7) + 0.5 * std::sin(5 * angle + 2.1);
            double d = std::sqrt(dx * dx + dy * dy) / radius;
            if (d >= 1.0) continue;
            double body = 150.0 * std::pow(1.0 - d * d, 1.5);
            double hx = dx + 5.0, hy = dy + 4.0;  // a brighter lobe up and to the left
            double highlight = 95.0 * std::exp(-(hx * hx + hy * hy) / 12.0);
            double grain = 8.0 * Grain(x, y) * (1.0 - d);
            double v = std::max(0.0, body + highlight + grain);
            field[y * kSide + x] = v;
            peak = std::max(peak, v);
        }
    }

    std::vector<uint8_t> bmp;
    const uint32_t pixelsAt = 14 + 40 + 256 * 4;
    bmp.push_back('B');
    bmp.push_back('M');
    Put32(bmp, pixelsAt + kSide * kSide);
    Put32(bmp, 0);
    Put32(bmp, pixelsAt);
    Put32(bmp, 40);
    Put32(bmp, kSide);
    Put32(bmp, kSide);
    Put16(bmp, 1);
    Put16(bmp, 8);
    Put32(bmp, 0);
    Put32(bmp, kSide * kSide);
    Put32(bmp, 2835);
    Put32(bmp, 2835);
    Put32(bmp, 256);
    Put32(bmp, 0);
    for (int i = 0; i < 256; ++i) {
        for (int c = 0; c < 3; ++c) bmp.push_back(static_cast<uint8_t>(i));
        bmp.push_back(0);
    }
    for (int row = kSide - 1; row >= 0; --row) {  // bottom row first
        for (int x = 0; x < kSide; ++x) {
            double v = field[row * kSide + x] * 200.0 / peak;  // the brightest grey is 200
            bmp.push_back(static_cast<uint8_t>(std::lround(std::min(200.0, v))));
        }
    }
    std::FILE* out = std::fopen(argv[1], "wb");
    if (!out || std::fwrite(bmp.data(), 1, bmp.size(), out) != bmp.size() || std::fclose(out) != 0) {
        std::fprintf(stderr, "make_smoke: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
