// render: the show on the offline clock, frames written as PNG; also the show's single frame.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "app/content_root.h"
#include "app/offline.h"
#include "content/writers/image_writers.h"
#include "platform/d3dwindow.h"
#include "platform/device_readback.h"
#include "platform/stop_signals.h"
#include "tools/commands.h"
#include "tools/headless_tool.h"
#include "tools/options.h"

namespace {

const CommandSpec renderSpec{"render",
                             "usage: virelle-tools render --from A --to B --fps F --out DIR [--resolution WxH] "
                             "[--supersample N]   (A <= B, 0 < F <= 1000)",
                             {{"--from", true},
                              {"--to", true},
                              {"--fps", true},
                              {"--out", true},
                              {"--resolution", true},
                              {"--supersample", true}}};

// A path given on the command line, made absolute against the working directory (as given when that
// fails).
std::string Absolute(const char* path) {
    std::error_code ec;
    const std::filesystem::path p = std::filesystem::absolute(path, ec);
    return ec ? std::string(path) : p.string();
}

// The bound back buffer as an RGB PNG, written whole under a temporary name.
bool WriteBackBuffer(const std::string& path) {
    std::vector<uint8_t> bgra;
    UINT width = 0, height = 0;
    if (FAILED(PlatformReadRenderTarget(device, &bgra, &width, &height)) || width == 0 || height == 0) {
        std::fprintf(stderr, "virelle-tools: cannot read the back buffer\n");
        return false;
    }
    std::string why;
    if (WritePng(path, ImageFromBgra(bgra, int(width), int(height), true), false, &why, true)) return true;
    std::fprintf(stderr, "virelle-tools: cannot write %s: %s\n", path.c_str(), why.c_str());
    return false;
}

}  // namespace

int RenderShowFrames(long first, long end, double fps, const char* outDir, const char* outFile, const DrawSize& size) {
    PlatformCatchStopSignals();  // Ctrl+C, kill and timeout stop after the frame being drawn
    // Output names are the user's, relative to where the command ran; the show then reads its content
    // from the folder the show itself would use, made the working directory.
    const std::string dir = outDir ? Absolute(outDir) : std::string();
    const std::string file = outFile ? Absolute(outFile) : std::string();
    EnterContentRoot();
    if (!OpenHeadlessDevice(size)) {
        std::fprintf(stderr, "virelle-tools: no graphics device\n");
        return 1;
    }
    OfflineOptions options;
    options.fps = fps;
    options.firstCaptured = first;
    options.endCaptured = end;
    // The device's counters of each frame written, less the previous frame's read-back. The first
    // frame also carries the start-up's uploads: it counts only when it is the only one.
    DeviceFrameCost sum, firstFrame;
    uint64_t readBackCalls = 0;
    long counted = 0;
    bool costKnown = false;
    options.capture = [&](long n, float) {
        DeviceFrameCost f;
        costKnown = PlatformFrameCost(device, nullptr, &f);
        DeviceFrameCost& into = counted++ == 0 ? firstFrame : sum;
        into.draws += f.draws, into.stateChanges += f.stateChanges, into.textureBinds += f.textureBinds;
        into.rendererCalls += f.rendererCalls - std::min(f.rendererCalls, readBackCalls);
        char name[32];
        std::snprintf(name, sizeof name, "/frame_%06ld.png", n);
        const bool written = WriteBackBuffer(outFile ? file : dir + name);
        DeviceFrameCost drawing;
        if (PlatformFrameCost(device, &drawing, nullptr)) readBackCalls = drawing.rendererCalls;
        return written;
    };
    const OfflineResult r = RunOffline(options);
    if (!r.started) {
        std::fprintf(stderr, "virelle-tools: the show could not start (content in %s)\n",
                     std::filesystem::current_path().string().c_str());
        return 1;
    }
    if (r.captureFailed) return 1;
    if (const int signal = PlatformStopSignal()) {
        std::fprintf(stderr, "virelle-tools: interrupted after %ld frames drawn, %ld written\n", r.frames, r.captured);
        return 128 + signal;
    }
    // Nothing drawn although frames were wanted: the music could not be played (its box has said
    // so) or ends before the first of them.
    if (r.frames == 0) {
        std::fprintf(stderr,
                     "virelle-tools: no frame was drawn (the music is missing, unreadable or shorter than --from)\n");
        return 1;
    }
    // Frame times hold the drawing up to the finished picture, not the PNG writing. Drawn between
    // writes, under that load, frames measure slower than in a live run (a few ms on a 2-core
    // machine); `make bench` times the same frames without writing.
    if (counted == 1) sum = firstFrame;
    const double per = counted > 1 ? 1.0 / static_cast<double>(counted - 1) : 1.0;
    std::printf("%ld frames drawn, %ld written, %.2f s wall, frame time mean %.2f ms, worst %.2f ms, %ld over 1/60 s",
                r.frames, r.captured, r.wallSeconds, r.meanFrameMs, r.worstFrameMs, r.slowFrames);
    if (costKnown)
        std::printf("; per frame %.1f draws, %.1f state changes, %.1f texture binds, %.1f GL calls",
                    static_cast<double>(sum.draws) * per, static_cast<double>(sum.stateChanges) * per,
                    static_cast<double>(sum.textureBinds) * per, static_cast<double>(sum.rendererCalls) * per);
    std::printf("\n");
    return 0;
}

int CmdRender(int argc, char** argv) {
    ParsedOptions options;
    std::string problem;
    double a = 0, b = 0, fps = 0;
    DrawSize size;
    if (!ParseOptions(renderSpec, argc, argv, &options, &problem) || !options.Number("--from", &a, &problem) ||
        !options.Number("--to", &b, &problem) || !options.Number("--fps", &fps, &problem) ||
        !ParseToolDrawSize(options, &size, &problem))
        return RefuseOptions(renderSpec, problem);
    const char* out = options.Value("--out");
    if (!options.Has("--from") || !options.Has("--to") || !options.Has("--fps") || !out || !*out || !(fps > 0.0) ||
        fps > 1000.0 || a > b)
        return RefuseOptions(renderSpec, "");
    std::error_code ec;
    std::filesystem::create_directories(out, ec);
    if (!std::filesystem::is_directory(out)) {
        std::fprintf(stderr, "virelle-tools render: cannot make folder %s\n", out);
        return 1;
    }
    const long first = OfflineFirstFrameAtOrAfter(a, fps), end = OfflineFirstFrameAtOrAfter(b, fps);
    if (end <= first) {
        std::fprintf(stderr, "virelle-tools render: no frame time lies in [%g, %g) at %g fps\n", a, b, fps);
        return 2;
    }
    return RenderShowFrames(first, end, fps, out, nullptr, size);
}
