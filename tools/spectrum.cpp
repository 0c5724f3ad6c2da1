// Placeholder until this command is built.
#include <cstdio>

#include "tools/commands.h"

int CmdSpectrum(int, char**) {
    std::fprintf(stderr, "virelle-tools: spectrum is not built yet\n");
    return 1;
}
