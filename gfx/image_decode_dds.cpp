// DirectDraw Surfaces: 2D textures with their mip levels, uncompressed (any R/G/B/A, luminance or
// alpha masks up to 32 bits) or block-compressed DXT1 to DXT5. Blocks are decoded to 8-bit RGBA
// since the device has no compressed formats. Cube maps, volumes and DX10 headers are refused.
#include <bit>

#include "gfx/image_decoders.h"
#include "io/byte_cursor.h"

namespace {

constexpr uint32_t DDPF_ALPHAPIXELS = 0x1, DDPF_ALPHA = 0x2, DDPF_FOURCC = 0x4, DDPF_RGB = 0x40,
                   DDPF_LUMINANCE = 0x20000;
constexpr uint32_t DDSCAPS2_CUBEMAP = 0x200, DDSCAPS2_VOLUME = 0x200000;

constexpr uint32_t FourCC(char a, char b, char c, char d) {
    return uint32_t(uint8_t(a)) | uint32_t(uint8_t(b)) << 8 | uint32_t(uint8_t(c)) << 16 | uint32_t(uint8_t(d)) << 24;
}

struct PixelFormat {
    uint32_t flags = 0, fourCC = 0, bits = 0;
    uint32_t masks[4] = {0, 0, 0, 0};  // R, G, B, A
};

// ---- uncompressed ----------------------------------------------------------------------------

struct MaskChannel {
    uint32_t mask = 0, shift = 0, max = 0;
    explicit MaskChannel(uint32_t m) : mask(m) {
        if (m) shift = std::countr_zero(m), max = m >> shift;
    }
};

// One level of mask-described pixels. Channels wider than 8 bits come out as floats.
void DecodeMasked(const uint8_t* src, const PixelFormat& pf, ImageLevel* level) {
    const bool lum = pf.flags & DDPF_LUMINANCE;
    const bool alphaOnly = !(pf.flags & (DDPF_RGB | DDPF_LUMINANCE)) && (pf.flags & DDPF_ALPHA);
    const MaskChannel ch[4] = {MaskChannel(alphaOnly ? 0 : pf.masks[0]), MaskChannel(lum ? pf.masks[0] : pf.masks[1]),
                               MaskChannel(lum ? pf.masks[0] : pf.masks[2]),
                               MaskChannel(pf.flags & (DDPF_ALPHAPIXELS | DDPF_ALPHA) ? pf.masks[3] : 0)};
    const uint32_t bytes = pf.bits / 8;
    const size_t count = size_t(level->width) * level->height;
    for (size_t i = 0; i < count; ++i, src += bytes) {
        uint32_t px = 0;
        for (uint32_t b = 0; b < bytes; ++b) px |= uint32_t(src[b]) << (8 * b);
        for (int k = 0; k < 4; ++k) {
            const MaskChannel& c = ch[k];
            const uint32_t v = (px & c.mask) >> c.shift;
            if (level->IsFloat())
                level->rgbaF[i * 4 + k] = c.mask ? float(v) / float(c.max) : (k == 3 ? 1.0f : 0.0f);
            else
                level->rgba8[i * 4 + k] = c.mask ? ScaleTo8(v, c.max) : (k == 3 ? 255 : 0);
        }
    }
}

// ---- DXT blocks --------------------------------------------------------------------------------

void Color565(uint16_t c, uint8_t* rgb) {
    rgb[0] = ScaleTo8(c >> 11, 31), rgb[1] = ScaleTo8((c >> 5) & 63, 63), rgb[2] = ScaleTo8(c & 31, 31);
}

// The colour half of a block into 16 RGBA pixels; DXT1 with c0 <= c1 has a transparent index 3.
void DecodeColorBlock(const uint8_t* b, bool dxt1, uint8_t out[16][4]) {
    const uint16_t c0 = uint16_t(b[0] | b[1] << 8), c1 = uint16_t(b[2] | b[3] << 8);
    uint8_t pal[4][4] = {};
    Color565(c0, pal[0]), Color565(c1, pal[1]);
    pal[0][3] = pal[1][3] = pal[2][3] = pal[3][3] = 255;
    for (int k = 0; k < 3; ++k) {
        if (c0 > c1 || !dxt1) {
            pal[2][k] = uint8_t((2 * pal[0][k] + pal[1][k] + 1) / 3);
            pal[3][k] = uint8_t((pal[0][k] + 2 * pal[1][k] + 1) / 3);
        } else {
            pal[2][k] = uint8_t((pal[0][k] + pal[1][k]) / 2);
            pal[3][k] = 0;
        }
    }
    if (dxt1 && c0 <= c1) pal[3][3] = 0;
    const uint32_t bits = uint32_t(b[4]) | uint32_t(b[5]) << 8 | uint32_t(b[6]) << 16 | uint32_t(b[7]) << 24;
    for (int i = 0; i < 16; ++i)
        for (int k = 0; k < 4; ++k) out[i][k] = pal[(bits >> (2 * i)) & 3][k];
}

void DecodeAlphaBlock(const uint8_t* b, uint32_t fourCC, uint8_t out[16][4]) {
    if (fourCC == FourCC('D', 'X', 'T', '2') || fourCC == FourCC('D', 'X', 'T', '3')) {
        for (int i = 0; i < 16; ++i) out[i][3] = ScaleTo8((b[i / 2] >> (4 * (i & 1))) & 15, 15);
        return;
    }
    uint8_t a[8] = {b[0], b[1]};
    for (int i = 2; i < 8; ++i) {
        if (a[0] > a[1])
            a[i] = uint8_t(((8 - i) * a[0] + (i - 1) * a[1] + 3) / 7);
        else
            a[i] = i < 6 ? uint8_t(((6 - i) * a[0] + (i - 1) * a[1] + 2) / 5) : (i == 6 ? 0 : 255);
    }
    uint64_t bits = 0;
    for (int i = 0; i < 6; ++i) bits |= uint64_t(b[2 + i]) << (8 * i);
    for (int i = 0; i < 16; ++i) out[i][3] = a[(bits >> (3 * i)) & 7];
}

void DecodeBlocks(const uint8_t* src, uint32_t fourCC, ImageLevel* level) {
    const bool dxt1 = fourCC == FourCC('D', 'X', 'T', '1');
    const uint32_t bw = (level->width + 3) / 4, bh = (level->height + 3) / 4;
    for (uint32_t by = 0; by < bh; ++by) {
        for (uint32_t bx = 0; bx < bw; ++bx) {
            uint8_t px[16][4];
            if (dxt1) {
                DecodeColorBlock(src, true, px), src += 8;
            } else {
                DecodeColorBlock(src + 8, false, px);
                DecodeAlphaBlock(src, fourCC, px);
                src += 16;
            }
            for (uint32_t i = 0; i < 16; ++i) {
                const uint32_t x = bx * 4 + i % 4, y = by * 4 + i / 4;
                if (x < level->width && y < level->height)
                    for (int k = 0; k < 4; ++k) level->rgba8[(size_t(y) * level->width + x) * 4 + k] = px[i][k];
            }
        }
    }
}

bool IsBlockFormat(uint32_t fourCC) {
    return fourCC == FourCC('D', 'X', 'T', '1') || fourCC == FourCC('D', 'X', 'T', '2') ||
           fourCC == FourCC('D', 'X', 'T', '3') || fourCC == FourCC('D', 'X', 'T', '4') ||
           fourCC == FourCC('D', 'X', 'T', '5');
}

// The texture format for the file's pixel format, or UNKNOWN when it cannot be read.
D3DFORMAT FormatOf(const PixelFormat& pf, bool* wide) {
    *wide = false;
    if (pf.flags & DDPF_FOURCC) return IsBlockFormat(pf.fourCC) ? D3DFMT_A8R8G8B8 : D3DFMT_UNKNOWN;
    if (pf.bits != 8 && pf.bits != 16 && pf.bits != 24 && pf.bits != 32) return D3DFMT_UNKNOWN;
    const bool hasAlpha = (pf.flags & (DDPF_ALPHAPIXELS | DDPF_ALPHA)) && pf.masks[3];
    const int used = (pf.flags & DDPF_LUMINANCE) ? 1 : (pf.flags & DDPF_RGB) ? 3 : 0;
    if (!used && !hasAlpha) return D3DFMT_UNKNOWN;
    for (int k = 0; k < 4; ++k) {
        const uint32_t m = k < used || k == 3 ? pf.masks[k] : 0;
        if (m && std::popcount(m >> std::countr_zero(m)) > 8) *wide = true;
    }
    if (hasAlpha) return D3DFMT_A8R8G8B8;
    return used == 1 ? D3DFMT_L8 : D3DFMT_X8R8G8B8;
}

}  // namespace

bool DdsAccepts(const uint8_t* data, size_t size) {
    return size >= 4 && data[0] == 'D' && data[1] == 'D' && data[2] == 'S' && data[3] == ' ';
}

bool DdsDecode(const uint8_t* data, size_t size, const DecodeLimits& limits, DecodedImage* out, std::string* error) {
    ByteCursor c(data, size);
    uint32_t headerSize = 0, flags = 0, height = 0, width = 0, pitch = 0, depth = 0, mipCount = 0;
    if (!c.Skip(4) || !c.U32(&headerSize) || headerSize != 124 || !c.Has(120))
        return Fail(error, "DDS header is truncated or damaged");
    c.U32(&flags), c.U32(&height), c.U32(&width), c.U32(&pitch), c.U32(&depth), c.U32(&mipCount), c.Skip(44);
    PixelFormat pf;
    uint32_t pfSize = 0, caps = 0, caps2 = 0;
    c.U32(&pfSize), c.U32(&pf.flags), c.U32(&pf.fourCC), c.U32(&pf.bits);
    for (uint32_t& m : pf.masks) c.U32(&m);
    c.U32(&caps), c.U32(&caps2), c.Skip(12);
    if (caps2 & (DDSCAPS2_CUBEMAP | DDSCAPS2_VOLUME)) return Fail(error, "DDS cube maps and volumes are not supported");
    if ((pf.flags & DDPF_FOURCC) && pf.fourCC == FourCC('D', 'X', '1', '0'))
        return Fail(error, "DDS files with a DX10 header are not supported");
    bool wide = false;
    const D3DFORMAT format = FormatOf(pf, &wide);
    if (format == D3DFMT_UNKNOWN) return Fail(error, "DDS pixel format is not supported");
    if (!CheckImageSize(width, height, wide ? 16 : 4, limits, error)) return false;

    // The header's mip count is trusted only up to the full chain; 0 means just the top level.
    uint32_t chain = std::bit_width(width > height ? width : height);
    uint32_t levels = mipCount ? (mipCount < chain ? mipCount : chain) : 1;
    const bool blocks = pf.flags & DDPF_FOURCC;
    const uint32_t blockBytes = pf.fourCC == FourCC('D', 'X', 'T', '1') ? 8 : 16;
    out->levels.clear();
    for (uint32_t i = 0; i < levels; ++i) {
        const uint32_t w = width >> i ? width >> i : 1, h = height >> i ? height >> i : 1;
        const uint64_t bytes =
            blocks ? uint64_t((w + 3) / 4) * ((h + 3) / 4) * blockBytes : uint64_t(w) * h * (pf.bits / 8);
        const uint8_t* src = nullptr;
        if (!c.Bytes(bytes, &src)) return Fail(error, "DDS pixel data is truncated");
        ImageLevel level;
        if (!AllocateLevel(&level, w, h, wide, limits, error)) return false;
        if (blocks)
            DecodeBlocks(src, pf.fourCC, &level);
        else
            DecodeMasked(src, pf, &level);
        out->levels.push_back(std::move(level));
    }
    out->format = format;
    return true;
}
