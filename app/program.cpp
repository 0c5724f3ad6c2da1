// The program-wide objects and the live run.
#include "app/program.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "app/device_recovery.h"
#include "app/main_loop.h"
#include "app/offline.h"
#include "app/show.h"
#include "app/show_seek.h"
#include "audio/mp3_decoder.h"
#include "composition/composition.h"
#include "platform/audio_out.h"
#include "platform/background_work.h"
#include "platform/frame_loop.h"
#include "platform/stop_signals.h"

namespace {

// The composition's textures, prepared while the window and device are made. The device's limits
// are assumed to be the usual ones (textures up to 2048 a side); a device with others loads them
// itself. Where there are no threads (the browser build) the loader reads every file itself.
std::unique_ptr<TexturePrefetch> StartTexturePrefetch() {
    if (!BackgroundWork::Threaded()) return nullptr;
    DecodeLimits limits;
    limits.textureBytesLeft = FileTextureBudget().Left();
    return std::make_unique<TexturePrefetch>([] { return CompositionTexturePaths(showCompositionFile); }, limits);
}

}  // namespace

Program::Program(const ProgramSetup& setup)
    : prefetch(StartTexturePrefetch()),
      window(setup.ownWindow
                 ? std::make_unique<D3DWindow>(640, 480, setup.fullScreen, showTitle, WindowUse::Show, setup.drawSize)
                 : nullptr),
      music(device ? std::make_unique<MusicStream>(showMusicFile, setup.clock) : nullptr) {
    fileTextures = &fileTextureRegistry;
    renderTargets = &renderTargetRegistry;
    texturePrefetch = prefetch.get();
}

Program::~Program() {
    texturePrefetch = nullptr;
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
        : program(program),
          show(program.compositions),
          recovery(*program.window, show),
          seeker(*program.music),
          startAt(startAt) {}

    bool StartShow() override {
        if (!show.Start()) return false;
        if (startAt > 0.0f) {
            program.music->Seek(startAt);
            seeker.Seek(show, program.music->GetPosition());
        }
        return true;
    }
    void EndShow() override { show.End(); }
    void Play() override {
        held = false;
        program.music->Play();
    }
    void Stop() override { program.music->Stop(); }
    float GetPosition() override { return held ? heldAt : program.music->GetPosition(); }
    float GetLength() override { return program.music->GetLength(); }
    void GetSpectrum(float* s) override { held ? program.music->SpectrumAt(heldAt, s) : program.music->GetSpectrum(s); }
    void HideCursor() override { SetCursor(nullptr); }
    // A minimised window cannot show a frame and its swap may not wait for anything, and a lost
    // device draws nothing until it has been reset (app/device_recovery.h): the show plays on
    // (the music is the clock), steps its timeline without drawing and sleeps for about a frame
    // instead of presenting. The next frame drawn draws what the skipped ones left.
    void ClearBackBuffer() override {
        hidden = !recovery.TryRestore() || !program.window->IsVisible();
        if (!hidden) device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x00000000, 1.0f, 0);
    }
    void ShowFrame(float t, const float* s) override {
        if (held) show.SetTimeline(heldState);  // every frame of a held picture steps from the same state
        hidden ? show.Skip(t, s) : show.Frame(t, s);
    }
    void Present() override {
        if (hidden)
            std::this_thread::sleep_for(std::chrono::microseconds(16667));
        else
            recovery.Presented(device->Present(nullptr, nullptr, nullptr, nullptr));
    }
    bool PumpMessages() override { return program.window->PumpMessages(); }
    // The reference taken when the device was created; resources still alive keep it going.
    void ReleaseDevice() override { device->Release(); }

    // The show and the music back at time 0, the music stopped: the next Play starts the show again.
    void Rewind() {
        held = false;
        program.music->Stop();
        program.music->Seek(0.0f);
        seeker.Seek(show, 0.0f);
    }
    // Stops the music at the frame the offline clock at 60 frames a second has nearest t, steps the
    // show there and draws it; later frames draw the same picture until Play.
    void HoldAt(float t) {
        const float length = program.music->GetLength();
        t = OfflineFrameTime(OfflineFrameNearest(std::clamp(t, 0.0f, length), seekFramesPerSecond),
                             seekFramesPerSecond);
        if (!(t < length)) t = length;
        program.music->Stop();
        program.music->Seek(t);
        seeker.Seek(show, t);
        held = true;
        heldAt = t;
        heldState = show.Timeline();
        HideCursor();
        GetSpectrum(spectrum);
        ClearBackBuffer();
        ShowFrame(t, spectrum);
        Present();
    }

private:
    Program& program;
    Show show;
    DeviceRecovery recovery;
    bool hidden = false;  // this frame: the window is minimised or hidden, or the device is lost
    ShowSeeker seeker;
    float startAt;
    bool held = false;  // HoldAt until the next Play
    float heldAt = 0;
    TimelineState heldState;
};

// Everything a live run uses, kept together for as long as the frame loop runs.
struct LiveRun {
    explicit LiveRun(const LiveOptions& options)
        : program(ProgramSetup{true, options.fullScreen, MusicStream::Clock::RealTime, options.drawSize}) {}
    Program program;
    std::unique_ptr<LiveHost> host;
    std::unique_ptr<ShowRun> run;
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
        auto live = std::make_shared<LiveRun>(options);
        if (!device) return 1;  // "Morra til vesk" is on the console; nothing may touch the device
        live->host = std::make_unique<LiveHost>(live->program, options.startAt);
        live->run = std::make_unique<ShowRun>(*live->host);
        live->run->Start();  // a failed start-up has told the user; the loop then ends at once
        {
            LiveRun* r = live.get();
            FrameLoop loop;
            loop.owner = live;
            loop.frame = [r] { return r->run->Frame(); };
            loop.escaped = [r] { return r->run->Result().escaped; };
            loop.end = [r] { r->run->End(); };
            loop.playAgain = [r] {
                if (!r->run->Over()) return;
                r->host->Rewind();
                r->run->PlayAgain();
            };
            loop.holdAt = [r](double t) { r->host->HoldAt(static_cast<float>(t)); };
            loop.musicTime = [r] { return static_cast<double>(r->host->GetPosition()); };
            live.reset();
            PlatformRunFrames(std::move(loop));
        }
    } catch (const Exception& e) {
        MessageBoxA(nullptr, e.message, e.location, MB_OK);
        status = 1;
    }
    // A stop signal ended the show the way Escape does; the status says it was interrupted.
    if (const int signal = PlatformStopSignal()) return 128 + signal;
    return status;
}
