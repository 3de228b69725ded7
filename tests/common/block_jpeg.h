// Writes baseline JPEG files made of flat 8 x 8 blocks: each block one colour, held in its DC
// coefficient alone (every quantiser 8, so a block's samples are its DC value plus 128), three
// components at full resolution, a restart marker every `restartInterval` MCUs. Any size, cheaply:
// a 16000 x 16000 picture is a few megabytes made in a fraction of a second.
#pragma once

#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// The colour of block (bx, by): red, green, blue.
using BlockColour = std::function<void(int bx, int by, uint8_t rgb[3])>;

class BlockJpegWriter {
public:
    BlockJpegWriter(int width, int height, int restartInterval)
        : width_(width), height_(height), restart_(restartInterval) {}

    std::vector<uint8_t> Write(const BlockColour& colour) {
        std::vector<uint8_t> out = {0xFF, 0xD8};
        std::vector<uint8_t> quant(65, 8);
        quant[0] = 0;
        Segment(out, 0xDB, quant);
        Segment(out, 0xC0, {8, uint8_t(height_ >> 8), uint8_t(height_), uint8_t(width_ >> 8), uint8_t(width_), 3, 1,
                            0x11, 0, 2, 0x11, 0, 3, 0x11, 0});
        // DC: the twelve sizes, each a code of four bits; AC: the end of block alone, one bit.
        std::vector<uint8_t> dc = {0x00, 0, 0, 0, 12, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
        for (uint8_t size = 0; size < 12; ++size) dc.push_back(size);
        Segment(out, 0xC4, dc);
        Segment(out, 0xC4, {0x10, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x00});
        if (restart_) Segment(out, 0xDD, {uint8_t(restart_ >> 8), uint8_t(restart_)});
        Segment(out, 0xDA, {3, 1, 0x00, 2, 0x00, 3, 0x00, 0, 63, 0});
        const int blocksX = (width_ + 7) / 8, blocksY = (height_ + 7) / 8;
        int previous[3] = {0, 0, 0}, count = 0, marker = 0;
        for (int by = 0; by < blocksY; ++by) {
            for (int bx = 0; bx < blocksX; ++bx) {
                if (restart_ && count == restart_) {
                    Flush(out);
                    out.push_back(0xFF);
                    out.push_back(uint8_t(0xD0 + marker));
                    marker = (marker + 1) & 7;
                    count = 0;
                    previous[0] = previous[1] = previous[2] = 0;
                }
                uint8_t rgb[3];
                colour(bx, by, rgb);
                const double y = 0.299 * rgb[0] + 0.587 * rgb[1] + 0.114 * rgb[2];
                const double ycc[3] = {y, 128 + 0.564 * (rgb[2] - y), 128 + 0.713 * (rgb[0] - y)};
                for (int c = 0; c < 3; ++c) {
                    const int value = static_cast<int>(std::lround(ycc[c] - 128));
                    Put(value - previous[c]);
                    Bits(0, 1);  // end of block
                    previous[c] = value;
                }
                ++count;
            }
            // Whole rows of blocks go out as they are made: their bytes are the same for each
            // row of the same colours, and a large picture never waits on one long buffer.
            Drain(out);
        }
        Flush(out);
        out.push_back(0xFF);
        out.push_back(0xD9);
        return out;
    }

private:
    static void Segment(std::vector<uint8_t>& out, uint8_t marker, const std::vector<uint8_t>& payload) {
        out.push_back(0xFF);
        out.push_back(marker);
        out.push_back(uint8_t((payload.size() + 2) >> 8));
        out.push_back(uint8_t(payload.size() + 2));
        out.insert(out.end(), payload.begin(), payload.end());
    }

    // A DC difference: its size as a four-bit code, then its bits (a negative one less one).
    void Put(int difference) {
        int size = 0;
        for (int magnitude = std::abs(difference); magnitude; magnitude >>= 1) ++size;
        Bits(uint32_t(size), 4);
        if (size) Bits(uint32_t(difference > 0 ? difference : difference + (1 << size) - 1), size);
    }

    void Bits(uint32_t value, int count) {
        for (int i = count - 1; i >= 0; --i) {
            byte_ = uint8_t(byte_ << 1 | ((value >> i) & 1));
            if (++filled_ == 8) {
                pending_.push_back(byte_);
                if (byte_ == 0xFF) pending_.push_back(0x00);
                byte_ = 0;
                filled_ = 0;
            }
        }
    }

    void Drain(std::vector<uint8_t>& out) {
        out.insert(out.end(), pending_.begin(), pending_.end());
        pending_.clear();
    }

    // Pads the last byte with ones, as before a marker.
    void Flush(std::vector<uint8_t>& out) {
        if (filled_) Bits(0xFF, 8 - filled_);
        Drain(out);
    }

    int width_, height_, restart_;
    uint8_t byte_ = 0;
    int filled_ = 0;
    std::vector<uint8_t> pending_;
};
