// The show on the offline clock: frame n at music time n / fps, drawn on the device already open,
// with the timeline stepped every frame exactly as a live run at that rate would step it.
#pragma once

#include <functional>
#include <vector>

struct OfflineOptions {
    double fps = 60.0;
    long firstCaptured = 0;  // frames n with firstCaptured <= n < endCaptured are handed to capture
    long endCaptured = 0;
    // Called after the frame's Present, with the back buffer (which Present keeps) bound as target 0.
    // False stops the run (a write failed).
    std::function<bool(long n, float t)> capture;
};

struct OfflineResult {
    bool started = false;  // the show's start-up succeeded
    bool captureFailed = false;
    long frames = 0;         // frames drawn
    long captured = 0;       // frames handed to capture
    double wallSeconds = 0;  // the whole run, start-up included
    double meanFrameMs = 0;  // clear, show frame and Present, capture excluded
    double worstFrameMs = 0;
    long slowFrames = 0;             // frames over 1/60 s
    double meanDrawMs = 0;           // of which clear and show frame: device calls and their GL submission
    double meanPresentMs = 0;        // of which Present: where the renderer finishes the frame's pixels
    double startUpSeconds = 0;       // start of the run to the first presented picture
    std::vector<float> frameMs;      // each drawn frame's time, in drawing order (capture excluded)
    std::vector<float> frameDrawMs;  // of which clear and show frame
};

// Frame n's music time: n / fps rounded once to single precision.
float OfflineFrameTime(long n, double fps);
// The frame nearest music time t at that rate.
long OfflineFrameNearest(float t, double fps);
// The first frame whose time is at least t (0 for t <= 0; at most 1e9 for absurd t).
long OfflineFirstFrameAtOrAfter(double t, double fps);

// Builds the program objects on the open device with the offline music clock, runs the show from
// t = 0 through the last captured frame (or to the music's end) and tears down.
OfflineResult RunOffline(const OfflineOptions& options);
