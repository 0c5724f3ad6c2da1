// Layers 0 to 5: the night sky, the horizon haze, motes, light streaks, and the title sequence.
#include <cmath>

#include "content/assets/composition_kit.h"
#include "content/assets/font_text.h"

namespace {

constexpr float kTwoPi = 6.2831853f;

CdaLayer Layer(const std::string& name, std::vector<CdaKey> keys, std::vector<CdaElement> elements) {
    CdaLayer layer;
    layer.name = name;
    layer.keys = std::move(keys);
    layer.elements = std::move(elements);
    return layer;
}

// A streak of light crossing the picture from (x0, y0) to (x1, y1) between a and b.
CdaElement Streak(const CompositionKit& kit, const std::string& name, float a, float b, float x0, float y0, float x1,
                  float y1, float length, float peak) {
    const float angle = std::atan2(y1 - y0, x1 - x0);
    return kit.Element(name, "streak.png", Motion(a, b, 0.1f, [=](float t) {
                           const float f = (t - a) / (b - a);
                           ScreenPose p;
                           p.x = x0 + (x1 - x0) * f;
                           p.y = y0 + (y1 - y0) * f;
                           p.rotation = angle;
                           p.scaleX = length * (0.6f + 0.8f * std::sin(3.14159f * f));
                           p.scaleY = 0.8f;
                           p.alpha = peak * std::sin(3.14159f * f);
                           return p;
                       }));
}

}  // namespace

void AddBackdropLayers(const CompositionKit& kit, CdaComposition& c) {
    const std::vector<CdaKey> always{LayerKeyAt(0, 1)};
    // 0: the sky with its nebula, stars and vignette, always there, opaque, drifting very slowly.
    c.layers.push_back(Layer("sky", always,
                             {kit.Element("sky", "sky.jpg",
                                          Motion(
                                              0, kShowEnd, 0.5f,
                                              [&](float t) {
                                                  ScreenPose p;
                                                  p.scaleX = kit.ScaleX("sky.jpg", 640) * 1.08f;
                                                  p.scaleY = kit.ScaleY("sky.jpg", 480) * 1.1f;
                                                  p.x = 18.0f * std::sin(t * 0.021f);
                                                  p.y = 14.0f * std::cos(t * 0.017f);
                                                  return p;
                                              },
                                              false))}));
    // 1: a warm haze low on the horizon while the title and the credits are up.
    c.layers.push_back(
        Layer("haze", always, {kit.Element("haze", "glow_amber.tga", Motion(2.0f, kShowEnd, 0.25f, [](float t) {
                                               ScreenPose p;
                                               p.y = -250;
                                               p.scaleX = 3.6f + 0.3f * std::sin(t * 0.1f);
                                               p.scaleY = 0.75f;
                                               p.alpha = 0.35f * (Envelope(t, 2.0f, 44.5f, 8.0f, 3.0f) +
                                                                  Envelope(t, 134.0f, kShowEnd, 3.0f, 3.0f));
                                               return p;
                                           }))}));
    // 2: motes of light rising in the intro and the outro (the stars are part of the sky).
    std::vector<CdaElement> motes;
    for (int i = 0; i < 12; ++i) {
        const float speed = 14.0f + 3.0f * float(i % 5), x0 = -280.0f + 51.0f * float(i),
                    size = 0.25f + 0.05f * float(i % 4);
        auto mote = [=](float t) {
            const float travel = std::fmod(t * speed + 97.0f * float(i), 560.0f);
            ScreenPose p;
            p.x = x0 + 25.0f * std::sin(t * 0.3f + float(i));
            p.y = -280.0f + travel;
            p.scaleX = p.scaleY = size;
            p.alpha = 0.7f * std::sin(3.14159f * travel / 560.0f) * (0.6f + 0.4f * std::sin(t * 1.7f + float(i)));
            return p;
        };
        CdaElement e = kit.Element("mote " + std::to_string(i), "mote.tga", Motion(2.0f, 44.5f, 0.1f, [=](float t) {
                                       ScreenPose p = mote(t);
                                       p.alpha *= Envelope(t, 2.0f, 44.5f, 5.0f, 2.0f);
                                       return p;
                                   }));
        Append(e.keys, Motion(134.5f, kShowEnd, 0.1f, [=](float t) {
                   ScreenPose p = mote(t);
                   p.alpha *= Envelope(t, 134.5f, kShowEnd, 3.0f, 3.0f);
                   return p;
               }));
        motes.push_back(std::move(e));
    }
    c.layers.push_back(Layer("motes", always, std::move(motes)));
    // 3: light streaks in the intro and on every change of section.
    std::vector<CdaElement> streaks{
        Streak(kit, "intro a", 6.0f, 9.5f, -620, 150, 640, 90, 1.6f, 0.8f),
        Streak(kit, "intro b", 9.0f, 12.0f, 640, -60, -620, -120, 1.2f, 0.6f),
        Streak(kit, "intro c", 24.0f, 27.0f, -640, -180, 620, -40, 1.4f, 0.7f),
        Streak(kit, "into solo", 43.2f, 45.0f, -660, 20, 660, 20, 1.8f, 0.9f),
        Streak(kit, "into interlude", 54.6f, 56.6f, 660, -130, -660, 150, 1.5f, 0.7f),
        Streak(kit, "into ringer", 68.4f, 69.6f, -660, 230, 660, -230, 1.8f, 0.9f),
        Streak(kit, "into duet", 93.4f, 95.0f, 660, 200, -660, 160, 1.6f, 0.8f),
        Streak(kit, "into credits", 134.2f, 136.2f, -660, -160, 660, -200, 1.6f, 0.7f),
    };
    c.layers.push_back(Layer("streaks", always, std::move(streaks)));
}

void AddTitleLayers(const CompositionKit& kit, CdaComposition& c) {
    // 4: "VIRELLE", one letter per bar from bar 5, each falling into place from large and turned.
    const std::string title = kTitle;
    const float width = kit.font.TextWidth(title, kTitleLetterHeight, kTitleTracking);
    std::vector<CdaElement> letters;
    for (size_t i = 0; i < title.size(); ++i) {
        const float advance = kit.font.TextWidth(title.substr(i, 1), kTitleLetterHeight, 0);
        const float centre = kit.font.TextWidth(title.substr(0, i + 1), kTitleLetterHeight, kTitleTracking) -
                             advance * 0.5f - width * 0.5f;
        const float start = BarTime(5 + int(i)), turn = (i % 2 ? -0.5f : 0.45f), drop = (i % 2 ? -70.0f : 70.0f);
        letters.push_back(kit.Element(std::string("letter ") + title[i], LetterTextureName(title[i]),
                                      Motion(start, soloStart, 0.1f, [=](float t) {
                                          const float settle = Ease((t - start) / 1.4f);
                                          ScreenPose p;
                                          p.x = centre;
                                          p.y = 45.0f + drop * (1 - settle);
                                          p.rotation = turn * (1 - settle);
                                          p.scaleX = p.scaleY = 1.0f + 1.6f * (1 - settle) * (1 - settle);
                                          p.alpha = Ease((t - start) / 0.9f) *
                                                    (0.9f + 0.1f * std::sin(2.0f * t + float(i))) *
                                                    Envelope(t, start - 0.01f, soloStart, 0.0f, 1.0f);
                                          return p;
                                      })));
    }
    // The whole title grows a little and fades as the solo begins.
    std::vector<CdaKey> titleKeys{LayerKeyAt(0, 1), LayerKeyAt(37.5f, 1), LayerKeyAt(43.5f, 0, 1.12f)};
    c.layers.push_back(Layer("title", titleKeys, std::move(letters)));

    // 5: the subtitle, a line drawn under the title, and the warm glow behind it.
    std::vector<CdaElement> sub;
    sub.push_back(kit.Element("glow", "glow_amber.tga", Motion(7.5f, soloStart, 0.25f, [](float t) {
                                  ScreenPose p;
                                  p.y = 45;
                                  p.scaleX = 3.0f + 0.2f * std::sin(t * 0.8f);
                                  p.scaleY = 1.1f;
                                  p.alpha = 0.32f * Envelope(t, 7.5f, soloStart, 10.0f, 5.0f) *
                                            (0.85f + 0.15f * std::sin(kTwoPi * (t - 0.8f) / 1.55f));
                                  return p;
                              })));
    sub.push_back(kit.Element("line", "streak.png", Motion(18.5f, soloStart, 0.1f, [](float t) {
                                  ScreenPose p;
                                  p.y = -12;
                                  p.scaleX = 1.1f * Ease((t - 18.5f) / 2.5f);
                                  p.scaleY = 0.5f;
                                  p.alpha = 0.8f * Envelope(t, 18.5f, 43.0f, 0.5f, 4.0f);
                                  return p;
                              })));
    sub.push_back(kit.Element("subtitle", "subtitle.png", Motion(20.0f, soloStart, 0.25f, [](float t) {
                                  ScreenPose p;
                                  p.y = -42 + 4.0f * Ease((t - 20.0f) / 3.0f);
                                  p.alpha = Envelope(t, 20.0f, 42.5f, 3.0f, 4.0f);
                                  return p;
                              })));
    c.layers.push_back(Layer("subtitle", {LayerKeyAt(0, 1)}, std::move(sub)));
}
