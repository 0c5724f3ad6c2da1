// Full-screen images: the night sky with its nebula, the star field, the vignette and black.
#include <algorithm>
#include <cmath>

#include "tools/content/textures.h"

namespace {

// The night sky with its nebula in one picture, so the backdrop costs one full-screen layer: deep
// indigo at the top, blue-violet in the middle, a low warm glow on the horizon, and violet and
// magenta clouds with dark lanes laid over it.
Image Sky() {
    Canvas canvas(512, 512);
    const Rgb stops[] = {{0.020f, 0.016f, 0.070f}, {0.060f, 0.040f, 0.160f}, {0.140f, 0.085f, 0.290f},
                         {0.300f, 0.150f, 0.330f}, {0.560f, 0.290f, 0.220f}};
    const float at[] = {0.0f, 0.35f, 0.66f, 0.86f, 1.0f};
    const Rgb deep{0.045f, 0.035f, 0.120f}, violet{0.250f, 0.120f, 0.420f}, rose{0.620f, 0.260f, 0.480f},
        ember{0.900f, 0.560f, 0.380f};
    for (int y = 0; y < canvas.height; ++y) {
        const float v = (float(y) + 0.5f) / float(canvas.height);
        int s = 0;
        while (s < 3 && v > at[s + 1]) ++s;
        const Rgb row = Mix(stops[s], stops[s + 1], Smoothstep(at[s], at[s + 1], v));
        for (int x = 0; x < canvas.width; ++x) {
            const float u = (float(x) + 0.5f) / float(canvas.width) - 0.5f;
            const float warm = std::exp(-u * u * 6.0f) * Smoothstep(0.6f, 1.0f, v) * 0.12f;
            canvas.Over(x, y, {row.r + warm, row.g + warm * 0.55f, row.b + warm * 0.2f}, 1.0f);
            const float nu = float(x) / 64.0f, nv = float(y) / 64.0f;
            const float base = TileFbm(nu, nv, 8, 5, 11);
            const float warp = TileFbm(nu + base * 2.0f, nv - base * 1.5f, 8, 4, 23);
            const float lanes = TileFbm(nu * 2, nv * 2, 16, 3, 37);
            const float density = Smoothstep(0.35f, 0.8f, warp) * (0.55f + 0.45f * Smoothstep(0.3f, 0.7f, lanes));
            Rgb cloud = Mix(deep, violet, Smoothstep(0.0f, 0.5f, density));
            cloud = Mix(cloud, rose, Smoothstep(0.45f, 0.85f, density));
            cloud = Mix(cloud, ember, Smoothstep(0.8f, 1.0f, density) * 0.6f);
            canvas.Over(x, y, cloud, 0.36f);
        }
    }
    return ToImage(canvas, {0, 0, 0});
}

// Many faint pin-point stars, a few bright ones with halos and four-point glints.
Image Stars() {
    Canvas canvas(1024, 1024);
    Rng rng(7);
    const Rgb tints[] = {{1.0f, 1.0f, 1.0f}, {0.80f, 0.85f, 1.0f}, {1.0f, 0.86f, 0.65f}, {0.85f, 0.78f, 1.0f}};
    for (int i = 0; i < 1400; ++i) {
        const float x = rng.Range(0, 1024), y = rng.Range(0, 1024);
        const float size = rng.Uniform();
        const Rgb tint = tints[rng.Next() % 4];
        const float bright = 0.25f + 0.75f * size * size;
        const float sigma = 0.55f + 0.9f * size * size * size;
        const int reach = int(sigma * 3) + 1;
        for (int dy = -reach; dy <= reach; ++dy)
            for (int dx = -reach; dx <= reach; ++dx) {
                const float px = std::floor(x) + float(dx) + 0.5f - x, py = std::floor(y) + float(dy) + 0.5f - y;
                const float a = bright * std::exp(-(px * px + py * py) / (2 * sigma * sigma));
                canvas.Add(int(x) + dx, int(y) + dy, tint, a);
            }
        if (size > 0.93f) {
            PaintGlow(canvas, x, y, 22.0f, tint, 0.22f, 4.0f);
            for (int k = -16; k <= 16; ++k) {  // glints along both axes
                const float a = 0.5f * std::exp(-std::fabs(float(k)) / 4.0f);
                canvas.Add(int(x) + k, int(y), tint, a);
                canvas.Add(int(x), int(y) + k, tint, a);
            }
        }
    }
    return ToImage(canvas, {1, 1, 1});
}

// Black, transparent in the middle and darkening toward the edges and corners.
Image Vignette() {
    Canvas canvas(256, 256);
    for (int y = 0; y < canvas.height; ++y)
        for (int x = 0; x < canvas.width; ++x) {
            const float u = (float(x) + 0.5f) / 128.0f - 1.0f, v = (float(y) + 0.5f) / 128.0f - 1.0f;
            const float r = std::sqrt(u * u + v * v);
            canvas.Over(x, y, {0, 0, 0}, 0.78f * Smoothstep(0.55f, 1.42f, r));
        }
    return ToImage(canvas, {0, 0, 0});
}

Image Black() {
    Canvas canvas(16, 16);
    canvas.Fill({0, 0, 0}, 1.0f);
    return ToImage(canvas, {0, 0, 0});
}

}  // namespace

bool MakeBackdropTextures(const std::string& dataDir, TextureTable* table) {
    return SaveTexture(dataDir, "sky.jpg", Sky(), table) &&
           SaveTexture(dataDir, "stars.png", Stars(), table) && SaveTexture(dataDir, "vignette.png", Vignette(), table) &&
           SaveTexture(dataDir, "black.bmp", Black(), table);
}
