// The program-wide objects and the live run.
#include "app/program.h"

#include <chrono>
#include <thread>

#include "app/main_loop.h"
#include "app/show.h"
#include "app/show_seek.h"
#include "audio/mp3_decoder.h"
#include "platform/sdl/audio_out.h"
#include "platform/sdl/stop_signals.h"

Program::Program(const ProgramSetup& setup)
    : window(setup.ownWindow ? std::make_unique<D3DWindow>(640, 480, setup.fullScreen, showTitle) : nullptr),
      music(device ? std::make_unique<MusicStream>(showMusicFile, setup.clock) : nullptr) {
    fileTextures = &fileTextureRegistry;
    renderTargets = &renderTargetRegistry;
}

Program::~Program() {
    // The registries release their textures as members go (render targets first); nothing may
    // reach them through the globals meanwhile.
    renderTargets = nullptr;
    fileTextures = nullptr;
}

namespace {

// The live run: the music's own clock, the window's pump, presentation on screen.
class LiveHost : public ShowHost {
public:
    LiveHost(Program& program, float startAt)
        : program(program), show(program.compositions), seeker(*program.music), startAt(startAt) {}

    bool StartShow() override {
        if (!show.Start()) return false;
        if (startAt > 0.0f) {
            program.music->Seek(startAt);
            seeker.Seek(show, program.music->GetPosition());
        }
        return true;
    }
    void EndShow() override { show.End(); }
    void Play() override { program.music->Play(); }
    void Stop() override { program.music->Stop(); }
    float GetPosition() override { return program.music->GetPosition(); }
    float GetLength() override { return program.music->GetLength(); }
    void GetSpectrum(float* s) override { program.music->GetSpectrum(s); }
    void HideCursor() override { SetCursor(nullptr); }
    // A minimised window cannot show a frame and its swap may not wait for anything: the show
    // plays on (the music is the clock), steps its timeline without drawing and sleeps for about
    // a frame instead of presenting. The next visible frame draws what the skipped ones left.
    void ClearBackBuffer() override {
        hidden = !program.window->IsVisible();
        if (!hidden) device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x00000000, 1.0f, 0);
    }
    void ShowFrame(float t, const float* s) override { hidden ? show.Skip(t, s) : show.Frame(t, s); }
    void Present() override {
        if (hidden)
            std::this_thread::sleep_for(std::chrono::microseconds(16667));
        else
            device->Present(nullptr, nullptr, nullptr, nullptr);
    }
    bool PumpMessages() override { return program.window->PumpMessages(); }
    // The reference taken when the device was created; resources still alive keep it going.
    void ReleaseDevice() override { device->Release(); }

private:
    Program& program;
    Show show;
    bool hidden = false;  // this frame: the window is minimised or hidden
    ShowSeeker seeker;
    float startAt;
};

}  // namespace

float ProbeMusicLength(const char* fileName) {
    Mp3Decoder decoder;
    if (!decoder.Open(fileName)) return -1.0f;
    return float(double(decoder.Length()) / decoder.Rate());  // as the stream converts its length
}

int RunLiveProgram(const LiveOptions& options) {
    int status = 0;
    try {
        Program program(ProgramSetup{true, options.fullScreen, MusicStream::Clock::RealTime});
        if (!device) return 1;  // "Morra til vesk" is on the console; nothing may touch the device
        LiveHost host(program, options.startAt);
        RunShow(host);
    } catch (const Exception& e) {
        MessageBoxA(nullptr, e.message, e.location, MB_OK);
        status = 1;
    }
    // A stop signal ended the show the way Escape does; the status says it was interrupted.
    if (const int signal = PlatformStopSignal()) return 128 + signal;
    return status;
}
