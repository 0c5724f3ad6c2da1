// stb_truetype rasterising with sub-pixel placement; the glow is a blur of the coverage.
#include "content/assets/font_text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#define STB_TRUETYPE_IMPLEMENTATION
#define STBTT_STATIC
#include <stb_truetype.h>
#pragma GCC diagnostic pop

Font::Font(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        std::fprintf(stderr, "make-content: cannot open the font %s\n", path.c_str());
        return;
    }
    unsigned char chunk[65536];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) bytes_.insert(bytes_.end(), chunk, chunk + n);
    std::fclose(f);
    auto info = std::make_unique<stbtt_fontinfo>();
    if (bytes_.empty() || !stbtt_InitFont(info.get(), bytes_.data(), stbtt_GetFontOffsetForIndex(bytes_.data(), 0))) {
        std::fprintf(stderr, "make-content: %s is not a font stb_truetype reads\n", path.c_str());
        return;
    }
    info_ = std::move(info);
}

Font::~Font() = default;

float Font::TextWidth(const std::string& text, float pixelHeight, float tracking) const {
    if (!info_) return 0;
    const float scale = stbtt_ScaleForPixelHeight(info_.get(), pixelHeight);
    float width = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const int cp = static_cast<unsigned char>(text[i]);  // Windows-1252 below 0x80 and Latin-1 letters
        int advance, bearing;
        stbtt_GetCodepointHMetrics(info_.get(), cp, &advance, &bearing);
        width += float(advance) * scale;
        if (i + 1 < text.size()) {
            width +=
                float(stbtt_GetCodepointKernAdvance(info_.get(), cp, static_cast<unsigned char>(text[i + 1]))) * scale;
            width += tracking;
        }
    }
    return width;
}

void Font::Rasterise(const std::string& text, float pixelHeight, float tracking, float x, float y,
                     std::vector<float>& coverage, int width, int height) const {
    if (!info_) return;
    const float scale = stbtt_ScaleForPixelHeight(info_.get(), pixelHeight);
    float pen = x;
    std::vector<unsigned char> glyph;
    for (size_t i = 0; i < text.size(); ++i) {
        const int cp = static_cast<unsigned char>(text[i]);
        const float shiftX = pen - std::floor(pen), shiftY = y - std::floor(y);
        int x0, y0, x1, y1;
        stbtt_GetCodepointBitmapBoxSubpixel(info_.get(), cp, scale, scale, shiftX, shiftY, &x0, &y0, &x1, &y1);
        const int gw = x1 - x0, gh = y1 - y0;
        if (gw > 0 && gh > 0) {
            glyph.assign(size_t(gw) * size_t(gh), 0);
            stbtt_MakeCodepointBitmapSubpixel(info_.get(), glyph.data(), gw, gh, gw, scale, scale, shiftX, shiftY, cp);
            const int ox = int(std::floor(pen)) + x0, oy = int(std::floor(y)) + y0;
            for (int gy = 0; gy < gh; ++gy)
                for (int gx = 0; gx < gw; ++gx) {
                    const int px = ox + gx, py = oy + gy;
                    if (px < 0 || py < 0 || px >= width || py >= height) continue;
                    float& c = coverage[size_t(py) * size_t(width) + size_t(px)];
                    c = std::min(1.0f, c + glyph[size_t(gy) * size_t(gw) + size_t(gx)] / 255.0f);
                }
        }
        int advance, bearing;
        stbtt_GetCodepointHMetrics(info_.get(), cp, &advance, &bearing);
        pen += float(advance) * scale + tracking;
        if (i + 1 < text.size())
            pen +=
                float(stbtt_GetCodepointKernAdvance(info_.get(), cp, static_cast<unsigned char>(text[i + 1]))) * scale;
    }
}

void PaintText(const Font& font, const std::string& text, const TextStyle& style, Canvas& canvas, float centreX,
               float baselineY) {
    std::vector<float> coverage(size_t(canvas.width) * size_t(canvas.height), 0.0f);
    const float left = centreX - font.TextWidth(text, style.pixelHeight, style.tracking) * 0.5f;
    font.Rasterise(text, style.pixelHeight, style.tracking, left, baselineY, coverage, canvas.width, canvas.height);
    if (style.glowAlpha > 0) {
        std::vector<float> glow = coverage;
        BlurPlane(glow, canvas.width, canvas.height, style.glowRadius);
        for (int y = 0; y < canvas.height; ++y)
            for (int x = 0; x < canvas.width; ++x)
                canvas.Over(
                    x, y, style.glow,
                    std::min(1.0f, glow[size_t(y) * size_t(canvas.width) + size_t(x)] * style.glowAlpha * 2.5f));
    }
    for (int y = 0; y < canvas.height; ++y)
        for (int x = 0; x < canvas.width; ++x)
            canvas.Over(x, y, style.colour, coverage[size_t(y) * size_t(canvas.width) + size_t(x)]);
}
