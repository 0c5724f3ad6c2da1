// frame (of the show): the frame nearest a time, drawn after every frame before it on the offline clock.
#include <cmath>
#include <cstdio>

#include "app/offline.h"
#include "tools/commands.h"

int FrameShow(float time, float fps, const char* out, const DrawSize& size) {
    if (!std::isfinite(time) || !std::isfinite(fps) || fps > 1000.0f) {
        std::fprintf(stderr, "virelle-tools frame: time and fps must be finite, fps at most 1000\n");
        return 2;
    }
    const long n = OfflineFrameNearest(time, fps);
    return RenderShowFrames(n, n + 1, fps, nullptr, out, size);
}
