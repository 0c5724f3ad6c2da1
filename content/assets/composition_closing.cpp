// Layers 19 and 20: credits and the end card, and the fade from and to black.
#include <cmath>

#include "content/assets/composition_kit.h"

namespace {

CdaLayer Layer(const std::string& name, std::vector<CdaKey> keys, std::vector<CdaElement> elements) {
    CdaLayer layer;
    layer.name = name;
    layer.keys = std::move(keys);
    layer.elements = std::move(elements);
    return layer;
}

}  // namespace

void AddClosingLayers(const CompositionKit& kit, CdaComposition& c) {
    // 19: credits, line by line, rising gently; then the end card.
    struct Line {
        const char* texture;
        float from, to, y, scale;
    };
    const Line lines[] = {
        {"credit_title.png", 135.6f, 140.6f, 55, 1.0f},     {"subtitle.png", 136.3f, 140.6f, -5, 1.0f},
        {"credit_music.png", 140.6f, 145.0f, 45, 1.0f},     {"credit_pictures.png", 141.0f, 145.0f, 5, 1.0f},
        {"credit_type.png", 141.4f, 145.0f, -35, 1.0f},     {"endcard.png", 145.2f, kShowEnd, 25, 0.62f},
        {"credit_thanks.png", 146.0f, kShowEnd, -35, 1.0f},
    };
    std::vector<CdaElement> credits;
    for (const Line& line : lines)
        credits.push_back(kit.Element(line.texture, line.texture, Motion(line.from, line.to, 0.1f, [=](float t) {
                                          ScreenPose p;
                                          p.y = line.y + 12.0f * (t - line.from) / (line.to - line.from);
                                          p.scaleX = p.scaleY =
                                              line.scale * (1.0f + 0.03f * (t - line.from) / (line.to - line.from));
                                          p.alpha =
                                              Envelope(t, line.from, line.to, 1.2f, line.to >= kShowEnd ? 0.01f : 1.0f);
                                          return p;
                                      })));
    // The end card's warm glow.
    credits.push_back(kit.Element("end glow", "glow_amber.tga", Motion(144.8f, kShowEnd, 0.25f, [](float t) {
                                      ScreenPose p;
                                      p.y = 25;
                                      p.scaleX = 3.4f;
                                      p.scaleY = 0.9f;
                                      p.alpha = 0.3f * Envelope(t, 144.8f, kShowEnd, 2.0f, 0.01f);
                                      return p;
                                  })));
    c.layers.push_back(Layer("credits", {LayerKeyAt(0, 1)}, std::move(credits)));

    // 20: black: the show opens from it and closes into it; skipped (alpha exactly 0) in between.
    CdaElement black = kit.Element("black", "black.bmp", {});
    const float sx = kit.ScaleX("black.bmp", 640), sy = kit.ScaleY("black.bmp", 480);
    for (const auto& [t, a] : {std::pair{0.0f, 1.0f}, {3.5f, 0.0f}, {146.5f, 0.0f}, {kShowEnd, 1.0f}}) {
        ScreenPose p;
        p.scaleX = sx;
        p.scaleY = sy;
        p.alpha = a;
        black.keys.push_back(KeyAt(t, p));
    }
    c.layers.push_back(Layer("fade", {LayerKeyAt(0, 1)}, {std::move(black)}));
}
