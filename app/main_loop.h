// The entry point's run of the show and its frame loop, over the few calls they make. The live
// program and the offline renderer implement ShowHost differently (the clock, what a finished picture
// is used for); the steps and their order are the same code.
//
// A run is three steps: start-up, one frame at a time, end. The native loop calls the frame step in
// a while loop; the browser calls it from its frame callback. Both go through ShowRun.
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

// One run of the show, step by step, for whoever owns the loop.
class ShowRun {
public:
    explicit ShowRun(ShowHost& host) : host(host) {}

    // The show's start-up. False when it failed: the show has ended (the loader that failed has
    // told the user), the music never starts and the device is kept; call nothing else.
    bool Start();
    // The first call plays the music and pumps once (Escape held during loading ends the run with
    // no frame after the first picture); every call then draws one frame, unless the position equals
    // the length (exact float equality), and pumps. False once the show is over: the music has
    // been stopped and only End (or PlayAgain) remains.
    bool Frame();
    // After Frame returned false: the next Frame plays the music again, after the host has put the
    // show and the music back where they are to start from.
    void PlayAgain();
    // The teardown: Stop if the music still plays, the device reference, the show's end.
    void End();

    const RunResult& Result() const { return result; }
    bool Over() const { return over; }

private:
    ShowHost& host;
    RunResult result;
    bool begun = false;  // Play has been called for this pass through the show
    bool over = false;   // Frame returned false
    bool ended = false;
};

// The entry point's steps on the native loop: start-up, then frames until the show is over, then
// teardown.
RunResult RunShow(ShowHost& host);
