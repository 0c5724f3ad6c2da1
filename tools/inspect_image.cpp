// Placeholder until this command is built.
#include <cstdio>

#include "tools/commands.h"

int InspectImage(const char*, const char*) {
    std::fprintf(stderr, "virelle-tools: inspect of images is not built yet\n");
    return 1;
}
