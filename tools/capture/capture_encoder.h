// The encoder thread of a capture: takes pictures off a small queue, and after each one the music
// up to the end of that picture's frame, and writes both into the video file. The drawing thread
// only fills and pushes pictures, so drawing and encoding overlap; the queue's depth bounds memory.
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "audio/mp3_decoder.h"
#include "tools/capture/capture_plan.h"
#include "tools/capture/picture_queue.h"
#include "tools/capture/video_file.h"

class CaptureEncoder {
public:
    // The music file is decoded from range.firstSample on; false from Start with Error() set when
    // it cannot be opened.
    CaptureEncoder(VideoFile& file, const std::string& musicPath, const CaptureRange& range, int queueDepth);
    ~CaptureEncoder();  // stops the thread; the file is left unfinished unless Finish succeeded
    CaptureEncoder(const CaptureEncoder&) = delete;
    CaptureEncoder& operator=(const CaptureEncoder&) = delete;

    bool Start();

    // Drawing thread. A buffer to fill (waiting while the encoder is behind); null once the encoder
    // has failed or been aborted.
    PictureQueue::Picture* Acquire() { return queue.Acquire(); }
    void Submit(PictureQueue::Picture* picture) { queue.Push(picture); }
    // The last picture is in: waits for the thread, then finishes the file. False on any failure.
    bool Finish();
    // Stops at once; the file is left unfinished.
    void Abort();

    long Encoded() const { return encoded.load(std::memory_order_relaxed); }  // pictures written
    const std::string& Error() const { return error; }                        // after Finish or Start failed
    double MusicSeconds() const { return musicSeconds; }                      // decoding the music, after Finish

private:
    void Run();
    bool AddMusicThrough(int64_t sample);

    VideoFile& file;
    std::string musicPath;
    CaptureRange range;
    PictureQueue queue;
    Mp3Decoder music;
    int64_t musicAt = 0;  // the next sample of the range to go in (encoder thread)
    double musicSeconds = 0;
    std::atomic<long> encoded{0};
    std::atomic<bool> failed{false};
    std::string error;  // written by the encoder thread before it ends, read after the join
    std::thread thread;
};
