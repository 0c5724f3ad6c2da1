// virelle-tools: the show's companion command (inspection, spectra, offline frames, content).
#include <cstdio>
#include <cstring>

#include "tools/commands.h"

namespace {

struct Command {
    const char* name;
    int (*run)(int argc, char** argv);
    const char* usage;
};

const Command commands[] = {
    {"inspect", CmdInspect, "inspect FILE [--level0 OUT.png]   describe an .mp3, image, .cda or .SCENE file as JSON"},
    {"spectrum", CmdSpectrum,
     "spectrum FILE (--time T | --from A --to B --fps F)   the show's spectrum of a music file"},
    {"frame", CmdFrame,
     "frame [--composition F | --scene F --camera N] --time T --out F.png [--fps F] [--resolution WxH] "
     "[--supersample N]   draw one frame headless"},
    {"render", CmdRender,
     "render --from A --to B --fps F --out DIR [--resolution WxH] [--supersample N]   render the show offline to PNG "
     "frames"},
    {"capture", CmdCapture,
     "capture --out FILE.mp4 [--from A] [--to B] [--fps F] [--resolution WxH] [--supersample N] [--size WxH] [--crf Q] "
     "[--quiet]   the show as a video with its music"},
    {"make-content", CmdMakeContent, "make-content --out DIR   write the show's content (data/, music/)"},
    {"icon", CmdIcon, "icon --time T --size N --out F.png   the show's frame scaled to fit N x N"},
};

void PrintHelp(FILE* to) {
    std::fprintf(to, "usage: virelle-tools COMMAND [ARGS]\n\ncommands:\n");
    for (const Command& c : commands) std::fprintf(to, "  %s\n", c.usage);
    std::fprintf(to,
                 "\n--resolution WxH draws the show at that size, the 4:3 picture centred between black bars;\n"
                 "--supersample N (1 to 4) draws it N times larger and box-filters it down. capture's video is\n"
                 "the size drawn; --size WxH scales the drawn 4:3 picture into a video of that size instead.\n");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || !std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h")) {
        PrintHelp(argc < 2 ? stderr : stdout);
        return argc < 2 ? 2 : 0;
    }
    for (const Command& c : commands)
        if (!std::strcmp(argv[1], c.name)) return c.run(argc - 2, argv + 2);
    std::fprintf(stderr, "virelle-tools: unknown command '%s'\n", argv[1]);
    PrintHelp(stderr);
    return 2;
}
