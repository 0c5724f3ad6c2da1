// Author mode over the test show on the real-time clock (the silent output): jumps against a run
// stepped from 0, holding and resuming, the keys through the injected-event path, the loop, reload
// of changed and damaged content, and the overlay's footprint.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/author/author_host.h"
#include "app/offline.h"
#include "app/program.h"
#include "audio/music_stream.h"
#include "platform/d3dwindow.h"
#include "tests/app/test_show_content.h"
#include "tests/common/headless.h"

namespace {

class AuthorTest : public ::testing::Test {
protected:
    void SetUp() override {
        UseHeadlessDevice();
        ASSERT_NE(device, nullptr);
        previous = std::filesystem::current_path();
        ASSERT_TRUE(WriteTestShow(scratch.path, TestShow{}));
        std::filesystem::current_path(scratch.path);
        out = std::tmpfile();
        ASSERT_NE(out, nullptr);
        program = std::make_unique<Program>(ProgramSetup{false, false, MusicStream::Clock::RealTime, DrawSize{}});
        ASSERT_NE(program->music, nullptr);
        host = std::make_unique<AuthorHost>(*program, HeadlessWindow(), AuthorOptions{}, out);
        KeyPress drained[64];
        PlatformTakeKeyPresses(drained, 64);  // what earlier tests left
        ASSERT_TRUE(host->StartShow());
        host->Play();
    }
    void TearDown() override {
        if (host) {
            host->Stop();
            host->EndShow();
        }
        host.reset();
        program.reset();
        if (out) std::fclose(out);
        std::filesystem::current_path(previous);
    }

    // One pass of the frame loop; the picture it leaves in the back buffer.
    std::vector<uint8_t> Frame() {
        float spectrum[512] = {};
        const float t = host->GetPosition();
        host->GetSpectrum(spectrum);
        host->ClearBackBuffer();
        host->ShowFrame(t, spectrum);
        std::vector<uint8_t> bgra;
        UINT w = 0, h = 0;
        device->ReadRenderTarget(&bgra, &w, &h);
        host->Present();
        EXPECT_FALSE(host->PumpMessages());
        return bgra;
    }
    void Key(int vk, bool shift = false) {
        if (shift) PlatformPushKeyEvent(VK_SHIFT, true);
        PlatformPushKeyEvent(vk, true);
        PlatformPushKeyEvent(vk, false);
        if (shift) PlatformPushKeyEvent(VK_SHIFT, false);
    }
    // Every action line printed so far.
    std::vector<std::string> Lines() {
        std::fflush(out);
        std::rewind(out);
        std::vector<std::string> lines;
        char buffer[512];
        while (std::fgets(buffer, sizeof buffer, out)) lines.emplace_back(buffer, std::strcspn(buffer, "\n"));
        std::fseek(out, 0, SEEK_END);
        return lines;
    }

    ScratchDir scratch;
    std::filesystem::path previous;
    FILE* out = nullptr;
    std::unique_ptr<Program> program;
    std::unique_ptr<AuthorHost> host;
};

// The timeline a run from 0 at 60 frames a second has before its frame at t, on its own offline clock.
TimelineState SteppedFromZero(float t) {
    MusicStream offline("music/poa.mp3", MusicStream::Clock::Offline);
    TimelineState state;
    float spectrum[512] = {};
    for (long n = 0; OfflineFrameTime(n, 60.0) < t; ++n) {
        offline.SetPosition(OfflineFrameTime(n, 60.0));
        offline.GetSpectrum(spectrum);
        StepTimeline(state, offline.GetPosition(), spectrum[0], spectrum[1]);
    }
    return state;
}

void ExpectSameTimeline(const TimelineState& a, const TimelineState& b) {
    EXPECT_EQ(a.ostrelSoloBase, b.ostrelSoloBase);
    EXPECT_EQ(a.ostrelDuetBase, b.ostrelDuetBase);
    EXPECT_EQ(a.parkBase, b.parkBase);
    EXPECT_EQ(a.parkCamera, b.parkCamera);
    EXPECT_EQ(a.ringerBase, b.ringerBase);
    EXPECT_EQ(a.ringerCamera, b.ringerCamera);
}

TEST_F(AuthorTest, JumpsGiveTheStateOfARunSteppedFromZero) {
    Frame();
    // Forward into the duet (park's camera has moved on), back into the solo, forward again, home.
    for (float target : {103.0f, 50.25f, 130.0f, 0.0f}) {
        SCOPED_TRACE(target);
        host->Session().SeekTo(target);
        const float t = host->Session().ShownTime();
        EXPECT_NEAR(t, target, 1.0 / 44100);
        ExpectSameTimeline(host->TheShow().Timeline(), SteppedFromZero(t));
        Frame();
    }
    EXPECT_EQ(SteppedFromZero(103.0f).parkCamera, 2.0f);  // the case above did test a moved camera
}

TEST_F(AuthorTest, HoldKeepsTheMomentAndResumeGoesOnFromIt) {
    host->Session().ToggleOverlay();  // its frame graph moves on while held
    host->Session().SeekTo(80.0f);
    Frame();
    Key(VK_SPACE);
    Frame();  // the pump after this frame holds it
    ASSERT_TRUE(host->Session().Paused());
    const float held = host->Session().ShownTime();
    const TimelineState state = host->TheShow().Timeline();
    const std::vector<uint8_t> first = Frame();
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(Frame(), first);
        EXPECT_EQ(host->Session().ShownTime(), held);
        ExpectSameTimeline(host->TheShow().Timeline(), state);
    }
    Key(VK_SPACE);
    Frame();
    EXPECT_FALSE(host->Session().Paused());
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    Frame();
    const float after = host->Session().ShownTime();
    EXPECT_GE(after, held);
    EXPECT_LT(after, held + 0.5f);
    char pause[32], resume[32];
    std::snprintf(pause, sizeof pause, "%.3f pause", double(held));
    std::snprintf(resume, sizeof resume, "%.3f resume", double(held));
    EXPECT_EQ(Lines(), (std::vector<std::string>{"0.000 overlay off", "80.000 seek", pause, resume}));
}

TEST_F(AuthorTest, KeysDoWhatTheySayAndSayItOnOneLine) {
    host->Session().TogglePause();  // held, so no line depends on how fast this machine is
    host->Session().SeekTo(80.0f);
    Frame();
    for (auto [vk, shift] : std::vector<std::pair<int, bool>>{{VK_RIGHT, false},
                                                              {VK_RIGHT, true},
                                                              {VK_LEFT, true},
                                                              {VK_LEFT, false},
                                                              {VK_NEXT, false},
                                                              {VK_PRIOR, false},
                                                              {'L', false},
                                                              {VK_F1, false},
                                                              {'L', false},
                                                              {VK_HOME, false}})
        Key(vk, shift);
    Frame();
    // Bars of 4 x 60 / 154.84 s from 0.8 s: 81.399 is the next line after 81, 79.849 the one before 81.399.
    EXPECT_EQ(Lines(),
              (std::vector<std::string>{"0.000 pause", "80.000 seek", "81.000 seek", "81.399 seek", "79.849 seek",
                                        "78.849 seek", "88.849 seek", "78.849 seek", "78.849 loop 69.000-93.000",
                                        "78.849 overlay off", "78.849 loop off", "0.000 seek"}));
    EXPECT_TRUE(host->Session().Paused());
    EXPECT_FALSE(host->Session().OverlayOn());
}

TEST_F(AuthorTest, ALoopPlaysItsSectionAgain) {
    EXPECT_EQ(SectionAt(94.0f, 140.0f).start, 94.0f);
    EXPECT_EQ(SectionAt(93.5f, 140.0f).end, 94.0f);
    EXPECT_EQ(SectionAt(140.0f, 140.0f).start, 135.0f);
    EXPECT_EQ(SectionAt(140.0f, 140.0f).end, 140.0f);
    host->Session().TogglePause();  // the loop is taken where the time is held, then played
    host->Session().SeekTo(92.9f);
    host->Session().ToggleLoop();
    ASSERT_EQ(host->Session().Loop()->end, 93.0f);
    Frame();
    host->Session().TogglePause();
    bool wrapped = false;
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(3);  // about 0.05 s is usual
    while (!wrapped && std::chrono::steady_clock::now() < giveUp) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        Frame();
        wrapped = host->Session().ShownTime() < 90.0f;
    }
    ASSERT_TRUE(wrapped) << host->Session().ShownTime();
    EXPECT_NEAR(host->Session().ShownTime(), 69.0f, 0.1f);
    EXPECT_EQ(Lines().back(), "69.000 wrap");
    ExpectSameTimeline(host->TheShow().Timeline(), SteppedFromZero(host->Session().ShownTime()));
}

std::vector<unsigned char> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

TEST_F(AuthorTest, ReloadDrawsChangedContentAndKeepsTheOldOnDamage) {
    host->Session().ToggleOverlay();
    host->Session().SeekTo(80.0f);  // the ringer fills "render_target", which layer 11 shows at x -80
    host->Session().TogglePause();
    Frame();
    const std::vector<uint8_t> before = Frame();

    // Move that element: its x is the only -80.0f in the file.
    std::vector<unsigned char> cda = ReadBytes("data/virelle.cda");
    const float from = -80.0f, to = -140.0f;
    unsigned char fromBytes[4], toBytes[4];
    std::memcpy(fromBytes, &from, 4);
    std::memcpy(toBytes, &to, 4);
    auto at = std::search(cda.begin(), cda.end(), fromBytes, fromBytes + 4);
    ASSERT_NE(at, cda.end());
    std::copy(toBytes, toBytes + 4, at);
    ASSERT_TRUE(WriteFileBytes("data/virelle.cda", cda));
    Key('R');
    Frame();
    const std::vector<uint8_t> changed = Frame();
    EXPECT_NE(changed, before);
    EXPECT_EQ(Lines().back(), "80.000 reload ok");

    const std::vector<unsigned char> moved = cda;
    // Cut short: the loader says so, the line says why, and the moved element is still drawn.
    cda.resize(cda.size() / 2);
    ASSERT_TRUE(WriteFileBytes("data/virelle.cda", cda));
    {
        MessageLog boxes;
        Key('R');
        Frame();
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_EQ(boxes.boxes[0].second, "Loaderror");
        EXPECT_EQ(Lines().back(), "80.000 reload failed: Loaderror: " + boxes.boxes[0].first);
    }
    EXPECT_EQ(Frame(), changed);
    // A scene that no longer loads fails the same way; nothing half-new is drawn.
    ASSERT_TRUE(WriteFileBytes("data/virelle.cda", moved));
    ASSERT_TRUE(WriteFileBytes("data/ringer.SCENE", {1, 2, 3}));
    {
        MessageLog boxes;
        Key('R');
        Frame();
        EXPECT_FALSE(boxes.boxes.empty());
    }
    EXPECT_NE(Lines().back().find("reload failed: Error!: Kunne ikke loade scene"), std::string::npos)
        << Lines().back();
    EXPECT_EQ(Frame(), changed);
}

TEST_F(AuthorTest, TheOverlayDrawsInsideItsPanelOnly) {
    host->Session().SeekTo(80.0f);
    host->Session().TogglePause();
    host->Session().ToggleOverlay();
    Frame();
    const std::vector<uint8_t> plain = Frame();
    host->Session().ToggleOverlay();
    const std::vector<uint8_t> with = Frame();
    ASSERT_EQ(plain.size(), with.size());
    ASSERT_EQ(plain.size(), size_t(640 * 480 * 4));
    long inside = 0, outside = 0;
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) {
            const size_t i = (size_t(y) * 640 + size_t(x)) * 4;
            if (!std::equal(&plain[i], &plain[i] + 4, &with[i])) {
                const bool in = x >= Overlay::left && x < Overlay::left + Overlay::width && y >= Overlay::top &&
                                y < Overlay::top + Overlay::height;
                ++(in ? inside : outside);
            }
        }
    EXPECT_GT(inside, 2000);  // the text, the graph, the meters; the panel darkens what isn't black
    EXPECT_EQ(outside, 0);
}

TEST_F(AuthorTest, ALostDeviceIsWaitedForAndTheShowAndOverlayComeBack) {
    host->Session().SeekTo(80.0f);
    host->Session().TogglePause();
    host->Session().ToggleOverlay();
    Frame();
    const std::vector<uint8_t> plain = Frame();
    device->LoseForTest(2);
    Frame();  // its Present finds the device lost
    for (int i = 0; i < 2; ++i) {
        Frame();
        EXPECT_TRUE(host->DeviceLost());
    }
    // Reset once the device says it can be (which it refuses while the overlay's buffer lives):
    // the same held picture, and the overlay made again.
    EXPECT_EQ(Frame(), plain);
    EXPECT_FALSE(host->DeviceLost());
    host->Session().ToggleOverlay();
    const std::vector<uint8_t> with = Frame();
    ASSERT_EQ(with.size(), plain.size());
    long differ = 0;
    for (size_t i = 0; i < with.size(); i += 4) differ += !std::equal(&plain[i], &plain[i] + 4, &with[i]);
    EXPECT_GT(differ, 2000);
}

TEST(OverlayFont, SetsTheTypeAndReadsUtf8) {
    OverlayFont font;
    std::string error;
    ASSERT_TRUE(font.Build(overlayFontPath, 12.0f, &error)) << error;
    EXPECT_GT(font.Find('8').width, 0);
    EXPECT_GT(font.Find(0x2013).width, 0);  // the loop's en dash
    EXPECT_EQ(&font.Find(0x4E00), &font.Find('?'));
    EXPECT_FALSE(font.Build("/nonexistent.ttf", 12.0f, &error));
    EXPECT_EQ(DecodeUtf8("a\xE2\x80\x93"
                         "b"),
              (std::vector<uint32_t>{'a', 0x2013, 'b'}));
    EXPECT_EQ(DecodeUtf8("\xE2\x80"), (std::vector<uint32_t>{0xFFFD, 0xFFFD}));
}

TEST(BeatGrid, BarsAndBeatsOnTheShowsGrid) {
    const BeatGrid grid;
    EXPECT_NEAR(grid.BarSeconds(), 1.55, 0.001);
    EXPECT_NEAR(grid.NextBar(0.8), 0.8 + grid.BarSeconds(), 1e-9);  // on a line: the next one
    EXPECT_NEAR(grid.PreviousBar(0.8), 0.8 - grid.BarSeconds(), 1e-9);
    EXPECT_NEAR(grid.NextBar(1.0), 0.8 + grid.BarSeconds(), 1e-9);
    EXPECT_NEAR(grid.PreviousBar(1.0), 0.8, 1e-9);
    EXPECT_EQ(BarBeatAt(grid, 0.8).bar, 1);
    EXPECT_EQ(BarBeatAt(grid, 0.8).beat, 1);
    EXPECT_EQ(BarBeatAt(grid, 0.8 + grid.BeatSeconds() * 6.5).bar, 2);
    EXPECT_EQ(BarBeatAt(grid, 0.8 + grid.BeatSeconds() * 6.5).beat, 3);
    EXPECT_EQ(BarBeatAt(grid, 0.5).bar, 0);                                // the pickup
    EXPECT_EQ(BarBeatAt(grid, grid.NextBar(82.0) - 1.0 / 44100).bar, 54);  // a jump to a line, a sample short
    EXPECT_EQ(BarBeatAt(grid, grid.NextBar(82.0) - 1.0 / 44100).beat, 1);
}

}  // namespace
