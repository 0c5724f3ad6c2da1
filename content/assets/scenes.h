// The show's three scenes, built in code.
#pragma once

#include "content/writers/scene_writer.h"
#include "timing/show_times.h"

// Scene time each loop runs over (seconds): the show restarts ringer and ostrel every 3.1 s of
// scene time and park every 2 s, so their tracks close on themselves at those times.
inline constexpr float kRingerLoop = ringerStep;
inline constexpr float kOstrelLoop = ostrelStep * halfSpeedScenes;
inline constexpr float kParkMove = parkStep * halfSpeedScenes;

SceneFile BuildRinger();  // three interlocking rings swinging and ringing, three cameras
SceneFile BuildOstrel();  // petals opening around a glowing core, camera 0 circling
SceneFile BuildPark();    // a night park lit by its lamp posts, three camera moves

// Triangles over all meshes.
size_t TriangleCount(const SceneFile& scene);

// A material from plain colours: ambientLevel is how much of the diffuse colour the lights'
// ambient share lifts (the reader scales the stored ambient by 0.05), shine the specular strength.
SceneMaterial MakeMaterial(float r, float g, float b, float ambientLevel, float shine, float power);
