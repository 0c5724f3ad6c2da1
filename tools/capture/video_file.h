// A video file being written: H.264 pictures (libx264, 4:2:0) and AAC stereo sound (FFmpeg's own
// encoder) muxed into MP4 or Matroska. Pictures come in as BGRA rows, top row first, and are fitted
// into the video with libswscale (black bars where the shapes differ); sound comes in as 16-bit
// interleaved stereo. FFmpeg stays behind this header.
//
// Use from one thread: Open, then AddPicture/AddAudio in any mix, then Finish. A file that is
// dropped before Finish is left as it is, incomplete; the caller removes it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "tools/capture/capture_plan.h"

struct VideoSettings {
    std::string path;                           // where the bytes go
    Container container = Container::Mp4;       // the muxer, whatever the path's extension
    int sourceWidth = 640, sourceHeight = 480;  // of the BGRA pictures handed in
    PictureRect crop;                           // the part of them that goes in; empty: all of them
    int width = 640, height = 480;              // of the video; both even
    double fps = 60;                            // picture n lasts [n / fps, (n + 1) / fps)
    int crf = 18;                               // x264's constant rate factor: lower is better and bigger
    std::string preset = "veryfast";            // x264's speed preset
    int audioRate = 44100;                      // sample 0 plays with picture 0
    int audioKbps = 192;
};

// Seconds the writer spent, by step; for the capture's statistics.
struct VideoFileTimes {
    double convert = 0;  // scaling and colour conversion of the pictures
    double video = 0;    // H.264 encoding and writing its packets
    double audio = 0;    // AAC encoding and writing its packets
};

class VideoFile {
public:
    // Null with `error` set when an encoder is missing, the settings are refused or the file
    // cannot be created.
    static std::unique_ptr<VideoFile> Open(const VideoSettings& settings, std::string* error);
    ~VideoFile();
    VideoFile(const VideoFile&) = delete;
    VideoFile& operator=(const VideoFile&) = delete;

    // The next picture: sourceHeight rows of sourceWidth * 4 bytes.
    bool AddPicture(const uint8_t* bgra);
    // The next `frames` stereo frames of sound.
    bool AddAudio(const int16_t* interleaved, int frames);
    // Flushes both encoders, writes the index (moved to the front for MP4) and closes the file.
    bool Finish();

    const std::string& Error() const;  // what failed, once something has
    VideoFileTimes Times() const;
    int64_t Pictures() const;  // pictures added so far

    struct State;

private:
    explicit VideoFile(std::unique_ptr<State> state);
    std::unique_ptr<State> s;
};
