// The show on the offline clock, in this process: start-up failures, the offset wiring and the
// pictures each time window leaves in the render targets.
#include "app/show.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "app/offline.h"
#include "app/program.h"
#include "platform/d3dwindow.h"
#include "tests/app/test_show_content.h"
#include "tests/common/headless.h"

namespace {

// Runs each test inside a scratch folder holding the test show.
class ShowTest : public ::testing::Test {
protected:
    void SetUp() override {
        UseHeadlessDevice();
        ASSERT_NE(device, nullptr);
        previous = std::filesystem::current_path();
        std::filesystem::current_path(scratch.path);
    }
    void TearDown() override { std::filesystem::current_path(previous); }

    ScratchDir scratch;
    std::filesystem::path previous;
};

struct Pixel {
    int r, g, b;
};

Pixel BackBufferPixel(const std::vector<uint8_t>& bgra, UINT width, int x, int y) {
    const size_t i = (static_cast<size_t>(y) * width + static_cast<size_t>(x)) * 4;
    return {bgra[i + 2], bgra[i + 1], bgra[i]};
}

struct FailureCase {
    const char* name;
    TestShow show;
    const char* boxNames;  // part of the one message box's text
};

TEST_F(ShowTest, FailedStartUpEndsWithoutPlaying) {
    const FailureCase cases[] = {
        {"missing scene",
         [] {
             TestShow s;
             s.park = false;
             return s;
         }(),
         "Kunne ikke loade scene"},
        {"missing composition",
         [] {
             TestShow s;
             s.composition = false;
             return s;
         }(),
         "data/virelle.cda"},
        {"missing wired element",
         [] {
             TestShow s;
             s.parkenElement = false;
             return s;
         }(),
         "layer 18 element 2"},
    };
    for (const FailureCase& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchDir dir;
        std::filesystem::current_path(dir.path);
        TestShow show = c.show;
        show.mp3Frames = 40;
        ASSERT_TRUE(WriteTestShow(dir.path, show));
        MessageLog log;
        OfflineOptions options;
        options.fps = 10.0;
        options.endCaptured = 1000;
        int captured = 0;
        options.capture = [&](long, float) {
            ++captured;
            return true;
        };
        const OfflineResult r = RunOffline(options);
        EXPECT_FALSE(r.started);
        EXPECT_EQ(r.frames, 0);
        EXPECT_EQ(captured, 0);
        ASSERT_EQ(log.boxes.size(), 1u);
        EXPECT_NE(log.boxes[0].first.find(c.boxNames), std::string::npos) << log.boxes[0].first;
    }
    std::filesystem::current_path(scratch.path);
}

// A ringer-window frame with s0 = 0.2 moves layer 16, element 1 by 10 along y; the wiring puts the
// two targets on their four elements.
TEST_F(ShowTest, StartUpWiresTargetsAndFrameSetsTheOffset) {
    TestShow content;
    content.mp3Frames = 40;
    ASSERT_TRUE(WriteTestShow(scratch.path, content));
    Program program(ProgramSetup{false, false, MusicStream::Clock::Offline, DrawSize{}});
    Show show(program.compositions);
    ASSERT_TRUE(show.Start());
    Composition* c = program.compositions.Get(showCompositionFile);
    ASSERT_NE(c, nullptr);
    Texture* target = renderTargets->GetOrCreateRenderTarget("render_target", 512, 512);
    Texture* parken = renderTargets->GetOrCreateRenderTarget("parken", 512, 512);
    EXPECT_EQ(c->layers[16].elements[0].texture, target);
    EXPECT_EQ(c->layers[11].elements[1].texture, target);
    EXPECT_EQ(c->layers[18].elements[1].texture, target);
    EXPECT_EQ(c->layers[18].elements[2].texture, parken);
    EXPECT_EQ(renderTargets->Names(), (std::deque<std::string>{"render_target", "parken"}));

    float spectrum[512] = {0.2f, 0.0f};
    show.Frame(80.0f, spectrum);
    EXPECT_EQ(c->layers[16].elements[1].offset.y, 10.0f);
    spectrum[0] = 0.7f;  // strong: the ringer camera moves on
    show.Frame(80.02f, spectrum);
    EXPECT_EQ(show.Timeline().ringerCamera, 1);  // 0.2 * 30 = 6 did not move it, 0.7 * 30 = 21 did
    show.End();
}

// The whole test show at 1 frame per second: each window's scene shows in the composition, targets
// keep their last picture between windows, and the run ends with the music.
TEST_F(ShowTest, OfflineRunShowsEachWindowsScenes) {
    ASSERT_TRUE(WriteTestShow(scratch.path, TestShow{}));
    std::map<long, Pixel> centre, right;
    OfflineOptions options;
    options.fps = 1.0;
    options.firstCaptured = 40;
    options.endCaptured = 1000;
    options.capture = [&](long n, float t) {
        EXPECT_EQ(t, static_cast<float>(n));
        std::vector<uint8_t> bgra;
        UINT w = 0, h = 0;
        if (FAILED(device->ReadRenderTarget(&bgra, &w, &h)) || w != 640 || h != 480) return false;
        centre[n] = BackBufferPixel(bgra, w, renderTargetX, renderTargetY);
        right[n] = BackBufferPixel(bgra, w, parkenX, parkenY);
        return true;
    };
    const OfflineResult r = RunOffline(options);
    ASSERT_TRUE(r.started);
    EXPECT_EQ(r.frames, 101);  // t = 40 .. 140 drawn (earlier frames only step); 141 s is past the music's end
    EXPECT_EQ(r.captured, 101);
    EXPECT_GT(r.meanFrameMs, 0.0);
    EXPECT_GE(r.worstFrameMs, r.meanFrameMs);

    auto isRed = [](Pixel p) { return p.r > 150 && p.g < 40 && p.b < 40; };
    auto isGreen = [](Pixel p) { return p.g > 150 && p.r < 40 && p.b < 40; };
    auto isBlue = [](Pixel p) { return p.b > 150 && p.r < 40 && p.g < 40; };
    for (long n : {45L, 50L, 54L, 55L, 60L, 69L}) EXPECT_TRUE(isRed(centre[n])) << "t = " << n;  // solo, then held
    for (long n : {70L, 80L, 92L, 93L, 94L}) EXPECT_TRUE(isGreen(centre[n])) << "t = " << n;     // ringer, then held
    for (long n : {95L, 110L, 134L, 135L, 140L}) EXPECT_TRUE(isRed(centre[n])) << "t = " << n;   // duet, then held
    for (long n : {95L, 110L, 134L, 135L, 140L}) EXPECT_TRUE(isBlue(right[n])) << "t = " << n;
    for (long n : {45L, 80L}) EXPECT_FALSE(isBlue(right[n])) << "t = " << n;  // park not drawn yet
}

// Before the music, the show draws once through the composition's tracks: a file claiming a key
// at the end of the float range must not turn that into an endless or enormous start-up.
TEST_F(ShowTest, StartUpDrawsABoundedRehearsalWhateverTheTracksClaim) {
    TestShow show;
    show.lastKeyTime = 3.0e38f;
    ASSERT_TRUE(WriteTestShow(scratch.path, show));
    const uint64_t before = device->GetStats().draws;
    OfflineOptions options;
    options.fps = 1.0;
    options.endCaptured = 2;
    const OfflineResult r = RunOffline(options);
    EXPECT_TRUE(r.started);
    EXPECT_EQ(r.frames, 2);
    // 601 rehearsal pictures of four visible elements, three scene passes, two frames, little else.
    EXPECT_LT(device->GetStats().draws - before, 601u * 4 + 100);
}

// Starting late only steps the earlier frames: the pictures must be the very bytes a run from the
// start draws, whichever windows the targets last saw (held solo, held ringer, live duet).
TEST_F(ShowTest, LateStartDrawsTheSamePictures) {
    ASSERT_TRUE(WriteTestShow(scratch.path, TestShow{}));
    auto run = [](long first, long end) {
        std::map<long, std::vector<uint8_t>> frames;
        OfflineOptions options;
        options.fps = 1.0;
        options.firstCaptured = first;
        options.endCaptured = end;
        options.capture = [&](long n, float) {
            UINT w = 0, h = 0;
            return SUCCEEDED(device->ReadRenderTarget(&frames[n], &w, &h));
        };
        EXPECT_TRUE(RunOffline(options).started);
        return frames;
    };
    const auto full = run(0, 121);
    for (long n : {60L, 94L, 120L}) {
        const auto late = run(n, n + 1);
        ASSERT_EQ(late.count(n), 1u);
        EXPECT_TRUE(late.at(n) == full.at(n)) << "t = " << n;
    }
}

}  // namespace
