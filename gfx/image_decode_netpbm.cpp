// Netpbm images: PBM/PGM/PPM in ASCII (P1, P2, P3) and binary (P4, P5, P6) form, and the float
// map PFM ("PF" colour, "Pf" grey).
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "gfx/image_decoders.h"
#include "gfx/level_writer.h"
#include "io/byte_cursor.h"

namespace {

bool IsSpace(uint8_t b) {
    return b == ' ' || b == '\t' || b == '\n' || b == '\r' || b == '\v' || b == '\f';
}

// Skips white space and '#' comments up to the end of their line.
void SkipSpace(ByteCursor& c) {
    while (c.Has(1)) {
        if (IsSpace(*c.Here())) {
            c.Skip(1);
        } else if (*c.Here() == '#') {
            while (c.Has(1) && *c.Here() != '\n') c.Skip(1);
        } else {
            break;
        }
    }
}

// A decimal number below 2^31; false on anything else.
bool ReadNumber(ByteCursor& c, uint32_t* value) {
    SkipSpace(c);
    uint64_t v = 0;
    size_t digits = 0;
    while (c.Has(1) && *c.Here() >= '0' && *c.Here() <= '9') {
        v = v * 10 + (*c.Here() - '0');
        if (v > 0x7fffffff) return false;
        c.Skip(1), ++digits;
    }
    *value = static_cast<uint32_t>(v);
    return digits > 0;
}

// One PBM digit: ASCII bitmaps may run their 0s and 1s together.
bool ReadBit(ByteCursor& c, uint32_t* value) {
    SkipSpace(c);
    uint8_t b = 0;
    if (!c.U8(&b) || (b != '0' && b != '1')) return false;
    *value = b - '0';
    return true;
}

}  // namespace

bool PpmAccepts(const uint8_t* data, size_t size) {
    return size >= 3 && data[0] == 'P' && data[1] >= '1' && data[1] <= '6' && (IsSpace(data[2]) || data[2] == '#');
}

bool PpmDecode(const uint8_t* data, size_t size, const DecodeLimits& limits, DecodedImage* out, std::string* error) {
    ByteCursor c(data, size);
    c.Skip(2);
    const int kind = data[1] - '0';
    const bool ascii = kind <= 3;
    const int channels = kind == 3 || kind == 6 ? 3 : 1;
    const bool bitmap = kind == 1 || kind == 4;
    uint32_t w = 0, h = 0, maxValue = 1;
    if (!ReadNumber(c, &w) || !ReadNumber(c, &h)) return Fail(error, "PPM header is damaged");
    if (!bitmap && (!ReadNumber(c, &maxValue) || maxValue == 0 || maxValue > 65535))
        return Fail(error, "PPM maximum value is damaged");
    const bool wide = maxValue > 255;  // 16-bit samples: keep them as floats
    if (!ascii) {                      // exactly one white-space byte before the raster
        uint8_t b = 0;
        if (!c.U8(&b) || !IsSpace(b)) return Fail(error, "PPM header is damaged");
        const uint64_t rowBytes = bitmap ? (w + 7) / 8 : uint64_t(w) * channels * (wide ? 2 : 1);
        if (!c.Has(rowBytes * h)) return Fail(error, "PPM pixel data is truncated");
    } else if (!c.Has(uint64_t(w) * h * channels)) {
        return Fail(error, "PPM pixel data is truncated");  // every ASCII sample takes a byte at least
    }
    LevelWriter level;
    if (!level.Begin(w, h, wide, 0, limits, error)) return false;

    for (uint32_t y = 0; y < h; ++y) {
        const size_t rowStart = c.Offset();
        const uint8_t* row = c.Here();  // binary bitmaps: read in place, stepped over at the row's end
        for (uint32_t x = 0; x < w; ++x) {
            uint32_t s[3] = {0, 0, 0};
            for (int k = 0; k < channels; ++k) {
                bool ok;
                if (ascii) {
                    ok = bitmap ? ReadBit(c, &s[k]) : ReadNumber(c, &s[k]);
                } else if (bitmap) {
                    s[k] = (row[x / 8] >> (7 - x % 8)) & 1;
                    ok = true;
                } else if (wide) {
                    const uint8_t* two = nullptr;
                    ok = c.Bytes(2, &two);
                    if (ok) s[k] = uint32_t(two[0]) << 8 | two[1];
                } else {
                    uint8_t b = 0;
                    ok = c.U8(&b);
                    s[k] = b;
                }
                if (!ok) return Fail(error, "PPM pixel data is truncated or damaged");
                if (bitmap)
                    s[k] = 1 - s[k];  // PBM: 1 is black
                else if (s[k] > maxValue)
                    return Fail(error, "PPM sample is above the maximum value");
            }
            if (channels == 1) s[1] = s[2] = s[0];
            if (wide) {
                const float px[4] = {float(s[0]) / float(maxValue), float(s[1]) / float(maxValue),
                                     float(s[2]) / float(maxValue), 1.0f};
                level.Put(x, y, px);
            } else {
                const uint8_t px[4] = {ScaleTo8(s[0], maxValue), ScaleTo8(s[1], maxValue), ScaleTo8(s[2], maxValue),
                                       255};
                level.Put(x, y, px);
            }
        }
        if (bitmap && !ascii) c.Seek(rowStart + (w + 7) / 8);
    }
    out->format = channels == 1 ? D3DFMT_L8 : D3DFMT_X8R8G8B8;
    out->levels.clear();
    out->levels.push_back(level.Finish());
    return true;
}

bool PfmAccepts(const uint8_t* data, size_t size) {
    return size >= 3 && data[0] == 'P' && (data[1] == 'F' || data[1] == 'f') && IsSpace(data[2]);
}

bool PfmDecode(const uint8_t* data, size_t size, const DecodeLimits& limits, DecodedImage* out, std::string* error) {
    ByteCursor c(data, size);
    c.Skip(2);
    const int channels = data[1] == 'F' ? 3 : 1;
    uint32_t w = 0, h = 0;
    if (!ReadNumber(c, &w) || !ReadNumber(c, &h)) return Fail(error, "PFM header is damaged");
    // The scale: its sign gives the byte order. Copied out so strtod stops at the line's end.
    SkipSpace(c);
    char text[64] = {};
    size_t n = 0;
    while (c.Has(1) && !IsSpace(*c.Here()) && n + 1 < sizeof(text)) text[n++] = static_cast<char>(*c.Here()), c.Skip(1);
    char* end = nullptr;
    const double scale = std::strtod(text, &end);
    uint8_t b = 0;
    if (n == 0 || end != text + n || !std::isfinite(scale) || scale == 0.0 || !c.U8(&b) || !IsSpace(b))
        return Fail(error, "PFM scale is damaged");
    const bool little = scale < 0.0;
    if (!c.Has(uint64_t(w) * h * channels * 4)) return Fail(error, "PFM pixel data is truncated");
    LevelWriter level;
    if (!level.Begin(w, h, true, 0, limits, error)) return false;
    const uint8_t* p = c.Here();
    for (uint32_t row = 0; row < h; ++row) {
        for (uint32_t x = 0; x < w; ++x) {
            float dst[4];
            for (int k = 0; k < channels; ++k, p += 4) {
                const uint32_t u =
                    little ? uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24
                           : uint32_t(p[3]) | uint32_t(p[2]) << 8 | uint32_t(p[1]) << 16 | uint32_t(p[0]) << 24;
                float f;
                std::memcpy(&f, &u, 4);
                dst[k] = std::isfinite(f) ? f : 0.0f;
            }
            if (channels == 1) dst[1] = dst[2] = dst[0];
            dst[3] = 1.0f;
            level.Put(x, h - 1 - row, dst);  // rows run bottom to top
        }
    }
    out->format = D3DFMT_A32B32G32R32F;
    out->levels.clear();
    out->levels.push_back(level.Finish());
    return true;
}
