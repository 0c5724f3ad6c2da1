// Layers 6 to 10: the interlude's rings of light, its orbiting glints and glows, the flash into
// the ringer, and the section captions.
#include <cmath>

#include "content/assets/composition_kit.h"

namespace {

constexpr float kTwoPi = 6.2831853f;
constexpr float kFrom = 55.2f, kTo = 69.4f;  // the interlude, with a little overlap either side
constexpr float kRiser = 65.9f;              // the last two bars build toward the drop

CdaLayer Layer(const std::string& name, std::vector<CdaKey> keys, std::vector<CdaElement> elements) {
    CdaLayer layer;
    layer.name = name;
    layer.keys = std::move(keys);
    layer.elements = std::move(elements);
    return layer;
}

// How far the riser has built, 0 before it and 1 at the drop.
float Build(float t) {
    return Ease((t - kRiser) / (ringerStart - kRiser));
}

}  // namespace

void AddInterludeLayers(const CompositionKit& kit, CdaComposition& c) {
    // 6: a ring of light breathing on the bar, and ripples spreading from it one after another.
    // Ring sizes are in units of 512 pixels across.
    const float ring = kit.ScaleX("ring.dds", 512), dash = kit.ScaleX("ring_dash.png", 512);
    std::vector<CdaElement> rings;
    rings.push_back(kit.Element("halo", "ring.dds", Motion(kFrom, ringerStart, 0.1f, [=](float t) {
                                    ScreenPose p;
                                    const float pulse = std::exp(-3.0f * std::fmod(t - 0.8f, 1.55f));
                                    p.scaleX = p.scaleY = ring * (0.5f + 0.03f * pulse + 0.55f * Build(t) * Build(t));
                                    p.alpha = (0.55f + 0.25f * pulse + 0.3f * Build(t)) *
                                              Envelope(t, kFrom, ringerStart, 3.0f, 0.15f);
                                    return p;
                                })));
    for (int i = 0; i < 2; ++i) {
        const float offset = 1.55f * float(i);
        rings.push_back(kit.Element(
            "ripple " + std::to_string(i), "ring.dds", Motion(kFrom, ringerStart, 0.1f, [=](float t) {
                const float phase = std::fmod(t - 0.8f + 3.1f - offset, 3.1f) / 3.1f;  // one ripple per two bars
                ScreenPose p;
                p.scaleX = p.scaleY = ring * (0.5f + 0.55f * phase);
                p.alpha = 0.5f * (1 - phase) * Ease(phase * 8) * Envelope(t, kFrom + 2.0f, 68.5f, 3.0f, 2.0f);
                return p;
            })));
    }
    c.layers.push_back(Layer("rings of light", {LayerKeyAt(0, 1)}, std::move(rings)));

    // 7: two dashed rings turning against each other, closing in during the riser.
    std::vector<CdaElement> dashes;
    for (int i = 0; i < 2; ++i) {
        const float size = i ? 0.5f : 0.78f, spin = i ? -0.42f : 0.24f;
        dashes.push_back(kit.Element("dashes " + std::to_string(i), "ring_dash.png",
                                     Motion(kFrom + 1.8f, ringerStart, 0.1f, [=](float t) {
                                         ScreenPose p;
                                         p.rotation = spin * (t - kFrom) * (1 + 2.5f * Build(t));
                                         p.scaleX = p.scaleY = dash * size * (1 - 0.35f * Build(t));
                                         p.alpha = 0.6f * Envelope(t, kFrom + 1.8f, ringerStart, 3.5f, 0.2f);
                                         return p;
                                     })));
    }
    c.layers.push_back(Layer("dashed rings", {LayerKeyAt(0, 1)}, std::move(dashes)));

    // 8: glints on a circle; the layer turns, carrying them round the centre.
    std::vector<CdaElement> glints;
    for (int i = 0; i < 6; ++i) {
        const float a = kTwoPi * float(i) / 6;
        glints.push_back(kit.Element(
            "glint " + std::to_string(i), "flare.png", Motion(kFrom + 2.0f, ringerStart, 0.1f, [=](float t) {
                ScreenPose p;
                const float r = 190.0f - 120.0f * Build(t);
                p.x = r * std::cos(a);
                p.y = r * std::sin(a);
                p.scaleX = p.scaleY = 0.28f + 0.06f * std::sin(3 * t + a);
                p.alpha = 0.8f * Envelope(t, kFrom + 2.0f + 0.3f * float(i), ringerStart, 2.0f, 0.2f);
                return p;
            })));
    }
    std::vector<CdaKey> orbit = Motion(kFrom, ringerStart, 0.5f, [](float t) {
        ScreenPose p;
        p.rotation = 0.22f * (t - kFrom) + 1.2f * Build(t);
        return p;
    });
    c.layers.push_back(Layer("glints", orbit, std::move(glints)));

    // 9: the violet glow under the interlude's rings and the solo view, and the flash at the drop.
    std::vector<CdaElement> glows;
    glows.push_back(kit.Element("solo glow", "glow_violet.dds", Motion(soloStart, 55.6f, 0.25f, [](float t) {
                                    ScreenPose p;
                                    p.y = 10;
                                    p.scaleX = 2.2f;
                                    p.scaleY = 1.65f;
                                    p.alpha = 0.45f * Envelope(t, soloStart, 55.6f, 2.0f, 2.0f);
                                    return p;
                                })));
    glows.push_back(kit.Element("interlude glow", "glow_violet.dds", Motion(kFrom, ringerStart, 0.1f, [](float t) {
                                    ScreenPose p;
                                    const float pulse = std::exp(-2.5f * std::fmod(t - 0.8f, 1.55f));
                                    p.scaleX = p.scaleY = 1.9f + 0.15f * pulse + 0.5f * Build(t);
                                    p.alpha = (0.35f + 0.15f * pulse + 0.3f * Build(t)) *
                                              Envelope(t, kFrom, ringerStart, 3.0f, 0.2f);
                                    return p;
                                })));
    glows.push_back(kit.Element("drop flash", "glow_amber.tga", Motion(68.7f, 69.8f, 0.05f, [](float t) {
                                    ScreenPose p;
                                    p.scaleX = p.scaleY = 1.5f + 1.5f * Ease((t - 68.7f) / 0.3f);
                                    p.alpha = t < ringerStart ? 0.9f * Ease((t - 68.7f) / 0.3f)
                                                              : 0.9f * std::exp(-5.0f * (t - ringerStart));
                                    return p;
                                })));
    c.layers.push_back(Layer("glows", {LayerKeyAt(0, 1)}, std::move(glows)));

    // 10: captions naming each section as it starts.
    struct Caption {
        const char* texture;
        float from, to, y;
    };
    const Caption captions[] = {{"label_ostrel.png", 45.0f, 53.5f, -205},
                                {"label_interlude.png", 56.5f, 63.0f, -205},
                                {"label_ringer.png", 69.2f, 76.0f, -212}};
    std::vector<CdaElement> labels;
    for (const Caption& cap : captions)
        labels.push_back(kit.Element(cap.texture, cap.texture, Motion(cap.from, cap.to, 0.25f, [=](float t) {
                                         ScreenPose p;
                                         p.y = cap.y;
                                         p.alpha = 0.85f * Envelope(t, cap.from, cap.to, 1.5f, 2.0f);
                                         p.scaleX = 1.0f + 0.04f * (t - cap.from) / (cap.to - cap.from);
                                         p.scaleY = p.scaleX;
                                         return p;
                                     })));
    c.layers.push_back(Layer("captions", {LayerKeyAt(0, 1)}, std::move(labels)));
}
