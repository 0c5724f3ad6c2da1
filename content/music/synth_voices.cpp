#include "content/music/synth_voices.h"

#include <algorithm>
#include <cmath>

namespace synth {
namespace {

constexpr float kDt = 1.0f / kSampleRate;
constexpr size_t kControlStep = 16;  // filter and pitch modulation update every this many frames

// How many frames of a note of `seconds` fit into the buffer from `at`.
size_t Span(const Stereo& out, size_t at, float seconds) {
    if (at >= out.Frames() || seconds <= 0.0f) return 0;
    const size_t n = static_cast<size_t>(seconds * kSampleRate) + 1;
    return std::min(n, out.Frames() - at);
}

void AddCentre(Stereo& out, size_t i, float y) {
    out.left[i] += y;
    out.right[i] += y;
}

// A short fade over the last frames so a cut-off tail never clicks.
float EndFade(size_t i, size_t n) {
    constexpr size_t kFade = 256;
    const size_t left = n - i;
    return left < kFade ? static_cast<float>(left) / kFade : 1.0f;
}

// An envelope evaluated once per control step and ramped linearly in between.
struct EnvRamp {
    const Adsr& env;
    float held;
    float value = 0.0f, step = 0.0f;
    float Next(size_t i) {
        if (i % kControlStep == 0) {
            const float target = env.Level(static_cast<float>(i + kControlStep) * kDt, held);
            step = (target - value) / kControlStep;
        }
        value += step;
        return value;
    }
};

}  // namespace

void RenderKick(Stereo& out, size_t at, const KickShape& shape, float level) {
    const size_t n = Span(out, at, shape.hold + shape.decay * 7.0f);
    Osc osc;
    Rng rng(0x6b69636bull + at);
    OnePole airy;
    airy.SetCutoff(2500.0f);
    const float norm = 1.0f / SoftClip(shape.drive);
    for (size_t i = 0; i < n; ++i) {
        const float t = static_cast<float>(i) * kDt;
        float env = t < shape.hold ? 1.0f : std::exp(-(t - shape.hold) / shape.decay);
        if (t < 0.001f) env *= t / 0.001f;
        const float hz = shape.endHz + (shape.startHz - shape.endHz) * std::exp(-t / shape.pitchTime);
        const float body = SoftClip(shape.drive * osc.Sine(hz)) * norm * env;
        const float click = airy.High(rng.Bipolar()) * std::exp(-t / 0.004f) * shape.click;
        AddCentre(out, at + i, (body + click) * level * EndFade(i, n));
    }
}

void RenderSub(Stereo& out, size_t at, float held, int midi, float level) {
    const size_t n = Span(out, at, held + 0.3f);
    const float hz = NoteHz(midi);
    const float norm = 1.0f / SoftClip(1.6f);
    Osc osc;
    for (size_t i = 0; i < n; ++i) {
        const float t = static_cast<float>(i) * kDt;
        float env = t < 0.008f ? t / 0.008f : 1.0f;
        if (t > held) env *= std::exp(-(t - held) / 0.05f);
        AddCentre(out, at + i, SoftClip(1.6f * osc.Sine(hz)) * norm * env * level * EndFade(i, n));
    }
}

void RenderBass(Stereo& out, size_t at, float held, int midi, float level, float brightness) {
    const Adsr env{0.003f, 0.18f, 0.55f, 0.05f};
    const size_t n = Span(out, at, held + env.Tail());
    const float hz = NoteHz(midi);
    Osc a, b, c;
    b.phase = 0.37;
    Svf filter;
    EnvRamp level0{env, held};
    for (size_t i = 0; i < n; ++i) {
        const float t = static_cast<float>(i) * kDt;
        if (i % kControlStep == 0)
            filter.Set(140.0f + 200.0f * brightness + (300.0f + 2500.0f * brightness) * std::exp(-t / 0.12f), 0.3f);
        const float x = 0.5f * (a.Saw(hz * 1.003f) + b.Saw(hz * 0.997f)) + 0.35f * c.Sine(hz);
        filter.Step(x);
        AddCentre(out, at + i, filter.low * level0.Next(i) * level * EndFade(i, n));
    }
}

void RenderPad(Stereo& out, size_t at, float held, int midi, float level, float cutoffHz, uint64_t seed) {
    const Adsr env{0.7f, 1.5f, 0.8f, 1.0f};
    const size_t n = Span(out, at, held + env.Tail());
    const float hz = NoteHz(midi);
    static const float kDetune[2][3] = {{-0.11f, 0.02f, 0.09f}, {-0.07f, -0.01f, 0.12f}};  // semitones
    Rng rng(seed);
    Osc osc[2][3];
    float ratio[2][3];
    for (int c = 0; c < 2; ++c)
        for (int v = 0; v < 3; ++v) {
            osc[c][v].phase = rng.Unit();
            ratio[c][v] = std::exp2(kDetune[c][v] / 12.0f);
        }
    const float lfoPhase = rng.Unit() * 2.0f * kPi;
    Svf filter[2];
    EnvRamp level0{env, held};
    for (size_t i = 0; i < n; ++i) {
        const float t = static_cast<float>(i) * kDt;
        if (i % kControlStep == 0) {
            const float lfo = std::sin(2.0f * kPi * 0.13f * t + lfoPhase);
            filter[0].Set(cutoffHz * (1.0f + 0.25f * lfo), 0.15f);
            filter[1].Set(cutoffHz * (1.0f - 0.25f * lfo), 0.15f);
        }
        const float gain = level0.Next(i) * level * (1.0f / 3.0f) * EndFade(i, n);
        float side[2];
        for (int c = 0; c < 2; ++c) {
            const float x =
                osc[c][0].Saw(hz * ratio[c][0]) + osc[c][1].Saw(hz * ratio[c][1]) + osc[c][2].Saw(hz * ratio[c][2]);
            filter[c].Step(x);
            side[c] = filter[c].low * gain;
        }
        out.left[at + i] += side[0];
        out.right[at + i] += side[1];
    }
}

void RenderPluck(Stereo& out, size_t at, float held, int midi, float level, float pan, float brightness) {
    const Adsr env{0.002f, 0.22f, 0.0f, 0.08f};
    const size_t n = Span(out, at, std::min(held, 0.8f) + env.Tail());
    const float hz = NoteHz(midi);
    float gl, gr;
    PanGains(pan, gl, gr);
    Osc p, s;
    Svf filter;
    EnvRamp level0{env, held};
    for (size_t i = 0; i < n; ++i) {
        const float t = static_cast<float>(i) * kDt;
        if (i % kControlStep == 0) filter.Set(300.0f + 6000.0f * brightness * std::exp(-t / 0.09f), 0.35f);
        filter.Step(0.6f * p.Pulse(hz, 0.3f) + 0.4f * s.Saw(hz * 1.004f));
        const float y = filter.low * level0.Next(i) * level * EndFade(i, n);
        out.left[at + i] += y * gl;
        out.right[at + i] += y * gr;
    }
}

void RenderLead(Stereo& out, size_t at, float held, int midi, float level, float pan, float brightness) {
    const Adsr env{0.012f, 0.4f, 0.7f, 0.18f};
    const size_t n = Span(out, at, held + env.Tail());
    const float hz = NoteHz(midi);
    float gl, gr;
    PanGains(pan, gl, gr);
    Osc a, b, c;
    b.phase = 0.5;
    Svf filter;
    EnvRamp level0{env, held};
    float bend = 1.0f;
    for (size_t i = 0; i < n; ++i) {
        const float t = static_cast<float>(i) * kDt;
        if (i % kControlStep == 0) {
            // Vibrato fades in after the attack, as a singer's would.
            const float depth = 0.22f * std::clamp((t - 0.2f) / 0.3f, 0.0f, 1.0f);
            bend = std::exp2(depth * std::sin(2.0f * kPi * 5.5f * t) / 12.0f);
            filter.Set(900.0f + 3500.0f * brightness + 2000.0f * std::exp(-t / 0.15f), 0.25f);
        }
        const float f = hz * bend;
        const float x = 0.4f * a.Saw(f * 1.0035f) + 0.4f * b.Saw(f * 0.9965f) + 0.25f * c.Pulse(f * 0.5f, 0.5f);
        filter.Step(x);
        const float y = filter.low * level0.Next(i) * level * EndFade(i, n);
        out.left[at + i] += y * gl;
        out.right[at + i] += y * gr;
    }
}

void RenderSnare(Stereo& out, size_t at, float level, float pan, uint64_t seed) {
    const size_t n = Span(out, at, 0.7f);
    float gl, gr;
    PanGains(pan, gl, gr);
    Osc tone;
    Rng rng(seed);
    Svf filter;
    filter.Set(2500.0f, 0.2f);
    for (size_t i = 0; i < n; ++i) {
        const float t = static_cast<float>(i) * kDt;
        filter.Step(rng.Bipolar());
        const float body = tone.Sine(180.0f + 80.0f * std::exp(-t / 0.02f)) * std::exp(-t / 0.07f);
        const float noise = (0.8f * filter.band + 0.4f * filter.high) * std::exp(-t / 0.13f);
        const float attack = std::min(1.0f, t / 0.0005f);
        const float y = (0.55f * body + 0.7f * noise) * attack * level * EndFade(i, n);
        out.left[at + i] += y * gl;
        out.right[at + i] += y * gr;
    }
}

void RenderHat(Stereo& out, size_t at, float level, float pan, bool open, uint64_t seed) {
    const float decay = open ? 0.22f : 0.035f;
    const size_t n = Span(out, at, decay * 7.0f);
    float gl, gr;
    PanGains(pan, gl, gr);
    Rng rng(seed);
    Svf filter;
    filter.Set(8000.0f, 0.3f);
    for (size_t i = 0; i < n; ++i) {
        const float t = static_cast<float>(i) * kDt;
        filter.Step(rng.Bipolar());
        const float y = filter.high * std::min(1.0f, t / 0.001f) * std::exp(-t / decay) * level * EndFade(i, n);
        out.left[at + i] += y * gl;
        out.right[at + i] += y * gr;
    }
}

void RenderCrash(Stereo& out, size_t at, float level, uint64_t seed) {
    const size_t n = Span(out, at, 6.0f);
    Rng rng(seed);
    Svf filter[2];
    for (Svf& f : filter) f.Set(5000.0f, 0.1f);
    for (size_t i = 0; i < n; ++i) {
        const float t = static_cast<float>(i) * kDt;
        const float env = std::min(1.0f, t / 0.002f) * std::exp(-t / 1.1f) * level * EndFade(i, n);
        filter[0].Step(rng.Bipolar());
        filter[1].Step(rng.Bipolar());
        out.left[at + i] += (filter[0].high + 0.5f * filter[0].band) * env;
        out.right[at + i] += (filter[1].high + 0.5f * filter[1].band) * env;
    }
}

void RenderSwell(Stereo& out, size_t at, float held, float level, float fromHz, float toHz, bool rise, uint64_t seed) {
    const size_t n = Span(out, at, held);
    Rng rng(seed);
    Svf filter[2];
    float gain = 0.0f;
    for (size_t i = 0; i < n; ++i) {
        if (i % kControlStep == 0) {
            const float p = static_cast<float>(i) / static_cast<float>(n);
            const float arc = std::sin(kPi * p);
            const float sweep = rise ? p : arc;
            const float hz = fromHz * std::pow(toHz / fromHz, sweep);
            for (Svf& f : filter) f.Set(hz, 0.45f);
            gain = (rise ? p * p : arc * arc) * level;
        }
        filter[0].Step(rng.Bipolar());
        filter[1].Step(rng.Bipolar());
        const float g = gain * EndFade(i, n);
        out.left[at + i] += filter[0].low * g;
        out.right[at + i] += filter[1].low * g;
    }
}

}  // namespace synth
