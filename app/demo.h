// The show's 3D content: three scenes owned by value and the two render targets they are drawn into.
#pragma once

#include "composition/pose_track.h"
#include "gfx/texture.h"
#include "scene/scene.h"

struct Demo {
    PoseKey elementOffset;            // added to layer 16, element 1; channel y rewritten in the ringer window
    Scene ringer;                     // "data/ringer.SCENE"
    Scene park;                       // "data/park.SCENE"
    Scene ostrel;                     // "data/ostrel.SCENE"
    Texture* parken = nullptr;        // 512x512 target "parken", owned by renderTargets
    Texture* renderTarget = nullptr;  // 512x512 target "render_target", owned by renderTargets

    // Loads ringer, ostrel, park (in that order), then gets the two targets; stops with false at the
    // first failure (a scene reports its own).
    bool Load();
};
