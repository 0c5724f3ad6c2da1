// Radiance RGBE pictures (".hdr"): text header, "-Y h +X w" resolution, then scanlines that are
// flat, new-style run-length (2, 2, width) or old-style run-length (1, 1, 1, repeat).
#include <cmath>
#include <cstdio>
#include <cstring>

#include "gfx/image_decoders.h"
#include "io/byte_cursor.h"

namespace {

// One header line without its '\n'; false at the end of the data or past 1 KiB.
bool ReadLine(ByteCursor& c, std::string* line) {
    line->clear();
    uint8_t b;
    while (c.U8(&b)) {
        if (b == '\n') return true;
        if (line->size() >= 1024) return false;
        line->push_back(static_cast<char>(b));
    }
    return false;
}

void ToFloat(const uint8_t* rgbe, float* out) {
    if (rgbe[3] == 0) {
        out[0] = out[1] = out[2] = 0.0f;
    } else {
        const float f = std::ldexp(1.0f, rgbe[3] - (128 + 8));
        out[0] = rgbe[0] * f, out[1] = rgbe[1] * f, out[2] = rgbe[2] * f;
    }
    out[3] = 1.0f;
}

// New-style run-length scanline: four planes, each of runs (count > 128) and literal spans.
bool ReadRleLine(ByteCursor& c, uint32_t width, uint8_t* line) {
    for (int k = 0; k < 4; ++k) {
        uint32_t x = 0;
        while (x < width) {
            uint8_t count;
            if (!c.U8(&count) || count == 0) return false;
            if (count > 128) {
                uint8_t value;
                count = uint8_t(count - 128);
                if (count > width - x || !c.U8(&value)) return false;
                for (uint32_t i = 0; i < count; ++i) line[(x++) * 4 + k] = value;
            } else {
                const uint8_t* span;
                if (count > width - x || !c.Bytes(count, &span)) return false;
                for (uint32_t i = 0; i < count; ++i) line[(x++) * 4 + k] = span[i];
            }
        }
    }
    return true;
}

// Flat pixels, where (1, 1, 1, n) repeats the previous pixel n << shift times.
bool ReadFlatLine(ByteCursor& c, uint32_t width, uint8_t* line) {
    uint32_t x = 0, shift = 0;
    while (x < width) {
        const uint8_t* px;
        if (!c.Bytes(4, &px)) return false;
        if (px[0] == 1 && px[1] == 1 && px[2] == 1) {
            if (x == 0 || shift > 16) return false;
            const uint64_t repeat = uint64_t(px[3]) << shift;
            if (repeat > width - x) return false;
            for (uint64_t i = 0; i < repeat; ++i, ++x) std::memcpy(line + x * 4, line + (x - 1) * 4, 4);
            shift += 8;
        } else {
            std::memcpy(line + (x++) * 4, px, 4);
            shift = 0;
        }
    }
    return true;
}

}  // namespace

bool HdrAccepts(const uint8_t* data, size_t size) {
    return (size >= 11 && std::memcmp(data, "#?RADIANCE\n", 11) == 0) ||
           (size >= 7 && std::memcmp(data, "#?RGBE\n", 7) == 0);
}

bool HdrDecode(const uint8_t* data, size_t size, const DecodeLimits& limits, DecodedImage* out, std::string* error) {
    ByteCursor c(data, size);
    std::string line;
    ReadLine(c, &line);
    for (;;) {  // header lines up to the empty one
        if (!ReadLine(c, &line)) return Fail(error, "HDR header is truncated");
        if (line.empty()) break;
        if (line.rfind("FORMAT=", 0) == 0 && line != "FORMAT=32-bit_rle_rgbe")
            return Fail(error, "HDR pixel format is not supported");
    }
    if (!ReadLine(c, &line)) return Fail(error, "HDR resolution line is missing");
    unsigned long h = 0, w = 0;
    char tail = 0;
    const int fields = std::sscanf(line.c_str(), "-Y %lu +X %lu%c", &h, &w, &tail);
    if (fields < 2 || (fields == 3 && tail != '\r' && tail != ' ') || h > 0xffffffffu || w > 0xffffffffu)
        return Fail(error, "HDR orientation is not supported");
    ImageLevel level;
    if (!AllocateLevel(&level, uint32_t(w), uint32_t(h), true, limits, error)) return false;
    std::vector<uint8_t> scan(w * 4);
    for (uint32_t y = 0; y < h; ++y) {
        const bool rle =
            w >= 8 && w < 32768 && c.Has(4) && c.Here()[0] == 2 && c.Here()[1] == 2 && !(c.Here()[2] & 0x80);
        bool ok;
        if (rle) {
            ok = (uint32_t(c.Here()[2]) << 8 | c.Here()[3]) == w && c.Skip(4) &&
                 ReadRleLine(c, uint32_t(w), scan.data());
        } else {
            ok = ReadFlatLine(c, uint32_t(w), scan.data());
        }
        if (!ok) return Fail(error, "HDR pixel data is truncated or damaged");
        for (uint32_t x = 0; x < w; ++x) ToFloat(&scan[x * 4], &level.rgbaF[(size_t(y) * w + x) * 4]);
    }
    out->format = D3DFMT_A32B32G32R32F;
    out->levels.clear();
    out->levels.push_back(std::move(level));
    return true;
}
