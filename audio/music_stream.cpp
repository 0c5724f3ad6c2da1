// MusicStream: the output, the decoded PCM, the clock and the spectrum put together.
#include "audio/music_stream.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <mutex>

#include "audio/music_spectrum.h"
#include "audio/pcm_source.h"
#include "audio/playback_clock.h"
#include "platform/audio_out.h"
#include "platform/win32.h"

namespace {

constexpr int aheadSeconds = 2;  // decoded ahead of the output; hides any scheduling hiccup

// Frames and seconds meet here only, so the end position and the length are the same float.
float FramesToSeconds(double frames, int rate) {
    return float(frames / rate);
}

}  // namespace

struct MusicStreamState {
    MusicStreamState() = default;
    // The decode-ahead worker reads `consumed`, which is declared (so destroyed) after `source`:
    // the worker stops before any member goes, not in the source's own destructor.
    ~MusicStreamState() { source.StopAhead(); }
    MusicStreamState(const MusicStreamState&) = delete;
    MusicStreamState& operator=(const MusicStreamState&) = delete;

    PcmSource source;
    SpectrumAnalyzer analyzer;
    std::atomic<int64_t> consumed{0};  // frames copied to the output so far; the worker's play head
    std::mutex clockMutex;             // between the output's pulls and the position queries
    PlaybackClock clock;
    float offlinePosition = 0;  // the offline clock
    int outputChanges = 0;      // the output's Changes() at the latest pull; pulls only
};

MusicStream::MusicStream(const char* fileName, Clock clockKind) : clock(clockKind) {
    // The file is opened first, silently, so the output runs at the file's own rate and the
    // spectrum sees the file's own samples; the boxes still come in the order output, file.
    auto opened = std::make_unique<MusicStreamState>();
    const bool playable = fileName && opened->source.Open(fileName);
    if (clock == Clock::RealTime) {
        output = std::make_unique<AudioOut>();
        if (!output->Open(&MusicStream::Pull, this, playable ? opened->source.Rate() : AudioOut::defaultRate))
            MessageBoxA(nullptr, "No Init", "Error", MB_OK);
    }
    if (!playable) {
        MessageBoxA(nullptr, "Cant Play Funky Music", "You Suck", MB_OK);
        return;
    }
    opened->clock.Reset(opened->source.Rate(), output ? output->BufferFrames() : 0);
    // Decoded music is held around the play head: the output's, or where the offline clock is.
    const bool live = clock == Clock::RealTime;
    opened->source.Follow(&opened->consumed, live ? int64_t(aheadSeconds) * opened->source.Rate() : 0);
    if (live) opened->source.StartAhead();
    stream = std::move(opened);  // the output is paused: no pull can see this happen
    created = true;
}

MusicStream::~MusicStream() {
    // The output goes first so that no pull runs while the stream is taken down.
    if (output) output->Close();
    stream.reset();
    output.reset();
    created = false;
}

void MusicStream::Play() {
    if (!created) {
        MessageBoxA(nullptr, "Must CreateStream First", "Sucky Assembler", MB_OK);
        return;
    }
    playing = true;
    if (output) output->Start();
}

void MusicStream::Stop() {
    playing = false;
    if (!output) return;
    output->Pause();
    if (stream) {
        std::lock_guard<std::mutex> lock(stream->clockMutex);
        stream->clock.Freeze(output->Now());
    }
}

void MusicStream::Pull(void* user, int16_t* out, int frames) {
    MusicStream* self = static_cast<MusicStream*>(user);
    MusicStreamState* s = self->stream.get();
    if (!s) {
        std::memset(out, 0, size_t(frames) * 2 * sizeof(int16_t));
        return;
    }
    if (const int changes = self->output->Changes(); changes != s->outputChanges) {
        // The first pull from another output (the silent stand-in for a lost device, or a device
        // back): the music goes on from the position the picture shows, so the two stay together.
        s->outputChanges = changes;
        std::lock_guard<std::mutex> lock(s->clockMutex);
        const int64_t head = s->clock.ChangeDevice(self->output->BufferFrames(), self->output->Now());
        s->consumed.store(std::min(head, s->source.Length()), std::memory_order_relaxed);
    }
    const int64_t at = s->consumed.load(std::memory_order_relaxed);
    const int got = s->source.CopyStereo(at, frames, out);
    std::memset(out + got * 2, 0, size_t(frames - got) * 2 * sizeof(int16_t));
    s->consumed.store(at + got, std::memory_order_relaxed);
    // Silence after the end still counts as time passing, so the position reaches the end.
    // Silence from a decoder that fell behind does not: the clock waits for the music.
    const bool over = s->source.Finished() && at + got >= s->source.Length();
    std::lock_guard<std::mutex> lock(s->clockMutex);
    s->clock.OnPull(over ? frames : got, self->output->Now());
}

float MusicStream::GetLength() {
    if (!stream) return 0.0f;
    return FramesToSeconds(double(stream->source.Length()), stream->source.Rate());
}

float MusicStream::GetPosition() {
    if (!stream) return 0.0f;
    if (clock == Clock::Offline) return stream->offlinePosition;
    const int64_t end = stream->source.Length();
    std::lock_guard<std::mutex> lock(stream->clockMutex);
    return FramesToSeconds(stream->clock.Heard(output->Now(), end), stream->source.Rate());
}

void MusicStream::SetPosition(float seconds) {
    if (!stream || clock != Clock::Offline) return;
    if (!(seconds > 0.0f)) seconds = 0.0f;  // NaN too
    const int rate = stream->source.Rate();
    // Decoding up to the position finds out whether a damaged file ends before it.
    const double frame = std::min(std::floor(double(seconds) * rate), double(stream->source.Length()));
    stream->consumed.store(int64_t(frame), std::memory_order_relaxed);  // the offline play head
    stream->source.Hold(int64_t(frame), int64_t(frame) + SpectrumAnalyzer::size);
    const float length = GetLength();
    stream->offlinePosition = seconds < length ? seconds : length;
}

void MusicStream::Seek(float seconds) {
    if (!stream) return;
    if (clock == Clock::Offline) return SetPosition(seconds);
    if (!(seconds > 0.0f)) seconds = 0.0f;  // NaN too
    const int rate = stream->source.Rate();
    const int64_t frame = int64_t(std::min(std::floor(double(seconds) * rate), double(stream->source.Length())));
    // Paused, no pull runs: the play head and the clock move together.
    if (output) output->Pause();
    stream->consumed.store(std::min(frame, stream->source.Length()), std::memory_order_relaxed);
    stream->source.Hold(frame, frame + SpectrumAnalyzer::size);  // the first pull finds music there
    {
        std::lock_guard<std::mutex> lock(stream->clockMutex);
        stream->clock.Seek(std::min(frame, stream->source.Length()));
    }
    if (output && playing) output->Start();
}

void MusicStream::GetSpectrum(float* destination) {
    SpectrumAt(GetPosition(), destination);
}

void MusicStream::SpectrumAt(float position, float* destination) {
    if (!stream) {
        std::fill(destination, destination + SpectrumAnalyzer::bands, 0.0f);
        return;
    }
    const int64_t first = int64_t(std::floor(double(position) * stream->source.Rate()));
    float mono[SpectrumAnalyzer::size];
    stream->source.MixMono(first, SpectrumAnalyzer::size, mono);
    stream->analyzer.Analyze(mono, destination);
}

size_t MusicStream::DecodedBytes() const {
    return stream ? stream->source.BytesHeld() : 0;
}
