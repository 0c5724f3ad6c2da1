// make-content --out DIR: writes the show's content under DIR (data/ and music/).
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "content/content.h"
#include "tools/commands.h"
#include "tools/options.h"

namespace {

const CommandSpec spec{"make-content", "usage: virelle-tools make-content --out DIR", {{"--out", true}}};

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
    const auto start = std::chrono::steady_clock::now();
    const bool visual = MakeVisualContent(dir);
    const bool music = MakeMusic(dir);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!visual || !music) return 1;
    std::printf("make-content: wrote %s/data and %s/music in %.1f s\n", dir.c_str(), dir.c_str(), seconds);
    return 0;
}
