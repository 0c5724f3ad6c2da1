// Drawing scenes on the headless device: camera choice, projection, lighting and light slots, read
// back from a 512x512 render target as the show uses them.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <fstream>
#include <memory>

#include "platform/d3dwindow.h"
#include "platform/device_readback.h"
#include "scene/scene.h"
#include "tests/common/headless.h"
#include "tests/scene/scene_bytes.h"

namespace {

constexpr UINT kSize = 512;

// A quad in the plane z, facing -z, counter-clockwise on screen from the front (kept by CW culling).
SceneBytes& Quad(SceneBytes& f, float halfW, float halfH, float z, const std::vector<KeyPose>& track,
                 uint16_t material = 0, bool reversed = false, const KeyPose& node = Pose(0, 0, 0)) {
    std::vector<float> v;
    const float corners[4][2] = {{-halfW, -halfH}, {halfW, -halfH}, {halfW, halfH}, {-halfW, halfH}};
    for (const auto& c : corners) v.insert(v.end(), {c[0], c[1], z, 0, 0, -1, 0, 0});
    std::vector<uint16_t> triangles = {0, 2, 3, 0, 1, 2};
    if (reversed) triangles = {0, 3, 2, 0, 2, 1};
    return f.MeshNode(material, v, triangles, track, node);
}

SceneBytes& Material(SceneBytes& f, float ar, float ag, float ab, float dr, float dg, float db) {
    const float a[3] = {ar, ag, ab}, d[3] = {dr, dg, db}, s[3] = {0, 0, 0};
    return f.Material(1, a, d, s, 10);
}

int calls = 0;
FreeFlyInput CountedNoInput() {
    ++calls;
    return {};
}

class SceneDrawTest : public ::testing::Test {
protected:
    void SetUp() override {
        UseHeadlessDevice();
        ASSERT_NE(device, nullptr);
        ASSERT_EQ(device->CreateTexture(kSize, kSize, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT,
                                        &target, nullptr),
                  D3D_OK);
        target->GetSurfaceLevel(0, &surface);
        device->GetRenderTarget(0, &backBuffer);
        device->SetRenderTarget(0, surface);
        for (DWORD slot = 0; slot < 8; ++slot) device->LightEnable(slot, FALSE);  // no light from other tests
        device->SetRenderState(D3DRS_AMBIENT, 0);
        calls = 0;
        SetFreeFlyInputSource(CountedNoInput);
        Clear();
    }
    void TearDown() override {
        SetFreeFlyInputSource(nullptr);
        scenes.clear();
        device->SetRenderTarget(0, backBuffer);
        backBuffer->Release();
        surface->Release();
        target->Release();
    }

    void Clear() {
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    }

    Scene& Load(const SceneBytes& f) {
        const std::string path = dir.File(std::to_string(scenes.size()).insert(0, 1, 's') + ".SCENE");
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(f.bytes.data()), long(f.bytes.size()));
        scenes.push_back(std::make_unique<Scene>());
        EXPECT_TRUE(scenes.back()->Load(path));
        return *scenes.back();
    }

    void Read() {
        UINT w = 0, h = 0;
        ASSERT_EQ(PlatformReadRenderTarget(device, &pixels, &w, &h), D3D_OK);
        ASSERT_EQ(w, kSize);
        ASSERT_EQ(h, kSize);
    }
    // (r, g, b, a) of a pixel, row 0 at the top.
    std::array<int, 4> At(int x, int y) const {
        const uint8_t* p = &pixels[(size_t(y) * kSize + size_t(x)) * 4];
        return {p[2], p[1], p[0], p[3]};
    }
    bool Covered(int x, int y) const { return At(x, y)[3] != 0; }

    ScratchDir dir;
    std::vector<std::unique_ptr<Scene>> scenes;
    IDirect3DTexture9* target = nullptr;
    IDirect3DSurface9* surface = nullptr;
    IDirect3DSurface9* backBuffer = nullptr;
    std::vector<uint8_t> pixels;
};

void ExpectRgba(std::array<int, 4> p, float r, float g, float b, int a) {
    EXPECT_NEAR(p[0], r * 255.0f, 2.0f) << "red";
    EXPECT_NEAR(p[1], g * 255.0f, 2.0f) << "green";
    EXPECT_NEAR(p[2], b * 255.0f, 2.0f) << "blue";
    EXPECT_EQ(p[3], a) << "alpha";
}

TEST_F(SceneDrawTest, CameraIndicesBelowTheCountUseThoseCamerasAndAllOthersTheFreeCamera) {
    SceneBytes f;
    f.Start(1).U16(6);
    for (int c = 0; c < 3; ++c)
        f.CameraNode(1.0f, {Pose(float(c), 0, 0)}, {Pose(float(c), 0, -10), Pose(float(c), 2, -10)});
    Scene& scene = Load(f);
    ASSERT_EQ(scene.cameras.size(), 3u);

    scene.Render(0.0f);  // a freshly loaded scene flies free
    EXPECT_EQ(calls, 1);
    for (int index : {0, 1, 2}) {
        SCOPED_TRACE(index);
        scene.SelectCamera(index);
        scene.Render(0.05f);
        EXPECT_EQ(calls, 1);
        const Camera& used = scene.cameras[size_t(index)];
        EXPECT_FLOAT_EQ(used.eye.x, float(index));
        EXPECT_FLOAT_EQ(used.eye.y, 1.0f);  // halfway between the eye keys
        EXPECT_FLOAT_EQ(used.eye.z, -10.0f);
        EXPECT_FLOAT_EQ(used.target.x, float(index));
        if (index < 2) {
            EXPECT_EQ(scene.cameras[size_t(index) + 1].eye.z, -100.0f);  // not touched yet
        }
    }
    for (int index : {3, 4, 100, 1000, -1}) {
        SCOPED_TRACE(index);
        const int before = calls;
        scene.SelectCamera(index);
        scene.Render(0.0f);
        EXPECT_EQ(calls, before + 1);
    }
    EXPECT_EQ(scene.freeCamera.target.z, -99.0f);

    SceneBytes noCameras;
    noCameras.Start(1).U16(0);
    Scene& empty = Load(noCameras);
    empty.SelectCamera(0);
    calls = 0;
    empty.Render(0.0f);
    EXPECT_EQ(calls, 1);
}

TEST_F(SceneDrawTest, ALitMeshHasTheColourOfTheLightingRules) {
    SceneBytes f;
    f.Header().I32(2);
    Material(f, 2, 4, 6, 0.5f, 0.25f, 0.75f);
    Material(f, 0, 0, 0, 1, 1, 1).U16(4);
    Quad(f, 2, 2, 0, {Pose(0, 0, 0)}, 0, false, Pose(100, 0, 0));  // drawn from its track, not its node
    Quad(f, 1, 1, -1, {Pose(0, 0, 0)}, 1, /*reversed=*/true);      // in front, but clockwise: culled
    f.LightNode(Pose(0, 0, -10000), 1.0f, 1.0f, 0.5f, 0.8f);       // far ahead: N.L is 1 at every vertex
    f.CameraNode(1.0f, {Pose(0, 0, 0)}, {Pose(0, 0, -10)});
    Scene& scene = Load(f);
    scene.SelectCamera(0);
    scene.Render(0.0f);
    Read();
    // ambient 0.05 x (2,4,6) x light ambient 0.1 x 0.8 x (1,1,0.5) + diffuse (0.5,0.25,0.75) x 0.8 x (1,1,0.5)
    const float r = 0.1f * 0.08f + 0.5f * 0.8f, g = 0.2f * 0.08f + 0.25f * 0.8f, b = 0.3f * 0.04f + 0.75f * 0.4f;
    for (auto [x, y] : {std::pair{256, 256}, {300, 200}, {220, 330}}) ExpectRgba(At(x, y), r, g, b, 255);
    ExpectRgba(At(5, 5), 0, 0, 0, 0);  // uncovered pixels keep the clear
}

// A triangle naming a vertex the mesh does not have loads as it is; the scene never draws that mesh, so
// the mesh alone goes undrawn and the rest of the scene draws as before.
TEST_F(SceneDrawTest, AMeshWithAVertexIndexBeyondItsVerticesLoadsAndIsNotDrawn) {
    SceneBytes f;
    f.Start(1).U16(4);
    Quad(f, 1, 1, 0, {Pose(-2, 0, 0)});  // left of centre: drawn
    std::vector<float> v;
    for (auto c : {std::pair{-1.0f, -1.0f}, {1.0f, -1.0f}, {1.0f, 1.0f}, {-1.0f, 1.0f}})
        v.insert(v.end(), {c.first, c.second, 0, 0, 0, -1, 0, 0});
    f.MeshNode(0, v, {0, 2, 3, 0, 1, 4}, {Pose(2, 0, 0)});  // right of centre: index 4 of 4 vertices
    f.LightNode(Pose(0, 0, -10000), 1, 1, 1, 1);
    f.CameraNode(1.0f, {Pose(0, 0, 0)}, {Pose(0, 0, -10)});
    MessageLog log;
    Scene& scene = Load(f);
    EXPECT_TRUE(log.boxes.empty());
    ASSERT_EQ(scene.meshes.size(), 2u);
    EXPECT_EQ(scene.meshes[1]->indices[5], 4);
    scene.SelectCamera(0);
    scene.Render(0.0f);
    Read();
    // Screen pixel of a point in the plane z = 0, seen from 10 units with fov 1.
    const auto pixel = [](float x, float y) {
        const float k = 256.0f / 10.0f / std::tan(0.5f);
        return std::pair{int(256.0f + x * k / (4.0f / 3.0f)), int(256.0f - y * k)};
    };
    const auto [lx, ly] = pixel(-2.5f, 0.5f);
    EXPECT_TRUE(Covered(lx, ly));
    const auto [rx, ry] = pixel(1.5f, 0.5f);  // inside the right mesh's first, well-formed triangle
    EXPECT_FALSE(Covered(rx, ry));
}

TEST_F(SceneDrawTest, ProjectionUsesTheCameraFovAspectFourThirdsNearOneAndFarOneThousand) {
    // fov 1.0 from 10 units away: a half-width of 2 lands at 2/10 x cot(0.5) / (4/3) of the half-screen.
    const float cot = 1.0f / std::tan(0.5f);
    const float right = 256.0f + 256.0f * 0.2f * cot / (4.0f / 3.0f);
    const float top = 256.0f - 256.0f * 0.2f * cot;
    SceneBytes f;
    f.Start(1).U16(6);
    Quad(f, 2, 2, 0, {Pose(0, 0, 0)});
    Quad(f, 1000, 1000, -9.5f, {Pose(0, 0, 0)});    // half a unit in front of the eye: before the near plane
    Quad(f, 1000, 1000, 1000.5f, {Pose(0, 0, 0)});  // beyond the far plane
    f.LightNode(Pose(0, 0, -10000), 1, 1, 1, 1);
    f.CameraNode(1.0f, {Pose(0, 0, 0)}, {Pose(0, 0, -10)});
    Scene& scene = Load(f);
    scene.SelectCamera(0);
    scene.Render(0.0f);
    Read();
    EXPECT_TRUE(Covered(int(right) - 2, 256));
    EXPECT_FALSE(Covered(int(right) + 2, 256));
    EXPECT_TRUE(Covered(256, int(top) + 2));
    EXPECT_FALSE(Covered(256, int(top) - 2));
    EXPECT_TRUE(Covered(int(512 - right) + 2, int(512 - top) - 2));
    EXPECT_FALSE(Covered(10, 256));
}

TEST_F(SceneDrawTest, TheFreeCameraFirstLooksFromMinusHundredAlongZWithAQuarterPiFov) {
    const float cot = 1.0f / std::tan(float(M_PI) / 8.0f);
    const float right = 256.0f + 256.0f * 0.1f * cot / (4.0f / 3.0f);  // half-width 10 at distance 100
    SceneBytes f;
    f.Start(1).U16(1);
    Quad(f, 10, 10, 0, {Pose(0, 0, 0)});
    Scene& scene = Load(f);  // no light node: the default light above the quad lights it edge-on
    scene.Render(0.0f);
    Read();
    EXPECT_TRUE(Covered(int(right) - 2, 256));
    EXPECT_FALSE(Covered(int(right) + 2, 256));
    EXPECT_TRUE(Covered(256, 256));
}

TEST_F(SceneDrawTest, MeshesMoveAlongTheirTracks) {
    SceneBytes f;
    f.Start(1).U16(3);
    Quad(f, 1, 1, 0, {Pose(0, 0, 0), Pose(4, 0, 0)});
    f.CameraNode(1.0f, {Pose(0, 0, 0)}, {Pose(0, 0, -10)});
    Scene& scene = Load(f);
    scene.SelectCamera(0);
    const float atTwo = 256.0f + 256.0f * 0.2f * (1.0f / std::tan(0.5f)) / (4.0f / 3.0f);
    scene.Render(0.05f);  // halfway: centred on x = 2
    Read();
    EXPECT_TRUE(Covered(int(atTwo), 256));
    EXPECT_FALSE(Covered(256, 256));
    Clear();
    scene.Render(0.25f);  // past the end: key 0 again
    Read();
    EXPECT_TRUE(Covered(256, 256));
    EXPECT_FALSE(Covered(int(atTwo), 256));
}

TEST_F(SceneDrawTest, LightSlotsBeyondTheSceneKeepAnEarlierScenesLights) {
    SceneBytes three;
    three.Start(1).U16(3);
    three.LightNode(Pose(0, 0, -10000), 0, 0, 0, 0).LightNode(Pose(0, 0, -10000), 1, 0, 0, 0.5f);
    three.LightNode(Pose(0, 0, -10000), 0, 0, 0, 0);
    SceneBytes one;
    one.Header().I32(1);
    Material(one, 0, 0, 0, 1, 1, 1).U16(4);
    Quad(one, 2, 2, 0, {Pose(0, 0, 0)});
    one.LightNode(Pose(0, 0, -10000), 0, 1, 0, 0.5f);
    one.CameraNode(1.0f, {Pose(0, 0, 0)}, {Pose(0, 0, -10)});
    Scene& first = Load(three);
    Scene& second = Load(one);
    second.SelectCamera(0);

    second.Render(0.0f);
    Read();
    ExpectRgba(At(256, 256), 0, 0.5f, 0, 255);

    Clear();
    first.Render(0.0f);  // draws nothing, leaves slots 0 to 2 enabled
    second.Render(0.0f);
    Read();
    ExpectRgba(At(256, 256), 0.5f, 0.5f, 0, 255);  // slot 1 still holds the first scene's red
}

TEST_F(SceneDrawTest, MissingMaterialsAndOutOfRangeIndicesStillDraw) {
    SceneBytes f;
    f.Header().I32(0).U16(3);
    Quad(f, 2, 2, 0, {Pose(0, 0, 0)}, /*material=*/7);
    f.CameraNode(1.0f, {Pose(0, 0, 0)}, {Pose(0, 0, -10)});
    Scene& scene = Load(f);
    scene.SelectCamera(0);
    scene.Render(0.0f);
    Read();
    EXPECT_TRUE(Covered(256, 256));  // drawn with whatever material the device held
}

TEST(FreeFlyPlatform, TheCursorOffsetTurnsTheCameraAndTheCursorGoesHome) {
    UseHeadlessDevice();
    SetFreeFlyInputSource(nullptr);
    SetCursorPos(320 + 360, 240);
    Camera camera;
    camera.FreeFlyUpdate();
    EXPECT_NEAR(camera.direction.x, std::sin(1.0f), 1e-5f);
    EXPECT_NEAR(camera.direction.z, std::cos(1.0f), 1e-5f);
    POINT cursor{};
    GetCursorPos(&cursor);
    EXPECT_EQ(cursor.x, 320);
    EXPECT_EQ(cursor.y, 240);
    EXPECT_EQ(camera.eye.z, -100.0f);  // no key is down on the headless device
}

}  // namespace
