#include "jpeg_reduced.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

// The order in which a block's 64 coefficients are stored: entry k is the natural (row * 8 +
// column) index of the k-th.
constexpr uint8_t kZigzag[64] = {0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,
                                 12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6,  7,  14, 21, 28,
                                 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
                                 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

constexpr int kFastBits = 9;

// A Huffman table as canonical codes: the codes of each length are consecutive numbers.
struct Huffman {
    bool defined = false;
    int32_t maxCode[18];    // the largest code of each length, -1 where there is none
    int32_t valueAt[17];    // value index of a code of each length: code + valueAt[length]
    uint8_t values[256];
    uint16_t fast[1 << kFastBits];  // (length << 8 | value) for codes of up to kFastBits bits; 0 for longer
};

bool BuildHuffman(const uint8_t* counts, const uint8_t* values, int total, Huffman& table) {
    std::memset(table.fast, 0, sizeof table.fast);
    std::memcpy(table.values, values, total);
    int32_t code = 0;
    int k = 0;
    for (int length = 1; length <= 16; ++length) {
        table.valueAt[length] = k - code;
        for (int i = 0; i < counts[length - 1]; ++i, ++code, ++k) {
            if (code >= (1 << length)) return false;  // more codes than the length has
            if (length <= kFastBits) {
                const int shift = kFastBits - length;
                for (int fill = 0; fill < (1 << shift); ++fill) {
                    table.fast[(code << shift) | fill] = static_cast<uint16_t>(length << 8 | values[k]);
                }
            }
        }
        table.maxCode[length] = counts[length - 1] ? code - 1 : -1;
        code <<= 1;
    }
    table.defined = true;
    return true;
}

// The entropy-coded bits of a scan, up to the next marker. Past a marker (or the end of the
// data) it gives zeros; a sound scan never uses them, so any used is damage.
class BitReader {
public:
    BitReader(const uint8_t* data, size_t size, size_t at) : data_(data), size_(size), at_(at) {}

    int Bits(int n) {
        if (n == 0) return 0;
        Fill();
        const int value = static_cast<int>(bits_ >> (32 - n));
        Consume(n);
        return value;
    }

    // The next value of `table`; -1 for a code the table does not have.
    int Decode(const Huffman& table) {
        Fill();
        const uint16_t fast = table.fast[bits_ >> (32 - kFastBits)];
        if (fast) {
            Consume(fast >> 8);
            return fast & 0xFF;
        }
        for (int length = kFastBits + 1; length <= 16; ++length) {
            const int32_t code = static_cast<int32_t>(bits_ >> (32 - length));
            if (code <= table.maxCode[length]) {
                Consume(length);
                return table.values[code + table.valueAt[length]];
            }
        }
        return -1;
    }

    // Steps over the restart marker RSTn (n = `number`) that must come now; false where another
    // comes, or none.
    bool Restart(int number) {
        bits_ = 0;
        count_ = 0;
        padded_ = 0;
        atMarker_ = false;
        while (at_ + 1 < size_ && data_[at_] == 0xFF && data_[at_ + 1] == 0xFF) ++at_;  // fill bytes
        if (at_ + 1 >= size_ || data_[at_] != 0xFF || data_[at_ + 1] != 0xD0 + number) return false;
        at_ += 2;
        return true;
    }

    // True when bits past the scan's end have been used.
    bool Overrun() const { return overrun_; }

private:
    void Fill() {
        while (count_ <= 24) {
            uint32_t byte = 0;
            if (!atMarker_ && at_ < size_) {
                byte = data_[at_];
                if (byte == 0xFF) {
                    if (at_ + 1 < size_ && data_[at_ + 1] == 0x00) {
                        at_ += 2;  // a stuffed 0xFF
                    } else {
                        atMarker_ = true;
                        byte = 0;
                        ++padded_;
                    }
                } else {
                    ++at_;
                }
            } else {
                ++padded_;
            }
            bits_ |= byte << (24 - count_);
            count_ += 8;
        }
    }

    void Consume(int n) {
        bits_ <<= n;
        count_ -= n;
        // The padding is the newest bits in the buffer: once fewer bits are left than it had,
        // some of it has been used.
        if (count_ < padded_ * 8) overrun_ = true;
    }

    const uint8_t* data_;
    size_t size_;
    size_t at_;
    uint32_t bits_ = 0;
    int count_ = 0;
    int padded_ = 0;  // bytes of zeros given since the last real byte
    bool atMarker_ = false;
    bool overrun_ = false;
};

struct Component {
    int id = 0, h = 1, v = 1, quant = 0;
    // Reduced samples per block side: a component sampled more coarsely than the picture gives
    // each block more of them, so that every pixel of the smaller picture has its own.
    int nx = 1, ny = 1;
    int dcTable = 0, acTable = 0;
    int dc = 0;  // the last block's DC coefficient
    int planeWidth = 0, planeHeight = 0;
    std::vector<uint8_t> plane;  // the component at the reduced size
};

// For each frequency u and each of the n reduced samples i of a block's side: C(u)/2 times the
// mean of cos((2x + 1) u pi / 16) over the full samples x it stands for. A block's reduced sample
// (i, j) is then the sum over v, u of basis[v][j] * basis[u][i] * F(v, u), plus 128: the mean of
// the full inverse transform over the samples it stands for. Samples past n are 0.
void ReducedBasis(int n, float basis[8][8]) {
    const int span = 8 / n;
    const double pi = 3.14159265358979323846;
    for (int u = 0; u < 8; ++u) {
        for (int i = 0; i < 8; ++i) {
            double sum = 0;
            for (int x = i * span; i < n && x < (i + 1) * span; ++x) sum += std::cos((2 * x + 1) * u * pi / 16);
            basis[u][i] = static_cast<float>((u == 0 ? std::sqrt(0.5) : 1.0) / 2 * sum / span);
        }
    }
}

uint8_t Clamp(float value) {
    return static_cast<uint8_t>(value <= 0 ? 0 : value >= 255 ? 255 : static_cast<int>(value + 0.5f));
}

// A block's coefficients other than zero: where each lies (natural order) and its dequantised
// value; the DC coefficient first.
struct Coefficients {
    int count = 0;
    uint8_t at[64];
    float value[64];
    int rows = 1;  // rows of the block up to the last one with a coefficient
};

// The reduced nx x ny samples of one block, into `out`, rows `stride` apart. Each coefficient
// adds its row's share along the columns (most of a block's 64 are zero, and cost nothing), then
// the rows are summed down each column.
void ReduceBlock(const Coefficients& coefficients, int nx, int ny, const float basisX[8][8], const float basisY[8][8],
                 uint8_t* out, int stride) {
    if (nx == 1 && ny == 1) {
        *out = Clamp(coefficients.value[0] / 8.0f + 128);
        return;
    }
    const int rows = coefficients.rows;
    float reduced[8][8];  // reduced[v][i]: coefficient row v reduced along its columns
    for (int v = 0; v < rows; ++v) {
        for (int i = 0; i < 8; ++i) reduced[v][i] = 0;
    }
    for (int k = 0; k < coefficients.count; ++k) {
        const int v = coefficients.at[k] >> 3, u = coefficients.at[k] & 7;
        const float value = coefficients.value[k];
        for (int i = 0; i < nx; ++i) reduced[v][i] += value * basisX[u][i];
    }
    for (int j = 0; j < ny; ++j) {
        float sum[8];
        for (int i = 0; i < 8; ++i) sum[i] = 128;
        for (int v = 0; v < rows; ++v) {
            const float weight = basisY[v][j];
            for (int i = 0; i < 8; ++i) sum[i] += weight * reduced[v][i];
        }
        for (int i = 0; i < nx; ++i) out[j * stride + i] = Clamp(sum[i]);
    }
}

int Extend(int value, int bits) { return bits && value < (1 << (bits - 1)) ? value - (1 << bits) + 1 : value; }

uint32_t Be16(const uint8_t* p) { return uint32_t(p[0]) << 8 | p[1]; }

class Reader {
public:
    Reader(const uint8_t* data, size_t size, int denominator) : data_(data), size_(size), n_(8 / denominator) {}

    ReducedJpeg Read(BgrPicture& picture, int denominator);

private:
    ReducedJpeg Frame(const uint8_t* p, size_t length);
    ReducedJpeg Tables(uint8_t marker, const uint8_t* p, size_t length);
    ReducedJpeg Scan(const uint8_t* p, size_t length, size_t dataAt);
    void Convert(BgrPicture& picture, int denominator) const;

    const uint8_t* data_;
    size_t size_;
    int n_;  // reduced samples per block side
    int width_ = 0, height_ = 0, hMax_ = 1, vMax_ = 1;
    std::vector<Component> components_;
    int32_t quant_[4][64];  // natural order
    bool quantDefined_[4] = {};
    Huffman dc_[4], ac_[4];
    int restartInterval_ = 0;
    bool rgb_ = false;     // the components are red, green and blue, not YCbCr
    bool adobe_ = false;   // an Adobe marker said which
};

ReducedJpeg Reader::Frame(const uint8_t* p, size_t length) {
    if (!components_.empty() || length < 6) return ReducedJpeg::Damaged;
    if (p[0] != 8) return ReducedJpeg::Unsupported;
    height_ = static_cast<int>(Be16(p + 1));
    width_ = static_cast<int>(Be16(p + 3));
    const int count = p[5];
    if (height_ == 0) return ReducedJpeg::Unsupported;  // the height comes later, in a DNL marker
    if (width_ == 0 || length < size_t(6 + 3 * count)) return ReducedJpeg::Damaged;
    if (count != 1 && count != 3) return ReducedJpeg::Unsupported;
    for (int i = 0; i < count; ++i) {
        Component c;
        c.id = p[6 + 3 * i];
        c.h = p[7 + 3 * i] >> 4;
        c.v = p[7 + 3 * i] & 15;
        c.quant = p[8 + 3 * i];
        if (c.h < 1 || c.v < 1 || c.quant > 3) return ReducedJpeg::Damaged;
        if (c.h > 2 || c.v > 2) return ReducedJpeg::Unsupported;
        hMax_ = std::max(hMax_, c.h);
        vMax_ = std::max(vMax_, c.v);
        components_.push_back(c);
    }
    if (count == 1) components_[0].h = components_[0].v = hMax_ = vMax_ = 1;  // one component: one block an MCU
    // Without an Adobe marker, three components are YCbCr unless they are named R, G and B.
    if (!adobe_ && count == 3) rgb_ = components_[0].id == 'R' && components_[1].id == 'G' && components_[2].id == 'B';
    return ReducedJpeg::Read;
}

ReducedJpeg Reader::Tables(uint8_t marker, const uint8_t* p, size_t length) {
    size_t at = 0;
    if (marker == 0xDB) {  // quantisation tables
        while (at < length) {
            const int precision = p[at] >> 4, id = p[at] & 15;
            const size_t bytes = precision ? 128 : 64;
            if (id > 3 || precision > 1 || at + 1 + bytes > length) return ReducedJpeg::Damaged;
            for (int k = 0; k < 64; ++k) {
                quant_[id][kZigzag[k]] = precision ? int32_t(Be16(p + at + 1 + 2 * k)) : p[at + 1 + k];
            }
            quantDefined_[id] = true;
            at += 1 + bytes;
        }
        return ReducedJpeg::Read;
    }
    while (at < length) {  // Huffman tables
        if (at + 17 > length) return ReducedJpeg::Damaged;
        const int kind = p[at] >> 4, id = p[at] & 15;
        int total = 0;
        for (int i = 0; i < 16; ++i) total += p[at + 1 + i];
        if (kind > 1 || id > 3 || total > 256 || at + 17 + total > length) return ReducedJpeg::Damaged;
        if (!BuildHuffman(p + at + 1, p + at + 17, total, kind ? ac_[id] : dc_[id])) return ReducedJpeg::Damaged;
        at += 17 + total;
    }
    return ReducedJpeg::Read;
}

ReducedJpeg Reader::Scan(const uint8_t* p, size_t length, size_t dataAt) {
    if (components_.empty() || length < 1) return ReducedJpeg::Damaged;
    const int count = p[0];
    if (length < size_t(4 + 2 * count)) return ReducedJpeg::Damaged;
    // Every component in this one scan (a file that sends them in scans of their own is rare).
    if (count != static_cast<int>(components_.size())) return ReducedJpeg::Unsupported;
    std::vector<Component*> order;
    for (int i = 0; i < count; ++i) {
        const int id = p[1 + 2 * i], tables = p[2 + 2 * i];
        auto it = std::find_if(components_.begin(), components_.end(), [&](const Component& c) { return c.id == id; });
        if (it == components_.end() || std::find(order.begin(), order.end(), &*it) != order.end()) {
            return ReducedJpeg::Damaged;
        }
        it->dcTable = tables >> 4;
        it->acTable = tables & 15;
        if (it->dcTable > 3 || it->acTable > 3 || !dc_[it->dcTable].defined || !ac_[it->acTable].defined ||
            !quantDefined_[it->quant]) {
            return ReducedJpeg::Damaged;
        }
        order.push_back(&*it);
    }
    const uint8_t* spectral = p + 1 + 2 * count;
    if (spectral[0] != 0 || spectral[1] != 63 || spectral[2] != 0) return ReducedJpeg::Damaged;

    // The MCUs: with several components, hMax x vMax blocks of the picture each; with one, a block.
    const int mcuWidth = 8 * hMax_, mcuHeight = 8 * vMax_;
    const int mcusX = (width_ + mcuWidth - 1) / mcuWidth, mcusY = (height_ + mcuHeight - 1) / mcuHeight;
    float basis[9][8][8];  // by reduced samples per side: 1, 2, 4 or 8
    for (int n : {1, 2, 4, 8}) ReducedBasis(n, basis[n]);
    for (Component& c : components_) {
        c.nx = n_ * hMax_ / c.h;
        c.ny = n_ * vMax_ / c.v;
        c.planeWidth = mcusX * hMax_ * n_;
        c.planeHeight = mcusY * vMax_ * n_;
        c.plane.assign(size_t(c.planeWidth) * c.planeHeight, 0);
        c.dc = 0;
    }

    BitReader bits(data_, size_, dataAt);
    Coefficients block;
    // A block's coefficients into `block` (dequantised, natural order) and its reduced samples
    // into the plane at block column bx, row by; false where the bits are not a block.
    auto decodeBlock = [&](Component& c, int bx, int by) {
        const int32_t* q = quant_[c.quant];
        const int size = bits.Decode(dc_[c.dcTable]);
        if (size < 0 || size > 15) return false;
        // The running DC value is held to a coefficient's range: a hostile file cannot overflow it.
        c.dc = std::max(-32767, std::min(32767, c.dc + Extend(bits.Bits(size), size)));
        block.count = 1;
        block.at[0] = 0;
        block.value[0] = static_cast<float>(c.dc * q[0]);
        block.rows = 1;
        for (int k = 1; k < 64;) {
            const int rs = bits.Decode(ac_[c.acTable]);
            if (rs < 0) return false;
            const int run = rs >> 4, s = rs & 15;
            if (s == 0) {
                if (run != 15) break;  // end of block
                k += 16;
                continue;
            }
            k += run;
            if (k > 63) return false;
            const int at = kZigzag[k];
            block.at[block.count] = static_cast<uint8_t>(at);
            block.value[block.count++] = static_cast<float>(Extend(bits.Bits(s), s) * q[at]);
            block.rows = std::max(block.rows, (at >> 3) + 1);
            ++k;
        }
        ReduceBlock(block, c.nx, c.ny, basis[c.nx], basis[c.ny],
                    &c.plane[size_t(by) * c.ny * c.planeWidth + size_t(bx) * c.nx], c.planeWidth);
        return true;
    };

    const bool single = count == 1;
    const int blocksX = single ? (width_ + 7) / 8 : mcusX, blocksY = single ? (height_ + 7) / 8 : mcusY;
    int sinceRestart = 0, restartNumber = 0;
    for (int my = 0; my < blocksY; ++my) {
        for (int mx = 0; mx < blocksX; ++mx) {
            if (restartInterval_ && sinceRestart == restartInterval_) {
                if (!bits.Restart(restartNumber)) return ReducedJpeg::Damaged;
                restartNumber = (restartNumber + 1) & 7;
                sinceRestart = 0;
                for (Component* c : order) c->dc = 0;
            }
            for (Component* c : order) {
                for (int by = 0; by < c->v; ++by) {
                    for (int bx = 0; bx < c->h; ++bx) {
                        if (!decodeBlock(*c, mx * c->h + bx, my * c->v + by)) return ReducedJpeg::Damaged;
                    }
                }
            }
            if (bits.Overrun()) return ReducedJpeg::Damaged;
            ++sinceRestart;
        }
    }
    return ReducedJpeg::Read;
}

void Reader::Convert(BgrPicture& picture, int denominator) const {
    picture.width = (width_ + denominator - 1) / denominator;
    picture.height = (height_ + denominator - 1) / denominator;
    picture.bgr.resize(size_t(picture.width) * picture.height * 3);
    // JFIF's YCbCr as tables over the blue and red differences (16 fraction bits); every plane has
    // the picture's samples.
    int32_t blue[256], red[256], greenOfBlue[256], greenOfRed[256];
    for (int i = 0; i < 256; ++i) {
        blue[i] = static_cast<int32_t>(std::lround(1.772 * 65536 * (i - 128)));
        red[i] = static_cast<int32_t>(std::lround(1.402 * 65536 * (i - 128)));
        greenOfBlue[i] = static_cast<int32_t>(std::lround(-0.344136 * 65536 * (i - 128)));
        greenOfRed[i] = static_cast<int32_t>(std::lround(-0.714136 * 65536 * (i - 128)));
    }
    auto clamp = [](int32_t v) { return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); };
    uint8_t* out = picture.bgr.data();
    for (int y = 0; y < picture.height; ++y) {
        const uint8_t* a = &components_[0].plane[size_t(y) * components_[0].planeWidth];
        if (components_.size() == 1) {
            for (int x = 0; x < picture.width; ++x, out += 3) out[0] = out[1] = out[2] = a[x];
            continue;
        }
        const uint8_t* b = &components_[1].plane[size_t(y) * components_[1].planeWidth];
        const uint8_t* c = &components_[2].plane[size_t(y) * components_[2].planeWidth];
        for (int x = 0; x < picture.width; ++x, out += 3) {
            if (rgb_) {
                out[0] = c[x], out[1] = b[x], out[2] = a[x];
                continue;
            }
            const int32_t luma = (int32_t(a[x]) << 16) + (1 << 15);
            out[0] = clamp((luma + blue[b[x]]) >> 16);
            out[1] = clamp((luma + greenOfBlue[b[x]] + greenOfRed[c[x]]) >> 16);
            out[2] = clamp((luma + red[c[x]]) >> 16);
        }
    }
}

ReducedJpeg Reader::Read(BgrPicture& picture, int denominator) {
    if (size_ < 4 || data_[0] != 0xFF || data_[1] != 0xD8) return ReducedJpeg::Damaged;
    size_t at = 2;
    for (;;) {
        // A marker, after any fill bytes.
        if (at >= size_ || data_[at] != 0xFF) return ReducedJpeg::Damaged;
        while (at < size_ && data_[at] == 0xFF) ++at;
        if (at >= size_) return ReducedJpeg::Damaged;
        const uint8_t marker = data_[at++];
        if (marker == 0xD8 || marker == 0xD9 || (marker >= 0xD0 && marker <= 0xD7)) return ReducedJpeg::Damaged;
        if (marker == 0x01) continue;  // TEM stands alone, as the header's reader takes it
        if (at + 2 > size_) return ReducedJpeg::Damaged;
        const size_t length = Be16(data_ + at);
        if (length < 2 || at + length > size_) return ReducedJpeg::Damaged;
        const uint8_t* p = data_ + at + 2;
        const size_t bytes = length - 2;
        at += length;
        ReducedJpeg step = ReducedJpeg::Read;
        if (marker == 0xC0 || marker == 0xC1) {
            step = Frame(p, bytes);
            if (step == ReducedJpeg::Read) {
                const uint64_t w = (uint64_t(width_) + denominator - 1) / denominator;
                const uint64_t h = (uint64_t(height_) + denominator - 1) / denominator;
                if (w * h > kMaxDecodedPixels) return ReducedJpeg::Unsupported;
            }
        } else if ((marker >= 0xC2 && marker <= 0xCF && marker != 0xC4) || marker == 0xDC) {
            return ReducedJpeg::Unsupported;  // another kind of frame, arithmetic coding, DNL
        } else if (marker == 0xC4 || marker == 0xDB) {
            step = Tables(marker, p, bytes);
        } else if (marker == 0xDD) {
            if (bytes < 2) return ReducedJpeg::Damaged;
            restartInterval_ = static_cast<int>(Be16(p));
        } else if (marker == 0xEE && bytes >= 12 && std::memcmp(p, "Adobe", 5) == 0) {
            adobe_ = true;
            rgb_ = p[11] == 0;  // transform 0: the components are not YCbCr
        } else if (marker == 0xDA) {
            step = Scan(p, bytes, at);
            if (step == ReducedJpeg::Read) Convert(picture, denominator);
            return step;
        }
        if (step != ReducedJpeg::Read) return step;
    }
}

}  // namespace

ReducedJpeg ReadJpegReduced(const uint8_t* data, size_t size, int denominator, BgrPicture& picture) {
    if (denominator != 2 && denominator != 4 && denominator != 8) return ReducedJpeg::Unsupported;
    if (!data) return ReducedJpeg::Damaged;
    Reader reader(data, size, denominator);
    return reader.Read(picture, denominator);
}
