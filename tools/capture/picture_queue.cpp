// The picture pool and its queue, under one mutex.
#include "tools/capture/picture_queue.h"

#include <algorithm>

PictureQueue::PictureQueue(int depth) : pool(size_t(std::max(1, depth))) {
    for (Picture& p : pool) free.push_back(&p);
}

PictureQueue::Picture* PictureQueue::Acquire() {
    std::unique_lock<std::mutex> lock(mutex);
    changed.wait(lock, [this] { return aborted || !free.empty(); });
    if (aborted) return nullptr;
    Picture* p = free.back();
    free.pop_back();
    return p;
}

void PictureQueue::Push(Picture* picture) {
    {
        std::lock_guard<std::mutex> lock(mutex);
        filled.push_back(picture);
    }
    changed.notify_all();
}

void PictureQueue::Close() {
    {
        std::lock_guard<std::mutex> lock(mutex);
        closed = true;
    }
    changed.notify_all();
}

PictureQueue::Picture* PictureQueue::Pop() {
    std::unique_lock<std::mutex> lock(mutex);
    changed.wait(lock, [this] { return aborted || closed || !filled.empty(); });
    if (aborted || filled.empty()) return nullptr;
    Picture* p = filled.front();
    filled.pop_front();
    return p;
}

void PictureQueue::Recycle(Picture* picture) {
    {
        std::lock_guard<std::mutex> lock(mutex);
        free.push_back(picture);
    }
    changed.notify_all();
}

void PictureQueue::Abort() {
    {
        std::lock_guard<std::mutex> lock(mutex);
        aborted = true;
    }
    changed.notify_all();
}

bool PictureQueue::Aborted() const {
    std::lock_guard<std::mutex> lock(mutex);
    return aborted;
}
