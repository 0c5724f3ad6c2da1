// Writer for the scene format (".SCENE"): materials, then mesh, light and camera nodes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "math/d3dx_math.h"

// One track key; key i belongs to scene time i / 10 s.
struct SceneKey {
    D3DXVECTOR3 position{0, 0, 0};
    D3DXQUATERNION rotation{0, 0, 0, 1};
    D3DXVECTOR3 scale{1, 1, 1};
};

struct SceneVertex {
    float x, y, z;     // position
    float nx, ny, nz;  // normal
    float u, v;        // texture coordinate
};

// Colours as stored; the reader scales ambient by 0.05 and specular by 0.6.
struct SceneMaterial {
    uint32_t word = 0;
    float ambient[3] = {0, 0, 0};
    float diffuse[3] = {0, 0, 0};
    float specular[3] = {0, 0, 0};
    float power = 0;
};

struct SceneMesh {
    uint16_t material = 0;
    std::vector<SceneVertex> vertices;
    std::vector<uint16_t> indices;  // three per triangle
    std::vector<SceneKey> track;    // at least one key
};

// A point light at position; its colour is intensity x (red, green, blue).
struct SceneLight {
    D3DXVECTOR3 position{0, 0, 0};
    float red = 1, green = 1, blue = 1, intensity = 1;
};

struct SceneCamera {
    float fov = 0.785398f;              // vertical, radians
    std::vector<SceneKey> targetTrack;  // positions are used
    std::vector<SceneKey> eyeTrack;
};

struct SceneFile {
    uint16_t header1 = 1, header2 = 0;
    uint8_t header3 = 0;
    uint16_t header4 = 0;
    std::vector<SceneMaterial> materials;
    std::vector<SceneLight> lights;    // written first, as light nodes
    std::vector<SceneMesh> meshes;     // drawing order
    std::vector<SceneCamera> cameras;  // selectable by index, in this order
};

// Empty when the scene can be written, else what is wrong: no materials, a material index out of
// range, an index past the vertices, a mesh over 65536 vertices, an empty track, too many nodes.
std::string CheckScene(const SceneFile& scene);

// The file's bytes. Each further track key stores only the components that changed.
std::vector<uint8_t> WriteScene(const SceneFile& scene);
