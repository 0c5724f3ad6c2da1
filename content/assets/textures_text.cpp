// Type: the title's letters, the subtitle, section labels, credits and the end card, set in the
// show's font with a soft glow.
#include <cmath>

#include "content/assets/font_text.h"
#include "content/assets/textures.h"

namespace {

const Rgb kWarmWhite{1.0f, 0.95f, 0.88f};
const Rgb kLavender{0.86f, 0.83f, 1.0f};
const Rgb kAmberGlow{1.0f, 0.62f, 0.28f};
const Rgb kVioletGlow{0.55f, 0.40f, 1.0f};

// Text centred in a canvas of the given size; the baseline sits so capitals are centred.
Image Text(const Font& font, const std::string& text, int width, int height, const TextStyle& style) {
    Canvas canvas(width, height);
    const float capHeight = style.pixelHeight * 0.73f;
    PaintText(font, text, style, canvas, float(width) * 0.5f, std::round(float(height) * 0.5f + capHeight * 0.5f));
    return ToImage(canvas, style.glowAlpha > 0 ? style.glow : style.colour);
}

TextStyle Style(float pixelHeight, float tracking, Rgb colour, Rgb glow, float glowAlpha, int glowRadius) {
    TextStyle style;
    style.pixelHeight = pixelHeight;
    style.tracking = tracking;
    style.colour = colour;
    style.glow = glow;
    style.glowAlpha = glowAlpha;
    style.glowRadius = glowRadius;
    return style;
}

struct TextImage {
    const char* file;
    const char* text;
    int width, height;
    TextStyle style;
};

}  // namespace

std::string LetterTextureName(char letter) {
    return std::string("letter_") + letter + ".png";
}

bool MakeTextTextures(const std::string& dataDir, const Font& font, TextureTable* table) {
    const TextStyle letter = Style(kTitleLetterHeight, 0, kWarmWhite, kAmberGlow, 0.55f, 7);
    for (const char* c = kTitle; *c; ++c) {
        const std::string name = LetterTextureName(*c);
        if (table->count(name)) continue;
        if (!SaveTexture(dataDir, name, Text(font, std::string(1, *c), 128, 128, letter), table)) return false;
    }
    const TextStyle sub = Style(26, 5, kLavender, kVioletGlow, 0.35f, 4);
    const TextStyle label = Style(22, 7, kWarmWhite, kAmberGlow, 0.3f, 4);
    const TextStyle credit = Style(24, 2, kLavender, kVioletGlow, 0.3f, 4);
    const TextImage texts[] = {
        {"subtitle.png", "a realtime piece", 512, 64, sub},
        {"label_ostrel.png", "ostrel", 256, 64, label},
        {"label_ringer.png", "ringer", 256, 64, label},
        {"label_park.png", "park", 256, 64, label},
        {"label_interlude.png", "interlude", 256, 64, label},
        {"credit_title.png", "Virelle", 512, 128, Style(64, 10, kWarmWhite, kAmberGlow, 0.5f, 6)},
        {"credit_music.png", "music synthesised in code", 512, 64, credit},
        {"credit_pictures.png", "pictures made by our own tools", 512, 64, credit},
        {"credit_type.png", "type set in DejaVu Sans", 512, 64, credit},
        {"credit_thanks.png", "thank you for watching", 512, 64, Style(26, 4, kWarmWhite, kAmberGlow, 0.4f, 5)},
        {"endcard.png", "VIRELLE", 1024, 128, Style(72, 30, kWarmWhite, kAmberGlow, 0.6f, 8)},
    };
    for (const TextImage& t : texts)
        if (!SaveTexture(dataDir, t.file, Text(font, t.text, t.width, t.height, t.style), table)) return false;
    return true;
}
