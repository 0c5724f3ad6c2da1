// The show's music, rendered, encoded and decoded once per test program, and the two spectrum
// bands the show reads, computed the way the show's stream does.
#pragma once

#include <cstddef>
#include <vector>

#include "content/music/synth.h"

struct MusicPiece {
    synth::Stereo master;            // the synthesiser's output, before encoding
    std::vector<unsigned char> mp3;  // the encoded file
    std::vector<float> decoded;      // gapless decode, interleaved stereo floats
    long long reportedFrames = -1;   // what the decoder says the length is
    double renderSeconds = 0.0, encodeSeconds = 0.0;
};

// Rendered on first use, then shared.
const MusicPiece& Piece();

// Decodes MP3 bytes gaplessly to interleaved stereo floats; `reportedFrames` gets mpg123_length.
bool DecodeMp3(const std::vector<unsigned char>& mp3, std::vector<float>& interleaved, long long& reportedFrames);

// Bands 0 and 1 of the 512-sample periodic-Hann spectrum of the mono mean, from frame `at` on,
// scaled |X_k| * 2 / sum(w).
void LowBands(const std::vector<float>& interleaved, size_t at, float& s0, float& s1);
