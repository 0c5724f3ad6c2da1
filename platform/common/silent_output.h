// The silent output: pulls the same frames a sound device would, in real time on its own thread,
// and throws them away, so a clock built on the pulls runs on when there is no device to play to.
// Every native backend's stand-in: at start-up when no device opens, and while a lost device is
// away. Private to platform/.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/audio_out.h"

class SilentOutput {
public:
    static constexpr int bufferFrames = 1024;  // about 23 ms per pull at 44.1 kHz

    SilentOutput(AudioOut::Pull pull, void* user, int rate);  // paused
    ~SilentOutput();
    SilentOutput(const SilentOutput&) = delete;
    SilentOutput& operator=(const SilentOutput&) = delete;

    // Pulls begin (true) or stop (false); on return from SetRunning(false) no pull is running and
    // none will start until SetRunning(true).
    void SetRunning(bool run);

private:
    void Run();

    AudioOut::Pull pull;
    void* user;
    int rate;
    std::vector<int16_t> buffer;
    std::mutex mutex;
    std::condition_variable wake;
    bool running = false, closing = false;  // guarded by mutex
    std::thread thread;
};
