// Stopping a run from outside: SIGINT and SIGTERM end the live show through its normal teardown
// with status 128 + N, and stop virelle-tools render after the frame it is on.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <link.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>

#include "app/author/author_program.h"
#include "app/program.h"
#include "platform/stop_signals.h"
#include "tests/app/test_show_content.h"
#include "tests/common/headless.h"

namespace {

using namespace std::chrono_literals;

// SDL_Quit unloads the GL driver, after which LeakSanitizer could only name the driver's own
// leftovers "<unknown module>", past any suppression by library name. Keeping the driver's
// libraries loaded lets the exit-time check run on the whole teardown.
void KeepGlDriverLoaded() {
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void*) {
            const char* name = info->dlpi_name;
            for (const char* part : {"libEGL", "libGL", "dri.so", "gallium", "libLLVM", "glapi"})
                if (name && std::strstr(name, part)) dlopen(name, RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE);
            return 0;
        },
        nullptr);
}

// The live program (or author mode) on the test show; a signal comes once it is under way. Exits
// with its status.
[[noreturn]] void PlayAndSignal(const std::string& dir, int signal, bool author = false) {
    if (chdir(dir.c_str()) != 0) std::_Exit(5);
    PlatformUseOffscreenVideo();
    PlatformCatchStopSignals();
    MessageLog quiet;  // no sound card here: the music's box
    std::thread sender([signal] {
        std::this_thread::sleep_for(1500ms);  // loading or playing: either way the show ends cleanly
        KeepGlDriverLoaded();
        kill(getpid(), signal);
    });
    const int status = author ? RunAuthorProgram(AuthorOptions{false, 0.0f, BeatGrid{}, DrawSize{}})
                              : RunLiveProgram(LiveOptions{false, 0.0f, DrawSize{}});
    sender.join();
    std::exit(status);
}

class LiveProgram : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(WriteTestShow(scratch.path, TestShow{})); }  // 140 s of music
    ScratchDir scratch;
};

TEST_F(LiveProgram, SigtermEndsTheShowWithStatus143) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(PlayAndSignal(scratch.path, SIGTERM), ::testing::ExitedWithCode(128 + SIGTERM), "");
}

TEST_F(LiveProgram, SigintEndsTheShowWithStatus130) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(PlayAndSignal(scratch.path, SIGINT), ::testing::ExitedWithCode(128 + SIGINT), "");
}

TEST_F(LiveProgram, AuthorModeEndsOnSigtermWithStatus143) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(PlayAndSignal(scratch.path, SIGTERM, true), ::testing::ExitedWithCode(128 + SIGTERM), "");
}

// virelle-tools render in a child; the signal comes once its first frame is on disk.
int RenderAndSignal(const std::string& dir, int signal, long* written) {
    const char* tools = std::getenv("VIRELLE_TOOLS");
    const pid_t pid = fork();
    if (pid == 0) {
        if (chdir(dir.c_str()) != 0) std::_Exit(5);
        std::freopen("/dev/null", "w", stdout);
        std::freopen("/dev/null", "w", stderr);
        execl(tools, tools, "render", "--from", "0", "--to", "100", "--fps", "10", "--out", "frames", nullptr);
        std::_Exit(6);
    }
    const std::filesystem::path first = std::filesystem::path(dir) / "frames" / "frame_000000.png";
    int status = 0;
    for (int i = 0; i < 2400 && !std::filesystem::exists(first); ++i) {
        if (waitpid(pid, &status, WNOHANG) == pid) return -1;  // ended by itself
        std::this_thread::sleep_for(50ms);
    }
    kill(pid, signal);
    for (int i = 0; i < 1200; ++i) {  // a minute: it stops after the frame being drawn
        if (waitpid(pid, &status, WNOHANG) == pid) {
            *written = std::distance(std::filesystem::directory_iterator(std::filesystem::path(dir) / "frames"),
                                     std::filesystem::directory_iterator());
            return WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
        }
        std::this_thread::sleep_for(50ms);
    }
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    return -2;  // did not stop
}

TEST_F(LiveProgram, RenderStopsCleanlyOnSigintAndSigterm) {
    if (!std::getenv("VIRELLE_TOOLS")) GTEST_SKIP() << "VIRELLE_TOOLS is not set";
    for (const int signal : {SIGINT, SIGTERM}) {
        std::filesystem::remove_all(scratch.File("frames"));
        long written = 0;
        EXPECT_EQ(RenderAndSignal(scratch.path, signal, &written), 128 + signal) << signal;
        EXPECT_GE(written, 1);
        EXPECT_LT(written, 1000);  // stopped early, not at the end of the range
    }
}

}  // namespace
