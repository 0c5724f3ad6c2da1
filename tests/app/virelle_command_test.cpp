// The virelle program's options and its refusal to start without a display.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/common/run_tool.h"

namespace {

// Offscreen video: never a real display, whatever the test machine has.
ToolRun Virelle(const std::string& args) {
    RunSettings settings;
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
        EXPECT_EQ(o.out, "usage: virelle [--windowed | --help | --version]\n") << args;
    }
}

TEST_F(VirelleCommand, HelpAndVersion) {
    const ToolRun help = Virelle("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--windowed"), std::string::npos);
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

}  // namespace
