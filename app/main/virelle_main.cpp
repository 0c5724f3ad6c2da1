// The show's entry point: options, where the content is, then the live run.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "app/author/author_program.h"
#include "app/program.h"
#include "platform/sdl/d3dwindow.h"

namespace {

constexpr const char* usage =
    "usage: virelle [--windowed] [--at T] [--author [--bpm B] [--downbeat S]] | --help | --version";
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
    BeatGrid grid;
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (!std::strcmp(argv[i], "--windowed")) {
            fullScreen = false;
        } else if (!std::strcmp(argv[i], "--author")) {
            author = true;
        } else if (!std::strcmp(argv[i], "--at") && hasValue) {
            atText = argv[++i];
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
                "Content (data/, music/) is read from the working directory.\n",
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
    if (gridGiven && !author) {
        std::fprintf(stderr, "virelle: --bpm and --downbeat go with --author\n%s\n", usage);
        return 2;
    }
    double at = 0;
    if (atText && (!ParseNumber(atText, &at) || at < 0.0)) {
        std::fprintf(stderr, "virelle: --at wants a music time in seconds from 0, not '%s'\n", atText);
        return 2;
    }
    FindContent();
    if (atText) {
        const float length = ProbeMusicLength(showMusicFile);
        if (length >= 0.0f && static_cast<float>(at) > length) {
            std::fprintf(stderr, "virelle: --at %s is past the end of the music (%.3f s)\n", atText, length);
            return 2;
        }
    }
    if (!PlatformHasDisplay()) {
        std::fprintf(stderr,
                     "virelle: no display found; render the show offline with "
                     "`virelle-tools render --from A --to B --fps F --out DIR`\n");
        return 2;
    }
    if (author) return RunAuthorProgram(AuthorOptions{fullScreen, static_cast<float>(at), grid});
    return RunLiveProgram(LiveOptions{fullScreen, static_cast<float>(at)});
}
