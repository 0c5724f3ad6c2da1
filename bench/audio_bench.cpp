// The music stream's costs for a 150 s piece: opening it and starting playback, the processor time
// per second of playback (decoding and one spectrum per frame) and the memory it holds.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <numbers>
#include <string>
#include <thread>

#include "audio/music_stream.h"
#include "platform/win32.h"
#include "tests/audio/mp3_maker.h"

namespace {

constexpr int pieceSeconds = 150;

// A stereo piece with a beat, a bass line and a pad, made once per run.
const std::string& PiecePath() {
    static const std::string path = [] {
        const std::string p = (std::filesystem::temp_directory_path() / "virelle-bench-piece.mp3").string();
        const auto voice = [](int64_t i, double pan) {
            const double t = double(i) / 44100;
            const double beat = std::fmod(t, 0.3875);
            const double kick =
                beat < 0.1 ? 0.5 * std::exp(-beat * 30) * std::sin(2 * std::numbers::pi * 55 * beat) : 0;
            const double bass =
                0.2 * std::sin(2 * std::numbers::pi * (55 + 27.5 * std::floor(std::fmod(t, 6.2) / 1.55)) * t);
            const double pad =
                0.1 * pan * std::sin(2 * std::numbers::pi * 440 * t) * std::sin(2 * std::numbers::pi * 0.1 * t);
            return kick + bass + pad;
        };
        const auto pcm = MakePcm(
            int64_t(pieceSeconds) * 44100, 2, [&](int64_t i) { return voice(i, 1.0); },
            [&](int64_t i) { return voice(i, -0.6); });
        Mp3Options options;
        options.kbps = 192;
        const auto bytes = EncodeMp3(pcm, options);
        FILE* f = std::fopen(p.c_str(), "wb");
        if (f) {
            std::fwrite(bytes.data(), 1, bytes.size(), f);
            std::fclose(f);
        }
        // No sound card on a build machine: SDL's dummy driver paces like one.
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        SetMessageBoxHook(
            [](const char* text, const char* caption) { std::fprintf(stderr, "%s: %s\n", caption, text); });
        return p;
    }();
    return path;
}

double ProcessCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

// Kilobytes from a line of /proc/self/status ("VmHWM", "VmRSS").
double StatusKb(const char* key) {
    FILE* f = std::fopen("/proc/self/status", "r");
    if (!f) return 0;
    char line[256];
    double kb = 0;
    while (std::fgets(line, sizeof line, f))
        if (!std::strncmp(line, key, std::strlen(key))) kb = std::atof(line + std::strlen(key) + 1);
    std::fclose(f);
    return kb;
}

// Constructing the stream and Play returning: what stands between start-up and the first sound.
void BM_OpenAndPlay(benchmark::State& state) {
    const std::string& path = PiecePath();
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        auto* music = new MusicStream(path.c_str());
        music->Play();
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        delete music;
    }
}
BENCHMARK(BM_OpenAndPlay)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

// Real-time playback on the dummy output with one position and spectrum fetch per 60 Hz frame:
// the process's processor time over wall time, in percent of one core.
void BM_PlaybackCpu(benchmark::State& state) {
    const std::string& path = PiecePath();
    double percent = 0;
    for (auto _ : state) {
        MusicStream music(path.c_str());
        float spectrum[512] = {};
        music.Play();
        const double cpu0 = ProcessCpuSeconds();
        const auto wall0 = std::chrono::steady_clock::now();
        const auto frame = std::chrono::microseconds(16667);
        for (int i = 0; i < 60 * 5; ++i) {
            benchmark::DoNotOptimize(music.GetPosition());
            music.GetSpectrum(spectrum);
            std::this_thread::sleep_until(wall0 + frame * (i + 1));
        }
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
        percent = 100 * (ProcessCpuSeconds() - cpu0) / wall;
        music.Stop();
    }
    state.counters["cpu_percent_of_core"] = percent;
}
BENCHMARK(BM_PlaybackCpu)->Unit(benchmark::kSecond)->Iterations(1);

// The whole piece on the offline clock at 60 frames a second: decode and analysis cost per second
// of music, and the memory held once all of it is decoded.
void BM_OfflineWholePiece(benchmark::State& state) {
    const std::string& path = PiecePath();
    const double rss0 = StatusKb("VmRSS:");
    double cpuPerSecond = 0, heldMb = 0, rssGrowthMb = 0;
    for (auto _ : state) {
        MusicStream music(path.c_str(), MusicStream::Clock::Offline);
        float spectrum[512] = {};
        const double cpu0 = ProcessCpuSeconds();
        for (int i = 0; i <= pieceSeconds * 60; ++i) {
            music.SetPosition(float(i / 60.0));
            music.GetSpectrum(spectrum);
        }
        cpuPerSecond = (ProcessCpuSeconds() - cpu0) / pieceSeconds;
        heldMb = double(music.DecodedBytes()) / (1 << 20);
        rssGrowthMb = (StatusKb("VmRSS:") - rss0) / 1024;
    }
    state.counters["cpu_ms_per_music_second"] = cpuPerSecond * 1000;
    state.counters["decoded_MiB_held"] = heldMb;
    state.counters["rss_growth_MiB"] = rssGrowthMb;
    state.counters["peak_rss_MiB"] = StatusKb("VmHWM:") / 1024;
}
BENCHMARK(BM_OfflineWholePiece)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
