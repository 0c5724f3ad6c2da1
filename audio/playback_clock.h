// Where the listener is, in frames, from what the output has pulled. Each pull hands over frames
// at a known time; the frame being heard is everything handed over before that pull, less what the
// device still holds, plus the time since the pull. The result never goes back, never passes what
// has been handed over (less the device's share), and never passes the end.
// Not thread-safe: the caller serialises pulls and queries.
#pragma once

#include <cstdint>

class PlaybackClock {
public:
    void Reset(int rate, int deviceFrames);
    // A pull at `now` (seconds on a steady clock) handed over `frames` frames of playing time.
    void OnPull(int64_t frames, double now);
    // The output stopped: hold the position until the next pull.
    void Freeze(double now);
    // The output is paused and its next pull starts at `frame`: hold the position there until the
    // device has played what that pull hands over, as at the start. May go back.
    void Seek(int64_t frame);
    // The pulls come from another output from now on, one that holds `deviceFrames`. Running, the
    // position goes on from where it is at `now` without a jump: the returned frame is the one the
    // next pull should hand over first, heard just as the position gets there. Held (before the
    // first pull, frozen or sought), the hold stays and the next pull goes on from Handed().
    int64_t ChangeDevice(int deviceFrames, double now);
    // Frames heard at `now`, fractional, at most endFrame.
    double Heard(double now, int64_t endFrame);

    int64_t Handed() const { return handed; }

private:
    int rate = 44100;
    int deviceFrames = 0;
    int64_t handed = 0;    // frames handed over, the latest pull included
    int64_t lastPull = 0;  // frames in the latest pull
    double lastPullTime = 0;
    bool running = false;  // a pull since the last Reset or Freeze
    double reported = 0;   // highest value returned so far
};
