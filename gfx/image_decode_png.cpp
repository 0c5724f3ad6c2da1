// PNG through libpng's classic interface, which shows the palette and its transparency (the
// texture format depends on them). Errors leave libpng by longjmp to the one setjmp in Run, whose
// frame holds no objects with destructors made after it. 16-bit images are kept as floats.
#include <png.h>

#include <csetjmp>
#include <cstring>
#include <memory>

#include "gfx/image_decoders.h"
#include "gfx/level_writer.h"

namespace {

struct PngJob {
    const uint8_t* data = nullptr;
    size_t size = 0;
    size_t pos = 0;
    png_structp png = nullptr;
    png_infop info = nullptr;
    LevelWriter level;
    std::vector<uint8_t> wide;  // 16-bit rows before they become floats; a reduced picture's one row
    std::vector<png_bytep> rows;
    std::string message;
    D3DFORMAT format = D3DFMT_UNKNOWN;
    bool placed = false;  // level 0 went to the decode target
    uint32_t width = 0, height = 0;
};

void OnRead(png_structp png, png_bytep out, size_t n) {
    auto* job = static_cast<PngJob*>(png_get_io_ptr(png));
    if (n > job->size - job->pos) png_error(png, "PNG data is truncated");
    std::memcpy(out, job->data + job->pos, n);
    job->pos += n;
}

[[noreturn]] void OnError(png_structp png, png_const_charp message) {
    auto* job = static_cast<PngJob*>(png_get_error_ptr(png));
    job->message = message;
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

// The texture format from the header, palette and transparency chunk.
D3DFORMAT FormatOf(png_structp png, png_infop info, int colorType) {
    const bool trns = png_get_valid(png, info, PNG_INFO_tRNS);
    switch (colorType) {
        case PNG_COLOR_TYPE_PALETTE: {
            png_colorp plte = nullptr;
            int count = 0;
            png_bytep alpha = nullptr;
            int alphaCount = 0;
            png_get_PLTE(png, info, &plte, &count);
            if (trns) png_get_tRNS(png, info, &alpha, &alphaCount, nullptr);
            uint8_t rgba[256 * 4];
            if (count > 256) count = 256;
            for (int i = 0; i < count; ++i) {
                rgba[i * 4] = plte[i].red, rgba[i * 4 + 1] = plte[i].green, rgba[i * 4 + 2] = plte[i].blue;
                rgba[i * 4 + 3] = i < alphaCount ? alpha[i] : 255;
            }
            return PaletteFormat(rgba, size_t(count));
        }
        case PNG_COLOR_TYPE_GRAY:
            return trns ? D3DFMT_A8R8G8B8 : D3DFMT_L8;
        case PNG_COLOR_TYPE_RGB:
            return trns ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
        default:
            return D3DFMT_A8R8G8B8;  // grey + alpha, RGBA
    }
}

// One pixel as libpng wrote it (R, G, B, A of 8 or big-endian 16 bits) into the level.
void PutPixel(LevelWriter& level, uint32_t x, uint32_t y, const uint8_t* p, bool wide) {
    if (!wide) {
        level.Put(x, y, p);
        return;
    }
    float f[4];
    for (int k = 0; k < 4; ++k) f[k] = float(p[k * 2] << 8 | p[k * 2 + 1]) / 65535.0f;
    level.Put(x, y, f);
}

// Transforms that make libpng write an 8-bit file's rows in the texture's layout: L8 bytes (grey,
// or the indices of a palette that is the grey ramp), or B, G, R, A with an opaque fourth byte where
// the file has no alpha.
void SetTextureLayout(png_structp png, int colorType, D3DFORMAT format) {
    if (format == D3DFMT_L8) {
        if (colorType == PNG_COLOR_TYPE_GRAY) png_set_expand_gray_1_2_4_to_8(png);
        return;  // a palette that is the grey ramp (8-bit): each index is its grey value
    }
    png_set_expand(png);
    png_set_gray_to_rgb(png);
    png_set_bgr(png);
    png_set_filler(png, 0xff, PNG_FILLER_AFTER);  // no-op when alpha is present
}

// 0 on success, 1 on a libpng error (job.message), 2 on a refusal (*error).
int Run(PngJob& job, const DecodeLimits& limits, const DecodeTarget& target, std::string* error) {
    if (setjmp(png_jmpbuf(job.png))) return 1;
    png_set_read_fn(job.png, &job, OnRead);
    png_read_info(job.png, job.info);
    png_uint_32 w = 0, h = 0;
    int depth = 0, colorType = 0;
    png_get_IHDR(job.png, job.info, &w, &h, &depth, &colorType, nullptr, nullptr, nullptr);
    const bool wide = depth == 16;
    // 16-bit rows are held as read (8 bytes a pixel) beside their floats.
    job.format = FormatOf(job.png, job.info, colorType);
    size_t pitch = 0;
    uint8_t* placed = nullptr;
    if (target && !wide && w <= limits.maxWidth && h <= limits.maxHeight) {  // 8-bit, at its own size
        if (!CheckImageSize(w, h, 4, limits, error)) return 2;
        placed = target(w, h, job.format, &pitch);
    }
    if (!placed && !job.level.Begin(w, h, wide, wide ? 8 : 0, limits, error)) return 2;
    const bool interlaced = png_get_interlace_type(job.png, job.info) != PNG_INTERLACE_NONE;
    if (placed) {
        SetTextureLayout(job.png, colorType, job.format);
    } else {
        png_set_expand(job.png);
        png_set_gray_to_rgb(job.png);
        png_set_filler(job.png, wide ? 0xffff : 0xff, PNG_FILLER_AFTER);  // no-op when alpha is present
    }
    // A reduced picture takes an interlaced file's passes as they come, each pixel where it goes.
    if (placed || !job.level.Reduced()) png_set_interlace_handling(job.png);
    png_read_update_info(job.png, job.info);
    const size_t rowBytes = size_t(w) * (placed ? (job.format == D3DFMT_L8 ? 1 : 4) : wide ? 8 : 4);
    if (png_get_rowbytes(job.png, job.info) != rowBytes) {
        *error = "PNG layout is not supported";
        return 2;
    }
    if (placed) {
        job.rows.resize(h);
        for (png_uint_32 y = 0; y < h; ++y) job.rows[y] = placed + y * pitch;
        png_read_image(job.png, job.rows.data());
    } else if (job.level.Reduced()) {
        job.wide.resize(rowBytes);
        for (int pass = 0; pass < (interlaced ? 7 : 1); ++pass) {
            const uint32_t cols = interlaced ? PNG_PASS_COLS(w, pass) : w;
            const uint32_t rows = interlaced ? PNG_PASS_ROWS(h, pass) : h;
            if (cols == 0 || rows == 0) continue;  // libpng skips empty passes too
            for (uint32_t r = 0; r < rows; ++r) {
                png_read_row(job.png, job.wide.data(), nullptr);
                const uint32_t y = interlaced ? PNG_PASS_START_ROW(pass) + (r << PNG_PASS_ROW_SHIFT(pass)) : r;
                for (uint32_t i = 0; i < cols; ++i) {
                    const uint32_t x = interlaced ? PNG_PASS_START_COL(pass) + (i << PNG_PASS_COL_SHIFT(pass)) : i;
                    PutPixel(job.level, x, y, &job.wide[size_t(i) * (wide ? 8 : 4)], wide);
                }
            }
        }
    } else {
        if (wide) job.wide.resize(rowBytes * h);
        job.rows.resize(h);
        for (png_uint_32 y = 0; y < h; ++y) job.rows[y] = wide ? &job.wide[y * rowBytes] : job.level.Row8(y);
        png_read_image(job.png, job.rows.data());
    }
    png_read_end(job.png, nullptr);  // a file cut short after its pixels is still cut short
    job.placed = placed != nullptr;
    job.width = w, job.height = h;
    return 0;
}

}  // namespace

bool PngAccepts(const uint8_t* data, size_t size) {
    return size >= 8 && png_sig_cmp(data, 0, 8) == 0;
}

bool PngDecode(const uint8_t* data, size_t size, const DecodeLimits& limits, DecodedImage* out, std::string* error) {
    return PngDecodeInto(data, size, limits, {}, out, error);
}

bool PngDecodeInto(const uint8_t* data, size_t size, const DecodeLimits& limits, const DecodeTarget& target,
                   DecodedImage* out, std::string* error) {
    auto job = std::make_unique<PngJob>();
    job->data = data;
    job->size = size;
    job->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, job.get(), OnError, OnWarning);
    if (!job->png) return Fail(error, "out of memory");
    job->info = png_create_info_struct(job->png);
    std::string reason;
    const int result = job->info ? Run(*job, limits, target, &reason) : 2;
    png_destroy_read_struct(&job->png, &job->info, nullptr);
    if (result == 1) return Fail(error, ("PNG data is damaged: " + job->message).c_str());
    if (result == 2) return Fail(error, reason.empty() ? "out of memory" : reason.c_str());
    if (!job->wide.empty() && !job->level.Reduced()) {  // the held 16-bit rows become floats
        const ImageLevel& l = job->level.Level();
        for (uint32_t y = 0; y < l.height; ++y)
            for (uint32_t x = 0; x < l.width; ++x)
                PutPixel(job->level, x, y, &job->wide[(size_t(y) * l.width + x) * 8], true);
    }
    out->format = job->format;
    out->placed = job->placed;
    out->levels.clear();
    if (job->placed) {
        out->levels.emplace_back();
        out->levels[0].width = job->width, out->levels[0].height = job->height;
    } else {
        out->levels.push_back(job->level.Finish());
    }
    return true;
}
