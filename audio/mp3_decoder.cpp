// libmpg123 behind Mp3Decoder. Gapless decoding trims the encoder delay and padding that the
// encoder's Info tag records, so the frame count is the count that was encoded.
#include "audio/mp3_decoder.h"

#include <mpg123.h>

#include <cstdio>

Mp3Decoder::~Mp3Decoder() { Close(); }

void Mp3Decoder::Close() {
    if (handle) mpg123_delete(handle);
    handle = nullptr;
    length = 0;
    rate = fileRate = fileChannels = 0;
}

bool Mp3Decoder::Open(const char* path, int outputRate) {
    Close();
    int error = MPG123_OK;
    handle = mpg123_new(nullptr, &error);
    if (!handle) return false;
    mpg123_param(handle, MPG123_ADD_FLAGS, MPG123_GAPLESS | MPG123_QUIET | MPG123_FORCE_STEREO, 0);
    mpg123_format_none(handle);
    if (outputRate > 0) {
        mpg123_param(handle, MPG123_FORCE_RATE, outputRate, 0);
        mpg123_format(handle, outputRate, MPG123_STEREO, MPG123_ENC_SIGNED_16);
    } else {
        const long* rates = nullptr;
        size_t count = 0;
        mpg123_rates(&rates, &count);
        for (size_t i = 0; i < count; ++i) mpg123_format(handle, rates[i], MPG123_STEREO, MPG123_ENC_SIGNED_16);
    }

    long gotRate = 0;
    int gotChannels = 0, gotEncoding = 0;
    // getformat reads up to the first valid frame; text, images and noise fail here. Nothing else
    // may be asked of the handle after a failure (a scan then divides by zero inside the library).
    if (mpg123_open(handle, path) != MPG123_OK ||
        mpg123_getformat(handle, &gotRate, &gotChannels, &gotEncoding) != MPG123_OK || gotChannels != 2 ||
        gotEncoding != MPG123_ENC_SIGNED_16 || gotRate <= 0 || (outputRate > 0 && gotRate != outputRate)) {
        Close();
        return false;
    }
    mpg123_frameinfo2 info{};
    mpg123_info2(handle, &info);
    fileRate = int(info.rate);
    fileChannels = info.mode == MPG123_M_MONO ? 1 : 2;
    rate = int(gotRate);

    // Past the first frame the file is known to be MPEG audio: from here on damage is skipped
    // however long it is, rather than ending the piece at the first hole.
    mpg123_param(handle, MPG123_RESYNC_LIMIT, -1, 0);

    // A full scan of the frame headers gives the exact count even when the Info tag is missing or
    // wrong (a cut-off file keeps the tag of the whole one). It parses headers only: a few
    // milliseconds for a whole piece.
    if (mpg123_scan(handle) != MPG123_OK) {
        Close();
        return false;
    }
    const off_t frames = mpg123_length(handle);
    if (frames <= 0) {
        Close();
        return false;
    }
    length = int64_t(frames);
    return true;
}

int Mp3Decoder::Read(int16_t* out, int maxFrames, bool* ended) {
    *ended = false;
    if (!handle) {
        *ended = true;
        return 0;
    }
    if (maxFrames <= 0) return 0;
    size_t done = 0;
    const int result = mpg123_read(handle, out, size_t(maxFrames) * 2 * sizeof(int16_t), &done);
    if (result != MPG123_OK && result != MPG123_NEW_FORMAT) *ended = true;  // done, or damaged beyond use
    return int(done / (2 * sizeof(int16_t)));
}
