// Placeholder until this command is built.
#include <cstdio>

#include "tools/commands.h"

int FrameShow(float, float, const char*) {
    std::fprintf(stderr, "virelle-tools: frame of the show is not built yet\n");
    return 1;
}
