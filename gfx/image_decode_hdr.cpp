// Radiance RGBE pictures (".hdr"): text header (lines may end in CR LF), a resolution line in any
// of the eight standard orientations ("-Y h +X w" is the usual one), then scanlines that are flat,
// new-style run-length (2, 2, length) or old-style run-length (1, 1, 1, repeat).
#include <cmath>
#include <cstdio>
#include <cstring>

#include "gfx/image_decoders.h"
#include "gfx/level_writer.h"
#include "io/byte_cursor.h"

namespace {

// One header line without its '\n' (or "\r\n"); false at the end of the data or past 1 KiB.
bool ReadLine(ByteCursor& c, std::string* line) {
    line->clear();
    uint8_t b;
    while (c.U8(&b)) {
        if (b == '\n') {
            if (!line->empty() && line->back() == '\r') line->pop_back();
            return true;
        }
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

// Where the scanlines go: the resolution line names the slow axis first. "-Y" runs down the
// picture, "+Y" up it, "+X" to the right, "-X" to the left.
struct Orientation {
    uint32_t width = 0, height = 0;
    uint32_t scanlines = 0, length = 0;  // scanlines of `length` pixels each
    bool linesAreRows = true;            // the slow axis is Y
    bool slowReversed = false;           // scanline i is row/column (count - 1 - i)
    bool fastReversed = false;           // pixel j is column/row (count - 1 - j)

    // Where pixel j of scanline `line` goes: column *x, row *y.
    void Place(uint32_t line, uint32_t j, uint32_t* x, uint32_t* y) const {
        const uint32_t a = slowReversed ? scanlines - 1 - line : line;
        const uint32_t b = fastReversed ? length - 1 - j : j;
        *x = linesAreRows ? b : a;
        *y = linesAreRows ? a : b;
    }
};

bool ParseResolution(const std::string& line, Orientation* o) {
    char s1 = 0, a1 = 0, s2 = 0, a2 = 0, tail = 0;
    unsigned long n1 = 0, n2 = 0;
    const int fields = std::sscanf(line.c_str(), "%c%c %lu %c%c %lu%c", &s1, &a1, &n1, &s2, &a2, &n2, &tail);
    const auto sign = [](char c) { return c == '+' || c == '-'; };
    if (fields < 6 || (fields == 7 && tail != ' ') || !sign(s1) || !sign(s2) || n1 > 0xffffffffu || n2 > 0xffffffffu)
        return false;
    if (!((a1 == 'Y' && a2 == 'X') || (a1 == 'X' && a2 == 'Y'))) return false;
    o->scanlines = uint32_t(n1), o->length = uint32_t(n2);
    o->linesAreRows = a1 == 'Y';
    o->width = o->linesAreRows ? o->length : o->scanlines;
    o->height = o->linesAreRows ? o->scanlines : o->length;
    // Y grows upwards: "-Y" starts at the top; X grows to the right: "+X" starts at the left.
    o->slowReversed = o->linesAreRows ? s1 == '+' : s1 == '-';
    o->fastReversed = o->linesAreRows ? s2 == '-' : s2 == '+';
    return true;
}

}  // namespace

bool HdrAccepts(const uint8_t* data, size_t size) {
    for (const char* signature : {"#?RADIANCE\n", "#?RADIANCE\r\n", "#?RGBE\n", "#?RGBE\r\n"}) {
        const size_t n = std::strlen(signature);
        if (size >= n && std::memcmp(data, signature, n) == 0) return true;
    }
    return false;
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
    Orientation o;
    if (!ParseResolution(line, &o))
        return Fail(error, ("HDR resolution line \"" + line.substr(0, 40) + "\" is not supported").c_str());
    LevelWriter level;
    if (!level.Begin(o.width, o.height, true, 0, limits, error)) return false;
    const uint32_t w = o.length;  // pixels per scanline
    std::vector<uint8_t> scan(size_t(w) * 4);
    for (uint32_t y = 0; y < o.scanlines; ++y) {
        const bool rle =
            w >= 8 && w < 32768 && c.Has(4) && c.Here()[0] == 2 && c.Here()[1] == 2 && !(c.Here()[2] & 0x80);
        bool ok;
        if (rle) {
            ok = (uint32_t(c.Here()[2]) << 8 | c.Here()[3]) == w && c.Skip(4) && ReadRleLine(c, w, scan.data());
        } else {
            ok = ReadFlatLine(c, w, scan.data());
        }
        if (!ok) return Fail(error, "HDR pixel data is truncated or damaged");
        for (uint32_t j = 0; j < w; ++j) {
            float px[4];
            uint32_t x, row;
            ToFloat(&scan[size_t(j) * 4], px);
            o.Place(y, j, &x, &row);
            level.Put(x, row, px);
        }
    }
    out->format = D3DFMT_A32B32G32R32F;
    out->levels.clear();
    out->levels.push_back(level.Finish());
    return true;
}
