// Reading ".SCENE" files written by the test writer: layout, node counting, derived values, and
// damaged files that must fail with one message box.
#include <gtest/gtest.h>

#include <bit>
#include <fstream>
#include <random>
#include <string>

#include "scene/scene.h"
#include "tests/common/headless.h"
#include "tests/scene/scene_bytes.h"

namespace {

struct Loaded {
    Scene scene;
    bool ok = false;
    std::vector<std::pair<std::string, std::string>> boxes;
};

// Loads the bytes through a real file; the scene is built on the heap since meshes own buffers.
std::unique_ptr<Loaded> LoadBytes(const std::vector<unsigned char>& bytes, std::string* pathOut = nullptr) {
    ScratchDir dir;
    const std::string path = dir.File("test.SCENE");
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), long(bytes.size()));
    auto loaded = std::make_unique<Loaded>();
    MessageLog log;
    loaded->ok = loaded->scene.Load(path);
    loaded->boxes = log.boxes;
    if (pathOut) *pathOut = path;
    return loaded;
}

void ExpectColour(const D3DCOLORVALUE& c, float r, float g, float b, float a) {
    EXPECT_EQ(c.r, r);
    EXPECT_EQ(c.g, g);
    EXPECT_EQ(c.b, b);
    EXPECT_EQ(c.a, a);
}

void ExpectDefaultLight(const D3DLIGHT9& l) {
    EXPECT_EQ(l.Type, D3DLIGHT_POINT);
    ExpectColour(l.Diffuse, 1, 1, 1, 0);
    ExpectColour(l.Specular, 0, 0, 0, 0);
    ExpectColour(l.Ambient, 0.5f, 0.5f, 0.5f, 0);
    EXPECT_EQ(l.Position.y, 100.0f);
    EXPECT_EQ(std::bit_cast<uint32_t>(l.Range), 0x5F7FFFFFu);
    EXPECT_EQ(l.Attenuation0, 1.0f);
    EXPECT_EQ(l.Attenuation1 + l.Attenuation2 + l.Falloff + l.Theta + l.Phi, 0.0f);
}

TEST(SceneLoad, TheSmallestFileHasOneMaterialAndTheDefaultLight) {
    const float ambient[3] = {2, 4, 8}, diffuse[3] = {0.25f, 0.5f, 0.75f}, specular[3] = {1, 0.5f, 3};
    SceneBytes file;
    file.Header(0x1234, 0xBEEF, 0x7F, 0xFFFF).I32(1).Material(0xCAFEF00D, ambient, diffuse, specular, 12.5f).U16(0);
    ASSERT_EQ(file.bytes.size(), 65u);
    const auto loaded = LoadBytes(file.bytes);
    ASSERT_TRUE(loaded->ok);
    const Scene& s = loaded->scene;
    EXPECT_TRUE(loaded->boxes.empty());
    EXPECT_EQ(s.header1, 0x1234);
    EXPECT_EQ(s.header2, 0xBEEF);
    EXPECT_EQ(s.header3, 0x7F);
    EXPECT_EQ(s.header4, 0xFFFF);
    EXPECT_EQ(s.materialCount, 1);
    EXPECT_EQ(s.meshCount + s.cameraCount, 0);
    EXPECT_TRUE(s.meshes.empty() && s.cameras.empty());
    EXPECT_EQ(s.cameraIndex, 100);
    ASSERT_EQ(s.materials.size(), 1u);
    EXPECT_EQ(s.materials[0].word, 0xCAFEF00Du);
    const D3DMATERIAL9& m = s.materials[0].material;
    ExpectColour(m.Ambient, 2 * 0.05f, 4 * 0.05f, 8 * 0.05f, 0);
    ExpectColour(m.Diffuse, 0.25f, 0.5f, 0.75f, 0);
    ExpectColour(m.Specular, 1 * 0.6f, 0.5f * 0.6f, 3 * 0.6f, 0);
    ExpectColour(m.Emissive, 0, 0, 0, 0);
    EXPECT_EQ(m.Power, 12.5f);
    ASSERT_EQ(s.lights.size(), 1u);
    EXPECT_EQ(s.lightCount, 1);
    ExpectDefaultLight(s.lights[0]);
}

TEST(SceneLoad, ACameraCountsAsTwoNodes) {
    const auto withNodes = [](uint16_t count, bool cameraFirst) {
        SceneBytes f;
        f.Start(1).U16(count);
        if (cameraFirst) f.CameraNode(1.0f, {Pose(0, 0, 0)}, {Pose(0, 0, -5)});
        for (int i = 0; i < 3; ++i) f.TriangleMesh();
        if (!cameraFirst) f.CameraNode(1.0f, {Pose(0, 0, 0)}, {Pose(0, 0, -5)});
        return f.bytes;
    };
    const struct {
        uint16_t nodeCount;
        bool cameraFirst;
        int meshes, cameras;
    } cases[] = {
        {3, true, 1, 1},   // camera (2) + mesh (1)
        {2, true, 0, 1},   // the camera alone reaches the count
        {4, false, 3, 1},  // mesh, mesh, mesh, camera: the counter ends at 5
        {3, false, 3, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.nodeCount << (c.cameraFirst ? " camera first" : " camera last"));
        const auto loaded = LoadBytes(withNodes(c.nodeCount, c.cameraFirst));
        ASSERT_TRUE(loaded->ok);
        EXPECT_EQ(loaded->scene.meshCount, c.meshes);
        EXPECT_EQ(int(loaded->scene.meshes.size()), c.meshes);
        EXPECT_EQ(loaded->scene.cameraCount, c.cameras);
        EXPECT_EQ(int(loaded->scene.cameras.size()), c.cameras);
    }
}

TEST(SceneLoad, EmptyAndUnknownKindNodesCreateNothing) {
    SceneBytes f;
    f.Start(1).U16(4).EmptyNode();
    const size_t kind3At = f.bytes.size();
    f.FullNode(3);
    ASSERT_EQ(f.bytes.size() - kind3At, 50u);
    f.LightNode(Pose(1, 2, 3), 1.0f, 0.5f, 0.25f, 2.0f, 7).EmptyNode();
    const auto loaded = LoadBytes(f.bytes);
    ASSERT_TRUE(loaded->ok);
    const Scene& s = loaded->scene;
    EXPECT_EQ(s.meshCount + s.cameraCount, 0);
    ASSERT_EQ(s.lightCount, 1);  // the file's light, no default light
    ASSERT_EQ(s.lights.size(), 1u);
    const D3DLIGHT9& l = s.lights[0];
    EXPECT_EQ(l.Type, D3DLIGHT_POINT);  // whatever kind the file gives
    ExpectColour(l.Diffuse, 2.0f, 1.0f, 0.5f, 0);
    ExpectColour(l.Specular, 2.0f * 0.3f, 1.0f * 0.3f, 0.5f * 0.3f, 0);
    ExpectColour(l.Ambient, 2.0f * 0.1f, 1.0f * 0.1f, 0.5f * 0.1f, 0);
    EXPECT_EQ(l.Position.x, 1.0f);
    EXPECT_EQ(l.Position.y, 2.0f);
    EXPECT_EQ(l.Position.z, 3.0f);
    EXPECT_EQ(std::bit_cast<uint32_t>(l.Range), 0x5F7FFFFFu);
    EXPECT_EQ(l.Attenuation0, 1.0f);
}

TEST(SceneLoad, TheDefaultLightComesOnlyWithoutLightNodes) {
    SceneBytes two;
    two.Start(1).U16(2).LightNode(Pose(0, 0, 0), 1, 1, 1, 1).LightNode(Pose(0, 5, 0), 0, 1, 0, 1);
    const auto lit = LoadBytes(two.bytes);
    ASSERT_TRUE(lit->ok);
    EXPECT_EQ(lit->scene.lightCount, 2);
    EXPECT_EQ(lit->scene.lights[1].Position.y, 5.0f);

    SceneBytes none;
    none.Start(1).U16(1).TriangleMesh();
    const auto dark = LoadBytes(none.bytes);
    ASSERT_TRUE(dark->ok);
    ASSERT_EQ(dark->scene.lightCount, 1);
    ExpectDefaultLight(dark->scene.lights[0]);
}

TEST(SceneLoad, ChangeMasksKeepUnflaggedComponents) {
    SceneBytes f;
    f.Start(1).U16(1).FullNode(0).U16(0).U32(0).U32(0);
    f.I32(4).Key({{1, 2, 3}, {0.1f, 0.2f, 0.3f, 0.4f}, {5, 6, 7}});
    f.U8(0x00);                         // key 1 repeats key 0
    f.U8(0x01).Floats({8, 9, 10});      // key 2: new scale only
    f.U8(0xA8).Floats({-1, -3, 0.9f});  // key 3: position x, z and rotation y
    const auto loaded = LoadBytes(f.bytes);
    ASSERT_TRUE(loaded->ok);
    ASSERT_EQ(loaded->scene.meshes.size(), 1u);
    const Mesh& mesh = *loaded->scene.meshes[0];
    EXPECT_EQ(mesh.vertexCount + mesh.triangleCount, 0u);
    const auto& keys = mesh.track.keys;
    ASSERT_EQ(keys.size(), 4u);
    ASSERT_EQ(mesh.track.velocities.size(), 4u);
    for (size_t k = 1; k < 3; ++k) {
        EXPECT_EQ(keys[k].position.x, 1.0f);
        EXPECT_EQ(keys[k].position.z, 3.0f);
        EXPECT_EQ(keys[k].rotation.w, 0.4f);
    }
    EXPECT_EQ(keys[1].scale.z, 7.0f);
    EXPECT_EQ(keys[2].scale.x, 8.0f);
    EXPECT_EQ(keys[2].scale.z, 10.0f);
    EXPECT_EQ(keys[3].position.x, -1.0f);
    EXPECT_EQ(keys[3].position.y, 2.0f);
    EXPECT_EQ(keys[3].position.z, -3.0f);
    EXPECT_EQ(keys[3].rotation.x, 0.1f);
    EXPECT_EQ(keys[3].rotation.y, 0.9f);
    EXPECT_EQ(keys[3].scale.y, 9.0f);
}

TEST(SceneLoad, MeshesAndCamerasKeepWhatTheFileSays) {
    const std::vector<KeyPose> eye = {Pose(0, 0, -10), Pose(0, 1, -10), Pose(2, 1, -10)};
    SceneBytes f;
    f.Start(3).U16(3).MeshNode(2, {1, 2, 3, 0, 0, -1, 0.5f, 0.25f, 4, 5, 6, 0, 1, 0, 1, 1}, {0, 1, 1, 1, 0, 0},
                               {Pose(0, 0, 0), Pose(1, 0, 0)}, Pose(7, 8, 9));
    f.CameraNode(0.5f, {Pose(0, 0, 1)}, eye, 4, 5, 6);
    const auto loaded = LoadBytes(f.bytes);
    ASSERT_TRUE(loaded->ok);
    const Mesh& mesh = *loaded->scene.meshes[0];
    EXPECT_EQ(mesh.materialIndex, 2);
    ASSERT_EQ(mesh.vertices.size(), 2u);
    EXPECT_EQ(mesh.vertices[1].x, 4.0f);
    EXPECT_EQ(mesh.vertices[0].u, 0.5f);
    EXPECT_EQ(mesh.vertices[0].v, 0.25f);
    EXPECT_EQ(mesh.triangleCount, 2u);
    EXPECT_EQ(mesh.indices, (std::vector<uint16_t>{0, 1, 1, 1, 0, 0}));
    EXPECT_EQ(mesh.nodeTransform.position.x, 7.0f);
    EXPECT_EQ(mesh.track.keys.size(), 2u);
    const Camera& camera = loaded->scene.cameras[0];
    EXPECT_EQ(camera.fov, 0.5f);
    EXPECT_EQ(camera.target.y, 5.0f);
    ASSERT_EQ(camera.eyeTrack.keys.size(), 3u);
    EXPECT_EQ(camera.eyeTrack.keys[2].position.x, 2.0f);
    EXPECT_EQ(camera.targetTrack.keys[0].position.z, 1.0f);
    EXPECT_EQ(camera.eye.z, -100.0f);  // the defaults until the camera is used
}

TEST(SceneLoad, MaterialCountsOfZeroAndBelowGiveNoMaterials) {
    for (int32_t count : {0, -1, -2147483647 - 1}) {
        SceneBytes f;
        f.Header().I32(count).U16(1).TriangleMesh();
        const auto loaded = LoadBytes(f.bytes);
        ASSERT_TRUE(loaded->ok) << count;
        EXPECT_EQ(loaded->scene.materialCount, count);
        EXPECT_TRUE(loaded->scene.materials.empty());
        EXPECT_EQ(loaded->scene.meshCount, 1);
    }
}

TEST(SceneLoad, AFileThatCannotBeOpenedGivesTheOneMessage) {
    ScratchDir dir;
    for (const std::string& path : {dir.File("missing.SCENE"), dir.path}) {
        Scene scene;
        MessageLog log;
        EXPECT_FALSE(scene.Load(path));
        ASSERT_EQ(log.boxes.size(), 1u);
        EXPECT_EQ(log.boxes[0].first, "Kunne ikke loade scene");
        EXPECT_EQ(log.boxes[0].second, "Error!");
        EXPECT_TRUE(scene.lights.empty());
        EXPECT_EQ(scene.lightCount, 0);
    }
}

void ExpectRejected(const std::vector<unsigned char>& bytes, const char* problem) {
    std::string path;
    const auto loaded = LoadBytes(bytes, &path);
    EXPECT_FALSE(loaded->ok);
    ASSERT_EQ(loaded->boxes.size(), 1u);
    const std::string& text = loaded->boxes[0].first;
    EXPECT_EQ(loaded->boxes[0].second, "Error!");
    EXPECT_NE(text.find(path), std::string::npos) << text;
    EXPECT_NE(text.find(problem), std::string::npos) << text;
    // Nothing of a failed load is kept.
    const Scene& s = loaded->scene;
    EXPECT_EQ(s.materialCount + s.meshCount + s.lightCount + s.cameraCount, 0);
    EXPECT_TRUE(s.materials.empty() && s.meshes.empty() && s.lights.empty() && s.cameras.empty());
}

TEST(SceneLoad, ATruncatedFileFailsAtEveryCut) {
    SceneBytes f;
    f.Start(2).U16(5).EmptyNode().TriangleMesh(1).LightNode(Pose(0, 1, 0), 1, 1, 1, 1);
    f.CameraNode(1.0f, {Pose(0, 0, 0), Pose(1, 0, 0)}, {Pose(0, 0, -9)});
    ASSERT_TRUE(LoadBytes(f.bytes)->ok);
    for (size_t cut = 0; cut < f.bytes.size(); cut += (cut < 140 ? 1 : 7)) {
        SCOPED_TRACE(cut);
        ExpectRejected(std::vector<unsigned char>(f.bytes.begin(), f.bytes.begin() + long(cut)), "file");
    }
}

TEST(SceneLoad, OutOfRangeCountsFailTheLoad) {
    const auto meshWith = [](uint32_t vertexCount, uint32_t triangleCount, std::vector<uint16_t> indices) {
        SceneBytes f;
        f.Start(1).U16(1).FullNode(0).U16(0).U32(vertexCount);
        for (uint32_t i = 0; i < std::min(vertexCount, 3u) * 8; ++i) f.F32(0.0f);
        f.U32(triangleCount);
        for (uint16_t i : indices) f.U16(i);
        f.Track({Pose(0, 0, 0)});
        return f.bytes;
    };
    SceneBytes manyMaterials;
    manyMaterials.Header().I32(65536).U16(0);
    ExpectRejected(manyMaterials.bytes, "above 65535");
    SceneBytes shortMaterials;
    shortMaterials.Header().I32(3).GreyMaterial(1).U16(0);
    ExpectRejected(shortMaterials.bytes, "too short for the materials");
    ExpectRejected(meshWith(0xFFFFFFFFu, 0, {}), "too short for a mesh's vertices");
    ExpectRejected(meshWith(3, 0x7FFFFFFFu, {0, 1, 2}), "too short for a mesh's triangles");
    for (int32_t keys : {0, -1, -2147483647 - 1}) {
        SceneBytes f;
        f.Start(1).U16(1).FullNode(0).U16(0).U32(0).U32(0).I32(keys);
        ExpectRejected(f.bytes, "below 1");
    }
    SceneBytes hugeTrack;
    hugeTrack.Start(1).U16(1).CameraNode(1, {Pose(0, 0, 0)}, {Pose(0, 0, 0)});
    hugeTrack.bytes.resize(hugeTrack.bytes.size() - 44);  // re-write the eye track's key count
    hugeTrack.I32(2147483647).Key(Pose(0, 0, 0));
    ExpectRejected(hugeTrack.bytes, "too short for a track's keys");

    // Keys of one byte each cost hundreds in memory: the scene's keys are capped, across tracks too.
    const auto cameraWithKeys = [](int32_t targetKeys, int32_t eyeKeys) {
        SceneBytes f;
        f.Start(1).U16(2).CameraNode(1, {Pose(0, 0, 0)}, {Pose(0, 0, 0)});
        f.bytes.resize(f.bytes.size() - 88);  // re-write both tracks with all-unchanged keys
        f.I32(targetKeys).Key(Pose(0, 0, 0));
        f.bytes.resize(f.bytes.size() + size_t(targetKeys - 1), 0);
        f.I32(eyeKeys).Key(Pose(0, 0, 0));
        f.bytes.resize(f.bytes.size() + size_t(eyeKeys - 1), 0);
        return f.bytes;
    };
    EXPECT_TRUE(LoadBytes(cameraWithKeys(1 << 17, 1 << 17))->ok);
    ExpectRejected(cameraWithKeys(1 << 17, (1 << 17) + 1), "key limit");
    ExpectRejected(cameraWithKeys((1 << 18) + 1, 1), "key limit");
}

TEST(SceneLoad, DamagedBytesEitherLoadOrFailWithOneMessage) {
    SceneBytes f;
    f.Start(2).U16(5).EmptyNode().TriangleMesh(1).LightNode(Pose(0, 1, 0), 1, 1, 1, 1);
    f.CameraNode(1.0f, {Pose(0, 0, 0), Pose(1, 0, 0), Pose(1, 2, 0)}, {Pose(0, 0, -9)});
    std::mt19937 random(1234);  // fixed: the same damage on every run
    for (int round = 0; round < 400; ++round) {
        std::vector<unsigned char> bytes = f.bytes;
        for (int hits = 1 + int(random() % 4); hits > 0; --hits) bytes[random() % bytes.size()] = uint8_t(random());
        const auto loaded = LoadBytes(bytes);
        EXPECT_EQ(loaded->boxes.size(), loaded->ok ? 0u : 1u) << round;
        if (!loaded->ok) continue;
        for (const auto& mesh : loaded->scene.meshes) {
            EXPECT_EQ(mesh->vertices.size(), mesh->vertexCount);
            EXPECT_EQ(mesh->indices.size(), size_t(mesh->triangleCount) * 3);
        }
    }
}

}  // namespace
