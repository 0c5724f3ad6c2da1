// The decoders' destination: a level at the picture's own size, or its area average at the
// largest texture size.
#include "gfx/level_writer.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include "gfx/image_decoders.h"

namespace {

constexpr float kFixedOne = 128.0f;  // one 8-bit step in the sums

// The largest texture side as the loader plans it (a power of two).
uint32_t Largest(uint32_t most) {
    return std::bit_floor(std::max(most, 1u));
}

}  // namespace

void LevelWriter::Axis::Make(uint32_t source, uint32_t destination) {
    first.resize(source);
    share.resize(source);
    const double step = double(destination) / source;  // a source pixel's width in destination pixels
    scale = float(step);
    for (uint32_t s = 0; s < source; ++s) {
        const double from = s * step, to = (s + 1) * step;
        const uint32_t d = std::min(uint32_t(from), destination - 1);
        first[s] = d;
        share[s] = float(std::min(to, double(d) + 1.0) - from);
    }
}

bool LevelWriter::Begin(uint32_t width, uint32_t height, bool isFloat, uint32_t heldBytesPerPixel,
                        const DecodeLimits& limits, std::string* error) {
    const uint32_t w = std::min(width, Largest(limits.maxWidth)), h = std::min(height, Largest(limits.maxHeight));
    reduced = width && height && (w < width || h < height);
    if (!reduced) {
        const uint64_t decode = uint64_t(width) * height * ((isFloat ? 16 : 4) + heldBytesPerPixel);
        return CheckDecodeBytes(width, height, isFloat, decode, limits, error) &&
               AllocateLevel(&level, width, height, isFloat, limits, error);
    }
    if (uint64_t(width) * height > kMaxReducedPixels)
        return Fail(error, ("image of " + std::to_string(width) + " x " + std::to_string(height) +
                            " pixels is more than a reduced picture may have (" +
                            std::to_string(kMaxReducedPixels >> 20) + " M)")
                               .c_str());
    // The sums and the level they become (or the float level), one source row or column and the
    // two axes' tables.
    const uint64_t decode = uint64_t(w) * h * (isFloat ? 16 : 8 + 4) + uint64_t(std::max(width, height)) * 16 +
                            (uint64_t(width) + height) * 8;
    if (!CheckDecodeBytes(width, height, isFloat, decode, limits, error)) return false;
    level.width = w;
    level.height = h;
    level.rgba8.clear();
    level.rgbaF.clear();
    if (isFloat)
        level.rgbaF.assign(size_t(w) * h * 4, 0.0f);
    else
        sums.assign(size_t(w) * h * 4, 0);
    columns.Make(width, w);
    rows.Make(height, h);
    gathered.assign(size_t(w) * 4, 0.0f);
    return true;
}

void LevelWriter::Fill(const uint8_t* rgba) {
    if (reduced) {
        std::memcpy(background, rgba, 4);  // the sums hold differences from it
        return;
    }
    for (size_t i = 0; i < level.rgba8.size(); i += 4) std::memcpy(&level.rgba8[i], rgba, 4);
}

void LevelWriter::Add(uint32_t x, uint32_t y, const float* rgba) {
    if (y != gatheredRow) {
        Flush();
        gatheredRow = y;
    }
    const uint32_t dx = columns.first[x];
    const float share = columns.share[x], rest = columns.scale - share;
    float* g = &gathered[size_t(dx) * 4];
    for (int k = 0; k < 4; ++k) g[k] += rgba[k] * share;
    uint32_t last = dx;
    if (rest > 0.0f && dx + 1 < level.width) {
        for (int k = 0; k < 4; ++k) g[4 + k] += rgba[k] * rest;
        last = dx + 1;
    }
    from = std::min(from, dx);
    to = std::max(to, last);
}

void LevelWriter::Flush() {
    if (from > to) return;
    const uint32_t dy = rows.first[gatheredRow];
    const float wy[2] = {rows.share[gatheredRow], rows.scale - rows.share[gatheredRow]};
    for (uint32_t j = 0; j < 2; ++j) {
        if (dy + j >= level.height || wy[j] <= 0.0f) continue;
        const size_t row = size_t(dy + j) * level.width * 4;
        if (!level.rgbaF.empty()) {
            for (size_t i = size_t(from) * 4; i < size_t(to + 1) * 4; ++i) level.rgbaF[row + i] += gathered[i] * wy[j];
            continue;
        }
        const float scale = wy[j] * kFixedOne;
        for (size_t i = size_t(from) * 4; i < size_t(to + 1) * 4; ++i) {
            const float v = gathered[i] * scale;
            const int32_t sum = sums[row + i] + int32_t(v + (v < 0.0f ? -0.5f : 0.5f));
            sums[row + i] = int16_t(std::clamp(sum, -32768, 32767));
        }
    }
    std::fill(gathered.begin() + size_t(from) * 4, gathered.begin() + size_t(to + 1) * 4, 0.0f);
    from = UINT32_MAX, to = 0;
}

ImageLevel LevelWriter::Finish() {
    if (reduced) Flush();
    if (reduced && level.rgbaF.empty()) {
        level.rgba8.resize(sums.size());
        for (size_t i = 0; i < sums.size(); i += 4)
            for (int k = 0; k < 4; ++k) {  // rounded to the nearest step
                const float v = float(background[k]) + float(sums[i + k]) * (1.0f / kFixedOne) + 0.5f;
                level.rgba8[i + k] = uint8_t(std::clamp(v, 0.0f, 255.0f));
            }
        sums = {};
    }
    return std::move(level);
}
