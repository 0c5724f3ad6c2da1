// The virelle program's options and its refusal to start without a display.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/app/test_show_content.h"
#include "tests/common/headless.h"

namespace {

struct Outcome {
    int status = -1;
    std::string out;  // stdout and stderr
};

// The virelle binary beside virelle-tools, or empty.
std::string VirellePath() {
    const char* tools = std::getenv("VIRELLE_TOOLS");
    if (!tools) return {};
    const std::filesystem::path path = std::filesystem::path(tools).parent_path() / "virelle";
    return std::filesystem::exists(path) ? path.string() : std::string();
}

Outcome Virelle(const std::string& args, const std::string& folder = ".") {
    Outcome o;
    // Offscreen video: never a real display, whatever the test machine has.
    const std::string command =
        "cd '" + folder + "' && SDL_VIDEODRIVER=offscreen '" + VirellePath() + "' " + args + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return o;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe)) o.out += buffer;
    const int status = pclose(pipe);
    o.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return o;
}

class VirelleCommand : public ::testing::Test {
protected:
    void SetUp() override {
        if (VirellePath().empty()) GTEST_SKIP() << "virelle is not built beside VIRELLE_TOOLS";
    }
};

TEST_F(VirelleCommand, UnknownOptionsGiveTheUsageLine) {
    for (const char* args : {"--fullscreen", "-w", "extra", "--windowed --bogus"}) {
        const Outcome o = Virelle(args);
        EXPECT_EQ(o.status, 2) << args;
        EXPECT_EQ(o.out,
                  "usage: virelle [--windowed] [--at T] [--author [--bpm B] [--downbeat S]] | --help | --version\n")
            << args;
    }
}

TEST_F(VirelleCommand, BadStartTimesAndGridsAreRefused) {
    const struct {
        const char* args;
        const char* says;
    } cases[] = {
        {"--at abc", "--at wants a music time in seconds from 0, not 'abc'"},
        {"--at -1", "not '-1'"},
        {"--at 5x", "not '5x'"},
        {"--at nan", "not 'nan'"},
        {"--author --bpm 0", "--bpm wants beats per minute"},
        {"--author --downbeat -2", "--downbeat wants seconds from 0"},
        {"--bpm 120", "--bpm and --downbeat go with --author"},
        {"--at", "usage: virelle"},
    };
    for (const auto& c : cases) {
        const Outcome o = Virelle(c.args);
        EXPECT_EQ(o.status, 2) << c.args;
        EXPECT_NE(o.out.find(c.says), std::string::npos) << c.args << ": " << o.out;
    }
}

TEST_F(VirelleCommand, AStartPastTheMusicsEndIsRefused) {
    ScratchDir dir;
    TestShow show;
    show.mp3Frames = 400;  // about 10.4 s
    ASSERT_TRUE(WriteTestShow(dir.path, show));
    const Outcome o = Virelle("--at 11", dir.path);
    EXPECT_EQ(o.status, 2);
    EXPECT_NE(o.out.find("--at 11 is past the end of the music (10.449 s)"), std::string::npos) << o.out;
    // Within the music, the start time is taken: what stops it here is the missing display.
    EXPECT_NE(Virelle("--at 10", dir.path).out.find("no display found"), std::string::npos);
}

TEST_F(VirelleCommand, HelpAndVersion) {
    const Outcome help = Virelle("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--windowed"), std::string::npos);
    const Outcome version = Virelle("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("virelle ", 0), 0u);
}

// No display: one line naming the offline renderer, status 2, no window and no message box.
TEST_F(VirelleCommand, NoDisplayPointsAtTheOfflineRenderer) {
    for (const char* args : {"", "--windowed"}) {
        const Outcome o = Virelle(args);
        EXPECT_EQ(o.status, 2) << args;
        EXPECT_NE(o.out.find("virelle-tools render"), std::string::npos) << o.out;
        EXPECT_EQ(std::count(o.out.begin(), o.out.end(), '\n'), 1) << o.out;
    }
}

}  // namespace
