// Pads, arpeggios, stabs, swells, bass lines and the two melodies.
#include <algorithm>
#include <cmath>

#include "content/music/score_parts.h"
#include "content/music/synth.h"

namespace score {
namespace {

constexpr int kLastBar = 95;

// The theme, eight bars over A minor, F, C, G twice; and the counter-melody the duet adds.
const char* const kTheme[8] = {
    "E5:3 A5:3 G5:2", "A5:2 C6:2 B5:1 A5:1 G5:2", "E5:3 G5:3 C6:2",      "B5:3 A5:1 G5:2 D5:2",
    "E5:3 A5:3 B5:2", "C6:3 B5:1 A5:2 C6:2",      "E6:3 D6:1 C6:2 G5:2", "B5:4 A5:2 G5:2",
};
const char* const kCounter[8] = {
    "C5:4 B4:2 A4:2", "A4:4 C5:4",      "G4:4 E4:2 G4:2", "D5:4 B4:4",
    "C5:4 E5:2 C5:2", "F5:4 E5:2 C5:2", "G4:4 C5:2 E5:2", "D5:6 B4:2",
};

void Push(std::vector<Event>& events, Instrument instrument, double time, double held, int midi, float level, float pan,
          float param) {
    events.push_back(Event{instrument, time, static_cast<float>(held), midi, level, pan, param});
}

float Ramp(double x) {
    return static_cast<float>(std::clamp(x, 0.0, 1.0));
}

// Pad level and filter cutoff for a bar: the intro opens slowly, the outro closes again.
void PadStyle(int bar, float& level, float& cutoff) {
    if (bar < kSoloBar) {
        level = 0.09f + 0.06f * Ramp(bar / 8.0);
        cutoff = 400.0f * std::pow(6.0f, Ramp(bar / 27.0));
    } else if (bar < kInterludeBar) {
        level = 0.11f, cutoff = 1600.0f;
    } else if (bar < kRingerBar) {
        level = 0.16f, cutoff = 1200.0f + 180.0f * static_cast<float>(bar - kInterludeBar);
    } else if (bar < kDuetBar) {
        level = 0.11f, cutoff = 2600.0f;
    } else if (bar < kOutroBar) {
        level = 0.09f, cutoff = 2000.0f;
    } else {
        level = 0.14f, cutoff = 1800.0f - 110.0f * static_cast<float>(bar - kOutroBar);
    }
}

bool StartsSection(int bar) {
    return bar == kSoloBar || bar == kInterludeBar || bar == kRingerBar || bar == kDuetBar || bar == kOutroBar;
}

void AddPads(std::vector<Event>& events) {
    int first = 0;
    for (int bar = 1; bar <= kLastBar + 1; ++bar) {
        const bool change = bar > kLastBar || StartsSection(bar) || &ChordAtBar(bar) != &ChordAtBar(first);
        if (!change) continue;
        const double start = BarTime(first);
        // The last chord is held until the fade has taken it; others overlap the next a little.
        const double end = bar > kLastBar ? kLength - 1.0 : BarTime(bar) + 0.05;
        float level, cutoff;
        PadStyle(first, level, cutoff);
        for (int note : ChordAtBar(first).voicing)
            Push(events, Instrument::Pad, start, end - start, note, level, 0.0f, cutoff);
        first = bar;
    }
}

void AddArpeggios(std::vector<Event>& events) {
    synth::Rng rng(0xa5e991);
    static const int kUpDown[6] = {0, 1, 2, 3, 2, 1};
    static const int kRolling[8] = {0, 1, 2, 3, 1, 2, 3, 2};
    for (int bar = 8; bar < kSoloBar; ++bar) {  // the intro's soft arpeggio, growing brighter
        const float grow = Ramp((bar - 8) / 19.0);
        for (int i = 0; i < 8; ++i)
            Push(events, Instrument::Pluck, EighthTime(bar, i), kEighth * 0.8,
                 ChordAtBar(bar).voicing[kUpDown[(bar * 8 + i) % 6]] + 12, 0.035f + 0.035f * grow, i % 2 ? 0.4f : -0.4f,
                 0.2f + 0.4f * grow);
    }
    for (int bar = kInterludeBar; bar < kInterludeBar + 7; ++bar)  // sparse bells in the breakdown
        for (int i = 0; i < 4; ++i)
            Push(events, Instrument::Pluck, EighthTime(bar, 2 * i), kBeat, ChordAtBar(bar).voicing[3 - (i % 3)] + 12,
                 0.05f, i % 2 ? 0.5f : -0.5f, 0.3f);
    for (int bar = kRingerBar; bar < kDuetBar; ++bar)  // off-beat chord stabs drive the drop
        for (int i = 1; i < 8; i += 2)
            for (int v = 1; v < 4; ++v)
                Push(events, Instrument::Pluck, EighthTime(bar, i), 0.1, ChordAtBar(bar).voicing[v] + 12, 0.045f,
                     static_cast<float>(v - 2) * 0.3f, 0.75f);
    for (int bar = kDuetBar; bar < kOutroBar; ++bar)  // sixteenths under the duet
        for (int i = 0; i < 16; ++i)
            Push(events, Instrument::Pluck, EighthTime(bar, i * 0.5), kEighth * 0.45,
                 ChordAtBar(bar).voicing[kRolling[i % 8]] + 12, i % 4 == 0 ? 0.04f : 0.028f, i % 2 ? 0.5f : -0.5f,
                 0.45f);
    for (int bar = kOutroBar; bar < kOutroBar + 8; ++bar) {  // the outro's arpeggio thins out
        const float left = 1.0f - static_cast<float>(bar - kOutroBar) / 9.0f;
        for (int i = 0; i < 8; ++i) {
            if (rng.Unit() > left) continue;
            Push(events, Instrument::Pluck, EighthTime(bar, i), kEighth * 0.8,
                 ChordAtBar(bar).voicing[kUpDown[i % 6]] + 12, 0.05f * left, i % 2 ? 0.4f : -0.4f, 0.35f * left + 0.1f);
        }
    }
}

void AddSwells(std::vector<Event>& events) {
    for (int bar = 0; bar < kSoloBar; bar += 8)
        Push(events, Instrument::Swell, BarTime(bar), 4.0 * kBar, 0, 0.10f, 0.0f, 3500.0f);
    Push(events, Instrument::Swell, BarTime(kInterludeBar), 4.0 * kBar, 0, 0.08f, 0.0f, 2500.0f);
    Push(events, Instrument::Swell, BarTime(kOutroBar), 6.0 * kBar, 0, 0.08f, 0.0f, 2500.0f);
    // The riser over the breakdown's last two bars, peaking into the drop.
    Push(events, Instrument::Riser, BarTime(kRingerBar - 2), 2.0 * kBar, 0, 0.22f, 0.0f, 9000.0f);
}

// Rolling eighths: (start, length in eighths, octave up?).
struct BassStep {
    int eighth, length, octave;
};
const BassStep kRollingBass[] = {{0, 2, 0}, {2, 1, 0}, {3, 1, 1}, {4, 2, 0}, {6, 1, 0}, {7, 1, 1}};

void AddMelody(std::vector<Event>& events, const char* const* lines, int firstBar, int bars, float level, float pan,
               float brightness) {
    for (int b = 0; b < bars; ++b) {
        std::vector<Note> notes;
        ParseMelody(lines[b % 8], 0.0, notes);  // our own constant lines; the tests parse each
        for (const Note& n : notes)
            Push(events, Instrument::Lead, EighthTime(firstBar + b, n.eighth), n.length * kEighth - 0.03, n.midi, level,
                 pan, brightness);
    }
}

}  // namespace

void AddHarmony(std::vector<Event>& events) {
    AddPads(events);
    AddArpeggios(events);
    AddSwells(events);
}

void AddBassAndLead(std::vector<Event>& events) {
    const auto rolling = [&](int bar, float level, float brightness) {
        for (const BassStep& s : kRollingBass)
            Push(events, Instrument::Bass, EighthTime(bar, s.eighth), s.length * kEighth - 0.02,
                 ChordAtBar(bar).root + 12 * s.octave, level, 0.0f, brightness);
    };
    for (int bar = kSoloBar; bar < kInterludeBar; ++bar) rolling(bar, 0.2f, 0.35f);
    for (int bar = kDuetBar; bar < kOutroBar; ++bar) rolling(bar, 0.19f, 0.45f);
    for (int bar = kRingerBar; bar < kDuetBar; ++bar) {
        // The sub holds the root under the kicks; a mid bass bounces on the off-beats above it.
        Push(events, Instrument::Sub, BarTime(bar), kBar, ChordAtBar(bar).root - 12, 0.24f, 0.0f, 0.0f);
        for (int i = 1; i < 8; i += 2)
            Push(events, Instrument::Bass, EighthTime(bar, i), kEighth * 0.8, ChordAtBar(bar).root + 12 * (i == 7),
                 0.2f, 0.0f, 0.6f);
    }
    for (int bar = kOutroBar; bar < kOutroBar + 4; bar += 2)
        Push(events, Instrument::Bass, BarTime(bar), 2.0 * kBar - 0.1, ChordAtBar(bar).root,
             0.16f - 0.04f * (bar - kOutroBar), 0.0f, 0.1f);

    AddMelody(events, kTheme, kSoloBar, kInterludeBar - kSoloBar, 0.15f, 0.0f, 0.45f);
    // The drop's second half: the theme comes back, bright, over the drive.
    AddMelody(events, kTheme, kRingerBar + 8, 8, 0.1f, 0.1f, 0.75f);
    AddMelody(events, kTheme, kDuetBar, 24, 0.14f, -0.2f, 0.5f);
    AddMelody(events, kCounter, kDuetBar + 8, 16, 0.11f, 0.35f, 0.3f);
    // The duet's last two bars: the theme comes home and holds.
    static const char* const kCoda[2] = {"E5:4 G5:2 A5:2", "A5:8"};
    AddMelody(events, kCoda, kDuetBar + 24, 2, 0.14f, -0.2f, 0.5f);
}

}  // namespace score
