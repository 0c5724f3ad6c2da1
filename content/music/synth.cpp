#include "content/music/synth.h"

#include <algorithm>
#include <cmath>
#include <deque>

namespace synth {

uint32_t Rng::NextU32() {
    state ^= state >> 12;
    state ^= state << 25;
    state ^= state >> 27;
    return static_cast<uint32_t>((state * 0x2545F4914F6CDD1Dull) >> 32);
}

float Rng::Unit() {
    return static_cast<float>(NextU32() >> 8) * (1.0f / 16777216.0f);
}

float Rng::Bipolar() {
    return Unit() * 2.0f - 1.0f;
}

float NoteHz(int midi) {
    return 440.0f * std::exp2(static_cast<float>(midi - 69) / 12.0f);
}

float Osc::Sine(float hz) {
    const float y = std::sin(2.0f * kPi * static_cast<float>(phase));
    Advance(static_cast<double>(hz) / kSampleRate);
    return y;
}

float Osc::Pulse(float hz, float width) {
    const double dt = static_cast<double>(hz) / kSampleRate;
    const double w = std::clamp(static_cast<double>(width), 0.05, 0.95);
    double falling = phase + 1.0 - w;
    if (falling >= 1.0) falling -= 1.0;
    const float y = (phase < w ? 1.0f : -1.0f) + PolyBlep(phase, dt) - PolyBlep(falling, dt);
    Advance(dt);
    return y;
}

float Adsr::Level(float t, float held) const {
    if (t < 0.0f) return 0.0f;
    const auto holding = [this](float u) {
        if (u < attack) return u / attack;
        return sustain + (1.0f - sustain) * std::exp(-(u - attack) / decay);
    };
    if (t <= held) return holding(t);
    return holding(held) * std::exp(-(t - held) / release);
}

void OnePole::SetCutoff(float hz) {
    a = 1.0f - std::exp(-2.0f * kPi * hz / kSampleRate);
}

void Svf::Set(float hz, float resonance) {
    const float fc = std::clamp(hz, 10.0f, 0.45f * kSampleRate);
    const float g = std::tan(kPi * fc / kSampleRate);
    k = 2.0f - 1.95f * std::clamp(resonance, 0.0f, 1.0f);
    a1 = 1.0f / (1.0f + g * (g + k));
    a2 = g * a1;
    a3 = g * a2;
}

Reverb::Reverb(float roomSize, float damping)
    : feedback(0.7f + 0.28f * std::clamp(roomSize, 0.0f, 1.0f)), damp(0.4f * std::clamp(damping, 0.0f, 1.0f)) {
    // Mutually prime-ish lengths (at 44.1 kHz); the right channel is a little longer for width.
    static const size_t kCombs[] = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
    static const size_t kAllpasses[] = {556, 441, 341, 225};
    for (int c = 0; c < 2; ++c) {
        const size_t spread = c ? 23 : 0;
        for (size_t n : kCombs) combs[c].push_back(Comb{DelayLine(n + spread), 0.0f});
        for (size_t n : kAllpasses) allpasses[c].push_back(DelayLine(n + spread));
    }
}

void Reverb::Process(float inLeft, float inRight, float& outLeft, float& outRight) {
    const float input = (inLeft + inRight) * 0.015f;
    float out[2];
    for (int c = 0; c < 2; ++c) {
        float sum = 0.0f;
        for (Comb& comb : combs[c]) {
            const float y = comb.line.Read();
            comb.store = y * (1.0f - damp) + comb.store * damp;
            comb.line.Write(input + comb.store * feedback);
            sum += y;
        }
        for (DelayLine& ap : allpasses[c]) {
            const float delayed = ap.Read();
            ap.Write(sum + delayed * 0.5f);
            sum = delayed - sum;
        }
        out[c] = sum;
    }
    outLeft = out[0];
    outRight = out[1];
}

void PanGains(float pan, float& gainLeft, float& gainRight) {
    const float angle = (std::clamp(pan, -1.0f, 1.0f) + 1.0f) * kPi * 0.25f;
    gainLeft = std::cos(angle);
    gainRight = std::sin(angle);
}

float SoftClip(float x) {
    if (x > 3.0f) return 1.0f;
    if (x < -3.0f) return -1.0f;
    const float x2 = x * x;
    return x * (27.0f + x2) / (27.0f + 9.0f * x2);
}

void Limit(Stereo& audio, float ceiling, float lookaheadSeconds, float releaseSeconds) {
    const size_t n = audio.Frames();
    if (n == 0) return;
    const size_t look = std::max<size_t>(1, static_cast<size_t>(lookaheadSeconds * kSampleRate));
    // The gain each sample needs on its own.
    std::vector<float> need(n);
    for (size_t i = 0; i < n; ++i) {
        const float peak = std::max(std::fabs(audio.left[i]), std::fabs(audio.right[i]));
        need[i] = peak > ceiling ? ceiling / peak : 1.0f;
    }
    // Minimum over the window [i, i + look], by a monotonic queue of indices.
    std::vector<float> gain(n);
    std::deque<size_t> queue;
    for (size_t j = 0; j < n + look; ++j) {
        if (j < n) {
            while (!queue.empty() && need[queue.back()] >= need[j]) queue.pop_back();
            queue.push_back(j);
        }
        if (j >= look) {
            const size_t i = j - look;
            while (queue.front() < i) queue.pop_front();
            gain[i] = need[queue.front()];
        }
    }
    // Release: the gain may rise only slowly, never above the windowed need.
    const float rise = 1.0f - std::exp(-1.0f / (releaseSeconds * kSampleRate));
    float held = 1.0f;
    for (size_t i = 0; i < n; ++i) {
        held = std::min(gain[i], held + (1.0f - held) * rise);
        gain[i] = held;
    }
    // Averaging over the look-ahead turns steps into ramps. Every term of the average at i covers
    // sample i in its window, so the ramped gain stays at or below what sample i needs.
    double sum = 0.0;
    for (size_t i = 0; i < n; ++i) {
        sum += gain[i];
        if (i >= look) sum -= gain[i - look];
        const float g = static_cast<float>(sum / static_cast<double>(std::min(i + 1, look)));
        // The clamp only catches float rounding of the running sum; the gain already fits.
        audio.left[i] = std::clamp(audio.left[i] * g, -ceiling, ceiling);
        audio.right[i] = std::clamp(audio.right[i] * g, -ceiling, ceiling);
    }
}

}  // namespace synth
