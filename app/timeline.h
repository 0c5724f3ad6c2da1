// The show's fixed time script as a value: which 3D passes a frame runs, with which camera and scene
// time, and the bouncing offset. Stepped once per frame with the music time and two spectrum bands;
// drawing only reads what a step returns. All arithmetic is single precision, all tests strict.
#pragma once

#include <cstdint>

#include "timing/show_times.h"  // the windows and loop lengths

// The three scenes and the two render targets the passes use.
enum class ShowScene { Ringer, Park, Ostrel };
enum class ShowTarget { RenderTarget, Parken };  // "render_target", "parken"

// One 3D pass: bind the target, clear it, select the camera, draw the scene at sceneTime.
struct ScenePass {
    ShowTarget target;
    ShowScene scene;
    int camera;
    float sceneTime;  // seconds of scene time
};

// What one frame draws before the composition.
struct FramePlan {
    int passCount = 0;  // 0 outside the windows, 1 in solo and ringer, 2 in duet
    ScenePass passes[2]{};
    bool setOffset = false;  // ringer window: layer 16, element 1 gets offset y = offsetY
    float offsetY = 0.0f;
};

// Written only by StepTimeline; kept across frames. Values change only inside their window.
struct TimelineState {
    float ostrelSoloBase = soloStart;  // music time the solo loop of ostrel last started
    float ostrelDuetBase = duetStart;  // same, duet window
    float parkBase = duetStart;        // music time the current park camera move started
    float parkCamera = 0.0f;           // a float used as a counter 0, 1, 2
    float ringerBase = ringerStart;    // music time the ringer loop last started
    int32_t ringerCamera = 0;          // 0, 1, 2; advances on strong s0
};

// The windows (all bounds exclusive) are tested in the order solo, duet, ringer every frame.
// One frame at music time t with spectrum bands s0 and s1: updates state, returns the frame's passes.
FramePlan StepTimeline(TimelineState& state, float t, float s0, float s1);
