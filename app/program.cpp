// The program-wide objects and the live run.
#include "app/program.h"

#include "app/main_loop.h"
#include "app/show.h"
#include "app/show_seek.h"
#include "audio/mp3_decoder.h"
#include "platform/sdl/audio_out.h"

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
    void ClearBackBuffer() override {
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x00000000, 1.0f, 0);
    }
    void ShowFrame(float t, const float* s) override { show.Frame(t, s); }
    void Present() override { device->Present(nullptr, nullptr, nullptr, nullptr); }
    bool PumpMessages() override { return program.window->PumpMessages(); }
    // The reference taken when the device was created; resources still alive keep it going.
    void ReleaseDevice() override { device->Release(); }

private:
    Program& program;
    Show show;
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
    try {
        Program program(ProgramSetup{true, options.fullScreen, MusicStream::Clock::RealTime});
        if (!device) return 1;  // "Morra til vesk" is on the console; nothing may touch the device
        LiveHost host(program, options.startAt);
        RunShow(host);
        return 0;
    } catch (const Exception& e) {
        MessageBoxA(nullptr, e.message, e.location, MB_OK);
        return 1;
    }
}
