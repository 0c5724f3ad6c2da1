// Placeholder until this command is built.
#include <cstdio>

#include "tools/commands.h"

int InspectComposition(const char*) {
    std::fprintf(stderr, "virelle-tools: inspect of compositions is not built yet\n");
    return 1;
}
