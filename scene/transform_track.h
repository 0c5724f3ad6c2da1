// A pose (rotation, position, scale) and a track of poses sampled ten times a second.
#pragma once

#include <vector>

#include "math/d3dx_math.h"

// One key, one evaluation result or one node transform; copied by value.
struct Transform {
    // Working space of WorldMatrix; holds nothing between calls, means nothing in a stored key.
    D3DXMATRIX rotationMatrix{};
    D3DXMATRIX translationMatrix{};
    D3DXMATRIX scaleMatrix{};
    D3DXQUATERNION rotation{};  // (x, y, z, w), used as is (not normalised)
    D3DXVECTOR3 position{};
    D3DXVECTOR3 scale{};

    // Scale, then rotate, then move (row vectors). Overwrites the three working matrices.
    D3DXMATRIX WorldMatrix();
};

// Key i is the pose at scene time i / 10 s. Immutable once BuildVelocities has run.
struct TransformTrack {
    std::vector<Transform> keys;
    // Per-second rates of position and scale from key i to key i+1 (the last is zero); rotation 0.
    std::vector<Transform> velocities;

    // Fills velocities from keys; called once after the last key is read.
    void BuildVelocities();
    // The pose at t seconds: position and scale linear, rotation slerped; the last key holds for
    // its tenth of a second, and from n/10 s on key 0 comes back. No keys: the identity pose.
    // Allocates nothing and reads no key outside the track, whatever t is.
    Transform Evaluate(float t) const;
};
