// Placeholder until this command is built.
#include <cstdio>

#include "tools/commands.h"

int FrameScene(const char*, int, float, const char*) {
    std::fprintf(stderr, "virelle-tools: frame --scene is not built yet\n");
    return 1;
}
