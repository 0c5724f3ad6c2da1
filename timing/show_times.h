// The show's times in music seconds, written once for the show (app/timeline) and the content
// maker (content/: the score and the composition's layers), so the music, the pictures and the 3D
// windows meet on the same seconds. Header-only and without dependencies, so every layer may
// include it. The windows and loops are single precision, as the timeline computes.
#pragma once

// The music's grid: 154.84 BPM rounded to a beat of 0.3875 s (2 bars 3.1 s, 4 bars 6.2 s); bar 0
// starts at 0.8 s.
inline constexpr double musicFirstDownbeat = 0.8;
inline constexpr double musicBeat = 0.3875;
inline constexpr double musicBar = 4.0 * musicBeat;
inline constexpr double musicLength = 150.0;  // the whole piece

// The 3D windows, bounds exclusive: ostrel alone, the ringer, then ostrel and the park side by side.
// The music's drive stops dead at the ringer's end; the second until the duet is the breath.
inline constexpr float soloStart = 44.0f, soloEnd = 55.0f;
inline constexpr float ringerStart = 69.0f, ringerEnd = 93.0f;
inline constexpr float duetStart = 94.0f, duetEnd = 135.0f;

// Loop lengths of the scenes in music seconds: the single-precision values of 6.2 (four bars),
// 4 and 3.1 (two bars). Ostrel and the park run at half speed, so their loops are 3.1 s and 2 s of
// scene time; the ringer's is 3.1 s.
inline constexpr float ostrelStep = 6.2f;
inline constexpr float parkStep = 4.0f;
inline constexpr float ringerStep = 3.1f;
inline constexpr float halfSpeedScenes = 0.5f;  // scene seconds per music second, ostrel and park
