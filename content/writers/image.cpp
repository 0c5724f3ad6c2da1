// Canvas painting, conversion to 8 bits, noise and blur.
#include "content/writers/image.h"

#include <algorithm>
#include <cmath>

void Canvas::Fill(Rgb c, float a) {
    for (size_t i = 0; i < px.size(); i += 4) {
        px[i] = c.r * a;
        px[i + 1] = c.g * a;
        px[i + 2] = c.b * a;
        px[i + 3] = a;
    }
}

void Canvas::Over(int x, int y, Rgb c, float a) {
    if (x < 0 || y < 0 || x >= width || y >= height || a <= 0) return;
    a = std::min(a, 1.0f);
    float* p = At(x, y);
    const float keep = 1.0f - a;
    p[0] = c.r * a + p[0] * keep;
    p[1] = c.g * a + p[1] * keep;
    p[2] = c.b * a + p[2] * keep;
    p[3] = a + p[3] * keep;
}

void Canvas::Add(int x, int y, Rgb c, float a) {
    if (x < 0 || y < 0 || x >= width || y >= height || a <= 0) return;
    float* p = At(x, y);
    p[0] += c.r * a;
    p[1] += c.g * a;
    p[2] += c.b * a;
    p[3] = std::min(1.0f, p[3] + a);
}

Image ToImage(const Canvas& canvas, Rgb bleed) {
    static const float bayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    Image image(canvas.width, canvas.height);
    for (int y = 0; y < canvas.height; ++y) {
        for (int x = 0; x < canvas.width; ++x) {
            const float* p = &canvas.px[(size_t(y) * size_t(canvas.width) + size_t(x)) * 4];
            const float dither = (bayer[y & 3][x & 3] + 0.5f) / 16.0f;
            const float a = std::clamp(p[3], 0.0f, 1.0f);
            float rgb[3] = {bleed.r, bleed.g, bleed.b};
            if (a > 1.0f / 1024.0f)
                for (int c = 0; c < 3; ++c) rgb[c] = p[c] / a;
            uint8_t* out = image.At(x, y);
            for (int c = 0; c < 3; ++c) out[c] = uint8_t(std::clamp(rgb[c] * 255.0f + dither, 0.0f, 255.0f));
            out[3] = uint8_t(std::clamp(a * 255.0f + dither, 0.0f, 255.0f));
        }
    }
    return image;
}

Image HalfSize(const Image& image) {
    Image half(std::max(1, image.width / 2), std::max(1, image.height / 2));
    for (int y = 0; y < half.height; ++y) {
        for (int x = 0; x < half.width; ++x) {
            const int x0 = std::min(2 * x, image.width - 1), x1 = std::min(2 * x + 1, image.width - 1);
            const int y0 = std::min(2 * y, image.height - 1), y1 = std::min(2 * y + 1, image.height - 1);
            for (int c = 0; c < 4; ++c) {
                const int sum = image.At(x0, y0)[c] + image.At(x1, y0)[c] + image.At(x0, y1)[c] + image.At(x1, y1)[c];
                half.At(x, y)[c] = uint8_t((sum + 2) / 4);
            }
        }
    }
    return half;
}

Image ImageFromBgra(const std::vector<uint8_t>& bgra, int width, int height, bool opaque) {
    Image image(width, height);
    for (size_t i = 0; i < image.rgba.size() && i + 3 < bgra.size(); i += 4) {
        image.rgba[i] = bgra[i + 2];
        image.rgba[i + 1] = bgra[i + 1];
        image.rgba[i + 2] = bgra[i];
        image.rgba[i + 3] = opaque ? 255 : bgra[i + 3];
    }
    return image;
}

uint32_t Rng::Next() {
    // PCG-XSH-RR: small, well spread, fully defined by the seed.
    const uint64_t old = state;
    state = old * 6364136223846793005ull + 1442695040888963407ull;
    const uint32_t xorshifted = uint32_t(((old >> 18u) ^ old) >> 27u);
    const uint32_t rot = uint32_t(old >> 59u);
    return (xorshifted >> rot) | (xorshifted << ((32 - rot) & 31));
}

namespace {

float LatticeValue(int x, int y, uint32_t seed) {
    uint32_t h = uint32_t(x) * 0x8DA6B343u ^ uint32_t(y) * 0xD8163841u ^ seed * 0xCB1AB31Fu;
    h ^= h >> 13;
    h *= 0x5BD1E995u;
    h ^= h >> 15;
    return float(h & 0xFFFFFF) / float(0xFFFFFF);
}

int Wrap(int v, int period) {
    return ((v % period) + period) % period;
}

}  // namespace

float TileNoise(float x, float y, int period, uint32_t seed) {
    const float fx = std::floor(x), fy = std::floor(y);
    const int ix = int(fx), iy = int(fy);
    float tx = x - fx, ty = y - fy;
    tx = tx * tx * (3 - 2 * tx);
    ty = ty * ty * (3 - 2 * ty);
    const int x0 = Wrap(ix, period), x1 = Wrap(ix + 1, period);
    const int y0 = Wrap(iy, period), y1 = Wrap(iy + 1, period);
    const float a = LatticeValue(x0, y0, seed), b = LatticeValue(x1, y0, seed);
    const float c = LatticeValue(x0, y1, seed), d = LatticeValue(x1, y1, seed);
    return (a + (b - a) * tx) + ((c + (d - c) * tx) - (a + (b - a) * tx)) * ty;
}

float TileFbm(float x, float y, int period, int octaves, uint32_t seed) {
    float sum = 0, weight = 1, total = 0;
    for (int o = 0; o < octaves; ++o) {
        sum += TileNoise(x, y, period, seed + uint32_t(o) * 101u) * weight;
        total += weight;
        weight *= 0.5f;
        x *= 2;
        y *= 2;
        period *= 2;
    }
    return sum / total;
}

void BlurPlane(std::vector<float>& plane, int width, int height, int radius) {
    if (radius <= 0) return;
    std::vector<float> line(size_t(std::max(width, height)));
    auto pass = [&](int count, int length, size_t stride, size_t step) {
        for (int i = 0; i < count; ++i) {
            float* base = plane.data() + size_t(i) * step;
            for (int k = 0; k < length; ++k) line[size_t(k)] = base[size_t(k) * stride];
            float sum = 0;
            const float norm = 1.0f / float(2 * radius + 1);
            for (int k = -radius; k <= radius; ++k) sum += line[size_t(std::clamp(k, 0, length - 1))];
            for (int k = 0; k < length; ++k) {
                base[size_t(k) * stride] = sum * norm;
                sum += line[size_t(std::clamp(k + radius + 1, 0, length - 1))];
                sum -= line[size_t(std::clamp(k - radius, 0, length - 1))];
            }
        }
    };
    for (int n = 0; n < 3; ++n) {
        pass(height, width, 1, size_t(width));  // rows
        pass(width, height, size_t(width), 1);  // columns
    }
}

float Smoothstep(float edge0, float edge1, float x) {
    const float t = std::clamp((x - edge0) / (edge1 - edge0), 0.0f, 1.0f);
    return t * t * (3 - 2 * t);
}

Rgb Mix(Rgb a, Rgb b, float t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}
