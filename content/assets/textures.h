// The show's images: generated procedurally, text set in the show's font, written into data/ in
// several formats (PNG with alpha, JPEG, TGA, BMP, DDS) so the real content exercises every loader.
#pragma once

#include <map>
#include <string>

#include "content/writers/image.h"

class Font;

// What the composition needs of an image: its file name under data/ and its texture size (the
// image size; every show image is already a power of two on both sides).
struct TextureInfo {
    int width = 0;
    int height = 0;
};
using TextureTable = std::map<std::string, TextureInfo>;

// Title letters: one image per distinct letter of the title, named "letter_<L>.png".
inline constexpr const char* kTitle = "VIRELLE";
inline constexpr float kTitleLetterHeight = 100.0f;  // pixels, as set in the font
inline constexpr float kTitleTracking = 26.0f;       // extra pixels between letters
std::string LetterTextureName(char letter);

// Writes every image of the show into dataDir and records it in table. False when a file could
// not be written.
bool MakeBackdropTextures(const std::string& dataDir, TextureTable* table);
bool MakeDecorTextures(const std::string& dataDir, TextureTable* table);
bool MakeTextTextures(const std::string& dataDir, const Font& font, TextureTable* table);

// Shared painting helpers (texture_paint.cpp).
// A round glow: alpha peak at the centre falling smoothly to 0 at radius.
void PaintGlow(Canvas& canvas, float cx, float cy, float radius, Rgb colour, float peak, float sharpness);
// A ring of light of radius r: a bright core of the given width and a soft halo; dashes > 0 cuts it
// into that many arcs with gaps of gapFraction.
void PaintRing(Canvas& canvas, float cx, float cy, float r, float core, float halo, Rgb colour, float peak, int dashes,
               float gapFraction);
// A rounded rectangle outline (or fill) for frames and panels, drawn for a quad that will be shown
// with display size displayW x displayH, so lines keep one thickness on screen.
void PaintRoundedBox(Canvas& canvas, float displayW, float displayH, float inset, float cornerRadius, float line,
                     float halo, Rgb colour, float lineAlpha, float fillAlpha, Rgb fill);

bool SaveTexture(const std::string& dataDir, const std::string& name, const Image& image, TextureTable* table);
