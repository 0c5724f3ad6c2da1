// The failover's watcher: a lost device is closed and the silent output takes its place under the
// lock; the default output is opened again outside it, so Start and Pause (on the silent output
// meanwhile) never wait for an attempt.
#include "platform/common/audio_failover.h"

#include <cstdio>

#include "platform/common/silent_output.h"

AudioFailover::AudioFailover(std::unique_ptr<AudioDevice> device, FailoverTiming timing)
    : device(std::move(device)), timing(timing) {}

AudioFailover::~AudioFailover() {
    Close();
}

bool AudioFailover::Open(AudioOut::Pull newPull, void* newUser, int newRate) {
    Close();
    pull = newPull;
    user = newUser;
    rate = newRate > 0 ? newRate : AudioOut::defaultRate;
    std::lock_guard<std::mutex> lock(mutex);
    closing = false;
    running = false;
    changes = 0;
    std::string why;
    if (device->Open(pull, user, rate, &why)) {
        deviceOpen = true;
        bufferFrames = device->BufferFrames();
        silentNow = false;
        watcher = std::thread([this] { Watch(); });
        return true;
    }
    std::fprintf(stderr, "audio: %s; playing silently\n", why.c_str());
    silent = std::make_unique<SilentOutput>(pull, user, rate);
    bufferFrames = 0;
    silentNow = true;
    return false;
}

void AudioFailover::Start() {
    std::lock_guard<std::mutex> lock(mutex);
    running = true;
    if (deviceOpen) device->Start();
    if (silent) silent->SetRunning(true);
}

void AudioFailover::Pause() {
    std::lock_guard<std::mutex> lock(mutex);
    running = false;
    if (deviceOpen) device->Pause();
    if (silent) silent->SetRunning(false);
}

void AudioFailover::Close() {
    {
        std::lock_guard<std::mutex> lock(mutex);
        closing = true;
    }
    wake.notify_all();
    if (watcher.joinable()) watcher.join();
    std::lock_guard<std::mutex> lock(mutex);
    if (deviceOpen) device->Close();
    deviceOpen = false;
    running = false;
    silent.reset();
    silentNow = false;
    bufferFrames = 0;
}

int AudioFailover::BufferFrames() const {
    return bufferFrames;
}

bool AudioFailover::IsSilent() const {
    return silentNow;
}

int AudioFailover::Changes() const {
    return changes;
}

void AudioFailover::LoseDevice() {
    // Closing stops the device's pulls for good; only then may the silent output's begin.
    device->Close();
    deviceOpen = false;
    if (!silent) silent = std::make_unique<SilentOutput>(pull, user, rate);
    bufferFrames = 0;
    silentNow = true;
    ++changes;
    silent->SetRunning(running);
    std::fputs("audio: output device lost; playing silently and trying again every second\n", stderr);
}

void AudioFailover::TakeBackDevice() {
    silent->SetRunning(false);  // no silent pull runs from here on
    deviceOpen = true;
    bufferFrames = device->BufferFrames();
    silentNow = false;
    ++changes;  // before the device's first pull
    if (running) device->Start();
    std::fputs("audio: output device back\n", stderr);
}

void AudioFailover::Watch() {
    using Clock = std::chrono::steady_clock;
    std::unique_lock<std::mutex> lock(mutex);
    Clock::time_point nextTry;
    while (!closing) {
        if (deviceOpen) {
            if (wake.wait_for(lock, timing.check, [this] { return closing; })) break;
            if (device->Alive()) continue;
            LoseDevice();
            nextTry = Clock::now() + timing.retry;
            continue;
        }
        if (wake.wait_until(lock, nextTry, [this] { return closing; })) break;
        // The device is closed and only this thread opens it: the attempt needs no lock.
        lock.unlock();
        std::string why;
        const bool opened = device->Open(pull, user, rate, &why);
        lock.lock();
        nextTry = Clock::now() + timing.retry;
        if (!opened) continue;
        if (closing) {
            device->Close();
            break;
        }
        TakeBackDevice();
    }
}
