// The music's PCM, decoded on demand and ahead of playback. Opening parses the file and decodes
// only its first block; the rest is decoded as it is needed (DecodeUntil) or by a worker that stays
// a fixed distance ahead of a play head (StartAhead). Decoded frames stay for the stream's life, so
// the spectrum can read any position that has been decoded without decoding it again.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

#include "audio/mp3_decoder.h"
#include "audio/pcm_store.h"
#include "platform/background_work.h"

class PcmSource {
public:
    PcmSource() = default;
    ~PcmSource();  // stops the worker
    PcmSource(const PcmSource&) = delete;
    PcmSource& operator=(const PcmSource&) = delete;

    // False when the file is missing, is not MPEG audio, or yields no frame at all.
    bool Open(const char* path);

    int Rate() const { return rate; }  // the file's own
    // Frames in the piece: exact from the start; smaller only if the data ends early (a damaged
    // file), which is known once decoding gets there.
    int64_t Length() const { return length.load(std::memory_order_acquire); }
    bool Finished() const { return finished.load(std::memory_order_acquire); }
    int64_t Decoded() const { return store.Frames(); }
    size_t BytesHeld() const { return store.BytesHeld(); }

    // Decodes until min(frame, Length()) frames are there or the data is over. Any thread.
    void DecodeUntil(int64_t frame);

    // Copies up to count decoded frames from start; returns how many were there. Lock-free, for
    // the audio thread.
    int CopyStereo(int64_t start, int count, int16_t* out) const;
    // count mono samples from start; zeros where the piece has ended or nothing is decoded yet.
    void MixMono(int64_t start, int count, float* out) const;

    // Background work keeps `ahead` frames decoded past *playHead until StopAhead or destruction. It
    // reads *playHead every 50 ms or so: whoever owns the play head stops the work before it goes.
    void StartAhead(const std::atomic<int64_t>* playHead, int64_t ahead);
    void StopAhead();

private:
    bool DecodeStep();                                                    // one block; false once finished
    bool AheadStep(const std::atomic<int64_t>* playHead, int64_t ahead);  // false: far enough ahead

    Mp3Decoder decoder;  // guarded by decodeMutex
    PcmStore store;
    std::mutex decodeMutex;
    int rate = 0;
    int emptyReads = 0;  // guarded by decodeMutex
    std::atomic<int64_t> length{0};
    std::atomic<bool> finished{false};

    BackgroundWork aheadWork;  // last: stopped before the rest goes
};
