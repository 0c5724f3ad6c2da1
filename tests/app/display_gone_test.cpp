// The display server going away under a running show (Xvfb killed by its process id): the show
// ends within a fraction of a second with status 1, as when its window could not be made.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "tests/app/test_show_content.h"
#include "tests/common/headless.h"
#include "tests/common/run_tool.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

std::string ReadAll(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Waits up to `limit` for the process; its exit status, or -1 (still running or killed by a signal).
int WaitExit(pid_t pid, std::chrono::milliseconds limit) {
    for (const auto start = Clock::now(); Clock::now() - start < limit; std::this_thread::sleep_for(5ms)) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    return -1;
}

}  // namespace

TEST(DisplayGone, TheShowEndsWithStatus1) {
    if (VirellePath().empty()) GTEST_SKIP() << "virelle is not built beside VIRELLE_TOOLS";
    ScratchDir dir;
    ASSERT_TRUE(WriteTestShow(dir.path, TestShow{}));
    // Xvfb picks a free display and writes its number to fd 3.
    int numbers[2];
    ASSERT_EQ(pipe(numbers), 0);
    SpawnSettings server;
    server.output = dir.File("xvfb.log");
    server.fd3 = numbers[1];
    const pid_t xvfb =
        SpawnProgram({"Xvfb", "-displayfd", "3", "-nolisten", "tcp", "-screen", "0", "800x600x24"}, server);
    close(numbers[1]);
    if (xvfb < 0) {
        close(numbers[0]);
        GTEST_SKIP() << "Xvfb does not run here";
    }
    std::string display;
    char c;
    while (read(numbers[0], &c, 1) == 1 && c != '\n') display += c;
    close(numbers[0]);
    if (display.empty()) {
        kill(xvfb, SIGKILL);
        waitpid(xvfb, nullptr, 0);
        GTEST_SKIP() << "Xvfb did not start: " << ReadAll(dir.File("xvfb.log"));
    }

    // Xlib's handler ends the program from inside the frame loop, past the teardown: what that
    // leaves behind is no leak of the show's.
    SpawnSettings settings;
    settings.environment = {"DISPLAY=:" + display, "SDL_AUDIODRIVER=dummy", "ASAN_OPTIONS=detect_leaks=0"};
    settings.leftOut = {"SDL_VIDEODRIVER=", "WAYLAND_DISPLAY="};
    settings.output = dir.File("show.log");
    settings.dir = dir.path;
    const pid_t show = SpawnProgram({VirellePath(), "--windowed"}, settings);
    ASSERT_GT(show, 0);
    const int early = WaitExit(show, 3000ms);  // start-up, then a good second of the show
    kill(xvfb, SIGKILL);
    waitpid(xvfb, nullptr, 0);
    const auto gone = Clock::now();
    ASSERT_EQ(early, -1) << "the show ended before its display did: " << ReadAll(dir.File("show.log"));
    const int status = WaitExit(show, 5000ms);
    const double took = std::chrono::duration<double>(Clock::now() - gone).count();
    if (status == -1) {
        kill(show, SIGKILL);
        waitpid(show, nullptr, 0);
    }
    EXPECT_EQ(status, 1) << ReadAll(dir.File("show.log"));
    EXPECT_LT(took, 1.0) << "the show went on without its display";
    EXPECT_NE(ReadAll(dir.File("show.log")).find("X connection to :" + display + " broken"), std::string::npos)
        << ReadAll(dir.File("show.log"));
}
