// The instruments: each renders one note (or hit) into a stereo buffer, adding to what is there.
// `at` is the first frame of the note; nothing is written past the end of the buffer.
#pragma once

#include <cstddef>
#include <cstdint>

#include "content/music/synth.h"

namespace synth {

// A pitched-down sine kick, saturated, with a short noise click. Mono, in the centre: the low end
// must stay in phase across both channels.
struct KickShape {
    float startHz = 180.0f;   // pitch at the hit
    float endHz = 50.0f;      // pitch of the body
    float pitchTime = 0.03f;  // time constant of the pitch fall, s
    float hold = 0.02f;       // full level before the decay, s
    float decay = 0.08f;      // time constant of the body's decay, s
    float drive = 1.5f;       // saturation; the peak stays at `level`
    float click = 0.15f;      // noise click level relative to the body
};
void RenderKick(Stereo& out, size_t at, const KickShape& shape, float level);

// Sub bass: a lightly saturated sine, centred.
void RenderSub(Stereo& out, size_t at, float held, int midi, float level);

// Mid bass: two detuned saws through an enveloped low-pass, centred.
void RenderBass(Stereo& out, size_t at, float held, int midi, float level, float brightness);

// Pad: three detuned saws per side through a slowly moving low-pass; long attack and release.
void RenderPad(Stereo& out, size_t at, float held, int midi, float level, float cutoffHz, uint64_t seed);

// Pluck for arpeggios and stabs: pulse plus saw with a fast filter envelope.
void RenderPluck(Stereo& out, size_t at, float held, int midi, float level, float pan, float brightness);

// Lead: detuned saws with delayed vibrato; `brightness` opens the filter (0..1).
void RenderLead(Stereo& out, size_t at, float held, int midi, float level, float pan, float brightness);

// Snare: a falling tone plus band-passed noise.
void RenderSnare(Stereo& out, size_t at, float level, float pan, uint64_t seed);

// Hi-hat: high-passed noise; `open` lengthens the decay.
void RenderHat(Stereo& out, size_t at, float level, float pan, bool open, uint64_t seed);

// Crash: a long wide wash of high noise.
void RenderCrash(Stereo& out, size_t at, float level, uint64_t seed);

// Noise swell: stereo noise through a low-pass swept from fromHz up to toHz and back over `held`
// seconds (rise = true: only up, ending at its loudest, for a riser).
void RenderSwell(Stereo& out, size_t at, float held, float level, float fromHz, float toHz, bool rise, uint64_t seed);

}  // namespace synth
