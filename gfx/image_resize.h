// Scaling and mip filters for texture levels.
#pragma once

#include <cstdint>
#include <vector>

#include "gfx/image.h"

// Scales a whole image to dstWidth x dstHeight with a triangle (tent) filter whose radius is one
// destination pixel measured in source pixels, at least one source pixel; taps outside the image
// are dropped and the rest renormalised. Rows come out one at a time as R, G, B, A floats in the
// source's units (0..255 for 8-bit sources, 1.0 = full for float sources).
class TriangleScaler {
public:
    TriangleScaler(const ImageLevel& source, uint32_t dstWidth, uint32_t dstHeight);
    void Row(uint32_t y, float* rgba);  // dstWidth * 4 floats

private:
    struct Taps {
        std::vector<uint32_t> first;  // first source index per destination index
        std::vector<uint32_t> start;  // offset into weights per destination index, plus one end entry
        std::vector<float> weights;
    };
    static Taps MakeTaps(uint32_t srcSize, uint32_t dstSize);

    const ImageLevel& src;
    uint32_t dstWidth;
    Taps horizontal, vertical;
    std::vector<float> column;  // one source-width row after the vertical pass
};

// Converts one row of scaler output to the texture format's bytes, with a 4x4 ordered dither where
// 8-bit output cannot hold the value (exact 8-bit values pass unchanged). `unit` is the value of
// full intensity in the input (255 or 1).
void StoreRow(const float* rgba, uint32_t width, uint32_t y, float unit, D3DFORMAT format, uint8_t* out);

// The next mip level by a 2x2 box average (1x2 or 2x1 once a side is 1). Rows are tightly packed.
void BoxDownsample(const uint8_t* src, uint32_t width, uint32_t height, D3DFORMAT format, uint8_t* dst);

uint32_t BytesPerPixel(D3DFORMAT format);  // 4, 1 or 16; 0 for formats the loader does not write
