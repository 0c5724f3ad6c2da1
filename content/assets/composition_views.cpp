// Layers 11 to 18: the 3D views and their surroundings. The show gives layer 11 element 1 and
// layer 16 element 0 its "render_target", and layer 18 elements 1 and 2 "render_target" and
// "parken"; until then they carry view.png, a 512 x 512 image, so their quads are 512 x 512 and a
// square target shows at 4:3 through their scale. Each view stays at alpha 0 until its window has
// drawn into its target.
#include <cmath>

#include "content/assets/composition_kit.h"

namespace {

constexpr float kTwoPi = 6.2831853f;

CdaLayer Layer(const std::string& name, std::vector<CdaKey> keys, std::vector<CdaElement> elements,
               std::vector<uint32_t> order = {}) {
    CdaLayer layer;
    layer.name = name;
    layer.keys = std::move(keys);
    layer.elements = std::move(elements);
    layer.elementOrder = std::move(order);
    return layer;
}

// Time since the latest 2-bar downbeat of the ringer (from 69.0 s, the heavy hits).
float SinceHeavy(float t) {
    return std::fmod(t - ringerStart + 31.0f, ringerStep);
}

ScreenPose View(float x, float y, float width, float alpha) {
    ScreenPose p;
    p.x = x;
    p.y = y;
    p.scaleX = width / 512.0f;
    p.scaleY = width * 0.75f / 512.0f;  // the square target holds a 4:3 picture
    p.alpha = alpha;
    return p;
}

}  // namespace

void AddViewLayers(const CompositionKit& kit, CdaComposition& c) {
    // 11: the ostrel solo, floating in a soft frame. The target is first drawn just after 44 s; the
    // last picture lingers into the interlude and fades.
    std::vector<CdaElement> solo;
    solo.push_back(kit.Element("frame", "frame.png", Motion(soloStart, soloEnd + 2.0f, 0.1f, [&](float t) {
                                   ScreenPose p;
                                   const float grow =
                                       1.0f + 0.04f * Ease((t - soloStart) / 3.0f);  // never below the image's size
                                   p.y = 12;
                                   p.scaleX = kit.ScaleX("frame.png", 512) * grow;
                                   p.scaleY = kit.ScaleY("frame.png", 384) * grow;
                                   p.alpha = 0.9f * Envelope(t, soloStart, soloEnd + 2.0f, 1.5f, 2.5f);
                                   return p;
                               })));
    solo.push_back(kit.Element("ostrel view", "view.png", Motion(44.1f, soloEnd + 2.0f, 0.1f, [](float t) {
                                   const float grow = 0.96f + 0.04f * Ease((t - soloStart) / 3.0f);
                                   return View(0, 12, 448 * grow, Envelope(t, 44.1f, soloEnd + 2.0f, 1.4f, 2.5f));
                               })));
    c.layers.push_back(Layer("ostrel solo", {LayerKeyAt(0, 1)}, std::move(solo)));

    // 12: rings of light spreading on every bar line of the ringer, two elements taking turns.
    std::vector<CdaElement> pulses;
    const float ring = kit.ScaleX("ring.dds", 512);  // sizes in units of 512 pixels across
    for (int k = 0; k < 2; ++k) {
        std::vector<CdaKey> keys;
        for (int bar = 44 + k; bar < 60; bar += 2) {
            const float t0 = BarTime(bar);
            Append(keys, Motion(t0, t0 + 1.3f, 0.1f, [=](float t) {
                       const float f = (t - t0) / 1.3f;
                       ScreenPose p;
                       p.scaleX = p.scaleY = ring * (0.3f + 0.42f * std::sqrt(f));
                       p.alpha = 0.6f * (1 - f) * (bar % 2 == 0 ? 1.0f : 0.7f);
                       return p;
                   }));
        }
        pulses.push_back(kit.Element("pulse " + std::to_string(k), "ring.dds", keys));
    }
    c.layers.push_back(Layer("bar pulses", {LayerKeyAt(0, 1)}, std::move(pulses)));

    // 13: warm glows at both sides, flaring on the heavy hits every two bars.
    std::vector<CdaElement> sides;
    for (int s = -1; s <= 1; s += 2) {
        sides.push_back(kit.Element(
            s < 0 ? "left glow" : "right glow", "glow_amber.tga", Motion(ringerStart, 93.8f, 0.1f, [=](float t) {
                ScreenPose p;
                p.x = 310.0f * float(s);
                p.y = -40;
                p.scaleX = 0.8f;
                p.scaleY = 1.0f;
                p.alpha =
                    (0.12f + 0.5f * std::exp(-2.5f * SinceHeavy(t))) * Envelope(t, ringerStart, 93.8f, 0.1f, 1.0f);
                return p;
            })));
    }
    c.layers.push_back(Layer("side glows", {LayerKeyAt(0, 1)}, std::move(sides)));

    // 14: streaks shooting across on the heavy hits.
    std::vector<CdaElement> shots;
    for (int k = 0; k < 2; ++k) {
        std::vector<CdaKey> keys;
        for (int hit = k; hit < 8; hit += 2) {
            const float t0 = ringerStart + ringerStep * float(hit),
                        y = -150.0f + 45.0f * float(hit % 4) * (k ? -1.0f : 1.0f) + (k ? 90.0f : 0.0f);
            Append(keys, Motion(t0, t0 + 0.9f, 0.05f, [=](float t) {
                       const float f = (t - t0) / 0.9f;
                       ScreenPose p;
                       p.x = (k ? 1.0f : -1.0f) * (-700.0f + 1400.0f * f);
                       p.y = y + 40.0f * f;
                       p.rotation = (k ? -0.06f : 0.06f);
                       p.scaleX = 1.8f;
                       p.scaleY = 0.9f;
                       p.alpha = 0.9f * std::sin(3.14159f * f);
                       return p;
                   }));
        }
        shots.push_back(kit.Element("shot " + std::to_string(k), "streak.png", keys));
    }
    c.layers.push_back(Layer("hit streaks", {LayerKeyAt(0, 1)}, std::move(shots)));

    // 15: a violet floor glow under the rings, breathing on the beat.
    c.layers.push_back(Layer("floor glow", {LayerKeyAt(0, 1)},
                             {kit.Element("floor", "glow_violet.dds", Motion(ringerStart, duetStart, 0.1f, [](float t) {
                                              ScreenPose p;
                                              p.y = -240;
                                              p.scaleX = 3.6f;
                                              p.scaleY = 1.0f;
                                              p.alpha =
                                                  (0.45f + 0.2f * std::exp(-4.0f * std::fmod(t - 0.8f, 0.3875f))) *
                                                  Envelope(t, ringerStart, duetStart, 0.2f, 1.0f);
                                              return p;
                                          }))}));

    // 16: the ringer, full screen. Element 1, a warm glow behind the rings, is bounced on the bass
    // by the show (its y offset); it is drawn first so the rings stand in front of it.
    std::vector<CdaElement> ringer;
    ringer.push_back(kit.Element("ringer view", "view.png", Motion(69.02f, duetStart, 0.1f, [](float t) {
                                     ScreenPose p = View(0, 0, 640, Envelope(t, 69.02f, duetStart, 0.25f, 0.0f));
                                     p.alpha *= 1.0f - 0.6f * Ease((t - ringerEnd) /
                                                                   0.9f);  // the breath: the picture holds and dims
                                     return p;
                                 })));
    ringer.push_back(kit.Element("bass glow", "glow_amber.tga", Motion(ringerStart, duetStart, 0.25f, [](float t) {
                                     ScreenPose p;
                                     p.y = -150;
                                     p.scaleX = 1.9f;
                                     p.scaleY = 0.8f;
                                     p.alpha = 0.55f * Envelope(t, ringerStart, 93.6f, 0.3f, 0.8f);
                                     return p;
                                 })));
    c.layers.push_back(Layer("ringer", {LayerKeyAt(0, 1)}, std::move(ringer), {1, 0}));

    // 17: the duet's divider and labels.
    const float duetIn = 94.05f, duetOut = 136.0f;
    std::vector<CdaElement> decor;
    decor.push_back(kit.Element("divider", "divider.png", Motion(duetIn, duetOut, 0.25f, [=](float t) {
                                    ScreenPose p;
                                    p.y = 10;
                                    p.scaleY = kit.ScaleY("divider.png", 320) * Ease((t - duetIn) / 1.5f);
                                    p.alpha = 0.85f * Envelope(t, duetIn, duetOut, 0.5f, 2.0f);
                                    return p;
                                })));
    for (int s = -1; s <= 1; s += 2) {
        const char* label = s < 0 ? "label_ostrel.png" : "label_park.png";
        decor.push_back(kit.Element(label, label, Motion(duetIn + 1.0f, duetOut, 0.25f, [=](float t) {
                                        ScreenPose p;
                                        p.x = 158.0f * float(s);
                                        p.y = -150;
                                        p.alpha = 0.8f * Envelope(t, duetIn + 1.0f, duetOut - 0.5f, 1.5f, 1.5f);
                                        return p;
                                    })));
    }
    c.layers.push_back(Layer("duet decor", {LayerKeyAt(0, 1)}, std::move(decor)));

    // 18: the duet: a dark glass panel, ostrel on the left (element 1), the park on the right (element 2).
    std::vector<CdaElement> duet;
    duet.push_back(kit.Element("panel", "panel.png", Motion(duetIn, duetOut, 0.1f, [&](float t) {
                                   ScreenPose p;
                                   p.y = 10;
                                   p.scaleX = kit.ScaleX("panel.png", 636) * (0.9f + 0.1f * Ease((t - duetIn) / 1.2f));
                                   p.scaleY = kit.ScaleY("panel.png", 292);
                                   p.alpha = 0.9f * Envelope(t, duetIn, duetOut, 1.0f, 2.0f);
                                   return p;
                               })));
    for (int s = -1; s <= 1; s += 2)
        duet.push_back(kit.Element(
            s < 0 ? "ostrel view" : "park view", "view.png", Motion(duetIn + 0.05f, duetOut, 0.1f, [=](float t) {
                // A slow float; the park's picture changes camera every 4 s and breathes a little with it.
                const float breathe = s > 0 ? 0.006f * std::cos(kTwoPi * (t - duetStart) / parkStep) : 0.0f;
                return View(158.0f * float(s), 10 + 3.0f * std::sin(0.4f * t + float(s)), 304 * (1 + breathe),
                            Envelope(t, duetIn + 0.05f, duetOut, 1.2f, 2.0f));
            })));
    c.layers.push_back(Layer("duet", {LayerKeyAt(0, 1)}, std::move(duet)));
}
