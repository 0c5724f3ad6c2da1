// The native frame loop: the calling thread runs the frames.
#include "platform/frame_loop.h"

void PlatformRunFrames(FrameLoop loop) {
    while (loop.frame()) {
    }
    loop.end();
}
