// inspect FILE: picks the describer from the file's extension (.mp3, .cda, .SCENE) and treats
// anything else as an image, which the loader recognises from its content.
#include <cstdio>
#include <cstring>
#include <string>

#include "tools/commands.h"

namespace {

bool EndsWith(const std::string& s, const char* suffix) {
    const size_t n = std::strlen(suffix);
    return s.size() >= n && s.compare(s.size() - n, n, suffix) == 0;
}

}  // namespace

int CmdInspect(int argc, char** argv) {
    const char* path = nullptr;
    const char* level0 = nullptr;
    for (int i = 0; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--level0") && i + 1 < argc) {
            level0 = argv[++i];
        } else if (!path && argv[i][0] != '-') {
            path = argv[i];
        } else {
            std::fprintf(stderr, "usage: virelle-tools inspect FILE [--level0 OUT.png]\n");
            return 2;
        }
    }
    if (!path) {
        std::fprintf(stderr, "usage: virelle-tools inspect FILE [--level0 OUT.png]\n");
        return 2;
    }
    const std::string p = path;
    if (EndsWith(p, ".mp3") || EndsWith(p, ".MP3")) return InspectMp3(path);
    if (EndsWith(p, ".cda") || EndsWith(p, ".CDA")) return InspectComposition(path);
    if (EndsWith(p, ".SCENE") || EndsWith(p, ".scene")) return InspectScene(path);
    return InspectImage(path, level0);
}
