#include "content/music/score.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "content/music/score_parts.h"

namespace score {

Section SectionAt(double seconds) {
    if (seconds < BarTime(kSoloBar)) return Section::Intro;
    if (seconds < BarTime(kInterludeBar)) return Section::Solo;
    if (seconds < BarTime(kRingerBar)) return Section::Interlude;
    if (seconds < kBreathStart) return Section::Ringer;
    if (seconds < BarTime(kDuetBar)) return Section::Breath;
    if (seconds < BarTime(kOutroBar)) return Section::Duet;
    return Section::Outro;
}

double SectionStart(Section section) {
    switch (section) {
        case Section::Intro:
            return 0.0;
        case Section::Solo:
            return BarTime(kSoloBar);
        case Section::Interlude:
            return BarTime(kInterludeBar);
        case Section::Ringer:
            return BarTime(kRingerBar);
        case Section::Breath:
            return kBreathStart;
        case Section::Duet:
            return BarTime(kDuetBar);
        case Section::Outro:
            return BarTime(kOutroBar);
    }
    return 0.0;
}

double SectionEnd(Section section) {
    switch (section) {
        case Section::Intro:
            return SectionStart(Section::Solo);
        case Section::Solo:
            return SectionStart(Section::Interlude);
        case Section::Interlude:
            return SectionStart(Section::Ringer);
        case Section::Ringer:
            return SectionStart(Section::Breath);
        case Section::Breath:
            return SectionStart(Section::Duet);
        case Section::Duet:
            return SectionStart(Section::Outro);
        case Section::Outro:
            return kLength;
    }
    return kLength;
}

const char* SectionName(Section section) {
    switch (section) {
        case Section::Intro:
            return "intro";
        case Section::Solo:
            return "solo";
        case Section::Interlude:
            return "interlude";
        case Section::Ringer:
            return "ringer";
        case Section::Breath:
            return "breath";
        case Section::Duet:
            return "duet";
        case Section::Outro:
            return "outro";
    }
    return "?";
}

bool ParseMelody(const char* text, double startEighth, std::vector<Note>& out) {
    static const int kPitchClass[7] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
    double at = startEighth;
    const char* p = text;
    while (*p) {
        if (*p == ' ') {
            ++p;
            continue;
        }
        int midi = -1;
        if (*p == '-') {
            ++p;
        } else {
            const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(*p)));
            if (letter < 'A' || letter > 'G') return false;
            int pc = kPitchClass[letter - 'A'];
            ++p;
            if (*p == '#')
                pc += 1, ++p;
            else if (*p == 'b')
                pc -= 1, ++p;
            if (*p < '0' || *p > '8') return false;
            midi = 12 * (*p - '0' + 1) + pc;
            ++p;
        }
        if (*p != ':') return false;
        ++p;
        char* end = nullptr;
        const double length = std::strtod(p, &end);
        if (end == p || !(length > 0.0) || length > 64.0) return false;
        p = end;
        if (*p != ' ' && *p != '\0') return false;
        if (midi >= 0) out.push_back(Note{at, length, midi});
        at += length;
    }
    return true;
}

const Chord& ChordAtBar(int bar) {
    static const Chord kAm{45, {57, 60, 64, 71}};
    static const Chord kF{41, {53, 57, 60, 64}};
    static const Chord kC{48, {55, 60, 64, 67}};
    static const Chord kG{43, {55, 59, 62, 67}};
    static const Chord kEm{40, {52, 55, 59, 62}};
    static const Chord* const kLoop[4] = {&kAm, &kF, &kC, &kG};
    // The breakdown leaves the loop: a slower walk that lands back on the ringer's A minor.
    static const Chord* const kInterlude[9] = {&kF, &kF, &kG, &kG, &kEm, &kEm, &kAm, &kF, &kG};
    if (bar < kSoloBar) return *kLoop[(std::max(bar, 0) / 2) % 4];
    if (bar < kInterludeBar) return *kLoop[(bar - kSoloBar) % 4];
    if (bar < kRingerBar) return *kInterlude[bar - kInterludeBar];
    if (bar < kDuetBar) return *kLoop[(bar - kRingerBar) % 4];
    if (bar < kOutroBar) return *kLoop[(bar - kDuetBar) % 4];
    if (bar >= kOutroBar + 8) return kAm;  // the last chord rings to the end
    return *kLoop[((bar - kOutroBar) / 2) % 4];
}

std::vector<Hit> KickHits(const std::vector<Event>& events) {
    std::vector<Hit> hits;
    for (const Event& e : events)
        if (e.instrument == Instrument::Kick)
            hits.push_back(Hit{e.time, static_cast<KickKind>(static_cast<int>(e.param))});
    return hits;
}

std::vector<Event> Compose() {
    std::vector<Event> events;
    AddHarmony(events);
    AddBassAndLead(events);
    AddDrums(events);
    // The breath: whatever the ringer still holds stops where the drive stops.
    for (Event& e : events)
        if (e.time < kBreathStart && e.time >= SectionStart(Section::Ringer) && e.time + e.held > kBreathStart)
            e.held = static_cast<float>(kBreathStart - e.time);
    std::stable_sort(events.begin(), events.end(), [](const Event& a, const Event& b) { return a.time < b.time; });
    return events;
}

}  // namespace score
