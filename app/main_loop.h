// The entry point's run of the show and its frame loop, over the few calls they make. The live
// program and the offline renderer implement ShowHost differently (the clock, what a finished picture
// is used for); the steps and their order are the same code.
#pragma once

// Everything a run calls, in the words of the calls it stands for.
class ShowHost {
public:
    virtual ~ShowHost() = default;

    virtual bool StartShow() = 0;  // the show's start-up: first picture, content; false on failure
    virtual void EndShow() = 0;    // the show's end

    virtual void Play() = 0;  // music
    virtual void Stop() = 0;
    virtual float GetPosition() = 0;  // seconds
    virtual float GetLength() = 0;    // seconds
    virtual void GetSpectrum(float* spectrum) = 0;

    virtual void HideCursor() = 0;                               // SetCursor(NULL)
    virtual void ClearBackBuffer() = 0;                          // target and depth to 0 and 1.0
    virtual void ShowFrame(float t, const float* spectrum) = 0;  // the show's 3D passes and composition
    virtual void Present() = 0;
    virtual bool PumpMessages() = 0;   // true when Escape is pressed
    virtual void ReleaseDevice() = 0;  // the entry point's one device reference
};

// The spectrum of the current frame: 512 floats, all 0 at start; a fetch writes elements 0 to 255.
extern float spectrum[512];

// How a run ended.
struct RunResult {
    bool started = false;  // the show's start-up succeeded and the music was started
    bool escaped = false;  // Escape ended it (otherwise the music's end, or a failed start-up)
    long frames = 0;       // frames drawn by the loop
};

// The entry point's steps: start-up, Play, a first pump, the loop, teardown.
RunResult RunShow(ShowHost& host);

// The loop alone: one frame per pass until position == length (exact float equality) or Escape.
// Returns the number of frames drawn; *escaped tells which way it ended.
long RunMainLoop(ShowHost& host, bool* escaped);
