// Placeholder until the music is built.
#include <cstdio>

#include "tools/content/content.h"

bool MakeMusic(const std::string&) {
    std::fprintf(stderr, "make-content: the music is not built yet\n");
    return false;
}
