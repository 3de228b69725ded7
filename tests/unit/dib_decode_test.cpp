// The BMP decoder on pictures built byte by byte: formats, layouts, and hostile headers.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>
#include <memory>

#include "tests/common/dib_builder.h"
#include "renderer/image/dib_decode.h"

namespace {

struct ImageDeleter {
    void operator()(RgbImage* image) const { FreeRgbImage(image); }
};
using ImagePtr = std::unique_ptr<RgbImage, ImageDeleter>;

struct Decoded {
    DibError error;
    ImagePtr image;
};

Decoded Decode(const std::vector<uint8_t>& file) {
    RgbImage* image = reinterpret_cast<RgbImage*>(1);  // must be reset on every path
    DibError error = DecodeDib(file.data(), file.size(), &image);
    if (error != DibError::None) {
        EXPECT_EQ(image, nullptr);
    }
    return {error, ImagePtr(image)};
}

std::array<int, 3> Pixel(const RgbImage& image, int x, int rowFromBottom) {
    const unsigned char* p = image.data + (static_cast<size_t>(rowFromBottom) * image.width + x) * 3;
    return {p[0], p[1], p[2]};
}

std::vector<uint32_t> GreyPalette() {
    std::vector<uint32_t> palette;
    for (uint32_t i = 0; i < 256; ++i) palette.push_back(i * 0x010101u);
    return palette;
}

// A w x h 24-bit picture whose pixel (x, y) is (x, y, x ^ y) modulo 256, stored bottom-up.
DibLayout Gradient24(int w, int h) {
    DibLayout s;
    s.width = w;
    s.height = h;
    const int stride = (w * 3 + 3) / 4 * 4;
    s.pixels.assign(static_cast<size_t>(stride) * h, 0xEE);  // padding that must not show
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            uint8_t* p = &s.pixels[static_cast<size_t>(y) * stride + x * 3];
            p[0] = static_cast<uint8_t>(x ^ y);
            p[1] = static_cast<uint8_t>(y);
            p[2] = static_cast<uint8_t>(x);
        }
    }
    return s;
}

TEST(DibFormats, GreyPaletteGivesEqualChannels) {
    DibLayout s;
    s.width = s.height = 64;
    s.bitCount = 8;
    s.palette = GreyPalette();
    for (int i = 0; i < 64 * 64; ++i) s.pixels.push_back(static_cast<uint8_t>(i * 7));
    Decoded d = Decode(BuildDib(s));
    ASSERT_EQ(d.error, DibError::None);
    ASSERT_EQ(d.image->width, 64);
    ASSERT_EQ(d.image->height, 64);
    for (int i = 0; i < 64 * 64; ++i) {
        auto px = Pixel(*d.image, i % 64, i / 64);
        ASSERT_EQ(px[0], static_cast<uint8_t>(i * 7)) << i;
        ASSERT_EQ(px[1], px[0]);
        ASSERT_EQ(px[2], px[0]);
    }
}

TEST(DibFormats, RowsOfEveryPaddingComeOutPackedWithoutShear) {
    for (int w : {1, 2, 3, 4, 5, 1366}) {
        Decoded d = Decode(BuildDib(Gradient24(w, 7)));
        ASSERT_EQ(d.error, DibError::None) << w;
        for (int y = 0; y < 7; ++y) {
            for (int x = 0; x < w; ++x) {
                std::array<int, 3> want{x & 255, y, (x ^ y) & 255};
                ASSERT_EQ(Pixel(*d.image, x, y), want) << "width " << w << " at " << x << "," << y;
            }
        }
    }
}

TEST(DibFormats, TopDownPictureComesOutRightWayUp) {
    DibLayout s = Gradient24(5, 4);
    DibLayout topDown = s;
    topDown.height = -4;
    const int stride = 16;
    for (int y = 0; y < 4; ++y) {
        std::copy_n(&s.pixels[y * stride], stride, &topDown.pixels[(3 - y) * stride]);
    }
    Decoded a = Decode(BuildDib(s)), b = Decode(BuildDib(topDown));
    ASSERT_EQ(b.error, DibError::None);
    ASSERT_EQ(b.image->height, 4);
    EXPECT_EQ(0, std::memcmp(a.image->data, b.image->data, 5 * 4 * 3));
}

TEST(DibFormats, SixteenAndThirtyTwoBitPixels) {
    // 16 bits, 5-5-5: full scale is 255, the top bit is ignored.
    DibLayout s16;
    s16.width = 3;
    s16.bitCount = 16;
    s16.pixels = {0xFF, 0xFF, 0x00, 0x41, 0x10, 0x00, 0, 0};  // 0x7FFF|0x8000, 0x4100, 0x0010
    Decoded d16 = Decode(BuildDib(s16));
    ASSERT_EQ(d16.error, DibError::None);
    EXPECT_EQ(Pixel(*d16.image, 0, 0), (std::array<int, 3>{255, 255, 255}));
    EXPECT_EQ(Pixel(*d16.image, 1, 0), (std::array<int, 3>{132, 66, 0}));  // r=16, g=8
    EXPECT_EQ(Pixel(*d16.image, 2, 0), (std::array<int, 3>{0, 0, 132}));

    // 32 bits: blue, green, red, and a fourth byte that is dropped.
    DibLayout s32;
    s32.width = 2;
    s32.bitCount = 32;
    s32.pixels = {10, 20, 30, 0xFF, 1, 2, 3, 0x80};
    Decoded d32 = Decode(BuildDib(s32));
    ASSERT_EQ(d32.error, DibError::None);
    EXPECT_EQ(Pixel(*d32.image, 0, 0), (std::array<int, 3>{30, 20, 10}));
    EXPECT_EQ(Pixel(*d32.image, 1, 0), (std::array<int, 3>{3, 2, 1}));
}

TEST(DibFormats, BitFieldMasksAreHonoured) {
    DibLayout s565;
    s565.width = 2;
    s565.bitCount = 16;
    s565.compression = 3;
    s565.masks = {0xF800, 0x07E0, 0x001F};
    s565.pixels = {0xFF, 0xFF, 0x20, 0x08};  // white; r=1, g=1
    Decoded d = Decode(BuildDib(s565));
    ASSERT_EQ(d.error, DibError::None);
    EXPECT_EQ(Pixel(*d.image, 0, 0), (std::array<int, 3>{255, 255, 255}));
    EXPECT_EQ(Pixel(*d.image, 1, 0), (std::array<int, 3>{8, 4, 0}));
    s565.masks[0] = 0;  // a channel without a mask reads 0
    Decoded noRed = Decode(BuildDib(s565));
    ASSERT_EQ(noRed.error, DibError::None);
    EXPECT_EQ(Pixel(*noRed.image, 0, 0), (std::array<int, 3>{0, 255, 255}));

    // 32 bits laid out x B G R (the reverse of the usual order), and a 10-bit channel.
    DibLayout s32;
    s32.width = 2;
    s32.bitCount = 32;
    s32.compression = 3;
    s32.masks = {0x000000FF, 0x0000FF00, 0x00FF0000};
    s32.pixels = {30, 20, 10, 0, 0, 0, 0, 0};
    Decoded d32 = Decode(BuildDib(s32));
    ASSERT_EQ(d32.error, DibError::None);
    EXPECT_EQ(Pixel(*d32.image, 0, 0), (std::array<int, 3>{30, 20, 10}));

    s32.masks = {0x3FF00000, 0x000FFC00, 0x000003FF};
    s32.pixels = {0xFF, 0xFF, 0xFF, 0x3F, 0x00, 0x00, 0x00, 0x20};  // all ones; red at half
    Decoded d10 = Decode(BuildDib(s32));
    ASSERT_EQ(d10.error, DibError::None);
    EXPECT_EQ(Pixel(*d10.image, 0, 0), (std::array<int, 3>{255, 255, 255}));
    EXPECT_EQ(Pixel(*d10.image, 1, 0), (std::array<int, 3>{128, 0, 0}));
}

TEST(DibFormats, PaletteDepthsAndCoreHeader) {
    // 1 bit: the leftmost pixel is the top bit. 4 bits: the high nibble comes first.
    DibLayout s1;
    s1.width = 10;
    s1.bitCount = 1;
    s1.palette = {0x000000, 0xFFFFFF};
    s1.pixels = {0xA0, 0x40, 0, 0};  // 1010 0000 01..
    Decoded d1 = Decode(BuildDib(s1));
    ASSERT_EQ(d1.error, DibError::None);
    const int bits[10] = {1, 0, 1, 0, 0, 0, 0, 0, 0, 1};
    for (int x = 0; x < 10; ++x) EXPECT_EQ(Pixel(*d1.image, x, 0)[0], bits[x] * 255) << x;

    DibLayout s4;
    s4.width = 3;
    s4.bitCount = 4;
    s4.coloursUsed = 3;
    s4.palette = {0x102030, 0x405060, 0x708090};
    s4.pixels = {0x21, 0x00, 0, 0};
    Decoded d4 = Decode(BuildDib(s4));
    ASSERT_EQ(d4.error, DibError::None);
    EXPECT_EQ(Pixel(*d4.image, 0, 0), (std::array<int, 3>{0x70, 0x80, 0x90}));
    EXPECT_EQ(Pixel(*d4.image, 1, 0), (std::array<int, 3>{0x40, 0x50, 0x60}));
    EXPECT_EQ(Pixel(*d4.image, 2, 0), (std::array<int, 3>{0x10, 0x20, 0x30}));

    // The 12-byte core header with 3-byte table entries, with and without a file header.
    for (bool fileHeader : {true, false}) {
        DibLayout core = s4;
        core.headerSize = 12;
        core.coloursUsed = 0;
        core.fileHeader = fileHeader;
        core.palette.resize(16, 0);
        Decoded dc = Decode(BuildDib(core));
        ASSERT_EQ(dc.error, DibError::None);
        EXPECT_EQ(Pixel(*dc.image, 0, 0), (std::array<int, 3>{0x70, 0x80, 0x90}));
        EXPECT_EQ(Pixel(*dc.image, 2, 0), (std::array<int, 3>{0x10, 0x20, 0x30}));
    }
}

TEST(DibFormats, NoFileHeaderPixelsFollowTheTable) {
    DibLayout s;
    s.fileHeader = false;
    s.width = 2;
    s.bitCount = 8;
    s.coloursUsed = 2;
    s.palette = {0x112233, 0x445566};
    s.pixels = {1, 0, 0, 0};
    Decoded d = Decode(BuildDib(s));
    ASSERT_EQ(d.error, DibError::None);
    EXPECT_EQ(Pixel(*d.image, 0, 0), (std::array<int, 3>{0x44, 0x55, 0x66}));
    EXPECT_EQ(Pixel(*d.image, 1, 0), (std::array<int, 3>{0x11, 0x22, 0x33}));
    // Without a colours-used count the table holds 2, 16 or 256 entries by the depth, and the
    // pixels start right after them.
    for (uint16_t bits : {1, 4, 8}) {
        DibLayout t;
        t.fileHeader = false;
        t.width = 2;
        t.bitCount = bits;
        t.palette.assign(size_t(1) << bits, 0x000000);
        t.palette[1] = 0xABCDEF;
        t.pixels = {static_cast<uint8_t>(bits == 8 ? 1 : bits == 4 ? 0x10 : 0x80), 0, 0, 0};
        Decoded e = Decode(BuildDib(t));
        ASSERT_EQ(e.error, DibError::None) << bits << " bits";
        EXPECT_EQ(Pixel(*e.image, 0, 0), (std::array<int, 3>{0xAB, 0xCD, 0xEF})) << bits << " bits";
        EXPECT_EQ(Pixel(*e.image, 1, 0), (std::array<int, 3>{0, 0, 0})) << bits << " bits";
    }
}

TEST(DibFormats, ColourTableRules) {
    // An index past the table shows black.
    DibLayout s;
    s.width = 2;
    s.bitCount = 8;
    s.coloursUsed = 1;
    s.palette = {0xFFFFFF};
    s.pixels = {0, 200, 0, 0};
    Decoded d = Decode(BuildDib(s));
    ASSERT_EQ(d.error, DibError::None);
    EXPECT_EQ(Pixel(*d.image, 0, 0), (std::array<int, 3>{255, 255, 255}));
    EXPECT_EQ(Pixel(*d.image, 1, 0), (std::array<int, 3>{0, 0, 0}));

    // The entry count is held in 16 bits: 65538 colours used means 2 entries.
    s.coloursUsed = 65536 + 2;
    s.palette = {0x0000FF, 0x00FF00};
    s.pixels = {1, 0, 0, 0};
    Decoded wrapped = Decode(BuildDib(s));
    ASSERT_EQ(wrapped.error, DibError::None);
    EXPECT_EQ(Pixel(*wrapped.image, 0, 0), (std::array<int, 3>{0, 255, 0}));

    // A table that would run past the end of the file is refused.
    s.coloursUsed = 5000;
    EXPECT_EQ(Decode(BuildDib(s)).error, DibError::ConversionError);
}

// Writes `value` over the four bytes at `at`.
void Poke32(std::vector<uint8_t>& file, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) file[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

TEST(DibRefusals, HeaderSizesOtherThan12And40) {
    for (uint32_t size : {0u, 16u, 52u, 56u, 64u, 108u, 124u, 0xFFFFFFFFu}) {
        std::vector<uint8_t> file = BuildDib(Gradient24(2, 2));
        file.resize(file.size() + 200, 0);  // room for any of the larger headers
        Poke32(file, 14, size);
        EXPECT_EQ(Decode(file).error, DibError::UnknownFormat) << size;
    }
}

TEST(DibRefusals, SizesNoSurfaceCouldTake) {
    struct Case {
        int32_t width, height;
    } cases[] = {{0, 5},      {5, 0},      {-5, 5},       {INT32_MIN, 1}, {1, INT32_MIN},
                 {8193, 1},   {1, 8193},   {1, -8193},    {16384, 16384}, {1 << 30, 1}};
    for (const Case& c : cases) {
        DibLayout s = Gradient24(1, 1);
        s.width = c.width;
        s.height = c.height;
        EXPECT_EQ(Decode(BuildDib(s)).error, DibError::OutOfMemory) << c.width << " x " << c.height;
    }
    // The longest side accepted, either way round.
    for (DibLayout s : {Gradient24(8192, 1), Gradient24(1, 8192)}) {
        Decoded d = Decode(BuildDib(s));
        ASSERT_EQ(d.error, DibError::None) << s.width << " x " << s.height;
        EXPECT_EQ(d.image->width * d.image->height, 8192);
    }
}

// A run-length picture claims its size in a few bytes: a thousand bytes that declare 16384 x
// 16384 pixels would cost 805 MB before a pixel is drawn. The claim is refused before anything
// is allocated (under the sanitizer tree an allocation of that size would itself be reported).
TEST(DibRefusals, ATinyRunLengthPictureClaimingAHugeSurface) {
    DibLayout s;
    s.width = 16384;
    s.height = 16384;
    s.bitCount = 8;
    s.compression = 1;
    s.palette = GreyPalette();
    for (int i = 0; i < 4; ++i) s.pixels.insert(s.pixels.end(), {0, 2, 255, 255});  // deltas
    s.pixels.insert(s.pixels.end(), {0, 1});                                          // end of picture
    const std::vector<uint8_t> file = BuildDib(s);
    ASSERT_LE(file.size(), 1100u);
    EXPECT_EQ(Decode(file).error, DibError::OutOfMemory);
    s.width = s.height = 8192;  // the same bytes at the largest size accepted decode
    EXPECT_EQ(Decode(BuildDib(s)).error, DibError::None);
}

TEST(DibRefusals, FormatsAndFieldsThatCannotConvert) {
    struct Case {
        const char* what;
        uint16_t bits;
        uint32_t compression;
        uint16_t planes;
        int32_t height;
    } cases[] = {
        {"2 bits", 2, 0, 1, 1},          {"64 bits", 64, 0, 1, 1},    {"absurd bits", 0x7FFF, 0, 1, 1},
        {"RLE8 on 4 bits", 4, 1, 1, 1},  {"RLE4 on 8 bits", 8, 2, 1, 1}, {"bit fields on 24", 24, 3, 1, 1},
        {"JPEG", 24, 4, 1, 1},           {"PNG", 24, 5, 1, 1},         {"two planes", 24, 0, 2, 1},
        {"top-down RLE", 8, 1, 1, -1},
    };
    for (const Case& c : cases) {
        DibLayout s;
        s.bitCount = c.bits;
        s.compression = c.compression;
        s.planes = c.planes;
        s.height = c.height;
        s.pixels.assign(64, 0);
        EXPECT_EQ(Decode(BuildDib(s)).error, DibError::ConversionError) << c.what;
    }
}

TEST(DibRefusals, EveryTruncationIsRefusedCleanly) {
    DibLayout pal;
    pal.width = 5;
    pal.height = 3;
    pal.bitCount = 8;
    pal.palette = GreyPalette();
    pal.pixels.assign(24, 9);
    DibLayout rle = pal;
    rle.compression = 1;
    rle.pixels = {5, 1, 0, 0, 0, 3, 1, 2, 3, 0, 5, 7, 0, 1};
    for (const DibLayout& layout : {Gradient24(7, 5), pal, rle}) {
        const std::vector<uint8_t> whole = BuildDib(layout);
        ASSERT_EQ(Decode(whole).error, DibError::None);
        for (size_t cut = 0; cut < whole.size(); ++cut) {
            std::vector<uint8_t> part(whole.begin(), whole.begin() + cut);
            // Only the last row's padding (3 bytes in both plain pictures) may go missing.
            if (layout.compression == 0 && cut >= whole.size() - 3) continue;
            EXPECT_NE(Decode(part).error, DibError::None) << "cut at " << cut;
        }
    }
}

TEST(DibRefusals, PixelOffsetPastTheEnd) {
    std::vector<uint8_t> file = BuildDib(Gradient24(2, 2));
    for (uint32_t offset : {0x7FFFFFF0u, 0xFFFFFFFFu, static_cast<uint32_t>(file.size() - 1)}) {
        Poke32(file, 10, offset);
        EXPECT_EQ(Decode(file).error, DibError::ConversionError) << offset;
    }
}

// RLE: a 4 x 3 picture over a palette where index i is grey i * 10.
Decoded DecodeRle(uint32_t compression, std::vector<uint8_t> stream, int width = 4, int height = 3) {
    DibLayout s;
    s.width = width;
    s.height = height;
    s.bitCount = compression == 1 ? 8 : 4;
    s.compression = compression;
    for (uint32_t i = 0; i < (compression == 1 ? 256u : 16u); ++i) s.palette.push_back(i * 10 * 0x010101u);
    s.pixels = std::move(stream);
    return Decode(BuildDib(s));
}

std::vector<int> Greys(const RgbImage& image) {
    std::vector<int> out;
    for (int i = 0; i < image.width * image.height; ++i) out.push_back(image.data[i * 3] / 10);
    return out;
}

TEST(DibRunLength, CodesOfRle8) {
    // Row 0: a run of 3 x index 2, then end of line. Row 1: absolute 1 4 5 (padded), then a
    // delta of (0 right, 1 up) to row 2 column 3, a run of one 7, end of bitmap. Pixels that
    // nothing wrote stay black.
    Decoded d = DecodeRle(1, {3, 2, 0, 0, 0, 3, 1, 4, 5, 0, 0, 2, 0, 1, 1, 7, 0, 1});
    ASSERT_EQ(d.error, DibError::None);
    EXPECT_EQ(Greys(*d.image), (std::vector<int>{2, 2, 2, 0, 1, 4, 5, 0, 0, 0, 0, 7}));
}

TEST(DibRunLength, CodesOfRle4) {
    // Row 0: run of 4 alternating 1 and 2; row 1: absolute 3 5 6; EOB.
    Decoded d = DecodeRle(2, {4, 0x12, 0, 0, 0, 3, 0x35, 0x60, 0, 1});
    ASSERT_EQ(d.error, DibError::None);
    EXPECT_EQ(Greys(*d.image), (std::vector<int>{1, 2, 1, 2, 3, 5, 6, 0, 0, 0, 0, 0}));
}

TEST(DibRunLength, RunsAreClippedAtTheRowEnd) {
    // Nine 3s on a row of four; the next row starts two pixels in: nothing spills onto it.
    Decoded d = DecodeRle(1, {9, 3, 0, 0, 0, 2, 2, 0, 2, 4, 0, 1});
    ASSERT_EQ(d.error, DibError::None);
    EXPECT_EQ(Greys(*d.image), (std::vector<int>{3, 3, 3, 3, 0, 0, 4, 4, 0, 0, 0, 0}));
}

TEST(DibRunLength, StreamsThatOverrunAreRefused) {
    const std::vector<std::vector<uint8_t>> bad = {
        {0, 0, 0, 0, 0, 0, 1, 5, 0, 1},  // three EOLs, then pixels past the last row
        {0, 2, 0, 9, 1, 5},               // a delta far past the last row
        {2, 1, 0, 2, 3, 0, 1, 1, 0, 1},   // a delta off the side of the row
        {0, 2, 1},                        // a delta cut short
        {0, 5, 1, 2},                     // an absolute run cut short
        {4, 1},                           // no end of bitmap, rows left undone
    };
    for (const auto& stream : bad) {
        EXPECT_EQ(DecodeRle(1, stream).error, DibError::ConversionError);
        EXPECT_EQ(DecodeRle(2, stream).error, DibError::ConversionError);
    }
    // Running out of data after the last row is done is fine.
    EXPECT_EQ(DecodeRle(1, {4, 1, 0, 0, 4, 1, 0, 0, 4, 1, 0, 0}).error, DibError::None);
}

}  // namespace
