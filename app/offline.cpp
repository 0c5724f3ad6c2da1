// The offline run: the same entry-point steps and frame loop as the live program; the clock is set
// frame by frame and finished pictures go to a capture callback instead of a viewer.
#include "app/offline.h"

#include <algorithm>
#include <chrono>
#include <cmath>

#include "app/main_loop.h"
#include "app/program.h"
#include "app/show.h"
#include "platform/stop_signals.h"
#include "scene/scene.h"

namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// A free camera, if a scene falls back to it, sees no input: the same picture on every run.
FreeFlyInput NoInput() {
    return FreeFlyInput{};
}

class OfflineHost : public ShowHost {
public:
    OfflineHost(Program& program, const OfflineOptions& options, OfflineResult& result)
        : program(program), options(options), result(result), show(program.compositions) {}

    bool StartShow() override {
        SetFreeFlyInputSource(NoInput);
        const bool ok = show.Start();
        if (show.FirstPictureTime() != Clock::time_point{})
            result.startUpSeconds = std::chrono::duration<double>(show.FirstPictureTime() - runStart).count();
        return ok;
    }
    void EndShow() override {
        show.End();
        SetFreeFlyInputSource(nullptr);
    }
    void Play() override { program.music->Play(); }
    void Stop() override { program.music->Stop(); }
    // Each pass of the loop asks for the position once: that is where the clock moves to frame n.
    float GetPosition() override {
        const float length = program.music->GetLength();
        float t = OfflineFrameTime(next, options.fps);
        if (!(t < length)) t = length;  // the end of the music ends the loop, as live
        current = next++;
        currentTime = t;
        program.music->SetPosition(t);
        return program.music->GetPosition();
    }
    float GetLength() override { return program.music->GetLength(); }
    void GetSpectrum(float* s) override { program.music->GetSpectrum(s); }
    void HideCursor() override {}
    void ClearBackBuffer() override {
        if (Skipping()) return;
        frameStart = Clock::now();
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x00000000, 1.0f, 0);
    }
    void ShowFrame(float t, const float* s) override {
        if (Skipping()) return show.Skip(t, s);
        show.Frame(t, s);
        frameMs = MsSince(frameStart);
        drawMs += frameMs;
        result.frameDrawMs.push_back(static_cast<float>(frameMs));
    }
    void Present() override {
        if (Skipping()) return;
        const Clock::time_point start = Clock::now();
        device->Present(nullptr, nullptr, nullptr, nullptr);
        const double ms = MsSince(start);
        presentMs += ms;
        frameMs += ms;
        totalMs += frameMs;
        result.frameMs.push_back(static_cast<float>(frameMs));
        result.worstFrameMs = std::max(result.worstFrameMs, frameMs);
        if (frameMs > 1000.0 / 60.0) ++result.slowFrames;
        ++result.frames;
        // After Present, which finishes the picture (the device keeps the back buffer), so the
        // frame's time holds all of its drawing and none of the read-back.
        if (current >= options.firstCaptured && current < options.endCaptured && options.capture) {
            ++result.captured;
            if (!options.capture(current, currentTime)) result.captureFailed = true;
        }
    }
    // Nobody presses Escape here; the run ends after the last frame wanted, on a failed write, or
    // on a stop signal (SIGINT, SIGTERM) once the tool has asked for them.
    bool PumpMessages() override {
        return result.captureFailed || next >= options.endCaptured || PlatformStopSignal() != 0;
    }
    // The device belongs to whoever opened it (the tool, the test), not to this run.
    void ReleaseDevice() override {}

    double totalMs = 0, drawMs = 0, presentMs = 0;
    Clock::time_point runStart = Clock::now();

private:
    // Frames before the first captured one only step the timeline; nothing of them is seen.
    bool Skipping() const { return current < options.firstCaptured; }

    Program& program;
    const OfflineOptions& options;
    OfflineResult& result;
    Show show;
    long next = 0, current = 0;
    float currentTime = 0;
    Clock::time_point frameStart{};
    double frameMs = 0;
};

}  // namespace

float OfflineFrameTime(long n, double fps) {
    return static_cast<float>(static_cast<double>(n) / fps);
}

long OfflineFrameNearest(float t, double fps) {
    const double n = static_cast<double>(t) * fps;
    if (!(n > 0.0)) return 0;
    return std::lround(std::min(n, 1.0e9));  // far past any music
}

long OfflineFirstFrameAtOrAfter(double t, double fps) {
    constexpr double maxFrames = 1.0e9;  // far past any music; keeps the arithmetic in range
    if (!(t > 0.0)) return 0;
    const double guess = std::floor(std::min(t * fps, maxFrames));
    long n = std::max(0L, static_cast<long>(guess) - 2);
    while (n < static_cast<long>(maxFrames) && static_cast<double>(OfflineFrameTime(n, fps)) < t) ++n;
    return n;
}

OfflineResult RunOffline(const OfflineOptions& options) {
    OfflineResult result;
    const Clock::time_point start = Clock::now();
    {
        Program program(ProgramSetup{false, false, MusicStream::Clock::Offline, DrawSize{}});
        if (!device || !program.music) return result;
        OfflineHost host(program, options, result);
        host.runStart = start;
        result.started = RunShow(host).started;
        if (result.frames > 0) {
            const double frames = static_cast<double>(result.frames);
            result.meanFrameMs = host.totalMs / frames;
            result.meanDrawMs = host.drawMs / frames;
            result.meanPresentMs = host.presentMs / frames;
        }
    }
    result.wallSeconds = std::chrono::duration<double>(Clock::now() - start).count();
    return result;
}
