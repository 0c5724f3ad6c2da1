// "park": a small night park. A winding path, trees, benches and lamp posts whose lamps are the
// scene's point lights, fireflies; three cameras, each one 2 s move.
#include <algorithm>
#include <cmath>

#include "content/assets/meshes.h"
#include "content/assets/scenes.h"

namespace {

constexpr float kPi = 3.14159265358979f;
constexpr float kTwoPi = 2 * kPi;
constexpr float kLampHeight = 3.2f;

float Ground(float x, float z) {
    return 0.6f * std::exp(-((x - 9) * (x - 9) + (z - 8) * (z - 8)) / 60.0f) +
           0.4f * std::exp(-((x + 10) * (x + 10) + (z + 9) * (z + 9)) / 40.0f);
}

// The path's centre line: an S across the park.
D3DXVECTOR3 PathAt(float s) {
    const float z = -20.0f + 40.0f * s;
    return {3.2f * std::sin(z * 0.16f) - 1.0f, 0, z};
}

MeshBuilder Path() {
    MeshBuilder mesh;
    const int segments = 48;
    for (int i = 0; i <= segments; ++i) {
        const float s = float(i) / float(segments);
        const D3DXVECTOR3 c = PathAt(s), next = PathAt(std::min(1.0f, s + 0.01f)),
                          prev = PathAt(std::max(0.0f, s - 0.01f));
        float dx = next.x - prev.x, dz = next.z - prev.z;
        const float n = std::sqrt(dx * dx + dz * dz);
        dx /= n;
        dz /= n;
        for (int side = -1; side <= 1; side += 2) {
            const float x = c.x + float(side) * 1.15f * dz, z = c.z - float(side) * 1.15f * dx;
            mesh.Vertex({x, Ground(x, z) + 0.04f, z}, {0, 1, 0}, side < 0 ? 0.0f : 1.0f, s * 10);
        }
    }
    for (int i = 0; i < segments; ++i)
        mesh.Quad(uint16_t(2 * i), uint16_t(2 * i + 1), uint16_t(2 * i + 3), uint16_t(2 * i + 2));
    return mesh;
}

struct Placed {
    float x, z, turn, size;
};

const Placed kTrees[] = {{-7.5f, -4, 0, 1.1f}, {6.5f, -9, 1, 1.3f},  {8, 3, 2, 1.0f},   {-6, 8, 3, 1.25f},
                         {4.5f, 12, 4, 0.9f},  {-11, -12, 5, 1.15f}, {12, -2, 6, 1.05f}};
const Placed kBenches[] = {{2.6f, -3.0f, 1.35f, 1}, {-4.2f, 5.5f, -1.2f, 1}, {3.4f, 8.5f, 1.9f, 1}};
const Placed kLamps[] = {{-2.2f, -7.5f, 0, 1}, {3.6f, -1.5f, 0, 1}, {-4.8f, 3.0f, 0, 1}, {1.6f, 13.5f, 0, 1}};
constexpr int kFireflies = 8;

D3DXVECTOR3 LampTop(int i) {
    return {kLamps[i].x, Ground(kLamps[i].x, kLamps[i].z) + kLampHeight, kLamps[i].z};
}

SceneKey StaticPose(float, int) {
    return SceneKey{};
}

// Canopies sway about their trunk's foot; one sway per camera move.
SceneKey CanopyPose(float t, int i) {
    const Placed& p = kTrees[i];
    SceneKey key;
    const float sway = 0.035f * std::sin(kTwoPi * t / kParkMove + p.turn);
    key.position = {p.x, Ground(p.x, p.z), p.z};
    key.rotation = Multiply(AxisAngle({std::cos(p.turn), 0, std::sin(p.turn)}, sway), AxisAngle({0, 1, 0}, p.turn));
    key.scale = {p.size, p.size, p.size};
    return key;
}

SceneKey FireflyPose(float t, int i) {
    const float a = kTwoPi * (t / kParkMove + float(i) * 0.37f);
    const Placed& lamp = kLamps[i % 4];
    SceneKey key;
    key.position = {lamp.x + 1.6f * std::cos(a + float(i)), 1.2f + 0.5f * std::sin(2 * a), lamp.z + 1.6f * std::sin(a)};
    return key;
}

// Three moves: along the path, round a bench under a lamp, and a crane up over the park.
SceneKey CameraEye(float t, int c) {
    const float u = t / kParkMove, ease = u * u * (3 - 2 * u);
    SceneKey key;
    if (c == 0) {
        const D3DXVECTOR3 p = PathAt(0.08f + 0.12f * ease);
        key.position = {p.x - 0.5f, 1.7f, p.z};
    } else if (c == 1) {
        const float a = 3.6f + 0.9f * ease;
        key.position = {3.0f + 6.5f * std::cos(a), 2.0f + 0.4f * ease, -2.5f + 6.5f * std::sin(a)};
    } else {
        key.position = {4.0f - 6.0f * ease, 1.2f + 9.0f * ease, -11.0f - 6.0f * ease};
    }
    return key;
}

SceneKey CameraTarget(float t, int c) {
    const float u = t / kParkMove, ease = u * u * (3 - 2 * u);
    SceneKey key;
    if (c == 0) {
        const D3DXVECTOR3 p = PathAt(0.3f + 0.12f * ease);
        key.position = {p.x, 1.2f, p.z};
    } else if (c == 1) {
        key.position = {2.8f, 1.0f, -2.4f};
    } else {
        key.position = {0.0f, 0.6f - 0.4f * ease, 1.0f + 2.0f * ease};
    }
    return key;
}

}  // namespace

SceneFile BuildPark() {
    SceneFile scene;
    scene.materials = {
        MakeMaterial(0.13f, 0.24f, 0.14f, 0.6f, 0.2f, 8),   // 0 grass
        MakeMaterial(0.50f, 0.44f, 0.38f, 0.6f, 0.4f, 10),  // 1 path stone
        MakeMaterial(0.30f, 0.20f, 0.14f, 0.6f, 0.2f, 8),   // 2 bark
        MakeMaterial(0.12f, 0.30f, 0.20f, 0.6f, 0.3f, 10),  // 3 leaves
        MakeMaterial(0.50f, 0.32f, 0.18f, 0.6f, 0.8f, 16),  // 4 bench wood
        MakeMaterial(0.24f, 0.24f, 0.30f, 0.8f, 2.5f, 40),  // 5 lamp iron
        MakeMaterial(1.00f, 0.88f, 0.56f, 3.2f, 1.0f, 4),   // 6 lamp glass, lit from within
        MakeMaterial(1.00f, 0.95f, 0.55f, 3.5f, 0.0f, 4),   // 7 fireflies
    };
    for (int i = 0; i < 4; ++i) {
        const D3DXVECTOR3 top = LampTop(i);
        scene.lights.push_back({{top.x, top.y - 0.1f, top.z}, 1.00f, 0.76f, 0.42f, 0.42f});
    }
    scene.lights.push_back({{-30, 60, 40}, 0.50f, 0.56f, 1.00f, 0.35f});  // moonlight

    const std::vector<SceneKey> still = SampleTrack(0, StaticPose, 0);
    scene.meshes.push_back(ToSceneMesh(Grid(44, 44, 22, 22, Ground), 0, still));
    scene.meshes.push_back(ToSceneMesh(Path(), 1, still));
    MeshBuilder trunks, benches, iron, glass;
    for (int i = 0; i < 7; ++i) {
        const Placed& p = kTrees[i];
        trunks.Append(Cylinder(0.26f * p.size, 0.16f * p.size, 2.4f * p.size, 8, false),
                      TransformOf({p.x, Ground(p.x, p.z) - 0.1f, p.z}, {0, 0, 0, 1}, {1, 1, 1}));
        MeshBuilder canopy;
        canopy.Append(Sphere(1.6f, 7, 5), TransformOf({0, 3.2f, 0}, {0, 0, 0, 1}, {1, 1.1f, 1}));
        canopy.Append(Sphere(1.1f, 6, 4), TransformOf({0.7f, 4.4f, 0.3f}, {0, 0, 0, 1}, {1, 1, 1}));
        canopy.Append(Sphere(1.0f, 6, 4), TransformOf({-0.8f, 3.9f, -0.4f}, {0, 0, 0, 1}, {1, 1, 1}));
        scene.meshes.push_back(ToSceneMesh(canopy, 3, SampleTrack(kParkMove, CanopyPose, i)));
    }
    for (const Placed& b : kBenches) {
        const D3DXMATRIX place = TransformOf({b.x, Ground(b.x, b.z), b.z}, AxisAngle({0, 1, 0}, b.turn), {1, 1, 1});
        MeshBuilder bench;
        bench.Append(Box(1.9f, 0.08f, 0.55f), TransformOf({0, 0.48f, 0}, {0, 0, 0, 1}, {1, 1, 1}));
        bench.Append(Box(1.9f, 0.45f, 0.07f), TransformOf({0, 0.82f, 0.27f}, AxisAngle({1, 0, 0}, -0.2f), {1, 1, 1}));
        for (float x : {-0.8f, 0.8f})
            bench.Append(Box(0.08f, 0.48f, 0.5f), TransformOf({x, 0.24f, 0}, {0, 0, 0, 1}, {1, 1, 1}));
        benches.Append(bench, place);
    }
    for (int i = 0; i < 4; ++i) {
        const D3DXVECTOR3 top = LampTop(i);
        const float foot = top.y - kLampHeight;
        iron.Append(Cylinder(0.09f, 0.06f, kLampHeight - 0.25f, 8, false),
                    TransformOf({top.x, foot, top.z}, {0, 0, 0, 1}, {1, 1, 1}));
        iron.Append(Cylinder(0.28f, 0.02f, 0.22f, 8, true),
                    TransformOf({top.x, top.y + 0.12f, top.z}, {0, 0, 0, 1}, {1, 1, 1}));
        glass.Append(Sphere(0.22f, 8, 5), TransformOf({top.x, top.y - 0.05f, top.z}, {0, 0, 0, 1}, {1, 1.2f, 1}));
    }
    scene.meshes.push_back(ToSceneMesh(trunks, 2, still));
    scene.meshes.push_back(ToSceneMesh(benches, 4, still));
    scene.meshes.push_back(ToSceneMesh(iron, 5, still));
    scene.meshes.push_back(ToSceneMesh(glass, 6, still));
    const MeshBuilder firefly = Sphere(0.06f, 4, 3);
    for (int i = 0; i < kFireflies; ++i)
        scene.meshes.push_back(ToSceneMesh(firefly, 7, SampleTrack(kParkMove, FireflyPose, i)));
    for (int c = 0; c < 3; ++c) {
        SceneCamera camera;
        camera.fov = 0.9f;
        camera.targetTrack = SampleTrack(kParkMove, CameraTarget, c);
        camera.eyeTrack = SampleTrack(kParkMove, CameraEye, c);
        scene.cameras.push_back(camera);
    }
    return scene;
}
