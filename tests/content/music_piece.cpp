#include "tests/content/music_piece.h"

#include <mpg123.h>

#include <chrono>
#include <cmath>
#include <string>

#include "content/music/mp3_encoder.h"
#include "content/music/sequencer.h"
#include "tests/common/headless.h"

namespace {

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

const MusicPiece& Piece() {
    static const MusicPiece piece = [] {
        MusicPiece p;
        auto start = std::chrono::steady_clock::now();
        p.master = sequencer::RenderPiece();
        p.renderSeconds = SecondsSince(start);
        start = std::chrono::steady_clock::now();
        std::string error;
        if (!EncodeMp3(p.master, 192, p.mp3, error)) p.mp3.clear();
        p.encodeSeconds = SecondsSince(start);
        if (!p.mp3.empty()) DecodeMp3(p.mp3, p.decoded, p.reportedFrames);
        return p;
    }();
    return piece;
}

bool DecodeMp3(const std::vector<unsigned char>& mp3, std::vector<float>& interleaved, long long& reportedFrames) {
    interleaved.clear();
    ScratchDir dir;
    const std::string path = dir.File("music.mp3");
    if (!WriteFileBytes(path, mp3)) return false;
    mpg123_handle* h = mpg123_new(nullptr, nullptr);
    if (!h) return false;
    bool ok = mpg123_param(h, MPG123_FLAGS, MPG123_GAPLESS | MPG123_QUIET, 0) == MPG123_OK &&
              mpg123_format_none(h) == MPG123_OK &&
              mpg123_format(h, 44100, MPG123_STEREO, MPG123_ENC_FLOAT_32) == MPG123_OK &&
              mpg123_open(h, path.c_str()) == MPG123_OK;
    if (ok) {
        reportedFrames = static_cast<long long>(mpg123_length(h));
        std::vector<unsigned char> buffer(1 << 16);
        for (;;) {
            size_t done = 0;
            const int r = mpg123_read(h, buffer.data(), buffer.size(), &done);
            const float* samples = reinterpret_cast<const float*>(buffer.data());
            interleaved.insert(interleaved.end(), samples, samples + done / sizeof(float));
            if (r == MPG123_NEW_FORMAT || (r == MPG123_OK && done > 0)) continue;
            ok = r == MPG123_DONE;
            break;
        }
        mpg123_close(h);
    }
    mpg123_delete(h);
    return ok;
}

void LowBands(const std::vector<float>& interleaved, size_t at, float& s0, float& s1) {
    constexpr int kSize = 512;
    const size_t frames = interleaved.size() / 2;
    double re0 = 0.0, re1 = 0.0, im1 = 0.0, windowSum = 0.0;
    for (int n = 0; n < kSize; ++n) {
        const size_t i = at + static_cast<size_t>(n);
        const double x = i < frames ? 0.5 * (interleaved[2 * i] + interleaved[2 * i + 1]) : 0.0;
        const double angle = 2.0 * M_PI * n / kSize;
        const double w = 0.5 - 0.5 * std::cos(angle);
        windowSum += w;
        re0 += x * w;
        re1 += x * w * std::cos(angle);
        im1 -= x * w * std::sin(angle);
    }
    s0 = static_cast<float>(std::fabs(re0) * 2.0 / windowSum);
    s1 = static_cast<float>(std::sqrt(re1 * re1 + im1 * im1) * 2.0 / windowSum);
}
