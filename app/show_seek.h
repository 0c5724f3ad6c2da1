// Starting the show part-way: the state a run from time 0 at 60 frames a second would have reached.
#pragma once

#include <array>
#include <vector>

class MusicStream;
class Show;

// The frame rate the stepped run is taken at.
constexpr double seekFramesPerSecond = 60.0;

// Steps a show to a music time without drawing, frame by frame from 0, with the spectrum the
// offline clock gives at each frame (the same numbers a late offline start steps with). The two
// bands the timeline reads are kept per frame once worked out, so later jumps cost only the steps.
class ShowSeeker {
public:
    explicit ShowSeeker(MusicStream& music) : music(music) {}

    // Rewinds the show and steps it through every frame before music time t; the next Frame at t
    // then draws what that run would show (each scene's latest skipped pass first).
    void Seek(Show& show, float t);
    // The frames Seek(t) steps through.
    static long FramesBefore(float t);

private:
    MusicStream& music;
    std::vector<std::array<float, 2>> bands;  // s0 and s1 of frame n
};
