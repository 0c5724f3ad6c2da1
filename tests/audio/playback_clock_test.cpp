// The position estimate from pulls, driven with made-up pull times.
#include "audio/playback_clock.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

constexpr int rate = 1000;         // frames per second, for round numbers
constexpr int deviceFrames = 100;  // one pull's worth still ahead of the speaker

}  // namespace

TEST(PlaybackClock, FollowsTheSpeakerBetweenRegularPulls) {
    PlaybackClock clock;
    clock.Reset(rate, deviceFrames);
    EXPECT_EQ(clock.Heard(5.0, 10000), 0.0);  // nothing pulled yet
    for (int pull = 0; pull < 10; ++pull) clock.OnPull(100, 0.1 * pull);
    // The last pull was at 0.9 s; the speaker is one device buffer behind what was handed over.
    EXPECT_NEAR(clock.Heard(0.9, 10000), 800.0, 1e-9);
    EXPECT_NEAR(clock.Heard(0.95, 10000), 850.0, 1e-9);
    // No later pull: the estimate stops where the handed-over frames (less the buffer) end.
    EXPECT_NEAR(clock.Heard(3.0, 10000), 900.0, 1e-9);
}

TEST(PlaybackClock, NeverGoesBackNorPastWhatWasHandedOver) {
    // Pulls that come early, late and in bursts, as a busy machine delivers them.
    struct Pull {
        double time;
        int64_t frames;
    };
    const std::vector<Pull> pulls = {{0.00, 100}, {0.05, 100}, {0.31, 100}, {0.32, 100}, {0.33, 0},
                                     {0.40, 100}, {0.41, 100}, {0.70, 100}, {0.72, 100}, {0.90, 100}};
    PlaybackClock clock;
    clock.Reset(rate, deviceFrames);
    double last = 0;
    for (size_t i = 0; i < pulls.size(); ++i) {
        clock.OnPull(pulls[i].frames, pulls[i].time);
        const double next = i + 1 < pulls.size() ? pulls[i + 1].time : pulls[i].time + 0.5;
        for (double t = pulls[i].time; t < next; t += 0.003) {
            const double heard = clock.Heard(t, 100000);
            EXPECT_GE(heard, last) << "went back at " << t;
            EXPECT_LE(heard, double(clock.Handed() - deviceFrames) + 1e-9) << "ran ahead at " << t;
            last = heard;
        }
    }
    EXPECT_NEAR(last, double(clock.Handed() - deviceFrames), 1e-9);
}

TEST(PlaybackClock, StopsAtTheEndAndWhenFrozen) {
    PlaybackClock clock;
    clock.Reset(rate, deviceFrames);
    for (int pull = 0; pull < 5; ++pull) clock.OnPull(100, 0.1 * pull);
    EXPECT_EQ(clock.Heard(10.0, 250), 250.0);  // exactly the end, however long after
    EXPECT_EQ(clock.Heard(11.0, 250), 250.0);

    clock.Reset(rate, deviceFrames);
    clock.OnPull(100, 0.0);
    clock.OnPull(100, 0.1);
    clock.Freeze(0.15);
    const double frozen = clock.Heard(0.15, 10000);
    EXPECT_NEAR(frozen, 50.0, 1e-9);
    EXPECT_EQ(clock.Heard(7.0, 10000), frozen);
    // Resumed: the estimate starts again from what was handed over, ahead of the frozen value.
    clock.OnPull(100, 8.0);
    EXPECT_NEAR(clock.Heard(8.0, 10000), 100.0, 1e-9);
    EXPECT_NEAR(clock.Heard(8.09, 10000), 190.0, 1e-9);
}
