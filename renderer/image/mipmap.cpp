#include "mipmap.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

// Weights are fixed point with 14 fraction bits; the weights of one output pixel add up to
// exactly kOne, so a flat colour stays exactly flat.
constexpr int kWeightBits = 14;
constexpr int32_t kOne = 1 << kWeightBits;
// The rows' weighted sums keep 7 fraction bits (at most 255 << 7, a signed 16-bit number, as
// the SIMD multiply-add takes them); the columns' sums of those have 21.
constexpr int kRowShift = kWeightBits - 7;
constexpr int kOutShift = 7 + kWeightBits;
// A mean a hair under a whole number in fixed point is taken as that number.
constexpr int32_t kSlack = 1 << (kOutShift - 10);

// The input pixels one output pixel covers along one axis, each with the part of it covered,
// as a share of the output pixel's length.
struct AxisSpans {
    std::vector<int> first;     // first input index of each output index
    std::vector<int> count;     // input indices covered
    std::vector<int> weightAt;  // where the output's weights start in `weights`
    std::vector<int16_t> weights;
    int widest = 0;             // the largest count
    int base = 0;               // the input index the firsts count from

    // `out` pixels over the stretch of the input from `offset`, `length` pixels long (by default
    // all of it); the stretch lies within the input. The firsts count from the stretch's first
    // whole pixel.
    AxisSpans(int in, int out, double offset = 0, double length = 0) : first(out), count(out), weightAt(out) {
        const double scale = (length > 0 ? length : in) / out;
        base = std::min(in - 1, std::max(0, static_cast<int>(std::floor(offset))));
        const int avail = in - base;  // input pixels from the first one on
        for (int j = 0; j < out; ++j) {
            const double lo = std::max(0.0, offset - base + j * scale);
            const double hi = std::min(static_cast<double>(avail), offset - base + (j + 1) * scale);
            const int begin = std::min(avail - 1, static_cast<int>(std::floor(lo)));
            const int end = std::max(begin + 1, std::min(avail, static_cast<int>(std::ceil(hi))));
            first[j] = begin;
            count[j] = end - begin;
            weightAt[j] = static_cast<int>(weights.size());
            // Rounded running totals, so that the rounded weights add up to exactly kOne (the
            // shares add up to 1 within far less than half a step).
            double share = 0;
            long given = 0;
            for (int p = begin; p < end; ++p) {
                share += (std::min(hi, p + 1.0) - std::max(lo, static_cast<double>(p))) / scale;
                const long upTo = std::lround(share * kOne);
                weights.push_back(static_cast<int16_t>(upTo - given));
                given = upTo;
            }
            widest = std::max(widest, count[j]);
        }
    }
};

void PutQuad(uint8_t* out, int32_t r, int32_t g, int32_t b) {
    out[0] = static_cast<uint8_t>(r);
    out[1] = static_cast<uint8_t>(g);
    out[2] = static_cast<uint8_t>(b);
    out[3] = 255;
}

// The covered input rows of one output row, weighted and summed (7 fraction bits): `rowBytes`
// bytes of each, the rows `stride` bytes apart.
void SumRows(const uint8_t* src, size_t stride, size_t rowBytes, const AxisSpans& rows, int y, int16_t* sum,
             int32_t* wide) {
    const uint8_t* a = src + static_cast<size_t>(rows.first[y]) * stride;
    const int16_t* w = &rows.weights[rows.weightAt[y]];
    constexpr int32_t half = 1 << (kRowShift - 1);
    const int count = rows.count[y];
    size_t k = 0;
    if (count == 1) {
        for (; k < rowBytes; ++k) sum[k] = static_cast<int16_t>(a[k] << 7);
        return;
    }
    if (count == 2 || count == 3) {
        const uint8_t* b = a + stride;
        const uint8_t* c = count == 3 ? b + stride : nullptr;
        const int32_t w0 = w[0], w1 = w[1], w2 = count == 3 ? w[2] : 0;
#ifdef __SSE2__
        // Sixteen channels at a time: (a, b) pairs multiplied and added in one step, c beside.
        const __m128i zero = _mm_setzero_si128();
        const __m128i wab = _mm_set1_epi32((w1 << 16) | w0);
        const __m128i wc = _mm_set1_epi32(w2);
        const __m128i round = _mm_set1_epi32(half);
        for (; k + 16 <= rowBytes; k += 16) {
            const __m128i va = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + k));
            const __m128i vb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + k));
            const __m128i vc = c ? _mm_loadu_si128(reinterpret_cast<const __m128i*>(c + k)) : zero;
            __m128i out[2];
            for (int part = 0; part < 2; ++part) {
                const __m128i a16 = part ? _mm_unpackhi_epi8(va, zero) : _mm_unpacklo_epi8(va, zero);
                const __m128i b16 = part ? _mm_unpackhi_epi8(vb, zero) : _mm_unpacklo_epi8(vb, zero);
                const __m128i c16 = part ? _mm_unpackhi_epi8(vc, zero) : _mm_unpacklo_epi8(vc, zero);
                __m128i lo = _mm_madd_epi16(_mm_unpacklo_epi16(a16, b16), wab);
                __m128i hi = _mm_madd_epi16(_mm_unpackhi_epi16(a16, b16), wab);
                lo = _mm_add_epi32(lo, _mm_madd_epi16(_mm_unpacklo_epi16(c16, zero), wc));
                hi = _mm_add_epi32(hi, _mm_madd_epi16(_mm_unpackhi_epi16(c16, zero), wc));
                lo = _mm_srai_epi32(_mm_add_epi32(lo, round), kRowShift);
                hi = _mm_srai_epi32(_mm_add_epi32(hi, round), kRowShift);
                out[part] = _mm_packs_epi32(lo, hi);
            }
            _mm_storeu_si128(reinterpret_cast<__m128i*>(sum + k), out[0]);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(sum + k + 8), out[1]);
        }
#endif
        for (; k < rowBytes; ++k) {
            sum[k] = static_cast<int16_t>((w0 * a[k] + w1 * b[k] + (c ? w2 * c[k] : 0) + half) >> kRowShift);
        }
        return;
    }
    for (k = 0; k < rowBytes; ++k) wide[k] = w[0] * a[k];
    for (int r = 1; r < count; ++r) {
        const uint8_t* row = a + r * stride;
        const int32_t wr = w[r];
        for (k = 0; k < rowBytes; ++k) wide[k] += wr * row[k];
    }
    for (k = 0; k < rowBytes; ++k) sum[k] = static_cast<int16_t>((wide[k] + half) >> kRowShift);
}

// One output row from its summed input row, where each output pixel covers at most two input
// columns: `pairs` holds each pixel's two weights side by side (the second may be 0).
void SumColumnPairs(const int16_t* sum, const std::vector<int>& first, const int16_t* pairs, int dw, uint8_t* out) {
    int x = 0;
#ifdef __SSE2__
    // Per pixel, the two columns' channels are interleaved (r0 r1 g0 g1 b0 b1 . .) and
    // multiplied and added with the pixel's weights in one step; four pixels are packed at once.
    const __m128i slack = _mm_set1_epi32(kSlack);
    const __m128i opaque = _mm_set1_epi32(static_cast<int32_t>(0xFF000000u));
    for (; x + 4 <= dw; x += 4, out += 16) {
        __m128i acc[4];
        for (int i = 0; i < 4; ++i) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(sum + first[x + i] * 3));
            const __m128i next = _mm_srli_si128(v, 6);
            int32_t weights;  // the pixel's two 16-bit weights as one 32-bit lane
            std::memcpy(&weights, pairs + 2 * (x + i), sizeof weights);
            const __m128i w = _mm_set1_epi32(weights);
            acc[i] = _mm_srai_epi32(_mm_add_epi32(_mm_madd_epi16(_mm_unpacklo_epi16(v, next), w), slack), kOutShift);
        }
        const __m128i words = _mm_packus_epi16(_mm_packs_epi32(acc[0], acc[1]), _mm_packs_epi32(acc[2], acc[3]));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_or_si128(words, opaque));
    }
#endif
    for (; x < dw; ++x, out += 4) {
        const int16_t* a = sum + first[x] * 3;
        const int32_t u = pairs[2 * x], v = pairs[2 * x + 1];
        PutQuad(out, (u * a[0] + v * a[3] + kSlack) >> kOutShift, (u * a[1] + v * a[4] + kSlack) >> kOutShift,
                (u * a[2] + v * a[5] + kSlack) >> kOutShift);
    }
}

// An exact halving of RGB rows into four-byte pixels: 2 x 2 means, rounded to nearest.
void HalveRgbToQuads(const uint8_t* src, int sw, int sh, uint8_t* dst) {
    const size_t rowBytes = static_cast<size_t>(sw) * 3;
    for (int y = 0; y < sh / 2; ++y) {
        const uint8_t* r0 = src + 2 * y * rowBytes;
        const uint8_t* r1 = r0 + rowBytes;
        for (int x = 0; x < sw / 2; ++x, r0 += 6, r1 += 6, dst += 4) {
            PutQuad(dst, (r0[0] + r0[3] + r1[0] + r1[3] + 2) >> 2, (r0[1] + r0[4] + r1[1] + r1[4] + 2) >> 2,
                    (r0[2] + r0[5] + r1[2] + r1[5] + 2) >> 2);
        }
    }
}

}  // namespace

int MipmapSide(int n) {
    if (n <= 1) return 1;
    int power = 1;
    unsigned v = static_cast<unsigned>(n);
    while (v > 3) {
        v >>= 1;
        power <<= 1;
    }
    return v == 3 ? power * 4 : power * static_cast<int>(v);
}

MipmapSize MipmapBaseSize(int width, int height, int maxTextureSize) {
    MipmapSize size{MipmapSide(width), MipmapSide(height)};
    while ((size.width > maxTextureSize || size.height > maxTextureSize) && (size.width > 1 || size.height > 1)) {
        size.width = size.width > 1 ? size.width / 2 : 1;
        size.height = size.height > 1 ? size.height / 2 : 1;
    }
    return size;
}

void ScaleRgbToQuads(const uint8_t* src, int sw, int sh, uint8_t* dst, int dw, int dh) {
    if (sw == 2 * dw && sh == 2 * dh) {
        HalveRgbToQuads(src, sw, sh, dst);
        return;
    }
    ScaleRgbWindowToQuads(src, sw, sh, {0, 0, static_cast<double>(sw), static_cast<double>(sh)}, dst, dw, dh,
                          static_cast<size_t>(dw) * 4);
}

void ScaleRgbWindowToQuads(const uint8_t* src, int sw, int sh, const PictureWindow& window, uint8_t* dst, int dw,
                           int dh, size_t dstStride) {
    // Separable: the covered input rows are summed into one row (of the columns the window
    // covers), then each output pixel sums the covered columns of that row.
    const AxisSpans columns(sw, dw, window.x, window.width);
    const AxisSpans rows(sh, dh, window.y, window.height);
    const int used = columns.first[dw - 1] + columns.count[dw - 1];  // columns from the first one on
    const size_t stride = static_cast<size_t>(sw) * 3;
    const size_t rowBytes = static_cast<size_t>(used) * 3;
    src += static_cast<size_t>(rows.base) * stride + static_cast<size_t>(columns.base) * 3;
    // Room past the row's end for reading eight channels from the last column.
    std::vector<int16_t> sum(rowBytes + 8, 0);
    std::vector<int32_t> wide(rows.widest > 3 ? rowBytes : 0);
    std::vector<int16_t> pairs;
    if (columns.widest <= 2) {
        pairs.resize(2 * static_cast<size_t>(dw), 0);
        for (int x = 0; x < dw; ++x) {
            pairs[2 * x] = columns.weights[columns.weightAt[x]];
            if (columns.count[x] > 1) pairs[2 * x + 1] = columns.weights[columns.weightAt[x] + 1];
        }
    }
    for (int y = 0; y < dh; ++y) {
        SumRows(src, stride, rowBytes, rows, y, sum.data(), wide.data());
        uint8_t* out = dst + static_cast<size_t>(y) * dstStride;
        if (columns.widest <= 2) {
            // Scaling up, or down by less than half a pixel a pixel.
            SumColumnPairs(sum.data(), columns.first, pairs.data(), dw, out);
            continue;
        }
        for (int x = 0; x < dw; ++x, out += 4) {
            const int16_t* a = &sum[static_cast<size_t>(columns.first[x]) * 3];
            const int16_t* w = &columns.weights[columns.weightAt[x]];
            int32_t r = kSlack, g = kSlack, b = kSlack;
            for (int c = 0; c < columns.count[x]; ++c, a += 3) {
                r += w[c] * a[0];
                g += w[c] * a[1];
                b += w[c] * a[2];
            }
            PutQuad(out, r >> kOutShift, g >> kOutShift, b >> kOutShift);
        }
    }
}

void HalveQuads(const uint8_t* src, int w, int h, uint8_t* dst) {
    // Four channels at once, two to a 32-bit half: the even bytes and the odd bytes of each
    // pixel, each widened to 16 bits, where four of them and the rounding cannot overflow.
    // The pixels are read and written as 32-bit words through memcpy (the bytes are not words).
    constexpr uint32_t kLanes = 0x00FF00FFu;
    auto pixel = [](const uint8_t* p) {
        uint32_t v;
        std::memcpy(&v, p, 4);
        return v;
    };
    if (w == 1 || h == 1) {
        const int pairs = (w == 1 ? h : w) / 2;
        for (int i = 0; i < pairs; ++i) {
            const uint32_t p = pixel(src + 8 * i), q = pixel(src + 8 * i + 4);
            const uint32_t even = (((p & kLanes) + (q & kLanes)) >> 1) & kLanes;
            const uint32_t odd = ((((p >> 8) & kLanes) + ((q >> 8) & kLanes)) >> 1) & kLanes;
            const uint32_t v = even | (odd << 8);
            std::memcpy(dst + 4 * i, &v, 4);
        }
        return;
    }
    const int dw = w / 2;
    for (int y = 0; y < h / 2; ++y) {
        const uint8_t* r0 = src + static_cast<size_t>(2 * y) * w * 4;
        const uint8_t* r1 = r0 + static_cast<size_t>(w) * 4;
        uint8_t* o = dst + static_cast<size_t>(y) * dw * 4;
        for (int x = 0; x < dw; ++x) {
            const uint32_t a = pixel(r0 + 8 * x), b = pixel(r0 + 8 * x + 4), c = pixel(r1 + 8 * x), d = pixel(r1 + 8 * x + 4);
            const uint32_t even = (a & kLanes) + (b & kLanes) + (c & kLanes) + (d & kLanes) + 0x00020002u;
            const uint32_t odd = ((a >> 8) & kLanes) + ((b >> 8) & kLanes) + ((c >> 8) & kLanes) +
                                 ((d >> 8) & kLanes) + 0x00020002u;
            const uint32_t v = ((even >> 2) & kLanes) | (((odd >> 2) & kLanes) << 8);
            std::memcpy(o + 4 * x, &v, 4);
        }
    }
}

bool BuildMipmapChain(const uint8_t* rgb, int width, int height, int maxTextureSize, const MipmapLevelSink& level) {
    if (!rgb || width < 1 || height < 1) return false;
    const MipmapSize base = MipmapBaseSize(width, height, maxTextureSize);
    int w = base.width, h = base.height;

    // Level 0 and the halved levels: the halved ones alternate between two buffers, the first
    // holding level 1, the second level 2, each later level where the level two above it was.
    const int w1 = w > 1 ? w / 2 : 1, h1 = h > 1 ? h / 2 : 1;
    const int w2 = w1 > 1 ? w1 / 2 : 1, h2 = h1 > 1 ? h1 / 2 : 1;
    uint8_t* first = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(w) * h * 4));
    uint8_t* buffers[2] = {static_cast<uint8_t*>(std::malloc(static_cast<size_t>(w1) * h1 * 4)),
                           static_cast<uint8_t*>(std::malloc(static_cast<size_t>(w2) * h2 * 4))};
    if (!first || !buffers[0] || !buffers[1]) {
        std::free(first);
        std::free(buffers[0]);
        std::free(buffers[1]);
        return false;
    }

    if (w != width || h != height) {
        ScaleRgbToQuads(rgb, width, height, first, w, h);
    } else {
        const size_t pixels = static_cast<size_t>(w) * h;
        for (size_t i = 0; i < pixels; ++i) PutQuad(first + 4 * i, rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]);
    }
    const uint8_t* current = first;
    level(0, w, h, current);
    for (int n = 1; w > 1 || h > 1; ++n) {
        uint8_t* next = buffers[(n - 1) & 1];
        HalveQuads(current, w, h, next);
        w = w > 1 ? w / 2 : 1;
        h = h > 1 ? h / 2 : 1;
        current = next;
        level(n, w, h, current);
    }
    std::free(first);
    std::free(buffers[0]);
    std::free(buffers[1]);
    return true;
}
