// The sound output: a device that pulls 16-bit stereo frames at 44100 Hz from a callback.
// When there is no usable sound device, a silent output takes its place: it pulls the same frames
// in real time on its own thread and throws them away, so a clock built on the pulls still runs.
#pragma once

#include <cstdint>
#include <memory>

class AudioOut {
public:
    static constexpr int rate = 44100;
    static constexpr int channels = 2;

    // Fills `frames` interleaved stereo frames. Runs on the output's own thread.
    using Pull = void (*)(void* user, int16_t* interleaved, int frames);

    AudioOut();
    ~AudioOut();  // closes
    AudioOut(const AudioOut&) = delete;
    AudioOut& operator=(const AudioOut&) = delete;

    // Opens the default output device, paused. Returns false when no device could be opened; the
    // silent output is then in place and everything else works the same.
    bool Open(Pull pull, void* user);
    void Start();  // pulls begin (or resume)
    void Pause();  // on return no pull is running and none will start until Start
    void Close();  // stops for good; safe to call twice

    // Frames a pull hands over that are still ahead of the speaker when the next pull starts.
    int BufferFrames() const;
    bool IsSilent() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl;
};
