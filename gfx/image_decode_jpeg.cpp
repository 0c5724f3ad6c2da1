// JPEG through libjpeg (6b interface). Errors leave the library by longjmp to the one setjmp in
// Decode, whose frame holds no objects with destructors made after it; a file that ends early
// (libjpeg would pad it with grey) is refused like any other damage.
// jpeglib.h needs FILE and size_t declared first, and jerror.h needs jpeglib.h.
// clang-format off
#include <algorithm>
#include <bit>
#include <csetjmp>
#include <cstdio>
#include <memory>

#include <jpeglib.h>
#include <jerror.h>
// clang-format on

#include "gfx/image_decoders.h"

namespace {

struct ErrorManager {
    jpeg_error_mgr pub;  // first: libjpeg sees a jpeg_error_mgr*
    jmp_buf jump;
    bool truncated = false;
    int maxScans = 0;  // for this image, from its size
    char message[JMSG_LENGTH_MAX] = {};
};

[[noreturn]] void OnError(j_common_ptr info) {
    auto* err = reinterpret_cast<ErrorManager*>(info->err);
    (*info->err->format_message)(info, err->message);
    std::longjmp(err->jump, 1);
}

void OnMessage(j_common_ptr info, int level) {
    auto* err = reinterpret_cast<ErrorManager*>(info->err);
    if (level < 0 && info->err->msg_code == JWRN_JPEG_EOF) err->truncated = true;
}

// A progressive file may hold any number of scans, each a pass over the whole image however few
// bytes it takes (one end-of-band run covers every block); a hostile one uses that to stall the
// load. The scans allowed are bounded so that all of them together visit at most kScanPixels
// pixels: work in proportion to the image's size. Real files have about ten.
constexpr int kMaxScans = 500;
constexpr uint64_t kScanPixels = uint64_t(1) << 26;

int ScansAllowed(uint32_t width, uint32_t height) {
    const uint64_t pixels = std::max<uint64_t>(uint64_t(width) * height, 1);
    return int(std::clamp<uint64_t>(kScanPixels / pixels, 16, kMaxScans));
}

// The libjpeg scale (1/1 to 1/8) that decodes straight to the smallest size still at least the
// texture's, so an image larger than the largest texture costs no more than it.
unsigned ScaleDenominator(uint32_t width, uint32_t height, const DecodeLimits& limits) {
    const auto target = [](uint32_t v, uint32_t most) {
        return std::min<uint64_t>(std::bit_ceil(uint64_t(std::max(v, 1u))), std::bit_floor(std::max(most, 1u)));
    };
    const uint64_t tw = target(width, limits.maxWidth), th = target(height, limits.maxHeight);
    unsigned denominator = 1;
    while (denominator < 8 && (uint64_t(width) + denominator * 2 - 1) / (denominator * 2) >= tw &&
           (uint64_t(height) + denominator * 2 - 1) / (denominator * 2) >= th)
        denominator *= 2;
    return denominator;
}

void OnProgress(j_common_ptr info) {
    auto* d = reinterpret_cast<j_decompress_ptr>(info);
    auto* limit = reinterpret_cast<ErrorManager*>(info->err);
    if (d->input_scan_number > limit->maxScans) {
        auto* err = reinterpret_cast<ErrorManager*>(info->err);
        std::snprintf(err->message, sizeof(err->message), "too many scans");
        std::longjmp(err->jump, 1);
    }
}

// Everything the decode fills, kept outside the setjmp frame.
struct JpegJob {
    jpeg_decompress_struct info;
    ErrorManager err;
    ImageLevel level;
    std::vector<uint8_t> row;
    jpeg_progress_mgr progress{};
    D3DFORMAT format = D3DFMT_UNKNOWN;
    bool placed = false;  // level 0 went to the decode target
};

// One row as libjpeg gave it to R, G, B, A, or with `bgr` to B, G, R, X (the texture's layout).
void ToRgba(const JpegJob& job, const uint8_t* src, uint8_t* dst, uint32_t width, bool bgr) {
    const int n = job.info.output_components;
    const int r = bgr ? 2 : 0, b = bgr ? 0 : 2;
    for (uint32_t x = 0; x < width; ++x, src += n, dst += 4) {
        if (n == 1) {
            dst[0] = dst[1] = dst[2] = src[0];
        } else if (n == 3) {
            dst[r] = src[0], dst[1] = src[1], dst[b] = src[2];
        } else {  // CMYK as Adobe writes it: stored inverted
            const uint32_t k = src[3];
            dst[r] = uint8_t(src[0] * k / 255), dst[1] = uint8_t(src[1] * k / 255), dst[b] = uint8_t(src[2] * k / 255);
        }
        dst[3] = 255;
    }
}

// Returns 0 on success, 1 on a libjpeg error, 2 on a refusal with *error set.
int Run(JpegJob& job, const uint8_t* data, size_t size, const DecodeLimits& limits, const DecodeTarget& target,
        std::string* error) {
    jpeg_decompress_struct& info = job.info;
    if (setjmp(job.err.jump)) return 1;
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
    job.progress.progress_monitor = OnProgress;
    info.progress = &job.progress;
    jpeg_read_header(&info, TRUE);
    job.err.maxScans = ScansAllowed(info.image_width, info.image_height);
    const bool grey = info.jpeg_color_space == JCS_GRAYSCALE;
    const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    job.format = grey ? D3DFMT_L8 : D3DFMT_X8R8G8B8;
    info.out_color_space = grey ? JCS_GRAYSCALE : cmyk ? JCS_CMYK : JCS_RGB;
    info.scale_num = 1;
    info.scale_denom = ScaleDenominator(info.image_width, info.image_height, limits);
    jpeg_calc_output_dimensions(&info);
    if (!CheckImageSize(info.output_width, info.output_height, 4, limits, error)) return 2;
    const uint32_t width = info.output_width, height = info.output_height;
    size_t pitch = 0;
    uint8_t* placed = target ? target(width, height, job.format, &pitch) : nullptr;
    // Rows libjpeg writes where they go: grey as L8, and colour as B, G, R, X where the library
    // has that layout (libjpeg-turbo); otherwise a row at a time through ToRgba.
    bool direct = placed && grey;
#ifdef JCS_EXTENSIONS
    if (placed && !grey && !cmyk) info.out_color_space = JCS_EXT_BGRX, direct = true;
#endif
    // A progressive image keeps all its coefficients at full size however it is scaled; libjpeg
    // fails the decode rather than pass this.
    info.mem->max_memory_to_use = long(DecodeBytesAllowed(TextureBytesFor(width, height, false, limits), limits));
    jpeg_start_decompress(&info);
    if (placed) {
        job.level.width = width, job.level.height = height;
    } else if (!AllocateLevel(&job.level, width, height, false, limits, error)) {
        return 2;
    }
    if (!direct) job.row.resize(size_t(width) * info.output_components);
    while (info.output_scanline < height) {
        const uint32_t y = info.output_scanline;
        uint8_t* out = placed ? placed + y * pitch : &job.level.rgba8[size_t(y) * width * 4];
        JSAMPROW rows[1] = {direct ? out : job.row.data()};
        if (jpeg_read_scanlines(&info, rows, 1) != 1) break;
        if (!direct) ToRgba(job, job.row.data(), out, width, placed != nullptr);
        if (job.err.truncated) break;
    }
    if (job.err.truncated || info.output_scanline < height) {
        *error = "JPEG data is truncated";
        return 2;
    }
    jpeg_finish_decompress(&info);
    if (job.err.truncated) {
        *error = "JPEG data is truncated";
        return 2;
    }
    job.placed = placed != nullptr;
    return 0;
}

}  // namespace

bool JpegAccepts(const uint8_t* data, size_t size) {
    return size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF;
}

bool JpegDecode(const uint8_t* data, size_t size, const DecodeLimits& limits, DecodedImage* out, std::string* error) {
    return JpegDecodeInto(data, size, limits, {}, out, error);
}

bool JpegDecodeInto(const uint8_t* data, size_t size, const DecodeLimits& limits, const DecodeTarget& target,
                    DecodedImage* out, std::string* error) {
    auto job = std::make_unique<JpegJob>();
    job->info.err = jpeg_std_error(&job->err.pub);
    job->err.pub.error_exit = OnError;
    job->err.pub.emit_message = OnMessage;
    std::string reason;
    const int result = Run(*job, data, size, limits, target, &reason);
    jpeg_destroy_decompress(&job->info);
    if (result == 1) return Fail(error, (std::string("JPEG data is damaged: ") + job->err.message).c_str());
    if (result == 2) return Fail(error, reason.c_str());
    out->format = job->format;
    out->placed = job->placed;
    out->levels.clear();
    out->levels.push_back(std::move(job->level));
    return true;
}
