// PNG through libpng's classic interface, which shows the palette and its transparency (the
// texture format depends on them). Errors leave libpng by longjmp to the one setjmp in Run, whose
// frame holds no objects with destructors made after it. 16-bit images are kept as floats.
#include <png.h>

#include <csetjmp>
#include <cstring>
#include <memory>

#include "gfx/image_decoders.h"

namespace {

struct PngJob {
    const uint8_t* data = nullptr;
    size_t size = 0;
    size_t pos = 0;
    png_structp png = nullptr;
    png_infop info = nullptr;
    ImageLevel level;
    std::vector<uint8_t> wide;  // 16-bit rows before they become floats
    std::vector<png_bytep> rows;
    std::string message;
    D3DFORMAT format = D3DFMT_UNKNOWN;
    bool placed = false;  // level 0 went to the decode target
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
    if (!CheckImageSize(w, h, wide ? 24 : 4, limits, error)) return 2;
    job.format = FormatOf(job.png, job.info, colorType);
    size_t pitch = 0;
    uint8_t* placed = target && !wide ? target(w, h, job.format, &pitch) : nullptr;
    if (placed) {
        SetTextureLayout(job.png, colorType, job.format);
    } else {
        png_set_expand(job.png);
        png_set_gray_to_rgb(job.png);
        png_set_filler(job.png, wide ? 0xffff : 0xff, PNG_FILLER_AFTER);  // no-op when alpha is present
    }
    png_set_interlace_handling(job.png);
    png_read_update_info(job.png, job.info);
    const size_t rowBytes = size_t(w) * (placed ? (job.format == D3DFMT_L8 ? 1 : 4) : wide ? 8 : 4);
    if (png_get_rowbytes(job.png, job.info) != rowBytes) {
        *error = "PNG layout is not supported";
        return 2;
    }
    if (placed) {
        job.level.width = w, job.level.height = h;
    } else if (!AllocateLevel(&job.level, w, h, wide, limits, error)) {
        return 2;
    }
    if (wide) job.wide.resize(rowBytes * h);
    job.rows.resize(h);
    for (png_uint_32 y = 0; y < h; ++y)
        job.rows[y] = placed ? placed + y * pitch : wide ? &job.wide[y * rowBytes] : &job.level.rgba8[y * rowBytes];
    png_read_image(job.png, job.rows.data());
    png_read_end(job.png, nullptr);  // a file cut short after its pixels is still cut short
    job.placed = placed != nullptr;
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
    if (!job->wide.empty()) {
        const size_t n = size_t(job->level.width) * job->level.height * 4;
        for (size_t i = 0; i < n; ++i)
            job->level.rgbaF[i] = float(job->wide[i * 2] << 8 | job->wide[i * 2 + 1]) / 65535.0f;
    }
    out->format = job->format;
    out->placed = job->placed;
    out->levels.clear();
    out->levels.push_back(std::move(job->level));
    return true;
}
