// Sound output on SDL2 audio: the device the failover opens, watches and opens again.
//
// What SDL 2.26 does when the sound server goes (PulseAudio killed under a playing show): within
// a pull or two it marks the device disconnected, SDL_GetAudioDeviceStatus reads SDL_AUDIO_STOPPED
// (an SDL_AUDIODEVICEREMOVED event is queued too, for the window's pump, which drops it), and the
// callback goes on at about the device's rate into a buffer nobody plays. The driver stays up: once
// the server is back, SDL_OpenAudioDevice on the same driver connects to it again. A device that
// pulls nothing for a while is no sign of loss: a fresh PulseAudio null sink asks for its first
// data up to 2 s after the stream opens.
#include "platform/audio_out.h"

#include <SDL.h>

#include <chrono>
#include <string>

#include "platform/common/audio_failover.h"
#include "platform/common/silent_output.h"
#include "platform/native/audio_device.h"

namespace {

class SdlAudioDevice : public AudioDevice {
public:
    ~SdlAudioDevice() override {
        Close();
        if (audioStarted) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }

    bool Open(AudioOut::Pull newPull, void* newUser, int rate, std::string* why) override {
        Close();
        pull = newPull;
        user = newUser;
        // The subsystem stays up until the output goes: quitting it waits for the driver's
        // device-watch thread, which ALSA wakes only every 100 ms, and that wait would hold up the start.
        if (!audioStarted) {
            if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
                *why = std::string("no audio driver (") + SDL_GetError() + ")";
                return false;
            }
            audioStarted = true;
        }
        SDL_AudioSpec want{}, have{};
        want.freq = rate;
        want.format = AUDIO_S16SYS;
        want.channels = AudioOut::channels;
        want.samples = SilentOutput::bufferFrames;
        want.callback = &SdlAudioDevice::Callback;
        want.userdata = this;
        // No allowed changes: SDL converts to whatever the hardware takes, the callback sees ours.
        id = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
        if (id == 0) {
            *why = std::string("no output device (") + SDL_GetError() + ")";
            return false;
        }
        bufferFrames = have.samples;
        return true;
    }
    int BufferFrames() const override { return bufferFrames; }
    void Start() override { SDL_PauseAudioDevice(id, 0); }
    // SDL takes the device lock here, so no callback is running once this returns.
    void Pause() override { SDL_PauseAudioDevice(id, 1); }
    bool Alive() override { return SDL_GetAudioDeviceStatus(id) != SDL_AUDIO_STOPPED; }
    void Close() override {
        if (id != 0) SDL_CloseAudioDevice(id);
        id = 0;
    }

private:
    static void SDLCALL Callback(void* userdata, Uint8* stream, int len) {
        auto* self = static_cast<SdlAudioDevice*>(userdata);
        self->pull(self->user, reinterpret_cast<int16_t*>(stream), len / int(sizeof(int16_t) * AudioOut::channels));
    }

    AudioOut::Pull pull = nullptr;
    void* user = nullptr;
    SDL_AudioDeviceID id = 0;
    int bufferFrames = 0;
    bool audioStarted = false;  // SDL's audio subsystem is ours to quit at the end
};

}  // namespace

std::unique_ptr<AudioDevice> MakeAudioDevice() {
    return std::make_unique<SdlAudioDevice>();
}
