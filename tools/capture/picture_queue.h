// The hand-over between the drawing thread and the encoder thread: a fixed pool of picture buffers
// going round, so memory stays the same however long the capture. The drawing side takes a free
// buffer (waiting while the encoder holds them all), fills it and pushes it; the encoder pops the
// oldest, encodes it and gives it back. Pictures come out in the order they went in.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

class PictureQueue {
public:
    using Picture = std::vector<uint8_t>;

    explicit PictureQueue(int depth);  // buffers in the pool, at least 1

    // Drawing side. A free buffer, waiting while none is; null once the queue is aborted.
    Picture* Acquire();
    void Push(Picture* filled);
    // No more pictures: the encoder takes what is queued, then Pop gives null.
    void Close();

    // Encoder side. The oldest pushed picture, waiting while none is; null when closed and empty,
    // or aborted.
    Picture* Pop();
    void Recycle(Picture* done);

    // Either side: everything stops; waiting calls return null.
    void Abort();
    bool Aborted() const;

private:
    mutable std::mutex mutex;
    std::condition_variable changed;
    std::vector<Picture> pool;
    std::vector<Picture*> free;   // guarded by mutex
    std::deque<Picture*> filled;  // guarded by mutex
    bool closed = false, aborted = false;
};
