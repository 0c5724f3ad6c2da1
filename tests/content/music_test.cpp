// The show's music as the show hears it: decoded from the MP3 with gapless trimming, its two
// lowest spectrum bands sampled at 60 frames a second against the show's beat thresholds.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>

#include "content/music/mp3_encoder.h"
#include "content/music/score.h"
#include "content/music/sequencer.h"
#include "tests/content/music_piece.h"

namespace {

constexpr double kFps = 60.0;
constexpr double kRingerFrom = 69.0, kRingerTo = 93.0;  // the show's ringer window

bool Cut(float s0) {
    return s0 * 30.0f > 18.0f;
}
bool Restart(float s1) {
    return s1 * 30.0f > 25.0f;
}

struct Triggers {
    int frames = 0, cuts = 0, restartOnsets = 0;
    std::vector<double> restartTimes;  // frames where a restart holds
};

// Samples the bands at every frame time in [from, to), as the show's frame loop would.
Triggers Sample(const std::vector<float>& pcm, double from, double to) {
    Triggers t;
    bool before = false;
    for (long f = std::lround(std::ceil(from * kFps)); f / kFps < to; ++f) {
        const double time = f / kFps;
        float s0, s1;
        LowBands(pcm, static_cast<size_t>(time * 44100.0), s0, s1);
        ++t.frames;
        t.cuts += Cut(s0);
        const bool restart = Restart(s1);
        if (restart) t.restartTimes.push_back(time);
        t.restartOnsets += restart && !before;
        before = restart;
    }
    return t;
}

}  // namespace

TEST(MusicPiece, LengthIsExactAfterGaplessDecoding) {
    const MusicPiece& p = Piece();
    ASSERT_FALSE(p.mp3.empty());
    const size_t frames = p.master.Frames();
    EXPECT_GE(frames, 145u * 44100u);
    EXPECT_LE(frames, 155u * 44100u);
    EXPECT_EQ(p.reportedFrames, static_cast<long long>(frames));
    EXPECT_EQ(p.decoded.size(), 2 * frames);
    std::printf("[music] %.2f s, mp3 %zu bytes, render %.2f s + encode %.2f s (this build)\n", frames / 44100.0,
                p.mp3.size(), p.renderSeconds, p.encodeSeconds);
}

TEST(MusicPiece, NoSampleClipsBeforeOrAfterEncoding) {
    const MusicPiece& p = Piece();
    ASSERT_FALSE(p.decoded.empty());
    float master = 0.0f, decoded = 0.0f;
    for (size_t i = 0; i < p.master.Frames(); ++i)
        master = std::max({master, std::fabs(p.master.left[i]), std::fabs(p.master.right[i])});
    for (float x : p.decoded) decoded = std::max(decoded, std::fabs(x));
    EXPECT_LE(master, sequencer::kCeiling);
    EXPECT_LE(decoded, std::pow(10.0f, -0.3f / 20.0f));  // -0.3 dBFS
    std::printf("[music] peak %.2f dBFS before encoding, %.2f dBFS decoded\n", 20.0 * std::log10(master),
                20.0 * std::log10(decoded));
    // The piece is not silent either, and it fades to silence at the very end.
    EXPECT_GT(decoded, 0.5f);
    const size_t lastFrame = p.decoded.size() / 2 - 1;
    EXPECT_LT(std::fabs(p.decoded[2 * lastFrame]), 1e-3f);
}

TEST(MusicPiece, CutTriggersFollowTheRingerKicks) {
    const MusicPiece& p = Piece();
    ASSERT_FALSE(p.decoded.empty());
    const Triggers ringer = Sample(p.decoded, kRingerFrom, kRingerTo);
    const double share = static_cast<double>(ringer.cuts) / ringer.frames;
    EXPECT_GE(share, 0.10);
    EXPECT_LE(share, 0.40);
    const Triggers before = Sample(p.decoded, 0.0, kRingerFrom);
    const Triggers after = Sample(p.decoded, kRingerTo, p.decoded.size() / 2 / 44100.0 - 0.02);
    const double outside = static_cast<double>(before.cuts + after.cuts) / (before.frames + after.frames);
    EXPECT_LE(outside, 0.01);
    // Every section, for the record.
    for (int s = 0; s <= static_cast<int>(score::Section::Outro); ++s) {
        const auto section = static_cast<score::Section>(s);
        const Triggers t = Sample(p.decoded, score::SectionStart(section), score::SectionEnd(section));
        std::printf("[music] %-9s %6.2f-%6.2f s: cut in %5.1f%% of frames, %2d restarts (%.2f per 3.1 s)\n",
                    score::SectionName(section), score::SectionStart(section), score::SectionEnd(section),
                    100.0 * t.cuts / std::max(1, t.frames), t.restartOnsets,
                    t.restartOnsets * 3.1 / (score::SectionEnd(section) - score::SectionStart(section)));
    }
}

TEST(MusicPiece, RestartTriggersOnTheHeaviestHits) {
    const MusicPiece& p = Piece();
    ASSERT_FALSE(p.decoded.empty());
    const Triggers ringer = Sample(p.decoded, kRingerFrom, kRingerTo);
    const double perLoop = ringer.restartOnsets * 3.1 / (kRingerTo - kRingerFrom);
    EXPECT_GE(perLoop, 1.5);
    EXPECT_LE(perLoop, 4.0);
    // Each 2-bar downbeat restarts the scene within a few frames.
    for (double downbeat = kRingerFrom; downbeat < kRingerTo - 0.1; downbeat += 2.0 * score::kBar) {
        bool found = false;
        for (double t : ringer.restartTimes) found = found || (t >= downbeat - 0.02 && t <= downbeat + 0.15);
        EXPECT_TRUE(found) << "no restart near the downbeat at " << downbeat << " s";
    }
    // Restarts come in short bursts on the hits, not as a steady state.
    EXPECT_LE(ringer.restartTimes.size(), static_cast<size_t>(ringer.frames / 8));
    const Triggers before = Sample(p.decoded, 0.0, kRingerFrom);
    const Triggers after = Sample(p.decoded, kRingerTo, p.decoded.size() / 2 / 44100.0 - 0.02);
    EXPECT_EQ(before.restartOnsets + after.restartOnsets, 0);
}

TEST(MusicPiece, SameSamplesOnEveryRun) {
    // A second, shorter render must match the first sample for sample until its own fade begins.
    // Its first 71 s hold every instrument; that the encoder turns equal samples into equal bytes
    // is checked on its own (MusicEncoder), so this keeps the sanitizer run affordable.
    const MusicPiece& p = Piece();
    constexpr double kCompared = 71.0;
    const std::vector<score::Event> events = score::Compose();
    std::set<score::Instrument> heard;
    for (const score::Event& e : events)
        if (e.time < kCompared) heard.insert(e.instrument);
    EXPECT_EQ(heard.size(), static_cast<size_t>(score::Instrument::Riser) + 1);
    const synth::Stereo again = sequencer::Render(events, 80.0);
    const size_t n = static_cast<size_t>(kCompared * 44100.0);
    ASSERT_GE(again.Frames(), n);
    ASSERT_GE(p.master.Frames(), n);
    EXPECT_TRUE(std::equal(again.left.begin(), again.left.begin() + n, p.master.left.begin()));
    EXPECT_TRUE(std::equal(again.right.begin(), again.right.begin() + n, p.master.right.begin()));
}
