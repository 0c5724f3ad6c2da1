// The music's parts on small inputs: the limiter, the encoder's exact length, the melody notation
// and the score's grid.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "content/music/mp3_encoder.h"
#include "content/music/score.h"
#include "content/music/synth.h"
#include "tests/content/music_piece.h"

namespace {

synth::Stereo Make(size_t frames, const std::function<float(size_t)>& f) {
    synth::Stereo s(frames);
    for (size_t i = 0; i < frames; ++i) s.left[i] = s.right[i] = f(i);
    return s;
}

}  // namespace

TEST(MusicLimiter, KeepsEveryPeakUnderTheCeilingAndLeavesQuietPartsAlone) {
    constexpr float kCeiling = 0.9f;
    struct Case {
        const char* name;
        std::function<float(size_t)> signal;
    };
    const Case cases[] = {
        {"hot sine", [](size_t i) { return 2.5f * std::sin(0.01f * static_cast<float>(i)); }},
        {"lone spike", [](size_t i) { return i == 30000 ? -6.0f : 0.1f; }},
        {"spike at the start", [](size_t i) { return i == 0 ? 3.0f : 0.0f; }},
        {"spike at the end", [](size_t i) { return i == 44099 ? 3.0f : 0.2f; }},
        {"square bursts", [](size_t i) { return (i / 500) % 3 == 0 ? ((i / 50) % 2 ? 1.7f : -1.7f) : 0.05f; }},
    };
    for (const Case& c : cases) {
        synth::Stereo audio = Make(44100, c.signal);
        synth::Limit(audio, kCeiling, 0.002f, 0.1f);
        float peak = 0.0f;
        for (size_t i = 0; i < audio.Frames(); ++i)
            peak = std::max({peak, std::fabs(audio.left[i]), std::fabs(audio.right[i])});
        EXPECT_LE(peak, kCeiling) << c.name;
        EXPECT_GT(peak, 0.5f * kCeiling) << c.name;  // limited, not muted
    }
    // A lone spike costs nothing a second earlier, and little a second later.
    synth::Stereo spike = Make(88200, [](size_t i) { return i == 44100 ? 4.0f : 0.3f; });
    synth::Limit(spike, kCeiling, 0.002f, 0.1f);
    EXPECT_EQ(spike.left[1000], 0.3f);
    EXPECT_NEAR(spike.left[88000], 0.3f, 0.01f);
    // Below the ceiling nothing changes at all.
    synth::Stereo quiet = Make(4410, [](size_t i) { return 0.8f * std::sin(0.05f * static_cast<float>(i)); });
    const synth::Stereo original = quiet;
    synth::Limit(quiet, kCeiling, 0.002f, 0.1f);
    EXPECT_TRUE(quiet.left == original.left && quiet.right == original.right);
}

TEST(MusicEncoder, InfoTagGivesTheExactLengthAndNoLag) {
    // A chirp, so that the only good alignment is the true one.
    for (size_t frames : {size_t{1}, size_t{1152}, size_t{12345}, size_t{44107}}) {
        synth::Stereo audio = Make(frames, [](size_t i) {
            const float t = static_cast<float>(i) / 44100.0f;
            return 0.5f * std::sin(2.0f * synth::kPi * (200.0f + 900.0f * t) * t);
        });
        std::vector<unsigned char> mp3;
        std::string error;
        ASSERT_TRUE(EncodeMp3(audio, 192, mp3, error)) << error;
        std::vector<float> decoded;
        long long reported = -1;
        ASSERT_TRUE(DecodeMp3(mp3, decoded, reported)) << frames;
        EXPECT_EQ(reported, static_cast<long long>(frames));
        ASSERT_EQ(decoded.size(), 2 * frames);
        if (frames < 4096) continue;
        int bestLag = 0;
        double best = -1e30;
        for (int lag = -64; lag <= 64; ++lag) {
            double sum = 0.0;
            for (size_t i = 1000; i + 1000 < frames; ++i) sum += audio.left[i] * decoded[2 * (i + lag)];
            if (sum > best) best = sum, bestLag = lag;
        }
        EXPECT_EQ(bestLag, 0) << frames;
    }
}

TEST(MusicEncoder, WritesTheSameBytesForTheSameAudio) {
    const synth::Stereo audio = Make(20000, [](size_t i) { return 0.3f * std::sin(0.02f * static_cast<float>(i)); });
    std::vector<unsigned char> a, b;
    std::string error;
    ASSERT_TRUE(EncodeMp3(audio, 192, a, error));
    ASSERT_TRUE(EncodeMp3(audio, 192, b, error));
    EXPECT_TRUE(a == b);
}

TEST(MusicScore, MelodyNotation) {
    struct Case {
        const char* text;
        bool ok;
        std::vector<score::Note> notes;
    };
    const Case cases[] = {
        {"E5:3 A5:1 -:2 C6:2", true, {{0, 3, 76}, {3, 1, 81}, {6, 2, 84}}},
        {"C#4:1 Bb3:0.5", true, {{0, 1, 61}, {1, 0.5, 58}}},
        {"", true, {}},
        {"H5:1", false, {}},
        {"E5", false, {}},
        {"E5:0", false, {}},
        {"E5:-1", false, {}},
        {"E:2", false, {}},
        {"E5:2x", false, {}},
        {"E5:1e9", false, {}},
    };
    for (const Case& c : cases) {
        std::vector<score::Note> notes;
        EXPECT_EQ(score::ParseMelody(c.text, 0.0, notes), c.ok) << c.text;
        if (!c.ok) continue;
        ASSERT_EQ(notes.size(), c.notes.size()) << c.text;
        for (size_t i = 0; i < notes.size(); ++i) {
            EXPECT_EQ(notes[i].eighth, c.notes[i].eighth) << c.text;
            EXPECT_EQ(notes[i].length, c.notes[i].length) << c.text;
            EXPECT_EQ(notes[i].midi, c.notes[i].midi) << c.text;
        }
    }
}

TEST(MusicScore, SectionsSitOnTheShowsGrid) {
    using score::Section;
    const std::pair<double, Section> cases[] = {
        {0.0, Section::Intro},      {44.1, Section::Intro},      {44.3, Section::Solo},   {55.0, Section::Solo},
        {55.1, Section::Interlude}, {68.99, Section::Interlude}, {69.0, Section::Ringer}, {92.99, Section::Ringer},
        {93.0, Section::Breath},    {93.7, Section::Breath},     {93.9, Section::Duet},   {134.0, Section::Duet},
        {134.2, Section::Outro},    {149.9, Section::Outro},
    };
    for (const auto& [t, section] : cases) EXPECT_EQ(score::SectionAt(t), section) << t;
    EXPECT_DOUBLE_EQ(score::BarTime(score::kRingerBar), 69.0);
}

TEST(MusicScore, RingerKicksOnEveryBeatHeaviestOnTheBars) {
    const std::vector<score::Event> events = score::Compose();
    const auto hits = score::KickHits(events);
    int beat = 0;
    for (double t = 69.0; t < score::kBreathStart; t += score::kBeat, ++beat) {
        int found = 0;
        for (const score::Hit& h : hits) {
            if (std::fabs(h.time - t) > 1e-6) continue;
            ++found;
            EXPECT_EQ(h.kind == score::KickKind::Heavy, beat % 4 == 0) << t;
        }
        EXPECT_EQ(found, 1) << t;
    }
    for (const score::Event& e : events) {
        EXPECT_GE(e.time, 0.0);
        EXPECT_LT(e.time + e.held, score::kLength);
        // Nothing the ringer holds rings into the breath, and only the ringer has heavy kicks.
        if (score::SectionAt(e.time) == score::Section::Ringer) {
            EXPECT_LE(e.time + e.held, score::kBreathStart + 1e-6) << e.time;
        }
        if (e.instrument == score::Instrument::Kick &&
            static_cast<int>(e.param) != static_cast<int>(score::KickKind::Soft)) {
            EXPECT_EQ(score::SectionAt(e.time), score::Section::Ringer) << e.time;
        }
        if (e.instrument == score::Instrument::Lead) {
            const double eighths = (e.time - score::kFirstDownbeat) / score::kEighth;
            EXPECT_NEAR(eighths, std::round(eighths), 1e-6) << e.time;
        }
    }
}
