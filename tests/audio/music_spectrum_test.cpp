// The spectrum's scale and window on exact input (no MP3 in between).
#include "audio/music_spectrum.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

namespace {

std::vector<float> Analyze(const std::vector<float>& samples) {
    SpectrumAnalyzer analyzer;
    std::vector<float> out(512, -7.0f);  // the upper half must keep this
    analyzer.Analyze(samples.data(), out.data());
    for (int k = 256; k < 512; ++k) EXPECT_EQ(out[size_t(k)], -7.0f) << "element " << k << " was written";
    out.resize(256);
    return out;
}

std::vector<float> Sine(int bin, double amplitude, double phase) {
    std::vector<float> s(512);
    for (int i = 0; i < 512; ++i)
        s[size_t(i)] = float(amplitude * std::sin(2 * std::numbers::pi * bin * i / 512.0 + phase));
    return s;
}

}  // namespace

TEST(Spectrum, BinCentredSineReadsItsAmplitudeAndHalfInEachNeighbour) {
    struct Case {
        int bin;
        double amplitude, phase;
    };
    for (const Case c :
         {Case{1, 1.0, 0.0}, Case{1, 0.5, 1.1}, Case{10, 0.5, 0.4}, Case{100, 0.25, 2.0}, Case{255, 0.8, 0.7}}) {
        SCOPED_TRACE(testing::Message() << "bin " << c.bin << " amplitude " << c.amplitude);
        const std::vector<float> out = Analyze(Sine(c.bin, c.amplitude, c.phase));
        EXPECT_NEAR(out[size_t(c.bin)], c.amplitude, 1e-4);
        // A periodic Hann window spreads a centred sine over exactly three bins: A/2, A, A/2.
        if (c.bin + 1 < 256) {
            EXPECT_NEAR(out[size_t(c.bin + 1)], c.amplitude / 2, 1e-4);
        }
        if (c.bin >= 2) {
            EXPECT_NEAR(out[size_t(c.bin - 1)], c.amplitude / 2, 1e-4);
        }
        for (int k = 0; k < 256; ++k) {
            if (std::abs(k - c.bin) <= 1) continue;
            EXPECT_NEAR(out[size_t(k)], 0.0, 1e-4) << "bin " << k;
        }
    }
}

TEST(Spectrum, ConstantReadsTwiceItsValueInBinZero) {
    // |X_0| * 2 / sum(w) = 2c: the bass threshold on bin 0 is on this scale.
    const std::vector<float> out = Analyze(std::vector<float>(512, 0.25f));
    EXPECT_NEAR(out[0], 0.5, 1e-5);
    EXPECT_NEAR(out[1], 0.25, 1e-5);
    for (int k = 2; k < 256; ++k) EXPECT_NEAR(out[size_t(k)], 0.0, 1e-5) << "bin " << k;
}

TEST(Spectrum, SilenceIsZeroEverywhere) {
    for (float v : Analyze(std::vector<float>(512, 0.0f))) EXPECT_EQ(v, 0.0f);
}
