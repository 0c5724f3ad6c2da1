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

// Another output takes over the pulls (a lost device's silent stand-in, a device back): the
// position runs on without a step, and the frames the new output gets first are heard just as
// the position reaches them.
TEST(PlaybackClock, ChangingDeviceKeepsThePositionAndTheSoundTogether) {
    PlaybackClock clock;
    clock.Reset(rate, deviceFrames);
    for (int pull = 0; pull < 10; ++pull) clock.OnPull(100, 0.1 * pull);
    struct Change {
        double at;       // when the new output takes over
        int frames;      // what it holds
        double firstAt;  // its first pull
    };
    // To a silent output (nothing held), to a device with a bigger buffer, and a late first pull.
    for (const Change change : {Change{0.95, 0, 0.96}, Change{1.50, 300, 1.52}, Change{2.30, 50, 2.60}}) {
        SCOPED_TRACE(change.at);
        const double before = clock.Heard(change.at, 100000);
        const int64_t first = clock.ChangeDevice(change.frames, change.at);
        EXPECT_EQ(first, int64_t(before) + change.frames);  // heard `frames` later, as the position gets there
        EXPECT_NEAR(clock.Heard(change.firstAt, 100000), before, 1.0) << "held until the first pull";
        double last = 0;
        for (int pull = 0; pull < 4; ++pull) {
            const double t = change.firstAt + 0.1 * pull;
            clock.OnPull(100, t);
            last = clock.Heard(t, 100000);
            EXPECT_NEAR(last, double(first - change.frames) + 100.0 * pull, 1.0);
        }
        EXPECT_NEAR(clock.Heard(change.firstAt + 0.35, 100000), last + 50.0, 1e-9);
    }

    // Held after a seek: the hold stays, and the sought frame, handed over first, is heard as the
    // position leaves it.
    clock.Seek(5000);
    EXPECT_EQ(clock.ChangeDevice(200, 9.0), 5000);
    for (int pull = 0; pull < 3; ++pull) {
        clock.OnPull(100, 9.1 + 0.1 * pull);
        EXPECT_EQ(clock.Heard(9.1 + 0.1 * pull, 100000), 5000.0);  // the device has not played it yet
    }
    EXPECT_NEAR(clock.Heard(9.35, 100000), 5050.0, 1e-9);
}
