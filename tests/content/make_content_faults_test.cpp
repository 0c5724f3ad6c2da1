// make-content interrupted and failing over earlier content: held while it writes the music, the
// show finds every file complete; killed while it writes one file or another, every file is the
// old one or the complete new one; Ctrl+C leaves no temporary file; a full disk names the file and
// the reason and leaves the old file whole.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "tests/common/headless.h"
#include "tests/common/run_tool.h"

namespace {

namespace fs = std::filesystem;
using Files = std::map<std::string, std::string>;  // "data/x.png" -> its bytes

const char* const kFolders[] = {"data", "music"};

std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// The files a show would read (hidden names left out) and the hidden ones.
void List(const std::string& dir, Files* shown, std::vector<std::string>* hidden) {
    for (const char* folder : kFolders)
        for (const auto& e : fs::directory_iterator(fs::path(dir) / folder)) {
            const std::string name = std::string(folder) + "/" + e.path().filename().string();
            if (e.path().filename().string()[0] == '.')
                hidden->push_back(name);
            else
                (*shown)[name] = Read(e.path());
        }
}

// Earlier content, unlike what make-content writes now: each file's new bytes behind a mark.
std::string Old(const std::string& bytes) {
    return "earlier content\n" + bytes;
}

void WriteOld(const std::string& dir, const Files& made) {
    for (const auto& [name, bytes] : made) {
        fs::create_directories(fs::path(dir) / fs::path(name).parent_path());
        std::ofstream(fs::path(dir) / name, std::ios::binary | std::ios::trunc) << Old(bytes);
    }
}

struct Stopped {
    pid_t pid = -1;
    int status = -1;       // the wait status
    bool stopped = false;  // the signal was sent
};

// make-content over `dir`, sent `signal` as soon as it makes a temporary file for which `when`
// (its name, and how many it has made, from 1) is true.
Stopped StopAtTemporary(const std::string& dir, const std::function<bool(const std::string&, int)>& when, int signal) {
    Stopped run;
    for (const char* folder : kFolders) fs::create_directories(fs::path(dir) / folder);
    const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (watch < 0) return run;
    for (const char* folder : kFolders) inotify_add_watch(watch, (dir + "/" + folder).c_str(), IN_CREATE);
    const pid_t pid = run.pid = SpawnProgram({ToolsPath(), "make-content", "--out", dir}, SpawnSettings{});
    int seen = 0;
    while (pid > 0 && !run.stopped) {
        pollfd p{watch, POLLIN, 0};
        if (poll(&p, 1, 50) <= 0) {
            if (waitpid(pid, &run.status, WNOHANG) == pid) break;  // ended first
            continue;
        }
        alignas(inotify_event) char buffer[16384];
        const ssize_t got = read(watch, buffer, sizeof buffer);
        for (ssize_t at = 0; at < got && !run.stopped;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            const std::string name = event->len ? event->name : "";
            if (name.find(".partial-") != std::string::npos && when(name, ++seen)) {
                kill(pid, signal);
                run.stopped = true;
            }
            at += ssize_t(sizeof(inotify_event) + event->len);
        }
    }
    if (run.stopped && signal != SIGSTOP) waitpid(pid, &run.status, 0);
    close(watch);
    return run;
}

std::function<bool(const std::string&, int)> AtFile(int nth) {
    return [nth](const std::string&, int seen) { return seen == nth; };
}

class MakeContentFaults : public ::testing::Test {
protected:
    // One run into an empty folder, held while it writes the music (the show's reload finds the
    // folder so then) and let go; what it made is the new content the other runs are checked against.
    static void SetUpTestSuite() {
        if (ToolsPath().empty()) return;
        reference = new ScratchDir;
        const Stopped run = StopAtTemporary(
            reference->path, [](const std::string& name, int) { return name.starts_with(".poa.mp3."); }, SIGSTOP);
        if (!run.stopped) return;
        List(reference->path, &whileWriting, &hiddenWhileWriting);
        kill(run.pid, SIGCONT);
        int status = 0;
        if (waitpid(run.pid, &status, 0) != run.pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return;
        std::vector<std::string> hidden;
        List(reference->path, &made, &hidden);
    }
    static void TearDownTestSuite() {
        delete reference;
        reference = nullptr;
        made.clear();
    }
    void SetUp() override {
        if (ToolsPath().empty()) GTEST_SKIP() << "virelle-tools is not built";
        ASSERT_TRUE(made.count("music/poa.mp3") && made.count("data/virelle.cda")) << "make-content failed";
    }

    // Every file the show reads is there, old or complete and new; a hidden file is only the
    // temporary file of the run with process id `writer`. Returns how many are new.
    static int CheckOldOrNew(const std::string& dir, pid_t writer) {
        Files shown;
        std::vector<std::string> hidden;
        List(dir, &shown, &hidden);
        int fresh = 0;
        for (const auto& [name, bytes] : made) {
            const auto it = shown.find(name);
            if (it == shown.end()) {
                ADD_FAILURE() << name << " is missing";
                continue;
            }
            EXPECT_TRUE(it->second == bytes || it->second == Old(bytes))
                << name << " is damaged (" << it->second.size() << " bytes)";
            fresh += it->second == bytes;
        }
        EXPECT_EQ(shown.size(), made.size()) << "files that were not asked for";
        const std::string suffix = ".partial-" + std::to_string(writer);
        for (const std::string& name : hidden) {
            const std::string folder = fs::path(name).parent_path(), file = fs::path(name).filename();
            const bool ours = file.size() > suffix.size() + 1 && file.ends_with(suffix) &&
                              made.count(folder + "/" + file.substr(1, file.size() - 1 - suffix.size()));
            EXPECT_TRUE(ours) << name << " is no temporary file of run " << writer;
        }
        return fresh;
    }

    static ScratchDir* reference;
    static Files made;
    static Files whileWriting;  // what the folder held while the music was being written
    static std::vector<std::string> hiddenWhileWriting;
};

ScratchDir* MakeContentFaults::reference = nullptr;
Files MakeContentFaults::made, MakeContentFaults::whileWriting;
std::vector<std::string> MakeContentFaults::hiddenWhileWriting;

TEST_F(MakeContentFaults, WhileTheMusicIsWrittenEveryOtherFileIsCompleteAndTheMusicNotThere) {
    EXPECT_EQ(whileWriting.count("music/poa.mp3"), 0u) << "a part of the music is in place";
    for (const auto& [name, bytes] : whileWriting) EXPECT_TRUE(made.count(name) && made.at(name) == bytes) << name;
    EXPECT_EQ(whileWriting.size() + 1, made.size());
    ASSERT_EQ(hiddenWhileWriting.size(), 1u);
    EXPECT_TRUE(hiddenWhileWriting[0].starts_with("music/.poa.mp3.partial-")) << hiddenWhileWriting[0];
}

TEST_F(MakeContentFaults, KilledAtAnyFileEveryFileIsTheOldOrTheNewOne) {
    ScratchDir dir;
    WriteOld(dir.path, made);
    const int files = int(made.size());  // the music is written last
    int mixed = 0;
    // The first file, two in the middle and the last picture; each run's leftovers stay for the
    // next, which must clear them away.
    for (const int nth : {1, files / 3, files / 2, files - 1}) {
        SCOPED_TRACE("killed at file " + std::to_string(nth) + " of " + std::to_string(files));
        WriteOld(dir.path, made);
        const Stopped run = StopAtTemporary(dir.path, AtFile(nth), SIGKILL);
        ASSERT_TRUE(run.stopped) << "make-content ended before its file " << nth;
        EXPECT_TRUE(WIFSIGNALED(run.status) && WTERMSIG(run.status) == SIGKILL);
        const int fresh = CheckOldOrNew(dir.path, run.pid);
        mixed += fresh > 0 && fresh < files;
    }
    EXPECT_GT(mixed, 0) << "no run was stopped part-way";
}

TEST_F(MakeContentFaults, CtrlCLeavesNoTemporaryFile) {
    ScratchDir dir;
    WriteOld(dir.path, made);
    const Stopped run = StopAtTemporary(dir.path, AtFile(int(made.size()) / 3), SIGINT);
    ASSERT_TRUE(run.stopped);
    EXPECT_TRUE(WIFEXITED(run.status) && WEXITSTATUS(run.status) == 128 + SIGINT) << run.status;
    Files shown;
    std::vector<std::string> hidden;
    List(dir.path, &shown, &hidden);
    EXPECT_TRUE(hidden.empty()) << hidden.front();
    CheckOldOrNew(dir.path, run.pid);
}

// A small file system of its own (a tmpfs in a private mount namespace, gone with it) with room
// for the earlier content and a page or two more: the first file written that does not fit
// fails, is named with the system's reason, and is left as it was; the run stops there.
TEST_F(MakeContentFaults, AFullDiskNamesTheFileAndTheReason) {
    if (system("command -v unshare >/dev/null 2>&1") != 0) GTEST_SKIP() << "no unshare to mount a small file system";
    ScratchDir dir;
    const std::string old = dir.File("old"), disk = dir.File("disk");
    WriteOld(old, made);
    fs::create_directories(disk);
    size_t room = 2 * 4096;
    for (const auto& [name, bytes] : made) room += (Old(bytes).size() + 4095) / 4096 * 4096;
    std::ofstream(dir.File("full.sh")) << "mount -t tmpfs -o size=" << room << " virelle-test '" << disk
                                       << "' || exit 97\n"
                                       << "cp -r '" << old << "/data' '" << old << "/music' '" << disk << "/' && cd '"
                                       << disk << "' || exit 98\n"
                                       << "'" << ToolsPath() << "' make-content --out . >'" << dir.File("log")
                                       << "' 2>&1\n"
                                       << "echo $? >'" << dir.File("status") << "'\n"
                                       << "ls -A data music >'" << dir.File("names") << "'\n"
                                       << "mkdir '" << dir.File("after") << "' && cp -r data music '"
                                       << dir.File("after") << "/'\n";
    const int status = system(
        ("unshare --mount --map-root-user sh '" + dir.File("full.sh") + "' 2>'" + dir.File("why") + "'").c_str());
    if (WIFEXITED(status) && (WEXITSTATUS(status) == 97 || !fs::exists(dir.File("status"))))
        GTEST_SKIP() << "cannot mount a small file system here: " << Read(dir.File("why"));
    const std::string log = Read(dir.File("log"));
    EXPECT_EQ(Read(dir.File("status")), "1\n") << log;
    // "make-content: cannot write ./data/NAME: No space left on device"
    const std::string says = "make-content: cannot write ./", reason = ": No space left on device\n";
    const size_t at = log.find(says), end = log.find(reason);
    ASSERT_TRUE(at != std::string::npos && end != std::string::npos && end > at) << log;
    const std::string failed = log.substr(at + says.size(), end - at - says.size());
    ASSERT_TRUE(made.count(failed)) << failed;
    EXPECT_EQ(log.find("make-content: cannot write", end), std::string::npos) << "went on after the first: " << log;
    EXPECT_EQ(Read(dir.File("names")).find(".partial-"), std::string::npos) << Read(dir.File("names"));
    EXPECT_TRUE(Read(dir.File("after/" + failed)) == Old(made.at(failed))) << failed << " was damaged";
    EXPECT_TRUE(Read(dir.File("after/music/poa.mp3")) == Old(made.at("music/poa.mp3"))) << "the old music was touched";
}

}  // namespace
