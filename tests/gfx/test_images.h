// Small image files made in memory for the loader tests: one writer per format family.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

// w x h RGBA pixels, every pixel different: R from x, G from y, B from both, A from x + y.
Bytes PatternRgba(uint32_t w, uint32_t h);

void Put16(Bytes& b, uint32_t v);  // little-endian
void Put32(Bytes& b, uint32_t v);

// Bitmaps. bpp 24 or 32 (32 writes a V5 header with an alpha mask). fileHeader false: packed DIB.
Bytes MakeBmp(uint32_t w, uint32_t h, const Bytes& rgba, int bpp, bool topDown, bool fileHeader = true);
// 8-bit palette bitmap; palette as RGBA (alpha ignored by the format).
Bytes MakeBmpPalette(uint32_t w, uint32_t h, const Bytes& indices, const Bytes& paletteRgba);
// 8-bit run-length bitmap from a ready RLE8 stream.
Bytes MakeBmpRle8(uint32_t w, uint32_t h, const Bytes& stream, const Bytes& paletteRgba);
// PPM: kind '3' (ASCII) or '6' (binary) colour, '5' binary grey (takes R), maxValue 255 or 65535.
Bytes MakePpm(uint32_t w, uint32_t h, const Bytes& rgba, char kind, uint32_t maxValue = 255);
// PFM colour ("PF") or grey ("Pf", takes R); floats per pixel R, G, B, top row first.
Bytes MakePfm(uint32_t w, uint32_t h, const std::vector<float>& rgb, bool littleEndian, bool grey = false);
// Radiance: the pixels given as RGBE quadruples; rle true writes new-style run-length scanlines.
Bytes MakeHdr(uint32_t w, uint32_t h, const Bytes& rgbe, bool rle);
// TGA true-colour, 24 or 32 bits.
Bytes MakeTga(uint32_t w, uint32_t h, const Bytes& rgba, int bits, bool rle, bool topDown);
// TGA colour-mapped, 8-bit indices into a 24-bit (or 32-bit when alpha) map.
Bytes MakeTgaMapped(uint32_t w, uint32_t h, const Bytes& indices, const Bytes& paletteRgba, bool alpha);
// DDS header for w x h with `levels` levels; the caller appends the level data.
Bytes DdsHeader(uint32_t w, uint32_t h, uint32_t levels, uint32_t pfFlags, uint32_t fourCC, uint32_t bits, uint32_t r,
                uint32_t g, uint32_t b, uint32_t a);
// Sets a PNG's IHDR width and height and fixes the chunk's CRC.
void SetPngSize(Bytes& png, uint32_t w, uint32_t h);
// PNG by libpng: colour type 0, 2, 3, 4 or 6; depth 8 or 16; palette RGBA for type 3 (alpha < 255
// written as tRNS). Pixels taken from rgba (type 3: from `indices`); interlaced: Adam7.
Bytes MakePng(uint32_t w, uint32_t h, const Bytes& rgba, int colorType, int depth, const Bytes& paletteRgba = {},
              const Bytes& indices = {}, bool interlaced = false);
// JPEG by libjpeg, colour or grey (takes R), optionally progressive.
Bytes MakeJpeg(uint32_t w, uint32_t h, const Bytes& rgba, bool grey, bool progressive, int quality = 95);

// The 256-step grey ramp as an RGBA palette.
Bytes GreyRamp();
