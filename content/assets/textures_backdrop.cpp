// Full-screen images: the night sky (nebula, stars and vignette in one) and black.
#include <algorithm>
#include <cmath>

#include "content/assets/textures.h"

namespace {

// How the sky is shown: 512 x 512 texels stretched over 1.08 x 1.1 of the 640 x 480 picture, so
// a texel covers this many pixels across and down. Stars are painted narrower by as much, to come
// out round on screen.
constexpr float kSkyPixelsX = 640.0f * 1.08f / 512.0f, kSkyPixelsY = 480.0f * 1.1f / 512.0f;

// A star of screen radius sigma (pixels) at texel (x, y): a soft point, a halo and four-point
// glints for the brightest.
void PaintStar(Canvas& canvas, float x, float y, float sigma, Rgb tint, float bright, bool glints) {
    const float sx = sigma / kSkyPixelsX, sy = sigma / kSkyPixelsY;
    const int reach = int(sigma * 3) + 1;
    for (int dy = -reach; dy <= reach; ++dy)
        for (int dx = -reach; dx <= reach; ++dx) {
            const float px = (std::floor(x) + float(dx) + 0.5f - x) / sx,
                        py = (std::floor(y) + float(dy) + 0.5f - y) / sy;
            canvas.Add(int(x) + dx, int(y) + dy, tint, bright * std::exp(-(px * px + py * py) * 0.5f));
        }
    if (!glints) return;
    for (int dy = -12; dy <= 12; ++dy)  // halo
        for (int dx = -16; dx <= 16; ++dx) {
            const float px = float(dx) * kSkyPixelsX, py = float(dy) * kSkyPixelsY;
            const float r = std::sqrt(px * px + py * py) / 22.0f;
            if (r < 1.0f) canvas.Add(int(x) + dx, int(y) + dy, tint, 0.22f * std::pow(1.0f - r, 4.0f));
        }
    for (int k = -12; k <= 12; ++k) {  // glints along both axes, as long on screen
        canvas.Add(int(x) + k, int(y), tint, 0.5f * std::exp(-std::fabs(float(k)) * kSkyPixelsX / 4.0f));
        canvas.Add(int(x), int(y) + k, tint, 0.5f * std::exp(-std::fabs(float(k)) * kSkyPixelsY / 4.0f));
    }
}

// The whole backdrop in one opaque picture, so it costs one full-screen layer: deep indigo at the
// top, blue-violet in the middle, a low warm glow on the horizon, violet and magenta clouds with
// dark lanes, the stars, and the vignette darkening the edges and corners.
Image Sky() {
    Canvas canvas(512, 512);
    const Rgb stops[] = {{0.020f, 0.016f, 0.070f},
                         {0.060f, 0.040f, 0.160f},
                         {0.140f, 0.085f, 0.290f},
                         {0.300f, 0.150f, 0.330f},
                         {0.560f, 0.290f, 0.220f}};
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
    // Many faint pin-points, a few bright stars with halos and glints; fewer low in the warm haze.
    Rng rng(7);
    const Rgb tints[] = {{1.0f, 1.0f, 1.0f}, {0.80f, 0.85f, 1.0f}, {1.0f, 0.86f, 0.65f}, {0.85f, 0.78f, 1.0f}};
    for (int i = 0; i < 520; ++i) {
        const float x = rng.Range(0, 512), y = rng.Range(0, 512);
        const float size = rng.Uniform();
        const Rgb tint = tints[rng.Next() % 4];
        if (y > 420.0f && rng.Uniform() < 0.6f) continue;
        PaintStar(canvas, x, y, 0.6f + 0.9f * size * size * size, tint, 0.3f + 0.7f * size * size, size > 0.95f);
    }
    // The vignette, in picture terms: black over the edges, strongest in the corners.
    for (int y = 0; y < canvas.height; ++y)
        for (int x = 0; x < canvas.width; ++x) {
            const float u = ((float(x) + 0.5f) / 256.0f - 1.0f) * 1.08f, v = ((float(y) + 0.5f) / 256.0f - 1.0f) * 1.1f;
            canvas.Over(x, y, {0, 0, 0}, 0.78f * Smoothstep(0.55f, 1.42f, std::sqrt(u * u + v * v)));
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
    return SaveTexture(dataDir, "sky.jpg", Sky(), table) && SaveTexture(dataDir, "black.bmp", Black(), table);
}
