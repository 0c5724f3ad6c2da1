// The show drawn at another size by virelle-tools frame and capture (--resolution, --supersample),
// on the show's own pictures: a supersampled frame is the larger frame box-filtered, a wider frame
// is the 640x480 picture drawn finer between black bars, a video drawn at a resolution has that
// size, and bad sizes are refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "content/content.h"
#include "content/music/mp3_encoder.h"
#include "tests/capture/decoded_video.h"
#include "tests/capture/pictures.h"
#include "tests/common/headless.h"
#include "tests/common/run_tool.h"

namespace {

// A moment of the composition alone and one inside the first 3D window.
constexpr float kTimes[] = {2.0f, 46.0f};

class DrawSizeCommand : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        content = new ScratchDir;
        if (!MakeVisualContent(content->path)) return;
        std::filesystem::create_directory(content->File("music"));
        synth::Stereo quiet(size_t(48 * 44100));  // silence past the first 3D window's start
        std::vector<unsigned char> mp3;
        std::string error;
        if (EncodeMp3(quiet, 128, mp3, error)) WriteFileBytes(content->File("music/poa.mp3"), mp3);
    }
    static void TearDownTestSuite() {
        delete content;
        content = nullptr;
    }
    void SetUp() override {
        if (!std::getenv("VIRELLE_TOOLS")) GTEST_SKIP() << "VIRELLE_TOOLS is not set";
        ASSERT_TRUE(std::filesystem::exists(content->File("music/poa.mp3")));
    }
    // The frame nearest t at 5 fps with the extra options, read back; empty when the tool failed.
    std::vector<uint8_t> Frame(float t, const std::string& options, int* w, int* h) {
        const std::string out = scratch.File("f.png");
        std::filesystem::remove(out);
        const std::string args = "frame --time " + std::to_string(t) + " --fps 5 --out " + out + " " + options;
        if (RunTool(args, content->path).status != 0) return {};
        return PngBgra(out, w, h);
    }
    static ScratchDir* content;
    ScratchDir scratch;
};

ScratchDir* DrawSizeCommand::content = nullptr;

TEST_F(DrawSizeCommand, SupersampledIsTheLargerFrameBoxFiltered) {
    for (float t : kTimes) {
        SCOPED_TRACE(t);
        int w = 0, h = 0, sw = 0, sh = 0;
        const std::vector<uint8_t> large = Frame(t, "--resolution 1280x960", &w, &h);
        const std::vector<uint8_t> super = Frame(t, "--supersample 2", &sw, &sh);
        ASSERT_EQ(w, 1280);
        ASSERT_EQ(h, 960);
        ASSERT_EQ(sw, 640);
        ASSERT_EQ(sh, 480);
        const std::vector<uint8_t> filtered = BoxFilter(large, w, h, 2);
        int worst = 0;
        for (size_t i = 0; i < filtered.size(); ++i) worst = std::max(worst, std::abs(filtered[i] - super[i]));
        EXPECT_LE(worst, 1);  // rounding only
    }
}

TEST_F(DrawSizeCommand, AWiderFrameIsTheSamePictureFinerBetweenBars) {
    for (float t : kTimes) {
        SCOPED_TRACE(t);
        int w = 0, h = 0, sw = 0, sh = 0;
        const std::vector<uint8_t> small = Frame(t, "", &sw, &sh);
        ASSERT_EQ(sw, 640);
        // The default drawn through the same path as any size is the same bytes.
        EXPECT_EQ(Frame(t, "--resolution 640x480 --supersample 1", &sw, &sh), small);
        const std::vector<uint8_t> wide = Frame(t, "--resolution 1920x1080", &w, &h);
        ASSERT_EQ(w, 1920);
        ASSERT_EQ(h, 1080);
        int brightest = 0;  // in the bars left and right of the 1440x1080 picture
        for (int y = 0; y < h; ++y)
            for (int x : {0, 100, 239, 1680, 1800, 1919})
                for (int c = 0; c < 3; ++c) brightest = std::max<int>(brightest, wide[(size_t(y) * w + x) * 4 + c]);
        EXPECT_EQ(brightest, 0);
        const std::vector<uint8_t> shrunk = Shrink(wide, w, 240, 0, 1440, 1080, 640, 480);
        const double psnr = Psnr(shrunk, 640, 0, 0, small, 640, 480);
        EXPECT_GT(psnr, 30.0);  // the same picture, sampled finer: close, never the same bytes
        EXPECT_LT(psnr, 99.0);
    }
}

TEST_F(DrawSizeCommand, CaptureDrawsTheVideoAtItsResolution) {
    int fw = 0, fh = 0;
    const std::vector<uint8_t> frame = Frame(2.0f, "--resolution 640x360", &fw, &fh);
    ASSERT_EQ(fw, 640);
    ASSERT_EQ(RunTool("capture --from 2 --to 3 --fps 5 --out v.mkv --resolution 640x360", content->path).status, 0);
    DecodedVideo v = DecodeVideoFile(content->File("v.mkv"), {0});
    ASSERT_EQ(v.error, "");
    EXPECT_EQ(v.width, 640);
    EXPECT_EQ(v.height, 360);
    ASSERT_EQ(v.kept.size(), 1u);
    EXPECT_GT(Psnr(v.kept[0], 640, 0, 0, frame, 640, 360), 35.0);  // the frame drawn, bars and all
    // With --size the drawn 4:3 picture (480x360) is scaled into the video: 240x180 at (40, 0).
    ASSERT_EQ(RunTool("capture --from 2 --to 3 --fps 5 --out s.mkv --resolution 640x360 --size 320x180", content->path)
                  .status,
              0);
    v = DecodeVideoFile(content->File("s.mkv"), {0});
    ASSERT_EQ(v.error, "");
    EXPECT_EQ(v.width, 320);
    ASSERT_EQ(v.kept.size(), 1u);
    const std::vector<uint8_t> half = Shrink(frame, 640, 80, 0, 480, 360, 240, 180);
    EXPECT_GT(Psnr(v.kept[0], 320, 40, 0, half, 240, 180), 30.0);
}

TEST_F(DrawSizeCommand, BadSizesAreRefused) {
    for (const char* args : {
             "frame --time 2 --out x.png --resolution 15x480",
             "frame --time 2 --out x.png --resolution 640x",
             "frame --time 2 --out x.png --resolution 640x480x2",
             "frame --time 2 --out x.png --resolution native",  // the display's size: the show's alone
             "frame --time 2 --out x.png --supersample 0",
             "frame --time 2 --out x.png --supersample 5",
             "render --from 0 --to 1 --fps 1 --out r --resolution 99999x480",
             "capture --out v.mp4 --resolution 641x480",  // a video's sides are even
             "capture --out v.mp4 --resolution 8000x4500",
             "capture --out v.mp4 --supersample 1.5",
         }) {
        EXPECT_EQ(RunTool(args, scratch.path).status, 2) << args;
        EXPECT_FALSE(std::filesystem::exists(scratch.File("x.png"))) << args;
    }
}

}  // namespace
