// Decoded music as it comes out of the decoder: interleaved 16-bit stereo frames in fixed-size
// chunks. The first pass decodes the piece once, from the start, and each chunk it completes gets
// a fingerprint. Only some chunks are held: the owner lets go of those it no longer wants and puts
// them back when they are wanted again, decoded anew, and the store takes them back only if they
// match their fingerprint, so the frames read anywhere are always those of the first pass.
//
// One thread at a time writes, puts back and lets go (the owner's lock). Readers under that lock
// may read any held frames; a reader without it (the audio thread) reads only frames the owner
// never lets go while that reader may be on them.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

class PcmStore {
public:
    static constexpr int chunkFrames = 1 << 16;  // 256 KiB per chunk

    PcmStore() = default;
    ~PcmStore() { Reset(0); }
    PcmStore(const PcmStore&) = delete;
    PcmStore& operator=(const PcmStore&) = delete;

    // Empties the store and sizes it for at most `capacity` frames (nothing is allocated yet).
    void Reset(int64_t capacity);
    int64_t Capacity() const { return capacity; }
    // Frames the first pass has published so far, from frame 0.
    int64_t Frames() const { return frames.load(std::memory_order_acquire); }

    // First pass: where the next frames go, with room for `*room` frames (0 when full).
    int16_t* WriteSpan(int* room);
    void Publish(int count);  // count <= the room WriteSpan gave
    // The first pass is over at Frames(): the last, shorter chunk is complete too.
    void End();

    // Chunks: the first frame of chunk i is i * chunkFrames.
    size_t Chunks() const { return slotCount; }
    // Complete: the first pass has filled the chunk (or ended inside it).
    bool Complete(size_t chunk) const;
    bool Held(size_t chunk) const;
    int ChunkFrames(size_t chunk) const;  // of a complete chunk
    // Takes back a complete chunk decoded anew; false (and nothing kept) when its frames differ
    // from the first pass's.
    bool PutBack(size_t chunk, std::unique_ptr<int16_t[]> data);
    // Lets go of a complete, held chunk; the one being written stays.
    void LetGo(size_t chunk);
    size_t HeldChunks() const { return heldChunks.load(std::memory_order_relaxed); }

    // Reader side. Frames held from start on, at most count, without a break.
    int HeldFrom(int64_t start, int count) const;
    // start + count must be held.
    void CopyStereo(int64_t start, int count, int16_t* out) const;
    // The mean of the two channels, scaled to -1..1.
    void MixMono(int64_t start, int count, float* out) const;

    size_t BytesHeld() const;

private:
    struct Slot {
        std::atomic<int16_t*> data{nullptr};
        int64_t allocated = 0;     // frames in data
        uint64_t fingerprint = 0;  // once complete
        bool complete = false;
    };
    void Completed(size_t chunk, int64_t end);

    std::unique_ptr<Slot[]> slots;  // atomics: no vector
    size_t slotCount = 0;
    std::atomic<int64_t> frames{0};
    int64_t capacity = 0;
    std::atomic<size_t> heldChunks{0};
    std::atomic<size_t> bytesHeld{0};  // written by the writer, read by anyone
};

// The fingerprint of `count` interleaved stereo frames.
uint64_t PcmFingerprint(const int16_t* interleaved, int count);
