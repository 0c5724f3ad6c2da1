// Building blocks for the show's composition: poses in screen pixels, tracks sampled from motion
// functions, the show's time grid, and the composition's layers.
#pragma once

#include <functional>
#include <string>

#include "content/assets/textures.h"
#include "content/writers/cda_writer.h"
#include "timing/show_times.h"

class Font;

// The music's grid in single precision: a bar is 1.55 s and bar 0 starts at 0.8 s.
inline constexpr float kShowEnd = float(musicLength);
inline constexpr float kBar = float(musicBar);
inline constexpr float kFirstDownbeat = float(musicFirstDownbeat);
inline float BarTime(int bar) {
    return kFirstDownbeat + kBar * float(bar);
}

// A pose in picture terms: centre in pixels from the picture's centre (y up), scale, turn, alpha.
struct ScreenPose {
    float x = 0, y = 0;
    float scaleX = 1, scaleY = 1;
    float rotation = 0;
    float alpha = 1;
};

// An element's key at time t. The file stores half the centre (the drawing doubles it).
CdaKey KeyAt(float t, const ScreenPose& pose);
// A layer's key: layers move by twice their (x, y) too, so this halves the same way.
CdaKey LayerKeyAt(float t, float alpha, float scale = 1, float rotation = 0);

// Samples motion over [from, to] every step seconds, then drops keys that straight lines between
// their neighbours already give. The last key has alpha exactly 0 when hideAfter is set, so the
// element is skipped from then on; before `from` the track gives the all-zero pose (hidden).
std::vector<CdaKey> Motion(float from, float to, float step, const std::function<ScreenPose(float)>& pose,
                           bool hideAfter = true);
// Appends keys to a track (times must continue to increase).
void Append(std::vector<CdaKey>& keys, const std::vector<CdaKey>& more);

// 0 before a, ramps up over fadeIn, holds, ramps down over fadeOut to 0 at b (smooth ramps).
float Envelope(float t, float a, float b, float fadeIn, float fadeOut);
float Ease(float x);  // smoothstep on [0, 1], clamped

// Texture sizes and the element that shows a texture at a given display size.
struct CompositionKit {
    const TextureTable& textures;
    const Font& font;
    // Scale that makes texture name appear displayW x displayH pixels.
    float ScaleX(const std::string& name, float displayW) const;
    float ScaleY(const std::string& name, float displayH) const;
    CdaElement Element(const std::string& name, const std::string& texture, std::vector<CdaKey> keys) const;
};

// The layers, by position in the file (the show wires 11, 16 and 18).
void AddBackdropLayers(const CompositionKit& kit, CdaComposition& c);   // 0 sky, 1 haze, 2 stars, 3 streaks
void AddTitleLayers(const CompositionKit& kit, CdaComposition& c);      // 4 letters, 5 subtitle
void AddInterludeLayers(const CompositionKit& kit, CdaComposition& c);  // 6..10
void AddViewLayers(const CompositionKit& kit, CdaComposition& c);       // 11..18
void AddClosingLayers(const CompositionKit& kit, CdaComposition& c);    // 19 credits, 20 fade

// The whole composition of "data/virelle.cda".
CdaComposition BuildComposition(const TextureTable& textures, const Font& font);

// Where the show puts its render targets: (layer, element) pairs, and the display size of views.
inline constexpr int kSoloLayer = 11, kRingerLayer = 16, kDuetLayer = 18;

// Overdraw: the screen area that drawn quads cover at time t, in full screens (640 x 480), counting
// every element the drawing does not skip (layer and element alpha not exactly 0).
float OverdrawAt(const CdaComposition& c, const TextureTable& textures, float t);
