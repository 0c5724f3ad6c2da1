// Scene::Load: the ".SCENE" reader. The whole file is read into memory and parsed through one
// bounds-checked cursor into a staging scene; only a complete parse is moved into this scene and
// uploaded to the device, so a damaged file leaves the scene as constructed.
#include <cstdio>
#include <string>
#include <vector>

#include "io/byte_cursor.h"
#include "io/file_read.h"
#include "math/float_bits.h"
#include "platform/d3dwindow.h"
#include "platform/win32.h"
#include "scene/scene.h"

namespace {

constexpr float kMaterialAmbientScale = FloatFromBits(0x3D4CCCCDu);   // 0.05
constexpr float kMaterialSpecularScale = FloatFromBits(0x3F19999Au);  // 0.6
constexpr float kLightSpecularScale = FloatFromBits(0x3E99999Au);     // 0.3
constexpr float kLightAmbientScale = FloatFromBits(0x3DCCCCCDu);      // 0.1
constexpr float kLightRange = FloatFromBits(0x5F7FFFFFu);             // sqrt(FLT_MAX)
static_assert(kMaterialAmbientScale == 0.05f && kMaterialSpecularScale == 0.6f);
static_assert(kLightSpecularScale == 0.3f && kLightAmbientScale == 0.1f);

constexpr int32_t kMaxMaterials = 65535;
constexpr size_t kMaterialRecordBytes = 52;
constexpr size_t kKeyBytes = 40;  // position, rotation, scale: ten floats
// A key takes one byte in the file but a whole Transform and its velocity in memory (~460 bytes), so
// the keys of one scene are capped: 2^18 keys is over seven hours of ten-per-second tracks, ~120 MB.
constexpr uint64_t kMaxSceneKeys = uint64_t(1) << 18;

enum NodeKind : uint8_t { kMesh = 0, kLight = 1, kCamera = 2 };

bool ReadPose(ByteCursor& in, Transform* pose, const char* what) {
    float f[10];
    if (!in.Floats(f, 10, what)) return false;
    pose->position = {f[0], f[1], f[2]};
    pose->rotation = {f[3], f[4], f[5], f[6]};
    pose->scale = {f[7], f[8], f[9]};
    return true;
}

// Key 0 in full, then one change mask per key with only the components that changed.
bool ReadTrack(ByteCursor& in, TransformTrack* track, uint64_t* keysLeft) {
    int32_t keyCount;
    if (!in.I32(&keyCount, "a track's key count")) return false;
    if (keyCount < 1) return in.Fail("a track's key count is " + std::to_string(keyCount) + ", below 1");
    // Key 0 and at least one mask byte per further key must still be in the file.
    if (!in.Fits(1, kKeyBytes + uint64_t(keyCount - 1), "a track's keys")) return false;
    if (uint64_t(keyCount) > *keysLeft)
        return in.Fail("a track's key count " + std::to_string(keyCount) + " passes the scene's key limit");
    *keysLeft -= uint64_t(keyCount);
    Transform key;
    if (!ReadPose(in, &key, "a track's first key")) return false;
    track->keys.reserve(size_t(keyCount));
    track->keys.push_back(key);
    float* const components[7] = {&key.position.x, &key.position.y, &key.position.z, &key.rotation.x,
                                  &key.rotation.y, &key.rotation.z, &key.rotation.w};
    for (int32_t k = 1; k < keyCount; ++k) {
        uint8_t mask;
        if (!in.U8(&mask, "a key's change mask")) return false;
        for (int bit = 0; bit < 7; ++bit)  // bits 7 down to 1
            if (mask & (0x80 >> bit) && !in.F32(components[bit], "a changed key")) return false;
        float scale[3];
        if (mask & 0x01) {
            if (!in.Floats(scale, 3, "a changed key's scale")) return false;
            key.scale = {scale[0], scale[1], scale[2]};
        }
        track->keys.push_back(key);
    }
    track->BuildVelocities();
    return true;
}

bool ReadMaterials(ByteCursor& in, Scene* scene) {
    if (!in.I32(&scene->materialCount, "the material count")) return false;
    const int32_t count = scene->materialCount;
    if (count > kMaxMaterials) return in.Fail("the material count " + std::to_string(count) + " is above 65535");
    if (count <= 0) return true;  // none
    if (!in.Fits(uint64_t(count), kMaterialRecordBytes, "the materials")) return false;
    scene->materials.reserve(size_t(count));
    for (int32_t i = 0; i < count; ++i) {
        Material m;
        float ambient[3], diffuse[3], specular[3];
        in.U32(&m.word, "a material");
        in.Floats(ambient, 3, "a material");
        in.Floats(diffuse, 3, "a material");
        in.Floats(specular, 3, "a material");
        in.Skip(8, "a material");
        in.F32(&m.material.Power, "a material");
        if (in.Failed()) return false;
        D3DMATERIAL9& d = m.material;  // alphas and emissive stay 0
        d.Ambient = {ambient[0] * kMaterialAmbientScale, ambient[1] * kMaterialAmbientScale,
                     ambient[2] * kMaterialAmbientScale, 0.0f};
        d.Diffuse = {diffuse[0], diffuse[1], diffuse[2], 0.0f};
        d.Specular = {specular[0] * kMaterialSpecularScale, specular[1] * kMaterialSpecularScale,
                      specular[2] * kMaterialSpecularScale, 0.0f};
        scene->materials.push_back(m);
    }
    return true;
}

bool ReadMesh(ByteCursor& in, Mesh* mesh, uint64_t* keysLeft) {
    if (!in.U16(&mesh->materialIndex, "a mesh's material index")) return false;
    if (!in.U32(&mesh->vertexCount, "a mesh's vertex count")) return false;
    if (!in.Fits(mesh->vertexCount, sizeof(MeshVertex), "a mesh's vertices")) return false;
    mesh->vertices.resize(mesh->vertexCount);
    for (MeshVertex& v : mesh->vertices) {
        float f[8];
        in.Floats(f, 8, "a mesh's vertices");
        v = {f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7]};
    }
    if (!in.U32(&mesh->triangleCount, "a mesh's triangle count")) return false;
    if (!in.Fits(mesh->triangleCount, 6, "a mesh's triangles")) return false;
    mesh->indices.resize(size_t(mesh->triangleCount) * 3);
    // An index beyond the vertices is kept as it is: that mesh alone is never drawn (Mesh::Draw),
    // as no device may be trusted to refuse a draw through it.
    for (uint16_t& index : mesh->indices)
        if (!in.U16(&index, "a mesh's triangles")) return false;
    return ReadTrack(in, &mesh->track, keysLeft);
}

D3DLIGHT9 PointLight(D3DCOLORVALUE diffuse, D3DCOLORVALUE specular, D3DCOLORVALUE ambient, D3DVECTOR position) {
    D3DLIGHT9 light{};
    light.Type = D3DLIGHT_POINT;
    light.Diffuse = diffuse;
    light.Specular = specular;
    light.Ambient = ambient;
    light.Position = position;
    light.Range = kLightRange;
    light.Attenuation0 = 1.0f;
    return light;  // direction, falloff, the other attenuations, theta and phi 0
}

bool ReadLight(ByteCursor& in, const Transform& node, D3DLIGHT9* light) {
    uint8_t kind;  // every light is a point light whatever this says
    float c[4];    // red, green, blue, intensity
    if (!in.U8(&kind, "a light") || !in.Floats(c, 4, "a light")) return false;
    const D3DCOLORVALUE diffuse = {c[3] * c[0], c[3] * c[1], c[3] * c[2], 0.0f};
    const D3DCOLORVALUE specular = {diffuse.r * kLightSpecularScale, diffuse.g * kLightSpecularScale,
                                    diffuse.b * kLightSpecularScale, 0.0f};
    const D3DCOLORVALUE ambient = {diffuse.r * kLightAmbientScale, diffuse.g * kLightAmbientScale,
                                   diffuse.b * kLightAmbientScale, 0.0f};
    *light = PointLight(diffuse, specular, ambient, node.position);
    return true;
}

bool ReadCamera(ByteCursor& in, Camera* camera, uint64_t* keysLeft) {
    float target[3];
    float reserved[7];  // stored as groups of 3, 1 and 3; not used
    if (!in.F32(&camera->fov, "a camera") || !in.Floats(target, 3, "a camera") || !in.Floats(reserved, 7, "a camera"))
        return false;
    camera->target = {target[0], target[1], target[2]};
    return ReadTrack(in, &camera->targetTrack, keysLeft) && ReadTrack(in, &camera->eyeTrack, keysLeft);
}

// One node; *counted is how many nodes it counts as (a camera counts twice).
bool ReadNode(ByteCursor& in, Scene* scene, int* counted, uint64_t* keysLeft) {
    *counted = 1;
    uint8_t form;
    if (!in.U8(&form, "a node") || !in.Skip(8, "a node")) return false;
    if (form == 1) return true;  // an empty node
    Transform node;
    uint8_t kind;
    if (!ReadPose(in, &node, "a node's transform") || !in.U8(&kind, "a node's kind")) return false;
    switch (kind) {
        case kMesh: {
            scene->meshCount++;
            auto mesh = std::make_unique<Mesh>();
            if (!ReadMesh(in, mesh.get(), keysLeft)) return false;
            mesh->nodeTransform = node;
            scene->meshes.push_back(std::move(mesh));
            return true;
        }
        case kLight: {
            scene->lightCount++;
            D3DLIGHT9 light;
            if (!ReadLight(in, node, &light)) return false;
            scene->lights.push_back(light);
            return true;
        }
        case kCamera: {
            scene->cameraCount++;
            *counted = 2;
            Camera camera;
            if (!ReadCamera(in, &camera, keysLeft)) return false;
            scene->cameras.push_back(std::move(camera));
            return true;
        }
        default:
            return true;  // no payload
    }
}

// Fills a staging scene. On failure *failedNode is the node being read (or -1 before the nodes).
bool ParseScene(ByteCursor& in, Scene* scene, int* failedNode) {
    *failedNode = -1;
    in.U16(&scene->header1, "the header");
    in.U16(&scene->header2, "the header");
    in.U8(&scene->header3, "the header");
    in.U16(&scene->header4, "the header");
    if (in.Failed() || !ReadMaterials(in, scene)) return false;
    uint16_t nodeCount;
    if (!in.U16(&nodeCount, "the node count")) return false;
    uint64_t keysLeft = kMaxSceneKeys;
    for (int c = 0, index = 0; c < nodeCount; ++index) {
        int counted;
        *failedNode = index;
        if (!ReadNode(in, scene, &counted, &keysLeft)) return false;
        c += counted;
    }
    if (scene->lightCount == 0) {
        scene->lights.push_back(PointLight({1.0f, 1.0f, 1.0f, 0.0f}, {0.0f, 0.0f, 0.0f, 0.0f}, {0.5f, 0.5f, 0.5f, 0.0f},
                                           {0.0f, 100.0f, 0.0f}));
        scene->lightCount = 1;
    }
    return true;
}

}  // namespace

bool Scene::Load(std::string path) {
    std::vector<uint8_t> bytes;
    std::string refusal;
    if (!ReadWholeFile(path, kMaxDocumentBytes, &bytes, &refusal)) {
        // The system's box for a file it cannot open; a refused file's reason beside it on stderr.
        if (refusal != kCannotOpenFile) std::fprintf(stderr, "%s\n", FileProblem(path, refusal).c_str());
        MessageBoxA(nullptr, "Kunne ikke loade scene", "Error!", MB_OK);
        return false;
    }
    ByteCursor in(bytes.data(), bytes.size());
    Scene staged;
    int failedNode;
    if (!ParseScene(in, &staged, &failedNode)) {
        const std::string node = failedNode >= 0 ? "node " + std::to_string(failedNode) + ": " : "";
        const std::string text =
            "Kunne ikke loade scene\n" + FileProblemAt(path, node + in.Problem(), in.ProblemOffset());
        MessageBoxA(nullptr, text.c_str(), "Error!", MB_OK);
        return false;
    }
    header1 = staged.header1;
    header2 = staged.header2;
    header3 = staged.header3;
    header4 = staged.header4;
    materialCount = staged.materialCount;
    meshCount = staged.meshCount;
    lightCount = staged.lightCount;
    cameraCount = staged.cameraCount;
    materials = std::move(staged.materials);
    meshes = std::move(staged.meshes);
    lights = std::move(staged.lights);
    cameras = std::move(staged.cameras);
    for (auto& mesh : meshes) mesh->Upload();
    return true;
}
