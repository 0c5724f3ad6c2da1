#include "audio/pcm_store.h"

#include <algorithm>
#include <cstring>

void PcmStore::Reset(int64_t newCapacity) {
    capacity = std::max<int64_t>(newCapacity, 0);
    chunks.clear();
    chunks.resize(size_t((capacity + chunkFrames - 1) / chunkFrames));
    frames.store(0, std::memory_order_release);
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
    if (!chunks[index]) {
        // Published before the frames that live in it, so readers always see it allocated.
        chunks[index] = std::make_unique<int16_t[]>(size_t(chunkSize) * 2);
        bytesHeld.fetch_add(size_t(chunkSize) * 2 * sizeof(int16_t), std::memory_order_relaxed);
    }
    *room = int(chunkStart + chunkSize - at);
    return chunks[index].get() + (at - chunkStart) * 2;
}

void PcmStore::Publish(int count) {
    frames.store(frames.load(std::memory_order_relaxed) + count, std::memory_order_release);
}

void PcmStore::CopyStereo(int64_t start, int count, int16_t* out) const {
    while (count > 0) {
        const size_t index = size_t(start / chunkFrames);
        const int64_t offset = start - int64_t(index) * chunkFrames;
        const int n = int(std::min<int64_t>(count, chunkFrames - offset));
        std::memcpy(out, chunks[index].get() + offset * 2, size_t(n) * 2 * sizeof(int16_t));
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
        const int16_t* in = chunks[index].get() + offset * 2;
        for (int i = 0; i < n; ++i) out[i] = (float(in[2 * i]) + float(in[2 * i + 1])) * (0.5f / 32768.0f);
        out += n;
        start += n;
        count -= n;
    }
}

size_t PcmStore::BytesHeld() const {
    return bytesHeld.load(std::memory_order_relaxed);
}
