// The commands this Windows build of virelle-tools does not carry, each saying so plainly.
#include <cstdio>

#include "tools/commands.h"

int CmdCapture(int, char**) {
    std::fprintf(stderr,
                 "capture: this build has no video encoder (FFmpeg is not built for Windows); capture the show "
                 "with the Linux build, or render frames with `render`\n");
    return 2;
}

int CmdMakeContent(int, char**) {
    std::fprintf(stderr,
                 "make-content: this build has no MP3 encoder; the content comes made in data/ and music/ beside "
                 "the program (the Linux build's `virelle-tools make-content` makes it)\n");
    return 2;
}
