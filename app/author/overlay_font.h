// The overlay's type: ASCII and the en dash from a TrueType font, set once into one coverage
// image with a solid block for filled shapes. Plain memory; the overlay uploads it as a texture.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/fonts.h"

// The DejaVu family the show's content is set in; the monospaced face keeps the figures of a
// running clock from jumping about. Where it is depends on the platform.
inline const char* const overlayFontPath = PlatformMonospaceFontPath();

struct OverlayGlyph {
    int x = 0, y = 0, width = 0, height = 0;  // in the atlas
    int left = 0, top = 0;                    // from the pen position on the baseline to the top left
    float advance = 0;                        // pixels to the next glyph
};

struct OverlayFont {
    static constexpr int atlasWidth = 256, atlasHeight = 128;
    static constexpr int solidX = 1, solidY = 1;  // a texel inside the fully covered 4x4 block at 0,0

    std::vector<uint8_t> coverage;  // atlasWidth x atlasHeight, row 0 at the top
    OverlayGlyph glyphs[96];        // ' ' to '~', then the en dash
    float ascent = 0, lineHeight = 0;

    // False (with the reason) when the file can't be read or isn't a font; the atlas is then empty.
    bool Build(const std::string& path, float pixelHeight, std::string* error);
    // The glyph of a code point; '?' for any the atlas lacks.
    const OverlayGlyph& Find(uint32_t codePoint) const;
};

// Code points of UTF-8 text; a broken sequence reads as U+FFFD.
std::vector<uint32_t> DecodeUtf8(const std::string& text);
