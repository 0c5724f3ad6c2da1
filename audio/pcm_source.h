// The music's PCM, decoded on demand and ahead of playback. Opening keeps the file open (its
// bytes are read as decoding needs them, never held whole), parses it and decodes only its first
// block; the rest is decoded as it is needed (Hold) or by a worker that stays a fixed distance
// ahead of a play head (StartAhead).
//
// Only a window of the decoded music is held: the frames around the play head, and a few more
// chunks, the least recently used going first. Frames asked for again after they went are decoded
// again from the file opened at the start and checked against the first decode (decoding from the start when
// a seek does not give the same frames), so every read, anywhere, gives the same frames.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

#include "audio/mp3_decoder.h"
#include "audio/pcm_store.h"
#include "platform/background_work.h"

class PcmSource {
public:
    static constexpr size_t heldBudget = 2;  // chunks held beyond those the play head keeps

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
    int64_t Decoded() const { return store.Frames(); }  // decoded at least once, from the start
    size_t BytesHeld() const { return store.BytesHeld(); }

    // The window follows *playHead (frames): from a chunk's length behind it to `ahead` frames
    // and a chunk past it nothing is let go. Whoever moves the play head back asks for the frames
    // there (Hold) before a reader without the lock reads them. Until this is called nothing is
    // let go. Call before StartAhead, from the thread that owns the play head.
    void Follow(const std::atomic<int64_t>* playHead, int64_t ahead);

    // Frames [start, end) of the piece are held once this returns (decoding them if need be).
    // Any thread.
    void Hold(int64_t start, int64_t end);

    // Copies up to count held frames from start; returns how many were there. Lock-free, for
    // the audio thread, at or after the play head.
    int CopyStereo(int64_t start, int count, int16_t* out) const;
    // count mono samples from start, decoded if need be; zeros where the piece has ended.
    void MixMono(int64_t start, int count, float* out);

    // Background work keeps the frames from the play head to `ahead` past it held until StopAhead
    // or destruction. It reads the play head every 50 ms or so: whoever owns the play head stops
    // the work before it goes.
    void StartAhead();
    void StopAhead();

private:
    // One step towards holding [start, end): a block of the first decode or one chunk decoded
    // again. False when there was nothing left to do. Under decodeMutex.
    bool StepTowards(int64_t start, int64_t end);
    bool DecodeStep();               // one block of the first decode; false once finished
    bool DecodeAgain(size_t chunk);  // puts a chunk that was let go back
    void LetGoOutsideWindow();       // down to the budget, least recently used first
    bool AheadStep();                // false: everything ahead is held

    int fd = -1;  // the file, for decoding again
    int64_t fileBytes = 0;
    Mp3Decoder decoder;    // the first decode, from the start; guarded by decodeMutex
    Mp3Decoder again;      // decodes chunks again; guarded by decodeMutex
    int64_t againAt = -1;  // the frame `again` gives next; -1 when closed
    PcmStore store;
    std::vector<uint64_t> lastUse;  // per chunk; guarded by decodeMutex
    uint64_t useTick = 0;
    size_t pinnedFirst = 1, pinnedLast = 0;  // the chunks the current step brings in
    const std::atomic<int64_t>* head = nullptr;
    int64_t headAhead = 0;
    std::mutex decodeMutex;
    int rate = 0;
    int emptyReads = 0;  // guarded by decodeMutex
    std::atomic<int64_t> length{0};
    std::atomic<bool> finished{false};

    BackgroundWork aheadWork;  // last: stopped before the rest goes
};
