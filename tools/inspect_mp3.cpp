// Placeholder until this command is built.
#include <cstdio>

#include "tools/commands.h"

int InspectMp3(const char*) {
    std::fprintf(stderr, "virelle-tools: inspect of music files is not built yet\n");
    return 1;
}
