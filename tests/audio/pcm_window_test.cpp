// The decoded music held as a window: reads anywhere, in any order, give the frames of one decode
// from the start, for whole and damaged files, while only a few chunks are held.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "audio/pcm_source.h"
#include "tests/audio/mp3_maker.h"
#include "tests/common/headless.h"

namespace {

constexpr int64_t chunk = PcmStore::chunkFrames;

// Every frame of the file, decoded in one pass from the start.
std::vector<int16_t> DecodeWhole(const std::string& path) {
    Mp3Decoder decoder;
    EXPECT_TRUE(decoder.Open(path.c_str()));
    std::vector<int16_t> all;
    std::vector<int16_t> block(4096 * 2);
    bool ended = false;
    while (!ended && int64_t(all.size() / 2) < decoder.Length()) {
        const int got = decoder.Read(block.data(), 4096, &ended);
        all.insert(all.end(), block.begin(), block.begin() + got * 2);
    }
    all.resize(size_t(std::min<int64_t>(int64_t(all.size() / 2), decoder.Length())) * 2);
    return all;
}

// A piece of several chunks whose every block differs: a gliding tone over a little noise.
std::vector<unsigned char> MakePiece(int64_t frames) {
    std::mt19937 random(5);
    std::uniform_real_distribution<double> noise(-0.05, 0.05);
    return EncodeMp3(MakePcm(frames, 2,
                             [&](int64_t i) {
                                 const double t = double(i) / 44100.0;
                                 return 0.5 * std::sin(2 * 3.14159265 * (200 + 40 * t) * t) + noise(random);
                             }),
                     Mp3Options{});
}

// Reads 512 frames at each position (the play head following), in the order given, and checks
// them against the whole decode; the bytes held never pass the budget and the window.
// `opened` runs once the source has opened the file.
void ReadAround(
    const std::string& path, const std::vector<int64_t>& positions, const std::function<void()>& opened = [] {}) {
    const std::vector<int16_t> whole = DecodeWhole(path);
    PcmSource source;
    ASSERT_TRUE(source.Open(path.c_str()));
    opened();
    std::atomic<int64_t> head{0};
    source.Follow(&head, 0);
    const size_t mostBytes = (PcmSource::heldBudget + 4) * size_t(chunk) * 4;
    std::vector<float> mono(512);
    std::vector<int16_t> stereo(512 * 2);
    for (const int64_t at : positions) {
        SCOPED_TRACE(testing::Message() << "frame " << at);
        head = at;
        source.MixMono(at, 512, mono.data());
        const int64_t length = source.Length();
        ASSERT_LE(length * 2, int64_t(whole.size()));
        for (int i = 0; i < 512; ++i) {
            const int64_t f = at + i;
            const float want =
                f < length ? (float(whole[size_t(f * 2)]) + float(whole[size_t(f * 2 + 1)])) * (0.5f / 32768.0f) : 0.0f;
            ASSERT_EQ(mono[size_t(i)], want) << "sample " << i;
        }
        const int copied = source.CopyStereo(at, 512, stereo.data());
        ASSERT_EQ(copied, int(std::clamp<int64_t>(length - at, 0, 512)));
        for (int i = 0; i < copied * 2; ++i) ASSERT_EQ(stereo[size_t(i)], whole[size_t(at * 2 + i)]);
        EXPECT_LE(source.BytesHeld(), mostBytes);
    }
}

}  // namespace

TEST(PcmWindow, ReadsAnywhereGiveTheFirstDecodesFrames) {
    ScratchDir dir;
    const int64_t frames = chunk * 14 + 12345;
    const std::string path = dir.File("piece.mp3");
    ASSERT_TRUE(WriteFileBytes(path, MakePiece(frames)));
    std::vector<int64_t> positions;
    for (int64_t at = 0; at < frames; at += 44100 / 7) positions.push_back(at);  // forward, as the show
    positions.push_back(3 * chunk - 100);                                        // back, across a chunk edge
    positions.push_back(3 * chunk + 1);
    std::mt19937 random(3);
    for (int i = 0; i < 40; ++i) positions.push_back(int64_t(random() % uint32_t(frames + 1000)));
    positions.push_back(frames - 1);  // the last, short chunk, again
    positions.push_back(0);
    ReadAround(path, positions);
}

TEST(PcmWindow, DamagedFilesReadTheSameAfterGoingBack) {
    ScratchDir dir;
    const int64_t frames = chunk * 6;
    std::vector<unsigned char> bytes = MakePiece(frames);
    std::mt19937 random(17);
    // Holes and noise in the middle: decoding resynchronises there, where a seek may land apart.
    for (size_t i = bytes.size() / 3; i < bytes.size() / 2; i += 3000)
        for (size_t j = i; j < i + 300 && j < bytes.size(); ++j) bytes[j] = static_cast<unsigned char>(random());
    const std::string path = dir.File("damaged.mp3");
    ASSERT_TRUE(WriteFileBytes(path, bytes));
    std::vector<int64_t> positions;
    for (int64_t at = 0; at < frames; at += 20000) positions.push_back(at);
    for (int64_t at = frames; at > 0; at -= 30011) positions.push_back(at);
    ReadAround(path, positions);
}

// Chunks decoded again come from the file that was opened, even once another file has taken its
// name (a new build of the content written while the show plays).
TEST(PcmWindow, DecodesAgainFromTheFileOpenedAfterItsNameIsTaken) {
    ScratchDir dir;
    const int64_t frames = chunk * 20;
    const std::string path = dir.File("piece.mp3");
    ASSERT_TRUE(WriteFileBytes(path, MakePiece(frames)));
    std::vector<int64_t> positions;
    for (int64_t at = 0; at < frames; at += 44100 / 5) positions.push_back(at);
    for (int64_t at = frames - 600; at > 0; at -= 25013) positions.push_back(at);  // back: decoded again
    ReadAround(path, positions, [&] {
        ASSERT_EQ(std::remove(path.c_str()), 0);
        ASSERT_TRUE(WriteFileBytes(path, EncodeMp3(MakePcm(frames, 2, [](int64_t) { return 0.0; }), Mp3Options{})));
    });
}
