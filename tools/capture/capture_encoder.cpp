// The encoder thread: pictures in order, the music after each, then the end of the file.
#include "tools/capture/capture_encoder.h"

#include <algorithm>
#include <chrono>
#include <vector>

namespace {

constexpr int musicBlock = 4096;  // frames decoded at a time

}  // namespace

CaptureEncoder::CaptureEncoder(VideoFile& file, const std::string& musicPath, const CaptureRange& range, int queueDepth)
    : file(file), musicPath(musicPath), range(range), queue(queueDepth) {}

CaptureEncoder::~CaptureEncoder() {
    Abort();
}

bool CaptureEncoder::Start() {
    if (!music.Open(musicPath.c_str()) || music.Rate() != range.rate) {
        error = "cannot decode " + musicPath;
        return false;
    }
    // The decoder reads from the start: the samples before the range are decoded and dropped.
    std::vector<int16_t> skip(size_t(musicBlock) * 2);
    bool ended = false;
    while (musicAt < range.firstSample && !ended)
        musicAt += music.Read(skip.data(), int(std::min<int64_t>(musicBlock, range.firstSample - musicAt)), &ended);
    musicAt = range.firstSample;
    thread = std::thread(&CaptureEncoder::Run, this);
    return true;
}

bool CaptureEncoder::AddMusicThrough(int64_t sample) {
    const auto start = std::chrono::steady_clock::now();
    std::vector<int16_t> block(size_t(musicBlock) * 2);
    bool ok = true;
    while (ok && musicAt < sample) {
        const int want = int(std::min<int64_t>(musicBlock, sample - musicAt));
        bool ended = false;
        const int got = music.Read(block.data(), want, &ended);
        // A file that ends early (damaged) goes on as silence, so the sound keeps the picture's time.
        std::fill(block.begin() + 2 * got, block.begin() + 2 * want, int16_t(0));
        musicAt += want;
        ok = file.AddAudio(block.data(), want);
    }
    musicSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return ok;
}

void CaptureEncoder::Run() {
    long pictures = 0;
    while (PictureQueue::Picture* picture = queue.Pop()) {
        bool ok = file.AddPicture(picture->data());
        queue.Recycle(picture);
        ok = ok && AddMusicThrough(SamplesThrough(range, ++pictures));
        if (!ok) {
            error = file.Error();
            failed = true;
            queue.Abort();  // the drawing side stops at its next Acquire
            return;
        }
        encoded.store(pictures, std::memory_order_relaxed);
    }
}

bool CaptureEncoder::Finish() {
    queue.Close();
    if (thread.joinable()) thread.join();
    if (failed || queue.Aborted()) {
        if (error.empty()) error = "the capture was stopped";
        return false;
    }
    // The sound ends with the last picture, whose frame has had its music already.
    if (!AddMusicThrough(SamplesThrough(range, Encoded())) || !file.Finish()) {
        error = file.Error();
        return false;
    }
    return true;
}

void CaptureEncoder::Abort() {
    queue.Abort();
    if (thread.joinable()) thread.join();
}
