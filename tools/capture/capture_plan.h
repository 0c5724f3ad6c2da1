// What a capture will write, worked out before anything is drawn: the container from the file name,
// the video size and where the 4:3 picture sits in it, which show frames and which music samples go
// in, and the temporary name the file is written under. Pure code, no FFmpeg, no device.
#pragma once

#include <cstdint>
#include <string>

enum class Container { Unknown, Mp4, Matroska };

// By the file name's extension, in any case: ".mp4", ".mkv"; anything else is Unknown.
Container ContainerForPath(const std::string& path);

// "WxH" with both parts even (4:2:0 video halves the colour planes) and within 16..7680 x 16..4320.
bool ParseVideoSize(const char* text, int* width, int* height);

// Where a source picture goes inside the video: as large as fits with its aspect kept, centred,
// with black bars top and bottom (letterbox) or left and right (pillarbox). Every field is even.
struct PictureRect {
    int x = 0, y = 0, width = 0, height = 0;
};
PictureRect FitPicture(int sourceWidth, int sourceHeight, int width, int height);

// The show frames and music samples of a capture of [from, to) at fps. Frames are those of the
// offline clock (frame n at n / fps), the ones whose time lies in [from, to); the music is the
// samples from the first frame's time to the end of the last frame, or to the music's end.
struct CaptureRange {
    long firstFrame = 0, endFrame = 0;       // show frames firstFrame <= n < endFrame
    int64_t firstSample = 0, endSample = 0;  // music samples at `rate`
    int rate = 44100;
    double fps = 60;
    long Frames() const { return endFrame - firstFrame; }
    double Seconds() const { return double(Frames()) / fps; }  // the video's duration
};
// `to` past the music's end is taken as its end. Empty (no frame) when from is at or after it.
CaptureRange PlanCaptureRange(double from, double to, double fps, int64_t musicSamples, int rate);
// The music samples that belong in the track once `pictures` frames of the range are in it.
int64_t SamplesThrough(const CaptureRange& range, long pictures);
