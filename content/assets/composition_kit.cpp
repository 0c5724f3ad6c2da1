// Key sampling and reduction, envelopes, texture-relative scales, and the composition's assembly.
#include "content/assets/composition_kit.h"

#include <algorithm>
#include <cmath>

CdaKey KeyAt(float t, const ScreenPose& p) {
    CdaKey key;
    key.time = t;
    key.alpha = p.alpha;
    key.rotation = p.rotation;
    key.x = p.x * 0.5f;
    key.y = p.y * 0.5f;
    key.scaleX = p.scaleX;
    key.scaleY = p.scaleY;
    return key;
}

CdaKey LayerKeyAt(float t, float alpha, float scale, float rotation) {
    CdaKey key;
    key.time = t;
    key.alpha = alpha;
    key.scaleX = key.scaleY = scale;
    key.rotation = rotation;
    return key;
}

namespace {

// True when the straight line from a to b gives key m's channels closely enough.
bool OnLine(const CdaKey& a, const CdaKey& b, const CdaKey& m) {
    const float f = (m.time - a.time) / (b.time - a.time);
    auto close = [f](float va, float vb, float vm, float tolerance) {
        return std::fabs(va + (vb - va) * f - vm) <= tolerance;
    };
    return close(a.x, b.x, m.x, 0.08f) && close(a.y, b.y, m.y, 0.08f) && close(a.scaleX, b.scaleX, m.scaleX, 0.0015f) &&
           close(a.scaleY, b.scaleY, m.scaleY, 0.0015f) && close(a.rotation, b.rotation, m.rotation, 0.0015f) &&
           close(a.alpha, b.alpha, m.alpha, 0.003f);
}

std::vector<CdaKey> Reduce(const std::vector<CdaKey>& keys) {
    if (keys.size() < 3) return keys;
    std::vector<CdaKey> kept{keys.front()};
    size_t anchor = 0;
    for (size_t i = 1; i + 1 < keys.size(); ++i) {
        // Inside a hidden stretch nothing is drawn, so only its two ends matter.
        if (keys[i - 1].alpha == 0 && keys[i].alpha == 0 && keys[i + 1].alpha == 0) continue;
        // Keys at or beside alpha exactly 0 decide when the drawing skips the element: keep them.
        bool keep = keys[i].alpha == 0 || keys[i + 1].alpha == 0 || keys[i - 1].alpha == 0;
        for (size_t j = anchor + 1; !keep && j <= i; ++j) keep = !OnLine(keys[anchor], keys[i + 1], keys[j]);
        if (keep) {
            kept.push_back(keys[i]);
            anchor = i;
        }
    }
    kept.push_back(keys.back());
    return kept;
}

}  // namespace

std::vector<CdaKey> Motion(float from, float to, float step, const std::function<ScreenPose(float)>& pose,
                           bool hideAfter) {
    std::vector<CdaKey> keys;
    const int count = std::max(1, int(std::ceil((double(to) - double(from)) / double(step) - 1e-6)));
    for (int i = 0; i <= count; ++i) {
        const float t = i == count ? to : float(double(from) + double(step) * i);
        if (!keys.empty() && !(t > keys.back().time)) continue;
        keys.push_back(KeyAt(t, pose(t)));
    }
    if (hideAfter) keys.back().alpha = 0.0f;
    return Reduce(keys);
}

void Append(std::vector<CdaKey>& keys, const std::vector<CdaKey>& more) {
    for (const CdaKey& k : more)
        if (keys.empty() || k.time > keys.back().time) keys.push_back(k);
}

float Ease(float x) {
    x = std::clamp(x, 0.0f, 1.0f);
    return x * x * (3 - 2 * x);
}

float Envelope(float t, float a, float b, float fadeIn, float fadeOut) {
    if (t <= a || t >= b) return 0.0f;
    const float in = fadeIn > 0 ? Ease((t - a) / fadeIn) : 1.0f;
    const float out = fadeOut > 0 ? Ease((b - t) / fadeOut) : 1.0f;
    return std::min(in, out);
}

float CompositionKit::ScaleX(const std::string& name, float displayW) const {
    const auto it = textures.find(name);
    return it == textures.end() ? 1.0f : displayW / float(it->second.width);
}

float CompositionKit::ScaleY(const std::string& name, float displayH) const {
    const auto it = textures.find(name);
    return it == textures.end() ? 1.0f : displayH / float(it->second.height);
}

CdaElement CompositionKit::Element(const std::string& name, const std::string& texture,
                                   std::vector<CdaKey> keys) const {
    CdaElement e;
    e.name = name;
    e.textureName = texture;
    e.keys = std::move(keys);
    return e;
}

CdaComposition BuildComposition(const TextureTable& textures, const Font& font) {
    const CompositionKit kit{textures, font};
    CdaComposition c;
    c.headerWord = 0;
    AddBackdropLayers(kit, c);
    AddTitleLayers(kit, c);
    AddInterludeLayers(kit, c);
    AddViewLayers(kit, c);
    AddClosingLayers(kit, c);
    // Glows under the rings of light, the ringer's floor glow under its pulses, captions over the
    // solo view; the fade to black always last.
    c.layerOrder = {0, 1, 2, 9, 6, 7, 8, 3, 5, 4, 15, 12, 13, 14, 16, 11, 10, 17, 18, 19, 20};
    return c;
}
