#include "picture_header.h"

#include <algorithm>
#include <cstring>

namespace {

uint32_t Be(const uint8_t* p, int bytes) {
    uint32_t v = 0;
    for (int i = 0; i < bytes; ++i) v = (v << 8) | p[i];
    return v;
}

uint32_t Le(const uint8_t* p, int bytes) {
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | p[i];
    return v;
}

bool Starts(const uint8_t* data, size_t size, const char* magic, size_t length) {
    return size >= length && std::memcmp(data, magic, length) == 0;
}

// Sizes past a signed 32-bit number, or none, are no sizes.
PixelSize Size(uint64_t width, uint64_t height) {
    if (width == 0 || height == 0 || width > 0x7FFFFFFF || height > 0x7FFFFFFF) return {};
    return {static_cast<int>(width), static_cast<int>(height)};
}

void ReadJpeg(const uint8_t* data, size_t size, PictureHeader& header) {
    size_t at = 2;
    while (at + 4 <= size) {
        if (data[at] != 0xFF) return;  // not a marker where one must be
        const uint8_t marker = data[at + 1];
        if (marker == 0xFF) {  // fill byte
            ++at;
            continue;
        }
        if (marker == 0xD8 || (marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) {  // no length
            at += 2;
            continue;
        }
        if (marker == 0xD9 || marker == 0xDA) return;  // the end, or the pixels, before a frame
        const size_t length = Be(data + at + 2, 2);
        if (length < 2) return;
        // A frame: any SOFn but DHT (C4), JPG (C8) and DAC (CC).
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
            if (at + 9 > size || length < 7) return;
            header.size = Size(Be(data + at + 7, 2), Be(data + at + 5, 2));
            return;
        }
        at += 2 + length;
    }
}

void ReadGif(const uint8_t* data, size_t size, PictureHeader& header) {
    if (size < 13) return;
    uint64_t width = Le(data + 6, 2), height = Le(data + 8, 2);
    size_t at = 13;
    if (data[10] & 0x80) at += 3u << ((data[10] & 7) + 1);  // the global colour table
    // Extensions are skipped block by block up to the first image.
    while (at < size) {
        if (data[at] == 0x2C) {  // image descriptor
            if (at + 9 >= size) return;
            width = std::max<uint64_t>(width, uint64_t(Le(data + at + 1, 2)) + Le(data + at + 5, 2));
            height = std::max<uint64_t>(height, uint64_t(Le(data + at + 3, 2)) + Le(data + at + 7, 2));
            header.size = Size(width, height);
            return;
        }
        if (data[at] != 0x21 || at + 2 >= size) return;  // neither an extension nor an image
        at += 2;
        while (at < size && data[at] != 0) at += data[at] + 1;
        ++at;
    }
}

void ReadBmp(const uint8_t* data, size_t size, PictureHeader& header) {
    if (size < 26) return;
    const uint32_t infoSize = Le(data + 14, 4);
    if (infoSize == 12) {
        header.size = Size(Le(data + 18, 2), Le(data + 20, 2));
    } else if (infoSize >= 40) {
        // A negative height stores the rows from the top.
        const int64_t width = static_cast<int32_t>(Le(data + 18, 4)), height = static_cast<int32_t>(Le(data + 22, 4));
        if (width > 0) header.size = Size(uint64_t(width), uint64_t(height < 0 ? -height : height));
    }
}

void ReadTiff(const uint8_t* data, size_t size, PictureHeader& header) {
    const bool little = data[0] == 'I';
    auto get = [&](size_t at, int bytes) { return little ? Le(data + at, bytes) : Be(data + at, bytes); };
    if (size < 8) return;
    // Offsets summed in 64 bits: a directory said to lie at 0xFFFFFFFF must not wrap round to
    // the file's start in a 32-bit program.
    const uint64_t directory = get(4, 4);
    if (directory + 2 > size) return;
    const size_t entries = get(size_t(directory), 2);
    uint64_t width = 0, height = 0;
    for (size_t i = 0; i < entries; ++i) {
        const uint64_t entry = directory + 2 + uint64_t(i) * 12;
        if (entry + 12 > size) return;
        const uint32_t tag = get(entry, 2), type = get(entry + 2, 2);
        if (tag != 256 && tag != 257) continue;
        // SHORT or LONG, the value held in the entry itself.
        const uint64_t value = type == 3 ? get(entry + 8, 2) : type == 4 ? get(entry + 8, 4) : 0;
        (tag == 256 ? width : height) = value;
    }
    header.size = Size(width, height);
}

}  // namespace

PictureHeader ReadPictureHeader(const uint8_t* data, size_t size) {
    PictureHeader header;
    if (!data) return header;
    if (Starts(data, size, "\xFF\xD8\xFF", 3)) {
        header.format = PictureFormat::Jpeg;
        ReadJpeg(data, size, header);
    } else if (Starts(data, size, "\x89PNG\r\n\x1A\n", 8)) {
        header.format = PictureFormat::Png;
        if (size >= 24 && std::memcmp(data + 12, "IHDR", 4) == 0) header.size = Size(Be(data + 16, 4), Be(data + 20, 4));
    } else if (Starts(data, size, "GIF87a", 6) || Starts(data, size, "GIF89a", 6)) {
        header.format = PictureFormat::Gif;
        ReadGif(data, size, header);
    } else if (Starts(data, size, "BM", 2)) {
        header.format = PictureFormat::Bmp;
        ReadBmp(data, size, header);
    } else if (Starts(data, size, "II*\0", 4) || Starts(data, size, "MM\0*", 4)) {
        header.format = PictureFormat::Tiff;
        ReadTiff(data, size, header);
    }
    return header;
}
