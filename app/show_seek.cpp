// Stepping the show from time 0 to a music time, as the offline clock would.
#include "app/show_seek.h"

#include <algorithm>
#include <cmath>

#include "app/offline.h"
#include "app/show.h"
#include "audio/music_stream.h"

long ShowSeeker::FramesBefore(float t) {
    if (!(t > 0.0f)) return 0;
    long n = static_cast<long>(std::ceil(static_cast<double>(t) * seekFramesPerSecond));
    // Frame times are rounded to single precision: settle the edge on the times themselves.
    while (n > 0 && !(OfflineFrameTime(n - 1, seekFramesPerSecond) < t)) --n;
    while (OfflineFrameTime(n, seekFramesPerSecond) < t) ++n;
    return n;
}

void ShowSeeker::Seek(Show& show, float t) {
    show.Rewind();
    const long frames = FramesBefore(t);
    const float length = music.GetLength();
    float spectrum[256];
    for (long n = 0; n < frames; ++n) {
        float at = OfflineFrameTime(n, seekFramesPerSecond);
        if (!(at < length)) at = length;  // the offline clock stops at the end
        if (static_cast<size_t>(n) >= bands.size()) {
            music.SpectrumAt(at, spectrum);
            bands.push_back({spectrum[0], spectrum[1]});
        }
        show.Skip(at, bands[static_cast<size_t>(n)].data());
    }
}
