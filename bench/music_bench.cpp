// The music's cost: synthesis of the whole piece and its MP3 encoding (goal: under 15 s together on
// the 2-core build machine, with the default optimised build).
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "content/music/mp3_encoder.h"
#include "content/music/sequencer.h"

static void BM_MusicRenderPiece(benchmark::State& state) {
    for (auto _ : state) {
        synth::Stereo audio = sequencer::RenderPiece();
        benchmark::DoNotOptimize(audio.left.data());
    }
}
BENCHMARK(BM_MusicRenderPiece)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();

static void BM_MusicEncodeMp3(benchmark::State& state) {
    const synth::Stereo audio = sequencer::RenderPiece();
    std::vector<unsigned char> mp3;
    std::string error;
    for (auto _ : state) {
        EncodeMp3(audio, 192, mp3, error);
        benchmark::DoNotOptimize(mp3.data());
    }
    state.counters["bytes"] = static_cast<double>(mp3.size());
}
BENCHMARK(BM_MusicEncodeMp3)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();
