// The silent stand-in for a sound device: it pulls the same frames in real time on its own thread
// and throws them away, so a clock built on the pulls still runs. Shared by the native backends.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/audio_out.h"

// Pulls in real time and discards the frames. Deadlines are counted from the start, so the
// rate does not drift however late a single wake-up comes.
class SilentOutput {
public:
    static constexpr int bufferFrames = 1024;  // about 23 ms per pull

    SilentOutput(AudioOut::Pull pull, void* user, int rate);
    ~SilentOutput();
    SilentOutput(const SilentOutput&) = delete;
    SilentOutput& operator=(const SilentOutput&) = delete;
    void SetRunning(bool run);

private:
    void Run();

    AudioOut::Pull pull;
    void* user;
    int rate;
    std::vector<int16_t> buffer;
    std::mutex mutex;
    std::condition_variable wake;
    bool running = false, closing = false;
    std::thread thread;
};
