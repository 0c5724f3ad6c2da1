// The capture run: device, signals, the offline show feeding the encoder, the file's last steps.
#include "tools/capture/capture_run.h"

#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>

#include "app/offline.h"
#include "io/file_replace.h"
#include "platform/d3dwindow.h"
#include "platform/device_readback.h"
#include "tools/capture/capture_encoder.h"
#include "tools/capture/progress.h"
#include "tools/capture/video_file.h"
#include "tools/headless_tool.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int queueDepth = 4;    // pictures between drawing and encoding: a few frames of slack
constexpr UINT readbackLag = 2;  // picture n is taken after picture n + 1 is queued

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// ---------------------------------------------------------------- signals

volatile std::sig_atomic_t interrupted = 0;

void OnSignal(int) {
    if (interrupted) {  // a second signal removes the file and ends at once
        RemovePendingFile();
        _exit(captureInterrupted);
    }
    interrupted = 1;
}

// SIGINT and SIGTERM set `interrupted` while this lives.
struct SignalGuard {
    SignalGuard() {
        interrupted = 0;
        struct sigaction action {};
        action.sa_handler = OnSignal;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, &oldInt);
        sigaction(SIGTERM, &action, &oldTerm);
    }
    ~SignalGuard() {
        sigaction(SIGINT, &oldInt, nullptr);
        sigaction(SIGTERM, &oldTerm, nullptr);
    }
    struct sigaction oldInt {
    }, oldTerm{};
};

// ---------------------------------------------------------------- the run

struct MainTimes {
    double readback = 0;  // queueing copies and taking them
    double waiting = 0;   // for a free picture: the encoder was behind
};

class Capture {
public:
    Capture(CaptureEncoder& encoder, ProgressLine& progress, int width, int height)
        : encoder(encoder), progress(progress), sourceWidth(width), sourceHeight(height) {}

    // After each captured frame's Present, with the back buffer bound.
    bool OnFrame() {
        if (interrupted) return false;
        const Clock::time_point start = Clock::now();
        if (FAILED(PlatformQueueReadRenderTarget(device))) return Fail("cannot read the picture back");
        times.readback += SecondsSince(start);
        if (PlatformPendingReadRenderTargets(device) >= readbackLag && !TakeOne()) return false;
        progress.Update(encoder.Encoded(), SecondsSince(runStart));
        return true;
    }
    // The copies still queued once the show has stopped.
    bool Drain() {
        while (PlatformPendingReadRenderTargets(device) > 0)
            if (interrupted || !TakeOne()) return false;
        return true;
    }

    MainTimes times;
    std::string error;
    Clock::time_point runStart = Clock::now();

private:
    bool Fail(const char* what) {
        if (error.empty()) error = what;
        return false;
    }
    bool TakeOne() {
        const Clock::time_point wait = Clock::now();
        PictureQueue::Picture* picture = encoder.Acquire();
        const Clock::time_point read = Clock::now();
        times.waiting += std::chrono::duration<double>(read - wait).count();
        if (!picture) return false;  // the encoder failed; it says why
        UINT w = 0, h = 0;
        const bool ok = SUCCEEDED(PlatformTakeReadRenderTarget(device, picture, &w, &h));
        times.readback += SecondsSince(read);
        if (!ok || w != UINT(sourceWidth) || h != UINT(sourceHeight)) return Fail("cannot read the picture back");
        encoder.Submit(picture);
        return true;
    }

    CaptureEncoder& encoder;
    ProgressLine& progress;
    int sourceWidth, sourceHeight;  // of the pictures read back: the frame drawn
};

// The process's peak resident memory so far.
double PeakMemoryMb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

void PrintSummary(const CaptureRequest& request, const OfflineResult& r, const Capture& capture,
                  const CaptureEncoder& encoder, const VideoFile& file, double wall) {
    std::error_code ec;
    const double bytes = double(std::filesystem::file_size(request.out, ec));
    const double seconds = double(encoder.Encoded()) / request.range.fps;
    std::printf("capture: %ld frames, %.2f s of show, %.1f s wall, %.2fx real time, %.1f MB to %s\n", encoder.Encoded(),
                seconds, wall, wall > 0 ? seconds / wall : 0.0, ec ? 0.0 : bytes / 1.0e6, request.out.c_str());
    if (!request.stats) return;
    const double drawing = r.meanFrameMs * double(r.frames) / 1000.0;
    const VideoFileTimes t = file.Times();
    auto share = [wall](double s) { return wall > 0 ? 100.0 * s / wall : 0.0; };
    std::printf(
        "capture time: drawing %.1f s (%.0f%%), reading back %.1f s (%.0f%%), waiting for the encoder %.1f s "
        "(%.0f%%); encoder thread: converting %.1f s (%.0f%%), H.264 %.1f s (%.0f%%), music %.1f s (%.0f%%); "
        "peak memory %.0f MB\n",
        drawing, share(drawing), capture.times.readback, share(capture.times.readback), capture.times.waiting,
        share(capture.times.waiting), t.convert, share(t.convert), t.video, share(t.video),
        t.audio + encoder.MusicSeconds(), share(t.audio + encoder.MusicSeconds()), PeakMemoryMb());
}

int Interrupted() {
    std::fprintf(stderr, "\nvirelle-tools capture: interrupted; no file written\n");
    return captureInterrupted;
}

}  // namespace

int RunCapture(const CaptureRequest& request) {
    const Clock::time_point start = Clock::now();
    // The temporary file is made first, so an unwritable place is known before anything is drawn,
    // but after the signals are caught, and before SDL starts: SDL leaves a handler it finds in place.
    SignalGuard signals;
    PendingFile pending(request.out);
    std::string why;
    if (!pending.Open(&why)) {
        std::fprintf(stderr, "virelle-tools capture: cannot write %s: %s\n", request.out.c_str(), why.c_str());
        return captureBadInput;
    }
    const std::string& path = pending.Temporary();

    if (!OpenHeadlessDevice(request.drawSize)) {
        std::fprintf(stderr, "virelle-tools capture: no graphics device\n");
        return captureFailed;
    }

    // The frame drawn: 640x480, or the draw size with the 4:3 picture inside it. Scaled to --size,
    // the picture alone goes in, fitted as the 640x480 one would be; otherwise the frame as drawn.
    const bool sized = request.drawSize.width > 0;
    const int sourceWidth = sized ? request.drawSize.width : 640;
    const int sourceHeight = sized ? request.drawSize.height : 480;
    VideoSettings settings;
    settings.path = path;
    settings.container = request.container;
    settings.sourceWidth = sourceWidth;
    settings.sourceHeight = sourceHeight;
    if (sized) {
        const DrawPictureRect r = PictureRectInFrame(sourceWidth, sourceHeight);
        const PictureRect fit = FitPicture(r.width, r.height, request.width, request.height);
        // Unscaled, the bars are left to the video's black as long as it puts the picture where
        // the frame has it: only the picture is converted.
        if (request.scaled || (fit.x == r.x && fit.y == r.y && fit.width == r.width && fit.height == r.height))
            settings.crop = PictureRect{r.x, r.y, r.width, r.height};
    }
    settings.width = request.width;
    settings.height = request.height;
    settings.fps = request.range.fps;
    settings.crf = request.crf;
    settings.preset = request.preset;
    settings.audioRate = request.range.rate;
    std::string error;
    std::unique_ptr<VideoFile> file = VideoFile::Open(settings, &error);
    if (!file) {
        std::fprintf(stderr, "virelle-tools capture: %s\n", error.c_str());
        return captureFailed;
    }
    CaptureEncoder encoder(*file, request.musicPath, request.range, queueDepth);
    if (!encoder.Start()) {
        std::fprintf(stderr, "virelle-tools capture: %s\n", encoder.Error().c_str());
        return captureBadInput;
    }

    ProgressLine progress(ProgressLine::ModeFor(request.quiet, stderr), request.range.Frames(), request.range.fps);
    Capture capture(encoder, progress, sourceWidth, sourceHeight);
    OfflineOptions options;
    options.fps = request.range.fps;
    options.firstCaptured = request.range.firstFrame;
    options.endCaptured = request.range.endFrame;
    options.capture = [&capture](long, float) { return capture.OnFrame(); };
    const OfflineResult r = RunOffline(options);
    const bool drawn = r.started && !r.captureFailed && capture.Drain();
    const bool finished = drawn && !interrupted && encoder.Finish();
    progress.End();
    if (interrupted) return Interrupted();
    if (!r.started) {
        std::fprintf(stderr, "virelle-tools capture: the show could not start (content in %s)\n",
                     std::filesystem::current_path().c_str());
        return captureBadInput;
    }
    if (!finished) {
        encoder.Abort();
        const std::string& why = !capture.error.empty() ? capture.error : encoder.Error();
        std::fprintf(stderr, "virelle-tools capture: %s\n", why.empty() ? "the capture failed" : why.c_str());
        return captureFailed;
    }
    if (!pending.Commit(&why)) {
        std::fprintf(stderr, "virelle-tools capture: cannot move the video to %s: %s\n", request.out.c_str(),
                     why.c_str());
        return captureFailed;
    }
    PrintSummary(request, r, capture, encoder, *file, SecondsSince(start));
    return captureOk;
}
