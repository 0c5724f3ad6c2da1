// PNG and JPEG through their libraries; TGA, BMP and DDS written field by field.
#include "content/writers/image_writers.h"

#include <jpeglib.h>
#include <png.h>

#include <csetjmp>
#include <cstdlib>
#include <vector>

#include "content/writers/byte_writer.h"
#include "io/file_replace.h"

bool WriteWholeFile(const std::string& path, const std::vector<uint8_t>& bytes, std::string* why) {
    return ReplaceFile(path, bytes.data(), bytes.size(), why);
}

namespace {

void PngToVector(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void PngFlush(png_structp) {}

// libpng reports errors by longjmp, so this frame holds no C++ objects.
__attribute__((noinline)) bool RunPng(const Image& image, bool withAlpha, bool fast, png_bytep* rowPointers,
                                      std::vector<uint8_t>* out) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, out, PngToVector, PngFlush);
    if (fast) {  // frames by the thousand: a quick filter and zlib's fastest level, a third larger
        png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
        png_set_compression_level(png, 1);
    }
    png_set_IHDR(png, info, png_uint_32(image.width), png_uint_32(image.height), 8,
                 withAlpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_image(png, rowPointers);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

bool EncodePng(const Image& image, bool withAlpha, bool fast, std::vector<uint8_t>& out) {
    std::vector<uint8_t> rows(size_t(image.width) * size_t(image.height) * (withAlpha ? 4 : 3));
    const size_t channels = withAlpha ? 4 : 3;
    for (size_t i = 0, n = size_t(image.width) * size_t(image.height); i < n; ++i)
        for (size_t c = 0; c < channels; ++c) rows[i * channels + c] = image.rgba[i * 4 + c];
    std::vector<png_bytep> rowPointers(size_t(image.height));
    for (int y = 0; y < image.height; ++y)
        rowPointers[size_t(y)] = rows.data() + size_t(y) * size_t(image.width) * channels;

    return RunPng(image, withAlpha, fast, rowPointers.data(), &out);
}

}  // namespace

bool WritePng(const std::string& path, const Image& image, bool withAlpha, std::string* why, bool fast) {
    std::vector<uint8_t> bytes;
    if (!EncodePng(image, withAlpha, fast, bytes)) {
        *why = "PNG encoding failed";
        return false;
    }
    return WriteWholeFile(path, bytes, why);
}

bool WriteJpeg(const std::string& path, const Image& image, int quality, std::string* why) {
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = JDIMENSION(image.width);
    info.image_height = JDIMENSION(image.height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    info.dct_method = JDCT_ISLOW;  // exact integer transform: the same bytes on every machine
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    std::vector<uint8_t> row(size_t(image.width) * 3);
    while (info.next_scanline < info.image_height) {
        const int y = int(info.next_scanline);
        for (int x = 0; x < image.width; ++x)
            for (int c = 0; c < 3; ++c) row[size_t(x) * 3 + size_t(c)] = image.At(x, y)[c];
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    std::vector<uint8_t> bytes(buffer, buffer + size);
    jpeg_destroy_compress(&info);
    std::free(buffer);
    return WriteWholeFile(path, bytes, why);
}

bool WriteTga(const std::string& path, const Image& image, std::string* why) {
    ByteWriter out;
    out.U8(0);                              // no image id
    out.U8(0);                              // no colour map
    out.U8(2);                              // uncompressed true colour
    for (int i = 0; i < 5; ++i) out.U8(0);  // colour map spec
    out.U16(0);                             // x origin
    out.U16(0);                             // y origin
    out.U16(uint16_t(image.width));
    out.U16(uint16_t(image.height));
    out.U8(32);
    out.U8(0x08);  // 8 alpha bits, rows from the bottom up
    for (int y = image.height - 1; y >= 0; --y)
        for (int x = 0; x < image.width; ++x) {
            const uint8_t* p = image.At(x, y);
            const uint8_t bgra[4] = {p[2], p[1], p[0], p[3]};
            out.Bytes(bgra, 4);
        }
    return WriteWholeFile(path, out.bytes, why);
}

bool WriteBmp(const std::string& path, const Image& image, std::string* why) {
    const uint32_t rowBytes = (uint32_t(image.width) * 3 + 3) & ~3u;
    const uint32_t pixelBytes = rowBytes * uint32_t(image.height);
    ByteWriter out;
    out.U8('B');
    out.U8('M');
    out.U32(14 + 40 + pixelBytes);
    out.U32(0);
    out.U32(14 + 40);  // pixel data offset
    out.U32(40);       // BITMAPINFOHEADER
    out.I32(image.width);
    out.I32(image.height);  // positive: bottom-up
    out.U16(1);
    out.U16(24);
    out.U32(0);  // BI_RGB
    out.U32(pixelBytes);
    out.I32(2835);  // 72 dpi
    out.I32(2835);
    out.U32(0);
    out.U32(0);
    for (int y = image.height - 1; y >= 0; --y) {
        for (int x = 0; x < image.width; ++x) {
            const uint8_t* p = image.At(x, y);
            const uint8_t bgr[3] = {p[2], p[1], p[0]};
            out.Bytes(bgr, 3);
        }
        for (uint32_t pad = uint32_t(image.width) * 3; pad < rowBytes; ++pad) out.U8(0);
    }
    return WriteWholeFile(path, out.bytes, why);
}

bool WriteDds(const std::string& path, const Image& image, std::string* why) {
    std::vector<Image> levels{image};
    while (levels.back().width > 1 || levels.back().height > 1) levels.push_back(HalfSize(levels.back()));
    ByteWriter out;
    out.U32(0x20534444);  // "DDS "
    out.U32(124);
    out.U32(0x1 | 0x2 | 0x4 | 0x8 | 0x1000 | 0x20000);  // caps, height, width, pitch, pixel format, mip count
    out.U32(uint32_t(image.height));
    out.U32(uint32_t(image.width));
    out.U32(uint32_t(image.width) * 4);  // pitch
    out.U32(0);                          // depth
    out.U32(uint32_t(levels.size()));
    for (int i = 0; i < 11; ++i) out.U32(0);
    out.U32(32);                             // pixel format size
    out.U32(0x1 | 0x40);                     // alpha pixels, RGB
    out.U32(0);                              // no FourCC
    out.U32(32);                             // bits per pixel
    out.U32(0x00FF0000);                     // red
    out.U32(0x0000FF00);                     // green
    out.U32(0x000000FF);                     // blue
    out.U32(0xFF000000);                     // alpha
    out.U32(0x1000 | 0x8 | 0x400000);        // texture, complex, mipmap
    for (int i = 0; i < 4; ++i) out.U32(0);  // caps2..4, reserved
    for (const Image& level : levels)
        for (int y = 0; y < level.height; ++y)
            for (int x = 0; x < level.width; ++x) {
                const uint8_t* p = level.At(x, y);
                const uint8_t bgra[4] = {p[2], p[1], p[0], p[3]};
                out.Bytes(bgra, 4);
            }
    return WriteWholeFile(path, out.bytes, why);
}
