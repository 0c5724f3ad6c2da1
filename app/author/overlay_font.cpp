// Setting the overlay's glyphs with stb_truetype, one row of the atlas after another.
#include "app/author/overlay_font.h"

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

namespace {

constexpr uint32_t enDash = 0x2013;
constexpr long maxFontBytes = 64L << 20;  // far above any font of the family

uint32_t CodePointOf(int index) {
    return index < 95 ? uint32_t(' ' + index) : enDash;
}

bool ReadFont(const std::string& path, std::vector<unsigned char>* bytes, std::string* error) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return *error = "cannot open " + path, false;
    unsigned char chunk[65536];
    size_t n = 0;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0 && long(bytes->size()) <= maxFontBytes)
        bytes->insert(bytes->end(), chunk, chunk + n);
    const bool ok = !std::ferror(f) && long(bytes->size()) <= maxFontBytes;
    std::fclose(f);
    if (!ok) *error = "cannot read " + path;
    return ok;
}

}  // namespace

bool OverlayFont::Build(const std::string& path, float pixelHeight, std::string* error) {
    coverage.assign(size_t(atlasWidth) * atlasHeight, 0);
    for (auto& g : glyphs) g = OverlayGlyph{};
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) coverage[size_t(y) * atlasWidth + size_t(x)] = 255;
    std::vector<unsigned char> bytes;
    if (!ReadFont(path, &bytes, error)) return false;
    stbtt_fontinfo info;
    const int offset = stbtt_GetFontOffsetForIndex(bytes.data(), 0);
    if (offset < 0 || !stbtt_InitFont(&info, bytes.data(), offset)) return *error = path + " is not a font", false;
    const float scale = stbtt_ScaleForPixelHeight(&info, pixelHeight);
    int ascentUnits = 0, descentUnits = 0, gapUnits = 0;
    stbtt_GetFontVMetrics(&info, &ascentUnits, &descentUnits, &gapUnits);
    ascent = std::ceil(float(ascentUnits) * scale);
    lineHeight = std::ceil(float(ascentUnits - descentUnits + gapUnits) * scale);

    int penX = 6, penY = 0, rowHeight = 4;  // past the solid block
    for (int i = 0; i < 96; ++i) {
        const uint32_t cp = CodePointOf(i);
        int advance = 0, bearing = 0, x0 = 0, y0 = 0, x1 = 0, y1 = 0;
        stbtt_GetCodepointHMetrics(&info, int(cp), &advance, &bearing);
        stbtt_GetCodepointBitmapBox(&info, int(cp), scale, scale, &x0, &y0, &x1, &y1);
        OverlayGlyph& g = glyphs[i];
        g.advance = float(advance) * scale;
        g.width = std::max(0, x1 - x0);
        g.height = std::max(0, y1 - y0);
        g.left = x0;
        g.top = y0;
        if (penX + g.width + 1 > atlasWidth) {
            penX = 0;
            penY += rowHeight + 1;
            rowHeight = 0;
        }
        if (penY + g.height > atlasHeight) return *error = "the overlay's glyphs do not fit", false;
        g.x = penX;
        g.y = penY;
        if (g.width > 0 && g.height > 0)
            stbtt_MakeCodepointBitmap(&info, &coverage[size_t(penY) * atlasWidth + size_t(penX)], g.width, g.height,
                                      atlasWidth, scale, scale, int(cp));
        penX += g.width + 1;
        rowHeight = std::max(rowHeight, g.height);
    }
    return true;
}

const OverlayGlyph& OverlayFont::Find(uint32_t cp) const {
    if (cp >= ' ' && cp <= '~') return glyphs[cp - ' '];
    if (cp == enDash) return glyphs[95];
    return glyphs['?' - ' '];
}

std::vector<uint32_t> DecodeUtf8(const std::string& text) {
    std::vector<uint32_t> out;
    for (size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const int extra = c < 0x80 ? 0 : (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : -1;
        uint32_t cp = extra == 0 ? c : extra == 1 ? c & 0x1Fu : extra == 2 ? c & 0x0Fu : c & 0x07u;
        bool ok = extra >= 0;
        for (int k = 1; ok && k <= extra; ++k) {
            if (i + size_t(k) >= text.size()) {
                ok = false;
                break;
            }
            const unsigned char next = static_cast<unsigned char>(text[i + size_t(k)]);
            if ((next & 0xC0) != 0x80) ok = false;
            cp = (cp << 6) | (next & 0x3Fu);
        }
        if (!ok) {
            out.push_back(0xFFFD);
            ++i;
            continue;
        }
        out.push_back(cp);
        i += size_t(extra) + 1;
    }
    return out;
}
