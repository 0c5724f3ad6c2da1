#include "audio/playback_clock.h"

#include <algorithm>

void PlaybackClock::Reset(int newRate, int newDeviceFrames) {
    *this = PlaybackClock();
    rate = newRate;
    deviceFrames = newDeviceFrames;
}

void PlaybackClock::OnPull(int64_t frames, double now) {
    handed += frames;
    lastPull = frames;
    lastPullTime = now;
    running = true;
}

void PlaybackClock::Freeze(double now) {
    reported = Heard(now, INT64_MAX);
    running = false;
}

void PlaybackClock::Seek(int64_t frame) {
    handed = frame;
    lastPull = 0;
    running = false;
    reported = double(frame);
}

int64_t PlaybackClock::ChangeDevice(int newDeviceFrames, double now) {
    if (running) {
        // Held here until the new output's first pull; from it on the position runs from `at`.
        const int64_t at = int64_t(Heard(now, INT64_MAX));
        handed = at + newDeviceFrames;
        lastPull = 0;
        running = false;
    }
    deviceFrames = newDeviceFrames;
    return handed;
}

double PlaybackClock::Heard(double now, int64_t endFrame) {
    double heard = reported;
    if (running) {
        const double base = double(handed - lastPull - deviceFrames);
        const double elapsed = std::max(0.0, now - lastPullTime) * rate;
        // Interpolate only through the latest pull: past it nothing has been handed over.
        heard = std::clamp(base + elapsed, 0.0, std::max(0.0, double(handed - deviceFrames)));
        heard = std::max(heard, reported);
    }
    heard = std::min(heard, double(endFrame));
    reported = heard;
    return heard;
}
