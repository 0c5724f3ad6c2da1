// The entry point's run and the frame loop. Timed by the music position alone: no frame limiter,
// nothing allocated per frame.
#include "app/main_loop.h"

float spectrum[512] = {};

bool ShowRun::Start() {
    if (host.StartShow()) {
        result.started = true;
        return true;
    }
    host.EndShow();
    ended = over = true;
    return false;
}

bool ShowRun::Frame() {
    if (over || ended) return false;
    bool escaped = false;
    if (!begun) {
        begun = true;
        host.Play();
        escaped = host.PumpMessages();  // Escape held during loading: no frame after the first picture
    } else {
        const float t = host.GetPosition();
        const float length = host.GetLength();
        if (t == length) {  // exact: at the end of the stream both convert to the same value
            over = true;
        } else {
            host.HideCursor();
            host.GetSpectrum(spectrum);  // before the frame, so the frame sees this frame's spectrum
            host.ClearBackBuffer();
            host.ShowFrame(t, spectrum);
            host.Present();
            ++result.frames;
            escaped = host.PumpMessages();
        }
    }
    if (escaped) {
        result.escaped = true;
        over = true;
    }
    if (over) host.Stop();
    return !over;
}

void ShowRun::PlayAgain() {
    if (ended || !over) return;
    over = begun = false;
    result.escaped = false;
}

void ShowRun::End() {
    if (ended) return;
    ended = true;
    if (!over) host.Stop();
    host.ReleaseDevice();
    host.EndShow();
}

RunResult RunShow(ShowHost& host) {
    ShowRun run(host);
    if (!run.Start()) return run.Result();
    while (run.Frame()) {
    }
    run.End();
    return run.Result();
}
