// Pictures as the content tools make them: float canvases to paint on, 8-bit images to write out,
// and the deterministic noise and blur the generators share.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// 8-bit RGBA with straight (not premultiplied) alpha; row 0 is the top row.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba;

    Image() = default;
    Image(int w, int h) : width(w), height(h), rgba(size_t(w) * size_t(h) * 4, 0) {}
    uint8_t* At(int x, int y) { return &rgba[(size_t(y) * size_t(width) + size_t(x)) * 4]; }
    const uint8_t* At(int x, int y) const { return &rgba[(size_t(y) * size_t(width) + size_t(x)) * 4]; }
};

struct Rgb {
    float r, g, b;
};

// Premultiplied RGBA in floats (0..1); painting composes "over" or adds light.
struct Canvas {
    int width = 0;
    int height = 0;
    std::vector<float> px;

    Canvas(int w, int h) : width(w), height(h), px(size_t(w) * size_t(h) * 4, 0.0f) {}
    float* At(int x, int y) { return &px[(size_t(y) * size_t(width) + size_t(x)) * 4]; }
    void Fill(Rgb c, float a);
    void Over(int x, int y, Rgb c, float a);  // straight colour c with coverage a, over what is there
    void Add(int x, int y, Rgb c, float a);   // light: adds c * a to colour and a to alpha (clamped)
};

// Unpremultiplies and rounds with a small ordered dither, so smooth gradients do not band. Pixels
// with no coverage take the bleed colour, so filtering at edges does not pull in black.
Image ToImage(const Canvas& canvas, Rgb bleed);

// A 2x2 box-filtered half-size copy (for DDS mip levels); sizes at least 1.
Image HalfSize(const Image& image);
// A picture read back from the device (BGRA bytes, row 0 at the top) as RGBA; `opaque` sets every
// alpha to 255.
Image ImageFromBgra(const std::vector<uint8_t>& bgra, int width, int height, bool opaque);

// Deterministic random numbers: same seed, same sequence, on every machine.
struct Rng {
    uint64_t state;
    explicit Rng(uint64_t seed) : state(seed * 0x9E3779B97F4A7C15ull + 0x632BE59BD9B4E019ull) {}
    uint32_t Next();
    float Uniform() { return float(Next() >> 8) * (1.0f / 16777216.0f); }  // [0, 1)
    float Range(float lo, float hi) { return lo + (hi - lo) * Uniform(); }
};

// Smooth value noise in [0, 1], tiling with the given period (in lattice cells) on both axes.
float TileNoise(float x, float y, int period, uint32_t seed);
// Sum of octaves of TileNoise, normalised to [0, 1].
float TileFbm(float x, float y, int period, int octaves, uint32_t seed);

// In-place blur of one float plane (three box passes, close to a Gaussian of the given radius).
void BlurPlane(std::vector<float>& plane, int width, int height, int radius);

float Smoothstep(float edge0, float edge1, float x);
Rgb Mix(Rgb a, Rgb b, float t);
