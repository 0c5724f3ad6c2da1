// Placeholder until this command is built.
#include <cstdio>

#include "tools/commands.h"

int InspectScene(const char*) {
    std::fprintf(stderr, "virelle-tools: inspect of scenes is not built yet\n");
    return 1;
}
