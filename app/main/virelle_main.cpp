// The show's entry point.
#include <cstdio>

int main() {
    std::fprintf(stderr, "virelle: the show itself is not built yet\n");
    return 1;
}
