// virelle-tools capture on the show's pictures with a noise track: the file read back through FFmpeg
// has one picture and one sound stream, the range's duration, the pictures `frame` draws and the
// music in step; bad input and interruptions leave nothing behind.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "audio/mp3_decoder.h"
#include "content/content.h"
#include "content/music/mp3_encoder.h"
#include "tests/capture/decoded_video.h"
#include "tests/capture/pictures.h"
#include "tests/common/headless.h"
#include "tests/common/run_tool.h"

namespace {

constexpr int rate = 44100;
constexpr double musicSeconds = 6.0;

std::vector<std::string> Names(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Noise: its autocorrelation is one sharp peak, so any offset of the track shows.
synth::Stereo Noise(double seconds) {
    synth::Stereo s(size_t(seconds * rate));
    uint32_t x = 12345;
    for (size_t i = 0; i < s.Frames(); ++i) {
        x = x * 1664525u + 1013904223u;
        s.left[i] = s.right[i] = (float(x >> 8) / float(1 << 24) - 0.5f) * 0.6f;
    }
    return s;
}

std::vector<float> MusicMono(const std::string& path) {
    Mp3Decoder decoder;
    std::vector<float> mono;
    if (!decoder.Open(path.c_str()) || decoder.Rate() != rate) return mono;
    std::vector<int16_t> block(2 * 4096);
    bool ended = false;
    while (!ended) {
        const int got = decoder.Read(block.data(), 4096, &ended);
        for (int i = 0; i < got; ++i) mono.push_back(0.5f * (block[2 * i] + block[2 * i + 1]) / 32768.0f);
    }
    return mono;
}

// The lag, in samples, where the track best matches the music it should start at.
long BestLag(const std::vector<float>& track, const std::vector<float>& music, long musicStart) {
    constexpr long window = rate / 2, maxLag = rate / 20, from = rate / 2;  // 0.5 s from 0.5 s in, ±50 ms
    double best = -1;
    long bestLag = 0;
    for (long lag = -maxLag; lag <= maxLag; ++lag) {
        double c = 0;
        for (long i = from; i < from + window; ++i) {
            const long m = musicStart + i + lag;
            if (i < long(track.size()) && m >= 0 && m < long(music.size())) c += double(track[i]) * music[m];
        }
        if (c > best) best = c, bestLag = lag;
    }
    return bestLag;
}

class CaptureCommand : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::getenv("VIRELLE_TOOLS")) GTEST_SKIP() << "VIRELLE_TOOLS is not set";
        // The show's own pictures (fine stars on soft clouds: hard to encode) with a noise track.
        ASSERT_TRUE(MakeVisualContent(scratch.path));
        std::filesystem::create_directory(scratch.File("music"));
        std::vector<unsigned char> mp3;
        std::string error;
        ASSERT_TRUE(EncodeMp3(Noise(musicSeconds), 128, mp3, error)) << error;
        ASSERT_TRUE(WriteFileBytes(scratch.File("music/poa.mp3"), mp3));
    }
    ScratchDir scratch;
};

TEST_F(CaptureCommand, PictureAndMusicInStepInEitherContainer) {
    const std::vector<float> music = MusicMono(scratch.File("music/poa.mp3"));
    ASSERT_EQ(RunTool("frame --time 2.5 --fps 10 --out f.png", scratch.path).status, 0);
    int w = 0, h = 0;
    const std::vector<uint8_t> frame = PngBgra(scratch.File("f.png"), &w, &h);
    ASSERT_EQ(w, 640);
    ASSERT_EQ(h, 480);
    for (const char* name : {"v.mp4", "v.mkv"}) {
        SCOPED_TRACE(name);
        const ToolRun run =
            RunTool(std::string("capture --from 1 --to 4 --fps 10 --quiet --out ") + name, scratch.path);
        ASSERT_EQ(run.status, 0);
        EXPECT_EQ(run.out.rfind("capture: 30 frames, 3.00 s of show", 0), 0u) << run.out;
        // Picture 15 of the file is show frame 25, at 2.5 s; 14 and 16 are its neighbours.
        const DecodedVideo v = DecodeVideoFile(scratch.File(name), {15, 14, 16});
        ASSERT_EQ(v.error, "");
        EXPECT_EQ(v.videoStreams, 1);
        EXPECT_EQ(v.audioStreams, 1);
        EXPECT_EQ(v.videoCodec, "h264");
        EXPECT_EQ(v.audioCodec, "aac");
        EXPECT_EQ(v.pixelFormat, "yuv420p");
        EXPECT_EQ(v.width, 640);
        EXPECT_EQ(v.height, 480);
        EXPECT_EQ(v.sampleRate, rate);
        EXPECT_EQ(v.pictures, 30);
        EXPECT_NEAR(v.VideoSeconds(), 3.0, 0.1);  // within one frame
        EXPECT_NEAR(v.AudioSeconds(), 3.0, 0.1);
        // MP4 marks the encoder's priming samples to be dropped, so the sound starts with the first
        // picture; Matroska (in this FFmpeg) keeps them, and the sound starts that much earlier.
        const double priming = std::string(name) == "v.mkv" ? 1024.0 / rate : 0.0;
        EXPECT_NEAR(v.firstSampleTime, v.firstPictureTime - priming, 0.001);

        // The picture is the one `frame` draws for 2.5 s, and closer to it than its neighbours are.
        ASSERT_EQ(v.kept.size(), 3u);
        const double psnr = Psnr(v.kept[0], 640, 0, 0, frame, 640, 480);
        EXPECT_GT(psnr, 42.0);
        EXPECT_GT(psnr, Psnr(v.kept[1], 640, 0, 0, frame, 640, 480) + 1.0);
        EXPECT_GT(psnr, Psnr(v.kept[2], 640, 0, 0, frame, 640, 480) + 1.0);

        // Where the track's first sample plays (relative to the first picture) is where the music
        // should be, to within a millisecond.
        const long start = rate + std::lround((v.firstSampleTime - v.firstPictureTime) * rate);
        EXPECT_LE(std::abs(BestLag(v.mono, music, start)), rate / 1000);
    }
}

TEST_F(CaptureCommand, FitsTheFourByThreePictureWithBlackBars) {
    ASSERT_EQ(RunTool("frame --time 2 --fps 5 --out f.png", scratch.path).status, 0);
    int w = 0, h = 0;
    const std::vector<uint8_t> half = BoxFilter(PngBgra(scratch.File("f.png"), &w, &h), 640, 480, 2);
    ASSERT_EQ(w, 640);
    struct Case {
        const char* size;
        int width, height, x, y;  // the video, and where the 320x240 picture sits in it
    };
    for (const Case& c : {Case{"320x320", 320, 320, 0, 40}, Case{"400x240", 400, 240, 40, 0}}) {
        SCOPED_TRACE(c.size);
        const std::string args = std::string("capture --from 2 --to 3 --fps 5 --out s.mkv --size ") + c.size;
        ASSERT_EQ(RunTool(args, scratch.path).status, 0);
        const DecodedVideo v = DecodeVideoFile(scratch.File("s.mkv"), {0});
        ASSERT_EQ(v.error, "");
        EXPECT_EQ(v.width, c.width);
        EXPECT_EQ(v.height, c.height);
        ASSERT_EQ(v.kept.size(), 1u);
        const std::vector<uint8_t>& p = v.kept[0];
        int brightest = 0;  // in the bars
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < c.width; ++x)
                if (x < c.x || x >= c.x + 320 || y < c.y || y >= c.y + 240)
                    for (int k = 0; k < 3; ++k)
                        brightest = std::max<int>(brightest, p[(size_t(y) * c.width + x) * 4 + k]);
        EXPECT_LE(brightest, 4);
        EXPECT_GT(Psnr(p, c.width, c.x, c.y, half, 320, 240), 35.0);  // Lanczos against a box filter
    }
}

TEST_F(CaptureCommand, BadInputIsOneMessageAndNoFile) {
    std::filesystem::create_directory(scratch.File("folder.mp4"));
    const std::vector<std::string> before = Names(scratch.path);
    for (const char* args : {
             "capture",
             "capture --out v.mp4 --bogus 1",
             "capture --out v.avi",
             "capture --out v",
             "capture --out folder.mp4",
             "capture --out missing/v.mp4",
             "capture --out v.mp4 --from 3 --to 2",
             "capture --out v.mp4 --from 2 --to 2",
             "capture --out v.mp4 --from -1",
             "capture --out v.mp4 --from 7",  // past the music's end
             "capture --out v.mp4 --fps 0",
             "capture --out v.mp4 --fps -5",
             "capture --out v.mp4 --fps nan",
             "capture --out v.mp4 --size 0x0",
             "capture --out v.mp4 --size -640x480",
             "capture --out v.mp4 --size 641x480",
             "capture --out v.mp4 --size 640",
             "capture --out v.mp4 --crf 52",
             "capture --out v.mp4 --preset bogus",
         }) {
        EXPECT_EQ(RunTool(args, scratch.path).status, 2) << args;
        EXPECT_EQ(Names(scratch.path), before) << args;
    }
    // Missing content: no show at all (a copy of the tool alone, so no folder beside it holds one),
    // or a show that cannot start.
    ScratchDir empty, lone;
    std::filesystem::copy_file(std::getenv("VIRELLE_TOOLS"), lone.File("virelle-tools"));
    EXPECT_EQ(RunProgram(lone.File("virelle-tools"), "capture --out v.mp4", RunSettings{empty.path, "", false}).status,
              2);
    EXPECT_TRUE(Names(empty.path).empty());
    std::filesystem::remove(scratch.File("data/park.SCENE"));
    EXPECT_EQ(RunTool("capture --out v.mp4 --to 1 --fps 5", scratch.path).status, 2);
    EXPECT_FALSE(std::filesystem::exists(scratch.File("v.mp4")));
}

// Ctrl+C or a polite kill while writing: the command stops, says so and leaves no file.
TEST_F(CaptureCommand, InterruptedCaptureLeavesNoFile) {
    for (int signal : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(signal);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            if (chdir(scratch.path.c_str()) != 0) _exit(99);
            std::freopen("/dev/null", "w", stdout);
            std::freopen("/dev/null", "w", stderr);
            const char* tools = std::getenv("VIRELLE_TOOLS");
            execl(tools, tools, "capture", "--out", "v.mp4", "--size", "1920x1080", "--quiet", nullptr);
            _exit(98);
        }
        // Wait until the capture is writing (its temporary file is there), then stop it.
        bool writing = false;
        for (int i = 0; i < 400 && !writing; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            for (const std::string& name : Names(scratch.path)) writing = writing || name.rfind(".v.mp4", 0) == 0;
        }
        EXPECT_TRUE(writing);
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        kill(child, signal);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 130);
        EXPECT_EQ(Names(scratch.path), (std::vector<std::string>{"data", "music"}));
    }
}

}  // namespace
