// Placeholder until this command is built.
#include <cstdio>

#include "tools/commands.h"

int CmdRender(int, char**) {
    std::fprintf(stderr, "virelle-tools: render is not built yet\n");
    return 1;
}
