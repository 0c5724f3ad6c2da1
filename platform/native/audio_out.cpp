// AudioOut on the native backends: the backend's device behind the failover, which keeps the
// silent output and the reopening (platform/common/audio_failover.h).
#include "platform/audio_out.h"

#include <chrono>

#include "platform/native/audio_device.h"

struct AudioOut::Impl {
    AudioFailover output{MakeAudioDevice()};
};

AudioOut::AudioOut() = default;

AudioOut::~AudioOut() {
    Close();
}

bool AudioOut::Open(Pull pull, void* user, int rate) {
    Close();
    impl = std::make_unique<Impl>();
    return impl->output.Open(pull, user, rate);
}

void AudioOut::Start() {
    if (impl) impl->output.Start();
}

void AudioOut::Pause() {
    if (impl) impl->output.Pause();
}

void AudioOut::Close() {
    impl.reset();  // the device's pulls end, then the device itself
}

double AudioOut::Now() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

int AudioOut::BufferFrames() const {
    return impl ? impl->output.BufferFrames() : 0;
}

bool AudioOut::IsSilent() const {
    return impl && impl->output.IsSilent();
}

int AudioOut::Changes() const {
    return impl ? impl->output.Changes() : 0;
}
