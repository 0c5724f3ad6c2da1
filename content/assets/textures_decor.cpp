// Decor images: glows, motes, streaks, rings of light, frames, panels and the divider.
#include <algorithm>
#include <cmath>

#include "content/assets/textures.h"

namespace {

const Rgb kAmber{1.0f, 0.72f, 0.38f};
const Rgb kViolet{0.66f, 0.52f, 1.0f};
const Rgb kPale{0.92f, 0.90f, 1.0f};

Image Glow(int size, Rgb colour, float peak, float sharpness) {
    Canvas canvas(size, size);
    PaintGlow(canvas, float(size) * 0.5f, float(size) * 0.5f, float(size) * 0.5f, colour, peak, sharpness);
    return ToImage(canvas, colour);
}

// A thin horizontal line of light, brightest in the middle and tapering to nothing at both ends.
Image Streak() {
    Canvas canvas(512, 32);
    for (int y = 0; y < canvas.height; ++y)
        for (int x = 0; x < canvas.width; ++x) {
            const float u = (float(x) + 0.5f) / 256.0f - 1.0f, v = (float(y) + 0.5f - 16.0f);
            const float along = std::pow(std::max(0.0f, 1.0f - u * u), 3.0f);
            const float core = std::exp(-v * v / 1.2f), halo = 0.35f * std::exp(-v * v / 30.0f);
            canvas.Add(x, y, Mix(kAmber, {1, 0.97f, 0.9f}, core), (core + halo) * along);
        }
    return ToImage(canvas, kAmber);
}

// Images meant to be shown enlarged are made at most as large as they are shown: the renderer
// then samples one level with no mip filtering, about half the cost of a minified layer.

// Rings of light, shown at 256 to 570 pixels across.
Image Ring(Rgb colour, int dashes) {
    Canvas canvas(256, 256);
    PaintRing(canvas, 128, 128, 118, dashes ? 1.75f : 1.25f, 4.5f, colour, 0.95f, dashes, 0.35f);
    return ToImage(canvas, colour);
}

// The soft frame around the ostrel view, shown at 512 x 384 and a little more.
Image Frame() {
    Canvas canvas(512, 256);
    PaintRoundedBox(canvas, 512, 384, 12, 22, 1.6f, 7.0f, kAmber, 0.85f, 0.0f, {0, 0, 0});
    return ToImage(canvas, kAmber);
}

// The dark glass behind the duet views, shown at 572 to 636 x 292.
Image Panel() {
    Canvas canvas(512, 256);
    PaintRoundedBox(canvas, 636, 292, 6, 18, 1.2f, 5.0f, kViolet, 0.5f, 0.55f, {0.03f, 0.02f, 0.08f});
    return ToImage(canvas, {0.03f, 0.02f, 0.08f});
}

// What the view elements carry until the show gives them its render targets: faint glass.
Image ViewPlaceholder() {
    Canvas canvas(512, 512);
    PaintRoundedBox(canvas, 512, 384, 4, 16, 1.0f, 4.0f, kPale, 0.25f, 0.12f, {0.1f, 0.08f, 0.2f});
    return ToImage(canvas, {0.1f, 0.08f, 0.2f});
}

// A vertical line of light for the split screen, fading at both ends; shown 320 pixels tall.
Image Divider() {
    Canvas canvas(16, 256);
    for (int y = 0; y < canvas.height; ++y)
        for (int x = 0; x < canvas.width; ++x) {
            const float u = float(x) + 0.5f - 8.0f, v = (float(y) + 0.5f) / 128.0f - 1.0f;
            const float along = Smoothstep(1.0f, 0.6f, std::fabs(v));
            const float a = (std::exp(-u * u / 0.8f) + 0.3f * std::exp(-u * u / 10.0f)) * along;
            canvas.Add(x, y, kAmber, a);
        }
    return ToImage(canvas, kAmber);
}

// A four-pointed glint with a round core, for hits and sparkles.
Image Flare() {
    Canvas canvas(256, 256);
    PaintGlow(canvas, 128, 128, 64, {1, 0.9f, 0.75f}, 0.8f, 5.0f);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            const float u = (float(x) + 0.5f) / 128.0f - 1.0f, v = (float(y) + 0.5f) / 128.0f - 1.0f;
            const float spike = std::exp(-std::fabs(u) * 90.0f) * std::pow(std::max(0.0f, 1 - std::fabs(v)), 2.0f) +
                                std::exp(-std::fabs(v) * 90.0f) * std::pow(std::max(0.0f, 1 - std::fabs(u)), 2.0f);
            canvas.Add(x, y, {1, 0.92f, 0.8f}, std::min(1.0f, spike));
        }
    return ToImage(canvas, {1, 0.9f, 0.75f});
}

}  // namespace

bool MakeDecorTextures(const std::string& dataDir, TextureTable* table) {
    return SaveTexture(dataDir, "glow_amber.tga", Glow(256, kAmber, 0.9f, 3.5f), table) &&
           SaveTexture(dataDir, "glow_violet.dds", Glow(256, kViolet, 0.8f, 3.0f), table) &&
           SaveTexture(dataDir, "mote.tga", Glow(64, {1.0f, 0.88f, 0.7f}, 1.0f, 9.0f), table) &&
           SaveTexture(dataDir, "streak.png", Streak(), table) &&
           SaveTexture(dataDir, "ring.dds", Ring(kPale, 0), table) &&
           SaveTexture(dataDir, "ring_dash.png", Ring(kAmber, 24), table) &&
           SaveTexture(dataDir, "frame.png", Frame(), table) && SaveTexture(dataDir, "panel.png", Panel(), table) &&
           SaveTexture(dataDir, "view.png", ViewPlaceholder(), table) &&
           SaveTexture(dataDir, "divider.png", Divider(), table) && SaveTexture(dataDir, "flare.png", Flare(), table);
}
