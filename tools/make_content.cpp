// Placeholder until this command is built.
#include <cstdio>

#include "tools/commands.h"

int CmdMakeContent(int, char**) {
    std::fprintf(stderr, "virelle-tools: make-content is not built yet\n");
    return 1;
}
