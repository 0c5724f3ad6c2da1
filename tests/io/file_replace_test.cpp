// Files replaced whole: the target is the old file or the new one, a failure says why in the
// system's words and leaves nothing under a temporary name.
#include "io/file_replace.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/common/headless.h"

namespace {

std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void Write(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

TEST(FileReplace, ReplacesTheWholeFileAndKeepsItsPermissions) {
    ScratchDir dir;
    const std::string path = dir.File("show.cda");
    Write(path, "old bytes, rather more of them than the new ones");
    chmod(path.c_str(), 0600);
    std::string why;
    ASSERT_TRUE(ReplaceFile(path, "new", 3, &why)) << why;
    EXPECT_EQ(Read(path), "new");
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(Names(dir.path), std::vector<std::string>{"show.cda"});
    // A new file, and an empty one.
    ASSERT_TRUE(ReplaceFile(dir.File("empty"), "", 0, &why)) << why;
    EXPECT_EQ(Read(dir.File("empty")), "");
}

// A write that fails part-way (the file size limit, which fails as a full disk does: a short write
// and then an error) keeps the old file whole and removes the temporary one.
TEST(FileReplace, AWriteFailingPartWayLeavesTheOldFile) {
    ScratchDir dir;
    const std::string path = dir.File("poa.mp3");
    Write(path, "the old music");
    rlimit before{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &before), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = before;
    small.rlim_cur = 64 * 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const std::vector<char> music(1 << 20, 'm');
    std::string why;
    const bool written = ReplaceFile(path, music.data(), music.size(), &why);
    setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(written);
    EXPECT_EQ(why, std::strerror(EFBIG));
    EXPECT_EQ(Read(path), "the old music");
    EXPECT_EQ(Names(dir.path), std::vector<std::string>{"poa.mp3"});
}

TEST(FileReplace, AFolderThatIsNotThereIsNamedAsSuch) {
    ScratchDir dir;
    std::string why;
    EXPECT_FALSE(ReplaceFile(dir.File("nothere/x.png"), "x", 1, &why));
    EXPECT_EQ(why, std::strerror(ENOENT));
    // A folder where the file should be: the rename fails, and nothing is left behind.
    std::filesystem::create_directory(dir.File("taken"));
    EXPECT_FALSE(ReplaceFile(dir.File("taken"), "x", 1, &why));
    EXPECT_EQ(why, std::strerror(EISDIR));
    EXPECT_EQ(Names(dir.path), std::vector<std::string>{"taken"});
}

// A pending file not committed goes, and so does the one a stop signal's handler removes.
TEST(FileReplace, UncommittedAndInterruptedFilesLeaveNothing) {
    ScratchDir dir;
    const std::string path = dir.File("a.png");
    Write(path, "old");
    std::string why;
    {
        PendingFile file(path);
        ASSERT_TRUE(file.Open(&why)) << why;
        ASSERT_TRUE(file.Write("new", 3, &why)) << why;
        EXPECT_EQ(Names(dir.path),
                  (std::vector<std::string>{"." + std::string("a.png.partial-") + std::to_string(getpid()), "a.png"}));
    }
    EXPECT_EQ(Names(dir.path), std::vector<std::string>{"a.png"});
    EXPECT_EQ(Read(path), "old");

    PendingFile file(path);
    ASSERT_TRUE(file.Open(&why)) << why;
    RemovePendingFile();  // as make-content's handler does on Ctrl+C
    EXPECT_EQ(Names(dir.path), std::vector<std::string>{"a.png"});
}

// Temporary files of writers that were killed go; a running writer's and other names stay.
TEST(FileReplace, StaleTemporaryFilesOfDeadWritersAreRemoved) {
    ScratchDir dir;
    const pid_t dead = fork();
    if (dead == 0) _exit(0);
    ASSERT_GT(dead, 0);
    waitpid(dead, nullptr, 0);
    const std::vector<std::string> kept = {".b.png.partial-" + std::to_string(getppid()),  // running
                                           ".c.png.partial-x", "d.png.partial-" + std::to_string(dead), "e.png"};
    for (const std::string& name : kept) Write(dir.File(name), "x");
    Write(dir.File(".a.png.partial-" + std::to_string(dead)), "x");
    RemoveStalePendingFiles(dir.path);
    std::vector<std::string> sorted = kept;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(Names(dir.path), sorted);
}
