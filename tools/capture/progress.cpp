// The progress line's text and pacing.
#include "tools/capture/progress.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>

namespace {

constexpr double terminalInterval = 0.2;  // seconds between redraws of the terminal line
constexpr double lineInterval = 10.0;     // seconds between plain lines

}  // namespace

std::string ClockText(double seconds) {
    const long s = seconds > 0 ? static_cast<long>(std::ceil(std::min(seconds, 1.0e7))) : 0;
    char text[32];
    if (s >= 3600)
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
    else
        std::snprintf(text, sizeof text, "%ld:%02ld", s / 60, s % 60);
    return text;
}

std::string ProgressText(long done, long total, double fps, double wallSeconds) {
    char text[128];
    const int n = std::snprintf(text, sizeof text, "%ld/%ld frames", done, total);
    std::string line(text, size_t(n));
    if (done <= 0 || !(wallSeconds > 0)) return line;
    const double speed = (double(done) / fps) / wallSeconds;  // seconds of show per second of wall
    const double left = (double(total - done) / fps) / speed;
    std::snprintf(text, sizeof text, ", %.2fx real time, %s left", speed, ClockText(left).c_str());
    return line + text;
}

ProgressLine::ProgressLine(Mode mode, long total, double fps, FILE* to) : mode(mode), total(total), fps(fps), to(to) {}

ProgressLine::Mode ProgressLine::ModeFor(bool quiet, FILE* to) {
    if (quiet) return Mode::Quiet;
    return isatty(fileno(to)) ? Mode::Terminal : Mode::Lines;
}

void ProgressLine::Update(long done, double wallSeconds) {
    if (mode == Mode::Quiet) return;
    const double interval = mode == Mode::Terminal ? terminalInterval : lineInterval;
    if (shown && wallSeconds - shownAt < interval) return;
    shownAt = wallSeconds;
    shown = true;
    const std::string text = ProgressText(done, total, fps, wallSeconds);
    if (mode == Mode::Terminal)
        std::fprintf(to, "\rcapture: %s\033[K", text.c_str());
    else
        std::fprintf(to, "capture: %s\n", text.c_str());
    std::fflush(to);
}

void ProgressLine::End() {
    if (mode == Mode::Terminal && shown) {
        std::fprintf(to, "\r\033[K");
        std::fflush(to);
    }
    shown = false;
}
