// The virelle program's options and its refusal to start without a display.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

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

// Offscreen video unless `environment` says otherwise: never a real display, whatever the test
// machine has.
Outcome Virelle(const std::string& args, const std::string& environment = "SDL_VIDEODRIVER=offscreen") {
    Outcome o;
    const std::string command = environment + " '" + VirellePath() + "' " + args + " 2>&1";
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
        EXPECT_EQ(o.out, "usage: virelle [--windowed | --help | --version]\n") << args;
    }
}

TEST_F(VirelleCommand, HelpAndVersion) {
    const Outcome help = Virelle("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--windowed"), std::string::npos);
    for (const char* status : {"  0 ", "  1 ", "  2 ", "  128+N "})  // every exit status is explained
        EXPECT_NE(help.out.find(status), std::string::npos) << status;
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

// A display that is named but not there: status 2 and one line saying so, not a show without a
// window.
TEST_F(VirelleCommand, AnUnreachableDisplayIsReportedWithStatus2) {
    const Outcome o = Virelle("", "env -u SDL_VIDEODRIVER -u WAYLAND_DISPLAY DISPLAY=:987");
    EXPECT_EQ(o.status, 2);
    EXPECT_NE(o.out.find("cannot open the display"), std::string::npos) << o.out;
    EXPECT_EQ(std::count(o.out.begin(), o.out.end(), '\n'), 1) << o.out;
}

}  // namespace
