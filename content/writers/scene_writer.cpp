// Scene writer: the byte layout the scene reader takes.
#include "content/writers/scene_writer.h"

#include <cstring>

#include "content/writers/byte_writer.h"

namespace {

bool SameBits(float a, float b) {
    return std::memcmp(&a, &b, 4) == 0;
}

void Vec3(ByteWriter& out, const D3DXVECTOR3& v) {
    out.F32(v.x);
    out.F32(v.y);
    out.F32(v.z);
}

void Quaternion(ByteWriter& out, const D3DXQUATERNION& q) {
    out.F32(q.x);
    out.F32(q.y);
    out.F32(q.z);
    out.F32(q.w);
}

void Track(ByteWriter& out, const std::vector<SceneKey>& keys) {
    const SceneKey identity;
    out.I32(keys.empty() ? 1 : int32_t(keys.size()));
    const SceneKey& first = keys.empty() ? identity : keys.front();
    Vec3(out, first.position);
    Quaternion(out, first.rotation);
    Vec3(out, first.scale);
    for (size_t i = 1; i < keys.size(); ++i) {
        const SceneKey& a = keys[i - 1];
        const SceneKey& b = keys[i];
        // Mask bits 7..1: position x, y, z, rotation x, y, z, w; bit 0: all three scales.
        const float now[7] = {b.position.x, b.position.y, b.position.z, b.rotation.x,
                              b.rotation.y, b.rotation.z, b.rotation.w};
        const float was[7] = {a.position.x, a.position.y, a.position.z, a.rotation.x,
                              a.rotation.y, a.rotation.z, a.rotation.w};
        uint8_t mask = 0;
        for (int c = 0; c < 7; ++c)
            if (!SameBits(now[c], was[c])) mask |= uint8_t(0x80 >> c);
        const bool scaleChanged =
            !SameBits(a.scale.x, b.scale.x) || !SameBits(a.scale.y, b.scale.y) || !SameBits(a.scale.z, b.scale.z);
        if (scaleChanged) mask |= 0x01;
        out.U8(mask);
        for (int c = 0; c < 7; ++c)
            if (mask & (0x80 >> c)) out.F32(now[c]);
        if (scaleChanged) Vec3(out, b.scale);
    }
}

// The fields every full node starts with: form, two unused words, the node transform.
void NodeHead(ByteWriter& out, const SceneKey& transform, uint8_t kind) {
    out.U8(0);  // full node
    out.U32(0);
    out.U32(0);
    Vec3(out, transform.position);
    Quaternion(out, transform.rotation);
    Vec3(out, transform.scale);
    out.U8(kind);
}

}  // namespace

std::string CheckScene(const SceneFile& scene) {
    if (scene.materials.empty()) return "no materials";
    if (scene.materials.size() > 65535) return "too many materials";
    const size_t nodes = scene.lights.size() + scene.meshes.size() + 2 * scene.cameras.size();
    if (nodes > 65535) return "too many nodes";
    if (scene.lights.size() > 8) return "more than 8 lights";
    for (size_t m = 0; m < scene.meshes.size(); ++m) {
        const SceneMesh& mesh = scene.meshes[m];
        const std::string where = "mesh " + std::to_string(m);
        if (mesh.material >= scene.materials.size()) return where + ": material out of range";
        if (mesh.vertices.size() > 65536) return where + ": too many vertices";
        if (mesh.indices.size() % 3 != 0) return where + ": indices are not whole triangles";
        for (uint16_t i : mesh.indices)
            if (i >= mesh.vertices.size()) return where + ": index past the vertices";
        if (mesh.track.empty()) return where + ": empty track";
    }
    for (size_t c = 0; c < scene.cameras.size(); ++c)
        if (scene.cameras[c].targetTrack.empty() || scene.cameras[c].eyeTrack.empty())
            return "camera " + std::to_string(c) + ": empty track";
    return {};
}

std::vector<uint8_t> WriteScene(const SceneFile& scene) {
    ByteWriter out;
    out.U16(scene.header1);
    out.U16(scene.header2);
    out.U8(scene.header3);
    out.U16(scene.header4);
    out.I32(int32_t(scene.materials.size()));
    for (const SceneMaterial& m : scene.materials) {
        out.U32(m.word);
        for (float v : m.ambient) out.F32(v);
        for (float v : m.diffuse) out.F32(v);
        for (float v : m.specular) out.F32(v);
        out.U32(0);
        out.U32(0);
        out.F32(m.power);
    }
    // A camera counts as two nodes.
    out.U16(uint16_t(scene.lights.size() + scene.meshes.size() + 2 * scene.cameras.size()));
    for (const SceneLight& light : scene.lights) {
        SceneKey transform;
        transform.position = light.position;
        NodeHead(out, transform, 1);
        out.U8(0);  // point light
        out.F32(light.red);
        out.F32(light.green);
        out.F32(light.blue);
        out.F32(light.intensity);
    }
    for (const SceneMesh& mesh : scene.meshes) {
        NodeHead(out, mesh.track.empty() ? SceneKey{} : mesh.track.front(), 0);
        out.U16(mesh.material);
        out.U32(uint32_t(mesh.vertices.size()));
        for (const SceneVertex& v : mesh.vertices)
            for (float f : {v.x, v.y, v.z, v.nx, v.ny, v.nz, v.u, v.v}) out.F32(f);
        out.U32(uint32_t(mesh.indices.size() / 3));
        for (uint16_t i : mesh.indices) out.U16(i);
        Track(out, mesh.track);
    }
    for (const SceneCamera& camera : scene.cameras) {
        NodeHead(out, SceneKey{}, 2);
        out.F32(camera.fov);
        Vec3(out, camera.targetTrack.empty() ? D3DXVECTOR3{0, 0, 0} : camera.targetTrack.front().position);
        for (int i = 0; i < 7; ++i) out.F32(0);
        Track(out, camera.targetTrack);
        Track(out, camera.eyeTrack);
    }
    return out.bytes;
}
