// Text set in a TrueType font (stb_truetype) and painted onto a canvas with a soft glow.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "content/writers/image.h"

struct stbtt_fontinfo;

// The font the show's type is set in (Debian package fonts-dejavu-core).
inline constexpr const char* kShowFontPath = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

class Font {
public:
    explicit Font(const std::string& path);  // check ok() afterwards
    ~Font();
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    bool ok() const { return info_ != nullptr; }
    // Width in pixels of the text set at pixelHeight with extra tracking after each letter but the last.
    float TextWidth(const std::string& text, float pixelHeight, float tracking) const;
    // Coverage (0..1) of the text, left edge at x, baseline at y, added into a plane of the given width.
    void Rasterise(const std::string& text, float pixelHeight, float tracking, float x, float y,
                   std::vector<float>& coverage, int width, int height) const;

private:
    std::vector<unsigned char> bytes_;
    std::unique_ptr<stbtt_fontinfo> info_;
};

struct TextStyle {
    float pixelHeight = 48;
    float tracking = 0;  // extra pixels between letters
    Rgb colour{1, 1, 1};
    Rgb glow{1, 0.7f, 0.35f};
    float glowAlpha = 0.5f;  // glow strength at full coverage
    int glowRadius = 6;      // pixels
};

// Paints the text centred on (centreX, baselineY): first its blurred glow, then the letters.
void PaintText(const Font& font, const std::string& text, const TextStyle& style, Canvas& canvas, float centreX,
               float baselineY);
