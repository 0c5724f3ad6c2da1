// Bar lines and bar.beat on the music's grid.
#include "app/author/beat_grid.h"

#include <cmath>

namespace {

// How close to a bar line counts as on it: well under a frame, well over float rounding of times.
constexpr double onLine = 1e-3;

}  // namespace

double BeatGrid::NextBar(double t) const {
    const double bars = std::floor((t - downbeat) / BarSeconds() + onLine / BarSeconds()) + 1.0;
    return downbeat + bars * BarSeconds();
}

double BeatGrid::PreviousBar(double t) const {
    const double bars = std::ceil((t - downbeat) / BarSeconds() - onLine / BarSeconds()) - 1.0;
    return downbeat + bars * BarSeconds();
}

BarBeat BarBeatAt(const BeatGrid& grid, double t) {
    // A jump lands on the music's own sample, up to one sample before the line it aimed at.
    const double beats = std::floor((t - grid.downbeat + onLine) / grid.BeatSeconds());
    const double bar = std::floor(beats / grid.beatsPerBar);
    const double beat = beats - bar * grid.beatsPerBar;
    return {static_cast<int>(bar) + 1, static_cast<int>(beat) + 1};
}
