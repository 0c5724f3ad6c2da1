// The music's bar grid: tempo and first downbeat, four beats a bar.
#pragma once

struct BeatGrid {
    double bpm = 154.84;    // the show's music
    double downbeat = 0.8;  // seconds: the first bar line
    int beatsPerBar = 4;

    double BeatSeconds() const { return 60.0 / bpm; }
    double BarSeconds() const { return BeatSeconds() * beatsPerBar; }
    // The nearest bar line after t, or before t (lines on the grid; t itself is never the answer
    // unless no line lies beyond it within the grid's precision).
    double NextBar(double t) const;
    double PreviousBar(double t) const;
};

// Bar and beat at music time t, counted from 1 at the first downbeat (bar 0 before it).
struct BarBeat {
    int bar;
    int beat;
};
BarBeat BarBeatAt(const BeatGrid& grid, double t);
