#include "tests/gfx/test_images.h"

// jpeglib.h needs FILE and size_t declared first.
// clang-format off
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>
#include <png.h>
#include <zlib.h>
// clang-format on

Bytes PatternRgba(uint32_t w, uint32_t h) {
    Bytes p(size_t(w) * h * 4);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            uint8_t* q = &p[(size_t(y) * w + x) * 4];
            q[0] = uint8_t(x * 255 / (w > 1 ? w - 1 : 1));
            q[1] = uint8_t(y * 255 / (h > 1 ? h - 1 : 1));
            q[2] = uint8_t((x * 37 + y * 91) & 255);
            q[3] = uint8_t(255 - ((x + y) * 16 & 127));
        }
    return p;
}

void Put16(Bytes& b, uint32_t v) {
    b.push_back(uint8_t(v)), b.push_back(uint8_t(v >> 8));
}
void Put32(Bytes& b, uint32_t v) {
    Put16(b, v & 0xffff), Put16(b, v >> 16);
}

namespace {

Bytes BmpFrame(uint32_t w, int32_t h, int bpp, uint32_t compression, uint32_t infoSize, uint32_t paletteCount,
               bool fileHeader, size_t pixelBytes) {
    Bytes b;
    const uint32_t offset = (fileHeader ? 14 : 0) + infoSize + paletteCount * 4;
    if (fileHeader) {
        b.push_back('B'), b.push_back('M');
        Put32(b, uint32_t(offset + pixelBytes)), Put32(b, 0), Put32(b, offset);
    }
    Put32(b, infoSize), Put32(b, w), Put32(b, uint32_t(h)), Put16(b, 1), Put16(b, uint32_t(bpp));
    Put32(b, compression), Put32(b, uint32_t(pixelBytes)), Put32(b, 2835), Put32(b, 2835);
    Put32(b, paletteCount), Put32(b, 0);
    if (infoSize == 124) {
        Put32(b, 0x00ff0000), Put32(b, 0x0000ff00), Put32(b, 0x000000ff), Put32(b, 0xff000000);
        while (b.size() < (fileHeader ? 14u : 0u) + 124) b.push_back(0);
    }
    return b;
}

}  // namespace

Bytes MakeBmp(uint32_t w, uint32_t h, const Bytes& rgba, int bpp, bool topDown, bool fileHeader) {
    const size_t stride = ((w * bpp + 31) / 32) * 4;
    Bytes b = BmpFrame(w, topDown ? -int32_t(h) : int32_t(h), bpp, bpp == 32 ? 3 : 0, bpp == 32 ? 124 : 40, 0,
                       fileHeader, stride * h);
    for (uint32_t row = 0; row < h; ++row) {
        const uint32_t y = topDown ? row : h - 1 - row;
        size_t start = b.size();
        for (uint32_t x = 0; x < w; ++x) {
            const uint8_t* p = &rgba[(size_t(y) * w + x) * 4];
            b.push_back(p[2]), b.push_back(p[1]), b.push_back(p[0]);
            if (bpp == 32) b.push_back(p[3]);
        }
        while (b.size() - start < stride) b.push_back(0);
    }
    return b;
}

Bytes MakeBmpPalette(uint32_t w, uint32_t h, const Bytes& indices, const Bytes& paletteRgba) {
    const size_t stride = ((w * 8 + 31) / 32) * 4;
    const uint32_t count = uint32_t(paletteRgba.size() / 4);
    Bytes b = BmpFrame(w, int32_t(h), 8, 0, 40, count, true, stride * h);
    for (uint32_t i = 0; i < count; ++i)
        b.push_back(paletteRgba[i * 4 + 2]), b.push_back(paletteRgba[i * 4 + 1]), b.push_back(paletteRgba[i * 4]),
            b.push_back(0);
    for (uint32_t row = 0; row < h; ++row) {
        const size_t start = b.size();
        for (uint32_t x = 0; x < w; ++x) b.push_back(indices[size_t(h - 1 - row) * w + x]);
        while (b.size() - start < stride) b.push_back(0);
    }
    return b;
}

Bytes MakeBmpRle8(uint32_t w, uint32_t h, const Bytes& stream, const Bytes& paletteRgba) {
    Bytes b = MakeBmpPalette(w, h, Bytes(size_t(w) * h, 0), paletteRgba);
    const size_t offset = b[10] | b[11] << 8;
    b.resize(offset);
    b[30] = 1;  // BI_RLE8
    b.insert(b.end(), stream.begin(), stream.end());
    return b;
}

void SetPngSize(Bytes& png, uint32_t w, uint32_t h) {
    for (int i = 0; i < 4; ++i) png[16 + i] = uint8_t(w >> (24 - 8 * i)), png[20 + i] = uint8_t(h >> (24 - 8 * i));
    const uint32_t crc = uint32_t(crc32(0, &png[12], 17));
    for (int i = 0; i < 4; ++i) png[29 + i] = uint8_t(crc >> (24 - 8 * i));
}

Bytes MakePpm(uint32_t w, uint32_t h, const Bytes& rgba, char kind, uint32_t maxValue) {
    char head[64];
    std::snprintf(head, sizeof(head), "P%c\n# test\n%u %u\n%u\n", kind, w, h, maxValue);
    Bytes b(head, head + std::strlen(head));
    const int channels = kind == '5' || kind == '2' ? 1 : 3;
    for (size_t i = 0; i < size_t(w) * h; ++i)
        for (int k = 0; k < channels; ++k) {
            const uint32_t v = uint32_t(rgba[i * 4 + k]) * maxValue / 255;
            if (kind == '3' || kind == '2') {
                const std::string s = std::to_string(v) + (k + 1 == channels ? "\n" : " ");
                b.insert(b.end(), s.begin(), s.end());
            } else if (maxValue > 255) {
                b.push_back(uint8_t(v >> 8)), b.push_back(uint8_t(v));
            } else {
                b.push_back(uint8_t(v));
            }
        }
    return b;
}

Bytes MakePfm(uint32_t w, uint32_t h, const std::vector<float>& rgb, bool littleEndian, bool grey) {
    char head[64];
    std::snprintf(head, sizeof(head), "%s\n%u %u\n%s\n", grey ? "Pf" : "PF", w, h, littleEndian ? "-1.0" : "1.0");
    Bytes b(head, head + std::strlen(head));
    for (uint32_t row = 0; row < h; ++row) {
        const uint32_t y = h - 1 - row;  // bottom row first
        for (uint32_t x = 0; x < w; ++x)
            for (int k = 0; k < (grey ? 1 : 3); ++k) {
                uint32_t u;
                std::memcpy(&u, &rgb[(size_t(y) * w + x) * 3 + k], 4);
                for (int i = 0; i < 4; ++i) b.push_back(uint8_t(u >> (littleEndian ? 8 * i : 24 - 8 * i)));
            }
    }
    return b;
}

Bytes MakeHdr(uint32_t w, uint32_t h, const Bytes& rgbe, bool rle) {
    char head[128];
    std::snprintf(head, sizeof(head), "#?RADIANCE\nFORMAT=32-bit_rle_rgbe\nEXPOSURE=1.0\n\n-Y %u +X %u\n", h, w);
    Bytes b(head, head + std::strlen(head));
    for (uint32_t y = 0; y < h; ++y) {
        const uint8_t* row = &rgbe[size_t(y) * w * 4];
        if (!rle) {
            b.insert(b.end(), row, row + size_t(w) * 4);
            continue;
        }
        b.push_back(2), b.push_back(2), b.push_back(uint8_t(w >> 8)), b.push_back(uint8_t(w));
        for (int k = 0; k < 4; ++k) {  // runs where values repeat, literal spans elsewhere
            uint32_t x = 0;
            while (x < w) {
                uint32_t run = 1;
                while (x + run < w && run < 127 && row[(x + run) * 4 + k] == row[x * 4 + k]) ++run;
                if (run >= 3) {
                    b.push_back(uint8_t(128 + run)), b.push_back(row[x * 4 + k]);
                    x += run;
                } else {
                    const uint32_t n = std::min<uint32_t>(w - x, 2);
                    b.push_back(uint8_t(n));
                    for (uint32_t i = 0; i < n; ++i) b.push_back(row[(x + i) * 4 + k]);
                    x += n;
                }
            }
        }
    }
    return b;
}

Bytes MakeTga(uint32_t w, uint32_t h, const Bytes& rgba, int bits, bool rle, bool topDown) {
    Bytes b = {0, 0, uint8_t(rle ? 10 : 2), 0, 0, 0, 0, 0, 0, 0, 0, 0};
    Put16(b, w), Put16(b, h), b.push_back(uint8_t(bits)),
        b.push_back(uint8_t((bits == 32 ? 8 : 0) | (topDown ? 0x20 : 0)));
    const size_t bpp = bits / 8;
    std::vector<Bytes> pixels;
    for (uint32_t row = 0; row < h; ++row) {
        const uint32_t y = topDown ? row : h - 1 - row;
        for (uint32_t x = 0; x < w; ++x) {
            const uint8_t* p = &rgba[(size_t(y) * w + x) * 4];
            Bytes px = {p[2], p[1], p[0]};
            if (bpp == 4) px.push_back(p[3]);
            pixels.push_back(px);
        }
    }
    for (size_t i = 0; i < pixels.size();) {
        if (!rle) {
            b.insert(b.end(), pixels[i].begin(), pixels[i].end()), ++i;
            continue;
        }
        size_t run = 1;
        while (i + run < pixels.size() && run < 128 && pixels[i + run] == pixels[i]) ++run;
        if (run > 1) {
            b.push_back(uint8_t(0x80 | (run - 1)));
            b.insert(b.end(), pixels[i].begin(), pixels[i].end());
        } else {
            b.push_back(0);
            b.insert(b.end(), pixels[i].begin(), pixels[i].end());
        }
        i += run;
    }
    return b;
}

Bytes MakeTgaMapped(uint32_t w, uint32_t h, const Bytes& indices, const Bytes& paletteRgba, bool alpha) {
    const uint32_t count = uint32_t(paletteRgba.size() / 4);
    Bytes b = {0, 1, 1, 0, 0};
    Put16(b, count), b.push_back(alpha ? 32 : 24), Put16(b, 0), Put16(b, 0), Put16(b, w), Put16(b, h);
    b.push_back(8), b.push_back(uint8_t(0x20 | (alpha ? 8 : 0)));
    for (uint32_t i = 0; i < count; ++i) {
        b.push_back(paletteRgba[i * 4 + 2]), b.push_back(paletteRgba[i * 4 + 1]), b.push_back(paletteRgba[i * 4]);
        if (alpha) b.push_back(paletteRgba[i * 4 + 3]);
    }
    b.insert(b.end(), indices.begin(), indices.end());
    return b;
}

Bytes DdsHeader(uint32_t w, uint32_t h, uint32_t levels, uint32_t pfFlags, uint32_t fourCC, uint32_t bits, uint32_t r,
                uint32_t g, uint32_t bl, uint32_t a) {
    Bytes b = {'D', 'D', 'S', ' '};
    Put32(b, 124), Put32(b, 0x1 | 0x2 | 0x4 | 0x1000 | (levels > 1 ? 0x20000 : 0)), Put32(b, h), Put32(b, w);
    Put32(b, 0), Put32(b, 0), Put32(b, levels);
    for (int i = 0; i < 11; ++i) Put32(b, 0);
    Put32(b, 32), Put32(b, pfFlags), Put32(b, fourCC), Put32(b, bits), Put32(b, r), Put32(b, g), Put32(b, bl),
        Put32(b, a);
    Put32(b, 0x1000 | (levels > 1 ? 0x400008 : 0)), Put32(b, 0), Put32(b, 0), Put32(b, 0), Put32(b, 0);
    return b;
}

Bytes MakePng(uint32_t w, uint32_t h, const Bytes& rgba, int colorType, int depth, const Bytes& paletteRgba,
              const Bytes& indices, bool interlaced) {
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(
        png, &out,
        [](png_structp p, png_bytep data, size_t n) {
            auto* o = static_cast<Bytes*>(png_get_io_ptr(p));
            o->insert(o->end(), data, data + n);
        },
        nullptr);
    png_set_IHDR(png, info, w, h, depth, colorType, interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (colorType == PNG_COLOR_TYPE_PALETTE) {
        std::vector<png_color> plte;
        Bytes trns;
        bool anyAlpha = false;
        for (size_t i = 0; i < paletteRgba.size() / 4; ++i) {
            plte.push_back({paletteRgba[i * 4], paletteRgba[i * 4 + 1], paletteRgba[i * 4 + 2]});
            trns.push_back(paletteRgba[i * 4 + 3]);
            anyAlpha |= paletteRgba[i * 4 + 3] < 255;
        }
        png_set_PLTE(png, info, plte.data(), int(plte.size()));
        if (anyAlpha) png_set_tRNS(png, info, trns.data(), int(trns.size()), nullptr);
    }
    png_write_info(png, info);
    const int channels = colorType == 0 ? 1 : colorType == 2 ? 3 : colorType == 3 ? 1 : colorType == 4 ? 2 : 4;
    const int bytes = depth / 8;
    const size_t rowBytes = size_t(w) * channels * bytes;
    Bytes image(rowBytes * h);
    std::vector<png_bytep> rows(h);
    for (uint32_t y = 0; y < h; ++y) {
        uint8_t* row = &image[rowBytes * y];
        rows[y] = row;
        for (uint32_t x = 0; x < w; ++x) {
            const size_t at = size_t(y) * w + x;  // a palette picture comes with no rgba at all
            for (int k = 0; k < channels; ++k) {
                uint8_t v = colorType == 3   ? indices[at]
                            : colorType == 4 ? rgba[at * 4 + (k == 0 ? 0 : 3)]
                                             : rgba[at * 4 + size_t(k)];
                for (int i = 0; i < bytes; ++i) row[(size_t(x) * channels + k) * bytes + i] = v;  // 16-bit: v * 257
            }
        }
    }
    png_write_image(png, rows.data());  // every pass of an interlaced file
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

Bytes MakeJpeg(uint32_t w, uint32_t h, const Bytes& rgba, bool grey, bool progressive, int quality) {
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* mem = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &mem, &size);
    c.image_width = w, c.image_height = h;
    c.input_components = grey ? 1 : 3;
    c.in_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, quality, TRUE);
    if (progressive) jpeg_simple_progression(&c);
    jpeg_start_compress(&c, TRUE);
    Bytes row(size_t(w) * 3);
    while (c.next_scanline < h) {
        for (uint32_t x = 0; x < w; ++x)
            for (int k = 0; k < (grey ? 1 : 3); ++k)
                row[x * (grey ? 1 : 3) + k] = rgba[(size_t(c.next_scanline) * w + x) * 4 + k];
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    Bytes out(mem, mem + size);
    free(mem);
    return out;
}

Bytes GreyRamp() {
    Bytes p;
    for (int i = 0; i < 256; ++i) p.insert(p.end(), {uint8_t(i), uint8_t(i), uint8_t(i), 255});
    return p;
}
