// virelle-tools spectrum and inspect against an independent decode and a plain DFT.
#include <gtest/gtest.h>
#include <mpg123.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

#include "tests/audio/mp3_maker.h"
#include "tests/common/headless.h"
#include "tests/common/run_tool.h"

namespace {

// The numbers in the text after `key`, up to the closing bracket or brace.
std::vector<double> NumbersAfter(const std::string& json, const std::string& key) {
    std::vector<double> values;
    size_t at = json.find("\"" + key + "\":");
    if (at == std::string::npos) return values;
    at += key.size() + 3;
    const size_t end = json.find_first_of("]}", at);
    std::string part = json.substr(at, end - at);
    for (char& c : part)
        if (c == '[' || c == ',') c = ' ';
    std::istringstream in(part);
    for (double v; in >> v;) values.push_back(v);
    return values;
}

// Decodes with libmpg123 on its own (gapless, as it comes) to the mono mean.
std::vector<double> DecodeMono(const std::string& path) {
    std::vector<double> mono;
    mpg123_handle* mh = mpg123_new(nullptr, nullptr);
    mpg123_format_none(mh);
    mpg123_format(mh, 44100, MPG123_STEREO, MPG123_ENC_FLOAT_32);
    if (mpg123_open(mh, path.c_str()) == MPG123_OK) {
        float buffer[4096];
        size_t done = 0;
        int result;
        do {
            result = mpg123_read(mh, buffer, sizeof buffer, &done);
            for (size_t i = 0; i + 1 < done / sizeof(float); i += 2)
                mono.push_back((double(buffer[i]) + buffer[i + 1]) / 2);
        } while (result == MPG123_OK || result == MPG123_NEW_FORMAT);
    }
    mpg123_delete(mh);
    return mono;
}

// |DFT| of 512 Hann-windowed samples from floor(t * 44100), by the textbook sum.
std::vector<double> ReferenceSpectrum(const std::vector<double>& mono, float t) {
    const long first = long(std::floor(double(t) * 44100));
    std::vector<double> out(256);
    for (int k = 0; k < 256; ++k) {
        double re = 0, im = 0, windowSum = 0;
        for (int i = 0; i < 512; ++i) {
            const double w = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * i / 512);
            const long at = first + i;
            const double x = at < long(mono.size()) ? mono[size_t(at)] : 0.0;
            re += w * x * std::cos(2 * std::numbers::pi * k * i / 512);
            im -= w * x * std::sin(2 * std::numbers::pi * k * i / 512);
            windowSum += w;
        }
        out[size_t(k)] = std::hypot(re, im) * 2 / windowSum;
    }
    return out;
}

// Music that changes fast: a rising sweep with a bass pulse every quarter second.
std::string WriteSweep(const ScratchDir& dir, int64_t frames) {
    const auto left = [](int64_t i) {
        const double t = double(i) / 44100;
        const double sweep = 0.3 * std::sin(2 * std::numbers::pi * (100 * t + 400 * t * t));
        const double pulse = std::fmod(t, 0.25) < 0.08 ? 0.5 * std::sin(2 * std::numbers::pi * 60 * t) : 0.0;
        return sweep + pulse;
    };
    const auto right = [&](int64_t i) { return 0.7 * left(i); };
    const std::string path = dir.File("sweep.mp3");
    EXPECT_TRUE(WriteFileBytes(path, EncodeMp3(MakePcm(frames, 2, left, right), {})));
    return path;
}

}  // namespace

TEST(SpectrumCommand, AgreesWithAnIndependentDecodeAndDft) {
    ScratchDir dir;
    const std::string path = WriteSweep(dir, 44100 * 2);
    const std::vector<double> mono = DecodeMono(path);
    ASSERT_EQ(mono.size(), size_t(44100 * 2));
    for (float t : {0.0f, 0.1234f, 0.5f, 1.01f, 1.9950f}) {
        const ToolRun run = RunTool("spectrum " + path + " --time " + std::to_string(t));
        ASSERT_EQ(run.status, 0) << run.out;
        const std::string& json = run.out;
        EXPECT_NEAR(NumbersAfter(json, "time").at(0), t, 1e-6);
        EXPECT_EQ(NumbersAfter(json, "length").at(0), float(2.0));
        const std::vector<double> got = NumbersAfter(json, "spectrum");
        ASSERT_EQ(got.size(), 256u);
        const std::vector<double> want = ReferenceSpectrum(mono, float(NumbersAfter(json, "time").at(0)));
        for (int k = 0; k < 256; ++k) ASSERT_NEAR(got[size_t(k)], want[size_t(k)], 0.02) << "bin " << k << " at " << t;
    }
}

TEST(SpectrumCommand, RangeGivesOneLinePerFrameTime) {
    ScratchDir dir;
    const std::string path = WriteSweep(dir, 44100);
    const ToolRun run = RunTool("spectrum " + path + " --from 0.25 --to 0.5 --fps 20");
    ASSERT_EQ(run.status, 0);
    const std::string& csv = run.out;
    std::istringstream lines(csv);
    std::string line;
    std::vector<double> times, bass;
    while (std::getline(lines, line)) {
        double t, s0, s1;
        char comma1, comma2;
        std::istringstream fields(line);
        ASSERT_TRUE(fields >> t >> comma1 >> s0 >> comma2 >> s1) << line;
        times.push_back(t);
        bass.push_back(s1);
        // Each line matches the single-time output at its time.
        const std::string json = RunTool("spectrum " + path + " --time " + std::to_string(t)).out;
        const std::vector<double> s = NumbersAfter(json, "spectrum");
        ASSERT_EQ(s.size(), 256u);
        EXPECT_NEAR(s0, s[0], 1e-6);
        EXPECT_NEAR(s1, s[1], 1e-6);
    }
    ASSERT_EQ(times.size(), 6u);  // 0.25, 0.30, ... 0.50
    for (size_t i = 0; i < times.size(); ++i) EXPECT_NEAR(times[i], 0.25 + 0.05 * double(i), 1e-6);
    // The 60 Hz pulse sounds for 80 ms of every 250: on at 0.25, 0.30 and 0.50, off in between.
    const bool on[] = {true, true, false, false, false, true};
    for (size_t i = 0; i < times.size(); ++i) EXPECT_EQ(bass[i] > 0.2, on[i]) << "at " << times[i] << ": " << bass[i];
}

TEST(SpectrumCommand, InspectReportsTheExactCount) {
    ScratchDir dir;
    const std::string path = dir.File("tone.mp3");
    ASSERT_TRUE(WriteFileBytes(path, EncodeMp3(MakePcm(132423, 2, BinSine(9, 0.4)), {})));
    const ToolRun run = RunTool("inspect " + path);
    ASSERT_EQ(run.status, 0) << run.out;
    const std::string& json = run.out;
    EXPECT_EQ(NumbersAfter(json, "sampleRate").at(0), 44100);
    EXPECT_EQ(NumbersAfter(json, "channels").at(0), 2);
    EXPECT_EQ(NumbersAfter(json, "samples").at(0), 132423);
    EXPECT_EQ(float(NumbersAfter(json, "length").at(0)), float(132423.0 / 44100));

    ASSERT_TRUE(WriteFileBytes(dir.File("bad.mp3"), {'n', 'o', 'p', 'e'}));
    EXPECT_NE(RunTool("inspect " + dir.File("bad.mp3")).status, 0);
    EXPECT_NE(RunTool("spectrum " + dir.File("bad.mp3") + " --time 1").status, 0);
}
