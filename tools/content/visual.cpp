// Placeholder until the visual content is built.
#include <cstdio>

#include "tools/content/content.h"

bool MakeVisualContent(const std::string&) {
    std::fprintf(stderr, "make-content: the visual content is not built yet\n");
    return false;
}
