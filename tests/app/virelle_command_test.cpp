// The virelle program's options and its refusal to start without a display.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/app/test_show_content.h"
#include "tests/common/headless.h"
#include "tests/common/run_tool.h"

namespace {

// Offscreen video: never a real display, whatever the test machine has.
ToolRun Virelle(const std::string& args, const std::string& folder = "") {
    RunSettings settings;
    settings.dir = folder;
    settings.environment = "SDL_VIDEODRIVER=offscreen";
    settings.withStderr = true;
    return RunProgram(VirellePath(), args, settings);
}

class VirelleCommand : public ::testing::Test {
protected:
    void SetUp() override {
        if (VirellePath().empty()) GTEST_SKIP() << "virelle is not built beside VIRELLE_TOOLS";
    }
};

TEST_F(VirelleCommand, UnknownOptionsGiveTheUsageLine) {
    for (const char* args : {"--fullscreen", "-w", "extra", "--windowed --bogus"}) {
        const ToolRun o = Virelle(args);
        EXPECT_EQ(o.status, 2) << args;
        EXPECT_EQ(
            o.out,
            "usage: virelle [--windowed] [--at T] [--resolution WxH|native] [--supersample N] [--author [--bpm B] "
            "[--downbeat S]] | --help | --version\n")
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
        {"--resolution 640", "--resolution must be WxH from 16x16 to 16384x16384 (or native), not '640'"},
        {"--resolution 20000x480", "not '20000x480'"},
        {"--supersample 8", "--supersample must be a whole number from 1 to 4, not '8'"},
        {"--windowed --resolution native", "--resolution native is the display's size in full screen"},
    };
    for (const auto& c : cases) {
        const ToolRun o = Virelle(c.args);
        EXPECT_EQ(o.status, 2) << c.args;
        EXPECT_NE(o.out.find(c.says), std::string::npos) << c.args << ": " << o.out;
    }
}

TEST_F(VirelleCommand, AStartPastTheMusicsEndIsRefused) {
    ScratchDir dir;
    TestShow show;
    show.mp3Frames = 400;  // about 10.4 s
    ASSERT_TRUE(WriteTestShow(dir.path, show));
    const ToolRun o = Virelle("--at 11", dir.path);
    EXPECT_EQ(o.status, 2);
    EXPECT_NE(o.out.find("--at 11 is past the end of the music (10.449 s)"), std::string::npos) << o.out;
    // Within the music, the start time is taken: what stops it here is the missing display.
    EXPECT_NE(Virelle("--at 10", dir.path).out.find("no display found"), std::string::npos);
}

TEST_F(VirelleCommand, HelpAndVersion) {
    const ToolRun help = Virelle("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--windowed"), std::string::npos);
    for (const char* status : {"  0 ", "  1 ", "  2 ", "  128+N "})  // every exit status is explained
        EXPECT_NE(help.out.find(status), std::string::npos) << status;
    const ToolRun version = Virelle("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("virelle ", 0), 0u);
}

// No display: one line naming the offline renderer, status 2, no window and no message box.
TEST_F(VirelleCommand, NoDisplayPointsAtTheOfflineRenderer) {
    for (const char* args : {"", "--windowed"}) {
        const ToolRun o = Virelle(args);
        EXPECT_EQ(o.status, 2) << args;
        EXPECT_NE(o.out.find("virelle-tools render"), std::string::npos) << o.out;
        EXPECT_EQ(std::count(o.out.begin(), o.out.end(), '\n'), 1) << o.out;
    }
}

// A display that is named but not there: status 2 and one line saying so, not a show without a
// window.
TEST_F(VirelleCommand, AnUnreachableDisplayIsReportedWithStatus2) {
    RunSettings settings;
    settings.environment = "env -u SDL_VIDEODRIVER -u WAYLAND_DISPLAY DISPLAY=:987";
    settings.withStderr = true;
    const ToolRun o = RunProgram(VirellePath(), "", settings);
    EXPECT_EQ(o.status, 2);
    EXPECT_NE(o.out.find("cannot open the display"), std::string::npos) << o.out;
    EXPECT_EQ(std::count(o.out.begin(), o.out.end(), '\n'), 1) << o.out;
}

}  // namespace
