// Sound output that outlives its device. A backend supplies the device (open the default output,
// start, pause, is it still there, close); this keeps the rest, the same on every backend:
//
// - When an open device is lost (unplugged, its sound server gone, its stream failed), the silent
//   output takes over at once, so a clock built on the pulls runs on, and the default output is
//   opened again about once a second until one opens; it then takes over from the silent output,
//   playing or paused as asked. One line on stderr says when the output went and one when it is back.
// - When no device opens at the start, the silent output plays for good and nothing is retried.
// - Changes() counts the times the output pulling has been replaced, so the owner of the pulls
//   can tell, in the first pull from the new one, that the device (and BufferFrames) changed.
//
// Start, Pause and Close come from one thread; a watcher thread of its own, while a device was
// opened, asks the device whether it is alive and opens it again. Private to platform/.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/audio_out.h"

class SilentOutput;

// One output device, as a backend opens it. Calls come from one thread at a time.
class AudioDevice {
public:
    virtual ~AudioDevice() = default;
    // Opens the default output at `rate`, paused; false, with the reason in *why, when none opens.
    virtual bool Open(AudioOut::Pull pull, void* user, int rate, std::string* why) = 0;
    virtual int BufferFrames() const = 0;  // of the open device (as AudioOut::BufferFrames)
    virtual void Start() = 0;
    virtual void Pause() = 0;  // on return no pull is running and none will start until Start
    // False once the open device has gone; it may still be pulling at its own pace then.
    virtual bool Alive() = 0;
    virtual void Close() = 0;  // safe when nothing is open
};

struct FailoverTiming {
    std::chrono::milliseconds check{100};   // how often an open device is asked whether it is alive
    std::chrono::milliseconds retry{1000};  // between attempts to open the default output again
};

class AudioFailover {
public:
    explicit AudioFailover(std::unique_ptr<AudioDevice> device, FailoverTiming timing = {});
    ~AudioFailover();  // closes
    AudioFailover(const AudioFailover&) = delete;
    AudioFailover& operator=(const AudioFailover&) = delete;

    // As AudioOut::Open, Start, Pause and Close.
    bool Open(AudioOut::Pull pull, void* user, int rate);
    void Start();
    void Pause();
    void Close();

    int BufferFrames() const;  // of the output pulling now: 0 for the silent output
    bool IsSilent() const;
    int Changes() const;  // any thread, a pull's too

private:
    void Watch();
    void LoseDevice();      // under mutex
    void TakeBackDevice();  // under mutex, the device open

    const std::unique_ptr<AudioDevice> device;
    const FailoverTiming timing;
    AudioOut::Pull pull = nullptr;
    void* user = nullptr;
    int rate = AudioOut::defaultRate;

    // Guarded by mutex; the watcher swaps outputs only under it, so Pause holds once it returns.
    std::mutex mutex;
    std::condition_variable wake;
    bool deviceOpen = false;
    bool running = false;  // between Start and Pause
    bool closing = false;
    std::unique_ptr<SilentOutput> silent;  // in use whenever no device is open
    std::atomic<int> bufferFrames{0};      // what BufferFrames() and IsSilent() read: written under mutex
    std::atomic<bool> silentNow{false};
    std::atomic<int> changes{0};
    std::thread watcher;  // only while a device was opened at the start
};
