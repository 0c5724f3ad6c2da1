// The entry point's run and its frame loop over a recording host.
#include "app/main_loop.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// Plays a list of positions, one per GetPosition; pumps report Escape on the chosen pump.
class FakeHost : public ShowHost {
public:
    std::vector<float> positions;
    float length = 2.0f;
    bool startOk = true;
    int escapeOnPump = -1;  // 0: the pump right after Play
    std::vector<std::string> calls;
    std::vector<float> framesAt;
    std::vector<float> spectrumSeen;

    bool StartShow() override {
        calls.push_back("start");
        return startOk;
    }
    void EndShow() override { calls.push_back("end"); }
    void Play() override { calls.push_back("play"); }
    void Stop() override { calls.push_back("stop"); }
    float GetPosition() override {
        calls.push_back("position");
        const float p = positions[next < positions.size() ? next : positions.size() - 1];
        ++next;
        return p;
    }
    float GetLength() override {
        calls.push_back("length");
        return length;
    }
    void GetSpectrum(float* s) override {
        calls.push_back("spectrum");
        for (int i = 0; i < 256; ++i) s[i] = static_cast<float>(next);
    }
    void HideCursor() override { calls.push_back("cursor"); }
    void ClearBackBuffer() override { calls.push_back("clear"); }
    void ShowFrame(float t, const float* s) override {
        calls.push_back("frame");
        framesAt.push_back(t);
        spectrumSeen.push_back(s[0]);
    }
    void Present() override { calls.push_back("present"); }
    bool PumpMessages() override {
        calls.push_back("pump");
        return pumps++ == escapeOnPump;
    }
    void ReleaseDevice() override { calls.push_back("release"); }

private:
    size_t next = 0;
    int pumps = 0;
};

TEST(MainLoop, EndsOnTheFirstPositionEqualToTheLength) {
    FakeHost host;
    host.positions = {0.0f, 0.5f, 1.9999999f, 2.0f, 2.0f};
    const RunResult r = RunShow(host);
    EXPECT_TRUE(r.started);
    EXPECT_FALSE(r.escaped);
    EXPECT_EQ(r.frames, 3);
    EXPECT_EQ(host.framesAt, (std::vector<float>{0.0f, 0.5f, 1.9999999f}));
    const std::vector<std::string> tail(host.calls.end() - 3, host.calls.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"stop", "release", "end"}));
}

TEST(MainLoop, FrameStepsRunInOrder) {
    FakeHost host;
    host.positions = {1.0f, 2.0f};
    RunShow(host);
    const std::vector<std::string> expected = {"start",    "play",    "pump",  //
                                               "position", "length",  "cursor", "spectrum", "clear",
                                               "frame",    "present", "pump",  //
                                               "position", "length",  "stop",   "release",  "end"};
    EXPECT_EQ(host.calls, expected);
}

// The frame sees the spectrum fetched in its own pass.
TEST(MainLoop, SpectrumIsFetchedBeforeEachFrame) {
    FakeHost host;
    host.positions = {0.1f, 0.2f, 0.3f, 2.0f};
    RunShow(host);
    EXPECT_EQ(host.spectrumSeen, (std::vector<float>{1.0f, 2.0f, 3.0f}));
}

// Only exact equality ends the loop: a position past the length (or never reaching it) runs on
// until Escape.
TEST(MainLoop, PositionNotEqualToLengthRunsUntilEscape) {
    FakeHost host;
    host.positions = {1.0f, 2.0000002f, 3.0f};
    host.escapeOnPump = 5;
    const RunResult r = RunShow(host);
    EXPECT_TRUE(r.escaped);
    EXPECT_EQ(r.frames, 5);
}

TEST(MainLoop, EscapeDuringLoadingDrawsNoFrame) {
    FakeHost host;
    host.positions = {0.0f};
    host.escapeOnPump = 0;
    const RunResult r = RunShow(host);
    EXPECT_TRUE(r.escaped);
    EXPECT_EQ(r.frames, 0);
    EXPECT_EQ(host.calls, (std::vector<std::string>{"start", "play", "pump", "stop", "release", "end"}));
}

TEST(MainLoop, FailedStartUpNeverPlays) {
    FakeHost host;
    host.positions = {0.0f};
    host.startOk = false;
    const RunResult r = RunShow(host);
    EXPECT_FALSE(r.started);
    EXPECT_EQ(host.calls, (std::vector<std::string>{"start", "end"}));
}

TEST(MainLoop, EscapeEndsTheLoopAtOnce) {
    FakeHost host;
    host.positions = {0.0f, 0.1f, 0.2f, 0.3f};
    host.escapeOnPump = 2;  // after the second frame
    const RunResult r = RunShow(host);
    EXPECT_TRUE(r.escaped);
    EXPECT_EQ(r.frames, 2);
    EXPECT_EQ(host.calls.back(), "end");
}

}  // namespace

namespace {

// The browser drives the same run one frame at a time and may play it again after the end.
TEST(MainLoop, PlayAgainAfterTheEndPlaysFromTheFirstFrameStep) {
    FakeHost host;
    host.positions = {0.5f, 2.0f, 0.0f, 1.0f, 2.0f};
    ShowRun run(host);
    ASSERT_TRUE(run.Start());
    int frames = 0;
    while (run.Frame()) ++frames;
    EXPECT_EQ(frames, 2);       // the first call plays, the second draws 0.5
    EXPECT_FALSE(run.Frame());  // over stays over
    EXPECT_EQ(host.calls.back(), "stop");
    host.calls.clear();
    run.PlayAgain();
    while (run.Frame()) {
    }
    run.End();
    EXPECT_EQ(host.framesAt, (std::vector<float>{0.5f, 0.0f, 1.0f}));
    EXPECT_EQ(run.Result().frames, 3);
    EXPECT_FALSE(run.Result().escaped);
    EXPECT_EQ(host.calls.front(), "play");
    const std::vector<std::string> tail(host.calls.end() - 3, host.calls.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"stop", "release", "end"}));  // one stop per pass
}

TEST(MainLoop, PlayAgainOnlyOnceTheShowIsOver) {
    FakeHost host;
    host.positions = {0.0f, 0.1f, 0.2f, 0.3f};
    ShowRun run(host);
    ASSERT_TRUE(run.Start());
    run.Frame();
    run.Frame();
    run.PlayAgain();  // still running: nothing happens
    const size_t plays = static_cast<size_t>(std::count(host.calls.begin(), host.calls.end(), "play"));
    EXPECT_EQ(plays, 1u);
    run.End();
    run.End();
    EXPECT_EQ(std::count(host.calls.begin(), host.calls.end(), "end"), 1);
    EXPECT_EQ(std::count(host.calls.begin(), host.calls.end(), "stop"), 1);
    run.PlayAgain();  // torn down: nothing happens
    EXPECT_FALSE(run.Frame());
}

}  // namespace
