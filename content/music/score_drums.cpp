// The drums: hats from the intro's last bars, light half-time under the theme, a snare roll into
// the drop, the ringer's driving four-to-the-floor, lighter two-step under the duet.
#include "content/music/score_parts.h"

namespace score {
namespace {

void Hit(std::vector<Event>& events, Instrument instrument, double time, float level, float pan = 0.0f,
         float param = 0.0f) {
    events.push_back(Event{instrument, time, 0.0f, 0, level, pan, param});
}

void Kick(std::vector<Event>& events, double time, KickKind kind, float level) {
    Hit(events, Instrument::Kick, time, level, 0.0f, static_cast<float>(kind));
}

void EighthHats(std::vector<Event>& events, int bar, float level, bool openOffbeats) {
    for (int i = 0; i < 8; ++i) {
        const bool open = openOffbeats && i % 4 == 2;
        Hit(events, open ? Instrument::OpenHat : Instrument::Hat, EighthTime(bar, i), level * (i % 2 ? 0.7f : 1.0f),
            0.3f);
    }
}

void AddIntro(std::vector<Event>& events) {
    for (int bar = 20; bar < kSoloBar; ++bar) EighthHats(events, bar, 0.05f + 0.005f * (bar - 20), false);
}

void AddSolo(std::vector<Event>& events) {
    Hit(events, Instrument::Crash, BarTime(kSoloBar), 0.12f);
    for (int bar = kSoloBar; bar < kInterludeBar; ++bar) {
        // Half time: the snare on beat three, a pushed second kick every other bar.
        Kick(events, BarTime(bar), KickKind::Soft, 0.3f);
        if ((bar - kSoloBar) % 2 == 1) Kick(events, EighthTime(bar, 5), KickKind::Soft, 0.22f);
        Hit(events, Instrument::Snare, EighthTime(bar, 4), 0.22f, -0.05f);
        EighthHats(events, bar, 0.07f, false);
    }
}

void AddInterlude(std::vector<Event>& events) {
    // A snare roll over the last two bars: eighths, then sixteenths, then thirty-seconds, swelling.
    const int bar = kRingerBar - 2;
    double eighth = 0.0;
    const double steps[] = {1.0, 0.5, 0.25};
    const double until[] = {8.0, 12.0, 16.0};
    for (int phase = 0; phase < 3; ++phase)
        for (; eighth < until[phase] - 1e-9; eighth += steps[phase])
            Hit(events, Instrument::Snare, EighthTime(bar, eighth), 0.06f + 0.2f * static_cast<float>(eighth / 16.0),
                phase == 2 ? 0.1f : -0.1f);
}

void AddRinger(std::vector<Event>& events) {
    for (int bar = kRingerBar; bar < kDuetBar; ++bar) {
        const int inPair = (bar - kRingerBar) % 2;
        if ((bar - kRingerBar) % 8 == 0) Hit(events, Instrument::Crash, BarTime(bar), 0.16f);
        for (int beat = 0; beat < 4; ++beat) {
            const double t = BarTime(bar) + beat * kBeat;
            if (t >= kBreathStart) break;
            // Every bar's downbeat hits hard, the downbeat of each 2-bar phrase hardest.
            if (beat == 0)
                Kick(events, t, KickKind::Heavy, inPair == 0 ? 1.0f : 0.93f);
            else
                Kick(events, t, KickKind::Drive, 0.62f);
            if (beat % 2 == 1) Hit(events, Instrument::Snare, t, 0.3f, 0.05f);
            for (int s = 0; s < 4; ++s) {
                const double h = t + s * kBeat / 4.0;
                if (h >= kBreathStart) break;
                if (s == 2)
                    Hit(events, Instrument::OpenHat, h, 0.07f, 0.25f);
                else
                    Hit(events, Instrument::Hat, h, s == 0 ? 0.06f : 0.04f, -0.25f);
            }
        }
    }
    // The last downbeat before the breath rings out on its own.
    Hit(events, Instrument::Crash, BarTime(kDuetBar - 1), 0.2f);
}

void AddDuet(std::vector<Event>& events) {
    for (int bar = kDuetBar; bar < kOutroBar; ++bar) {
        if ((bar - kDuetBar) % 8 == 0) Hit(events, Instrument::Crash, BarTime(bar), 0.13f);
        // Two-step: kick on one and the "and" of three, snare on two and four.
        Kick(events, BarTime(bar), KickKind::Soft, 0.3f);
        Kick(events, EighthTime(bar, 5), KickKind::Soft, 0.24f);
        Hit(events, Instrument::Snare, EighthTime(bar, 2), 0.2f, -0.05f);
        Hit(events, Instrument::Snare, EighthTime(bar, 6), 0.22f, -0.05f);
        EighthHats(events, bar, 0.06f, (bar - kDuetBar) % 2 == 1);
    }
}

void AddOutro(std::vector<Event>& events) {
    Hit(events, Instrument::Crash, BarTime(kOutroBar), 0.12f);
    for (int bar = kOutroBar; bar < kOutroBar + 4; ++bar)
        EighthHats(events, bar, 0.05f - 0.01f * (bar - kOutroBar), false);
}

}  // namespace

void AddDrums(std::vector<Event>& events) {
    AddIntro(events);
    AddSolo(events);
    AddInterlude(events);
    AddRinger(events);
    AddDuet(events);
    AddOutro(events);
}

}  // namespace score
