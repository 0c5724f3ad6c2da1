// Where a decoder puts its picture's pixels. A picture within the device's largest texture is held
// at its own size, as the file has it. One wider or taller than that is averaged, while it is
// decoded, straight into a picture of the largest size on each axis that is over (each source
// pixel spread by area over the one or two destination pixels it covers), so the decode never
// holds the whole picture; the loader clamps it to that size in any case. An 8-bit picture sums
// into 16-bit fixed point (a 128th of a step) and comes out 8-bit; a float one sums in floats.
#pragma once

#include <cstring>
#include <vector>

#include "gfx/image.h"

// The most source pixels a reduced picture may have: its decoding time grows with them.
constexpr uint64_t kMaxReducedPixels = 8192ull * 8192;

class LevelWriter {
public:
    // Checks the size against the limits and makes the level, every pixel 0. heldBytesPerPixel:
    // what the decoder holds per pixel of a whole picture beside the level when it is not reduced
    // (a reduced picture may hold one source row or column of up to 16 bytes a pixel).
    bool Begin(uint32_t width, uint32_t height, bool isFloat, uint32_t heldBytesPerPixel, const DecodeLimits& limits,
               std::string* error);
    bool Reduced() const { return reduced; }
    // The value of pixels that are never put (8-bit pictures; before any Put).
    void Fill(const uint8_t* rgba);

    // Source pixel (x, y), R, G, B, A: 8-bit values for an 8-bit picture, floats (1.0 = full) for
    // a float one. Each pixel is put once at most.
    void Put(uint32_t x, uint32_t y, const uint8_t* rgba) {
        if (!reduced) {
            std::memcpy(&level.rgba8[(size_t(y) * level.width + x) * 4], rgba, 4);
        } else {
            const float steps[4] = {float(rgba[0] - background[0]), float(rgba[1] - background[1]),
                                    float(rgba[2] - background[2]), float(rgba[3] - background[3])};
            Add(x, y, steps);
        }
    }
    void Put(uint32_t x, uint32_t y, const float* rgba) {
        if (!reduced)
            std::memcpy(&level.rgbaF[(size_t(y) * level.width + x) * 4], rgba, 4 * sizeof(float));
        else
            Add(x, y, rgba);
    }
    // Row y of an 8-bit picture held at its own size, to write in place; null when reduced.
    uint8_t* Row8(uint32_t y) { return reduced ? nullptr : &level.rgba8[size_t(y) * level.width * 4]; }

    const ImageLevel& Level() const { return level; }  // its size; the pixels once finished
    ImageLevel Finish();

private:
    // Per source index: the first destination index it covers and its share of that one; the
    // rest of `scale` goes to the next.
    struct Axis {
        std::vector<uint32_t> first;
        std::vector<float> share;
        float scale = 1.0f;
        void Make(uint32_t source, uint32_t destination);
    };
    void Add(uint32_t x, uint32_t y, const float* rgba);  // rgba: 8-bit steps or floats
    void Flush();                                         // the row being gathered into the level (or its sums)

    ImageLevel level;
    bool reduced = false;
    uint8_t background[4] = {0, 0, 0, 0};
    std::vector<int16_t> sums;  // reduced 8-bit: (value - background) * 128, R, G, B, A
    Axis columns, rows;
    // One source row spread over the destination's columns, before it is spread over its rows:
    // the row, and the destination columns it has touched.
    std::vector<float> gathered;
    uint32_t gatheredRow = 0, from = UINT32_MAX, to = 0;
};
