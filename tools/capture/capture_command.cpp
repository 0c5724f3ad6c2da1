// capture: the show as a video file. Checks every option and the content before anything is
// drawn, so bad input costs one message and no file.
#include <sys/stat.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "app/content_root.h"
#include "app/draw_options.h"
#include "app/program.h"
#include "app/show.h"
#include "audio/mp3_decoder.h"
#include "tools/capture/capture_run.h"
#include "tools/commands.h"
#include "tools/options.h"

namespace {

constexpr const char* usage =
    "usage: virelle-tools capture --out FILE.mp4|FILE.mkv [--from A] [--to B] [--fps F] [--resolution WxH] "
    "[--supersample N] [--size WxH] [--crf Q] [--preset P] [--quiet] [--stats]   (defaults: the whole show, 60 fps, "
    "640x480, CRF 18, veryfast)\n"
    "  --resolution WxH draws the show at that size (the 4:3 picture centred, black bars beside it) and makes the\n"
    "  video that size; --supersample N (1 to 4) draws it N times larger and filters it down; --size WxH scales\n"
    "  the drawn 4:3 picture (640x480, or the one drawn at --resolution) into a video of that size.";

int BadInput(const std::string& message) {
    std::fprintf(stderr, "virelle-tools capture: %s\n", message.c_str());
    return captureBadInput;
}

bool KnownPreset(const std::string& name) {
    for (const char* p :
         {"ultrafast", "superfast", "veryfast", "faster", "fast", "medium", "slow", "slower", "veryslow"})
        if (name == p) return true;
    return false;
}

struct Options {
    const char* out = nullptr;
    const char* from = nullptr;
    const char* to = nullptr;
    const char* fps = nullptr;
    const char* size = nullptr;
    const char* resolution = nullptr;
    const char* supersample = nullptr;
    const char* crf = nullptr;
    const char* preset = nullptr;
    bool quiet = false, stats = false;
};

const CommandSpec captureSpec{"capture",
                              usage,
                              {{"--out", true},
                               {"--from", true},
                               {"--to", true},
                               {"--fps", true},
                               {"--size", true},
                               {"--resolution", true},
                               {"--supersample", true},
                               {"--crf", true},
                               {"--preset", true},
                               {"--quiet", false},
                               {"--stats", false}}};

// Fills the request from the options; empty when everything is good.
std::string CheckOptions(const Options& o, CaptureRequest* r, double* from, double* to, double* fps) {
    r->out = o.out;
    r->container = ContainerForPath(r->out);
    if (r->container == Container::Unknown) return r->out + ": the file name must end in .mp4 or .mkv";
    std::error_code ec;
    if (std::filesystem::is_directory(r->out, ec)) return r->out + " is a folder";
    *from = 0;
    *to = INFINITY;
    *fps = 60;
    if (o.from && (!ParseNumber(o.from, from) || *from < 0)) return "--from must be a time in seconds, 0 or more";
    if (o.to && !ParseNumber(o.to, to)) return "--to must be a time in seconds";
    if (*from >= *to) return "--from must be before --to";
    if (o.fps && (!ParseNumber(o.fps, fps) || !(*fps > 0) || *fps > 1000)) return "--fps must be above 0, at most 1000";
    std::string problem;
    DrawOptionText draw;
    draw.resolution = o.resolution;
    draw.supersample = o.supersample;
    draw.evenSides = true;  // the video is the size drawn unless --size says otherwise
    if (!ParseDrawOptions(draw, &r->drawSize, &problem)) return problem;
    if (r->drawSize.width > 0) r->width = r->drawSize.width, r->height = r->drawSize.height;
    if (o.size && !ParseVideoSize(o.size, &r->width, &r->height))
        return "--size must be WxH, both even, from 16x16 to 7680x4320";
    r->scaled = o.size != nullptr;
    if (r->drawSize.width > 0 && !o.size && !ParseVideoSize(o.resolution, &r->width, &r->height))
        return "--resolution of a video must be within 16x16 to 7680x4320 (give --size to scale it)";
    double crf = 18;
    if (o.crf && (!ParseNumber(o.crf, &crf) || crf < 0 || crf > 51 || crf != std::floor(crf)))
        return "--crf must be a whole number from 0 to 51";
    r->crf = int(crf);
    if (o.preset) {
        if (!KnownPreset(o.preset)) return std::string("unknown --preset '") + o.preset + "'";
        r->preset = o.preset;
    }
    r->quiet = o.quiet;
    r->stats = o.stats;
    return "";
}

}  // namespace

int CmdCapture(int argc, char** argv) {
    ParsedOptions parsed;
    std::string problem;
    if (!ParseOptions(captureSpec, argc, argv, &parsed, &problem)) return RefuseOptions(captureSpec, problem);
    Options options;
    options.out = parsed.Value("--out");
    options.from = parsed.Value("--from");
    options.to = parsed.Value("--to");
    options.fps = parsed.Value("--fps");
    options.size = parsed.Value("--size");
    options.resolution = parsed.Value("--resolution");
    options.supersample = parsed.Value("--supersample");
    options.crf = parsed.Value("--crf");
    options.preset = parsed.Value("--preset");
    options.quiet = parsed.Has("--quiet");
    options.stats = parsed.Has("--stats");
    if (!options.out || !*options.out) return RefuseOptions(captureSpec, "--out FILE is required");
    CaptureRequest request;
    double from = 0, to = 0, fps = 0;
    problem = CheckOptions(options, &request, &from, &to, &fps);
    if (!problem.empty()) return BadInput(problem);

    // The output name is the user's, relative to where the command ran; the content comes from the
    // folder the show itself would use, made the working directory.
    std::error_code ec;
    const std::filesystem::path out = std::filesystem::absolute(request.out, ec);
    if (!ec) request.out = out.string();
    EnterContentRoot();

    // The content: the music gives the length; the rest is checked when the show starts.
    const std::string here = std::filesystem::current_path().string();
    struct stat info {};
    if (stat(showCompositionFile, &info) != 0 || !S_ISREG(info.st_mode))
        return BadInput("no show content in " + here + " (" + showCompositionFile + " is missing)");
    Mp3Decoder music;
    if (!music.Open(showMusicFile) || music.Length() <= 0)
        return BadInput(std::string("cannot read the music ") + showMusicFile + " in " + here);
    request.musicPath = showMusicFile;
    const int64_t length = music.Length();
    const int musicRate = music.Rate();  // the sound track keeps the music's own rate
    music.Close();
    request.range = PlanCaptureRange(from, to, fps, length, musicRate);
    if (request.range.Frames() <= 0) {
        char text[96];
        std::snprintf(text, sizeof text, "--from %g is at or past the music's end (%.2f s)", from,
                      double(length) / musicRate);
        return BadInput(text);
    }
    return RunCapture(request);
}
