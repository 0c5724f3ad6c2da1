// virelle-tools inspect on images: the JSON line, the level-0 picture, a refusal's exit status.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "gfx/image.h"
#include "tests/common/headless.h"
#include "tests/common/run_tool.h"
#include "tests/gfx/test_images.h"

TEST(InspectImage, JsonLevelZeroAndRefusal) {
    if (ToolsPath().empty()) GTEST_SKIP() << "virelle-tools is not built";
    ScratchDir dir;
    const std::string jpeg = dir.File("photo.png");  // JPEG bytes under a PNG name
    ASSERT_TRUE(WriteFileBytes(jpeg, MakeJpeg(300, 200, PatternRgba(300, 200), false, false)));
    const ToolRun run = RunTool("inspect " + jpeg + " --level0 " + dir.File("l0.png"));
    ASSERT_EQ(run.status, 0);
    EXPECT_EQ(run.out,
              "{\"kind\": \"image\", \"type\": \"jpeg\", \"imageWidth\": 300, \"imageHeight\": 200, \"width\": 512, "
              "\"height\": 256, \"levels\": 10, \"format\": \"D3DFMT_X8R8G8B8\"}\n");
    // The level-0 picture reads back as a 512x256 PNG.
    std::FILE* f = std::fopen(dir.File("l0.png").c_str(), "rb");
    ASSERT_NE(f, nullptr);
    Bytes png(1 << 20);
    png.resize(std::fread(png.data(), 1, png.size(), f));
    std::fclose(f);
    DecodedImage image;
    std::string error;
    ASSERT_TRUE(DecodeImage(png.data(), png.size(), DecodeLimits{}, &image, &error)) << error;
    EXPECT_EQ(image.levels[0].width, 512u);
    EXPECT_EQ(image.levels[0].height, 256u);

    const std::string bad = dir.File("bad.dds");
    ASSERT_TRUE(WriteFileBytes(bad, Bytes{'D', 'D', 'S', ' ', 124, 0}));
    const ToolRun refused = RunTool("inspect " + bad);
    EXPECT_NE(refused.status, 0);
    EXPECT_EQ(refused.out, "");
}
