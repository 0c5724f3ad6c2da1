// "ostrel": a kinetic sculpture. Two rings of petals open and close around a glowing core while
// the rings turn against each other; one loop is 3.1 s of scene time, camera 0 circles it.
#include <cmath>

#include "content/assets/meshes.h"
#include "content/assets/scenes.h"

namespace {

constexpr float kPi = 3.14159265358979f;
constexpr float kTwoPi = 2 * kPi;
constexpr int kPetals = 8;  // per ring; a loop turns each ring by one petal, so it closes seamlessly

// 0 when closed, 1 when fully open, easing in and out once per loop.
float Openness(float t, float lag) {
    return 0.5f - 0.5f * std::cos(kTwoPi * (t / kOstrelLoop - lag));
}

// Petal i of a ring: hinged on a circle round the core, leaning out by its opening angle.
SceneKey PetalPose(float t, int index) {
    const bool outer = index >= kPetals;
    const int i = index % kPetals;
    const float spin = (outer ? 1.0f : -1.0f) * (kTwoPi / kPetals) * t / kOstrelLoop;
    const float around = kTwoPi * (float(i) + (outer ? 0.5f : 0.0f)) / kPetals + spin;
    const float open = Openness(t, outer ? 0.06f : 0.0f);
    const float lean = outer ? 0.22f + 1.45f * open : 0.12f + 1.10f * open;
    const float flutter = 0.06f * std::sin(kTwoPi * 2 * t / kOstrelLoop + float(i));
    const float hinge = outer ? 1.25f : 0.85f;
    SceneKey key;
    // Lean the blade (bent toward +z) outward about x, then turn it to its place round y.
    key.rotation = Multiply(Multiply(AxisAngle({0, 1, 0}, flutter * 0.5f), AxisAngle({1, 0, 0}, lean + flutter)),
                            AxisAngle({0, 1, 0}, around));
    key.position = {hinge * std::sin(around), outer ? -0.35f : -0.1f, hinge * std::cos(around)};
    return key;
}

SceneKey CorePose(float t, int) {
    const float s = 1.0f + 0.12f * Openness(t, 0.0f);
    SceneKey key;
    key.scale = {s, s, s};
    key.rotation = AxisAngle({0, 1, 0}, kTwoPi * t / kOstrelLoop);
    return key;
}

SceneKey CollarPose(float t, int) {
    SceneKey key;
    key.position = {0, -0.45f, 0};
    key.rotation = Multiply(AxisAngle({1, 0, 0}, kPi / 2), AxisAngle({0, 1, 0}, -kTwoPi * t / kOstrelLoop));
    return key;
}

SceneKey RodPose(float, int) {
    SceneKey key;
    key.position = {0, -4.2f, 0};
    return key;
}

// Camera 0 goes once round the sculpture per loop, rising and sinking a little.
SceneKey CameraEye(float t, int) {
    const float a = kTwoPi * t / kOstrelLoop + 0.6f;
    SceneKey key;
    key.position = {9.6f * std::sin(a), 4.4f + 1.3f * std::sin(kTwoPi * t / kOstrelLoop * 2), -9.6f * std::cos(a)};
    return key;
}

SceneKey CameraTarget(float t, int) {
    SceneKey key;
    key.position = {0, 0.7f + 0.4f * Openness(t, 0.0f), 0};
    return key;
}

}  // namespace

SceneFile BuildOstrel() {
    SceneFile scene;
    scene.materials = {
        MakeMaterial(1.00f, 0.72f, 0.36f, 2.6f, 1.5f, 12),  // core: warm, nearly self-lit
        MakeMaterial(0.92f, 0.86f, 0.96f, 0.9f, 2.5f, 30),  // inner petals: pearl
        MakeMaterial(0.62f, 0.50f, 0.92f, 0.9f, 2.5f, 24),  // outer petals: violet
        MakeMaterial(0.40f, 0.34f, 0.52f, 0.6f, 3.0f, 40),  // collar and rod: dark metal
    };
    scene.lights = {
        {{0, 0.2f, 0}, 1.00f, 0.70f, 0.36f, 0.9f},  // the core's own light on the petals' insides
        {{-6, 11, -8}, 1.00f, 0.85f, 0.66f, 0.8f},  // warm key from above
        {{9, 3, 8}, 0.60f, 0.46f, 1.00f, 0.8f},     // violet rim
        {{-8, -5, 5}, 0.34f, 0.44f, 0.90f, 0.45f},  // cool fill
    };
    scene.meshes.push_back(ToSceneMesh(Sphere(0.95f, 18, 12), 0, SampleTrack(kOstrelLoop, CorePose, 0)));
    const MeshBuilder inner = Petal(2.7f, 0.95f, 0.7f, 0.06f, 9, 4);
    const MeshBuilder outer = Petal(3.7f, 1.15f, 1.1f, 0.07f, 10, 4);
    for (int i = 0; i < 2 * kPetals; ++i)
        scene.meshes.push_back(ToSceneMesh(i < kPetals ? inner : outer, uint16_t(i < kPetals ? 1 : 2),
                                           SampleTrack(kOstrelLoop, PetalPose, i)));
    scene.meshes.push_back(ToSceneMesh(Torus(1.55f, 0.13f, 36, 8), 3, SampleTrack(kOstrelLoop, CollarPose, 0)));
    scene.meshes.push_back(ToSceneMesh(Cylinder(0.09f, 0.05f, 3.6f, 8, true), 3, SampleTrack(0, RodPose, 0)));
    SceneCamera camera;
    camera.fov = 0.78f;
    camera.targetTrack = SampleTrack(kOstrelLoop, CameraTarget, 0);
    camera.eyeTrack = SampleTrack(kOstrelLoop, CameraEye, 0);
    scene.cameras.push_back(camera);
    return scene;
}
