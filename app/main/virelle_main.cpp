// The show's entry point: options, where the content is, then the live run.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "app/program.h"
#include "platform/sdl/d3dwindow.h"
#include "platform/sdl/stop_signals.h"

namespace {

constexpr const char* usage = "usage: virelle [--windowed | --help | --version]";
constexpr const char* contentProbe = "data/virelle.cda";

// The working directory when the content is there; otherwise the installed program's folder or its
// content/ subfolder (where `make run` lays the content out), when that holds it.
void FindContent() {
    std::error_code ec;
    if (std::filesystem::exists(contentProbe, ec)) return;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return;
    for (const std::filesystem::path& dir : {exe.parent_path(), exe.parent_path() / "content"}) {
        if (std::filesystem::exists(dir / contentProbe, ec)) {
            std::filesystem::current_path(dir, ec);
            return;
        }
    }
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
                "Content (data/, music/) is read from the working directory.\n"
                "\n"
                "Exit status:\n"
                "  0        the show ran, or its start-up failed and said why\n"
                "  1        the window or the graphics device could not be made\n"
                "  2        a usage error, or no display to play on\n"
                "  128+N    ended by signal N (130 for SIGINT, 143 for SIGTERM), as Escape ends it\n",
                usage);
            return 0;
        } else if (!std::strcmp(argv[i], "--version")) {
            std::printf("virelle %s\n", VIRELLE_VERSION);
            return 0;
        } else {
            std::fprintf(stderr, "%s\n", usage);
            return 2;
        }
    }
    // From here on SIGINT and SIGTERM end the show the way Escape does.
    PlatformCatchStopSignals();
    switch (PlatformChooseDisplay()) {
        case PlatformDisplay::Real:
            break;
        case PlatformDisplay::None:
            std::fprintf(stderr,
                         "virelle: no display found; render the show offline with "
                         "`virelle-tools render --from A --to B --fps F --out DIR`\n");
            return 2;
        case PlatformDisplay::Unreachable:
            std::fprintf(stderr, "virelle: cannot open the display (%s)\n", PlatformDisplayError());
            return 2;
    }
    FindContent();
    return RunLiveProgram(fullScreen);
}
