// Placeholder until this command is built.
#include <cstdio>

#include "tools/commands.h"

int FrameComposition(const char*, float, const char*) {
    std::fprintf(stderr, "virelle-tools: frame --composition is not built yet\n");
    return 1;
}
