// Author mode's transport and actions: where in the music the show is, pause, jumps, the section
// loop, reload and the overlay switch. Each action prints one line on its output, the music time
// with three decimals and then what happened ("81.550 pause", "82.550 seek", ...).
#pragma once

#include <cstdio>
#include <memory>
#include <optional>

#include "app/author/beat_grid.h"
#include "app/author/content_reload.h"
#include "app/show_seek.h"
#include "app/timeline.h"

class MusicStream;
class Show;
struct KeyPress;

// The show's sections: the stretches between these music times, and from the last to the end.
constexpr float sectionBounds[] = {0.0f, 44.0f, 55.0f, 69.0f, 93.0f, 94.0f, 135.0f};

struct Section {
    float start, end;
};
// The section that contains t in a piece of that length (the last one holds the end itself).
Section SectionAt(float t, float length);

class AuthorSession {
public:
    AuthorSession(MusicStream& music, Show& show, const BeatGrid& grid, FILE* out);

    // After the show's start-up, before the music plays: opens at t.
    void Open(float t);
    // The music time the next frame is drawn at. Playing, it is the music's position; a loop
    // going past its end jumps back to its start, and the music's end holds the picture there.
    float FrameTime();
    // Draws the show's frame at t (FrameTime's) with that moment's spectrum; while held, each frame
    // starts from the state the first held frame started from, so it draws the same picture.
    // Without `draw` the frame's timeline is stepped and nothing is drawn (a lost device).
    void DrawFrame(float t, const float* spectrum, bool draw = true);

    void HandleKey(const KeyPress& key);

    // The actions behind the keys.
    void TogglePause();
    void SeekTo(float t);  // clamped to 0..length
    void SeekBy(float seconds);
    void SeekBars(int bars);  // to the next (1) or previous (-1) bar line
    void ToggleLoop();
    void Reload();
    void ToggleOverlay();

    bool Paused() const { return paused; }
    std::optional<Section> Loop() const { return loop; }
    bool OverlayOn() const { return overlayOn; }
    const BeatGrid& Grid() const { return grid; }
    // The time on screen (the latest frame's).
    float ShownTime() const { return shown; }
    // The latest frame's two bands and the timeline before and after it, for the overlay.
    float S0() const { return s0; }
    float S1() const { return s1; }
    const TimelineState& StateBeforeFrame() const { return before; }

private:
    float Now();         // the time an action starts from: held or the music's position
    void Jump(float t);  // music and show to t (within 0..length), playing on if they were
    void Print(float t, const char* what);

    MusicStream& music;
    Show& show;
    BeatGrid grid;
    FILE* out;
    ShowSeeker seeker;
    std::unique_ptr<ReloadedContent> reloaded;

    bool paused = false;
    float held = 0.0f;   // the held time while paused
    float shown = 0.0f;  // the latest frame's time, or where a jump put the next one
    std::optional<Section> loop;
    bool overlayOn = true;
    TimelineState before;     // the timeline before the frame at beforeTime
    float beforeTime = 0.0f;  // valid while haveBefore: no jump or reload since that frame
    bool haveBefore = false;
    float s0 = 0.0f, s1 = 0.0f;
};
