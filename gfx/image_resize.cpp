// Triangle-filter scaling with ordered dither, and the 2x2 box filter for mip levels.
#include "gfx/image_resize.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// 4x4 Bayer thresholds; (m + 0.5) / 16 keeps the dither unbiased and exact integers unchanged.
constexpr uint8_t kBayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};

uint8_t Dither(float v, float threshold) {
    const float q = std::floor(v + threshold);
    return static_cast<uint8_t>(q < 0.0f ? 0.0f : q > 255.0f ? 255.0f : q);
}

// One row of a 4-byte format's next level: output pixel x is the rounded mean of source pixels
// 2x, 2x + 1 in rows r0 and r1, byte by byte. `count` output pixels.
void BoxRow4(const uint8_t* r0, const uint8_t* r1, uint32_t count, uint8_t* d) {
    uint32_t x = 0;
#if defined(__SSE2__)
    // Four output pixels from 32 source bytes a row: widen to 16 bits, add the rows, add each
    // pixel's neighbour, then (sum + 2) / 4 packed back to bytes. The same sums as below.
    const __m128i zero = _mm_setzero_si128(), two = _mm_set1_epi16(2);
    const auto pair = [&](const uint8_t* a0, const uint8_t* a1) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a0));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a1));
        const __m128i lo = _mm_add_epi16(_mm_unpacklo_epi8(a, zero), _mm_unpacklo_epi8(b, zero));
        const __m128i hi = _mm_add_epi16(_mm_unpackhi_epi8(a, zero), _mm_unpackhi_epi8(b, zero));
        const __m128i sum = _mm_add_epi16(_mm_unpacklo_epi64(lo, hi), _mm_unpackhi_epi64(lo, hi));
        return _mm_srli_epi16(_mm_add_epi16(sum, two), 2);
    };
    for (; x + 4 <= count; x += 4) {
        const size_t s = size_t(x) * 8;
        const __m128i out = _mm_packus_epi16(pair(r0 + s, r1 + s), pair(r0 + s + 16, r1 + s + 16));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + size_t(x) * 4), out);
    }
#endif
    for (; x < count; ++x) {
        const size_t a = size_t(x) * 8;
        for (uint32_t k = 0; k < 4; ++k)
            d[x * 4 + k] = uint8_t((r0[a + k] + r0[a + 4 + k] + r1[a + k] + r1[a + 4 + k] + 2) / 4);
    }
}

}  // namespace

uint32_t BytesPerPixel(D3DFORMAT format) {
    switch (format) {
        case D3DFMT_A8R8G8B8:
        case D3DFMT_X8R8G8B8:
            return 4;
        case D3DFMT_L8:
            return 1;
        case D3DFMT_A32B32G32R32F:
            return 16;
        default:
            return 0;
    }
}

TriangleScaler::Taps TriangleScaler::MakeTaps(uint32_t srcSize, uint32_t dstSize) {
    Taps t;
    const double scale = double(srcSize) / dstSize;
    const double radius = std::max(1.0, scale);
    t.start.push_back(0);
    for (uint32_t i = 0; i < dstSize; ++i) {
        const double center = (i + 0.5) * scale - 0.5;
        const int64_t lo = std::max<int64_t>(0, int64_t(std::floor(center - radius)) + 1);
        const int64_t hi = std::min<int64_t>(int64_t(srcSize) - 1, int64_t(std::ceil(center + radius)) - 1);
        double sum = 0.0;
        const size_t begin = t.weights.size();
        for (int64_t j = lo; j <= hi; ++j) {
            const double w = std::max(0.0, 1.0 - std::fabs(double(j) - center) / radius);
            t.weights.push_back(float(w));
            sum += w;
        }
        for (size_t k = begin; k < t.weights.size(); ++k) t.weights[k] = float(t.weights[k] / sum);
        t.first.push_back(uint32_t(lo));
        t.start.push_back(uint32_t(t.weights.size()));
    }
    return t;
}

TriangleScaler::TriangleScaler(const ImageLevel& source, uint32_t w, uint32_t h)
    : src(source),
      dstWidth(w),
      horizontal(MakeTaps(source.width, w)),
      vertical(MakeTaps(source.height, h)),
      column(size_t(source.width) * 4) {}

void TriangleScaler::Row(uint32_t y, float* out) {
    const size_t rowFloats = size_t(src.width) * 4;
    std::fill(column.begin(), column.end(), 0.0f);
    for (uint32_t k = vertical.start[y]; k < vertical.start[y + 1]; ++k) {
        const float w = vertical.weights[k];
        const size_t row = vertical.first[y] + (k - vertical.start[y]);
        if (src.IsFloat()) {
            const float* s = &src.rgbaF[row * rowFloats];
            for (size_t i = 0; i < rowFloats; ++i) column[i] += w * s[i];
        } else {
            const uint8_t* s = &src.rgba8[row * rowFloats];
            for (size_t i = 0; i < rowFloats; ++i) column[i] += w * float(s[i]);
        }
    }
    for (uint32_t x = 0; x < dstWidth; ++x) {
        float acc[4] = {0, 0, 0, 0};
        const float* s = &column[size_t(horizontal.first[x]) * 4];
        for (uint32_t k = horizontal.start[x]; k < horizontal.start[x + 1]; ++k, s += 4) {
            const float w = horizontal.weights[k];
            acc[0] += w * s[0], acc[1] += w * s[1], acc[2] += w * s[2], acc[3] += w * s[3];
        }
        std::memcpy(out + size_t(x) * 4, acc, sizeof(acc));
    }
}

void StoreRow(const float* rgba, uint32_t width, uint32_t y, float unit, D3DFORMAT format, uint8_t* out) {
    if (format == D3DFMT_A32B32G32R32F) {
        float* f = reinterpret_cast<float*>(out);
        for (size_t i = 0; i < size_t(width) * 4; ++i) f[i] = rgba[i] / unit;
        return;
    }
    const float toBytes = 255.0f / unit;
    for (uint32_t x = 0; x < width; ++x, rgba += 4) {
        const float t = (kBayer[y & 3][x & 3] + 0.5f) / 16.0f;
        if (format == D3DFMT_L8) {
            out[x] = Dither(rgba[0] * toBytes, t);
            continue;
        }
        uint8_t* p = out + size_t(x) * 4;
        p[0] = Dither(rgba[2] * toBytes, t), p[1] = Dither(rgba[1] * toBytes, t), p[2] = Dither(rgba[0] * toBytes, t);
        p[3] = format == D3DFMT_X8R8G8B8 ? 255 : Dither(rgba[3] * toBytes, t);
    }
}

void BoxDownsample(const uint8_t* src, uint32_t width, uint32_t height, D3DFORMAT format, uint8_t* dst) {
    const uint32_t w = std::max(1u, width / 2), h = std::max(1u, height / 2);
    const uint32_t bpp = BytesPerPixel(format);
    const size_t pitch = size_t(width) * bpp;
    for (uint32_t y = 0; y < h; ++y) {
        const uint8_t* r0 = src + size_t(2 * y) * pitch;
        const uint8_t* r1 = height > 1 ? r0 + pitch : r0;
        if (bpp == 4 && width > 1) {
            BoxRow4(r0, r1, w, dst + size_t(y) * w * 4);
            continue;
        }
        for (uint32_t x = 0; x < w; ++x) {
            const size_t a = size_t(2 * x) * bpp, b = width > 1 ? a + bpp : a;
            uint8_t* d = dst + (size_t(y) * w + x) * bpp;
            if (format == D3DFMT_A32B32G32R32F) {
                for (int k = 0; k < 4; ++k) {
                    float v[4];
                    std::memcpy(&v[0], r0 + a + k * 4, 4), std::memcpy(&v[1], r0 + b + k * 4, 4);
                    std::memcpy(&v[2], r1 + a + k * 4, 4), std::memcpy(&v[3], r1 + b + k * 4, 4);
                    const float avg = (v[0] + v[1] + v[2] + v[3]) * 0.25f;
                    std::memcpy(d + k * 4, &avg, 4);
                }
            } else {
                for (uint32_t k = 0; k < bpp; ++k)
                    d[k] = uint8_t((r0[a + k] + r0[b + k] + r1[a + k] + r1[b + k] + 2) / 4);
            }
        }
    }
}
