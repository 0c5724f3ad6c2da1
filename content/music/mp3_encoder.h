// Writes the synthesiser's output as files: MP3 through libmp3lame, and plain WAV for listening.
#pragma once

#include <string>
#include <vector>

#include "content/music/synth.h"

// Encodes 44.1 kHz stereo as constant-bit-rate MP3 at `kbps`. After the flush, the LAME info tag
// (frame count, encoder delay and padding) is written over the empty frame LAME put first, so a
// gapless decoder returns exactly audio.Frames() frames. False, with `error` set, on failure.
bool EncodeMp3(const synth::Stereo& audio, int kbps, std::vector<unsigned char>& out, std::string& error);

// 16-bit PCM WAV, for listening while composing; false with the reason in *why.
bool WriteWav(const std::string& path, const synth::Stereo& audio, std::string* why);
