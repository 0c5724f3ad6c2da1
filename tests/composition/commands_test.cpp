// virelle-tools inspect and frame on .cda files made here, run in the scratch folder.
#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <cstdlib>

#include "tests/common/run_tool.h"
#include "tests/composition/composition_files.h"

namespace {

class Commands : public CompositionFiles {
protected:
    void SetUp() override {
        if (ToolsPath().empty()) GTEST_SKIP() << "VIRELLE_TOOLS not built";
        built = true;
        CompositionFiles::SetUp();
    }
    void TearDown() override {
        if (built) CompositionFiles::TearDown();
    }
    bool built = false;
};

const Pose still{0, 0, 1, 1, 0, 1, 0};

TEST_F(Commands, InspectShowsTheCompositionAsRead) {
    WriteImage("img/a.ppm", 30, 20, 255, 0, 0);
    WriteImage("data/b.ppm", 16, 16, 0, 255, 0);
    CdaWriter w;
    w.Header(7, {0}).Str("Lag\xE5").U32(3).U32(2).U32(1).U32(0);
    w.U32(2).FirstKey({10, 20, 1, 1, 0, 1, 0}).U8(0x84).F32(2).F32(30).F32(0.5f);  // the 0x84 record
    w.ElementRecord("el\"1", "img\\a.ppm", {});
    w.ElementRecord("el2", "b.ppm", {{50, 20, 2, 1, 0.3f, 0.5f, 0}});
    WriteCda("c.cda", w);
    const ToolRun run = RunTool("inspect c.cda");
    ASSERT_EQ(run.status, 0);
    const std::string& json = run.out;
    const char* expected[] = {
        "\"kind\": \"composition\", \"headerWord\": 7, \"layerOrder\": [0]",
        "\"name\": \"Lag\xC3\xA5\", \"layerWord\": 3, \"elementOrder\": [1, 0]",
        "{\"time\": 2, \"x\": 30, \"y\": 20, \"scaleX\": 1, \"scaleY\": 1, \"rotation\": 0, \"alpha\": 0.5, "
        "\"rates\": [0, 0, 0, 0, 0, 0]}",
        "\"rates\": [10, 0, 0, 0, 0, -0.25]",
        "\"name\": \"el\\\"1\", \"textureName\": \"img\\\\a.ppm\", \"texture\": \"img/a.ppm\", \"halfWidth\": 16, "
        "\"halfHeight\": 16",
        "\"textureName\": \"b.ppm\", \"texture\": \"data/b.ppm\", \"halfWidth\": 8, \"halfHeight\": 8",
        "\"rotation\": 0.300000012",
    };
    for (const char* part : expected) EXPECT_NE(json.find(part), std::string::npos) << part << "\n" << json;

    const ToolRun none = RunTool("inspect missing.cda");
    EXPECT_NE(none.status, 0);
    EXPECT_TRUE(none.out.empty());
}

TEST_F(Commands, FrameDrawsTheCompositionAtTheGivenTime) {
    WriteImage("red.ppm", 16, 8, 255, 0, 0);
    CdaWriter w;
    w.Header(0, {0}).LayerStart("l", 0, {0}, {still});
    w.ElementRecord("e", "red.ppm", {{0, 0, 1, 1, 0, 1, 0}, {100, 0, 1, 1, 0, 1, 10}});
    WriteCda("c.cda", w);
    ASSERT_EQ(RunTool("frame --composition c.cda --time 1 --out f.png").status, 0);

    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_file(&image, "f.png"));
    image.format = PNG_FORMAT_RGBA;
    std::vector<uint8_t> rgba(PNG_IMAGE_SIZE(image));
    ASSERT_TRUE(png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr));
    ASSERT_EQ(image.width, 640u);
    ASSERT_EQ(image.height, 480u);
    // At t = 1 the element's x is 10, so its centre lies 20 right of the picture's centre.
    int minX = 640, maxX = -1;
    for (int x = 0; x < 640; ++x)
        if (rgba[(240 * 640 + size_t(x)) * 4] > 128) minX = std::min(minX, x), maxX = std::max(maxX, x);
    EXPECT_NEAR((minX + maxX + 1) * 0.5f - 320.0f, 20.0f, 1.0f);
    EXPECT_NEAR(maxX - minX + 1, 16, 1);
    EXPECT_EQ(rgba[(10 * 640 + 10) * 4], 0);  // cleared to black elsewhere
}

}  // namespace
