// The entry point's run and the frame loop. Timed by the music position alone: no frame limiter,
// nothing allocated per frame.
#include "app/main_loop.h"

float spectrum[512] = {};

long RunMainLoop(ShowHost& host, bool* escaped) {
    long frames = 0;
    *escaped = false;
    for (;;) {
        const float t = host.GetPosition();
        const float length = host.GetLength();
        if (t == length) break;  // exact: at the end of the stream both convert to the same value
        host.HideCursor();
        host.GetSpectrum(spectrum);  // before the frame, so the frame sees this frame's spectrum
        host.ClearBackBuffer();
        host.ShowFrame(t, spectrum);
        host.Present();
        ++frames;
        if (host.PumpMessages()) {
            *escaped = true;
            break;
        }
    }
    return frames;
}

RunResult RunShow(ShowHost& host) {
    RunResult result;
    if (!host.StartShow()) {
        // The loader that failed has told the user; the music never starts and the device is kept.
        host.EndShow();
        return result;
    }
    result.started = true;
    host.Play();
    if (host.PumpMessages()) {
        result.escaped = true;  // Escape held during loading: no frame after the first picture
    } else {
        result.frames = RunMainLoop(host, &result.escaped);
    }
    host.Stop();
    host.ReleaseDevice();
    host.EndShow();
    return result;
}
