// Keyframe tracks of the composition: six channels per key, linear between keys.
#pragma once

#include <cstddef>
#include <vector>

class ByteCursor;

// Thirteen floats: six channels, a time and the per-second rates of the six channels towards the
// next key. Also used as a sampled pose (channels only) and as an additive offset (time, rates 0).
struct PoseKey {
    float x = 0.0f;  // pixels, right
    float y = 0.0f;  // pixels, up
    float scaleX = 0.0f;
    float scaleY = 0.0f;
    float rotation = 0.0f;  // radians, counter-clockwise on screen
    float alpha = 0.0f;     // opacity, clamped to 0..1 only when drawn
    float time = 0.0f;      // seconds of music
    float rates[6] = {};    // change per second of x .. alpha towards the next key; 0 on the last key

    // The six channels in file order x, y, scaleX, scaleY, rotation, alpha.
    static constexpr float PoseKey::*channels[6] = {&PoseKey::x,      &PoseKey::y,        &PoseKey::scaleX,
                                                    &PoseKey::scaleY, &PoseKey::rotation, &PoseKey::alpha};
};
static_assert(sizeof(PoseKey) == 13 * sizeof(float));

// Keys sorted by strictly increasing time, then any keys whose time is not a number: those compare
// with no time, so they go last, are never the key a sample takes, and give no rates. Filled while
// the composition is read, read-only after.
struct PoseTrack {
    std::vector<PoseKey> keys;
    PoseKey defaultPose;  // all zero: the pose before the first key

    // One track record. False when the record is damaged (the cursor says why); a key at a time
    // already taken is dropped with the "Error" box and reading goes on.
    bool Read(ByteCursor& in);
    // False (after the "Error" box) when a key already has that time; a negative time counts as 0.
    // A key whose time is not a number goes last.
    bool InsertKey(float x, float y, float scaleX, float scaleY, float rotation, float alpha, float time);
    void UpdateRates();             // every key's rates from its successor; the last key's are 0
    PoseKey Sample(float t) const;  // channels at t; all zero before the first key
    size_t TimedKeys() const;       // the keys before those whose time is not a number
};
