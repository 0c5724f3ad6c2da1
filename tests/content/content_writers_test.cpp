// The content writers against the engine's readers: what the .cda, .SCENE and image writers put in
// a file is what the composition reader, the scene reader and the image decoders take out.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "composition/composition.h"
#include "content/writers/byte_writer.h"
#include "content/writers/cda_writer.h"
#include "content/writers/image_writers.h"
#include "content/writers/scene_writer.h"
#include "gfx/image.h"
#include "gfx/texture.h"
#include "scene/scene.h"
#include "tests/common/headless.h"

namespace {

std::vector<uint8_t> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A small picture with every channel varying, alpha included.
Image TestPicture(int w, int h) {
    Image image(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = image.At(x, y);
            p[0] = uint8_t(x * 255 / (w - 1));
            p[1] = uint8_t(y * 255 / (h - 1));
            p[2] = uint8_t((x * 3 + y * 5) * 255 / (3 * (w - 1) + 5 * (h - 1)));
            p[3] = uint8_t(255 - (x + y) * 255 / (w + h - 2));
        }
    return image;
}

// Working folder and a fresh texture registry, since the composition reader resolves names there.
class ContentFiles : public ::testing::Test {
protected:
    void SetUp() override {
        UseHeadlessDevice();
        previous = std::filesystem::current_path();
        std::filesystem::current_path(scratch.path);
        std::filesystem::create_directories("data");
        fileTextures = &registry;
    }
    void TearDown() override {
        registry.ReleaseAll();
        fileTextures = nullptr;
        std::filesystem::current_path(previous);
    }
    ScratchDir scratch;
    TextureRegistry registry;
    std::filesystem::path previous;
};

CdaKey Key(float time, float alpha, float rotation, float x, float y, float sx, float sy) {
    return CdaKey{time, alpha, rotation, x, y, sx, sy};
}

TEST_F(ContentFiles, CompositionRoundTripKeepsOrdersNamesSizesAndEveryKey) {
    std::string why;
    ASSERT_TRUE(WritePng("data/a.png", TestPicture(300, 200), true, &why));  // 512 x 256 as a texture
    ASSERT_TRUE(WriteBmp("b.bmp", TestPicture(16, 16), &why));               // found under its plain name
    CdaComposition c;
    c.headerWord = 7;
    c.layerOrder = {1, 0};
    CdaLayer first;
    first.name = "first";
    first.layerWord = 3;
    first.keys = {Key(0, 1, 0, 0, 0, 1, 1)};
    // Keys that change one channel at a time, several at once, and none (a repeat at a new time).
    const std::vector<CdaKey> keys = {Key(0.5f, 0.25f, 0, 10, 20, 1, 1), Key(1, 0.25f, 0, 30, 20, 1, 1),
                                      Key(2, 0.5f, 0.3f, 30, -5, 2, 0.5f), Key(3, 0.5f, 0.3f, 30, -5, 2, 0.5f),
                                      Key(4, 0, 0.3f, 30, -5, 2, 0.5f)};
    first.elements = {{"e0", "a.png", keys}, {"e1", "b.bmp", {Key(0, 1, 0, 0, 0, 1, 1)}}};
    first.elementOrder = {1, 0};
    CdaLayer empty;
    empty.name = "empty";
    empty.keys = {Key(1, 0.5f, 0, 0, 0, 1, 1)};
    c.layers = {first, empty};
    ASSERT_EQ(CheckCda(c), "");
    ASSERT_TRUE(WriteWholeFile("c.cda", WriteCda(c), &why));

    MessageLog log;
    Composition read;
    ASSERT_TRUE(read.Load("c.cda"));
    EXPECT_TRUE(log.boxes.empty());
    EXPECT_EQ(read.headerWord, 7u);
    EXPECT_EQ(read.layerOrder, (std::vector<uint32_t>{1, 0}));
    ASSERT_EQ(read.layers.size(), 2u);
    const Layer& l = read.layers[0];
    EXPECT_EQ(l.name, "first");
    EXPECT_EQ(l.layerWord, 3u);
    EXPECT_EQ(l.elementOrder, (std::vector<uint32_t>{1, 0}));
    ASSERT_EQ(l.elements.size(), 2u);
    EXPECT_EQ(l.elements[0].textureName, "a.png");
    EXPECT_EQ(l.elements[0].texture, registry.GetOrLoad("data/a.png"));
    EXPECT_EQ(l.elements[0].halfWidth, 256.0f);
    EXPECT_EQ(l.elements[0].halfHeight, 128.0f);
    EXPECT_EQ(l.elements[1].texture, registry.GetOrLoad("b.bmp"));
    ASSERT_EQ(l.elements[0].track.keys.size(), keys.size());
    for (size_t i = 0; i < keys.size(); ++i) {
        const PoseKey p = l.elements[0].track.Sample(keys[i].time);
        EXPECT_EQ(p.x, keys[i].x) << i;
        EXPECT_EQ(p.y, keys[i].y) << i;
        EXPECT_EQ(p.scaleX, keys[i].scaleX) << i;
        EXPECT_EQ(p.scaleY, keys[i].scaleY) << i;
        EXPECT_EQ(p.rotation, keys[i].rotation) << i;
        EXPECT_EQ(p.alpha, keys[i].alpha) << i;
    }
    EXPECT_TRUE(read.layers[1].elements.empty());
    EXPECT_EQ(read.layers[1].track.Sample(1).alpha, 0.5f);
}

TEST(CdaCheck, RejectsWhatTheReaderWouldDropOrMisread) {
    auto valid = [] {
        CdaComposition c;
        CdaLayer layer;
        layer.keys = {Key(0, 1, 0, 0, 0, 1, 1)};
        layer.elements = {{"e", "t.png", {Key(0, 1, 0, 0, 0, 1, 1), Key(1, 0, 0, 0, 0, 1, 1)}}};
        c.layers = {layer};
        return c;
    };
    EXPECT_EQ(CheckCda(valid()), "");
    const struct {
        const char* what;
        void (*spoil)(CdaComposition&);
    } cases[] = {
        {"same time twice", [](CdaComposition& c) { c.layers[0].elements[0].keys[1].time = 0; }},
        {"time going back", [](CdaComposition& c) { c.layers[0].elements[0].keys[1].time = -1; }},
        {"no keys", [](CdaComposition& c) { c.layers[0].keys.clear(); }},
        {"long name", [](CdaComposition& c) { c.layers[0].elements[0].name.assign(128, 'n'); }},
        {"no texture", [](CdaComposition& c) { c.layers[0].elements[0].textureName.clear(); }},
        {"order out of range", [](CdaComposition& c) { c.layerOrder = {1}; }},
        {"order repeats",
         [](CdaComposition& c) {
             c.layers.push_back(c.layers[0]);
             c.layerOrder = {0, 0};
         }},
    };
    for (const auto& k : cases) {
        CdaComposition c = valid();
        k.spoil(c);
        EXPECT_NE(CheckCda(c), "") << k.what;
    }
}

SceneKey SKey(float px, float py, float pz, D3DXQUATERNION q, float s) {
    SceneKey k;
    k.position = {px, py, pz};
    k.rotation = q;
    k.scale = {s, s, s};
    return k;
}

TEST_F(ContentFiles, SceneRoundTripKeepsMaterialsMeshesLightsAndCameraTracks) {
    SceneFile s;
    s.header1 = 1, s.header2 = 2, s.header3 = 3, s.header4 = 4;
    SceneMaterial m;
    m.word = 9;
    m.ambient[0] = 2;
    m.diffuse[1] = 0.5f;
    m.specular[2] = 1;
    m.power = 12;
    s.materials = {m, m};
    s.lights = {{{1, 2, 3}, 1.0f, 0.5f, 0.25f, 2.0f}};
    SceneMesh mesh;
    mesh.material = 1;
    mesh.vertices = {{0, 0, 0, 0, 0, -1, 0, 0}, {1, 0, 0, 0, 0, -1, 1, 0}, {0, 1, 0, 0, 0, -1, 0, 1}};
    mesh.indices = {0, 2, 1};
    // Keys changing position only, rotation only, scale only, and nothing.
    mesh.track = {SKey(0, 0, 0, {0, 0, 0, 1}, 1), SKey(1, 0, -2, {0, 0, 0, 1}, 1),
                  SKey(1, 0, -2, {0, 0.6f, 0, 0.8f}, 1), SKey(1, 0, -2, {0, 0.6f, 0, 0.8f}, 3),
                  SKey(1, 0, -2, {0, 0.6f, 0, 0.8f}, 3)};
    s.meshes = {mesh};
    SceneCamera a, b;
    a.fov = 0.7f;
    a.targetTrack = {SKey(0, 1, 0, {0, 0, 0, 1}, 1)};
    a.eyeTrack = {SKey(0, 0, -5, {0, 0, 0, 1}, 1), SKey(0, 0, -6, {0, 0, 0, 1}, 1)};
    b = a;
    b.fov = 0.9f;
    s.cameras = {a, b};
    ASSERT_EQ(CheckScene(s), "");
    std::string why;
    ASSERT_TRUE(WriteWholeFile("s.SCENE", WriteScene(s), &why));

    Scene read;
    ASSERT_TRUE(read.Load("s.SCENE"));
    EXPECT_EQ(read.header4, 4);
    EXPECT_EQ(read.materialCount, 2);
    EXPECT_EQ(read.materials[0].word, 9u);
    EXPECT_FLOAT_EQ(read.materials[0].material.Ambient.r, 0.1f);  // stored x 0.05
    EXPECT_FLOAT_EQ(read.materials[0].material.Specular.b, 0.6f);
    EXPECT_EQ(read.materials[0].material.Power, 12.0f);
    ASSERT_EQ(read.lightCount, 1);
    EXPECT_EQ(read.lights[0].Position.z, 3.0f);
    EXPECT_EQ(read.lights[0].Diffuse.g, 1.0f);  // 0.5 x intensity 2
    ASSERT_EQ(read.meshCount, 1);
    const Mesh& rm = *read.meshes[0];
    EXPECT_EQ(rm.materialIndex, 1);
    EXPECT_EQ(rm.indices, mesh.indices);
    ASSERT_EQ(rm.vertices.size(), 3u);
    EXPECT_EQ(rm.vertices[2].v, 1.0f);
    ASSERT_EQ(rm.track.keys.size(), mesh.track.size());
    for (size_t i = 0; i < mesh.track.size(); ++i) {
        const Transform& k = rm.track.keys[i];
        EXPECT_EQ(k.position.z, mesh.track[i].position.z) << i;
        EXPECT_EQ(k.rotation.y, mesh.track[i].rotation.y) << i;
        EXPECT_EQ(k.rotation.w, mesh.track[i].rotation.w) << i;
        EXPECT_EQ(k.scale.x, mesh.track[i].scale.x) << i;
    }
    ASSERT_EQ(read.cameraCount, 2);  // each counts as two nodes in the file
    EXPECT_EQ(read.cameras[1].fov, 0.9f);
    ASSERT_EQ(read.cameras[0].eyeTrack.keys.size(), 2u);
    EXPECT_EQ(read.cameras[0].eyeTrack.keys[1].position.z, -6.0f);
    EXPECT_EQ(read.cameras[0].targetTrack.keys[0].position.y, 1.0f);
}

TEST(SceneCheck, RejectsIndicesMaterialsAndTracksOutOfRange) {
    SceneFile s;
    s.materials = {SceneMaterial{}};
    SceneMesh mesh;
    mesh.vertices = {{0, 0, 0, 0, 0, -1, 0, 0}, {1, 0, 0, 0, 0, -1, 1, 0}, {0, 1, 0, 0, 0, -1, 0, 1}};
    mesh.indices = {0, 1, 2};
    mesh.track = {SceneKey{}};
    s.meshes = {mesh};
    EXPECT_EQ(CheckScene(s), "");
    SceneFile bad = s;
    bad.meshes[0].indices[2] = 3;
    EXPECT_NE(CheckScene(bad), "");
    bad = s;
    bad.meshes[0].material = 1;
    EXPECT_NE(CheckScene(bad), "");
    bad = s;
    bad.meshes[0].track.clear();
    EXPECT_NE(CheckScene(bad), "");
    bad = s;
    bad.materials.clear();
    EXPECT_NE(CheckScene(bad), "");
    bad = s;
    bad.cameras = {SceneCamera{}};
    EXPECT_NE(CheckScene(bad), "");
}

// Every image writer's file decodes to the pixels written (JPEG within its loss).
TEST(ImageWriters, EachFormatDecodesToThePixelsWritten) {
    ScratchDir dir;
    const Image picture = TestPicture(32, 16);
    const struct {
        const char* file;
        bool (*write)(const std::string&, const Image&, std::string*);
        ImageType type;
        bool alpha;
        int tolerance;
    } formats[] = {
        {"p.png", [](const std::string& p, const Image& i, std::string* why) { return WritePng(p, i, true, why); },
         ImageType::Png, true, 0},
        {"p.tga", WriteTga, ImageType::Tga, true, 0},
        {"p.bmp", WriteBmp, ImageType::Bmp, false, 0},
        {"p.dds", WriteDds, ImageType::Dds, true, 0},
        {"p.jpg", [](const std::string& p, const Image& i, std::string* why) { return WriteJpeg(p, i, 95, why); },
         ImageType::Jpeg, false, 40},
    };
    for (const auto& f : formats) {
        const std::string path = dir.File(f.file);
        std::string why;
        ASSERT_TRUE(f.write(path, picture, &why)) << f.file << ": " << why;
        const std::vector<uint8_t> bytes = ReadAll(path);
        DecodedImage decoded;
        std::string error;
        ASSERT_TRUE(DecodeImage(bytes.data(), bytes.size(), DecodeLimits{}, &decoded, &error))
            << f.file << ": " << error;
        EXPECT_EQ(decoded.type, f.type) << f.file;
        ASSERT_FALSE(decoded.levels.empty());
        const ImageLevel& level = decoded.levels[0];
        ASSERT_EQ(level.width, 32u) << f.file;
        ASSERT_EQ(level.height, 16u) << f.file;
        int worst = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 32; ++x)
                for (int c = 0; c < (f.alpha ? 4 : 3); ++c)
                    worst = std::max(worst, std::abs(int(level.rgba8[(size_t(y) * 32 + size_t(x)) * 4 + size_t(c)]) -
                                                     int(picture.At(x, y)[c])));
        EXPECT_LE(worst, f.tolerance) << f.file;
        if (f.type == ImageType::Dds) {
            EXPECT_EQ(decoded.levels.size(), 6u);  // 32x16 down to 1x1
        }
    }
}

}  // namespace
