// The show's entry point: options, where the content is, then the live run.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "app/content_root.h"
#include "app/program.h"
#include "platform/sdl/d3dwindow.h"

namespace {

constexpr const char* usage = "usage: virelle [--windowed | --help | --version]";

// Where the content would come from, for --help.
std::string ContentRootText() {
    const std::filesystem::path root = ProgramContentRoot();
    return root.empty() ? std::string("none of them holds it") : "this run reads " + root.string();
}

}  // namespace

int main(int argc, char** argv) {
    bool fullScreen = true;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--windowed")) {
            fullScreen = false;
        } else if (!std::strcmp(argv[i], "--help")) {
            std::printf(
                "%s\n\nPlays the show full screen; Escape ends it. --windowed plays it in a 640x480 window.\n"
                "Content (data/, music/) is read from the first folder holding %s of: the working\n"
                "directory, the program's folder (or its content/), ../share/virelle from the program's\n"
                "folder; %s.\n",
                usage, contentProbe, ContentRootText().c_str());
            return 0;
        } else if (!std::strcmp(argv[i], "--version")) {
            std::printf("virelle %s\n", VIRELLE_VERSION);
            return 0;
        } else {
            std::fprintf(stderr, "%s\n", usage);
            return 2;
        }
    }
    if (!PlatformHasDisplay()) {
        std::fprintf(stderr,
                     "virelle: no display found; render the show offline with "
                     "`virelle-tools render --from A --to B --fps F --out DIR`\n");
        return 2;
    }
    EnterContentRoot();
    return RunLiveProgram(fullScreen);
}
