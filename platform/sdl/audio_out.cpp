// Sound output on SDL2 audio, with a silent real-time stand-in when no device opens.
#include "platform/audio_out.h"

#include <SDL.h>

#include <chrono>
#include <cstdio>

#include "platform/native/silent_output.h"

namespace {

constexpr int bufferFrames = 1024;  // about 23 ms per pull

}  // namespace

struct AudioOut::Impl {
    Pull pull = nullptr;
    void* user = nullptr;
    SDL_AudioDeviceID device = 0;
    bool audioStarted = false;  // SDL's audio subsystem is ours to quit at Close
    int deviceBufferFrames = 0;
    std::unique_ptr<SilentOutput> silent;

    static void SDLCALL Callback(void* userdata, Uint8* stream, int len) {
        Impl* self = static_cast<Impl*>(userdata);
        self->pull(self->user, reinterpret_cast<int16_t*>(stream), len / int(sizeof(int16_t) * AudioOut::channels));
    }
};

AudioOut::AudioOut() = default;

AudioOut::~AudioOut() {
    Close();
}

bool AudioOut::Open(Pull pull, void* user, int rate) {
    Close();
    impl = std::make_unique<Impl>();
    impl->pull = pull;
    impl->user = user;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) {
        impl->audioStarted = true;
        SDL_AudioSpec want{}, have{};
        want.freq = rate;
        want.format = AUDIO_S16SYS;
        want.channels = channels;
        want.samples = bufferFrames;
        want.callback = &Impl::Callback;
        want.userdata = impl.get();
        // No allowed changes: SDL converts to whatever the hardware takes, the callback sees ours.
        impl->device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
        if (impl->device != 0) {
            impl->deviceBufferFrames = have.samples;
            return true;
        }
        // The subsystem stays up until Close: quitting it waits for the driver's device-watch
        // thread, which ALSA wakes only every 100 ms, and that wait would hold up the start.
        std::fprintf(stderr, "audio: no output device (%s); playing silently\n", SDL_GetError());
    } else {
        std::fprintf(stderr, "audio: no audio driver (%s); playing silently\n", SDL_GetError());
    }
    impl->silent = std::make_unique<SilentOutput>(pull, user, rate);
    return false;
}

void AudioOut::Start() {
    if (!impl) return;
    if (impl->device) SDL_PauseAudioDevice(impl->device, 0);
    if (impl->silent) impl->silent->SetRunning(true);
}

void AudioOut::Pause() {
    if (!impl) return;
    // SDL takes the device lock here, so no callback is running once this returns.
    if (impl->device) SDL_PauseAudioDevice(impl->device, 1);
    if (impl->silent) impl->silent->SetRunning(false);
}

void AudioOut::Close() {
    if (!impl) return;
    if (impl->device) SDL_CloseAudioDevice(impl->device);
    if (impl->audioStarted) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    impl->silent.reset();
    impl.reset();
}

double AudioOut::Now() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

int AudioOut::BufferFrames() const {
    return impl ? impl->deviceBufferFrames : 0;
}

bool AudioOut::IsSilent() const {
    return impl && impl->silent != nullptr;
}
