// The parts of the score, each appending its events; shared between score*.cpp only.
#pragma once

#include <vector>

#include "content/music/score.h"

namespace score {

// The chord that sounds in a bar: a bass root (octave 2) and a four-note pad voicing.
struct Chord {
    int root;
    int voicing[4];
};
const Chord& ChordAtBar(int bar);

// Start time of an eighth within a bar.
constexpr double EighthTime(int bar, double eighth) {
    return BarTime(bar) + eighth * kEighth;
}

void AddDrums(std::vector<Event>& events);
void AddHarmony(std::vector<Event>& events);  // pads, arpeggios, stabs, swells
void AddBassAndLead(std::vector<Event>& events);

}  // namespace score
