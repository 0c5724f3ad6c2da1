// make-content --out DIR: writes the show's content under DIR (data/ and music/). Every file is
// written whole under a temporary name and renamed into place, so a show reading DIR meanwhile
// (author mode's reload) finds each file as it was or as it is now, never part of one; Ctrl+C or
// a kill removes the file being written and leaves the others complete.
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <string>

#include "content/content.h"
#include "io/file_replace.h"
#include "tools/commands.h"
#include "tools/options.h"

namespace {

const CommandSpec spec{"make-content", "usage: virelle-tools make-content --out DIR", {{"--out", true}}};

void OnStopSignal(int signal) {
    RemovePendingFile();
    static const char said[] = "make-content: interrupted; the file being written was left as it was\n";
    [[maybe_unused]] const ssize_t n = write(2, said, sizeof said - 1);
    _exit(128 + signal);
}

void CatchStopSignals() {
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

}  // namespace

int CmdMakeContent(int argc, char** argv) {
    ParsedOptions options;
    std::string problem;
    if (!ParseOptions(spec, argc, argv, &options, &problem)) return RefuseOptions(spec, problem);
    if (!options.Has("--out")) return RefuseOptions(spec, "");
    const std::string dir = options.Value("--out");
    std::error_code ec;
    std::filesystem::create_directories(dir + "/data", ec);
    std::filesystem::create_directories(dir + "/music", ec);
    if (ec) {
        std::fprintf(stderr, "make-content: cannot create %s: %s\n", dir.c_str(), ec.message().c_str());
        return 1;
    }
    CatchStopSignals();
    // What an earlier run killed part-way (SIGKILL, a crash) left under temporary names.
    RemoveStalePendingFiles(dir + "/data");
    RemoveStalePendingFiles(dir + "/music");
    const auto start = std::chrono::steady_clock::now();
    // The first file that cannot be written ends the run (the music takes seconds to make).
    if (!MakeVisualContent(dir) || !MakeMusic(dir)) return 1;
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("make-content: wrote %s/data and %s/music in %.1f s\n", dir.c_str(), dir.c_str(), seconds);
    return 0;
}
