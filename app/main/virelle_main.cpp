// The show's entry point: options, where the content is, then the live run.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "app/author/author_program.h"
#include "app/content_root.h"
#include "app/draw_options.h"
#include "app/program.h"
#include "platform/d3dwindow.h"
#include "platform/stop_signals.h"

namespace {

constexpr const char* usage =
    "usage: virelle [--windowed] [--at T] [--resolution WxH|native] [--supersample N] [--author [--bpm B] "
    "[--downbeat S]] | --help | --version";

// Where the content would come from, for --help.
std::string ContentRootText() {
    const std::filesystem::path root = ProgramContentRoot();
    return root.empty() ? std::string("none of them holds it") : "this run reads " + root.string();
}

// A whole, finite number and nothing after it.
bool ParseNumber(const char* text, double* value) {
    char* end = nullptr;
    *value = std::strtod(text, &end);
    return end != text && *end == '\0' && std::isfinite(*value);
}

}  // namespace

int main(int argc, char** argv) {
    bool fullScreen = true, author = false, gridGiven = false;
    const char* atText = nullptr;
    DrawOptionText drawText;
    drawText.nativeAllowed = true;
    BeatGrid grid;
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (!std::strcmp(argv[i], "--windowed")) {
            fullScreen = false;
        } else if (!std::strcmp(argv[i], "--author")) {
            author = true;
        } else if (!std::strcmp(argv[i], "--at") && hasValue) {
            atText = argv[++i];
        } else if (!std::strcmp(argv[i], "--resolution") && hasValue) {
            drawText.resolution = argv[++i];
        } else if (!std::strcmp(argv[i], "--supersample") && hasValue) {
            drawText.supersample = argv[++i];
        } else if ((!std::strcmp(argv[i], "--bpm") || !std::strcmp(argv[i], "--downbeat")) && hasValue) {
            const bool bpm = argv[i][2] == 'b';
            double value = 0;
            if (!ParseNumber(argv[i + 1], &value) || (bpm ? !(value > 0.0 && value <= 1000.0) : value < 0.0)) {
                std::fprintf(stderr, "virelle: %s wants %s, not '%s'\n", argv[i],
                             bpm ? "beats per minute above 0 and up to 1000" : "seconds from 0", argv[i + 1]);
                return 2;
            }
            (bpm ? grid.bpm : grid.downbeat) = value;
            gridGiven = true;
            ++i;
        } else if (!std::strcmp(argv[i], "--help")) {
            std::printf(
                "%s\n\nPlays the show full screen; Escape ends it. --windowed plays it in a 640x480 window.\n"
                "--at T starts the show at music time T (seconds), as it would be at that moment.\n"
                "--author opens author mode: Space pause, Left/Right one second, Shift+Left/Right one bar\n"
                "(--bpm B and --downbeat S set the bar grid; 154.84 and 0.8 by default), PgUp/PgDn ten\n"
                "seconds, Home the start, L loop the section, R reload the content, F1 the overlay.\n"
                "--resolution WxH draws the show at that size (the 4:3 picture centred, black bars beside it;\n"
                "windowed, the window's size), native at the display's size in full screen; --supersample N\n"
                "(1 to 4) draws it N times larger and filters it down, for smooth edges.\n"
                "Content (data/, music/) is read from the first folder holding %s of: the working\n"
                "directory, the program's folder (or its content/), ../share/virelle from the program's\n"
                "folder; %s.\n"
                "\n"
                "Exit status:\n"
                "  0        the show ran, or its start-up failed and said why\n"
                "  1        the window or the graphics device could not be made\n"
                "  2        a usage error, or no display to play on\n"
                "  128+N    ended by signal N (130 for SIGINT, 143 for SIGTERM), as Escape ends it\n",
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
    if (gridGiven && !author) {
        std::fprintf(stderr, "virelle: --bpm and --downbeat go with --author\n%s\n", usage);
        return 2;
    }
    DrawSize drawSize;
    std::string drawProblem;
    if (!ParseDrawOptions(drawText, &drawSize, &drawProblem)) {
        std::fprintf(stderr, "virelle: %s\n", drawProblem.c_str());
        return 2;
    }
    if (drawSize.native && !fullScreen) {
        std::fprintf(stderr,
                     "virelle: --resolution native is the display's size in full screen; give WxH with "
                     "--windowed\n");
        return 2;
    }
    double at = 0;
    if (atText && (!ParseNumber(atText, &at) || at < 0.0)) {
        std::fprintf(stderr, "virelle: --at wants a music time in seconds from 0, not '%s'\n", atText);
        return 2;
    }
    EnterContentRoot();
    if (atText) {
        const float length = ProbeMusicLength(showMusicFile);
        if (length >= 0.0f && static_cast<float>(at) > length) {
            std::fprintf(stderr, "virelle: --at %s is past the end of the music (%.3f s)\n", atText, length);
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
    if (author) return RunAuthorProgram(AuthorOptions{fullScreen, static_cast<float>(at), grid, drawSize});
    return RunLiveProgram(LiveOptions{fullScreen, static_cast<float>(at), drawSize});
}
