// A 3D scene: materials, animated meshes, point lights, animated cameras and one free-fly camera,
// read from a ".SCENE" file and drawn with fixed-function lighting.
//
// Index
//   Material     a material record with its drawing colours
//   MeshVertex   the 32-byte vertex of format 0x112
//   Mesh         vertex and index data, its buffers and its track
//   FreeFlyInput one input step of the free-fly camera
//   Camera       animated (tracks) or free-fly (mouse and W/A/S/D)
//   Scene        the loaded scene; Load, SelectCamera, Render
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "math/float_bits.h"
#include "platform/d3d9.h"
#include "scene/transform_track.h"

struct Material {
    uint32_t word = 0;        // the record's first word; not used for drawing
    D3DMATERIAL9 material{};  // handed to SetMaterial as is
};

// Position, normal, one texture coordinate: D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1.
struct MeshVertex {
    float x, y, z;
    float nx, ny, nz;
    float u, v;
};
static_assert(sizeof(MeshVertex) == 32);

// Owned by its scene; releases its buffers when it goes.
struct Mesh {
    Mesh() = default;
    ~Mesh();
    Mesh(const Mesh&) = delete;
    Mesh& operator=(const Mesh&) = delete;

    IDirect3DVertexBuffer9* vertexBuffer = nullptr;  // null until uploaded
    IDirect3DIndexBuffer9* indexBuffer = nullptr;    // null until uploaded
    std::vector<MeshVertex> vertices;                // as read, kept after the upload
    std::vector<uint16_t> indices;                   // 3 per triangle, as read
    bool indicesInRange = false;                     // every index below vertexCount (set by Upload)
    uint32_t vertexCount = 0;
    uint32_t triangleCount = 0;
    uint16_t materialIndex = 0;  // into Scene::materials; drawn without SetMaterial when out of range
    Transform nodeTransform;     // from the file; not used for drawing
    TransformTrack track;        // the pose used for drawing

    // Creates and fills the vertex and index buffers on the device (nothing without a device).
    void Upload();
    // Sets the world transform for t and draws the triangle list; a mesh with an index past its
    // vertices is not drawn (Direct3D 9 would read past the vertex buffer).
    void Draw(float t);
};

// What the free-fly camera sees in one step: the cursor's offset from its home and the four keys.
struct FreeFlyInput {
    int dx = 0, dy = 0;  // cursor minus (320, 240), screen pixels
    bool keyD = false, keyA = false, keyS = false, keyW = false;
};

// Where FreeFlyUpdate gets its input. Null (the default) polls the cursor and keys and puts the
// cursor back home; tools and tests install their own source.
using FreeFlyInputSource = FreeFlyInput (*)();
void SetFreeFlyInputSource(FreeFlyInputSource source);

struct Camera {
    D3DXVECTOR3 target{0.0f, 0.0f, 0.0f};     // the point looked at
    D3DXVECTOR3 eye{0.0f, 0.0f, -100.0f};     // the viewer
    D3DXVECTOR3 up{0.0f, 1.0f, 0.0f};         // never changed
    D3DXVECTOR3 direction{0.0f, 0.0f, 1.0f};  // free-fly look direction; not renormalised
    TransformTrack eyeTrack;
    TransformTrack targetTrack;
    float fov = FloatFromBits(0x3F490FDBu);  // vertical field of view, radians (pi/4)

    // Animated camera: eye and target from the tracks' positions at t, then the view transform.
    void FollowTracks(float t);
    // View transform from eye, target and up.
    void ApplyView();
    // One free-fly step with input from the installed source (or the platform).
    void FreeFlyUpdate();
    // One free-fly step with the given input: turn by the cursor offset, move by the keys.
    void FreeFlyStep(const FreeFlyInput& input);
};

class Scene {
public:
    Scene() = default;  // empty, free camera at its defaults, cameraIndex 100

    // Reads the file into this freshly constructed scene and uploads the meshes. False, after one
    // message box, when the file cannot be opened or is damaged; the scene then stays as it was.
    bool Load(std::string path);
    // Takes effect at the next Render; 100 (and any index without a camera) means the free camera.
    void SelectCamera(int index);
    // Draws the scene at scene time t into the bound target, inside its own BeginScene/EndScene.
    void Render(float t);
    // A lost device: the meshes' vertex buffers (default pool) go before its Reset and are made
    // again from the vertices kept after it.
    void ReleaseDeviceBuffers();
    void UploadAgain();

    uint16_t header1 = 0, header2 = 0;  // the file header, kept and not used
    uint8_t header3 = 0;
    uint16_t header4 = 0;
    int32_t materialCount = 0;  // as in the file (may be 0 or negative)
    int32_t meshCount = 0;
    int32_t lightCount = 0;  // 1 when the default light was added
    int32_t cameraCount = 0;
    int32_t cameraIndex = 100;
    std::vector<Material> materials;
    std::vector<std::unique_ptr<Mesh>> meshes;  // drawing order
    std::vector<D3DLIGHT9> lights;              // light i goes to slot i
    std::vector<Camera> cameras;
    Camera freeCamera;

private:
    void SetCameraAndProjection(float t);
};
