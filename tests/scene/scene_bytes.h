// A small ".SCENE" writer for tests, written from the byte layout (little-endian, no padding), so the
// reader is checked against files it did not produce.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

struct KeyPose {
    float position[3];
    float rotation[4];
    float scale[3];
};

inline KeyPose Pose(float x, float y, float z) {
    return {{x, y, z}, {0, 0, 0, 1}, {1, 1, 1}};
}

struct SceneBytes {
    std::vector<unsigned char> bytes;

    SceneBytes& U8(uint8_t v) {
        bytes.push_back(v);
        return *this;
    }
    SceneBytes& U16(uint16_t v) { return U8(uint8_t(v)).U8(uint8_t(v >> 8)); }
    SceneBytes& U32(uint32_t v) { return U16(uint16_t(v)).U16(uint16_t(v >> 16)); }
    SceneBytes& I32(int32_t v) { return U32(uint32_t(v)); }
    SceneBytes& F32(float f) {
        uint32_t u;
        std::memcpy(&u, &f, 4);
        return U32(u);
    }
    SceneBytes& Floats(std::initializer_list<float> fs) {
        for (float f : fs) F32(f);
        return *this;
    }

    SceneBytes& Header(uint16_t h1 = 1, uint16_t h2 = 2, uint8_t h3 = 3, uint16_t h4 = 4) {
        return U16(h1).U16(h2).U8(h3).U16(h4);
    }
    SceneBytes& Material(uint32_t word, const float ambient[3], const float diffuse[3], const float specular[3],
                         float power) {
        U32(word);
        for (int i = 0; i < 3; ++i) F32(ambient[i]);
        for (int i = 0; i < 3; ++i) F32(diffuse[i]);
        for (int i = 0; i < 3; ++i) F32(specular[i]);
        return U32(0xDEADBEEF).U32(0xFEEDFACE).F32(power);
    }
    SceneBytes& GreyMaterial(float diffuse) {
        const float a[3] = {1, 1, 1}, d[3] = {diffuse, diffuse, diffuse}, s[3] = {0, 0, 0};
        return Material(7, a, d, s, 10);
    }
    // Header, material count and materials; the node count and nodes follow.
    SceneBytes& Start(int32_t materials) {
        Header().I32(materials);
        for (int32_t i = 0; i < materials; ++i) GreyMaterial(0.5f);
        return *this;
    }

    SceneBytes& EmptyNode() { return U8(1).U32(11).U32(22); }
    SceneBytes& FullNode(uint8_t kind, const KeyPose& node = Pose(0, 0, 0)) {
        U8(0).U32(11).U32(22);
        Key(node);
        return U8(kind);
    }
    SceneBytes& Key(const KeyPose& k) {
        for (float f : k.position) F32(f);
        for (float f : k.rotation) F32(f);
        for (float f : k.scale) F32(f);
        return *this;
    }
    // Key 0 in full, then for each later key a mask of the components that differ from the key
    // before, followed by those components (bits 7..1 one float each, bit 0 the three scales).
    SceneBytes& Track(const std::vector<KeyPose>& keys) {
        I32(int32_t(keys.size()));
        Key(keys[0]);
        for (size_t k = 1; k < keys.size(); ++k) {
            const KeyPose &a = keys[k - 1], &b = keys[k];
            const float before[7] = {a.position[0], a.position[1], a.position[2], a.rotation[0],
                                     a.rotation[1], a.rotation[2], a.rotation[3]};
            const float after[7] = {b.position[0], b.position[1], b.position[2], b.rotation[0],
                                    b.rotation[1], b.rotation[2], b.rotation[3]};
            uint8_t mask = 0;
            for (int i = 0; i < 7; ++i)
                if (std::memcmp(&before[i], &after[i], 4)) mask |= uint8_t(0x80 >> i);
            if (std::memcmp(a.scale, b.scale, 12)) mask |= 0x01;
            U8(mask);
            for (int i = 0; i < 7; ++i)
                if (mask & (0x80 >> i)) F32(after[i]);
            if (mask & 0x01) Floats({b.scale[0], b.scale[1], b.scale[2]});
        }
        return *this;
    }
    // vertices: 8 floats each; indices: 3 per triangle.
    SceneBytes& MeshNode(uint16_t materialIndex, const std::vector<float>& vertices,
                         const std::vector<uint16_t>& indices, const std::vector<KeyPose>& track,
                         const KeyPose& node = Pose(0, 0, 0)) {
        FullNode(0, node).U16(materialIndex).U32(uint32_t(vertices.size() / 8));
        for (float f : vertices) F32(f);
        U32(uint32_t(indices.size() / 3));
        for (uint16_t i : indices) U16(i);
        return Track(track);
    }
    SceneBytes& TriangleMesh(uint16_t materialIndex = 0) {
        return MeshNode(materialIndex, {0, 0, 0, 0, 0, -1, 0, 0, 0, 1, 0, 0, 0, -1, 0, 1, 1, 0, 0, 0, 0, -1, 1, 0},
                        {0, 1, 2}, {Pose(0, 0, 0)});
    }
    SceneBytes& LightNode(const KeyPose& node, float r, float g, float b, float intensity, uint8_t kind = 0) {
        return FullNode(1, node).U8(kind).Floats({r, g, b, intensity});
    }
    SceneBytes& CameraNode(float fov, const std::vector<KeyPose>& targetTrack, const std::vector<KeyPose>& eyeTrack,
                           float tx = 0, float ty = 0, float tz = 0) {
        FullNode(2).F32(fov).Floats({tx, ty, tz}).Floats({9, 9, 9, 9, 9, 9, 9});
        return Track(targetTrack).Track(eyeTrack);
    }
};
