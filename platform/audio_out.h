// The sound output: a device that pulls 16-bit stereo frames at the rate it was opened with.
// When there is no usable sound device, a silent output takes its place: it pulls the same frames
// in real time on its own thread and throws them away, so a clock built on the pulls still runs.
// Natively a device lost while open (unplugged, its sound server gone) is replaced by the silent
// output at once and opened again about once a second; the pulls go on throughout.
#pragma once

#include <cstdint>
#include <memory>

class AudioOut {
public:
    static constexpr int defaultRate = 44100;  // when there is no music to take a rate from
    static constexpr int channels = 2;

    // Fills `frames` interleaved stereo frames. Runs on the output's own thread.
    using Pull = void (*)(void* user, int16_t* interleaved, int frames);

    AudioOut();
    ~AudioOut();  // closes
    AudioOut(const AudioOut&) = delete;
    AudioOut& operator=(const AudioOut&) = delete;

    // Opens the default output device at `rate` frames a second, paused (SDL converts for hardware
    // that runs at another). Returns false when no device could be opened; the silent output is then
    // in place, pulling at the same rate, and everything else works the same.
    bool Open(Pull pull, void* user, int rate = defaultRate);
    void Start();  // pulls begin (or resume)
    void Pause();  // on return no pull is running and none will start until Start
    void Close();  // stops for good; safe to call twice

    // Frames a pull hands over that are still ahead of the speaker when the next pull starts.
    int BufferFrames() const;
    // Seconds on the clock the output plays by, for timing pulls and the position heard: a steady
    // clock natively; in a browser the audio context's time less its output latency.
    double Now() const;
    bool IsSilent() const;
    // How many times the output pulling has been replaced since Open (a device lost, a device
    // back). A pull that sees it change is the first from the new output, whose BufferFrames may
    // differ. Safe from a pull.
    int Changes() const;

    struct Impl;  // the backend's

private:
    std::unique_ptr<Impl> impl;
};
