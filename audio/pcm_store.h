// Decoded music kept as it comes out of the decoder: interleaved 16-bit stereo frames in fixed-size
// chunks, allocated only as decoding reaches them. One thread appends; any thread may read the
// frames already published, which never move or change.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

class PcmStore {
public:
    static constexpr int chunkFrames = 1 << 16;  // 256 KiB per chunk

    // Empties the store and sizes it for at most `capacity` frames (nothing is allocated yet).
    void Reset(int64_t capacity);
    int64_t Capacity() const { return capacity; }
    // Frames published so far; everything below may be read.
    int64_t Frames() const { return frames.load(std::memory_order_acquire); }

    // Writer side: where the next frames go, with room for `*room` frames (0 when full).
    int16_t* WriteSpan(int* room);
    void Publish(int count);  // count <= the room WriteSpan gave

    // Reader side; start + count must not pass Frames().
    void CopyStereo(int64_t start, int count, int16_t* out) const;
    // The mean of the two channels, scaled to -1..1.
    void MixMono(int64_t start, int count, float* out) const;

    size_t BytesHeld() const;

private:
    std::vector<std::unique_ptr<int16_t[]>> chunks;
    std::atomic<int64_t> frames{0};
    int64_t capacity = 0;
    std::atomic<size_t> bytesHeld{0};  // written by the writer, read by anyone
};
