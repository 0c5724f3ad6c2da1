// The piece as data: the show's time grid, its sections, and every note as an event.
#pragma once

#include <cstdint>
#include <vector>

#include "timing/show_times.h"

namespace score {

// The show's grid (timing/show_times.h): a beat of 0.3875 s, 2 bars 3.1 s, 4 bars 6.2 s.
constexpr double kFirstDownbeat = musicFirstDownbeat;  // seconds
constexpr double kBeat = musicBeat;
constexpr double kBar = musicBar;
constexpr double kEighth = kBeat / 2.0;
constexpr double kLength = musicLength;     // the whole piece, seconds
constexpr double kBreathStart = ringerEnd;  // the ringer's drive stops dead here; only reverb rings on

constexpr double BarTime(double bar) {
    return kFirstDownbeat + bar * kBar;
}

// The sections, in order; each starts on a bar line (the breath at kBreathStart).
enum class Section { Intro, Solo, Interlude, Ringer, Breath, Duet, Outro };
constexpr int kSoloBar = 28, kInterludeBar = 35, kRingerBar = 44, kDuetBar = 60, kOutroBar = 86;

Section SectionAt(double seconds);
double SectionStart(Section section);
double SectionEnd(Section section);
const char* SectionName(Section section);

enum class Instrument { Kick, Sub, Bass, Pad, Pluck, Lead, Snare, Hat, OpenHat, Crash, Swell, Riser };

// How hard a kick hits; the ringer's heavy hits are the ones the show's scene restarts follow.
enum class KickKind { Soft = 0, Drive = 1, Heavy = 2 };

struct Event {
    Instrument instrument;
    double time;  // start, seconds from the start of the piece
    float held;   // seconds the note is held (its release follows)
    int midi;     // pitch, for pitched instruments
    float level;  // linear gain
    float pan;    // -1 left .. +1 right
    float param;  // per instrument: brightness, filter cutoff, kick kind, sweep end
};

// Parses a line of melody: "E5:3 A5:1 -:2" = note and length in eighths, "-" a rest. Notes are
// appended from `startEighth`; returns false on a malformed token.
struct Note {
    double eighth;  // start, in eighths from the line's origin
    double length;  // in eighths
    int midi;
};
bool ParseMelody(const char* text, double startEighth, std::vector<Note>& out);

// The whole piece, sorted by start time.
std::vector<Event> Compose();

// Kick times and kinds, from the composed events (the sequencer ducks other parts under them).
struct Hit {
    double time;
    KickKind kind;
};
std::vector<Hit> KickHits(const std::vector<Event>& events);

}  // namespace score
