// The show's time script as a state machine: windows, loop bases, cameras, thresholds, offset.
#include "app/timeline.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

struct WindowCase {
    float t;
    int passes;
    ShowScene first;
};

TEST(Timeline, WindowBoundsAreExclusive) {
    const WindowCase cases[] = {
        {44.0f, 0, ShowScene::Ostrel},
        {std::nextafter(44.0f, 100.0f), 1, ShowScene::Ostrel},
        {std::nextafter(55.0f, 0.0f), 1, ShowScene::Ostrel},
        {55.0f, 0, ShowScene::Ostrel},
        {62.0f, 0, ShowScene::Ostrel},
        {69.0f, 0, ShowScene::Ringer},
        {std::nextafter(69.0f, 100.0f), 1, ShowScene::Ringer},
        {std::nextafter(93.0f, 0.0f), 1, ShowScene::Ringer},
        {93.0f, 0, ShowScene::Ringer},
        {93.5f, 0, ShowScene::Ringer},
        {94.0f, 0, ShowScene::Ostrel},
        {std::nextafter(94.0f, 200.0f), 2, ShowScene::Ostrel},
        {std::nextafter(135.0f, 0.0f), 2, ShowScene::Ostrel},
        {135.0f, 0, ShowScene::Ostrel},
        {0.0f, 0, ShowScene::Ostrel},
        {150.0f, 0, ShowScene::Ostrel},
    };
    for (const WindowCase& c : cases) {
        TimelineState state;
        const FramePlan plan = StepTimeline(state, c.t, 0.0f, 0.0f);
        EXPECT_EQ(plan.passCount, c.passes) << "t = " << c.t;
        if (plan.passCount > 0) {
            EXPECT_EQ(plan.passes[0].scene, c.first) << "t = " << c.t;
            EXPECT_EQ(plan.passes[0].target, ShowTarget::RenderTarget);
        }
        if (plan.passCount == 2) {
            EXPECT_EQ(plan.passes[1].scene, ShowScene::Park);
            EXPECT_EQ(plan.passes[1].target, ShowTarget::Parken);
        }
        EXPECT_EQ(plan.setOffset, c.first == ShowScene::Ringer && c.passes == 1) << "t = " << c.t;
    }
}

TEST(Timeline, OutsideTheWindowsNothingChanges) {
    TimelineState state;
    state.ringerCamera = 2;
    state.parkCamera = 1.0f;
    const TimelineState before = state;
    for (float t : {0.0f, 30.0f, 44.0f, 55.0f, 60.0f, 69.0f, 93.0f, 93.9f, 94.0f, 135.0f, 140.0f}) {
        StepTimeline(state, t, 1.0f, 1.0f);  // strong spectrum too
        EXPECT_EQ(state.ringerCamera, before.ringerCamera);
        EXPECT_EQ(state.parkCamera, before.parkCamera);
        EXPECT_EQ(state.ringerBase, before.ringerBase);
        EXPECT_EQ(state.ostrelSoloBase, before.ostrelSoloBase);
        EXPECT_EQ(state.ostrelDuetBase, before.ostrelDuetBase);
        EXPECT_EQ(state.parkBase, before.parkBase);
    }
}

// The base steps only when t - base is strictly greater than the single-precision 6.2. Floats in one
// binade differ by whole steps of that binade, which 6.2f never is, so the boundary is the last t
// whose difference does not exceed 6.2f.
TEST(Timeline, OstrelBaseStepsOnlyPastTheLoopLength) {
    float last = 50.0f;  // last t with t - 44 <= 6.2f
    while (std::nextafter(last, 100.0f) - 44.0f <= 6.2f) last = std::nextafter(last, 100.0f);
    const float first = std::nextafter(last, 100.0f);

    TimelineState state;
    FramePlan plan = StepTimeline(state, last, 0.0f, 0.0f);
    EXPECT_EQ(state.ostrelSoloBase, 44.0f);
    EXPECT_EQ(plan.passes[0].sceneTime, (last - 44.0f) * 0.5f);
    EXPECT_LE(plan.passes[0].sceneTime, 3.1f);
    EXPECT_GT(plan.passes[0].sceneTime, 3.0999f);

    plan = StepTimeline(state, first, 0.0f, 0.0f);
    EXPECT_EQ(state.ostrelSoloBase, 44.0f + 6.2f);
    EXPECT_EQ(plan.passes[0].sceneTime, (first - (44.0f + 6.2f)) * 0.5f);
    EXPECT_LT(plan.passes[0].sceneTime, 0.001f);
}

// After a stall the base catches up one step per frame, the scene time running past its loop
// length meanwhile; the park camera moves on with each 4 s step it makes up.
TEST(Timeline, CatchUpAfterStallIsOneStepPerFrame) {
    TimelineState state;
    StepTimeline(state, 95.0f, 0.0f, 0.0f);
    ASSERT_EQ(state.ostrelDuetBase, 94.0f);
    const float times[] = {120.0f, 120.01f, 120.02f, 120.03f, 120.04f, 120.05f, 120.06f, 120.07f};
    float ostrelBase = 94.0f, parkBase = 94.0f, parkCamera = 0.0f;
    for (float t : times) {
        const FramePlan plan = StepTimeline(state, t, 0.0f, 0.0f);
        if (t - ostrelBase > 6.2f) ostrelBase += 6.2f;
        if (t - parkBase > 4.0f) {
            parkBase += 4.0f;
            parkCamera = parkCamera + 1.0f > 2.0f ? 0.0f : parkCamera + 1.0f;
        }
        EXPECT_EQ(state.ostrelDuetBase, ostrelBase) << "t = " << t;
        EXPECT_EQ(state.parkBase, parkBase) << "t = " << t;
        EXPECT_EQ(state.parkCamera, parkCamera) << "t = " << t;
        EXPECT_EQ(plan.passes[0].sceneTime, (t - ostrelBase) * 0.5f);
        EXPECT_EQ(plan.passes[1].sceneTime, (t - parkBase) * 0.5f);
        EXPECT_EQ(plan.passes[1].camera, static_cast<int>(parkCamera));
    }
    // 26 s behind: the first frame after the stall is far past the 3.1 s loop, the last caught up.
    TimelineState fresh;
    StepTimeline(fresh, 95.0f, 0.0f, 0.0f);
    const FramePlan stalled = StepTimeline(fresh, 120.0f, 0.0f, 0.0f);
    EXPECT_GT(stalled.passes[0].sceneTime, 3.1f);
    EXPECT_EQ(fresh.ostrelDuetBase, 94.0f + 6.2f);
    EXPECT_LE(StepTimeline(state, 120.08f, 0.0f, 0.0f).passes[0].sceneTime, 3.1f);
}

TEST(Timeline, ParkCameraFollowsFourSecondStepsOnly) {
    TimelineState state;
    int changes = 0;
    float lastCamera = state.parkCamera;
    float firstOne = 0.0f;
    for (int n = 0; n < 60 * 150; ++n) {
        const float t = static_cast<float>(n / 60.0);
        const float before = state.parkBase;
        const float s = (n % 3 == 0) ? 1.0f : 0.0f;  // strong spectrum on every third frame
        const FramePlan plan = StepTimeline(state, t, s, s);
        if (state.parkCamera != lastCamera) {
            EXPECT_EQ(state.parkBase, before + 4.0f) << "camera moved without a step at t = " << t;
            if (changes == 0) firstOne = t;
            ++changes;
            lastCamera = state.parkCamera;
        }
        if (plan.passCount == 2) {
            EXPECT_LE(plan.passes[1].sceneTime, 2.0f);
        }
    }
    EXPECT_GT(firstOne, 98.0f);
    EXPECT_LT(firstOne, 98.02f);
    EXPECT_EQ(changes, 10);  // (135 - 94) / 4 steps
}

TEST(Timeline, RingerCameraCyclesOnStrongS0) {
    TimelineState state;
    const float t0 = 70.0f;
    const int expected[] = {1, 2, 0, 1, 2, 0};
    for (int i = 0; i < 6; ++i) {
        const FramePlan plan = StepTimeline(state, t0 + 0.01f * static_cast<float>(i), 0.61f, 0.0f);
        EXPECT_EQ(plan.passes[0].camera, expected[i]);
        EXPECT_EQ(state.ringerCamera, expected[i]);
    }
    // Weak frames and frames outside the window keep the camera.
    StepTimeline(state, 71.0f, 0.5f, 0.0f);
    StepTimeline(state, 60.0f, 1.0f, 0.0f);
    StepTimeline(state, 100.0f, 1.0f, 0.0f);
    EXPECT_EQ(state.ringerCamera, 0);
}

// Thresholds compared in single precision: 0.6f * 30 rounds to exactly 18, which is not greater.
TEST(Timeline, SpectrumThresholdsAreStrictSinglePrecision) {
    struct Case {
        float s0, s1;
        bool cameraMoves, restarts;
    };
    const float justOver = std::nextafter(25.0f / 30.0f, 1.0f);
    const Case cases[] = {
        {0.6f, 0.0f, false, false},    {0.6001f, 0.0f, true, false}, {0.0f, 25.0f / 30.0f, false, false},
        {0.0f, justOver, false, true}, {1.0f, 1.0f, true, true},
    };
    for (const Case& c : cases) {
        TimelineState state;
        const float t = 70.5f;
        const FramePlan plan = StepTimeline(state, t, c.s0, c.s1);
        EXPECT_EQ(state.ringerCamera, c.cameraMoves ? 1 : 0) << c.s0;
        EXPECT_EQ(state.ringerBase, c.restarts ? t : 69.0f) << c.s1;
        EXPECT_EQ(plan.passes[0].sceneTime, c.restarts ? 0.0f : t - 69.0f);
    }
}

// A strong s1 restarts the ringer at time 0 even in the frame where the 3.1 s step applied.
TEST(Timeline, RingerRestartWinsOverTheStep) {
    TimelineState state;
    const float t = 72.5f;  // 3.5 s after the base: the step applies
    FramePlan plan = StepTimeline(state, t, 0.0f, 0.9f);
    EXPECT_EQ(state.ringerBase, t);
    EXPECT_EQ(plan.passes[0].sceneTime, 0.0f);

    plan = StepTimeline(state, 72.6f, 0.0f, 0.0f);
    EXPECT_EQ(plan.passes[0].sceneTime, 72.6f - 72.5f);  // full speed, not halved

    TimelineState stepped;
    plan = StepTimeline(stepped, t, 0.0f, 0.0f);
    EXPECT_EQ(stepped.ringerBase, 69.0f + 3.1f);
    EXPECT_EQ(plan.passes[0].sceneTime, t - (69.0f + 3.1f));
}

TEST(Timeline, OffsetFollowsS0InTheRingerWindow) {
    TimelineState state;
    FramePlan plan = StepTimeline(state, 80.0f, 0.2f, 0.0f);
    ASSERT_TRUE(plan.setOffset);
    EXPECT_EQ(plan.offsetY, 10.0f);
    plan = StepTimeline(state, 80.1f, 0.0f, 0.0f);
    EXPECT_TRUE(plan.setOffset);
    EXPECT_EQ(plan.offsetY, 0.0f);
    plan = StepTimeline(state, 100.0f, 0.2f, 0.0f);
    EXPECT_FALSE(plan.setOffset);
}

}  // namespace
