// The live run in author mode: the same entry-point steps and frame loop as the show, with the
// author's transport deciding each frame's time, the keys handled after each pump and the overlay
// drawn over each picture. It runs until Escape; the music's end holds the last picture.
#pragma once

#include <chrono>
#include <memory>

#include "app/author/author_program.h"
#include "app/author/author_session.h"
#include "app/author/overlay.h"
#include "app/device_recovery.h"
#include "app/main_loop.h"
#include "app/show.h"

class D3DWindow;
class Program;

class AuthorHost : public ShowHost {
public:
    // `window` is pumped for Escape (the program's own, or the one a test opened); `out` gets the
    // action lines.
    AuthorHost(Program& program, D3DWindow* window, const AuthorOptions& options, FILE* out);

    bool StartShow() override;
    void EndShow() override;
    void Play() override;
    void Stop() override;
    float GetPosition() override;
    float GetLength() override;  // never reached: author mode ends on Escape only
    void GetSpectrum(float* spectrum) override;
    void HideCursor() override;
    void ClearBackBuffer() override;
    void ShowFrame(float t, const float* spectrum) override;
    void Present() override;
    bool PumpMessages() override;
    void ReleaseDevice() override;

    AuthorSession& Session() { return session; }
    const Show& TheShow() const { return show; }
    bool DeviceLost() const { return lost; }  // the latest frame was not drawn: the device is lost
    // The overlay's facts for the latest frame.
    OverlayFacts Facts() const;

private:
    Program& program;
    D3DWindow* window;
    float startAt;
    Show show;
    AuthorSession session;
    Overlay overlay;
    std::unique_ptr<DeviceRecovery> recovery;   // with a window: a lost device is waited for and reset
    bool lost = false;                          // this frame: the device is lost, nothing is drawn
    float current = 0;                          // this frame's time
    float frameMs[Overlay::graphSamples] = {};  // a ring of frame-to-frame times
    int frameCount = 0;
    mutable float orderedMs[Overlay::graphSamples] = {};  // the ring oldest first, for the overlay
    std::chrono::steady_clock::time_point lastPresent{};
};
