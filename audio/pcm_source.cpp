#include "audio/pcm_source.h"

#include <algorithm>

namespace {

constexpr int blockFrames = 4 * 1152;  // decoded per step: four MPEG frames
constexpr int maxEmptyReads = 100000;  // reads that give nothing in a row before giving up

}  // namespace

PcmSource::~PcmSource() {
    StopAhead();
}

bool PcmSource::Open(const char* path) {
    StopAhead();
    std::lock_guard<std::mutex> lock(decodeMutex);
    finished.store(false);
    length.store(0);
    emptyReads = 0;
    if (!decoder.Open(path)) return false;
    rate = decoder.Rate();
    store.Reset(decoder.Length());
    length.store(decoder.Length(), std::memory_order_release);
    // A file that merely starts like MPEG audio must also decode to something.
    while (store.Frames() == 0 && DecodeStep()) {
    }
    if (store.Frames() == 0) {
        decoder.Close();
        length.store(0);
        return false;
    }
    return true;
}

bool PcmSource::DecodeStep() {
    if (finished.load(std::memory_order_relaxed)) return false;
    int room = 0;
    int16_t* span = store.WriteSpan(&room);
    bool ended = room == 0;
    if (!ended) {
        const int got = decoder.Read(span, std::min(room, blockFrames), &ended);
        store.Publish(got);
        emptyReads = got > 0 ? 0 : emptyReads + 1;
        if (emptyReads >= maxEmptyReads) ended = true;
    }
    const int64_t decoded = store.Frames();
    if (decoded >= Length()) ended = true;
    if (ended) {
        // The data ended early: the piece is what was decoded. Released before `finished`, so
        // whoever sees the end also sees the final length.
        if (decoded < Length()) length.store(decoded, std::memory_order_release);
        finished.store(true, std::memory_order_release);
        decoder.Close();
    }
    return !ended;
}

void PcmSource::DecodeUntil(int64_t frame) {
    // One block per lock, so a reader that needs a few frames now never waits for a long fill.
    while (!Finished() && store.Frames() < std::min(frame, Length())) {
        std::lock_guard<std::mutex> lock(decodeMutex);
        if (store.Frames() < std::min(frame, Length())) DecodeStep();
    }
}

int PcmSource::CopyStereo(int64_t start, int count, int16_t* out) const {
    const int64_t available = std::min(store.Frames(), Length()) - start;
    const int n = int(std::clamp<int64_t>(available, 0, count));
    if (n > 0) store.CopyStereo(start, n, out);
    return n;
}

void PcmSource::MixMono(int64_t start, int count, float* out) const {
    const int64_t end = std::min(store.Frames(), Length());
    const int64_t first = std::clamp<int64_t>(start, 0, end), last = std::clamp<int64_t>(start + count, 0, end);
    std::fill(out, out + count, 0.0f);
    if (last > first) store.MixMono(first, int(last - first), out + (first - start));
}

void PcmSource::StartAhead(const std::atomic<int64_t>* playHead, int64_t aheadFrames) {
    aheadWork.Start([this, playHead, aheadFrames] { return AheadStep(playHead, aheadFrames); });
}

void PcmSource::StopAhead() {
    aheadWork.Stop();
}

bool PcmSource::AheadStep(const std::atomic<int64_t>* playHead, int64_t aheadFrames) {
    // The play head moves about 2 000 frames per 50 ms, far less than the distance kept, so looking
    // every 50 ms is enough and the audio thread never has to wake anybody.
    if (Finished() || store.Frames() >= playHead->load(std::memory_order_relaxed) + aheadFrames) return false;
    std::lock_guard<std::mutex> decodeLock(decodeMutex);
    DecodeStep();
    return true;
}
