// MusicStream in real time: on SDL's dummy output (set for every test) and on the silent output
// that stands in when no sound driver works; the message boxes of the failure paths.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "audio/music_stream.h"
#include "tests/audio/mp3_maker.h"
#include "tests/common/headless.h"

namespace {

using Box = std::pair<std::string, std::string>;

// Plays to the end and checks the clock on the way: never back, never ahead of the wall clock.
void PlayToTheEnd(MusicStream& music) {
    const float length = music.GetLength();
    ASSERT_GT(length, 0.0f);
    const auto start = std::chrono::steady_clock::now();
    music.Play();
    float last = 0.0f;
    std::vector<float> spectrum(512);
    for (;;) {
        const float position = music.GetPosition();
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        ASSERT_GE(position, last) << "went back";
        ASSERT_LE(position, length);
        ASSERT_LE(position, wall * 1.1 + 0.05) << "runs ahead of real time";
        last = position;
        if (position == length) break;
        ASSERT_LT(wall, length * 4 + 5.0) << "never reached the end; at " << position;
        music.GetSpectrum(spectrum.data());
        std::this_thread::sleep_for(std::chrono::milliseconds(3));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    EXPECT_EQ(music.GetPosition(), music.GetLength()) << "left the end";
    music.Stop();
    EXPECT_EQ(music.GetPosition(), music.GetLength());
}

}  // namespace

TEST(MusicStreamRealTime, PlaysToTheEndAndStaysThere) {
    ScratchDir dir;
    const std::string path = dir.File("short.mp3");
    ASSERT_TRUE(WriteFileBytes(path, EncodeMp3(MakePcm(44100 * 6 / 5, 2, BinSine(1, 0.5)), {})));
    MessageLog log;
    MusicStream music(path.c_str());
    ASSERT_TRUE(music.created);
    EXPECT_EQ(music.GetPosition(), 0.0f);  // not started
    PlayToTheEnd(music);
    EXPECT_TRUE(log.boxes.empty());
}

TEST(MusicStreamRealTime, SpectrumFollowsThePlayingMusic) {
    ScratchDir dir;
    const std::string path = dir.File("sine.mp3");
    ASSERT_TRUE(WriteFileBytes(path, EncodeMp3(MakePcm(44100 * 2, 2, BinSine(1, 0.6)), {})));
    MusicStream music(path.c_str());
    ASSERT_TRUE(music.created);
    music.Play();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (music.GetPosition() < 0.3f) {
        ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "the clock does not move";
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    std::vector<float> s(512, -1.0f);
    music.GetSpectrum(s.data());
    music.Stop();
    EXPECT_NEAR(s[1], 0.6, 0.02);
    EXPECT_EQ(s[300], -1.0f);
    // Stopped: the position holds.
    const float held = music.GetPosition();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(music.GetPosition(), held);
}

TEST(MusicStreamRealTime, WithoutASoundDriverItSaysSoAndPlaysSilently) {
    ScopedEnv driver("SDL_AUDIODRIVER", "no-such-driver");
    ScratchDir dir;
    const std::string path = dir.File("short.mp3");
    ASSERT_TRUE(WriteFileBytes(path, EncodeMp3(MakePcm(44100 / 2, 2, BinSine(5, 0.3)), {})));
    MessageLog log;
    MusicStream music(path.c_str());
    EXPECT_EQ(log.boxes, (std::vector<Box>{{"No Init", "Error"}}));
    ASSERT_TRUE(music.created);
    PlayToTheEnd(music);
}

TEST(MusicStreamRealTime, MissingFileShowsTheTwoBoxesInOrder) {
    ScratchDir dir;
    const std::vector<Box> missing = {{"Cant Play Funky Music", "You Suck"},
                                      {"Must CreateStream First", "Sucky Assembler"}};
    {
        MessageLog log;
        MusicStream music(dir.File("nothere.mp3").c_str());
        EXPECT_FALSE(music.created);
        music.Play();
        EXPECT_EQ(log.boxes, missing);
        EXPECT_EQ(music.GetPosition(), 0.0f);
        EXPECT_EQ(music.GetLength(), 0.0f);
        std::vector<float> s(512, 5.0f);
        music.GetSpectrum(s.data());
        for (int k = 0; k < 256; ++k) EXPECT_EQ(s[size_t(k)], 0.0f);
        for (int k = 256; k < 512; ++k) EXPECT_EQ(s[size_t(k)], 5.0f);
        music.Stop();
    }
    // No driver and no file: all three, in the order they happen.
    ScopedEnv driver("SDL_AUDIODRIVER", "no-such-driver");
    MessageLog log;
    MusicStream music(dir.File("nothere.mp3").c_str());
    music.Play();
    std::vector<Box> all = {{"No Init", "Error"}};
    all.insert(all.end(), missing.begin(), missing.end());
    EXPECT_EQ(log.boxes, all);
}

TEST(MusicStreamRealTime, SeekMovesPlaybackAndClockTogether) {
    ScratchDir dir;
    const std::string path = dir.File("steps.mp3");
    // Bin 1 at 0.2 for the first two seconds, at 0.6 for the next two.
    const auto left = [](int64_t i) {
        return (i < 2 * 44100 ? 0.2 : 0.6) * std::sin(2.0 * std::numbers::pi * double(i) / 512.0);
    };
    ASSERT_TRUE(WriteFileBytes(path, EncodeMp3(MakePcm(44100 * 4, 2, left), {})));
    MusicStream music(path.c_str());
    MusicStream offline(path.c_str(), MusicStream::Clock::Offline);
    ASSERT_TRUE(music.created && offline.created);

    music.Seek(3.0f);  // stopped: nothing plays, the position is there at once
    EXPECT_NEAR(music.GetPosition(), 3.0f, 1.0 / 44100);
    std::vector<float> live(512, -1.0f), stepped(512, -1.0f);
    music.GetSpectrum(live.data());
    EXPECT_NEAR(live[1], 0.6, 0.03);
    // The offline clock's spectrum at a moment is the live stream's at that moment, to the bit.
    music.SpectrumAt(1.0f, live.data());
    offline.SetPosition(1.0f);
    offline.GetSpectrum(stepped.data());
    EXPECT_EQ(live, stepped);
    EXPECT_NEAR(live[1], 0.2, 0.03);

    music.Play();
    const auto start = std::chrono::steady_clock::now();
    const float first = music.GetPosition();
    EXPECT_GE(first, 2.9999f);
    std::this_thread::sleep_for(std::chrono::milliseconds(120));
    const float later = music.GetPosition();
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_GE(later, first);
    EXPECT_LE(later, 3.0 + elapsed + 1.0 / 44100);

    music.Seek(0.5f);  // playing, and back: the clock goes back with the music
    const float back = music.GetPosition();
    EXPECT_NEAR(back, 0.5f, 1.0 / 44100);
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    EXPECT_GE(music.GetPosition(), back);
    EXPECT_LT(music.GetPosition(), 0.5f + 0.5f);
    music.Stop();
    music.Seek(9.0f);  // past the end: at the end
    EXPECT_EQ(music.GetPosition(), music.GetLength());
}
