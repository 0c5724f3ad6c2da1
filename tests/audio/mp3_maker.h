// Test and benchmark inputs: PCM made from formulas, encoded to MP3 with libmp3lame. The Info tag
// is written back after the flush, so a gapless decoder returns exactly the frames encoded.
#pragma once

#include <lame/lame.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <numbers>
#include <vector>

struct Mp3Options {
    int rate = 44100;
    int channels = 2;
    int kbps = 320;  // high enough that the quantiser keeps a sine's amplitude within 0.1%
    bool infoTag = true;
};

// Interleaved 16-bit PCM; each formula gives a sample in -1..1 for a frame index.
inline std::vector<int16_t> MakePcm(int64_t frames, int channels, const std::function<double(int64_t)>& left,
                                    const std::function<double(int64_t)>& right = nullptr) {
    std::vector<int16_t> pcm(size_t(frames * channels));
    for (int64_t i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c) {
            const double v = (c == 1 && right) ? right(i) : left(i);
            pcm[size_t(i * channels + c)] = int16_t(std::lround(std::clamp(v, -1.0, 32767.0 / 32768.0) * 32768.0));
        }
    return pcm;
}

// A sine of the given amplitude whose frequency sits on the centre of a 512-point FFT bin.
inline std::function<double(int64_t)> BinSine(int bin, double amplitude, double phase = 0.3) {
    return [=](int64_t i) { return amplitude * std::sin(2.0 * std::numbers::pi * bin * double(i) / 512.0 + phase); };
}

inline std::vector<unsigned char> EncodeMp3(const std::vector<int16_t>& pcm, const Mp3Options& o) {
    lame_global_flags* lame = lame_init();
    lame_set_in_samplerate(lame, o.rate);
    lame_set_out_samplerate(lame, o.rate);
    lame_set_num_channels(lame, o.channels);
    lame_set_mode(lame, o.channels == 1 ? MONO : JOINT_STEREO);
    lame_set_brate(lame, o.kbps);
    lame_set_bWriteVbrTag(lame, o.infoTag ? 1 : 0);
    lame_set_quality(lame, 5);
    lame_init_params(lame);

    const int frames = int(pcm.size() / size_t(o.channels));
    std::vector<unsigned char> out(size_t(frames) * 5 / 4 + 7200 + 16384);
    std::vector<short> left(static_cast<size_t>(frames)), right(static_cast<size_t>(frames));
    for (int i = 0; i < frames; ++i) {
        left[size_t(i)] = pcm[size_t(i * o.channels)];
        right[size_t(i)] = pcm[size_t(i * o.channels + o.channels - 1)];
    }
    int written = lame_encode_buffer(lame, left.data(), o.channels == 2 ? right.data() : nullptr, frames, out.data(),
                                     int(out.size()));
    if (written < 0) written = 0;
    const int flushed = lame_encode_flush(lame, out.data() + written, int(out.size()) - written);
    out.resize(size_t(written + std::max(flushed, 0)));
    if (o.infoTag) {
        // The encoder left an empty placeholder frame at the start; this fills it in.
        unsigned char tag[8192];
        const size_t size = lame_get_lametag_frame(lame, tag, sizeof tag);
        if (size > 0 && size <= out.size()) std::memcpy(out.data(), tag, size);
    }
    lame_close(lame);
    return out;
}
