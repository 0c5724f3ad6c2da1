// Windows bitmaps: BMP files ("BM" file header) and packed DIBs (the same bitmap without the file
// header). Core, info, V4 and V5 headers; 1/4/8-bit palettes, RLE8/RLE4, 16/24/32-bit with masks.
#include <bit>

#include "gfx/image_decoders.h"
#include "gfx/level_writer.h"
#include "io/byte_cursor.h"

namespace {

constexpr uint32_t kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitfields = 3, kBiAlphaBitfields = 6;

struct BitmapInfo {
    bool core = false;  // 12-byte OS/2 header: 3-byte palette entries
    int32_t width = 0;
    int32_t height = 0;  // negative: rows stored top-down
    uint16_t bpp = 0;
    uint32_t compression = kBiRgb;
    uint32_t colorsUsed = 0;
    uint32_t masks[4] = {0, 0, 0, 0};  // R, G, B, A
};

bool ValidHeaderSize(uint32_t size) {
    return size == 12 || size == 40 || size == 52 || size == 56 || size == 64 || size == 108 || size == 124;
}

bool ValidBpp(uint32_t bpp) {
    return bpp == 1 || bpp == 4 || bpp == 8 || bpp == 16 || bpp == 24 || bpp == 32;
}

// Reads the info header (and the masks that follow a 40-byte one); the cursor ends at the palette.
bool ReadInfo(ByteCursor& c, BitmapInfo* info, std::string* error) {
    const size_t start = c.Offset();
    uint32_t headerSize = 0;
    uint16_t planes = 0;
    if (!c.U32(&headerSize) || !ValidHeaderSize(headerSize)) return Fail(error, "bitmap header is damaged");
    if (!c.Has(headerSize - 4)) return Fail(error, "bitmap header is truncated");
    if (headerSize == 12) {
        uint16_t w = 0, h = 0;
        c.U16(&w), c.U16(&h), c.U16(&planes), c.U16(&info->bpp);
        info->core = true;
        info->width = w;
        info->height = h;
    } else {
        uint32_t skip;
        c.I32(&info->width), c.I32(&info->height), c.U16(&planes), c.U16(&info->bpp);
        c.U32(&info->compression), c.U32(&skip), c.U32(&skip), c.U32(&skip), c.U32(&info->colorsUsed);
        c.U32(&skip);
        if (headerSize >= 52) c.U32(&info->masks[0]), c.U32(&info->masks[1]), c.U32(&info->masks[2]);
        if (headerSize >= 56) c.U32(&info->masks[3]);
        c.Seek(start + headerSize);
        // A 40-byte header keeps its masks after itself.
        const int extra = headerSize != 40                         ? 0
                          : info->compression == kBiBitfields      ? 3
                          : info->compression == kBiAlphaBitfields ? 4
                                                                   : 0;
        for (int i = 0; i < extra; ++i)
            if (!c.U32(&info->masks[i])) return Fail(error, "bitmap masks are truncated");
    }
    if (!ValidBpp(info->bpp)) return Fail(error, "bitmap has an unsupported bit depth");
    if (info->width <= 0 || info->height == 0 || info->height == INT32_MIN) return Fail(error, "bitmap has a bad size");
    const uint32_t comp = info->compression;
    const bool ok = comp == kBiRgb || (comp == kBiRle8 && info->bpp == 8) || (comp == kBiRle4 && info->bpp == 4) ||
                    ((comp == kBiBitfields || comp == kBiAlphaBitfields) && (info->bpp == 16 || info->bpp == 32));
    if (!ok) return Fail(error, "bitmap compression is not supported");
    if (comp != kBiRgb && comp != kBiBitfields && comp != kBiAlphaBitfields && info->height < 0)
        return Fail(error, "run-length bitmap cannot be top-down");
    if (comp == kBiRgb) {  // the fixed layouts; masks in a V4/V5 header do not apply
        info->masks[3] = 0;
        if (info->bpp == 16) info->masks[0] = 0x7c00, info->masks[1] = 0x03e0, info->masks[2] = 0x001f;
        if (info->bpp == 32) info->masks[0] = 0xff0000, info->masks[1] = 0xff00, info->masks[2] = 0xff;
    }
    return true;
}

struct Channel {
    uint32_t mask, shift, max;
    uint8_t Get(uint32_t px, uint8_t missing) const {
        if (!mask) return missing;
        const uint32_t v = (px & mask) >> shift;
        return max > 255 ? static_cast<uint8_t>(v >> (std::bit_width(max) - 8)) : ScaleTo8(v, max);
    }
};

Channel MakeChannel(uint32_t mask) {
    if (!mask) return {0, 0, 0};
    const uint32_t shift = std::countr_zero(mask);
    return {mask, shift, mask >> shift};
}

// The colour of a palette index; an index past the palette shows black.
const uint8_t* PaletteColour(const uint8_t* palette, size_t count, uint32_t index) {
    static const uint8_t black[4] = {0, 0, 0, 255};
    return index < count ? palette + index * 4 : black;
}

// RLE8/RLE4 straight into the level, bottom row first. Pixels never written keep index 0.
bool DecodeRle(ByteCursor& c, const BitmapInfo& info, const uint8_t* palette, size_t paletteCount, LevelWriter* level,
               std::string* error) {
    const uint32_t w = info.width, h = info.height;
    const bool four = info.compression == kBiRle4;
    level->Fill(PaletteColour(palette, paletteCount, 0));
    uint32_t x = 0, y = 0;
    auto put = [&](uint8_t v) {
        if (x < w && y < h) level->Put(x, h - 1 - y, PaletteColour(palette, paletteCount, v));
        ++x;
    };
    while (y < h) {
        uint8_t count, value;
        if (!c.U8(&count) || !c.U8(&value)) return Fail(error, "run-length bitmap data is truncated");
        if (count > 0) {
            for (uint32_t i = 0; i < count && x < w; ++i) put(four ? ((i & 1) ? value & 15 : value >> 4) : value);
        } else if (value == 0) {
            x = 0, ++y;
        } else if (value == 1) {
            break;
        } else if (value == 2) {
            uint8_t dx, dy;
            if (!c.U8(&dx) || !c.U8(&dy)) return Fail(error, "run-length bitmap data is truncated");
            x += dx, y += dy;
        } else {
            const size_t bytes = four ? (value + 1u) / 2 : value;
            const uint8_t* run;
            if (!c.Bytes(bytes, &run) || !c.Skip(bytes & 1)) return Fail(error, "run-length bitmap data is truncated");
            for (uint32_t i = 0; i < value; ++i) put(four ? ((i & 1) ? run[i / 2] & 15 : run[i / 2] >> 4) : run[i]);
        }
    }
    return true;
}

// The bitmap after its file header: info header, palette, then pixels at `pixelOffset` (0: right
// after the palette).
bool DecodeBitmap(ByteCursor c, size_t pixelOffset, const DecodeLimits& limits, DecodedImage* out, std::string* error) {
    BitmapInfo info;
    if (!ReadInfo(c, &info, error)) return false;
    const uint32_t w = info.width;
    const uint32_t h = info.height < 0 ? 0u - static_cast<uint32_t>(info.height) : uint32_t(info.height);
    const bool topDown = info.height < 0;
    info.height = static_cast<int32_t>(h);
    const bool runLength = info.compression == kBiRle8 || info.compression == kBiRle4;

    // Palette: BGR(X) entries, the reserved byte is not alpha.
    uint8_t palette[256 * 4] = {};
    size_t paletteCount = 0;
    if (info.bpp <= 8 || info.colorsUsed) {
        const size_t entry = info.core ? 3 : 4;
        const size_t listed = info.colorsUsed ? info.colorsUsed : (info.bpp <= 8 ? 1u << info.bpp : 0);
        if (!c.Has(listed * entry)) return Fail(error, "bitmap palette is truncated");
        if (info.bpp <= 8) {
            paletteCount = listed < (1u << info.bpp) ? listed : (1u << info.bpp);
            for (size_t i = 0; i < paletteCount; ++i) {
                const uint8_t* e = c.Here() + i * entry;
                palette[i * 4] = e[2], palette[i * 4 + 1] = e[1], palette[i * 4 + 2] = e[0], palette[i * 4 + 3] = 255;
            }
        }
        c.Skip(listed * entry);
    }
    if (pixelOffset && !c.Seek(pixelOffset)) return Fail(error, "bitmap pixel offset is past the end of the file");

    const uint64_t stride = ((uint64_t(w) * info.bpp + 31) / 32) * 4;
    if (!runLength && !c.Has(stride * h)) return Fail(error, "bitmap pixel data is truncated");
    LevelWriter level;
    if (!level.Begin(w, h, false, 0, limits, error)) return false;
    if (runLength && !DecodeRle(c, info, palette, paletteCount, &level, error)) return false;

    const Channel ch[4] = {MakeChannel(info.masks[0]), MakeChannel(info.masks[1]), MakeChannel(info.masks[2]),
                           MakeChannel(info.masks[3])};
    for (uint32_t row = 0; row < h && !runLength; ++row) {
        const uint32_t y = topDown ? row : h - 1 - row;
        const uint8_t* src = c.Here() + stride * row;
        for (uint32_t x = 0; x < w; ++x) {
            uint8_t dst[4];
            uint32_t index = 0;
            switch (info.bpp) {
                case 1:
                    index = (src[x / 8] >> (7 - x % 8)) & 1;
                    break;
                case 4:
                    index = (src[x / 2] >> (x % 2 ? 0 : 4)) & 15;
                    break;
                case 8:
                    index = src[x];
                    break;
                case 24:
                    dst[0] = src[x * 3 + 2], dst[1] = src[x * 3 + 1], dst[2] = src[x * 3], dst[3] = 255;
                    level.Put(x, y, dst);
                    continue;
                default: {
                    const uint32_t px = info.bpp == 16
                                            ? uint32_t(src[x * 2] | src[x * 2 + 1] << 8)
                                            : uint32_t(src[x * 4]) | uint32_t(src[x * 4 + 1]) << 8 |
                                                  uint32_t(src[x * 4 + 2]) << 16 | uint32_t(src[x * 4 + 3]) << 24;
                    for (int k = 0; k < 4; ++k) dst[k] = ch[k].Get(px, k == 3 ? 255 : 0);
                    level.Put(x, y, dst);
                    continue;
                }
            }
            level.Put(x, y, PaletteColour(palette, paletteCount, index));
        }
    }
    if (info.bpp <= 8)
        out->format = PaletteFormat(palette, paletteCount);
    else
        out->format = info.masks[3] ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
    out->levels.clear();
    out->levels.push_back(level.Finish());
    return true;
}

bool InfoLooksValid(const uint8_t* data, size_t size) {
    ByteCursor c(data, size);
    uint32_t headerSize = 0;
    if (!c.U32(&headerSize) || !ValidHeaderSize(headerSize)) return false;
    uint16_t planes = 0, bpp = 0;
    if (headerSize == 12) {
        if (!c.Skip(4)) return false;
    } else if (!c.Skip(8)) {
        return false;
    }
    return c.U16(&planes) && c.U16(&bpp) && planes == 1 && ValidBpp(bpp);
}

}  // namespace

bool BmpAccepts(const uint8_t* data, size_t size) {
    return size >= 18 && data[0] == 'B' && data[1] == 'M' && InfoLooksValid(data + 14, size - 14);
}

bool BmpDecode(const uint8_t* data, size_t size, const DecodeLimits& limits, DecodedImage* out, std::string* error) {
    ByteCursor c(data, size);
    uint32_t offset = 0;
    if (!c.Skip(10) || !c.U32(&offset)) return Fail(error, "bitmap file header is truncated");
    if (offset < 14 + 12) return Fail(error, "bitmap pixel offset is damaged");
    return DecodeBitmap(c, offset, limits, out, error);
}

bool DibAccepts(const uint8_t* data, size_t size) {
    return InfoLooksValid(data, size);
}

bool DibDecode(const uint8_t* data, size_t size, const DecodeLimits& limits, DecodedImage* out, std::string* error) {
    return DecodeBitmap(ByteCursor(data, size), 0, limits, out, error);
}
