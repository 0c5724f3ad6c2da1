// The scene commands of virelle-tools: inspect's JSON and frame's PNG. Skipped when the tool has
// not been built (the tool's path comes from VIRELLE_TOOLS).
#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/common/headless.h"
#include "tests/common/run_tool.h"
#include "tests/scene/scene_bytes.h"

namespace {

std::string WriteScene(const ScratchDir& dir, const SceneBytes& f) {
    const std::string path = dir.File("cmd.SCENE");
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(f.bytes.data()), long(f.bytes.size()));
    return path;
}

SceneBytes QuadScene() {
    const float a[3] = {2, 4, 6}, d[3] = {1, 0.2f, 0.1f}, s[3] = {0, 0, 0};
    SceneBytes f;
    f.Header(1, 2, 3, 4).I32(1).Material(99, a, d, s, 20).U16(4);
    std::vector<float> v;
    for (float x : {-3.0f, 3.0f})
        for (float y : {-3.0f, 3.0f}) v.insert(v.end(), {x, y, 0, 0, 0, -1, 0, 0});
    // corners: 0 (-3,-3), 1 (-3,3), 2 (3,-3), 3 (3,3); counter-clockwise on screen from -z
    f.MeshNode(0, v, {0, 3, 1, 0, 2, 3}, {Pose(0, 0, 0), Pose(0, 1, 0)}, Pose(5, 5, 5));
    f.LightNode(Pose(0, 0, -1000), 1, 1, 1, 1);
    return f.CameraNode(1.0f, {Pose(0, 0, 0)}, {Pose(0, 0, -20)}, 1, 2, 3);
}

TEST(SceneCommands, InspectPrintsTheSceneAsRead) {
    if (ToolsPath().empty()) GTEST_SKIP() << "virelle-tools not built";
    ScratchDir dir;
    const ToolRun run = RunTool("inspect " + WriteScene(dir, QuadScene()));
    ASSERT_EQ(run.status, 0);
    const std::string& json = run.out;
    for (const char* expected :
         {"\"kind\": \"scene\"", "\"header\": [1, 2, 3, 4]", "\"materialCount\": 1", "\"meshCount\": 1",
          "\"lightCount\": 1", "\"cameraCount\": 1", "\"word\": 99", "\"ambient\": [0.100000001, 0.200000003",
          "\"range\": 1.8446743e+19", "\"nodeTransform\": {\"position\": [5, 5, 5]", "\"position\": [0, 1, 0]",
          "\"fov\": 1, \"target\": [1, 2, 3]", "\"position\": [0, 0, -20]"})
        EXPECT_NE(json.find(expected), std::string::npos) << expected << "\n" << json;

    SceneBytes cut = QuadScene();
    cut.bytes.resize(40);
    const ToolRun none = RunTool("inspect " + WriteScene(dir, cut));
    EXPECT_EQ(none.status, 1);
    EXPECT_TRUE(none.out.empty());
}

TEST(SceneCommands, FrameWritesTheDrawnTargetWithAlpha) {
    if (ToolsPath().empty()) GTEST_SKIP() << "virelle-tools not built";
    ScratchDir dir;
    const std::string scene = WriteScene(dir, QuadScene()), png = dir.File("f.png");
    ASSERT_EQ(RunTool("frame --scene " + scene + " --camera 0 --time 0 --out " + png).status, 0);
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_file(&image, png.c_str()));
    image.format = PNG_FORMAT_RGBA;
    std::vector<uint8_t> rgba(PNG_IMAGE_SIZE(image));
    ASSERT_TRUE(png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr));
    ASSERT_EQ(image.width, 512u);
    ASSERT_EQ(image.height, 512u);
    const auto at = [&](int x, int y) { return &rgba[(size_t(y) * 512 + size_t(x)) * 4]; };
    EXPECT_EQ(at(256, 256)[3], 255);  // the quad, opaque
    EXPECT_GT(at(256, 256)[0], 250);  // lit red
    EXPECT_LT(at(256, 256)[2], 60);
    EXPECT_EQ(at(10, 10)[3], 0);  // the cleared target around it
}

}  // namespace
