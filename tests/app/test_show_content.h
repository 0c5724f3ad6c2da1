// A tiny show written by the tests: a 19-layer composition whose wired elements sit at known places,
// three one-quad scenes in three colours, one grey texture and a silent MP3.
#pragma once

#include <string>

struct TestShow {
    bool composition = true;
    bool ringer = true, ostrel = true, park = true;
    bool parkenElement = true;  // false: layer 18 has only 2 elements (no "parken" place)
    int mp3Frames = 5380;       // 1152 samples each at 44.1 kHz (about 140.5 s); 0: no music file
    float lastKeyTime = 0;      // above 0: layer 0's track gets a second key then
};

// Writes dir/data/... and dir/music/poa.mp3; false when a file can't be written.
bool WriteTestShow(const std::string& dir, const TestShow& show);

// Where the test show puts things, in back-buffer pixels (row 0 at the top).
constexpr int renderTargetX = 320, renderTargetY = 240;  // layer 16, element 0
constexpr int parkenX = 480, parkenY = 240;              // layer 18, element 2
// Each scene fills its target with one colour channel: ostrel red, ringer green, park blue.
