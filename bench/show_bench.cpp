// The show's costs: start-up to the first picture and to the music, and every frame of the whole
// show on the offline clock at 60 fps (the device layer's share and Present's), with peak memory.
// Runs on the content in the working directory, or makes it once under the temporary folder.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>

#include "app/demo.h"
#include "app/offline.h"
#include "app/program.h"
#include "app/show.h"
#include "composition/composition.h"
#include "content/content.h"
#include "gfx/texture.h"
#include "platform/d3dwindow.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// Seconds since this process started (boot-time clock against /proc's start tick).
double ProcessAgeSeconds() {
    std::ifstream in("/proc/self/stat");
    std::string stat((std::istreambuf_iterator<char>(in)), {});
    std::istringstream fields(stat.substr(stat.rfind(')') + 2));
    std::string field;
    for (int i = 3; i <= 22 && fields >> field; ++i) {
    }
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    const double started = std::stod(field) / static_cast<double>(sysconf(_SC_CLK_TCK));
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9 - started;
}

// Enters a folder holding the show's content; false when it can't be made.
bool EnterContent(bool* made) {
    *made = false;
    if (std::filesystem::exists("data/virelle.cda")) return true;
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "virelle-bench-content";
    if (!std::filesystem::exists(dir / "data/virelle.cda")) {
        *made = true;
        if (!MakeVisualContent(dir.string()) || !MakeMusic(dir.string())) return false;
    }
    std::filesystem::current_path(dir);
    return true;
}

// Windows of this run are offscreen; message boxes go to stderr.
void UseOffscreenWindows() {
    PlatformUseOffscreenVideo();
    SetMessageBoxHook([](const char* text, const char* caption) { std::fprintf(stderr, "%s: %s\n", caption, text); });
}

bool SameSize(const DrawSize& a, const DrawSize& b) {
    return a.width == b.width && a.height == b.height && a.supersample == b.supersample;
}

// The offscreen window and device of this run, drawing at `size`; kept to the end like the tools'
// device. Asked for another size, the old device goes first (every resource made on it must have
// been released), as a run of the tool at that size would start.
bool OpenDevice(const DrawSize& size = DrawSize{}) {
    static D3DWindow* window = nullptr;
    static DrawSize opened;
    if (window && !SameSize(size, opened)) {
        if (device && device->Release() != 0) return false;  // something of the last size still holds it
        delete window;
        window = nullptr;
    }
    if (!window) {
        UseOffscreenWindows();
        window = new D3DWindow(640, 480, false, showTitle, WindowUse::Tool, size);
        opened = size;
    }
    return device != nullptr;
}

// The content entered and the device open; false (the state told why) otherwise.
bool Ready(benchmark::State& state, const DrawSize& size = DrawSize{}) {
    bool made = false;
    if (EnterContent(&made) && OpenDevice(size)) return true;
    state.SkipWithError("no content or device");
    return false;
}

double PeakMemoryMb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// The program objects (the texture prefetch, the window and device, the music stream), the show's
// start-up up to its first picture and on to the music: the live program's path in a window of
// its own, timed once. Run before any other benchmark of the process opens its device.
void BM_ShowStartUp(benchmark::State& state) {
    bool made = false;
    if (!EnterContent(&made)) {
        state.SkipWithError("no content");
        return;
    }
    const double processAge = ProcessAgeSeconds();
    UseOffscreenWindows();
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        Program program(ProgramSetup{true, false, MusicStream::Clock::RealTime, DrawSize{}});
        if (!device) {
            state.SkipWithError("no device");
            return;
        }
        const Clock::time_point objectsDone = Clock::now();
        Show show(program.compositions);
        if (!show.Start()) {
            state.SkipWithError("the show did not start");
            return;
        }
        const Clock::time_point loaded = Clock::now();
        program.music->Play();
        const Clock::time_point played = Clock::now();
        while (program.music->GetPosition() <= 0.0f && Clock::now() - played < std::chrono::seconds(2))
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        const Clock::time_point heard = Clock::now();
        program.music->Stop();
        device->Release();  // the live teardown's order: the device reference, then the show
        show.End();
        state.counters["program_objects_ms"] = Ms(objectsDone - start);
        state.counters["first_picture_ms"] = Ms(show.FirstPictureTime() - start);
        state.counters["loaded_ms"] = Ms(loaded - start);
        state.counters["music_play_ms"] = Ms(played - start);
        state.counters["music_moving_ms"] = Ms(heard - start);
    }
    // Time the process had lived before start-up began (loading; content making when it ran).
    state.counters["process_age_before_ms"] = made ? -1.0 : processAge * 1000.0;
    state.counters["peak_mb"] = PeakMemoryMb();
}
BENCHMARK(BM_ShowStartUp)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// Runs frames [first, end) of the show at 60 fps on the offline clock, nothing captured (frames
// before `first` only step the timeline) and reports their times.
void RunFrames(benchmark::State& state, long first, long end, bool perStretch, const DrawSize& size = DrawSize{}) {
    if (!Ready(state, size)) return;
    OfflineResult r;
    D3DFRAMESTATS sum{};        // the device's counters over the frames run but the first
    uint64_t firstGlCalls = 0;  // the first frame's, which carry the start-up's uploads
    long counted = 0;
    for (auto _ : state) {
        OfflineOptions options;
        options.fps = 60.0;
        options.firstCaptured = first;
        options.endCaptured = end;
        sum = {}, counted = 0;
        options.capture = [&](long, float) {  // nothing is read back: the counters only
            const D3DFRAMESTATS f = device->GetLastFrameStats();
            if (counted++ == 0) {
                firstGlCalls = f.glCalls;
                return true;
            }
            sum.draws += f.draws, sum.stateChanges += f.stateChanges;
            sum.textureBinds += f.textureBinds, sum.glCalls += f.glCalls;
            return true;
        };
        r = RunOffline(options);
        if (!r.started) {
            state.SkipWithError("the show did not start");
            return;
        }
    }
    // Where the time goes: mean and worst of each 5 s stretch.
    for (size_t from = 0; perStretch && from < r.frameMs.size(); from += 300) {
        const size_t to = std::min(r.frameMs.size(), from + 300);
        double sum = 0, worst = 0, draw = 0;
        for (size_t i = from; i < to; ++i) {
            sum += r.frameMs[i];
            draw += r.frameDrawMs[i];
            worst = std::max(worst, static_cast<double>(r.frameMs[i]));
        }
        const double n = static_cast<double>(to - from), at = static_cast<double>(first + long(from)) / 60.0;
        std::fprintf(stderr, "  %5.0f-%3.0f s: mean %6.2f ms (draw %5.2f), worst %6.2f ms\n", at, at + n / 60.0,
                     sum / n, draw / n, worst);
    }
    if (perStretch) {  // the ten slowest frames and when they were
        std::vector<size_t> order(r.frameMs.size());
        for (size_t i = 0; i < order.size(); ++i) order[i] = i;
        const size_t n = std::min<size_t>(10, order.size());
        std::partial_sort(order.begin(), order.begin() + static_cast<long>(n), order.end(),
                          [&](size_t a, size_t b) { return r.frameMs[a] > r.frameMs[b]; });
        std::fprintf(stderr, "  slowest:");
        for (size_t i = 0; i < n; ++i)
            std::fprintf(stderr, " %.2f s %.1f ms (draw %.1f);", static_cast<double>(first + long(order[i])) / 60.0,
                         static_cast<double>(r.frameMs[order[i]]), static_cast<double>(r.frameDrawMs[order[i]]));
        std::fprintf(stderr, "\n");
    }
    const auto worst = std::max_element(r.frameMs.begin(), r.frameMs.end());
    if (worst != r.frameMs.end())
        state.counters["worst_frame_at_s"] = static_cast<double>(first + (worst - r.frameMs.begin())) / 60.0;
    state.counters["frames"] = static_cast<double>(r.frames);
    state.counters["mean_frame_ms"] = r.meanFrameMs;
    state.counters["worst_frame_ms"] = r.worstFrameMs;
    state.counters["frames_over_16.7ms"] = static_cast<double>(r.slowFrames);
    state.counters["mean_draw_ms"] = r.meanDrawMs;
    state.counters["mean_present_ms"] = r.meanPresentMs;
    state.counters["first_frame_gl_calls"] = static_cast<double>(firstGlCalls);
    if (counted > 1) {  // per frame after the first
        const double n = static_cast<double>(counted - 1);
        state.counters["draws"] = static_cast<double>(sum.draws) / n;
        state.counters["state_changes"] = static_cast<double>(sum.stateChanges) / n;
        state.counters["texture_binds"] = static_cast<double>(sum.textureBinds) / n;
        state.counters["gl_calls"] = static_cast<double>(sum.glCalls) / n;
    }
    state.counters["peak_mb"] = PeakMemoryMb();
}

// Every frame of the show at 60 fps: as the show asks (640x480), then drawn at 640x480 with
// supersample 2 (1280x960 filtered down) and natively at 1440x1080 (the 4:3 picture of 1080p),
// each against the first case of the same run. The larger cases run after it in the same process:
// their peak_mb is the largest so far, theirs.
void BM_ShowOffline60(benchmark::State& state) {
    const DrawSize sizes[] = {DrawSize{}, DrawSize{0, 0, false, 2}, DrawSize{1440, 1080, false, 1}};
    static double mean640 = 0, worst640 = 0;
    RunFrames(state, 0, 1L << 40, true, sizes[state.range(0)]);
    if (state.range(0) == 0) {
        mean640 = state.counters["mean_frame_ms"], worst640 = state.counters["worst_frame_ms"];
    } else if (mean640 > 0) {
        state.counters["mean_vs_640x480"] = state.counters["mean_frame_ms"] / mean640;
        state.counters["worst_vs_640x480"] = state.counters["worst_frame_ms"] / worst640;
    }
}
BENCHMARK(BM_ShowOffline60)
    ->ArgName("640x480_ss2_1440x1080")
    ->DenseRange(0, 2)
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

// Three seconds inside each section (title, solo, interlude, ringer, duet, credits): quick to rerun
// while tuning one of them.
void BM_ShowSection(benchmark::State& state) {
    const long seconds = state.range(1) ? state.range(1) : 3;
    RunFrames(state, state.range(0) * 60, (state.range(0) + seconds) * 60, state.range(1) != 0);
}
BENCHMARK(BM_ShowSection)
    ->ArgNames({"from_s", "seconds"})
    ->Args({0, 0})
    ->Args({20, 0})
    ->Args({48, 0})
    ->Args({62, 0})
    ->Args({76, 0})
    ->Args({104, 0})
    ->Args({138, 0})
    ->Args({69, 25})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// Runs body on the show's composition, loaded with its own texture registry; false (the state
// told why) when there is no content, device or composition.
bool WithComposition(benchmark::State& state, const std::function<void(Composition&)>& body) {
    if (!Ready(state)) return false;
    TextureRegistry registry;
    TextureRegistry* previous = fileTextures;
    fileTextures = &registry;
    Composition composition;
    const bool loaded = composition.Load(showCompositionFile);
    if (loaded)
        body(composition);
    else
        state.SkipWithError("no composition");
    composition.ReleaseResources();
    registry.ReleaseAll();
    fileTextures = previous;
    return loaded;
}

// n frames of the composition alone at t: clear, composition, Present; milliseconds per frame.
double CompositionFrames(Composition& composition, float t, int n) {
    const Clock::time_point start = Clock::now();
    for (int i = 0; i < n; ++i) {
        device->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00000000, 1.0f, 0);
        composition.Render(t);
        device->Present(nullptr, nullptr, nullptr, nullptr);
    }
    return Ms(Clock::now() - start) / n;
}

// The composition alone at one moment of each section, drawn again and again. The views show
// their load-time image instead of a scene's picture.
void BM_CompositionAt(benchmark::State& state) {
    WithComposition(state, [&](Composition& composition) {
        const float t = static_cast<float>(state.range(0));
        const D3DDEVICESTATS before = device->GetStats();
        timespec cpu0{}, cpu1{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu0);
        for (auto _ : state) CompositionFrames(composition, t, 1);
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu1);
        const D3DDEVICESTATS after = device->GetStats();
        const double frames = static_cast<double>(state.iterations());
        // Processor time of every thread (the rasterizer's too) per frame: steadier than wall time
        // on a shared machine.
        state.counters["cpu_ms_all_threads"] = (static_cast<double>(cpu1.tv_sec - cpu0.tv_sec) * 1e3 +
                                                static_cast<double>(cpu1.tv_nsec - cpu0.tv_nsec) * 1e-6) /
                                               frames;
        state.counters["draws"] = static_cast<double>(after.draws - before.draws) / frames;
        state.counters["magnified_draws"] = static_cast<double>(after.magnifiedDraws - before.magnifiedDraws) / frames;
        state.counters["state_changes"] = static_cast<double>(after.stateChanges - before.stateChanges) / frames;
        state.counters["texture_binds"] = static_cast<double>(after.textureBinds - before.textureBinds) / frames;
        state.counters["gl_calls"] = static_cast<double>(after.glCalls - before.glCalls) / frames;
    });
}

// What each layer of the composition costs at one moment: frames with the layer and without it,
// taken in turns in this one process (machine noise between runs is larger than small layers).
// Printed per layer; the benchmark's time is that of the whole composition.
void BM_CompositionLayers(benchmark::State& state) {
    WithComposition(state, [&](Composition& composition) {
        const float t = static_cast<float>(state.range(0));
        for (auto _ : state) benchmark::DoNotOptimize(CompositionFrames(composition, t, 1));
        for (size_t layer = 0; layer < composition.layers.size(); ++layer) {
            double with = 0, without = 0;
            for (int turn = 0; turn < 3; ++turn) {
                with += CompositionFrames(composition, t, 20);
                std::vector<Element> taken;
                std::swap(composition.layers[layer].elements, taken);
                without += CompositionFrames(composition, t, 20);
                std::swap(composition.layers[layer].elements, taken);
            }
            if (with - without > 0.3)  // 0.1 ms a frame: below that is noise
                std::fprintf(stderr, "  t %.0f s, layer %zu \"%s\": %.2f ms of %.2f\n", static_cast<double>(t), layer,
                             composition.layers[layer].name.c_str(), (with - without) / 3, with / 3);
        }
    });
}
// One moment in each section: title, solo, interlude, ringer, duet, credits.
void SectionMoments(benchmark::internal::Benchmark* b) {
    b->ArgName("t")
        ->Arg(25)
        ->Arg(50)
        ->Arg(62)
        ->Arg(77)
        ->Arg(104)
        ->Arg(140)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
}
BENCHMARK(BM_CompositionLayers)->Apply(SectionMoments)->Iterations(10);
BENCHMARK(BM_CompositionAt)->Apply(SectionMoments);

// One scene pass on its own, as the show draws it: target cleared, scene drawn, and the picture
// waited for. Camera 0 at scene time 1 s.
void BM_ScenePass(benchmark::State& state) {
    if (!Ready(state)) return;
    TextureRegistry targets;
    TextureRegistry* previous = renderTargets;
    renderTargets = &targets;
    {
        Demo demo;
        if (!demo.Load()) {
            state.SkipWithError("the scenes did not load");
        } else {
            Scene* scenes[] = {&demo.ringer, &demo.ostrel, &demo.park};
            Scene& scene = *scenes[state.range(0)];
            IDirect3DSurface9* backBuffer = nullptr;
            device->GetRenderTarget(0, &backBuffer);
            device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
            scene.SelectCamera(0);
            std::vector<uint8_t> pixels;
            const D3DDEVICESTATS before = device->GetStats();
            for (auto _ : state) {
                device->SetRenderTarget(0, demo.renderTarget->surface);
                demo.renderTarget->ClearTarget();
                scene.Render(1.0f);
                device->ReadRenderTarget(&pixels, nullptr, nullptr);
            }
            state.counters["draws"] =
                static_cast<double>(device->GetStats().draws - before.draws) / static_cast<double>(state.iterations());
            device->SetRenderTarget(0, backBuffer);
            backBuffer->Release();
        }
    }
    targets.ReleaseAll();
    renderTargets = previous;
}
BENCHMARK(BM_ScenePass)->ArgName("ringer_ostrel_park")->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
