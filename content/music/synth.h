// The synthesiser's building blocks: oscillators, envelopes, filters, delay, reverb and the master
// limiter. Everything is plain sample-by-sample arithmetic with our own random numbers, so a render
// gives the same samples on every run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace synth {

constexpr int kSampleRate = 44100;
constexpr float kPi = 3.14159265358979f;

// xorshift64*: small, fast and the same sequence everywhere.
struct Rng {
    uint64_t state = 0x9E3779B97F4A7C15ull;
    explicit Rng(uint64_t seed) : state(seed ? seed : 0x9E3779B97F4A7C15ull) {}
    uint32_t NextU32();
    float Bipolar();  // uniform in [-1, 1)
    float Unit();     // uniform in [0, 1)
};

// Equal temperament, A4 = MIDI 69 = 440 Hz.
float NoteHz(int midi);

// The polynomial residual that rounds off a unit step at phase 0 (t in 0..1, dt = phase step).
inline float PolyBlep(double t, double dt) {
    if (t < dt) {
        const double x = t / dt;
        return static_cast<float>(x + x - x * x - 1.0);
    }
    if (t > 1.0 - dt) {
        const double x = (t - 1.0) / dt;
        return static_cast<float>(x * x + x + x + 1.0);
    }
    return 0.0f;
}

// A phase accumulator with band-limited (polyBLEP) saw and pulse shapes. Inline: the voices call
// these for every sample.
struct Osc {
    double phase = 0.0;  // 0..1; double so long notes keep their pitch
    void Advance(double dt) {
        phase += dt;
        if (phase >= 1.0) phase -= 1.0;
    }
    float Sine(float hz);
    float Saw(float hz) {
        const double dt = static_cast<double>(hz) * (1.0 / kSampleRate);
        const float y = static_cast<float>(2.0 * phase - 1.0) - PolyBlep(phase, dt);
        Advance(dt);
        return y;
    }
    float Pulse(float hz, float width);
};

// Attack/decay/sustain/release as a pure function of time: the level t seconds after note-on for a
// note held `held` seconds. Attack is linear, decay and release exponential.
struct Adsr {
    float attack = 0.005f, decay = 0.1f, sustain = 0.7f, release = 0.2f;
    float Level(float t, float held) const;
    float Tail() const { return release * 5.0f; }  // time after note-off until the level is inaudible
};

// One-pole low-pass (and high-pass as input minus low-pass).
struct OnePole {
    float a = 0.0f, z = 0.0f;
    void SetCutoff(float hz);
    float Low(float x) {
        z += a * (x - z);
        return z;
    }
    float High(float x) { return x - Low(x); }
};

// Topology-preserving state-variable filter: low, band and high outputs of one step.
struct Svf {
    float k = 2.0f, a1 = 1.0f, a2 = 0.0f, a3 = 0.0f, ic1 = 0.0f, ic2 = 0.0f;
    float low = 0.0f, band = 0.0f, high = 0.0f;
    void Set(float hz, float resonance);  // resonance 0 (none) .. 1 (near self-oscillation)
    void Step(float x) {
        const float v3 = x - ic2;
        const float v1 = a1 * ic1 + a2 * v3;
        const float v2 = ic2 + a2 * ic1 + a3 * v3;
        ic1 = 2.0f * v1 - ic1;
        ic2 = 2.0f * v2 - ic2;
        low = v2;
        band = v1;
        high = x - k * v1 - v2;
    }
};

// A fixed delay line with feedback taps read by the caller.
struct DelayLine {
    std::vector<float> buffer;
    size_t pos = 0;
    explicit DelayLine(size_t length) : buffer(length ? length : 1, 0.0f) {}
    float Read() const { return buffer[pos]; }  // the sample written `length` steps ago
    void Write(float x) {
        buffer[pos] = x;
        pos = (pos + 1) % buffer.size();
    }
};

// A Schroeder/Moorer reverb: parallel damped combs into series all-passes, per channel with
// slightly different lengths for width.
class Reverb {
public:
    Reverb(float roomSize, float damping);
    void Process(float inLeft, float inRight, float& outLeft, float& outRight);

private:
    struct Comb {
        DelayLine line;
        float store = 0.0f;
    };
    std::vector<Comb> combs[2];
    std::vector<DelayLine> allpasses[2];
    float feedback, damp;
};

// Stereo audio in two planes.
struct Stereo {
    std::vector<float> left, right;
    explicit Stereo(size_t frames = 0) : left(frames, 0.0f), right(frames, 0.0f) {}
    size_t Frames() const { return left.size(); }
};

// Equal-power pan: -1 left .. +1 right.
void PanGains(float pan, float& gainLeft, float& gainRight);

// Gentle saturation that keeps |y| < 1.
float SoftClip(float x);

// Look-ahead peak limiter: afterwards no sample exceeds `ceiling` in magnitude. The gain falls over
// the look-ahead before a peak and recovers with the release time; both channels share one gain.
void Limit(Stereo& audio, float ceiling, float lookaheadSeconds, float releaseSeconds);

}  // namespace synth
