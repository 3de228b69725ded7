// Reading a wallpaper's file: its kind and size from the header alone, and a JPEG read at a
// fraction of its size, held against stb_image's full decode averaged over the same pixels.
#include <gtest/gtest.h>

#include <stb_image.h>
#include <stb_image_write.h>

#include <cmath>
#include <string>
#include <vector>

#include "saver/ground/jpeg_reduced.h"
#include "saver/ground/picture_header.h"
#include "tests/common/block_jpeg.h"
#include "tests/common/dib_builder.h"

namespace {

std::vector<uint8_t> Bytes(std::initializer_list<int> values) { return std::vector<uint8_t>(values.begin(), values.end()); }

PictureHeader Header(const std::vector<uint8_t>& file) { return ReadPictureHeader(file.data(), file.size()); }

std::vector<int> SizeOf(const PictureHeader& header) { return {header.size.width, header.size.height}; }

TEST(WallpaperReading, KindAndSizeFromTheHeaderAloneAndNoneFromAShortOne) {
    // JPEG: markers and segments of any length before the frame.
    std::vector<uint8_t> jpeg = Bytes({0xFF, 0xD8, 0xFF, 0xE1, 0x00, 0x06, 'E', 'x', 'i', 'f', 0xFF, 0xFF, 0xFF, 0xC2,
                                       0x00, 0x11, 0x08, 0x3E, 0x80, 0x1F, 0x40, 0x03});
    EXPECT_EQ(Header(jpeg).format, PictureFormat::Jpeg);
    EXPECT_EQ(SizeOf(Header(jpeg)), (std::vector<int>{8000, 16000}));
    // PNG's IHDR, big-endian.
    std::vector<uint8_t> png = Bytes({0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 13, 'I', 'H', 'D', 'R',
                                      0, 0, 0x3E, 0x80, 0, 1, 0, 0});
    EXPECT_EQ(Header(png).format, PictureFormat::Png);
    EXPECT_EQ(SizeOf(Header(png)), (std::vector<int>{16000, 65536}));
    // GIF: the first image reaches past its logical screen, after an extension and a colour table.
    std::vector<uint8_t> gif = Bytes({'G', 'I', 'F', '8', '9', 'a', 100, 0, 50, 0, 0x80, 0, 0, 1, 2, 3, 4, 5, 6, 0x21,
                                      0xF9, 4, 0, 0, 0, 0, 0, 0x2C, 10, 0, 0, 0, 0x30, 0x75, 20, 0, 0});
    EXPECT_EQ(Header(gif).format, PictureFormat::Gif);
    EXPECT_EQ(SizeOf(Header(gif)), (std::vector<int>{30010, 50}));
    // BMP, rows from the top (a negative height), and the old core header.
    DibLayout dib;
    dib.width = 5000;
    dib.height = -3000;
    EXPECT_EQ(SizeOf(Header(BuildDib(dib))), (std::vector<int>{5000, 3000}));
    dib.headerSize = 12;
    dib.height = 300;
    EXPECT_EQ(Header(BuildDib(dib)).format, PictureFormat::Bmp);
    EXPECT_EQ(SizeOf(Header(BuildDib(dib))), (std::vector<int>{5000, 300}));
    // TIFF, either byte order, sizes as SHORT or LONG.
    std::vector<uint8_t> tiff = Bytes({'I', 'I', 42, 0, 8, 0, 0, 0, 2, 0, 0, 1, 3, 0, 1, 0, 0, 0, 0x10, 0x27, 0, 0,
                                       1, 1, 4, 0, 1, 0, 0, 0, 0xA0, 0x86, 0x01, 0});
    EXPECT_EQ(SizeOf(Header(tiff)), (std::vector<int>{10000, 100000}));
    std::vector<uint8_t> motorola = Bytes({'M', 'M', 0, 42, 0, 0, 0, 8, 0, 2, 1, 0, 0, 3, 0, 0, 0, 1, 0x03, 0x20, 0, 0,
                                           1, 1, 0, 3, 0, 0, 0, 1, 0x02, 0x58, 0, 0});
    EXPECT_EQ(Header(motorola).format, PictureFormat::Tiff);
    EXPECT_EQ(SizeOf(Header(motorola)), (std::vector<int>{800, 600}));
    // Anything else is read by name only; every header cut short gives no size.
    EXPECT_EQ(Header(Bytes({'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'E', 'B', 'P'})).format, PictureFormat::Other);
    for (const std::vector<uint8_t>* whole : {&jpeg, &png, &gif, &tiff, &motorola}) {
        for (size_t cut = 0; cut + 1 < whole->size(); ++cut) {
            const std::vector<uint8_t> part(whole->begin(), whole->begin() + cut);
            EXPECT_EQ(SizeOf(Header(part)), (std::vector<int>{0, 0})) << cut << " bytes";
        }
    }
}

// A picture with smooth parts, fine stripes and hard edges, blue-green-red in `bgr` and
// red-green-blue in the returned bytes (for the writer).
std::vector<uint8_t> Detailed(int w, int h) {
    std::vector<uint8_t> rgb(size_t(w) * h * 3);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            uint8_t* p = &rgb[(size_t(y) * w + x) * 3];
            const bool box = x > w / 3 && x < w / 2 && y > h / 4 && y < h / 2;
            p[0] = uint8_t(box ? 250 : 255 * x / w);
            p[1] = uint8_t(128 + 100 * std::sin(x * 0.21) * std::cos(y * 0.13));
            p[2] = uint8_t(box ? 20 : 255 * y / h);
        }
    }
    return rgb;
}

std::vector<uint8_t> EncodeJpeg(const std::vector<uint8_t>& rgb, int w, int h, int quality) {
    std::vector<uint8_t> file;
    stbi_write_jpg_to_func(
        [](void* context, void* data, int size) {
            auto* out = static_cast<std::vector<uint8_t>*>(context);
            out->insert(out->end(), static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
        },
        &file, w, h, 3, rgb.data(), quality);
    return file;
}

TEST(WallpaperReading, AJpegAtAFractionIsTheMeanOfThePixelsEachPixelStandsFor) {
    const int w = 203, h = 117;  // not whole blocks or MCUs
    const std::vector<uint8_t> rgb = Detailed(w, h);
    for (int quality : {95, 80}) {  // colour at full resolution, and at half each way (4:2:0)
        const std::vector<uint8_t> file = EncodeJpeg(rgb, w, h, quality);
        int fw = 0, fh = 0, channels = 0;
        unsigned char* full = stbi_load_from_memory(file.data(), int(file.size()), &fw, &fh, &channels, 3);
        ASSERT_TRUE(full);
        for (int d : {2, 4, 8}) {
            BgrPicture picture;
            ASSERT_EQ(ReadJpegReduced(file.data(), file.size(), d, picture), ReducedJpeg::Read);
            ASSERT_EQ(picture.width, (w + d - 1) / d);
            ASSERT_EQ(picture.height, (h + d - 1) / d);
            double total = 0;
            int worst = 0;
            for (int y = 0; y < picture.height; ++y) {
                for (int x = 0; x < picture.width; ++x) {
                    for (int c = 0; c < 3; ++c) {
                        double sum = 0;
                        int n = 0;
                        for (int yy = y * d; yy < std::min(h, (y + 1) * d); ++yy) {
                            for (int xx = x * d; xx < std::min(w, (x + 1) * d); ++xx, ++n) sum += full[(yy * w + xx) * 3 + c];
                        }
                        const int error = std::abs(int(std::lround(sum / n)) - picture.bgr[(y * picture.width + x) * 3 + 2 - c]);
                        total += error;
                        worst = std::max(worst, error);
                    }
                }
            }
            const double mean = total / (picture.width * picture.height * 3);
            // Colour kept at half resolution is spread over its neighbours by stb_image, not by us:
            // a sharp colour edge differs more there.
            EXPECT_LT(mean, quality > 90 ? 1.0 : 1.5) << "quality " << quality << ", 1/" << d;
            EXPECT_LT(worst, quality > 90 ? 12 : 40) << "quality " << quality << ", 1/" << d;
        }
        stbi_image_free(full);
    }
}

// A block picture whose block (bx, by) has its own colour, from the block's place.
void BlockColours(int bx, int by, uint8_t rgb[3]) {
    rgb[0] = uint8_t(bx * 40), rgb[1] = uint8_t(by * 60), rgb[2] = uint8_t(250 - (bx ^ by) * 9);
}

TEST(WallpaperReading, RestartMarkersAndOddSizesAtAnEighthBlockForBlock) {
    for (int interval : {0, 1, 3, 7}) {
        BlockJpegWriter writer(45, 23, interval);  // six blocks by three, the last ones partial
        const std::vector<uint8_t> file = writer.Write(BlockColours);
        BgrPicture picture;
        ASSERT_EQ(ReadJpegReduced(file.data(), file.size(), 8, picture), ReducedJpeg::Read) << interval;
        ASSERT_EQ(picture.width, 6);
        ASSERT_EQ(picture.height, 3);
        for (int by = 0; by < 3; ++by) {
            for (int bx = 0; bx < 6; ++bx) {
                uint8_t rgb[3];
                BlockColours(bx, by, rgb);
                const uint8_t* got = &picture.bgr[(by * 6 + bx) * 3];
                for (int c = 0; c < 3; ++c) EXPECT_NEAR(got[2 - c], rgb[c], 2) << bx << "," << by << " every " << interval;
            }
        }
    }
}

TEST(WallpaperReading, DamagedOrUnreadKindsOfJpegAreToldApart) {
    BlockJpegWriter writer(64, 64, 2);
    const std::vector<uint8_t> sound = writer.Write(BlockColours);
    BgrPicture picture;
    ASSERT_EQ(ReadJpegReduced(sound.data(), sound.size(), 2, picture), ReducedJpeg::Read);
    // Cut anywhere: damaged, never read past its end.
    for (size_t cut = 0; cut + 2 < sound.size(); cut += 7) {
        const std::vector<uint8_t> part(sound.begin(), sound.begin() + cut);
        EXPECT_EQ(ReadJpegReduced(part.data(), part.size(), 4, picture), ReducedJpeg::Damaged) << cut;
    }
    // A restart marker out of turn.
    std::vector<uint8_t> shuffled = sound;
    for (size_t i = 0; i + 1 < shuffled.size(); ++i) {
        if (shuffled[i] == 0xFF && shuffled[i + 1] == 0xD1) {
            shuffled[i + 1] = 0xD5;
            break;
        }
    }
    EXPECT_EQ(ReadJpegReduced(shuffled.data(), shuffled.size(), 8, picture), ReducedJpeg::Damaged);
    // The same frame as progressive, or as four components, is not read here.
    for (size_t i = 0; i + 1 < sound.size(); ++i) {
        if (sound[i] == 0xFF && sound[i + 1] == 0xC0) {
            std::vector<uint8_t> progressive = sound;
            progressive[i + 1] = 0xC2;
            EXPECT_EQ(ReadJpegReduced(progressive.data(), progressive.size(), 8, picture), ReducedJpeg::Unsupported);
            break;
        }
    }
    // A frame of 65535 x 65535 is refused before anything is made for it.
    std::vector<uint8_t> header = sound;
    for (size_t i = 0; i + 8 < header.size(); ++i) {
        if (header[i] == 0xFF && header[i + 1] == 0xC0) {
            header[i + 5] = header[i + 6] = header[i + 7] = header[i + 8] = 0xFF;
            break;
        }
    }
    EXPECT_EQ(ReadJpegReduced(header.data(), header.size(), 2, picture), ReducedJpeg::Unsupported);
}

}  // namespace
