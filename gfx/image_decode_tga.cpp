// Truevision TGA: colour-mapped (1, 9), true-colour (2, 10) and grey (3, 11), raw or run-length,
// any origin. The signature is weak, so it is offered late and checked field by field.
#include "gfx/image_decoders.h"
#include "gfx/level_writer.h"
#include "io/byte_cursor.h"

namespace {

struct TgaHeader {
    uint8_t idLength, mapType, imageType;
    uint16_t mapStart, mapLength;
    uint8_t mapBits;
    uint16_t width, height;
    uint8_t bits, descriptor;
};

bool ReadHeader(ByteCursor& c, TgaHeader* h) {
    uint16_t skip;
    return c.U8(&h->idLength) && c.U8(&h->mapType) && c.U8(&h->imageType) && c.U16(&h->mapStart) &&
           c.U16(&h->mapLength) && c.U8(&h->mapBits) && c.U16(&skip) && c.U16(&skip) && c.U16(&h->width) &&
           c.U16(&h->height) && c.U8(&h->bits) && c.U8(&h->descriptor);
}

bool HeaderValid(const TgaHeader& h) {
    const int base = h.imageType & 7;
    if (h.mapType > 1 || (h.imageType & ~8) < 1 || (h.imageType & ~8) > 3) return false;
    if (h.width == 0 || h.height == 0 || (h.descriptor & 0xc0)) return false;
    if (base == 1)
        return h.mapType == 1 && h.mapLength > 0 && (h.bits == 8 || h.bits == 16) &&
               (h.mapBits == 15 || h.mapBits == 16 || h.mapBits == 24 || h.mapBits == 32);
    if (h.mapType == 1 && h.mapBits != 15 && h.mapBits != 16 && h.mapBits != 24 && h.mapBits != 32) return false;
    if (base == 2) return h.bits == 15 || h.bits == 16 || h.bits == 24 || h.bits == 32;
    return h.bits == 8 || h.bits == 16;  // grey, grey + alpha
}

// One stored pixel (true-colour or colour-map entry, B, G, R[, A] order) to RGBA.
void Unpack(const uint8_t* p, int bits, bool alpha, uint8_t* rgba) {
    if (bits == 15 || bits == 16) {
        const uint16_t v = uint16_t(p[0] | p[1] << 8);
        rgba[0] = ScaleTo8((v >> 10) & 31, 31), rgba[1] = ScaleTo8((v >> 5) & 31, 31), rgba[2] = ScaleTo8(v & 31, 31);
        rgba[3] = alpha && bits == 16 ? ((v & 0x8000) ? 255 : 0) : 255;
    } else {
        rgba[0] = p[2], rgba[1] = p[1], rgba[2] = p[0];
        rgba[3] = alpha && bits == 32 ? p[3] : 255;
    }
}

}  // namespace

bool TgaAccepts(const uint8_t* data, size_t size) {
    ByteCursor c(data, size);
    TgaHeader h;
    return ReadHeader(c, &h) && HeaderValid(h);
}

bool TgaDecode(const uint8_t* data, size_t size, const DecodeLimits& limits, DecodedImage* out, std::string* error) {
    ByteCursor c(data, size);
    TgaHeader h;
    if (!ReadHeader(c, &h) || !HeaderValid(h)) return Fail(error, "TGA header is damaged");
    if (!c.Skip(h.idLength)) return Fail(error, "TGA image id is truncated");
    const int base = h.imageType & 7;
    const bool alpha = (h.descriptor & 15) != 0;  // declared attribute bits
    // The colour map: read when the pixels index it, skipped otherwise.
    std::vector<uint8_t> map;
    if (h.mapType == 1) {
        const size_t entry = (h.mapBits + 7) / 8;
        const uint8_t* p;
        if (!c.Bytes(entry * h.mapLength, &p)) return Fail(error, "TGA colour map is truncated");
        if (base == 1) {
            map.resize(size_t(h.mapLength) * 4);
            for (size_t i = 0; i < h.mapLength; ++i) Unpack(p + i * entry, h.mapBits, alpha, &map[i * 4]);
        }
    }
    const size_t bytesPerPixel = (h.bits + 7) / 8;
    LevelWriter level;
    if (!level.Begin(h.width, h.height, false, 0, limits, error)) return false;
    const size_t count = size_t(h.width) * h.height;
    const bool rle = h.imageType & 8;
    size_t run = 0;       // pixels left in the current packet
    bool repeat = false;  // the packet repeats one value
    const uint8_t* value = nullptr;
    for (size_t i = 0; i < count; ++i) {
        if (rle && run == 0) {
            uint8_t packet;
            if (!c.U8(&packet)) return Fail(error, "TGA pixel data is truncated");
            run = (packet & 0x7f) + 1u;
            repeat = packet & 0x80;
            if (repeat && !c.Bytes(bytesPerPixel, &value)) return Fail(error, "TGA pixel data is truncated");
        }
        if (!rle || !repeat) {
            if (!c.Bytes(bytesPerPixel, &value)) return Fail(error, "TGA pixel data is truncated");
        }
        if (rle) --run;
        const uint32_t x = uint32_t(i % h.width), row = uint32_t(i / h.width);
        const uint32_t dx = (h.descriptor & 0x10) ? h.width - 1 - x : x;
        const uint32_t dy = (h.descriptor & 0x20) ? row : h.height - 1 - row;
        uint8_t dst[4];
        if (base == 1) {
            const uint32_t index = bytesPerPixel == 1 ? value[0] : uint32_t(value[0] | value[1] << 8);
            if (index < h.mapStart || index - h.mapStart >= h.mapLength)
                return Fail(error, "TGA colour index is past the map");
            for (int k = 0; k < 4; ++k) dst[k] = map[(index - h.mapStart) * 4 + k];
        } else if (base == 2) {
            Unpack(value, h.bits, alpha, dst);
        } else {
            dst[0] = dst[1] = dst[2] = value[0];
            dst[3] = h.bits == 16 ? value[1] : 255;
        }
        level.Put(dx, dy, dst);
    }
    if (base == 1) {
        out->format = PaletteFormat(map.data(), h.mapLength);
        if (out->format == D3DFMT_L8 && h.mapStart != 0) out->format = D3DFMT_X8R8G8B8;  // not index = grey
    } else if (base == 2)
        out->format = alpha && (h.bits == 32 || h.bits == 16) ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
    else
        out->format = h.bits == 16 ? D3DFMT_A8R8G8B8 : D3DFMT_L8;
    out->levels.clear();
    out->levels.push_back(level.Finish());
    return true;
}
