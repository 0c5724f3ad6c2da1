#include "audio/pcm_store.h"

#include <algorithm>
#include <cstring>

uint64_t PcmFingerprint(const int16_t* in, int count) {
    // FNV-1a over the samples' bytes, 64 bits: a re-decode that differs anywhere is caught.
    uint64_t h = 0xcbf29ce484222325ull;
    for (int64_t i = 0; i < int64_t(count) * 2; ++i) {
        const uint16_t v = uint16_t(in[i]);
        h = (h ^ (v & 0xffu)) * 0x100000001b3ull;
        h = (h ^ (v >> 8)) * 0x100000001b3ull;
    }
    return h;
}

void PcmStore::Reset(int64_t newCapacity) {
    capacity = std::max<int64_t>(newCapacity, 0);
    if (slots)
        for (size_t i = 0; i < slotCount; ++i) delete[] slots[i].data.load(std::memory_order_relaxed);
    slotCount = size_t((capacity + chunkFrames - 1) / chunkFrames);
    slots = std::make_unique<Slot[]>(slotCount);
    frames.store(0, std::memory_order_release);
    heldChunks.store(0, std::memory_order_relaxed);
    bytesHeld.store(0, std::memory_order_relaxed);
}

int16_t* PcmStore::WriteSpan(int* room) {
    const int64_t at = frames.load(std::memory_order_relaxed);
    if (at >= capacity) {
        *room = 0;
        return nullptr;
    }
    const size_t index = size_t(at / chunkFrames);
    const int64_t chunkStart = int64_t(index) * chunkFrames;
    const int64_t chunkSize = std::min<int64_t>(chunkFrames, capacity - chunkStart);
    int16_t* data = slots[index].data.load(std::memory_order_relaxed);
    if (!data) {
        // Published before the frames that live in it, so readers always see it allocated.
        data = new int16_t[size_t(chunkSize) * 2];
        slots[index].data.store(data, std::memory_order_release);
        slots[index].allocated = chunkSize;
        heldChunks.fetch_add(1, std::memory_order_relaxed);
        bytesHeld.fetch_add(size_t(chunkSize) * 2 * sizeof(int16_t), std::memory_order_relaxed);
    }
    *room = int(chunkStart + chunkSize - at);
    return data + (at - chunkStart) * 2;
}

void PcmStore::Publish(int count) {
    const int64_t before = frames.load(std::memory_order_relaxed), after = before + count;
    frames.store(after, std::memory_order_release);
    if (count > 0 && after % chunkFrames == 0) Completed(size_t(after / chunkFrames) - 1, after);
}

void PcmStore::End() {
    const int64_t end = frames.load(std::memory_order_relaxed);
    if (end % chunkFrames != 0) Completed(size_t(end / chunkFrames), end);
}

void PcmStore::Completed(size_t chunk, int64_t end) {
    Slot& s = slots[chunk];
    if (s.complete) return;
    const int64_t start = int64_t(chunk) * chunkFrames;
    s.fingerprint = PcmFingerprint(s.data.load(std::memory_order_relaxed), int(end - start));
    s.complete = true;
}

bool PcmStore::Complete(size_t chunk) const {
    return chunk < slotCount && slots[chunk].complete;
}

bool PcmStore::Held(size_t chunk) const {
    return chunk < slotCount && slots[chunk].data.load(std::memory_order_acquire) != nullptr;
}

int PcmStore::ChunkFrames(size_t chunk) const {
    const int64_t start = int64_t(chunk) * chunkFrames;
    return int(std::clamp<int64_t>(Frames() - start, 0, chunkFrames));
}

bool PcmStore::PutBack(size_t chunk, std::unique_ptr<int16_t[]> data) {
    if (!Complete(chunk) || Held(chunk) || !data) return false;
    const int count = ChunkFrames(chunk);
    if (PcmFingerprint(data.get(), count) != slots[chunk].fingerprint) return false;
    slots[chunk].data.store(data.release(), std::memory_order_release);
    slots[chunk].allocated = count;
    heldChunks.fetch_add(1, std::memory_order_relaxed);
    bytesHeld.fetch_add(size_t(count) * 2 * sizeof(int16_t), std::memory_order_relaxed);
    return true;
}

void PcmStore::LetGo(size_t chunk) {
    if (!Complete(chunk)) return;
    int16_t* data = slots[chunk].data.exchange(nullptr, std::memory_order_acq_rel);
    if (!data) return;
    delete[] data;
    heldChunks.fetch_sub(1, std::memory_order_relaxed);
    bytesHeld.fetch_sub(size_t(slots[chunk].allocated) * 2 * sizeof(int16_t), std::memory_order_relaxed);
}

int PcmStore::HeldFrom(int64_t start, int count) const {
    const int64_t end = std::min(Frames(), start + int64_t(std::max(count, 0)));
    int64_t at = std::max<int64_t>(start, 0);
    if (at != start) return 0;
    while (at < end && slots[size_t(at / chunkFrames)].data.load(std::memory_order_acquire))
        at = std::min(end, (at / chunkFrames + 1) * chunkFrames);
    return int(at - start);
}

void PcmStore::CopyStereo(int64_t start, int count, int16_t* out) const {
    while (count > 0) {
        const size_t index = size_t(start / chunkFrames);
        const int64_t offset = start - int64_t(index) * chunkFrames;
        const int n = int(std::min<int64_t>(count, chunkFrames - offset));
        std::memcpy(out, slots[index].data.load(std::memory_order_acquire) + offset * 2,
                    size_t(n) * 2 * sizeof(int16_t));
        out += n * 2;
        start += n;
        count -= n;
    }
}

void PcmStore::MixMono(int64_t start, int count, float* out) const {
    while (count > 0) {
        const size_t index = size_t(start / chunkFrames);
        const int64_t offset = start - int64_t(index) * chunkFrames;
        const int n = int(std::min<int64_t>(count, chunkFrames - offset));
        const int16_t* in = slots[index].data.load(std::memory_order_acquire) + offset * 2;
        for (int i = 0; i < n; ++i) out[i] = (float(in[2 * i]) + float(in[2 * i + 1])) * (0.5f / 32768.0f);
        out += n;
        start += n;
        count -= n;
    }
}

size_t PcmStore::BytesHeld() const {
    return bytesHeld.load(std::memory_order_relaxed);
}
