#include "dib_decode.h"

#include <cstdlib>
#include <cstring>

namespace {

constexpr uint32_t kRgb = 0;        // uncompressed
constexpr uint32_t kRle8 = 1;
constexpr uint32_t kRle4 = 2;
constexpr uint32_t kBitFields = 3;

uint16_t ReadU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

uint32_t ReadU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

struct Rgb {
    uint8_t r, g, b;
};

// The header fields that decide the decoding, widened to the 40-byte form.
struct DibInfo {
    int64_t width = 0;
    int64_t height = 0;  // negative: rows stored top row first
    uint16_t planes = 0;
    uint16_t bitCount = 0;
    uint32_t compression = 0;
    uint16_t colourCount = 0;  // entries in the colour table, held in 16 bits
};

// One colour channel described by a bit-field mask, scaled to 8 bits.
struct Channel {
    uint32_t mask = 0;
    int shift = 0;
    int bits = 0;

    explicit Channel(uint32_t m) : mask(m) {
        if (mask == 0) return;
        while (((mask >> shift) & 1u) == 0) ++shift;
        uint32_t v = mask >> shift;
        while (bits < 32 && (v >> bits) != 0) ++bits;
    }

    uint8_t Extract(uint32_t pixel) const {
        if (bits == 0) return 0;
        uint32_t v = (pixel & mask) >> shift;
        if (bits >= 8) return static_cast<uint8_t>(v >> (bits - 8));
        // Fewer than 8 bits: repeat the pattern downwards, so full scale maps to 255.
        uint32_t out = 0;
        int filled = 0;
        while (filled < 8) {
            out = (out << bits) | v;
            filled += bits;
        }
        return static_cast<uint8_t>(out >> (filled - 8));
    }
};

class Decoder {
public:
    Decoder(const DibInfo& info, const Rgb* palette, unsigned char* dst)
        : info_(info), palette_(palette), dst_(dst),
          width_(static_cast<size_t>(info.width)),
          rows_(static_cast<size_t>(info.height < 0 ? -info.height : info.height)) {}

    // Uncompressed rows; `data` holds at least stride x rows bytes.
    void Plain(const uint8_t* data, size_t stride, const uint32_t masks[3]) const {
        for (size_t y = 0; y < rows_; ++y) {
            const uint8_t* src = data + y * stride;
            unsigned char* out = RowOut(y);
            switch (info_.bitCount) {
            case 1:
            case 4:
            case 8: PaletteRow(src, out); break;
            case 16:
                if (masks) {
                    MaskRow(src, out, 2, masks);
                } else {
                    for (size_t x = 0; x < width_; ++x, out += 3) {
                        uint32_t v = ReadU16(src + 2 * x);
                        out[0] = Expand5((v >> 10) & 31);
                        out[1] = Expand5((v >> 5) & 31);
                        out[2] = Expand5(v & 31);
                    }
                }
                break;
            case 24:
                for (size_t x = 0; x < width_; ++x, out += 3, src += 3) {
                    out[0] = src[2];
                    out[1] = src[1];
                    out[2] = src[0];
                }
                break;
            case 32:
                if (masks) {
                    MaskRow(src, out, 4, masks);
                } else {
                    for (size_t x = 0; x < width_; ++x, out += 3, src += 4) {
                        out[0] = src[2];
                        out[1] = src[1];
                        out[2] = src[0];
                    }
                }
                break;
            }
        }
    }

    // Run-length encoded data (bottom-up only). Pixels that the stream skips stay black, as in a
    // freshly made bitmap surface; pixels of a run past the row's end are dropped (encoders pad
    // odd 4-bit runs). Returns false when the stream is cut short, jumps past the row's end or
    // writes past the last row.
    bool RunLength(const uint8_t* data, size_t size) const {
        const bool four = info_.compression == kRle4;
        size_t pos = 0, x = 0, y = 0;
        auto put = [&](uint8_t index) -> bool {
            if (y >= rows_) return false;
            if (x < width_) {
                const Rgb& c = palette_[index];
                unsigned char* p = dst_ + (y * width_ + x) * 3;
                p[0] = c.r;
                p[1] = c.g;
                p[2] = c.b;
            }
            ++x;
            return true;
        };
        while (true) {
            if (size - pos < 2) return y >= rows_;  // out of data: fine only when every row is done
            const uint8_t count = data[pos], value = data[pos + 1];
            pos += 2;
            if (count > 0) {
                for (unsigned i = 0; i < count; ++i) {
                    uint8_t index = four ? ((i & 1) ? (value & 15) : (value >> 4)) : value;
                    if (!put(index)) return false;
                }
                continue;
            }
            switch (value) {
            case 0:  // end of line
                x = 0;
                ++y;
                break;
            case 1:  // end of bitmap
                return true;
            case 2:  // delta
                if (size - pos < 2) return false;
                x += data[pos];
                y += data[pos + 1];
                pos += 2;
                // A jump off the side or past the top is a broken stream, not a skip.
                if (x > width_ || y > rows_) return false;
                break;
            default: {  // absolute run of `value` pixels, padded to a 16-bit boundary
                size_t bytes = four ? (value + 1u) / 2u : value;
                size_t padded = (bytes + 1u) & ~size_t(1);
                if (size - pos < padded) return false;
                for (unsigned i = 0; i < value; ++i) {
                    uint8_t b = data[pos + (four ? i / 2 : i)];
                    uint8_t index = four ? ((i & 1) ? (b & 15) : (b >> 4)) : b;
                    if (!put(index)) return false;
                }
                pos += padded;
                break;
            }
            }
        }
    }

private:
    static uint8_t Expand5(uint32_t v) { return static_cast<uint8_t>((v << 3) | (v >> 2)); }

    // Output row for the y-th stored row; the output always starts with the bottom row.
    unsigned char* RowOut(size_t y) const {
        size_t row = info_.height < 0 ? rows_ - 1 - y : y;
        return dst_ + row * width_ * 3;
    }

    void PaletteRow(const uint8_t* src, unsigned char* out) const {
        const unsigned bits = info_.bitCount;
        const unsigned perByte = 8 / bits;
        const unsigned valueMask = (1u << bits) - 1;
        for (size_t x = 0; x < width_; ++x, out += 3) {
            uint8_t b = src[x / perByte];
            unsigned shift = 8 - bits * (1 + static_cast<unsigned>(x % perByte));
            const Rgb& c = palette_[(b >> shift) & valueMask];
            out[0] = c.r;
            out[1] = c.g;
            out[2] = c.b;
        }
    }

    void MaskRow(const uint8_t* src, unsigned char* out, size_t bytes, const uint32_t masks[3]) const {
        const Channel r(masks[0]), g(masks[1]), b(masks[2]);
        for (size_t x = 0; x < width_; ++x, out += 3, src += bytes) {
            uint32_t v = bytes == 2 ? ReadU16(src) : ReadU32(src);
            out[0] = r.Extract(v);
            out[1] = g.Extract(v);
            out[2] = b.Extract(v);
        }
    }

    const DibInfo& info_;
    const Rgb* palette_;
    unsigned char* dst_;
    size_t width_;
    size_t rows_;
};

bool FormatAccepted(const DibInfo& info) {
    switch (info.compression) {
    case kRgb:
        return info.bitCount == 1 || info.bitCount == 4 || info.bitCount == 8 ||
               info.bitCount == 16 || info.bitCount == 24 || info.bitCount == 32;
    case kRle8: return info.bitCount == 8 && info.height > 0;
    case kRle4: return info.bitCount == 4 && info.height > 0;
    case kBitFields: return info.bitCount == 16 || info.bitCount == 32;
    default: return false;
    }
}

}  // namespace

void FreeRgbImage(RgbImage* image) {
    if (!image) return;
    std::free(image->data);
    std::free(image);
}

DibError DecodeDib(const uint8_t* bytes, size_t size, RgbImage** out) {
    *out = nullptr;
    const bool fileHeader = size >= 2 && bytes[0] == 'B' && bytes[1] == 'M';
    const size_t infoAt = fileHeader ? 14 : 0;
    if (size < infoAt + 4) return DibError::UnknownFormat;
    const uint32_t headerSize = ReadU32(bytes + infoAt);
    if (headerSize != 12 && headerSize != 40) return DibError::UnknownFormat;
    if (size - infoAt < headerSize) return DibError::UnknownFormat;

    const uint8_t* h = bytes + infoAt;
    DibInfo info;
    uint32_t coloursUsed = 0;
    if (headerSize == 12) {
        info.width = ReadU16(h + 4);
        info.height = ReadU16(h + 6);
        info.planes = ReadU16(h + 8);
        info.bitCount = ReadU16(h + 10);
    } else {
        info.width = static_cast<int32_t>(ReadU32(h + 4));
        info.height = static_cast<int32_t>(ReadU32(h + 8));
        info.planes = ReadU16(h + 12);
        info.bitCount = ReadU16(h + 14);
        info.compression = ReadU32(h + 16);
        coloursUsed = ReadU32(h + 32);
    }
    if (coloursUsed != 0) {
        info.colourCount = static_cast<uint16_t>(coloursUsed);
    } else {
        info.colourCount = info.bitCount == 1 ? 2 : info.bitCount == 4 ? 16 : info.bitCount == 8 ? 256 : 0;
    }

    // Sizes first: a surface of this size must be possible before anything else matters.
    const uint64_t rows = static_cast<uint64_t>(info.height < 0 ? -info.height : info.height);
    if (info.width <= 0 || rows == 0 || info.width > kMaxDibSide || rows > static_cast<uint64_t>(kMaxDibSide)) {
        return DibError::OutOfMemory;
    }
    if (info.planes != 1 || !FormatAccepted(info)) return DibError::ConversionError;

    // Bit-field masks sit right after a 40-byte header, ahead of any colour table.
    const size_t tableAt = infoAt + headerSize + (info.compression == kBitFields ? 12 : 0);
    const size_t entrySize = headerSize == 12 ? 3 : 4;
    const size_t tableEnd = tableAt + static_cast<size_t>(info.colourCount) * entrySize;
    if (tableEnd > size) return DibError::ConversionError;

    uint32_t masks[3];
    const uint32_t* maskPtr = nullptr;
    if (info.compression == kBitFields) {
        for (int i = 0; i < 3; ++i) masks[i] = ReadU32(bytes + infoAt + headerSize + 4 * i);
        maskPtr = masks;
    }

    // Indices past the table's end show black.
    Rgb palette[256] = {};
    const size_t used = info.colourCount < 256 ? info.colourCount : 256;
    for (size_t i = 0; i < used; ++i) {
        const uint8_t* e = bytes + tableAt + i * entrySize;
        palette[i] = Rgb{e[2], e[1], e[0]};
    }

    const size_t pixelsAt = fileHeader ? ReadU32(bytes + 10) : tableEnd;
    if (pixelsAt > size) return DibError::ConversionError;
    const size_t available = size - pixelsAt;

    const bool compressed = info.compression == kRle8 || info.compression == kRle4;
    const uint64_t stride = (static_cast<uint64_t>(info.width) * info.bitCount + 31) / 32 * 4;
    if (!compressed) {
        // The last row needs only its pixels, not its padding.
        const uint64_t lastRow = (static_cast<uint64_t>(info.width) * info.bitCount + 7) / 8;
        if (stride * (rows - 1) + lastRow > available) return DibError::ConversionError;
    }

    const size_t outBytes = static_cast<size_t>(info.width) * static_cast<size_t>(rows) * 3;
    unsigned char* pixels = static_cast<unsigned char*>(compressed ? std::calloc(outBytes, 1) : std::malloc(outBytes));
    if (!pixels) return DibError::OutOfMemory;

    Decoder decoder(info, palette, pixels);
    if (compressed) {
        if (!decoder.RunLength(bytes + pixelsAt, available)) {
            std::free(pixels);
            return DibError::ConversionError;
        }
    } else {
        decoder.Plain(bytes + pixelsAt, static_cast<size_t>(stride), maskPtr);
    }

    RgbImage* image = static_cast<RgbImage*>(std::malloc(sizeof(RgbImage)));
    if (!image) {
        std::free(pixels);
        return DibError::OutOfMemory;
    }
    image->width = static_cast<int32_t>(info.width);
    image->height = static_cast<int32_t>(rows);
    image->data = pixels;
    *out = image;
    return DibError::None;
}
