#include "content/music/mp3_encoder.h"

#include <lame/lame.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>

#include "io/file_replace.h"

namespace {

struct LameCloser {
    void operator()(lame_global_flags* gf) const { lame_close(gf); }
};

}  // namespace

bool EncodeMp3(const synth::Stereo& audio, int kbps, std::vector<unsigned char>& out, std::string& error) {
    out.clear();
    std::unique_ptr<lame_global_flags, LameCloser> gf(lame_init());
    if (!gf) {
        error = "lame_init failed";
        return false;
    }
    lame_set_in_samplerate(gf.get(), synth::kSampleRate);
    lame_set_out_samplerate(gf.get(), synth::kSampleRate);
    lame_set_num_channels(gf.get(), 2);
    lame_set_mode(gf.get(), JOINT_STEREO);
    lame_set_VBR(gf.get(), vbr_off);
    lame_set_brate(gf.get(), kbps);
    lame_set_quality(gf.get(), 5);       // LAME's usual trade-off; 2 costs twice the time for no audible gain here
    lame_set_bWriteVbrTag(gf.get(), 1);  // the info tag: exact length for gapless decoders
    if (lame_init_params(gf.get()) < 0) {
        error = "lame_init_params rejected the settings";
        return false;
    }
    constexpr size_t kChunk = 8192;
    std::vector<unsigned char> buffer(kChunk * 5 / 4 + 7200);
    const size_t frames = audio.Frames();
    for (size_t at = 0; at < frames; at += kChunk) {
        const int n = static_cast<int>(std::min(kChunk, frames - at));
        const int bytes = lame_encode_buffer_ieee_float(gf.get(), audio.left.data() + at, audio.right.data() + at, n,
                                                        buffer.data(), static_cast<int>(buffer.size()));
        if (bytes < 0) {
            error = "lame_encode_buffer_ieee_float failed (" + std::to_string(bytes) + ")";
            return false;
        }
        out.insert(out.end(), buffer.begin(), buffer.begin() + bytes);
    }
    const int tail = lame_encode_flush(gf.get(), buffer.data(), static_cast<int>(buffer.size()));
    if (tail < 0) {
        error = "lame_encode_flush failed";
        return false;
    }
    out.insert(out.end(), buffer.begin(), buffer.begin() + tail);
    // The info tag replaces the placeholder frame at the very start (we write no ID3v2 tag).
    unsigned char tag[2880];
    const size_t tagBytes = lame_get_lametag_frame(gf.get(), tag, sizeof tag);
    if (tagBytes == 0 || tagBytes > sizeof tag || tagBytes > out.size()) {
        error = "no LAME info tag to write back";
        out.clear();
        return false;
    }
    std::memcpy(out.data(), tag, tagBytes);
    return true;
}

namespace {

void PutLe(std::vector<unsigned char>& v, uint32_t x, int bytes) {
    for (int i = 0; i < bytes; ++i) v.push_back(static_cast<unsigned char>(x >> (8 * i)));
}

int16_t ToPcm16(float x) {
    const float s = std::clamp(x, -1.0f, 1.0f) * 32767.0f;
    return static_cast<int16_t>(std::lround(s));
}

}  // namespace

bool WriteWav(const std::string& path, const synth::Stereo& audio, std::string* why) {
    const uint32_t dataBytes = static_cast<uint32_t>(audio.Frames() * 4);
    std::vector<unsigned char> bytes;
    bytes.reserve(44 + dataBytes);
    const char* riff = "RIFF";
    bytes.insert(bytes.end(), riff, riff + 4);
    PutLe(bytes, 36 + dataBytes, 4);
    const char* wave = "WAVEfmt ";
    bytes.insert(bytes.end(), wave, wave + 8);
    PutLe(bytes, 16, 4);
    PutLe(bytes, 1, 2);  // PCM
    PutLe(bytes, 2, 2);
    PutLe(bytes, synth::kSampleRate, 4);
    PutLe(bytes, synth::kSampleRate * 4, 4);
    PutLe(bytes, 4, 2);
    PutLe(bytes, 16, 2);
    const char* data = "data";
    bytes.insert(bytes.end(), data, data + 4);
    PutLe(bytes, dataBytes, 4);
    for (size_t i = 0; i < audio.Frames(); ++i) {
        PutLe(bytes, static_cast<uint16_t>(ToPcm16(audio.left[i])), 2);
        PutLe(bytes, static_cast<uint16_t>(ToPcm16(audio.right[i])), 2);
    }
    return ReplaceFile(path, bytes.data(), bytes.size(), why);
}
