// The show's generated content meets the show's needs: the composition loads with the wired layers
// and elements, every image it names resolves and decodes, the scenes load with the cameras the show
// selects, front faces survive clockwise culling, tracks loop, overdraw stays in budget, the bytes
// are the same on every run, and each window's view shows in the picture.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "composition/composition.h"
#include "content/assets/composition_kit.h"
#include "content/assets/font_text.h"
#include "content/content.h"
#include "gfx/image.h"
#include "gfx/texture.h"
#include "platform/d3dwindow.h"
#include "scene/scene.h"
#include "tests/common/headless.h"

namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class ShowContent : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir = new ScratchDir;
        made = MakeVisualContent(dir->path);
    }
    static void TearDownTestSuite() {
        delete dir;
        dir = nullptr;
    }
    void SetUp() override {
        ASSERT_TRUE(made);
        UseHeadlessDevice();
        previous = fs::current_path();
        fs::current_path(dir->path);
        fileTextures = &registry;
    }
    void TearDown() override {
        targets.ReleaseAll();
        registry.ReleaseAll();
        fileTextures = nullptr;
        fs::current_path(previous);
    }
    static float Alpha(const Composition& c, int layer, int element, float t) {
        return c.layers[size_t(layer)].track.Sample(t).alpha *
               c.layers[size_t(layer)].elements[size_t(element)].track.Sample(t).alpha;
    }

    static inline ScratchDir* dir = nullptr;
    static inline bool made = false;
    TextureRegistry registry, targets;
    fs::path previous;
};

TEST_F(ShowContent, CompositionHasTheWiredElementsAndEveryImageResolves) {
    MessageLog log;
    Composition c;
    ASSERT_TRUE(c.Load("data/virelle.cda"));
    EXPECT_TRUE(log.boxes.empty());
    ASSERT_GE(c.layers.size(), 19u);
    ASSERT_GE(c.layers[11].elements.size(), 2u);
    ASSERT_GE(c.layers[16].elements.size(), 2u);
    ASSERT_GE(c.layers[18].elements.size(), 3u);
    // The four elements that show the 512 x 512 targets have square quads of that size.
    for (auto [layer, element] : {std::pair{16, 0}, {11, 1}, {18, 1}, {18, 2}}) {
        const Element& e = c.layers[size_t(layer)].elements[size_t(element)];
        EXPECT_EQ(e.halfWidth, 256.0f) << layer << "/" << element;
        EXPECT_EQ(e.halfHeight, 256.0f) << layer << "/" << element;
    }
    std::set<std::string> named;
    for (const Layer& layer : c.layers)
        for (const Element& e : layer.elements) {
            ASSERT_NE(e.texture, nullptr) << e.textureName;
            EXPECT_TRUE(fs::exists("data/" + e.textureName)) << e.textureName;
            named.insert(e.textureName);
        }
    // Every image in data/ is named, decodes, is a power of two on both sides; formats vary.
    std::set<ImageType> types;
    for (const auto& entry : fs::directory_iterator("data")) {
        const std::string name = entry.path().filename().string();
        if (name.ends_with(".SCENE") || name.ends_with(".cda")) continue;
        EXPECT_TRUE(named.count(name)) << name << " is not used";
        const std::vector<uint8_t> bytes = ReadAll(entry.path());
        DecodedImage image;
        std::string error;
        ASSERT_TRUE(DecodeImage(bytes.data(), bytes.size(), DecodeLimits{}, &image, &error)) << name << ": " << error;
        const ImageLevel& level = image.levels[0];
        EXPECT_TRUE(std::has_single_bit(level.width) && std::has_single_bit(level.height)) << name;
        types.insert(image.type);
    }
    EXPECT_EQ(types,
              (std::set<ImageType>{ImageType::Bmp, ImageType::Dds, ImageType::Jpeg, ImageType::Png, ImageType::Tga}));
}

// A view must not show before its window has drawn into its target, nor while another window owns it.
TEST_F(ShowContent, ViewsAreHiddenOutsideTheirWindowsAndShowInside) {
    Composition c;
    ASSERT_TRUE(c.Load("data/virelle.cda"));
    const struct {
        const char* view;
        int layer, element;
        std::vector<float> hidden, shown;
    } views[] = {
        {"solo", 11, 1, {0, 30, 43.99f, 44.0f, 60, 70, 80, 92, 95, 120, 140}, {45.5f, 50, 54}},
        {"ringer", 16, 0, {0, 44.5f, 50, 68.99f, 69.0f, 94.0f, 95, 120, 140}, {69.5f, 75, 80, 92.5f}},
        {"duet ostrel", 18, 1, {0, 50, 80, 93.9f, 94.0f}, {96, 110, 130}},
        {"duet park", 18, 2, {0, 50, 80, 93.9f, 94.0f}, {96, 110, 130}},
    };
    for (const auto& v : views) {
        for (float t : v.hidden) EXPECT_EQ(Alpha(c, v.layer, v.element, t), 0.0f) << v.view << " at " << t;
        for (float t : v.shown) EXPECT_GT(Alpha(c, v.layer, v.element, t), 0.9f) << v.view << " at " << t;
    }
}

struct SceneNeed {
    const char* file;
    int cameras;
    float loop;  // scene time over which animated tracks close on themselves
};
const SceneNeed kScenes[] = {
    {"data/ringer.SCENE", 3, 3.1f}, {"data/ostrel.SCENE", 1, 3.1f}, {"data/park.SCENE", 3, 2.0f}};

TEST_F(ShowContent, ScenesLoadWithTheirCamerasLightsAndFrontFacesThatSurviveCulling) {
    for (const SceneNeed& need : kScenes) {
        MessageLog log;
        Scene scene;
        ASSERT_TRUE(scene.Load(need.file)) << need.file;
        EXPECT_TRUE(log.boxes.empty());
        EXPECT_GE(scene.cameraCount, need.cameras) << need.file;
        EXPECT_GE(scene.lightCount, 3) << need.file;  // its own point lights, not the default one
        size_t triangles = 0;
        for (const auto& mesh : scene.meshes) {
            triangles += mesh->indices.size() / 3;
            ASSERT_LT(mesh->materialIndex, scene.materials.size());
            for (size_t i = 0; i + 2 < mesh->indices.size(); i += 3) {
                const MeshVertex& a = mesh->vertices[mesh->indices[i]];
                const MeshVertex& b = mesh->vertices[mesh->indices[i + 1]];
                const MeshVertex& v = mesh->vertices[mesh->indices[i + 2]];
                const D3DXVECTOR3 e1{b.x - a.x, b.y - a.y, b.z - a.z}, e2{v.x - a.x, v.y - a.y, v.z - a.z};
                const D3DXVECTOR3 n{a.nx + b.nx + v.nx, a.ny + b.ny + v.ny, a.nz + b.nz + v.nz};
                D3DXVECTOR3 cross;
                D3DXVec3Cross(&cross, &e1, &e2);
                // Seen from the side the normals face, the triangle runs counter-clockwise.
                ASSERT_LT(D3DXVec3Dot(&cross, &n), 0.0f) << need.file << " triangle " << i / 3;
            }
            // Animated tracks hold 10 keys per second over the loop.
            if (mesh->track.keys.size() > 1) {
                ASSERT_EQ(mesh->track.keys.size(), size_t(std::lround(need.loop * 10)) + 1) << need.file;
            }
        }
        // Loops close: where each animated mesh ends, it or a twin (same shape and material, such as
        // the next petal of a turning ring) began, so the restart does not jump.
        if (need.loop > 3) {
            for (const auto& mesh : scene.meshes) {
                if (mesh->track.keys.size() < 2) continue;
                const Transform& last = mesh->track.keys.back();
                bool closes = false;
                for (const auto& twin : scene.meshes) {
                    if (twin->vertices.size() != mesh->vertices.size() || twin->materialIndex != mesh->materialIndex)
                        continue;
                    const Transform& first = twin->track.keys.front();
                    const float dot = first.rotation.x * last.rotation.x + first.rotation.y * last.rotation.y +
                                      first.rotation.z * last.rotation.z + first.rotation.w * last.rotation.w;
                    closes =
                        closes || (std::fabs(first.position.x - last.position.x) < 0.05f &&
                                   std::fabs(first.position.y - last.position.y) < 0.05f &&
                                   std::fabs(first.position.z - last.position.z) < 0.05f && std::fabs(dot) > 0.999f);
                }
                EXPECT_TRUE(closes) << need.file;
            }
        }
        EXPECT_GE(triangles, 1500u) << need.file;
        EXPECT_LE(triangles, 6000u) << need.file;
        for (const Camera& camera : scene.cameras)
            EXPECT_EQ(camera.eyeTrack.keys.size(), size_t(std::lround(need.loop * 10)) + 1) << need.file;
    }
}

// The same bytes on every run, and the picture never costs more than about 8 full screens.
TEST_F(ShowContent, GenerationIsDeterministicAndOverdrawStaysInBudget) {
    ScratchDir again;
    ASSERT_TRUE(MakeVisualContent(again.path));
    TextureTable table;
    size_t files = 0;
    for (const auto& entry : fs::directory_iterator("data")) {
        const std::string name = entry.path().filename().string();
        EXPECT_EQ(ReadAll(entry.path()), ReadAll(fs::path(again.path) / "data" / name)) << name;
        ++files;
        const std::vector<uint8_t> bytes = ReadAll(entry.path());
        DecodedImage image;
        std::string error;
        if (DecodeImage(bytes.data(), bytes.size(), DecodeLimits{}, &image, &error))
            table[name] = TextureInfo{int(image.levels[0].width), int(image.levels[0].height)};
    }
    EXPECT_EQ(files,
              size_t(std::distance(fs::directory_iterator(fs::path(again.path) / "data"), fs::directory_iterator())));
    Font font(kShowFontPath);
    ASSERT_TRUE(font.ok());
    const CdaComposition c = BuildComposition(table, font);
    EXPECT_EQ(WriteCda(c), ReadAll("data/virelle.cda"));
    float worst = 0;
    for (int i = 0; i <= 1500; ++i) worst = std::max(worst, OverdrawAt(c, table, float(i) * 0.1f));
    EXPECT_LE(worst, 8.5f);
    EXPECT_GE(worst, 4.0f);  // the estimate sees the always-on backdrop
}

struct Picture {
    std::vector<uint8_t> bgra;
    UINT width = 0, height = 0;
};

Picture ReadBound() {
    Picture p;
    EXPECT_EQ(device->ReadRenderTarget(&p.bgra, &p.width, &p.height), D3D_OK);
    return p;
}

// Each window's scene drawn into its target as the show does, then the composition at a time inside
// the window: where the view sits, the picture differs from the same frame with an empty target.
TEST_F(ShowContent, EachWindowsViewShowsItsScene) {
    Composition c;
    ASSERT_TRUE(c.Load("data/virelle.cda"));
    Scene ringer, ostrel, park;
    ASSERT_TRUE(ringer.Load("data/ringer.SCENE") && ostrel.Load("data/ostrel.SCENE") && park.Load("data/park.SCENE"));
    Texture* target = targets.GetOrCreateRenderTarget("render_target", 512, 512);
    Texture* parken = targets.GetOrCreateRenderTarget("parken", 512, 512);
    ASSERT_TRUE(target && parken);
    c.SetElementTexture(16, 0, target);
    c.SetElementTexture(11, 1, target);
    c.SetElementTexture(18, 1, target);
    c.SetElementTexture(18, 2, parken);
    IDirect3DSurface9* backBuffer = nullptr;
    ASSERT_EQ(device->GetRenderTarget(0, &backBuffer), D3D_OK);

    const struct {
        const char* what;
        Scene* scene;
        Texture* into;
        int camera;
        float sceneTime, t;
        int x0, y0, x1, y1;  // where the view lies, back-buffer pixels
    } windows[] = {
        {"ostrel solo", &ostrel, target, 0, 1.2f, 50.0f, 120, 100, 520, 380},
        {"ringer camera 0", &ringer, target, 0, 0.5f, 80.0f, 40, 40, 600, 440},
        {"ringer camera 2", &ringer, target, 2, 2.0f, 85.0f, 40, 40, 600, 440},
        {"duet ostrel", &ostrel, target, 0, 2.5f, 110.0f, 20, 130, 300, 340},
        {"duet park camera 1", &park, parken, 1, 1.0f, 110.0f, 340, 130, 620, 340},
    };
    for (const auto& w : windows) {
        Picture frame[2];
        for (int pass = 0; pass < 2; ++pass) {
            device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
            for (Texture* t : {target, parken}) {
                device->SetRenderTarget(0, t->surface);
                t->ClearTarget();
            }
            if (pass == 1) {
                device->SetRenderTarget(0, w.into->surface);
                w.scene->SelectCamera(w.camera);
                w.scene->Render(w.sceneTime);
                // The scene covers part of its target and leaves the rest transparent.
                const Picture drawn = ReadBound();
                size_t covered = 0;
                for (size_t i = 3; i < drawn.bgra.size(); i += 4) covered += drawn.bgra[i] > 0;
                const double share = double(covered) / double(drawn.width * drawn.height);
                EXPECT_GT(share, 0.04) << w.what;
                EXPECT_LT(share, 0.97) << w.what;
            }
            device->SetRenderTarget(0, backBuffer);
            device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
            c.Render(w.t);
            frame[pass] = ReadBound();
        }
        ASSERT_EQ(frame[0].width, 640u);
        size_t changed = 0, total = 0;
        for (int y = w.y0; y < w.y1; ++y)
            for (int x = w.x0; x < w.x1; ++x, ++total) {
                const size_t i = (size_t(y) * 640 + size_t(x)) * 4;
                int diff = 0;
                for (int ch = 0; ch < 3; ++ch)
                    diff = std::max(diff, std::abs(int(frame[0].bgra[i + ch]) - int(frame[1].bgra[i + ch])));
                changed += diff > 24;
            }
        EXPECT_GT(double(changed) / double(total), 0.05) << w.what;
    }
    backBuffer->Release();
}

}  // namespace
