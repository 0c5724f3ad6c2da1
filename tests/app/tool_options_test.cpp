// The tools' option parser: what it accepts, what it refuses and in which words.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/options.h"

namespace {

const CommandSpec spec{"try",
                       "usage: virelle-tools try FILE [--time T] [--quiet]",
                       {{"--time", true}, {"--camera", true}, {"--quiet", false}},
                       1};

// Parses words as argv would hold them; the problem is empty when they were accepted.
std::string Parse(std::vector<std::string> words, ParsedOptions* options) {
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    std::string problem;
    if (!ParseOptions(spec, static_cast<int>(argv.size()), argv.data(), options, &problem) && problem.empty())
        return "refused without a reason";
    return problem;
}

TEST(ToolOptions, ValuesFlagsAndFileNames) {
    ParsedOptions o;
    ASSERT_EQ(Parse({"a.mp3", "--time", "-1.5", "--quiet", "--time", "2"}, &o), "");
    EXPECT_EQ(o.positional, std::vector<std::string>{"a.mp3"});
    EXPECT_TRUE(o.Has("--quiet"));
    EXPECT_FALSE(o.Has("--camera"));
    EXPECT_STREQ(o.Value("--time"), "2");  // the last one given counts
    EXPECT_EQ(o.Value("--camera"), nullptr);
    std::string problem;
    double time = 0;
    int camera = 7;
    EXPECT_TRUE(o.Number("--time", &time, &problem));
    EXPECT_EQ(time, 2.0);
    EXPECT_TRUE(o.Integer("--camera", &camera, &problem));  // not given: left alone
    EXPECT_EQ(camera, 7);

    ASSERT_EQ(Parse({"--time", "-1.5"}, &o), "");  // a value may look like an option
    EXPECT_TRUE(o.Number("--time", &time, &problem));
    EXPECT_EQ(time, -1.5);
}

TEST(ToolOptions, RefusalsSayWhatIsWrong) {
    ParsedOptions o;
    EXPECT_EQ(Parse({"--bogus"}, &o), "unknown option '--bogus'");
    EXPECT_EQ(Parse({"a", "--time"}, &o), "--time needs a value");
    EXPECT_EQ(Parse({"a", "b"}, &o), "unexpected argument 'b'");
    EXPECT_EQ(Parse({"--quiet=1"}, &o), "unknown option '--quiet=1'");

    ASSERT_EQ(Parse({"--time", "1s", "--camera", "2.5"}, &o), "");
    std::string problem;
    double time = 9;
    int camera = 9;
    EXPECT_FALSE(o.Number("--time", &time, &problem));
    EXPECT_EQ(problem, "--time needs a number, not '1s'");
    EXPECT_EQ(time, 9);
    EXPECT_FALSE(o.Integer("--camera", &camera, &problem));
    EXPECT_EQ(problem, "--camera needs a whole number, not '2.5'");
}

TEST(ToolOptions, NumbersAreWholeAndFinite) {
    double d = 0;
    for (const char* good : {"0", "-0.25", "1e3", "46.6", "+7"}) EXPECT_TRUE(ParseNumber(good, &d)) << good;
    for (const char* bad : {"", " 1", "1 ", "1,5", "abc", "nan", "inf", "-inf", "1e999", "0x", "--1"})
        EXPECT_FALSE(ParseNumber(bad, &d)) << bad;
    // Floats are rounded once from the text, as the show's own times are.
    float f = 0;
    ASSERT_TRUE(ParseNumber("46.6", &f));
    EXPECT_EQ(f, 46.6f);
    EXPECT_FALSE(ParseNumber("1e40", &f));  // past a float's range
    int n = 0;
    ASSERT_TRUE(ParseInteger("-12", &n));
    EXPECT_EQ(n, -12);
    for (const char* bad : {"", "1.0", "3x", "99999999999", " 4"}) EXPECT_FALSE(ParseInteger(bad, &n)) << bad;
}

}  // namespace
