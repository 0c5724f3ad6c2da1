// Background work on its own thread: steps while there is work, a short wait when there is none.
#include "platform/background_work.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

struct BackgroundWork::Impl {
    std::mutex mutex;
    std::condition_variable wake;
    bool stop = false;  // guarded by mutex
    std::thread thread;
};

bool BackgroundWork::Threaded() {
    return true;
}

BackgroundWork::BackgroundWork() = default;

BackgroundWork::~BackgroundWork() {
    Stop();
}

void BackgroundWork::Start(Step step) {
    Stop();
    impl = std::make_unique<Impl>();
    Impl* self = impl.get();
    self->thread = std::thread([self, step = std::move(step)] {
        std::unique_lock<std::mutex> lock(self->mutex);
        while (!self->stop) {
            lock.unlock();
            const bool more = step();
            lock.lock();
            if (!more) self->wake.wait_for(lock, std::chrono::milliseconds(50));
        }
    });
}

void BackgroundWork::Stop() {
    if (!impl) return;
    {
        std::lock_guard<std::mutex> lock(impl->mutex);
        impl->stop = true;
    }
    impl->wake.notify_all();
    impl->thread.join();
    impl.reset();
}
