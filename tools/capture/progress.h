// How far a capture has got, on stderr: one line rewritten in place on a terminal, a plain line
// every so often when stderr is a pipe or a file, nothing when quiet.
#pragma once

#include <cstdio>
#include <string>

// "120/9000 frames, 1.04x real time, 2:23 left" for `done` of `total` frames at fps after
// `wallSeconds`; the speed and time left are left out until something is done.
std::string ProgressText(long done, long total, double fps, double wallSeconds);

// "2:23", "1:02:03"; whole seconds, rounded up.
std::string ClockText(double seconds);

class ProgressLine {
public:
    enum class Mode { Quiet, Terminal, Lines };
    ProgressLine(Mode mode, long total, double fps, FILE* to = stderr);
    static Mode ModeFor(bool quiet, FILE* to);  // Terminal when `to` is one

    void Update(long done, double wallSeconds);  // shown at most 5 times a second, or every 10 s as lines
    void End();                                  // a terminal line is cleared away

private:
    Mode mode;
    long total;
    double fps;
    FILE* to;
    double shownAt = -1;  // wall seconds of the last line shown
    bool shown = false;
};
