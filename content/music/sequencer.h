// Plays the score on the synthesiser: every event into its bus, kick side-chain ducking, reverb
// and echo sends, the breath's cut, the final fade and the master limiter.
#pragma once

#include <vector>

#include "content/music/score.h"
#include "content/music/synth.h"

namespace sequencer {

// The master's peak ceiling: -0.54 dBFS, leaving room under -0.3 dBFS for the encoder's ripple.
constexpr float kCeiling = 0.94f;

// Renders `events` into `seconds` of 44.1 kHz stereo, limited to kCeiling.
synth::Stereo Render(const std::vector<score::Event>& events, double seconds);

// The whole piece: Render(score::Compose(), score::kLength).
synth::Stereo RenderPiece();

}  // namespace sequencer
