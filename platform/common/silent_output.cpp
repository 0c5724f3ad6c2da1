// The silent output's thread. Deadlines are counted from the start of each run, so the rate does
// not drift however late a single wake-up comes.
#include "platform/common/silent_output.h"

#include <chrono>

SilentOutput::SilentOutput(AudioOut::Pull pull, void* user, int rate)
    : pull(pull),
      user(user),
      rate(rate > 0 ? rate : AudioOut::defaultRate),
      buffer(size_t(bufferFrames) * AudioOut::channels) {
    thread = std::thread([this] { Run(); });
}

SilentOutput::~SilentOutput() {
    {
        std::lock_guard<std::mutex> lock(mutex);
        closing = true;
    }
    wake.notify_all();
    thread.join();
}

void SilentOutput::SetRunning(bool run) {
    {
        std::lock_guard<std::mutex> lock(mutex);
        running = run;
    }
    wake.notify_all();
}

void SilentOutput::Run() {
    using Clock = std::chrono::steady_clock;
    std::unique_lock<std::mutex> lock(mutex);
    Clock::time_point start;
    int64_t pulls = 0;
    bool wasRunning = false;
    while (!closing) {
        if (!running) {
            wasRunning = false;
            wake.wait(lock, [this] { return closing || running; });
            continue;
        }
        if (!wasRunning) {
            start = Clock::now();
            pulls = 0;
            wasRunning = true;
        }
        // The pull runs under the lock so that SetRunning(false) returns only once no pull is running.
        pull(user, buffer.data(), bufferFrames);
        ++pulls;
        const auto due = start + std::chrono::nanoseconds(pulls * bufferFrames * 1000000000LL / rate);
        wake.wait_until(lock, due, [this] { return closing || !running; });
    }
}
