// MusicStream on the offline clock: exact length, position, spectrum through a real MP3, and
// files that cannot be played or are damaged.
#include "audio/music_stream.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "tests/audio/mp3_maker.h"
#include "tests/common/headless.h"

namespace {

using Formula = std::function<double(int64_t)>;

std::string WriteMp3(const ScratchDir& dir, const std::string& name, int64_t frames, const Formula& left,
                     const Formula& right = nullptr, Mp3Options options = {}) {
    const std::string path = dir.File(name);
    EXPECT_TRUE(WriteFileBytes(path, EncodeMp3(MakePcm(frames, options.channels, left, right), options)));
    return path;
}

std::vector<float> SpectrumAt(MusicStream& music, float seconds) {
    std::vector<float> out(512, 0.0f);
    music.SetPosition(seconds);
    music.GetSpectrum(out.data());
    return out;
}

double Silence(int64_t) {
    return 0.0;
}

}  // namespace

TEST(MusicStreamOffline, LengthIsTheEncodedSampleCount) {
    struct Case {
        int rate, channels;
        int64_t frames;
    };
    ScratchDir dir;
    for (const Case c :
         {Case{44100, 2, 132423}, Case{44100, 1, 44100}, Case{44100, 2, 100}, Case{44100, 2, 1152 * 7}}) {
        SCOPED_TRACE(testing::Message() << c.channels << " channels, " << c.frames << " frames");
        const std::string path =
            WriteMp3(dir, "len.mp3", c.frames, BinSine(20, 0.3), nullptr, {c.rate, c.channels, 128, true});
        MessageLog log;
        MusicStream music(path.c_str(), MusicStream::Clock::Offline);
        ASSERT_TRUE(music.created);
        EXPECT_EQ(music.GetLength(), float(double(c.frames) / 44100.0));
        EXPECT_TRUE(log.boxes.empty());
    }
}

// Music at another rate plays at its own: the length is its sample count at its rate, and the
// spectrum is of its own samples, so a bin-centred tone is one clean peak (no resampler's spurs).
TEST(MusicStreamOffline, OtherRatesPlayAtTheirOwnRate) {
    ScratchDir dir;
    for (int rate : {48000, 32000, 22050}) {
        SCOPED_TRACE(rate);
        const int kbps = rate == 22050 ? 160 : 320;
        const std::string path = WriteMp3(dir, "r.mp3", rate, BinSine(20, 0.4), nullptr, {rate, 2, kbps, true});
        MusicStream music(path.c_str(), MusicStream::Clock::Offline);
        ASSERT_TRUE(music.created);
        EXPECT_EQ(music.GetLength(), float(double(rate) / rate));
        const std::vector<float> s = SpectrumAt(music, 0.5f);
        for (int bin = 0; bin < 256; ++bin) {
            if (bin >= 18 && bin <= 22) continue;                       // the peak and the window's spread of it
            EXPECT_LT(s[size_t(bin)], s[20] * 1e-3f) << "bin " << bin;  // below -60 dB
        }
        EXPECT_NEAR(s[19], s[20] / 2, s[20] * 0.02f);
    }
}

// A first frame whose Xing header claims two billion frames in front of two kilobytes of music:
// the claim is never used for work, and the length is what the file holds.
TEST(MusicStreamOffline, AFrameCountInTheHeaderIsNotBelieved) {
    ScratchDir dir;
    std::vector<unsigned char> file(104, 0);  // MPEG-2 layer III, 32 kbit/s, 22050 Hz, mono
    const unsigned char header[4] = {0xFF, 0xF3, 0x40, 0xC4};
    std::memcpy(file.data(), header, 4);
    std::memcpy(file.data() + 13, "Xing\0\0\0\x01\x7F\xFF\xFF\xFF", 12);
    const auto body = EncodeMp3(MakePcm(22050 / 4, 1, BinSine(10, 0.3)), {22050, 1, 32, false});
    file.insert(file.end(), body.begin(), body.end());
    ASSERT_LT(file.size(), 2500u);
    const std::string path = dir.File("claims.mp3");
    ASSERT_TRUE(WriteFileBytes(path, file));
    MessageLog log;
    MusicStream music(path.c_str(), MusicStream::Clock::Offline);
    ASSERT_TRUE(music.created);
    EXPECT_GT(music.GetLength(), 0.2f);
    EXPECT_LT(music.GetLength(), 0.5f);
}

TEST(MusicStreamOffline, PositionIsWhatWasSetWithinTheMusic) {
    ScratchDir dir;
    const std::string path = WriteMp3(dir, "pos.mp3", 44100 * 2, BinSine(3, 0.2));
    MusicStream music(path.c_str(), MusicStream::Clock::Offline);
    ASSERT_TRUE(music.created);
    const float length = music.GetLength();
    EXPECT_EQ(music.GetPosition(), 0.0f);
    struct Case {
        float set, expected;
    };
    for (const Case c : {Case{0.5f, 0.5f}, Case{1.2345678f, 1.2345678f}, Case{0.1f, 0.1f}, Case{-1.0f, 0.0f},
                         Case{std::numeric_limits<float>::quiet_NaN(), 0.0f}, Case{length, length}, Case{1e9f, length},
                         Case{std::numeric_limits<float>::infinity(), length}}) {
        music.SetPosition(c.set);
        EXPECT_EQ(music.GetPosition(), c.expected) << "set " << c.set;
    }
}

TEST(MusicStreamOffline, SpectrumOfTheMonoMix) {
    // A sine on bin 1's centre (86.13 Hz); the mix is the mean of the channels.
    struct Case {
        const char* name;
        double left, right, bin1;
    };
    ScratchDir dir;
    for (const Case c : {Case{"both", 0.5, 0.5, 0.5}, Case{"left only", 0.8, 0.0, 0.4},
                         Case{"opposite phase", 0.5, -0.5, 0.0}, Case{"loud", 0.9, 0.9, 0.9}}) {
        SCOPED_TRACE(c.name);
        const std::string path = WriteMp3(dir, "sine.mp3", 44100, BinSine(1, c.left), BinSine(1, c.right));
        MusicStream music(path.c_str(), MusicStream::Clock::Offline);
        ASSERT_TRUE(music.created);
        for (float t : {0.25f, 0.5f, 0.7f}) {
            const std::vector<float> s = SpectrumAt(music, t);
            EXPECT_NEAR(s[1], c.bin1, 0.02) << "at " << t;
            EXPECT_NEAR(s[2], c.bin1 / 2, 0.02) << "at " << t;
            for (int k = 4; k < 256; ++k) ASSERT_LT(s[size_t(k)], 0.02) << "bin " << k << " at " << t;
        }
    }
}

TEST(MusicStreamOffline, SpectrumIsZeroForSilenceAndPastTheEnd) {
    ScratchDir dir;
    const std::string silent = WriteMp3(dir, "silent.mp3", 44100, Silence);
    MusicStream quiet(silent.c_str(), MusicStream::Clock::Offline);
    ASSERT_TRUE(quiet.created);
    for (float v : SpectrumAt(quiet, 0.4f)) EXPECT_NEAR(v, 0.0, 1e-3);

    const std::string loud = WriteMp3(dir, "loud.mp3", 44100, BinSine(8, 0.7));
    MusicStream music(loud.c_str(), MusicStream::Clock::Offline);
    ASSERT_TRUE(music.created);
    std::vector<float> s(512, 3.0f);  // elements 256..511 must keep this
    music.SetPosition(music.GetLength());
    music.GetSpectrum(s.data());
    for (int k = 0; k < 256; ++k) EXPECT_EQ(s[size_t(k)], 0.0f) << "bin " << k;
    for (int k = 256; k < 512; ++k) EXPECT_EQ(s[size_t(k)], 3.0f) << "element " << k;
    // Half a window before the end: the zeros after the end halve the sine's reading at most.
    s = SpectrumAt(music, music.GetLength() - 256.0f / 44100);
    EXPECT_GT(s[8], 0.2f);
    EXPECT_LT(s[8], 0.7f);
}

TEST(MusicStreamOffline, FilesThatAreNotMusicCannotBePlayed) {
    ScratchDir dir;
    std::mt19937 random(7);
    std::vector<unsigned char> noise(100000);
    for (auto& b : noise) b = static_cast<unsigned char>(random());
    std::vector<unsigned char> text;
    for (int i = 0; i < 2000; ++i) text.insert(text.end(), {'h', 'e', 'l', 'l', 'o', '\n'});
    std::vector<unsigned char> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
    png.resize(4096, 0);
    // A lone frame header with nothing behind it, and an ID3 tag that claims far more than there is.
    const std::vector<unsigned char> header = {0xff, 0xfb, 0x90, 0x64, 0, 0, 0, 0};
    const std::vector<unsigned char> id3 = {'I', 'D', '3', 3, 0, 0, 0x7f, 0x7f, 0x7f, 0x7f, 1, 2, 3};
    struct Case {
        const char* name;
        std::vector<unsigned char> bytes;
    };
    for (const Case& c : {Case{"noise.mp3", noise}, Case{"text.mp3", text}, Case{"image.mp3", png},
                          Case{"empty.mp3", {}}, Case{"header.mp3", header}, Case{"id3.mp3", id3}}) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(WriteFileBytes(dir.File(c.name), c.bytes));
        MessageLog log;
        MusicStream music(dir.File(c.name).c_str(), MusicStream::Clock::Offline);
        EXPECT_FALSE(music.created);
        ASSERT_EQ(log.boxes.size(), 1u);
        EXPECT_EQ(log.boxes[0].first, "Cant Play Funky Music");
        EXPECT_EQ(log.boxes[0].second, "You Suck");
        EXPECT_EQ(music.GetLength(), 0.0f);
        EXPECT_EQ(music.GetPosition(), 0.0f);
    }
    MessageLog log;
    MusicStream folder(dir.path.c_str(), MusicStream::Clock::Offline);
    EXPECT_FALSE(folder.created);
    EXPECT_EQ(log.boxes.size(), 1u);
}

TEST(MusicStreamOffline, DamagedFilesPlayWhatDecodesThenEnd) {
    ScratchDir dir;
    const int64_t frames = 44100 * 3;
    const std::vector<unsigned char> whole = EncodeMp3(MakePcm(frames, 2, BinSine(12, 0.5)), Mp3Options{});
    std::vector<unsigned char> half(whole.begin(), whole.begin() + long(whole.size() / 2));
    std::vector<unsigned char> oddCut(whole.begin(), whole.begin() + long(whole.size() * 2 / 3 + 137));
    std::vector<unsigned char> scrambled = whole;
    std::mt19937 random(11);
    for (size_t i = scrambled.size() / 3; i < scrambled.size() / 2; ++i)
        scrambled[i] ^= static_cast<unsigned char>(random());
    std::vector<unsigned char> holes = whole;
    for (size_t i = 2000; i + 400 < holes.size(); i += 5000)
        std::fill(holes.begin() + long(i), holes.begin() + long(i + 400), 0);
    struct Case {
        const char* name;
        std::vector<unsigned char> bytes;
        double shortest;  // seconds that must survive
    };
    for (const Case& c : {Case{"half.mp3", half, 1.3}, Case{"oddcut.mp3", oddCut, 1.8},
                          Case{"scrambled.mp3", scrambled, 0.9}, Case{"holes.mp3", holes, 0.5}}) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(WriteFileBytes(dir.File(c.name), c.bytes));
        MessageLog log;
        MusicStream music(dir.File(c.name).c_str(), MusicStream::Clock::Offline);
        ASSERT_TRUE(music.created);
        EXPECT_TRUE(log.boxes.empty());
        std::vector<float> s(512);
        for (float t = 0; t < 4.0f; t += 0.05f) {  // walks to the end and beyond, decoding it all
            music.SetPosition(t);
            music.GetSpectrum(s.data());
        }
        EXPECT_GE(music.GetLength(), c.shortest);
        EXPECT_LE(music.GetLength(), float(double(frames) / 44100));
        EXPECT_EQ(music.GetPosition(), music.GetLength());
    }
}
