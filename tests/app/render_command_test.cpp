// virelle-tools render and frame on the test show: file names, sizes, determinism, the summary.
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/app/test_show_content.h"
#include "tests/common/headless.h"
#include "tests/common/run_tool.h"

namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

bool PngSize(const std::string& path, png_uint_32* w, png_uint_32* h) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
    *w = image.width;
    *h = image.height;
    png_image_free(&image);
    return true;
}

std::vector<std::string> Names(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class RenderCommand : public ::testing::Test {
protected:
    void SetUp() override {
        if (ToolsPath().empty()) GTEST_SKIP() << "virelle-tools is not built";
        TestShow show;
        show.mp3Frames = 2000;  // about 52 s: into the solo window
        ASSERT_TRUE(WriteTestShow(scratch.path, show));
    }
    ScratchDir scratch;
};

TEST_F(RenderCommand, WritesTheFramesOfTheRangeAndTheSameBytesAgain) {
    const ToolRun first = RunTool("render --from 45.5 --to 47.5 --fps 2 --out a", scratch.path);
    ASSERT_EQ(first.status, 0);
    EXPECT_NE(first.out.find("frames"), std::string::npos);
    EXPECT_EQ(std::count(first.out.begin(), first.out.end(), '\n'), 1);
    EXPECT_EQ(Names(scratch.File("a")), (std::vector<std::string>{"frame_000091.png", "frame_000092.png",
                                                                  "frame_000093.png", "frame_000094.png"}));
    png_uint_32 w = 0, h = 0;
    ASSERT_TRUE(PngSize(scratch.File("a/frame_000091.png"), &w, &h));
    EXPECT_EQ(w, 640u);
    EXPECT_EQ(h, 480u);

    ASSERT_EQ(RunTool("render --from 45.5 --to 47.5 --fps 2 --out b", scratch.path).status, 0);
    for (const std::string& name : Names(scratch.File("a")))
        EXPECT_EQ(ReadAll(scratch.File("a/" + name)), ReadAll(scratch.File("b/" + name))) << name;

    // The frame nearest 46.6 at 2 fps is frame 93, drawn after the same 93 frames before it.
    ASSERT_EQ(RunTool("frame --time 46.6 --fps 2 --out one.png", scratch.path).status, 0);
    EXPECT_EQ(ReadAll(scratch.File("one.png")), ReadAll(scratch.File("a/frame_000093.png")));
}

// The music's end ends the run: a range past it writes only what the music covers.
TEST_F(RenderCommand, StopsAtTheMusicsEnd) {
    ASSERT_EQ(RunTool("render --from 51 --to 200 --fps 1 --out c", scratch.path).status, 0);
    EXPECT_EQ(Names(scratch.File("c")), (std::vector<std::string>{"frame_000051.png", "frame_000052.png"}));
}

TEST_F(RenderCommand, RejectsBadArguments) {
    for (const char* args :
         {"render", "render --from 1 --to 2 --fps 0 --out x", "render --from 3 --to 2 --fps 1 --out x",
          "render --from a --to 2 --fps 1 --out x", "render --from 1 --to 2 --fps 1 --out x --y 1",
          "render --from 1 --to 2 --fps nan --out x", "render --from 1 --to 2 --fps 1 --out",
          "frame --time abc --out x.png", "frame --time 1 --camera 1x --scene s --out x.png",
          "frame --time 1 --fps 0 --out x.png", "frame --time 1 --out x.png extra", "frame --out x.png"})
        EXPECT_EQ(RunTool(args, scratch.path).status, 2) << args;
    // A range holding no frame time is refused before anything runs.
    EXPECT_EQ(RunTool("render --from 1 --to 1 --fps 1 --out x", scratch.path).status, 2);
}

// Without its music the show starts but no frame is drawn: a failure, not "0 frames" and success.
// So is a range that lies wholly past the music's end.
TEST_F(RenderCommand, FailsWhenNoFrameIsDrawn) {
    ScratchDir silent;
    TestShow show;
    show.mp3Frames = 0;
    ASSERT_TRUE(WriteTestShow(silent.path, show));
    EXPECT_EQ(RunTool("render --from 0 --to 1 --fps 2 --out x", silent.path).status, 1);
    EXPECT_TRUE(Names(silent.File("x")).empty());
    EXPECT_EQ(RunTool("render --from 60 --to 61 --fps 1 --out y", scratch.path).status, 1);
}

}  // namespace
