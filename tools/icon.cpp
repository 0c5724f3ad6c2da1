// icon: the program's icon, one frame of the show scaled down (area averaging) to fit a square.
#include <png.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "content/writers/image_writers.h"
#include "io/file_replace.h"
#include "tools/commands.h"
#include "tools/options.h"

namespace {

struct Tap {
    int index;     // source pixel
    double share;  // of the destination pixel's width it covers
};

// For each of dstLen destination pixels, the srcLen source pixels under it and their shares.
std::vector<std::vector<Tap>> BoxTaps(int srcLen, int dstLen) {
    const double step = double(srcLen) / double(dstLen);
    std::vector<std::vector<Tap>> taps(static_cast<size_t>(dstLen));
    for (int i = 0; i < dstLen; ++i) {
        const double a = i * step, b = (i + 1) * step;
        for (int j = int(std::floor(a)); j < std::min(srcLen, int(std::ceil(b))); ++j) {
            const double cover = std::min(b, j + 1.0) - std::max(a, double(j));
            if (cover > 0.0) taps[size_t(i)].push_back({j, cover / step});
        }
    }
    return taps;
}

bool ReadPng(const std::string& path, Image* out) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, path.c_str())) return false;
    png.format = PNG_FORMAT_RGBA;
    *out = Image(int(png.width), int(png.height));
    const bool ok = png_image_finish_read(&png, nullptr, out->rgba.data(), 0, nullptr) != 0;
    png_image_free(&png);
    return ok;
}

// The whole frame scaled to fit size x size, centred; the rows above and below are transparent.
Image FitIcon(const Image& frame, int size) {
    const bool wide = frame.width >= frame.height;
    const int w = wide ? size : std::max(1, int(std::lround(double(size) * frame.width / frame.height)));
    const int h = wide ? std::max(1, int(std::lround(double(size) * frame.height / frame.width))) : size;
    const int x0 = (size - w) / 2, y0 = (size - h) / 2;
    const std::vector<std::vector<Tap>> across = BoxTaps(frame.width, w), down = BoxTaps(frame.height, h);
    Image icon(size, size);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            double sum[4] = {0, 0, 0, 0};
            for (const Tap& ty : down[size_t(y)])
                for (const Tap& tx : across[size_t(x)]) {
                    const uint8_t* p = frame.At(tx.index, ty.index);
                    for (int c = 0; c < 4; ++c) sum[c] += ty.share * tx.share * p[c];
                }
            uint8_t* q = icon.At(x0 + x, y0 + y);
            for (int c = 0; c < 4; ++c) q[c] = uint8_t(std::clamp(std::lround(sum[c]), 0L, 255L));
        }
    }
    return icon;
}

}  // namespace

int CmdIcon(int argc, char** argv) {
    const CommandSpec spec{"icon",
                           "usage: virelle-tools icon --time T --size N --out F.png   (T >= 0, 16 <= N <= 480)",
                           {{"--time", true}, {"--size", true}, {"--out", true}}};
    ParsedOptions options;
    std::string problem;
    float t = -1.0f;
    int n = 0;
    if (!ParseOptions(spec, argc, argv, &options, &problem) || !options.Number("--time", &t, &problem) ||
        !options.Integer("--size", &n, &problem))
        return RefuseOptions(spec, problem);
    const char* out = options.Value("--out");
    if (!out || !*out || !(t >= 0.0f) || n < 16 || n > 480) return RefuseOptions(spec, "");
    // The frame is drawn into a hidden file beside the output first (drawing enters the content
    // folder, so the names are made absolute now), read back and removed; the icon then replaces
    // the output whole, so a failure at any step leaves an earlier icon as it was.
    std::error_code ec;
    const std::string path = std::filesystem::absolute(out, ec).string();
    if (ec) {
        std::fprintf(stderr, "virelle-tools icon: bad output name %s\n", out);
        return 1;
    }
    struct RemovedAtEnd {
        std::string path;
        ~RemovedAtEnd() { unlink(path.c_str()); }
    } frameFile{TemporaryPathFor(path, long(getpid())) + ".frame.png"};
    if (const int status = FrameShow(t, 60.0f, frameFile.path.c_str())) return status;
    Image frame;
    if (!ReadPng(frameFile.path, &frame)) {
        std::fprintf(stderr, "virelle-tools icon: cannot read back %s\n", frameFile.path.c_str());
        return 1;
    }
    std::string why;
    if (WritePng(path, FitIcon(frame, n), true, &why)) return 0;
    std::fprintf(stderr, "virelle-tools icon: cannot write %s: %s\n", path.c_str(), why.c_str());
    return 1;
}
