// A video file read back with libavformat and libavcodec, the way a player would: its streams,
// the decoded pictures' times (and chosen pictures as BGRA), the decoded sound as mono samples
// with the time of its first sample.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct DecodedVideo {
    std::string error;  // empty when the file was read to its end
    int videoStreams = 0, audioStreams = 0;
    std::string videoCodec, audioCodec, pixelFormat;
    int width = 0, height = 0;
    int sampleRate = 0, channels = 0;

    long pictures = 0;            // decoded, in presentation order
    double firstPictureTime = 0;  // seconds, the container's clock
    double lastPictureTime = 0;
    double pictureDuration = 0;              // 1 / the stream's frame rate
    std::vector<std::vector<uint8_t>> kept;  // BGRA of the pictures asked for, in the order asked

    std::vector<float> mono;     // the sound, both channels' mean
    double firstSampleTime = 0;  // seconds, the container's clock, priming already dropped

    double VideoSeconds() const { return lastPictureTime - firstPictureTime + pictureDuration; }
    double AudioSeconds() const { return sampleRate ? double(mono.size()) / sampleRate : 0; }
};

// `keep`: indices of pictures to convert to BGRA (presentation order).
DecodedVideo DecodeVideoFile(const std::string& path, const std::vector<long>& keep);
