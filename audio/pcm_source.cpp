#include "audio/pcm_source.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "io/file_read.h"

namespace {

constexpr int blockFrames = 4 * 1152;  // decoded per step: four MPEG frames
constexpr int maxEmptyReads = 100000;  // reads that give nothing in a row before giving up
constexpr int64_t chunkFrames = PcmStore::chunkFrames;

// Reads up to count frames, stopping early only where the data ends.
int ReadFrames(Mp3Decoder& decoder, int16_t* out, int count) {
    int done = 0, empty = 0;
    bool ended = false;
    while (done < count && !ended && empty < maxEmptyReads) {
        const int got = decoder.Read(out + int64_t(done) * 2, std::min(count - done, blockFrames), &ended);
        done += got;
        empty = got > 0 ? 0 : empty + 1;
    }
    return done;
}

}  // namespace

PcmSource::~PcmSource() {
    StopAhead();
    CloseFile(fd);
}

bool PcmSource::Open(const char* path) {
    StopAhead();
    std::lock_guard<std::mutex> lock(decodeMutex);
    finished.store(false);
    length.store(0);
    emptyReads = 0;
    again.Close();
    againAt = -1;
    std::string refusal;
    CloseFile(fd);
    fd = -1;
    uint64_t size = 0;
    if (!path || !OpenRegularFile(path, uint64_t(kMaxMusicBytes), &fd, &size, &refusal)) {
        if (path && refusal != kCannotOpenFile) std::fprintf(stderr, "%s\n", FileProblem(path, refusal).c_str());
        return false;
    }
    fileBytes = int64_t(size);
    if (!decoder.OpenDescriptor(fd, fileBytes)) return false;
    rate = decoder.Rate();
    store.Reset(decoder.Length());
    lastUse.assign(store.Chunks(), 0);
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

void PcmSource::Follow(const std::atomic<int64_t>* playHead, int64_t ahead) {
    std::lock_guard<std::mutex> lock(decodeMutex);
    head = playHead;
    headAhead = std::max<int64_t>(ahead, 0);
}

bool PcmSource::DecodeStep() {
    if (finished.load(std::memory_order_relaxed)) return false;
    int room = 0;
    const size_t heldBefore = store.HeldChunks();
    int16_t* span = store.WriteSpan(&room);
    bool ended = room == 0;
    if (!ended) {
        const int got = decoder.Read(span, std::min(room, blockFrames), &ended);
        store.Publish(got);
        emptyReads = got > 0 ? 0 : emptyReads + 1;
        if (emptyReads >= maxEmptyReads) ended = true;
    }
    const int64_t decoded = store.Frames();
    if (decoded > 0) lastUse[size_t((decoded - 1) / chunkFrames)] = ++useTick;
    if (decoded >= Length()) ended = true;
    if (ended) {
        // The data ended early: the piece is what was decoded. Released before `finished`, so
        // whoever sees the end also sees the final length.
        store.End();
        if (decoded < Length()) length.store(decoded, std::memory_order_release);
        finished.store(true, std::memory_order_release);
        decoder.Close();
    }
    if (store.HeldChunks() > heldBefore) LetGoOutsideWindow();
    return !ended;
}

bool PcmSource::DecodeAgain(size_t chunk) {
    const int64_t start = int64_t(chunk) * chunkFrames;
    const int count = store.ChunkFrames(chunk);
    auto data = std::make_unique<int16_t[]>(size_t(count) * 2);
    // Straight on from where the last chunk decoded again ended, or a seek there.
    if (againAt != start) {
        if (againAt < 0 && !again.OpenDescriptor(fd, fileBytes)) return false;
        againAt = again.SeekTo(start) ? start : -2;
    }
    if (againAt == start && ReadFrames(again, data.get(), count) == count && store.PutBack(chunk, std::move(data))) {
        againAt = start + count;
    } else {
        // The seek did not give the first decode's frames (a damaged file resynchronises where it
        // can): decode from the start, as the first decode did.
        again.Close();
        againAt = -1;
        if (!again.OpenDescriptor(fd, fileBytes)) return false;
        data = std::make_unique<int16_t[]>(size_t(count) * 2);
        std::vector<int16_t> skip(size_t(blockFrames) * 2);
        for (int64_t at = 0; at < start;) {
            const int n = ReadFrames(again, skip.data(), int(std::min<int64_t>(blockFrames, start - at)));
            if (n == 0) return false;
            at += n;
        }
        if (ReadFrames(again, data.get(), count) != count || !store.PutBack(chunk, std::move(data))) {
            again.Close();
            return false;
        }
        againAt = start + count;
    }
    LetGoOutsideWindow();
    return true;
}

void PcmSource::LetGoOutsideWindow() {
    if (!head) return;
    const int64_t at = head->load(std::memory_order_relaxed);
    const int64_t keepFrom = at - chunkFrames, keepTo = at + headAhead + chunkFrames;
    const size_t kept =
        size_t(std::max<int64_t>(0, std::min<int64_t>(keepTo, Length()) - std::max<int64_t>(keepFrom, 0)) /
               chunkFrames) +
        2;
    while (store.HeldChunks() > heldBudget + kept) {
        size_t oldest = store.Chunks();
        for (size_t c = 0; c < store.Chunks(); ++c) {
            const int64_t start = int64_t(c) * chunkFrames;
            const bool inWindow =
                (start < keepTo && start + chunkFrames > keepFrom) || (c >= pinnedFirst && c <= pinnedLast);
            if (!inWindow && store.Held(c) && store.Complete(c) &&
                (oldest == store.Chunks() || lastUse[c] < lastUse[oldest]))
                oldest = c;
        }
        if (oldest == store.Chunks()) return;
        store.LetGo(oldest);
    }
}

bool PcmSource::StepTowards(int64_t start, int64_t end) {
    end = std::min(end, Length());
    start = std::max<int64_t>(start, 0);
    if (start >= end) return false;
    const size_t first = size_t(start / chunkFrames), last = size_t((end - 1) / chunkFrames);
    for (size_t c = first; c <= last; ++c) lastUse[c] = ++useTick;
    pinnedFirst = first, pinnedLast = last;  // wanted now: not let go while they are brought in
    if (!Finished() && store.Frames() < end) return DecodeStep();
    for (size_t c = first; c <= last; ++c)
        if (!store.Held(c)) return DecodeAgain(c);
    return false;
}

void PcmSource::Hold(int64_t start, int64_t end) {
    // One step per lock, so a reader that needs a few frames now never waits for a long fill.
    for (;;) {
        std::lock_guard<std::mutex> lock(decodeMutex);
        if (!StepTowards(start, end)) return;
    }
}

int PcmSource::CopyStereo(int64_t start, int count, int16_t* out) const {
    const int64_t available = std::min(store.Frames(), Length()) - start;
    const int n = store.HeldFrom(start, int(std::clamp<int64_t>(available, 0, count)));
    if (n > 0) store.CopyStereo(start, n, out);
    return n;
}

void PcmSource::MixMono(int64_t start, int count, float* out) {
    std::fill(out, out + count, 0.0f);
    for (;;) {
        std::lock_guard<std::mutex> lock(decodeMutex);  // read under the same lock as the last step
        if (StepTowards(start, start + count)) continue;
        const int64_t end = std::min(store.Frames(), Length());
        const int64_t first = std::clamp<int64_t>(start, 0, end), last = std::clamp<int64_t>(start + count, 0, end);
        const int held = last > first ? store.HeldFrom(first, int(last - first)) : 0;
        if (held > 0) store.MixMono(first, held, out + (first - start));
        return;
    }
}

void PcmSource::StartAhead() {
    aheadWork.Start([this] { return AheadStep(); });
}

void PcmSource::StopAhead() {
    aheadWork.Stop();
}

bool PcmSource::AheadStep() {
    // The play head moves about 2 000 frames per 50 ms, far less than the distance kept, so looking
    // every 50 ms is enough and the audio thread never has to wake anybody.
    std::lock_guard<std::mutex> decodeLock(decodeMutex);
    if (!head) return false;
    const int64_t at = head->load(std::memory_order_relaxed);
    return StepTowards(at, at + headAhead);
}
