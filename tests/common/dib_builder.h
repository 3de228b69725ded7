// Builds BMP file images in memory for the decoder tests, field by field.
#pragma once

#include <cstdint>
#include <vector>

struct DibLayout {
    bool fileHeader = true;
    uint32_t headerSize = 40;
    int32_t width = 1;
    int32_t height = 1;
    uint16_t planes = 1;
    uint16_t bitCount = 24;
    uint32_t compression = 0;
    uint32_t coloursUsed = 0;
    std::vector<uint32_t> masks;    // written right after the info header (bit fields)
    std::vector<uint32_t> palette;  // 0x00RRGGBB; 4 bytes per entry, 3 under the core header
    std::vector<uint8_t> pixels;    // written as they are
    int64_t pixelOffset = -1;       // the file header's offset; -1: right after the table
};

inline void PutLe(std::vector<uint8_t>& b, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

inline std::vector<uint8_t> BuildDib(const DibLayout& s) {
    std::vector<uint8_t> info;
    PutLe(info, s.headerSize, 4);
    if (s.headerSize == 12) {
        PutLe(info, static_cast<uint32_t>(s.width), 2);
        PutLe(info, static_cast<uint32_t>(s.height), 2);
        PutLe(info, s.planes, 2);
        PutLe(info, s.bitCount, 2);
    } else {
        PutLe(info, static_cast<uint32_t>(s.width), 4);
        PutLe(info, static_cast<uint32_t>(s.height), 4);
        PutLe(info, s.planes, 2);
        PutLe(info, s.bitCount, 2);
        PutLe(info, s.compression, 4);
        PutLe(info, static_cast<uint32_t>(s.pixels.size()), 4);
        PutLe(info, 2835, 4);
        PutLe(info, 2835, 4);
        PutLe(info, s.coloursUsed, 4);
        PutLe(info, 0, 4);
        while (info.size() < s.headerSize) info.push_back(0);  // larger header versions
    }
    for (uint32_t m : s.masks) PutLe(info, m, 4);
    for (uint32_t c : s.palette) PutLe(info, c, s.headerSize == 12 ? 3 : 4);

    std::vector<uint8_t> file;
    if (s.fileHeader) {
        const uint32_t offset = s.pixelOffset >= 0 ? static_cast<uint32_t>(s.pixelOffset)
                                                   : static_cast<uint32_t>(14 + info.size());
        file = {'B', 'M'};
        PutLe(file, static_cast<uint32_t>(14 + info.size() + s.pixels.size()), 4);
        PutLe(file, 0, 4);
        PutLe(file, offset, 4);
    }
    file.insert(file.end(), info.begin(), info.end());
    if (s.fileHeader && s.pixelOffset > static_cast<int64_t>(file.size())) file.resize(s.pixelOffset, 0);
    file.insert(file.end(), s.pixels.begin(), s.pixels.end());
    return file;
}
