// "ringer": a chain of three interlocking rings that swing on the bar and ring on each hit, with
// six bells circling them. Loops every 3.1 s of scene time; three cameras.
#include <cmath>

#include "content/assets/meshes.h"
#include "content/assets/scenes.h"

namespace {

constexpr float kPi = 3.14159265358979f;
constexpr float kTwoPi = 2 * kPi;
constexpr float kRadius = 3.0f;   // ring radius
constexpr float kSpacing = 3.6f;  // centre to centre: each ring passes through its neighbour's hole
constexpr int kBells = 6;

// A decaying kick at the start of each bar (0 and 1.55 s): the ring after a hit.
float Kick(float t) {
    const float tau = std::fmod(t, kRingerLoop * 0.5f);
    return std::exp(-3.0f * tau) * std::sin(kTwoPi * 1.25f * tau);
}

// Ring i (0 left, 1 middle, 2 right) turns about the chain's axis (x), which keeps the links
// clear of each other, and the whole chain sways about y.
D3DXQUATERNION ChainSway(float t) {
    const float yaw = 0.45f * std::sin(kTwoPi * t / kRingerLoop) + 0.06f * Kick(t);
    const float roll = 0.12f * std::sin(kTwoPi * 2 * t / kRingerLoop + 0.7f);
    return Multiply(AxisAngle({0, 0, 1}, roll), AxisAngle({0, 1, 0}, yaw));
}

SceneKey RingPose(float t, int i) {
    const float phase[3] = {0.0f, 2.1f, 4.2f};
    const float swing =
        0.35f * std::sin(kTwoPi * t / kRingerLoop + phase[i]) + 0.25f * Kick(t) * (i == 1 ? -1.0f : 1.0f);
    // The middle ring lies in the xz plane; the outer two stand in the xy plane.
    const D3DXQUATERNION rest = i == 1 ? AxisAngle({1, 0, 0}, kPi / 2) : D3DXQUATERNION{0, 0, 0, 1};
    const D3DXQUATERNION local = Multiply(rest, AxisAngle({1, 0, 0}, swing));
    const D3DXQUATERNION sway = ChainSway(t);
    D3DXVECTOR3 centre{(float(i) - 1) * kSpacing, 0, 0};
    D3DXMATRIX m;
    D3DXMatrixRotationQuaternion(&m, &sway);
    D3DXVec3TransformCoord(&centre, &centre, &m);
    const float ring = 1.0f + 0.025f * std::fabs(Kick(t));
    SceneKey key;
    key.position = {centre.x, centre.y + 0.25f * Kick(t), centre.z};
    key.rotation = Multiply(local, sway);
    key.scale = {ring, ring, ring};
    return key;
}

SceneKey BellPose(float t, int i) {
    const float a = kTwoPi * (t / kRingerLoop + float(i) / kBells);
    SceneKey key;
    key.position = {8.2f * std::cos(a), 1.6f * std::sin(2 * a + float(i)), 5.0f * std::sin(a)};
    const float s = 1.0f + 0.35f * std::fabs(Kick(t + float(i) * 0.1f));
    key.scale = {s, s, s};
    return key;
}

struct CameraPath {
    D3DXVECTOR3 eye, eyeSwing, target;
};

SceneKey CameraEye(float t, int c) {
    static const CameraPath paths[3] = {
        {{0, 1.5f, -14.5f}, {1.4f, 0.6f, 1.2f}, {0, 0, 0}},
        {{-8.5f, -3.8f, -7.0f}, {1.6f, 0.8f, -1.2f}, {-1.0f, 0.5f, 0}},
        {{6.5f, 5.5f, -6.0f}, {-2.0f, -0.8f, 0.8f}, {1.8f, -0.3f, 0}},
    };
    const CameraPath& p = paths[c];
    const float s = std::sin(kTwoPi * t / kRingerLoop), k = std::cos(kTwoPi * t / kRingerLoop);
    SceneKey key;
    key.position = {p.eye.x + p.eyeSwing.x * s, p.eye.y + p.eyeSwing.y * k, p.eye.z + p.eyeSwing.z * s};
    return key;
}

SceneKey CameraTarget(float t, int c) {
    static const D3DXVECTOR3 targets[3] = {{0, 0, 0}, {-1.0f, 0.5f, 0}, {1.8f, -0.3f, 0}};
    SceneKey key;
    key.position = targets[c];
    key.position.y += 0.3f * std::sin(kTwoPi * t / kRingerLoop);
    return key;
}

}  // namespace

SceneFile BuildRinger() {
    SceneFile scene;
    scene.materials = {
        MakeMaterial(0.86f, 0.62f, 0.28f, 0.8f, 3.0f, 28),   // gold
        MakeMaterial(0.70f, 0.68f, 0.88f, 0.8f, 3.0f, 36),   // pale silver-violet
        MakeMaterial(0.88f, 0.46f, 0.34f, 0.8f, 3.0f, 28),   // rose copper
        MakeMaterial(1.00f, 0.80f, 0.48f, 2.50f, 1.0f, 10),  // bells, nearly self-lit
    };
    scene.lights = {
        {{-10, 12, -14}, 1.00f, 0.76f, 0.46f, 1.0f},  // warm key
        {{12, 6, 14}, 0.62f, 0.46f, 1.00f, 0.9f},     // violet rim
        {{0, -12, -6}, 0.36f, 0.46f, 0.92f, 0.5f},    // cool fill from below
    };
    const MeshBuilder ring = Torus(kRadius, 0.32f, 40, 12);
    for (int i = 0; i < 3; ++i)
        scene.meshes.push_back(ToSceneMesh(ring, uint16_t(i), SampleTrack(kRingerLoop, RingPose, i)));
    const MeshBuilder bell = Sphere(0.32f, 10, 6);
    for (int i = 0; i < kBells; ++i)
        scene.meshes.push_back(ToSceneMesh(bell, 3, SampleTrack(kRingerLoop, BellPose, i)));
    for (int c = 0; c < 3; ++c) {
        SceneCamera camera;
        camera.fov = 0.80f;
        camera.targetTrack = SampleTrack(kRingerLoop, CameraTarget, c);
        camera.eyeTrack = SampleTrack(kRingerLoop, CameraEye, c);
        scene.cameras.push_back(camera);
    }
    return scene;
}

size_t TriangleCount(const SceneFile& scene) {
    size_t n = 0;
    for (const SceneMesh& m : scene.meshes) n += m.indices.size() / 3;
    return n;
}

SceneMaterial MakeMaterial(float r, float g, float b, float ambientLevel, float shine, float power) {
    SceneMaterial m;
    const float diffuse[3] = {r, g, b};
    for (int c = 0; c < 3; ++c) {
        m.diffuse[c] = diffuse[c];
        m.ambient[c] = diffuse[c] * ambientLevel / 0.05f;
        m.specular[c] = shine * (0.6f + 0.4f * diffuse[c]) / 0.6f;
    }
    m.power = power;
    return m;
}
