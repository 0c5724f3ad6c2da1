// Author mode's host and its program.
#include "app/author/author_host.h"

#include <cstdio>
#include <limits>
#include <string>
#include <thread>

#include "app/program.h"
#include "audio/music_stream.h"
#include "platform/d3dwindow.h"
#include "platform/stop_signals.h"

namespace {

constexpr int maxKeysPerPump = 16;

}  // namespace

AuthorHost::AuthorHost(Program& program, D3DWindow* window, const AuthorOptions& options, FILE* out)
    : program(program),
      window(window),
      startAt(options.startAt),
      show(program.compositions),
      session(*program.music, show, options.grid, out) {
    if (!window) return;
    // As in the show (app/device_recovery.h), and the overlay made again with the rest; an overlay
    // that cannot be made is no reason to stay lost.
    recovery = std::make_unique<DeviceRecovery>(*window, show);
    recovery->releaseMore = [this] { overlay.Release(); };
    recovery->restoreMore = [this] {
        std::string warning;
        overlay.Create(overlayFontPath, &warning);
        return true;
    };
}

bool AuthorHost::StartShow() {
    if (!show.Start()) return false;
    std::string warning;
    if (!overlay.Create(overlayFontPath, &warning) || !warning.empty())
        std::fprintf(stderr, "virelle: %s\n", warning.empty() ? "the overlay could not be made" : warning.c_str());
    session.Open(startAt);
    return true;
}

void AuthorHost::EndShow() {
    overlay.Release();
    show.End();
}

void AuthorHost::Play() {
    program.music->Play();
}

void AuthorHost::Stop() {
    program.music->Stop();
}

float AuthorHost::GetPosition() {
    current = session.FrameTime();
    return current;
}

float AuthorHost::GetLength() {
    return std::numeric_limits<float>::infinity();
}

void AuthorHost::GetSpectrum(float* s) {
    program.music->SpectrumAt(current, s);  // this frame's moment, held or playing
}

void AuthorHost::HideCursor() {
    SetCursor(nullptr);
}

void AuthorHost::ClearBackBuffer() {
    lost = recovery && !recovery->TryRestore();
    if (!lost) device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x00000000, 1.0f, 0);
}

OverlayFacts AuthorHost::Facts() const {
    OverlayFacts f;
    f.t = session.ShownTime();
    f.barBeat = BarBeatAt(session.Grid(), f.t);
    const int n = std::min(frameCount, Overlay::graphSamples);
    double sum = 0;
    int counted = 0;
    for (int i = 0; i < n; ++i) {
        orderedMs[i] = frameMs[(frameCount - n + i) % Overlay::graphSamples];
        if (i >= n - 30) sum += orderedMs[i], ++counted;
    }
    f.frameMs = orderedMs;
    f.frameCount = n;
    f.fps = sum > 0 ? float(1000.0 * counted / sum) : 0.0f;
    TimelineState state = session.StateBeforeFrame();
    f.plan = StepTimeline(state, f.t, session.S0(), session.S1());  // what that frame drew, again
    f.s0 = session.S0();
    f.s1 = session.S1();
    const bool ringer = f.plan.setOffset;
    f.s0Fired = ringer && f.s0 * 30.0f > 18.0f;
    f.s1Fired = ringer && f.s1 * 30.0f > 25.0f;
    f.paused = session.Paused();
    if (const auto loop = session.Loop()) {
        f.looping = true;
        f.loopStart = loop->start;
        f.loopEnd = loop->end;
    }
    return f;
}

void AuthorHost::ShowFrame(float t, const float* s) {
    session.DrawFrame(t, s, !lost);
    if (!lost && session.OverlayOn()) overlay.Draw(Facts());
}

void AuthorHost::Present() {
    if (lost) {  // nothing to show: about a frame's wait instead, the clock runs on
        std::this_thread::sleep_for(std::chrono::microseconds(16667));
        return;
    }
    const HRESULT presented = device->Present(nullptr, nullptr, nullptr, nullptr);
    if (recovery) recovery->Presented(presented);
    const auto now = std::chrono::steady_clock::now();
    if (lastPresent != std::chrono::steady_clock::time_point{}) {
        frameMs[frameCount % Overlay::graphSamples] =
            std::chrono::duration<float, std::milli>(now - lastPresent).count();
        ++frameCount;
    }
    lastPresent = now;
}

bool AuthorHost::PumpMessages() {
    const bool escape = window && window->PumpMessages();
    KeyPress keys[maxKeysPerPump];
    const int n = PlatformTakeKeyPresses(keys, maxKeysPerPump);
    for (int i = 0; i < n && !escape; ++i) session.HandleKey(keys[i]);
    return escape;
}

void AuthorHost::ReleaseDevice() {
    device->Release();
}

int RunAuthorProgram(const AuthorOptions& options) {
    int status = 0;
    try {
        Program program(ProgramSetup{true, options.fullScreen, MusicStream::Clock::RealTime, options.drawSize});
        if (!device) return 1;
        AuthorHost host(program, program.window.get(), options, stdout);
        RunShow(host);
    } catch (const Exception& e) {
        MessageBoxA(nullptr, e.message, e.location, MB_OK);
        status = 1;
    }
    // As in the show: a stop signal ends the session like Escape, and the status says so.
    if (const int signal = PlatformStopSignal()) return 128 + signal;
    return status;
}
