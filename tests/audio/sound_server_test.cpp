// The music against a real sound server: a private PulseAudio (a null sink, its own runtime
// folder, no sound card or display needed) killed by its process id while the music plays and
// started again. The clock must run on meanwhile and the music come back to the new server.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "audio/music_stream.h"
#include "tests/audio/mp3_maker.h"
#include "tests/common/headless.h"
#include "tests/common/run_tool.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// One pulseaudio process serving a null sink on a socket in `dir`; started again on the same
// socket after a kill.
class PrivatePulse {
public:
    explicit PrivatePulse(std::string dir) : dir(std::move(dir)) { std::filesystem::create_directories(this->dir); }
    ~PrivatePulse() { Kill(); }

    std::string Server() const { return "unix:" + dir + "/native"; }

    // Starts the server and waits until it answers; false, with its log, when it does not.
    bool Start(std::string* why) {
        const std::string socket = "socket=" + dir + "/native auth-anonymous=1";
        std::vector<std::string> args = {"pulseaudio",
                                         "-n",  // no default script: only the modules below
                                         "--daemonize=no",
                                         "--system=false",
                                         "--disallow-exit",
                                         "--exit-idle-time=-1",
                                         "--use-pid-file=no",
                                         "--realtime=no",
                                         "--high-priority=no",
                                         "--disable-shm=yes",
                                         "--log-target=stderr",
                                         "-L",
                                         "module-null-sink sink_name=virelle_test",
                                         "-L",
                                         "module-native-protocol-unix " + socket};
        // Its runtime and configuration folders are ours alone (root's own are left alone).
        SpawnSettings settings;
        settings.environment = {"XDG_RUNTIME_DIR=" + dir, "PULSE_RUNTIME_PATH=" + dir, "HOME=" + dir,
                                "XDG_CONFIG_HOME=" + dir + "/config"};
        settings.leftOut = {"PULSE_", "XDG_"};
        settings.output = dir + "/log";
        pid = SpawnProgram(args, settings);
        if (pid < 0) {
            *why = "pulseaudio does not run here";
            return false;
        }
        const std::string ask = "pactl -s " + Server() + " info >/dev/null 2>&1";
        for (const auto start = Clock::now(); SecondsSince(start) < 10.0; std::this_thread::sleep_for(20ms)) {
            int status = 0;
            if (waitpid(pid, &status, WNOHANG) == pid) {
                pid = -1;
                *why = "pulseaudio exited at once: " + Log();
                return false;
            }
            if (std::system(ask.c_str()) == 0) return true;
        }
        *why = "pulseaudio did not answer within 10 s: " + Log();
        Kill();
        return false;
    }

    void Kill() {
        if (pid <= 0) return;
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        pid = -1;
    }

    // The playback streams connected to the server; -1 when it does not answer.
    int Streams() const {
        FILE* p = popen(("pactl -s " + Server() + " list short sink-inputs 2>/dev/null").c_str(), "r");
        if (!p) return -1;
        int lines = 0;
        for (int c; (c = std::fgetc(p)) != EOF;) lines += c == '\n';
        return pclose(p) == 0 ? lines : -1;
    }

private:
    std::string Log() const {
        std::ifstream in(dir + "/log");
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    std::string dir;
    pid_t pid = -1;
};

// Reads the position every few ms until `done` or `seconds` pass; fails on a step back or a jump
// (a step further than the time between two reads: the picture would show one). A thread that
// pulls late on a busy machine makes the clock hold and then catch up, so a step may pass the
// time between reads by a little; a change of output that skipped or caught up would pass it by
// far more. Returns the last position read.
float FollowPosition(MusicStream& music, float from, double seconds, const std::function<bool(float)>& done) {
    constexpr double lateWakeUp = 0.3;
    float last = from;
    auto lastRead = Clock::now();
    for (const auto start = Clock::now(); SecondsSince(start) < seconds;) {
        const float now = music.GetPosition();
        EXPECT_GE(now, last) << "the clock went back";
        EXPECT_LE(now - last, SecondsSince(lastRead) + lateWakeUp) << "the clock jumped from " << last;
        last = now;
        lastRead = Clock::now();
        if (done && done(now)) break;
        std::this_thread::sleep_for(5ms);
    }
    return last;
}

}  // namespace

TEST(SoundServer, MusicComesBackWhenTheServerDoes) {
    ScratchDir dir;
    PrivatePulse pulse(dir.File("pulse"));
    std::string why;
    if (!pulse.Start(&why)) GTEST_SKIP() << "no private sound server on this machine: " << why;
    ScopedEnv driver("SDL_AUDIODRIVER", "pulseaudio");
    ScopedEnv server("PULSE_SERVER", pulse.Server().c_str());
    const std::string path = dir.File("tone.mp3");
    ASSERT_TRUE(WriteFileBytes(path, EncodeMp3(MakePcm(44100 * 10, 2, BinSine(8, 0.3)), {})));

    MessageLog boxes;
    testing::internal::CaptureStderr();
    MusicStream music(path.c_str());
    ASSERT_TRUE(music.created);
    EXPECT_TRUE(boxes.boxes.empty()) << "no output opened on the server";
    music.Play();
    // A fresh null sink asks for its first data up to 2 s after a stream opens.
    float position = FollowPosition(music, 0.0f, 5.0, [](float p) { return p > 0.2f; });
    ASSERT_GT(position, 0.2f) << "the music never started on the server";
    EXPECT_EQ(pulse.Streams(), 1);

    pulse.Kill();
    const auto killed = Clock::now();
    const float atKill = music.GetPosition();
    position = FollowPosition(music, atKill, 1.5, nullptr);
    const double away = SecondsSince(killed);
    EXPECT_NEAR(position - atKill, away, 0.3) << "the clock did not run on without the server";

    ASSERT_TRUE(pulse.Start(&why)) << why;
    const auto restarted = Clock::now();
    int streams = 0;
    position = FollowPosition(music, position, 5.0, [&](float) { return (streams = pulse.Streams()) == 1; });
    const double streamBack = SecondsSince(restarted);
    ASSERT_EQ(streams, 1) << "no stream reached the server again";
    EXPECT_LT(streamBack, 2.0) << "the stream came back late";
    // The device pulls again (the silent output has stopped): the music moves on through it.
    const float atReturn = position;
    position = FollowPosition(music, position, 4.0, [&](float p) { return p > atReturn + 0.1f; });
    const double musicBack = SecondsSince(restarted);
    position = FollowPosition(music, position, 4.0, [&](float p) { return p > atReturn + 0.3f; });
    EXPECT_GT(position, atReturn + 0.3f) << "the music did not go on through the server";
    // Never ahead of real time, and behind it by no more than the null sink's first wait.
    const double sinceKill = SecondsSince(killed);
    EXPECT_LE(position - atKill, sinceKill + 0.1);
    EXPECT_GE(position - atKill, sinceKill - 2.3);
    music.Stop();

    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("audio: output device lost"), std::string::npos) << said;
    EXPECT_NE(said.find("audio: output device back"), std::string::npos) << said;
    std::printf("stream back on the server %.2f s after it started again, the music moving %.2f s after\n", streamBack,
                musicBack);
}
